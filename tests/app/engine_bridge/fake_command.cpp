#include "fake_command.h"

#include "vardek.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <thread>

std::atomic<int> FakeCommand::alive{0};

void Journal::add(const QString& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_ << event;
}

QStringList Journal::events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    // A copy of its own: a shared one would let the worker's next append
    // reallocate the list while this thread still holds it.
    QStringList copy;
    copy.reserve(events_.size());
    for (const QString& event : events_)
        copy << event;
    return copy;
}

QStringList Journal::eventsOf(const QString& name) const {
    QStringList mine;
    for (const QString& event : events())
        if (event.endsWith(QLatin1Char(' ') + name)) mine << event;
    return mine;
}

void Gate::open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    opened_.notify_all();
}

bool Gate::pass() {
    std::unique_lock<std::mutex> lock(mutex_);
    return opened_.wait_for(lock, std::chrono::seconds(10), [this] { return open_; });
}

FakeCommand::FakeCommand(Journal& journal, const QString& name, FakeBehaviour behaviour,
                         GmModel* model)
    : VardekCommand(model, name), journal_(journal), behaviour_(std::move(behaviour)) {
    ++alive;
}

FakeCommand::~FakeCommand() {
    --alive;
}

void FakeCommand::note(const char* step) const {
    const bool onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    journal_.add(QStringLiteral("%1%2 %3").arg(QString::fromLatin1(step),
                                               onUiThread ? QString() : QStringLiteral("@worker"),
                                               description()));
}

QString FakeCommand::parameterText() const {
    return QStringLiteral("param of %1").arg(description());
}

bool FakeCommand::prepare() {
    note("prepare");
    return behaviour_.prepares;
}

void FakeCommand::execute() {
    note("execute");
    if (behaviour_.execute) behaviour_.execute();
}

void FakeCommand::finished() {
    note("finished");
    checkResult(behaviour_.finishedResult);
}

void FakeCommand::discarded() {
    note("discarded");
}

std::function<void()> spinUntilCancelled(std::atomic<int>* cancelAnswers) {
    return [cancelAnswers] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (vardekProgressCallback(50, 0) == 2) {
                if (cancelAnswers) ++*cancelAnswers;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
}

std::function<void()> waitAt(Gate& gate) {
    return [&gate] { gate.pass(); };
}
