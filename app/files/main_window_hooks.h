// What the document's file handling needs of the main window, which the
// window installs when it is built: its internal-error handler (for running
// out of memory while a file loads) and the widget that messages are shown
// over. Until then an internal error is written to the log, and messages have
// no parent. User-interface thread only.
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

#endif
