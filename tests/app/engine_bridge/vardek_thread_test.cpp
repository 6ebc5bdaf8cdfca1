// Fake commands on a real VardekThread: order, prepare failures, cancel,
// library faults, closing, the change counts, the undo-count query, progress
// and destruction.
#include "engine_bridge/vardek_thread.h"

#include "engine_bridge/vardek_command.h"
#include "fake_command.h"
#include "support/test_environment.h"
#include "vardek.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_support::logLines;
using test_support::waitFor;

class VardekThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(FakeCommand::alive, 0);
        thread_ = std::make_unique<VardekThread>();
        VardekThread* t = thread_.get();
        const auto note = [this](const char* what) {
            return [this, what](VardekCommand* c) {
                journal_.add(QStringLiteral("%1 %2").arg(QLatin1String(what), c->description()));
            };
        };
        QObject::connect(t, &VardekThread::commandStarted, t, note("started"));
        QObject::connect(t, &VardekThread::commandFinished, t, note("signalled-finished"));
        QObject::connect(t, &VardekThread::commandCancelling, t, note("cancelling"));
        QObject::connect(t, &VardekThread::commandDiscarded, t, note("signalled-discarded"));
        QObject::connect(t, &VardekThread::submissionRejectedLibraryDead, t, note("rejected"));
    }

    void TearDown() override {
        gate_.open();
        thread_.reset();
        EXPECT_TRUE(waitFor([] { return FakeCommand::alive == 0; })) << "commands were not deleted";
    }

    // Command names carry the test's name, so that log lines of other tests never match.
    QString name(const char* letter) const {
        return QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name())
                   .replace(QLatin1Char('/'), QLatin1Char('_')) +
               QLatin1Char('.') + QLatin1String(letter);
    }

    FakeCommand* command(const char* letter, FakeBehaviour behaviour = {}) {
        return new FakeCommand(journal_, name(letter), std::move(behaviour));
    }

    FakeBehaviour gated() {
        FakeBehaviour behaviour;
        behaviour.execute = waitAt(gate_);
        return behaviour;
    }

    // The command's steps without commandStarted, whose order against the
    // worker's execute is not fixed.
    QStringList stepsOf(const char* letter) const {
        QStringList steps = journal_.eventsOf(name(letter));
        steps.removeAll(QStringLiteral("started ") + name(letter));
        return steps;
    }

    // What a command that ran normally goes through.
    QStringList ranNormally(const char* letter) const {
        const QString n = name(letter);
        return {"prepare " + n, "execute@worker " + n, "signalled-finished " + n, "finished " + n};
    }

    QStringList wasDiscarded(const char* letter) const {
        const QString n = name(letter);
        return {"signalled-discarded " + n, "discarded " + n};
    }

    // The command's log lines, without their time stamps (which are checked).
    QStringList logOf(const char* letter) const {
        static const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
        const QString marker = name(letter) + QStringLiteral(" - ");
        QStringList mine;
        for (const QString& line : logLines()) {
            if (!line.contains(marker)) continue;
            EXPECT_TRUE(stamp.match(line).hasMatch()) << line.toStdString();
            mine << line.mid(13);
        }
        return mine;
    }

    int indexOf(const QString& event) const { return journal_.events().indexOf(event); }

    bool waitIdle() {
        return waitFor([this] { return !thread_->isBusy() && thread_->queuedCount() == 0; });
    }

    Journal journal_;
    Gate gate_;
    std::unique_ptr<VardekThread> thread_;
};

TEST_F(VardekThreadTest, RunsCommandsOneAtATimeInSubmissionOrder) {
    QSignalSpy emptied(thread_.get(), &VardekThread::queueEmptied);
    thread_->submit(command("A", gated()));
    // An idle thread prepares the command at once, inside submit.
    EXPECT_EQ(journal_.events().value(0), "prepare " + name("A"));
    thread_->submit(command("B"));
    thread_->submit(command("C"));
    EXPECT_EQ(thread_->queuedCount(), 2);

    gate_.open();
    ASSERT_TRUE(waitIdle());
    QStringList expected = ranNormally("A") + ranNormally("B") + ranNormally("C");
    QStringList events = journal_.events();
    events.erase(std::remove_if(events.begin(), events.end(),
                                [](const QString& e) { return e.startsWith("started "); }),
                 events.end());
    EXPECT_EQ(events, expected);
    for (const char* letter : {"A", "B", "C"}) {
        EXPECT_EQ(journal_.events().count("started " + name(letter)), 1) << letter;
        const QString p = QStringLiteral(" (param of %1)").arg(name(letter));
        EXPECT_EQ(logOf(letter),
                  (QStringList{name(letter) + " - prepare" + p, name(letter) + " - execute" + p,
                               name(letter) + " - hasFinished" + p}));
    }
    EXPECT_EQ(emptied.count(), 1);
}

