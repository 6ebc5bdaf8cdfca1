// A horizontal slider framed by two small repeat buttons that move it one step
// down or up. The navigator uses it for its zoom slider.
//
// Its owner sets range, steps and value through slider(). A nudge moves the
// slider by its single step, unless the owner connected to the matching
// request signal: then the nudge only emits that signal and the owner decides
// what a step is (the navigator zooms by its own steps).
//
// The layout ("Slider::layout_") holds the slider alone until setNudgeIcons()
// puts the down button before it and the up button after it.
#ifndef APP_WORKSPACE_SLIDER_H
#define APP_WORKSPACE_SLIDER_H

#include <QString>
#include <QWidget>

class QBoxLayout;
class QPixmap;
class QSlider;
class QToolButton;

class Slider : public QWidget {
    Q_OBJECT
public:
    explicit Slider(QWidget* parent = nullptr);

    QSlider* slider() const { return slider_; }
    QBoxLayout* boxLayout() const { return layout_; }
    // The nudge buttons; null before setNudgeIcons().
    QToolButton* downButton() const { return downButton_; }
    QToolButton* upButton() const { return upButton_; }

    // Puts a down button (icon `down`) before the slider and an up button
    // (icon `up`) after it, both repeating while held. A second call replaces
    // the buttons: the old ones are deleted.
    void setNudgeIcons(const QPixmap& down, const QPixmap& up);
    // The slider's tool tip and the buttons'. The buttons' tips are kept for
    // buttons made later, so the two calls may come in either order.
    void setToolTips(const QString& sliderTip, const QString& downTip, const QString& upTip);

signals:
    void requestNudgeUp();
    void requestNudgeDown();

public slots:
    // requestNudgeUp() when someone listens to it; otherwise one single step up.
    void nudgeUp();
    // requestNudgeDown() when someone listens to it; otherwise one single step down.
    void nudgeDown();

private:
    QToolButton* makeButton(const QPixmap& icon, const QString& toolTip);

    QSlider* slider_;
    QBoxLayout* layout_;
    QToolButton* downButton_ = nullptr;
    QToolButton* upButton_ = nullptr;
    QString downTip_;
    QString upTip_;
};

#endif
