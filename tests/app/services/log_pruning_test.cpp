// Which old logs go: the walk over logs least recently modified first, and the
// same on real files.
#include "shell/services/log_pruning.h"

#include "support/test_environment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QDateTime kRunStart(QDate(2031, 5, 13), QTime(12, 0));

struct Log {
    const char* name;
    QDateTime created;
};

struct PruneCase {
    const char* label;
    std::vector<Log> leastRecentlyModifiedFirst;
    QStringList pruned;
};

void PrintTo(const PruneCase& c, std::ostream* out) {
    *out << c.label;
}

class LogsToPruneTest : public ::testing::TestWithParam<PruneCase> {};

TEST_P(LogsToPruneTest, WalksFromTheLeastRecentlyModifiedToTheFirstYoungerLog) {
    QVector<LogFileDates> logs;
    for (const Log& log : GetParam().leastRecentlyModifiedFirst)
        logs.append({QString::fromLatin1(log.name), log.created});
    EXPECT_EQ(logsToPrune(logs, kRunStart), GetParam().pruned);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogsToPruneTest,
    ::testing::Values(PruneCase{"NoLogs", {}, {}},
                      PruneCase{"SevenDaysOldGoes", {{"a", kRunStart.addDays(-7)}}, {"a"}},
                      PruneCase{"SixDaysOldStopsTheWalkBeforeAnOlderOne",
                                {{"a", kRunStart.addDays(-6)}, {"b", kRunStart.addDays(-10)}},
                                {}},
                      PruneCase{"OldOnesGoUpToTheFirstYoungerOne",
                                {{"a", kRunStart.addDays(-12)},
                                 {"b", kRunStart.addDays(-8)},
                                 {"c", kRunStart.addDays(-3)},
                                 {"d", kRunStart.addDays(-30)}},
                                {"a", "b"}},
                      PruneCase{"CalendarDaysNotHours",
                                {{"a", QDateTime(QDate(2031, 5, 6), QTime(23, 59))},
                                 {"b", QDateTime(QDate(2031, 5, 7), QTime(0, 0))}},
                                {"a"}},
                      PruneCase{"ALogFromAfterTheRunStartStops",
                                {{"a", kRunStart.addSecs(3600)}, {"b", kRunStart.addDays(-9)}},
                                {}}),
    [](const ::testing::TestParamInfo<PruneCase>& info) { return std::string(info.param.label); });

TEST(PruneOldLogs, DeletesOnlyLogFilesAWeekOld) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList logs{"2031.01.01_10.00.00.000.txt", "2031.01.02_10.00.00.000.txt"};
    const QStringList others{"2031.01.01_10.00.00.000.dmp", "notes.txt", "x2031.01.01.txt"};
    QDateTime earliest;
    QDateTime latest;
    for (const QString& name : logs + others) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        // Where the file system keeps no birth time, the modification time counts.
        const QDateTime created = logFileCreated(QFileInfo(file.fileName()));
        ASSERT_TRUE(created.isValid());
        if (!earliest.isValid() || created < earliest) earliest = created;
        if (!latest.isValid() || created > latest) latest = created;
    }

    EXPECT_EQ(pruneOldLogs(QDir(dir.path()), earliest.addDays(6)), 0);
    for (const QString& name : logs + others)
        EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();

    EXPECT_EQ(pruneOldLogs(QDir(dir.path()), latest.addDays(7)), logs.size());
    for (const QString& name : logs)
        EXPECT_FALSE(QFile::exists(dir.filePath(name))) << name.toStdString();
    for (const QString& name : others)
        EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();
}

} // namespace