TEST_F(VardekThreadTest, AFailedPrepareSkipsExecuteButStillFinishes) {
    QSignalSpy emptied(thread_.get(), &VardekThread::queueEmptied);
    FakeBehaviour failing;
    failing.prepares = false;
    QPointer<FakeCommand> x = command("X", failing);
    thread_->submit(x);

    // All of it happened inside submit, yet the command is still there for
    // the caller to connect to; it is deleted once the event loop runs.
    const QString n = name("X");
    EXPECT_EQ(journal_.eventsOf(n),
              (QStringList{"prepare " + n, "signalled-finished " + n, "finished " + n}));
    EXPECT_EQ(emptied.count(), 1);
    EXPECT_FALSE(x.isNull());
    EXPECT_EQ(logOf("X"),
              (QStringList{n + " - prepare (param of " + n + ")", n + " - prepare failed",
                           n + " - hasFinished (param of " + n + ")"}));
    EXPECT_TRUE(waitFor([&x] { return x.isNull(); }));
}

struct UncancellableCase {
    const char* label;
    int mode;
    bool cancellable;
};

void PrintTo(const UncancellableCase& c, std::ostream* out) {
    *out << c.label;
}

class UncancellableCommandTest : public VardekThreadTest,
                                 public ::testing::WithParamInterface<UncancellableCase> {};

