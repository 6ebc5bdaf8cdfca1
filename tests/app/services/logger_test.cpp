// The run's log: its file and lines, Qt message routing, threads, fallbacks.
#include "shell/services/logger.h"

#include "shell/services/log_pruning.h"

#include "support/fixed_clock.h"
#include "support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using test_support::FixedClock;

const QDateTime kRunStart(QDate(2031, 5, 6), QTime(7, 8, 9, 10));
const QFile::Permissions kGroupOrOther = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                         QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

QStringList readLines(const QString& path) {
    QStringList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return lines;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    while (!in.atEnd())
        lines << in.readLine();
    return lines;
}

// Collects the Qt messages that reach the process's handler.
QStringList* capturedMessages = nullptr;
void captureMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (capturedMessages) capturedMessages->append(message);
}

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString folder() const { return dir_.filePath(QStringLiteral("logs")); }

    QTemporaryDir dir_;
};

TEST_F(LoggerTest, WritesOneFileNamedAfterTheRunStartWithTimeStampedLines) {
    FixedClock clock(kRunStart);
    Logger* outer = Logger::instance();
    {
        Logger logger(folder());
        EXPECT_EQ(Logger::instance(), &logger);
        const QString base = QDir(folder()).absoluteFilePath("2031.05.06_07.08.09.010");
        const QString path = base + ".txt";
        EXPECT_EQ(logger.filePath(), path);
        EXPECT_TRUE(logger.errorText().isEmpty());
        EXPECT_EQ(sessionLogBaseName(), base);
        EXPECT_EQ(crashDumpPath(), base + ".dmp");
        EXPECT_EQ(sessionStartTime(), kRunStart);
        EXPECT_EQ(logFolder().absolutePath(), QDir(folder()).absolutePath());
        // Logs may name the user's files: only the user reads them.
        EXPECT_EQ(QFile::permissions(folder()) & kGroupOrOther, QFile::Permissions());
        EXPECT_EQ(QFile::permissions(path) & kGroupOrOther, QFile::Permissions());

        clock.advance(1500);
        logStream() << "value " << 42 << endLogLine;
        logStream() << "ended with its statement";
        clock.set(QDateTime(QDate(2031, 5, 6), QTime(23, 59, 59, 999)));
        logger.writeLine(QStringLiteral("last \u00e9t\u00e9"));

        EXPECT_EQ(readLines(path),
                  (QStringList{"07:08:09.010 " + path, "07:08:10.510 value 42",
                               "07:08:10.510 ended with its statement",
                               QStringLiteral("23:59:59.999 last \u00e9t\u00e9")}));
    }
    EXPECT_EQ(Logger::instance(), outer) << "the logger it replaced is back";
}

TEST(LogTimestamp, IsHoursMinutesSecondsAndMillisecondsWithATrailingBlank) {
    const struct {
        QTime time;
        const char* stamp;
    } cases[] = {
        {QTime(0, 0, 0, 0), "00:00:00.000 "},
        {QTime(9, 5, 3, 7), "09:05:03.007 "},
        {QTime(23, 59, 59, 999), "23:59:59.999 "},
    };
    for (const auto& c : cases) {
        FixedClock clock(QDateTime(QDate(2031, 1, 1), c.time));
        EXPECT_EQ(logTimestamp(), QString::fromLatin1(c.stamp));
    }
}

TEST_F(LoggerTest, LinesFromManyThreadsStayWhole) {
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    Logger logger(folder());
    logger.installMessageHandler();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                if (i % 2)
                    logStream() << "thread " << t << " line " << i << endLogLine;
                else
                    qWarning("thread %d line %d", t, i);
            }
        });
    for (std::thread& thread : threads)
        thread.join();

    QStringList lines = readLines(logger.filePath());
    ASSERT_FALSE(lines.isEmpty());
    lines.removeFirst(); // the file's path
    ASSERT_EQ(lines.size(), kThreads * kLines);
    const QRegularExpression whole(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d (thread \\d line \\d+)$"));
    QSet<QString> seen;
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = whole.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        seen.insert(match.captured(1));
    }
    EXPECT_EQ(seen.size(), kThreads * kLines);
}

