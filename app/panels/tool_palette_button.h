// A button of the tool palette: an auto-raise tool button, also used
// elsewhere as a plain one (the edge finder's advanced toggle).
//
// A button may hold a companion (normally an action): a second click within
// the application's double-click interval triggers the companion instead of
// the button, and leaves the button's check state as it was; the click after
// that starts a new pair. A button that holds several actions (a group of
// alternative tools) marks itself with a small triangle at its bottom right.
#ifndef APP_PANELS_TOOL_PALETTE_BUTTON_H
#define APP_PANELS_TOOL_PALETTE_BUTTON_H

#include <QElapsedTimer>
#include <QPointer>
#include <QToolButton>

class ToolPaletteButton : public QToolButton {
    Q_OBJECT
public:
    explicit ToolPaletteButton(QWidget* parent = nullptr);

    QObject* companion() const { return companion_; }
    void setCompanion(QObject* companion) { companion_ = companion; }

protected:
    void nextCheckState() override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QObject> companion_;
    // Since the click that may start a double click; invalid when none may.
    QElapsedTimer lastClick_;
};

#endif
