// What the document needs of the view, whose window installs it when it is
// built: bringing one of the image view's tabs to the front (the Workspace
// tab before a patch's marks are erased, the Cut-out tab when a cut-out is
// made), and whether the view options show the edges found with the current
// edge-finding settings (a patch that becomes active or inactive then changes
// which edges are shown). Until then no tab changes and no edges are shown.
// User-interface thread only.
#ifndef APP_MODEL_VIEW_HOOKS_H
#define APP_MODEL_VIEW_HOOKS_H

#include <functional>

// The tabs as the image view numbers them (ViewTabs::ViewTab).
enum ViewTabRequest { WorkspaceTabRequest = 2, CutoutTabRequest = 4 };

// Installs what brings a tab to the front; an empty one restores the default (nothing).
void setShowViewTabHook(std::function<void(int viewTab)> hook);
void showViewTab(int viewTab);

// Installs what answers the "Show edges found with current Edge Finding
// settings" box; an empty one restores the default (unchecked).
void setShowEdgesHook(std::function<bool()> hook);
bool edgesShown();

#endif