TEST_F(LoggerTest, QtWarningsGoToTheLogOnlyAndDebugMessagesNowhere) {
    const QtMessageHandler before = qInstallMessageHandler(captureMessage);
    std::stringstream standardError;
    std::streambuf* realStandardError = std::cerr.rdbuf(standardError.rdbuf());
    QStringList lines;
    QString path;
    {
        Logger logger(folder());
        logger.installMessageHandler();
        path = logger.filePath();
        qDebug("debug-marker");
        qInfo("info-marker");
        qWarning("warning-marker");
        qCritical("critical-marker");
        lines = readLines(path);
        EXPECT_TRUE(standardError.str().empty()) << standardError.str();

        logger.setRouting(QtWarningMsg, true, false);
        qWarning("to-standard-error");
        EXPECT_EQ(standardError.str(), "to-standard-error\n");
    }
    std::cerr.rdbuf(realStandardError);
    const QtMessageHandler restored = qInstallMessageHandler(before);
    EXPECT_EQ(restored, captureMessage) << "the previous handler comes back";

    const QString text = lines.join('\n');
    EXPECT_TRUE(text.contains("warning-marker"));
    EXPECT_TRUE(text.contains("critical-marker"));
    EXPECT_FALSE(text.contains("debug-marker"));
    EXPECT_FALSE(text.contains("info-marker"));
    EXPECT_FALSE(readLines(path).join('\n').contains("to-standard-error"));
}

TEST_F(LoggerTest, AFatalMessageIsLoggedAndAborts) {
    Logger logger(folder());
    logger.installMessageHandler();
    const QString path = logger.filePath();
    EXPECT_DEATH(qFatal("fatal-marker"), "");
    ASSERT_FALSE(readLines(path).isEmpty());
    EXPECT_TRUE(readLines(path).last().endsWith("fatal-marker"));
}

TEST_F(LoggerTest, LogsIntoMemoryWhenTheFolderCannotBeMade) {
    QFile blocker(dir_.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString unmakeable = dir_.filePath(QStringLiteral("blocker/logs"));

    QStringList messages;
    capturedMessages = &messages;
    const QtMessageHandler before = qInstallMessageHandler(captureMessage);
    {
        Logger logger(unmakeable);
        EXPECT_EQ(logger.errorText(), "Failed to mkdir " + unmakeable);
        EXPECT_TRUE(logger.filePath().isEmpty());
        logStream() << "still logging" << endLogLine;
        EXPECT_TRUE(logger.memoryText().startsWith(logger.errorText()));
        EXPECT_TRUE(logger.memoryText().contains("still logging"));
    }
    qInstallMessageHandler(before);
    capturedMessages = nullptr;
    EXPECT_EQ(messages, QStringList{"Could not establish logger: Failed to mkdir " + unmakeable});
}

TEST_F(LoggerTest, FallsBackToTheNullDeviceWhenTheFileCannotBeOpened) {
    FixedClock clock(kRunStart);
    // A folder where this run's file would go.
    ASSERT_TRUE(QDir(folder()).mkpath(QStringLiteral("2031.05.06_07.08.09.010.txt")));
    Logger logger(folder());
    EXPECT_EQ(logger.filePath(), QStringLiteral("/dev/null"));
    EXPECT_TRUE(logger.errorText().isEmpty());
    logStream() << "into nothing" << endLogLine;
    EXPECT_TRUE(QFileInfo(logger.baseName() + ".txt").isDir());
}

TEST_F(LoggerTest, DeletesLogsAWeekOldWhenItStarts) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QString old = QDir(folder()).filePath(QStringLiteral("2031.01.01_00.00.00.000.txt"));
    const QString dump = QDir(folder()).filePath(QStringLiteral("2031.01.01_00.00.00.000.dmp"));
    for (const QString& path : {old, dump}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QDateTime created = logFileCreated(QFileInfo(old));
    FixedClock clock(created.addDays(8));
    Logger logger(folder());
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_TRUE(QFile::exists(dump)) << "only logs are pruned";
    EXPECT_TRUE(QFile::exists(logger.filePath()));
}

} // namespace
