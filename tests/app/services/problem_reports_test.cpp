// Problem reports: the dump of a crashed run and its log are kept for the user to send.
#include "shell/services/problem_reports.h"

#include "shell/services/log_pruning.h"
#include "shell/services/logger.h"
#include "support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = PromptService::Kind;

class ProblemReportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        logger_ = std::make_unique<Logger>(dir_.filePath(QStringLiteral("logs")));
        logs_ = QDir(logger_->folder());
    }

    void make(const QDir& folder, const QString& name) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8());
    }

    QTemporaryDir dir_;
    std::unique_ptr<Logger> logger_;
    QDir logs_;
};

TEST_F(ProblemReportsTest, KeepTheFirstDumpWithItsLogAndDeleteTheOtherDumps) {
    const QStringList runs{"2031.01.01_10.00.00.000", "2031.01.02_10.00.00.000"};
    for (const QString& run : runs) {
        make(logs_, run + ".dmp");
        make(logs_, run + ".txt");
    }
    const QString first = logs_.entryList({"*.dmp"}, QDir::Files, QDir::Unsorted).first();
    const QString firstRun = first.left(first.size() - 4);
    const QString otherRun = runs.at(runs.indexOf(firstRun) == 0 ? 1 : 0);
    ASSERT_TRUE(logs_.mkpath("Event"));
    const QDir event(logs_.filePath("Event"));
    make(event, "earlier.dmp");

    test_support::prompts().answer(PromptService::Ok);
    checkForProblemReports();

    EXPECT_EQ(event.entryList(QDir::Files, QDir::Name),
              (QStringList{firstRun + ".dmp", firstRun + ".txt"}));
    EXPECT_TRUE(logs_.entryList({"*.dmp"}, QDir::Files).isEmpty());
    EXPECT_TRUE(logs_.exists(otherRun + ".txt")) << "only dumps are deleted";
    ASSERT_EQ(test_support::prompts().asked().size(), 1);
    const auto& asked = test_support::prompts().asked().first();
    EXPECT_EQ(asked.kind, Kind::Information);
    EXPECT_EQ(asked.title, "Problem Reports Detected");
    EXPECT_TRUE(asked.text.startsWith("<p>Zeltran 3 recently shutdown unexpectedly."));
    EXPECT_TRUE(asked.text.contains(event.canonicalPath()));
    EXPECT_TRUE(asked.text.contains(problemReportAddress()));

    // The next start without a new crash says nothing.
    checkForProblemReports();
    EXPECT_EQ(test_support::prompts().asked().size(), 1);
    EXPECT_EQ(event.entryList(QDir::Files).size(), 2);
}

TEST_F(ProblemReportsTest, WithoutDumpsNothingHappens) {
    make(logs_, "2031.01.01_10.00.00.000.txt");
    checkForProblemReports();
    EXPECT_TRUE(test_support::prompts().asked().isEmpty());
    EXPECT_FALSE(logs_.exists("Event"));
}

TEST_F(ProblemReportsTest, WithoutAnEventFolderEveryDumpStaysAndIsReportedOnce) {
    const QStringList runs{"2031.01.01_10.00.00.000", "2031.01.02_10.00.00.000"};
    for (const QString& run : runs) {
        make(logs_, run + ".dmp");
        make(logs_, run + ".txt");
    }
    make(logs_, "Event"); // a file where the folder would go

    test_support::prompts().answer(PromptService::Ok);
    checkForProblemReports();

    // Both crashes are kept with their logs, where the user is told they are,
    // under names the log pruning does not take.
    QStringList kept;
    for (const QString& run : runs)
        kept << "reported-" + run + ".dmp"
             << "reported-" + run + ".txt";
    for (const QString& name : kept)
        EXPECT_TRUE(logs_.exists(name)) << name.toStdString();
    const QStringList pruned = logs_.entryList({logNameFilter()}, QDir::Files);
    for (const QString& run : runs)
        EXPECT_FALSE(pruned.contains(run + ".txt"));
    ASSERT_EQ(test_support::prompts().asked().size(), 1);
    EXPECT_TRUE(test_support::prompts().asked().first().text.contains(logs_.canonicalPath()));

    // Told once: the next start says nothing and keeps them.
    checkForProblemReports();
    EXPECT_EQ(test_support::prompts().asked().size(), 1);
    for (const QString& name : kept)
        EXPECT_TRUE(logs_.exists(name)) << name.toStdString();
}

} // namespace
