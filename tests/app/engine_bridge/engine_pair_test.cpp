// A real engine started and finished through the thread, as every document does.
#include "engine_bridge/vardek_thread.h"
#include "fake_command.h"
#include "support/test_environment.h"
#include "vardek.h"

#include <gtest/gtest.h>

namespace {

TEST(VardekThreadWithTheEngine, InitialisesAndFinishesAnEngine) {
    VardekThread thread;
    Journal journal;
    VkEngine* engine = nullptr;
    VkResult finishResult = -1;

    FakeBehaviour init;
    init.execute = [&engine] { engine = VkInit(); };
    FakeBehaviour finish;
    finish.execute = [&engine, &finishResult] { finishResult = VkFinish(engine); };
    thread.submit(new FakeCommand(journal, QStringLiteral("EnginePair.Init"), init));
    thread.submit(new FakeCommand(journal, QStringLiteral("EnginePair.Finish"), finish));
    ASSERT_TRUE(test_support::waitFor([&] { return !thread.isBusy(); }));

    EXPECT_NE(engine, nullptr);
    EXPECT_EQ(finishResult, VkOk);
    QStringList steps;
    for (const QString& line : test_support::logLines())
        if (line.contains(QStringLiteral("EnginePair."))) steps << line.mid(13);
    EXPECT_EQ(steps, (QStringList{
                         "EnginePair.Init - prepare (param of EnginePair.Init)",
                         "EnginePair.Init - execute (param of EnginePair.Init)",
                         "EnginePair.Init - hasFinished (param of EnginePair.Init)",
                         "EnginePair.Finish - prepare (param of EnginePair.Finish)",
                         "EnginePair.Finish - execute (param of EnginePair.Finish)",
                         "EnginePair.Finish - hasFinished (param of EnginePair.Finish)",
                     }));
    EXPECT_TRUE(test_support::waitFor([] { return FakeCommand::alive == 0; }));
}

} // namespace
