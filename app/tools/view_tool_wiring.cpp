#include "tools/view_tool_wiring.h"

#include "tools/arrow_tool.h"
#include "tools/pan_tool.h"
#include "tools/zoom_tool.h"
#include "workspace/image_view.h"
#include "workspace/navigator_window.h"

void connectViewTools(ImageView* view, NavigatorWindow* navigator, ArrowTool* arrow, PanTool* pan,
                      ZoomTool* zoom) {
    if (arrow) {
        QObject::connect(view, &ImageView::activateArrowTargetAt, arrow,
                         &ArrowTool::activateArrowTargetAtSlot);
        QObject::connect(arrow, &ArrowTool::zoomToRectSignal, view,
                         &ImageView::moveImageViewportToSlot);
    }
    if (pan) QObject::connect(pan, &PanTool::tellPan, view, &ImageView::panImageViewportSlot);
    if (!zoom) return;
    QObject::connect(zoom, &ZoomTool::zoomToRectSignal, view,
                     &ImageView::minCheckedMoveImageViewportToSlot);
    QObject::connect(zoom, &ZoomTool::actualPixelsSignal, view, &ImageView::zoomTo100PercentSlot);
    QObject::connect(zoom, &ZoomTool::fitScreenSignal, view, &ImageView::fitImageOnScreenSlot);
    if (!navigator) return;
    QObject::connect(zoom, &ZoomTool::zoomInSignal, navigator, &NavigatorWindow::zoomInSlot);
    QObject::connect(zoom, &ZoomTool::zoomOutSignal, navigator, &NavigatorWindow::zoomOutSlot);
    QObject::connect(navigator, &NavigatorWindow::zoomInEnabled, zoom,
                     &ZoomTool::zoomInEnabledSlot);
    QObject::connect(navigator, &NavigatorWindow::zoomOutEnabled, zoom,
                     &ZoomTool::zoomOutEnabledSlot);
    QObject::connect(navigator, &NavigatorWindow::zoomSliderChange, zoom,
                     &ZoomTool::setZoomSliderValue);
    QObject::connect(zoom, &ZoomTool::zoomSliderChanged, navigator,
                     &NavigatorWindow::syncBoxFromSliderSlot);
}