TEST_P(UncancellableCommandTest, IgnoresCancelWhileQueuedCommandsAreStillDiscarded) {
    FakeBehaviour behaviour = gated();
    behaviour.cancellable = GetParam().cancellable;
    FakeCommand* a = command("A", behaviour);
    thread_->submit(a, GetParam().mode);
    thread_->submit(command("Q"));

    EXPECT_FALSE(thread_->canCancel()) << "even with a cancellable command queued";
    thread_->cancel(a);
    EXPECT_FALSE(thread_->isCancelling());
    thread_->cancelCommandsSlot();
    EXPECT_FALSE(thread_->isCancelling());
    EXPECT_EQ(thread_->queuedCount(), 0);
    EXPECT_FALSE(thread_->canCancel());

    gate_.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(stepsOf("A"), ranNormally("A"));
    EXPECT_EQ(stepsOf("Q"), wasDiscarded("Q"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, UncancellableCommandTest,
                         ::testing::Values(UncancellableCase{"SubmittedNotCancellable",
                                                             VardekThread::NotCancellable, true},
                                           UncancellableCase{"NeverCancellable",
                                                             VardekThread::Ordinary, false}),
                         [](const ::testing::TestParamInfo<UncancellableCase>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(VardekThreadTest, CancelAllStopsTheCurrentCommandAndDiscardsQueuedOnesNewestFirst) {
    std::atomic<int> cancelAnswers{0};
    FakeBehaviour spinning;
    spinning.execute = spinUntilCancelled(&cancelAnswers);
    FakeBehaviour uncancellable;
    uncancellable.cancellable = false;
    thread_->submit(command("A", spinning));
    thread_->submit(command("B"));
    thread_->submit(command("C", uncancellable));
    thread_->submit(command("D"));
    EXPECT_TRUE(thread_->canCancel());

    thread_->cancelCommandsSlot();
    EXPECT_TRUE(thread_->isCancelling());
    EXPECT_EQ(thread_->queuedCount(), 1) << "C may not be cancelled and stays";
    EXPECT_GE(indexOf("cancelling " + name("A")), 0);
    EXPECT_LT(indexOf("signalled-discarded " + name("D")),
              indexOf("signalled-discarded " + name("B")));

    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(cancelAnswers.load(), 1) << "the engine call of A was told to stop";
    EXPECT_EQ(stepsOf("B"), wasDiscarded("B"));
    EXPECT_EQ(stepsOf("D"), wasDiscarded("D"));
    EXPECT_EQ(stepsOf("C"), ranNormally("C"));
    EXPECT_TRUE(logOf("A").contains(name("A") + " - cancelling (param of " + name("A") + ")"));
    EXPECT_EQ(logOf("D"), QStringList{name("D") + " - discarded (param of " + name("D") + ")"});
}

TEST_F(VardekThreadTest, CanCancelWhileACommandIsQueuedOrRunsNotYetCancelling) {
    EXPECT_FALSE(thread_->canCancel()) << "idle";
    FakeBehaviour spinning;
    spinning.execute = spinUntilCancelled();
    FakeCommand* a = command("A", spinning);
    thread_->submit(a);
    EXPECT_TRUE(thread_->canCancel()) << "running";
    thread_->cancel(a);
    EXPECT_FALSE(thread_->canCancel()) << "already cancelling, nothing queued";
    thread_->submit(command("B"));
    EXPECT_TRUE(thread_->canCancel()) << "cancelling, one queued";
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(thread_->canCancel());
}

TEST_F(VardekThreadTest, CancellingAQueuedCommandDiscardsOnlyThatOne) {
    QSignalSpy state(thread_.get(), &VardekThread::stateChanged);
    thread_->submit(command("A", gated()));
    FakeCommand* b = command("B");
    thread_->submit(b);
    thread_->submit(command("C"));
    state.clear();

    thread_->cancel(b);
    EXPECT_EQ(stepsOf("B"), wasDiscarded("B"));
    EXPECT_EQ(thread_->queuedCount(), 1);
    EXPECT_FALSE(thread_->isCancelling());
    EXPECT_EQ(state.count(), 1);

    // A command the thread does not hold is ignored.
    FakeCommand stranger(journal_, name("Stranger"));
    thread_->cancel(&stranger);
    EXPECT_TRUE(journal_.eventsOf(name("Stranger")).isEmpty());
    EXPECT_EQ(state.count(), 1);

    gate_.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(stepsOf("A"), ranNormally("A"));
    EXPECT_EQ(stepsOf("C"), ranNormally("C"));
}

TEST_F(VardekThreadTest,
       TheProgressFunctionReportsOnTheUserInterfaceThreadAndAnswersTwoWhileCancelling) {
    struct Report {
        int percent;
        void* userData;
        bool onUiThread;
    };
    QList<Report> reports;
    QObject::connect(
        thread_.get(), &VardekThread::commandProgress, thread_.get(),
        [&reports](int percent, void* userData) {
            reports.append({percent, userData, QThread::currentThread() == qApp->thread()});
        });
    std::atomic<int> firstAnswer{-1};
    std::atomic<int> cancelAnswers{0};
    FakeBehaviour behaviour;
    const auto spin = spinUntilCancelled(&cancelAnswers);
    behaviour.execute = [this, &firstAnswer, spin] {
        firstAnswer = vardekProgressCallback(42, 7);
        gate_.pass();
        spin();
    };
    FakeCommand* a = command("A", behaviour);
    thread_->submit(a);

    ASSERT_TRUE(waitFor([&reports] { return !reports.isEmpty(); }));
    EXPECT_EQ(reports.first().percent, 42);
    EXPECT_EQ(reports.first().userData, reinterpret_cast<void*>(7));
    EXPECT_TRUE(reports.first().onUiThread);
    EXPECT_EQ(firstAnswer.load(), 0);

    thread_->cancel(a);
    gate_.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(cancelAnswers.load(), 1);
}

struct FaultCase {
    int code;
    const char* text;
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << "code " << c.code;
}

class LibraryFaultTest : public VardekThreadTest,
                         public ::testing::WithParamInterface<FaultCase> {};

TEST_P(LibraryFaultTest, KillsTheLibraryDiscardsTheQueueAndRejectsLaterCommands) {
    QSignalSpy dead(thread_.get(), &VardekThread::deadLibrary);
    FakeBehaviour faulty = gated();
    faulty.finishedResult = GetParam().code;
    thread_->submit(command("A", faulty));
    thread_->submit(command("B"));
    thread_->submit(command("C"), VardekThread::NotCancellable);
    const int changes = thread_->changeCount();

    gate_.open();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(dead.count(), 1);
    EXPECT_EQ(dead.at(0).at(0).toString(), name("A"));
    EXPECT_EQ(dead.at(0).at(1).toString(), QString::fromLatin1(GetParam().text));
    EXPECT_TRUE(thread_->isLibraryDead());
    // Listeners heard of the finish before finished() threw.
    EXPECT_EQ(stepsOf("A"), ranNormally("A"));
    // Once the library is dead, even a command that may not be cancelled goes.
    EXPECT_EQ(stepsOf("B"), wasDiscarded("B"));
    EXPECT_EQ(stepsOf("C"), wasDiscarded("C"));
    EXPECT_LT(indexOf("signalled-discarded " + name("C")),
              indexOf("signalled-discarded " + name("B")));

    QPointer<FakeCommand> late = command("Late");
    thread_->submit(late);
    EXPECT_EQ(journal_.eventsOf(name("Late")), QStringList{"rejected " + name("Late")});
    EXPECT_EQ(thread_->queuedCount(), 0);
    EXPECT_FALSE(thread_->isBusy());
    EXPECT_EQ(thread_->changeCount(), changes);
    EXPECT_EQ(dead.count(), 1);
    EXPECT_TRUE(waitFor([&late] { return late.isNull(); }));
}

INSTANTIATE_TEST_SUITE_P(FatalResults, LibraryFaultTest,
                         ::testing::Values(FaultCase{VkOutOfMemory, "Out of memory"},
                                           FaultCase{VkEngineFailed, "Vardek library fault"},
                                           FaultCase{VkUndoOutOfMemory, "Out of memory"}),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return "Code" + std::to_string(info.param.code);
                         });

TEST_F(VardekThreadTest, AClosedThreadRefusesSubmissionsAndDrainsItsQueueAtHighPriority) {
    QSignalSpy emptied(thread_.get(), &VardekThread::queueEmptied);
    QSignalSpy closure(thread_.get(), &VardekThread::closureComplete);
    std::atomic<int> priorityA{-1};
    std::atomic<int> priorityB{-1};
    FakeBehaviour a;
    a.execute = [this, &priorityA] {
        gate_.pass();
        priorityA = QThread::currentThread()->priority();
    };
    FakeBehaviour b;
    b.execute = [&priorityB] { priorityB = QThread::currentThread()->priority(); };
    thread_->submit(command("A", a));
    thread_->submit(command("B", b));

    thread_->setOpen(false);
    QPointer<FakeCommand> late = command("Late");
    thread_->submit(late);
    EXPECT_TRUE(journal_.eventsOf(name("Late")).isEmpty());
    EXPECT_EQ(thread_->queuedCount(), 1);
    EXPECT_TRUE(logLines().last().endsWith(
        "Trapped a VardekCommand being submitted when VardekThread is closed"));

    gate_.open();
    ASSERT_TRUE(waitFor([&closure] { return closure.count() == 1; }));
    EXPECT_EQ(emptied.count(), 0);
    EXPECT_EQ(stepsOf("B"), ranNormally("B"));
    EXPECT_EQ(priorityA.load(), QThread::HighPriority) << "raised when the thread closed";
    EXPECT_EQ(priorityB.load(), QThread::HighPriority);
    EXPECT_TRUE(waitFor([&late] { return late.isNull(); }));

    thread_->setOpen(true);
    thread_->submit(command("E", b));
    ASSERT_TRUE(waitFor([&emptied] { return emptied.count() == 1; }));
    EXPECT_EQ(priorityB.load(), QThread::LowPriority);
    EXPECT_EQ(closure.count(), 1);
}

TEST_F(VardekThreadTest, TheChangeCountCountsAcceptedSubmissionsOfCommandsThatCountAsChanges) {
    struct Step {
        const char* letter;
        bool countsAsChange;
        bool prepares;
        int expectedCount;
    };
    // A is held at the gate so that the others queue behind it.
    thread_->submit(command("A", gated()));
    ASSERT_EQ(thread_->changeCount(), 1);
    const Step steps[] = {
        {"B", true, true, 2},  // counts
        {"C", false, true, 2}, // does not count as a change
        {"D", true, false, 3}, // counts even though its prepare will fail
        {"E", true, true, 4},  // counts even though it is cancelled below
    };
    FakeCommand* e = nullptr;
    for (const Step& step : steps) {
        FakeBehaviour behaviour;
        behaviour.countsAsChange = step.countsAsChange;
        behaviour.prepares = step.prepares;
        FakeCommand* cmd = command(step.letter, behaviour);
        if (step.letter == std::string("E")) e = cmd;
        thread_->submit(cmd);
        EXPECT_EQ(thread_->changeCount(), step.expectedCount) << step.letter;
    }
    thread_->cancel(e);
    EXPECT_EQ(thread_->changeCount(), 4);
    thread_->setOpen(false);
    thread_->submit(command("Refused"));
    EXPECT_EQ(thread_->changeCount(), 4) << "a refused command is no change";
    thread_->setOpen(true);
    gate_.open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(thread_->changeCount(), 4);
}

TEST_F(VardekThreadTest, TheLastCutoutChangeCountIsWrittenOnTheWorkerAndReadHere) {
    VardekThread::setLastCutoutChangeCount(0);
    FakeBehaviour generate;
    generate.execute = [] { VardekThread::setLastCutoutChangeCount(1); };
    thread_->submit(command("A", generate));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(VardekThread::lastCutoutChangeCount(), 1);
    VardekThread::setLastCutoutChangeCount(0);
}

TEST_F(VardekThreadTest, TheUndoCountQueryRunsInlineAfterCommandsThatChangeTheUndoStack) {
    // Stands for the document; never dereferenced.
    GmModel* const model = reinterpret_cast<GmModel*>(&journal_);
    QList<GmModel*> models;
    bool queryPrepares = true;
    thread_->setUndoCountQueryFactory([&](GmModel* m) {
        models << m;
        FakeBehaviour query;
        query.prepares = queryPrepares;
        return new FakeCommand(journal_, name("Query"), query, m);
    });
    FakeBehaviour refreshing = gated();
    refreshing.refreshesUndoCount = true;
    thread_->submit(new FakeCommand(journal_, name("A"), refreshing, model));
    thread_->submit(command("B"));
    FakeBehaviour failingRefresh;
    failingRefresh.refreshesUndoCount = true;
    failingRefresh.prepares = false;
    thread_->submit(new FakeCommand(journal_, name("C"), failingRefresh, model));
    gate_.open();
    ASSERT_TRUE(waitIdle());

    QStringList events = journal_.events();
    events.erase(std::remove_if(events.begin(), events.end(),
                                [](const QString& e) { return e.startsWith("started "); }),
                 events.end());
    const QString q = name("Query");
    const QString c = name("C");
    // The query runs entirely on this thread, after finished(), without signals.
    const QStringList query{"prepare " + q, "execute " + q, "finished " + q};
    const QStringList failedPrepare{"prepare " + c, "signalled-finished " + c, "finished " + c};
    EXPECT_EQ(events, ranNormally("A") + query + ranNormally("B") + failedPrepare + query);
    EXPECT_EQ(models, (QList<GmModel*>{model, model}));
    EXPECT_TRUE(logOf("Query").isEmpty());

    // Without a session the query's prepare fails and nothing more happens.
    queryPrepares = false;
    thread_->submit(new FakeCommand(journal_, name("D"), failingRefresh, model));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(journal_.events().mid(journal_.events().indexOf("finished " + name("D")) + 1),
              QStringList{"prepare " + q});
}

TEST_F(VardekThreadTest, DestructionAbandonsTheRunningCommandAndDeletesEveryCommandAtOnce) {
    EXPECT_EQ(VardekThread::instance(), thread_.get());
    std::atomic<int> abandonAnswers{0};
    FakeBehaviour spinning;
    spinning.execute = spinUntilCancelled(&abandonAnswers);
    thread_->submit(command("A", spinning));
    thread_->submit(command("B"));
    thread_->submit(command("C"));
    ASSERT_TRUE(
        waitFor([this] { return journal_.events().contains("execute@worker " + name("A")); }));

    thread_.reset();
    EXPECT_EQ(abandonAnswers.load(), 1);
    EXPECT_EQ(FakeCommand::alive, 0);
    EXPECT_EQ(VardekThread::instance(), nullptr);
    EXPECT_EQ(stepsOf("A"), (QStringList{"prepare " + name("A"), "execute@worker " + name("A")}));
    EXPECT_TRUE(stepsOf("B").isEmpty());
    EXPECT_TRUE(stepsOf("C").isEmpty());
}

} // namespace
