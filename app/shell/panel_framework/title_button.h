// The close button of a panel's title bar: the style's title-bar close icon
// on a flat tool-button panel that rises under the mouse. It never takes the
// keyboard focus.
#ifndef APP_SHELL_PANEL_FRAMEWORK_TITLE_BUTTON_H
#define APP_SHELL_PANEL_FRAMEWORK_TITLE_BUTTON_H

#include <QAbstractButton>

class TitleButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TitleButton(QWidget* parent = nullptr);

    // The icon's side at the style's small-icon size, plus 4, both ways.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

#endif
