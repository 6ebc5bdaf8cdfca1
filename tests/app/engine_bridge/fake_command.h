// Commands for driving a real VardekThread: they record every step into a
// journal (with the thread it ran on) and do in execute what the test asks.
#ifndef TESTS_APP_ENGINE_BRIDGE_FAKE_COMMAND_H
#define TESTS_APP_ENGINE_BRIDGE_FAKE_COMMAND_H

#include "engine_bridge/vardek_command.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// Steps in the order they happened, from any thread.
class Journal {
public:
    void add(const QString& event);
    QStringList events() const;
    // The events of the command `name` (those ending in " name"), in order.
    QStringList eventsOf(const QString& name) const;

private:
    mutable std::mutex mutex_;
    QStringList events_;
};

// Holds an execute until the test opens it (or ten seconds pass).
class Gate {
public:
    void open();
    // False when the gate stayed shut for ten seconds.
    bool pass();

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

struct FakeBehaviour {
    bool prepares = true;
    bool cancellable = true;
    bool countsAsChange = true;
    bool refreshesUndoCount = false;
    // finished() passes this to checkResult: 3, 5 and 8 kill the library.
    int finishedResult = 0;
    // Run by execute on the worker, after the journal entry.
    std::function<void()> execute;
};

class FakeCommand : public VardekCommand {
public:
    FakeCommand(Journal& journal, const QString& name, FakeBehaviour behaviour = {},
                GmModel* model = nullptr);
    ~FakeCommand() override;

    QString parameterText() const override;
    bool prepare() override;
    void execute() override;
    void finished() override;
    void discarded() override;
    bool isCancellable() const override { return behaviour_.cancellable; }
    bool countsAsChange() const override { return behaviour_.countsAsChange; }
    bool refreshesUndoCount() const override { return behaviour_.refreshesUndoCount; }

    // Commands not yet deleted.
    static std::atomic<int> alive;

private:
    void note(const char* step) const;

    Journal& journal_;
    FakeBehaviour behaviour_;
};

// An execute that reports progress every millisecond until the progress
// function answers 2 (or ten seconds pass); `cancelAnswers` counts the answers of 2.
std::function<void()> spinUntilCancelled(std::atomic<int>* cancelAnswers = nullptr);

// An execute that waits at the gate.
std::function<void()> waitAt(Gate& gate);

#endif
