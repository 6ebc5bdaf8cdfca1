// What the application tests' main sets up before any test runs, and how a
// test reaches it:
// - a QApplication (QT_QPA_PLATFORM defaults to "offscreen");
// - QStandardPaths in test mode, and QSettings (all formats and scopes) in a
//   temporary folder, under the program's organisation and application names;
// - a log in the temporary folder (the lines tests and commands write);
// - the scripted prompt service, reset before every test;
// - captured desktop opens, cleared before every test.
#ifndef TESTS_APP_SUPPORT_TEST_ENVIRONMENT_H
#define TESTS_APP_SUPPORT_TEST_ENVIRONMENT_H

#include "support/qt_printers.h"
#include "support/scripted_prompt_service.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace test_support {

// The installed prompt service.
ScriptedPromptService& prompts();

// The addresses handed to QDesktopServices::openUrl since the test began.
QList<QUrl> openedUrls();

// The process's temporary folder (settings in "settings", the log in "logs").
QString scratchPath();

// The lines of the current log file, in order.
QStringList logLines();

// Runs the event loop (deferred deletes included) until `condition` holds or
// `timeoutMs` passes; answers whether it held.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

} // namespace test_support

#endif
