// The connections that close the navigator's loops with the image view: the
// thumbnail follows the model's image, its box drags and clicks move the
// view, the panel's zoom requests zoom it, and the view reports back what it
// displays. The main window makes them; so do the test windows.
#ifndef APP_WORKSPACE_NAVIGATOR_WIRING_H
#define APP_WORKSPACE_NAVIGATOR_WIRING_H

class ImageView;
class NavigatorWindow;

void connectNavigatorToView(NavigatorWindow* navigatorWindow, ImageView* view);

#endif
