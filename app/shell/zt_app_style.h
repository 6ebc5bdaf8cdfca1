// The application's style: the platform's look with a few changes of our own.
// Sliders get picture handles (and are hit where the picture is), a click in
// a slider's groove jumps the handle there, layout margins and spacing are 4
// pixels tighter, group-box titles take the text colour, tool-button menus
// open twice as fast, tool tips show in inactive windows too, and every menu
// shows the what's-this text of an entry that stays highlighted.
//
// The application object installs it once (installApplicationStyle), around
// the application's own style detached from the application.
#ifndef APP_SHELL_ZT_APP_STYLE_H
#define APP_SHELL_ZT_APP_STYLE_H

#include "shell/proxy_style.h"

class ZtAppStyle : public ProxyStyle {
    Q_OBJECT
public:
    // How much tighter the layouts are than the wrapped style's.
    static constexpr int kLayoutTightening = 4;

    explicit ZtAppStyle(QStyle* style = nullptr);

    // The wrapped style's widget polishing is left out on purpose: every
    // widget only shows its tool tips always, and menus are watched.
    void polish(QWidget* widget) override;
    using ProxyStyle::polish;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

// Wraps the application's current style, detached from the application so
// that the switch does not destroy it, in a new ZtAppStyle and makes that the
// application's style. Answers the new style; the application owns it.
ZtAppStyle* installApplicationStyle();

#endif
