#include "workspace/navigator_wiring.h"

#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "workspace/image_view.h"
#include "workspace/navigator.h"
#include "workspace/navigator_window.h"

void connectNavigatorToView(NavigatorWindow* navigatorWindow, ImageView* view) {
    Navigator* const navigator = navigatorWindow->navigator();
    QObject::connect(GmModel::instance(), &GmModel::tellImageChanged, navigator,
                     &Navigator::updateImage);
    QObject::connect(navigator, &Navigator::rectChanged, view, &ImageView::moveImageViewportToSlot);
    QObject::connect(navigator, &Navigator::rectCenterChanged, view,
                     &ImageView::centreViewportOnSlot);
    QObject::connect(view, &ImageView::sayViewportRectChanged, navigatorWindow,
                     &NavigatorWindow::setRectSlot);
    QObject::connect(navigatorWindow, &NavigatorWindow::requestZoomTo, view,
                     &ImageView::zoomToSlot);
}
