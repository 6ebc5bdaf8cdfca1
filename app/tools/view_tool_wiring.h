// The connections of the arrow, hand and zoom tools with the image view and
// the navigator panel: the right click on the canvas reaches the arrow tool
// before the context menu comes up, the arrow tool's double click and the
// zoom tool's band move the view, the hand scrolls it, and the zoom tool's
// clicks step through the navigator, which says when a step further is
// possible. The main window makes them; so do the test windows.
#ifndef APP_TOOLS_VIEW_TOOL_WIRING_H
#define APP_TOOLS_VIEW_TOOL_WIRING_H

class ArrowTool;
class ImageView;
class NavigatorWindow;
class PanTool;
class ZoomTool;

// Any tool, or the navigator, may be null: its connections are left out.
void connectViewTools(ImageView* view, NavigatorWindow* navigator, ArrowTool* arrow, PanTool* pan,
                      ZoomTool* zoom);

#endif
