// The title bar a docked panel shows above its content: the panel's title,
// centred in white on RGB 0, 189, 242, and a close button at the right. A
// floating panel hides it (its window frame has a title of its own).
#ifndef APP_SHELL_PANEL_FRAMEWORK_TITLE_WIDGET_H
#define APP_SHELL_PANEL_FRAMEWORK_TITLE_WIDGET_H

#include <QWidget>

class QLabel;
class TitleButton;

class TitleWidget : public QWidget {
    Q_OBJECT
public:
    // Starts hidden, titled `title`.
    explicit TitleWidget(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    TitleButton* closeButton() const { return closeButton_; }

private:
    QLabel* label_;
    TitleButton* closeButton_;
};

#endif
