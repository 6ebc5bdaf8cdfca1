// Routes Tab and Shift+Tab typed on the image view, the scroll area or the
// canvas to the main window (which hides and shows its panels with them)
// instead of moving the keyboard focus. Both keys are consumed.
#ifndef APP_WORKSPACE_TAB_FILTER_H
#define APP_WORKSPACE_TAB_FILTER_H

#include <QObject>

class TabFilter : public QObject {
    Q_OBJECT
public:
    // Connects tabPressed(bool) to the parent's tabPressed(bool) slot when the
    // parent (the main window) has one.
    explicit TabFilter(QObject* parent);

    // Installs a filter on `watched` that reports to `mainWindow`; without a
    // main window the filter belongs to `watched`.
    static TabFilter* install(QObject* watched, QObject* mainWindow);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Tab (false) or Shift+Tab (true) was pressed.
    void tabPressed(bool shift);
};

#endif
