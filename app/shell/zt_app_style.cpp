#include "shell/zt_app_style.h"

#include "panels/show_menu_action_whats_this.h"
#include "shell/slider_handle_pictures.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QWidget>

namespace {

// The slider option behind `option`, or null when it is none.
const QStyleOptionSlider* sliderOption(const QStyleOption* option) {
    return qstyleoption_cast<const QStyleOptionSlider*>(option);
}

// A layout margin or spacing of the wrapped style made tighter. The layouts
// ask for these metrics (the wrapped style usually derives them from its
// default margins and spacing), so every layout is tighter, whatever the
// wrapped style. A negative value means "let the style decide" and stays.
int tighter(int wrappedValue) {
    if (wrappedValue < 0) return wrappedValue;
    return qMax(0, wrappedValue - ZtAppStyle::kLayoutTightening);
}

// Where a handle `thickness` thick starts across a groove that starts at
// `grooveStart` and is `grooveThickness` thick: centred on it, but inside the
// slider from `first` to `last` when it fits there.
int acrossGroove(int grooveStart, int grooveThickness, int thickness, int first, int last) {
    const int centred = grooveStart + (grooveThickness - thickness) / 2;
    return qMax(first, qMin(last - thickness + 1, centred));
}

} // namespace

ZtAppStyle::ZtAppStyle(QStyle* style) : ProxyStyle(style) {}

void ZtAppStyle::polish(QWidget* widget) {
    widget->setAttribute(Qt::WA_AlwaysShowToolTips);
    ShowMenuActionWhatsThis* watcher = ShowMenuActionWhatsThis::instance();
    if (auto* menu = qobject_cast<QMenu*>(widget)) watcher->watchMenu(menu);
}

int ZtAppStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                            const QWidget* widget) const {
    if (const QStyleOptionSlider* slider = sliderOption(option)) {
        const QSize picture = sliderHandlePicture(slider->orientation).size();
        const bool horizontal = slider->orientation == Qt::Horizontal;
        switch (metric) {
        case PM_SliderThickness:
        case PM_SliderControlThickness:
            return horizontal ? picture.height() : picture.width();
        case PM_SliderLength:
            return horizontal ? picture.width() : picture.height();
        default:
            break;
        }
    }
    switch (metric) {
    case PM_LayoutLeftMargin:
    case PM_LayoutTopMargin:
    case PM_LayoutRightMargin:
    case PM_LayoutBottomMargin:
    case PM_LayoutHorizontalSpacing:
    case PM_LayoutVerticalSpacing:
        return tighter(ProxyStyle::pixelMetric(metric, option, widget));
    default:
        return ProxyStyle::pixelMetric(metric, option, widget);
    }
}

QRect ZtAppStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                 SubControl subControl, const QWidget* widget) const {
    const QStyleOptionSlider* slider = sliderOption(option);
    if (control != CC_Slider || !slider || subControl != SC_SliderHandle)
        return ProxyStyle::subControlRect(control, option, subControl, widget);

    const int thickness = pixelMetric(PM_SliderControlThickness, option, widget);
    const int length = pixelMetric(PM_SliderLength, option, widget);
    const QRect& area = slider->rect;
    const bool horizontal = slider->orientation == Qt::Horizontal;
    const int span =
        (horizontal ? area.right() - area.left() : area.bottom() - area.top()) - length + 1;
    const int position = sliderPositionFromValue(slider->minimum, slider->maximum,
                                                 slider->sliderPosition, span, slider->upsideDown);
    // Across the groove the handle sits on the groove the wrapped style draws,
    // inside the slider. (A tick-mark offset counted from the slider's edge
    // would suit only styles that measure it so; others put it 4 pixels
    // further, which cut the handle off and moved it off the groove.)
    const QRect groove = ProxyStyle::subControlRect(control, option, SC_SliderGroove, widget);
    if (horizontal) {
        const int top =
            acrossGroove(groove.top(), groove.height(), thickness, area.top(), area.bottom());
        return QRect(area.left() + position, top, length, thickness);
    }
    const int left =
        acrossGroove(groove.left(), groove.width(), thickness, area.left(), area.right());
    return QRect(left, area.top() + position, thickness, length);
}

void ZtAppStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    const QStyleOptionSlider* slider = sliderOption(option);
    if (control != CC_Slider || !slider) {
        ProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The wrapped style draws the groove and the tick marks, we the handle.
    QStyleOptionSlider withoutHandle = *slider;
    withoutHandle.subControls &= ~SC_SliderHandle;
    ProxyStyle::drawComplexControl(control, &withoutHandle, painter, widget);
    if (slider->subControls & SC_SliderHandle) {
        const QRect handle = subControlRect(control, slider, SC_SliderHandle, widget);
        painter->drawPixmap(handle.topLeft(), sliderHandlePicture(slider->orientation));
    }
}

int ZtAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const {
    switch (hint) {
    case SH_GroupBox_TextLabelColor:
        return option ? int(option->palette.color(QPalette::Text).rgb()) : 0;
    case SH_ToolButton_PopupDelay:
        return ProxyStyle::styleHint(hint, option, widget, returnData) / 2;
    case SH_Slider_AbsoluteSetButtons:
        return Qt::LeftButton | Qt::MiddleButton;
    default:
        return ProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

ZtAppStyle* installApplicationStyle() {
    QStyle* platform = QApplication::style();
    // The application deletes a style it owns when another replaces it.
    platform->setParent(nullptr);
    auto* style = new ZtAppStyle(platform);
    QApplication::setStyle(style);
    return style;
}
