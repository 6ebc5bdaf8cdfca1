// The column of docked panels beside the image view: a plain widget in the
// main window's splitter (not one of the main window's dock areas). Panels
// stack from the top, a stretch below them. The column shows while one of its
// panels is visible and hides when none is; it widens the splitter's pane to
// the widest panel's minimum width, and never narrows it.
#ifndef APP_SHELL_PANEL_FRAMEWORK_FAKE_DOCK_H
#define APP_SHELL_PANEL_FRAMEWORK_FAKE_DOCK_H

#include <QWidget>

class GmSubWindow;
class QSplitter;
class QVBoxLayout;

class FakeDock : public QWidget {
    Q_OBJECT
public:
    // Hidden, the splitter's last pane.
    explicit FakeDock(QSplitter* splitter);

    QSplitter* splitter() const { return splitter_; }

    // Puts the panel above the trailing stretch (stretch 10000 for a resizable
    // panel, else 0) and follows its visibility; shows the column when the
    // panel is visible in it.
    void addSubWindow(GmSubWindow* panel);
    // Takes the panel out; hides the column when no panel is left.
    void removeSubWindow(GmSubWindow* panel);
    // The panels in the column, top to bottom.
    QList<GmSubWindow*> subWindows() const;

public slots:
    // Shows the column and makes room for its visible panels, or hides it
    // when none is visible. Panels reach it queued, after their show or hide.
    void childVisibilityChanged();

private:
    QSplitter* splitter_;
    QVBoxLayout* layout_;
};

#endif
