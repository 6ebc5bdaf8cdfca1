// The crash guard in a program that faults: one dump beside the run's log,
// owner-only, the message program run once, and exit code 255.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

class CrashGuardTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString logs() const { return dir_.filePath("logs"); }
    QString marker() const { return dir_.filePath("message-runs"); }

    // A message program that notes each run, then runs `more` (shell).
    QString writeMessageProgram(const QString& more = QString()) const {
        const QString path = dir_.filePath("message");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("#!/bin/sh\necho ran >> '%1'\n%2\n").arg(marker(), more).toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // Runs the probe to its end.
    void runProbe(const QString& messageProgram, const QString& fault) {
        probe_.start(QStringLiteral(CRASH_GUARD_PROBE), {logs(), messageProgram, fault});
        ASSERT_TRUE(probe_.waitForFinished(30000)) << probe_.errorString().toStdString();
    }

    QStringList filesIn(const QString& pattern) const {
        return QDir(logs()).entryList({pattern}, QDir::Files, QDir::Name);
    }

    int messageRuns() const {
        QFile file(marker());
        if (!file.open(QIODevice::ReadOnly)) return 0;
        return file.readAll().count('\n');
    }

    QTemporaryDir dir_;
    QProcess probe_;
};

TEST_F(CrashGuardTest, AFaultLeavesOneOwnerOnlyDumpNamedAfterTheRunsLogAndExits255) {
    const char* faults[] = {"fault", "abort", "overflow"};
    const int signalNumbers[] = {11, 6, 11};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(faults[i]);
        QDir(logs()).removeRecursively();
        QFile::remove(marker());
        runProbe(writeMessageProgram(), faults[i]);
        EXPECT_EQ(probe_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(probe_.exitCode(), 255);

        const QStringList logFiles = filesIn("*.txt");
        const QStringList dumps = filesIn("*.dmp");
        ASSERT_EQ(logFiles.size(), 1);
        ASSERT_EQ(dumps.size(), 1);
        EXPECT_EQ(QFileInfo(dumps.first()).completeBaseName(),
                  QFileInfo(logFiles.first()).completeBaseName());

        QFile dump(QDir(logs()).filePath(dumps.first()));
        EXPECT_EQ(dump.permissions() &
                      (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                  QFile::Permissions());
        ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(dump.readAll());
        EXPECT_TRUE(text.contains(QStringLiteral("Signal: %1 ").arg(signalNumbers[i])))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Address: 0x")));
        EXPECT_TRUE(text.contains(QStringLiteral("Backtrace:\n")));
        EXPECT_GT(text.count(QLatin1Char('\n')), 5) << "no frames in the backtrace";

        EXPECT_EQ(messageRuns(), 1);
    }
}

// The commonest crash: the allocator stops the program over a corrupted heap
// while it holds its own lock. Starting the message program must not wait for
// that lock. The sanitizers replace the allocator and report the double free
// themselves, so they skip it.
TEST_F(CrashGuardTest, ACorruptedHeapFoundInsideFreeStillShowsTheMessageAndExits255) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocators stop a double free themselves";
#endif
    runProbe(writeMessageProgram(), QStringLiteral("heap"));
    EXPECT_EQ(probe_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe_.exitCode(), 255);
    EXPECT_EQ(filesIn("*.dmp").size(), 1);
    EXPECT_EQ(messageRuns(), 1);
}

TEST_F(CrashGuardTest, AFaultWhileTheGuardRunsTakesTheDefaultActionAndKeepsOneDump) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP()
        << "the thread sanitizer holds a signal sent while a handler runs until it returns";
#endif
    // The message program faults its parent, the guard, while it waits.
    runProbe(writeMessageProgram(QStringLiteral("kill -SEGV $PPID")), QStringLiteral("fault"));
    EXPECT_EQ(probe_.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(filesIn("*.dmp").size(), 1);
    EXPECT_EQ(messageRuns(), 1);
}

TEST_F(CrashGuardTest, AMissingMessageProgramStillLeavesTheDumpAndExits255) {
    runProbe(dir_.filePath("no-such-program"), QStringLiteral("fault"));
    EXPECT_EQ(probe_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe_.exitCode(), 255);
    EXPECT_EQ(filesIn("*.dmp").size(), 1);
}

} // namespace
