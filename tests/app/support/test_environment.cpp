#include "support/test_environment.h"

#include "shell/services/clock.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"
#include "support/url_capture.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace test_support {

namespace {

struct Environment {
    QTemporaryDir scratch;
    std::unique_ptr<Logger> logger;
    ScriptedPromptService prompts;
    std::unique_ptr<UrlCapture> urls;
};

Environment* environment = nullptr;

// Every test starts with an empty script, no captured opens and the system clock.
class ResetBetweenTests : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        environment->prompts.reset();
        environment->urls->clear();
        resetClock();
    }
};

} // namespace

ScriptedPromptService& prompts() {
    return environment->prompts;
}

QList<QUrl> openedUrls() {
    return environment->urls->urls();
}

QString scratchPath() {
    return environment->scratch.path();
}

QStringList logLines() {
    QStringList lines;
    Logger* logger = Logger::instance();
    if (!logger) return lines;
    QFile file(logger->filePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return lines;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    while (!in.atEnd())
        lines << in.readLine();
    return lines;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

} // namespace test_support

#if defined(__SANITIZE_ADDRESS__)
// Address-sanitizer builds of the application tests.
extern "C" {
// Full allocation stacks, also through Qt (built without frame pointers), so
// that a leak suppression can tell where a block came from.
const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
// Qt 5's offscreen platform plugin never frees its screen when the
// application ends. Nothing of ours may ever be listed here.
const char* __lsan_default_suppressions() {
    return "leak:libqoffscreen.so\n";
}
}
#endif

int main(int argc, char** argv) {
    // Test discovery runs the program at build time, with no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(organisationName());
    QCoreApplication::setApplicationName(applicationName());

    test_support::Environment environment;
    if (!environment.scratch.isValid()) {
        std::fprintf(stderr, "Cannot make a temporary folder\n");
        return 1;
    }
    const QString settings = environment.scratch.filePath(QStringLiteral("settings"));
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, settings);
    environment.logger =
        std::make_unique<Logger>(environment.scratch.filePath(QStringLiteral("logs")));
    environment.urls = std::make_unique<test_support::UrlCapture>();
    setPromptService(&environment.prompts);
    test_support::environment = &environment;

    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new test_support::ResetBetweenTests);
    const int result = RUN_ALL_TESTS();

    setPromptService(nullptr);
    test_support::environment = nullptr;
    return result;
}
