// What the document needs of the main window, which installs it when it is
// built: its internal-error handler (for running out of memory while a file
// loads), the widget that messages are shown over, the busy state while the
// engine thread drains before a session reopens, the tip panel, and the run
// mode of the application. Until then an internal error and a tip are
// written to the log, messages have no parent, nothing shows the busy state
// and the mode is standalone. User-interface thread only.
#ifndef APP_FILES_MAIN_WINDOW_HOOKS_H
#define APP_FILES_MAIN_WINDOW_HOOKS_H

#include <QString>

#include <functional>

class QWidget;

// Receives the text of the failed action ("Loading file %1") and the error ("Out of memory").
using InternalErrorHook = std::function<void(const QString& commandText, const QString& errorText)>;

// Installs `hook`; an empty one restores the default (a log line).
void setInternalErrorHook(InternalErrorHook hook);
// Hands an internal error to the installed hook.
void reportInternalError(const QString& commandText, const QString& errorText);

// Installs the function that gives the parent of file-handling messages; an
// empty one restores the default (no parent).
void setDialogParentHook(std::function<QWidget*()> hook);
QWidget* dialogParent();

// Installs what makes the window busy (true: disabled, with the wait cursor
// as override cursor) and idle again (false); an empty one restores the
// default (nothing). The model makes the window busy while it waits for the
// engine thread to drain before a session opens again.
void setWindowBusyHook(std::function<void(bool busy)> hook);
void setWindowBusy(bool busy);

// Installs what shows an HTML tip in the tip panel; an empty one restores the
// default (a log line). Engine commands tell the user so why a stroke changed nothing.
void setTipHook(std::function<void(const QString& html)> hook);
void showTip(const QString& html);

// How the application was started: the host's images and the control file's
// stay with the application when a document closes.
enum RunMode { StandaloneMode = 0, HostBridgeMode = 2, ControlFileMode = 3 };
// Installs the function that answers the run mode; an empty one restores the
// default (standalone).
void setRunModeHook(std::function<int()> hook);
int runMode();

// What the file handler needs of the window besides: the question before
// work is thrown away, the status bar, and bringing the window up.

// Installs the main window's question before work is thrown away (its
// confirmDiscardChanges): true lets the caller go on, false keeps the work.
// An empty one restores the default (go on).
void setConfirmDiscardHook(std::function<bool(const QString& title)> hook);
bool confirmDiscardChanges(const QString& title);

// Installs what shows a text in the window's status bar for `timeoutMs`
// milliseconds (0: until replaced); an empty one restores the default (nothing).
void setStatusMessageHook(std::function<void(const QString& text, int timeoutMs)> hook);
void showStatusMessage(const QString& text, int timeoutMs);

// Installs what brings the window up when a new image opens (restored when
// minimized, then activated); an empty one restores the default (nothing).
void setRaiseWindowHook(std::function<void()> hook);
void raiseMainWindow();

#endif
