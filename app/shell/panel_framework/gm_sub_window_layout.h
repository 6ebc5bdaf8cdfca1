// The vertical layout of a panel: a box layout whose size hint is at least a
// minimum width, so that a panel whose width is locked keeps that width.
#ifndef APP_SHELL_PANEL_FRAMEWORK_GM_SUB_WINDOW_LAYOUT_H
#define APP_SHELL_PANEL_FRAMEWORK_GM_SUB_WINDOW_LAYOUT_H

#include <QVBoxLayout>

class GmSubWindowLayout : public QVBoxLayout {
    Q_OBJECT
public:
    explicit GmSubWindowLayout(QWidget* parent = nullptr);

    // -1 for none.
    int minimumWidth() const { return minimumWidth_; }
    void setMinimumWidth(int width);

    QSize sizeHint() const override;

private:
    int minimumWidth_ = -1;
};

#endif
