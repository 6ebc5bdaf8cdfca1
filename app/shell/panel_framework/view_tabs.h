// The image view's three tabs as flags that combine into masks: panels and
// tools declare with such a mask where they may work. The image view
// (workspace/image_view.h) derives from ViewTabs, so the type also reads
// ImageView::ViewTab and its values ImageView::Source and so on. It is
// declared here, below the view, because the panels and tools that use it do
// not sit on the view's library.
#ifndef APP_SHELL_PANEL_FRAMEWORK_VIEW_TABS_H
#define APP_SHELL_PANEL_FRAMEWORK_VIEW_TABS_H

#include <QMetaType>

struct ViewTabs {
    enum ViewTab {
        Source = 1,    // the photograph as loaded
        Workspace = 2, // the photograph at workspace resolution with the masks
        Cutout = 4,    // the result of the last mask generation
    };
    // The mask of panels and tools that work on every tab.
    static constexpr int AllViewTabs = 63;
};

Q_DECLARE_METATYPE(ViewTabs::ViewTab)

#endif
