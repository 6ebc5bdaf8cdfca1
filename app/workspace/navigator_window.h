// The "Navigator" panel: the thumbnail (Navigator) with the view box, and
// below it a zoom percentage box and a logarithmic zoom slider with zoom-out
// and zoom-in buttons at its ends.
//
// The panel keeps the zoom limits: the box holds the zoom between 6.25 % and
// 1600 %, and zoomInEnabled / zoomOutEnabled tell the zoom commands and the
// zoom tool, only when it changes, whether a step further is possible. Slider
// position s (-25 to 25) and zoom percentage p are tied by
// p = 10^(2 + s * 0.04 * log10(16)): 25 slider steps cover a factor of 16.
//
// The loop: a change of box or slider asks the view to zoom (requestZoomTo,
// 1.0 = 100 %); the view reports what it displays and its zoom to
// setRectSlot, which moves the box and sets box and slider with their
// signals blocked, so the report does not ask for a zoom again.
#ifndef APP_WORKSPACE_NAVIGATOR_WINDOW_H
#define APP_WORKSPACE_NAVIGATOR_WINDOW_H

#include "model/image_coordinates.h"
#include "shell/panel_framework/gm_sub_window.h"

class Navigator;
class QDoubleSpinBox;
class Slider;

class NavigatorWindow : public GmSubWindow {
    Q_OBJECT
public:
    // Named and titled "Navigator"; its toggle action goes into `actionHolder`
    // with `shortcut` (the main window passes "F6").
    NavigatorWindow(QWidget* parent, QWidget* actionHolder, const QString& shortcut);

    bool floatsByDefault() const override { return false; }

    Navigator* navigator() const { return navigator_; }
    QDoubleSpinBox* zoomBox() const { return zoomBox_; }
    Slider* zoomSlider() const { return slider_; }
    bool isZoomInPossible() const { return zoomInPossible_; }
    bool isZoomOutPossible() const { return zoomOutPossible_; }

    // The percentage of slider position `s`, and the nearest slider position
    // of percentage `p`.
    static double percentOfSlider(int s);
    static int sliderOfPercent(double p);

signals:
    // Zoom to `zoom` (1.0 = 100 %).
    void requestZoomTo(double zoom);
    void zoomInEnabled(bool enabled);
    void zoomOutEnabled(bool enabled);
    void zoomSliderChange(int value);

public slots:
    // The view displays `rect` (image pixels; the zero rectangle for the whole
    // image) at `zoom`.
    void setRectSlot(const GRectF& rect, double zoom);
    // One step in (x 1.25) or out (x 0.8), held within the limits; nothing
    // when the step would not change the box's hundredths.
    void zoomInSlot();
    void zoomOutSlot();
    void syncBoxFromSliderSlot(int value);
    void syncSliderFromBoxSlot(double percent);
    // Tells, when it changed, whether zooming further in or out is possible.
    void zoomChangedSlot(double percent);

private:
    Navigator* navigator_;
    QDoubleSpinBox* zoomBox_;
    Slider* slider_;
    bool zoomInPossible_ = true;
    bool zoomOutPossible_ = true;
};

#endif
