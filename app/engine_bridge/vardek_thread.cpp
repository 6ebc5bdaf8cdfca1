#include "engine_bridge/vardek_thread.h"

#include "engine_bridge/vardek_command.h"
#include "engine_bridge/vk_cmd_num_available_undo_redo.h"
#include "shell/services/logger.h"

#include <cstdint>
#include <exception>
#include <memory>

namespace {

// The progress function's answer that makes the engine stop and return 2.
constexpr int kCancelAnswer = 2;

std::atomic<VardekThread*> theThread{nullptr};
std::atomic<int> lastCutoutCount{0};

void logCommandLine(const char* format, VardekCommand* cmd) {
    logStream() << QString::fromLatin1(format).arg(cmd->description(), cmd->parameterText())
                << endLogLine;
}

} // namespace

VardekThread::VardekThread(QObject* parent)
    : QThread(parent), undoCountQuery_([](GmModel* model) -> VardekCommand* {
          return new VkCmdNumAvailableUndoRedo(model);
      }) {
    setObjectName(QStringLiteral("VardekThread"));
    theThread.store(this);
    // finished() is emitted on the worker; the finish step runs here, on the
    // user-interface thread.
    connect(this, &QThread::finished, this, &VardekThread::commandThreadFinishedSlot,
            Qt::QueuedConnection);
}

VardekThread::~VardekThread() {
    abandon_.store(true);
    // A QThread must not be destroyed while it runs; the progress function
    // answers 2 from now on, so the engine call ends at its next report.
    wait();
    delete current_;
    current_ = nullptr;
    qDeleteAll(queue_);
    queue_.clear();
    qDeleteAll(refused_);
    refused_.clear();
    VardekThread* self = this;
    theThread.compare_exchange_strong(self, nullptr);
}

VardekThread* VardekThread::instance() {
    return theThread.load();
}

void VardekThread::submit(VardekCommand* cmd, int mode) {
    if (!cmd) return;
    if (interceptor_) {
        interceptor_(cmd);
        return;
    }
    if (!open_) {
        logStream() << "Trapped a VardekCommand being submitted when VardekThread is closed"
                    << endLogLine;
        retire(cmd);
        return;
    }
    if (libraryDead_) {
        emit submissionRejectedLibraryDead(cmd);
        retire(cmd);
        return;
    }
    if (mode == NotCancellable) cmd->notCancellable_ = true;
    if (cmd->countsAsChange()) ++changeCount_;
    cmd->changeCountAtSubmission_ = changeCount_;
    queue_.append(cmd);
    if (!busy_)
        startNext();
    else
        emit stateChanged(); // a queued command can be cancelled
}

void VardekThread::retire(VardekCommand* cmd) {
    // What a refused command owns (the images of an ended document) may
    // still be read by the command that runs or by those queued.
    if (busy_ || !queue_.isEmpty())
        refused_.append(cmd);
    else
        cmd->deleteLater();
}

void VardekThread::setOpen(bool open) {
    open_ = open;
    if (!open && isRunning()) setPriority(QThread::HighPriority);
}

void VardekThread::setUndoCountQueryFactory(UndoCountQueryFactory factory) {
    undoCountQuery_ = std::move(factory);
}

void VardekThread::setSubmissionInterceptor(SubmissionInterceptor interceptor) {
    interceptor_ = std::move(interceptor);
}

int VardekThread::lastCutoutChangeCount() {
    return lastCutoutCount.load();
}

void VardekThread::setLastCutoutChangeCount(int count) {
    lastCutoutCount.store(count);
}

void VardekThread::startNext() {
    busy_ = true;
    cancelling_.store(false);
    current_ = queue_.takeFirst();
    emit stateChanged();
    launchedSlot();
}

void VardekThread::launchedSlot() {
    VardekCommand* cmd = current_;
    if (!cmd) return;
    logCommandLine("%1 - prepare (%2)", cmd);
    if (!cmd->prepare()) {
        logStream() << QStringLiteral("%1 - prepare failed").arg(cmd->description()) << endLogLine;
        finishCurrent();
        return;
    }
    logCommandLine("%1 - execute (%2)", cmd);
    if (libraryDead_) {
        emit commandDiscarded(cmd);
        finishCurrent();
        return;
    }
    workerStarted_ = true;
    start(open_ ? QThread::LowPriority : QThread::HighPriority);
    emit commandStarted(cmd);
}

void VardekThread::run() {
    // current_ was set before the worker started and stays until it has ended.
    VardekCommand* cmd = current_;
    if (!cmd) return;
    try {
        cmd->execute();
    } catch (const std::exception& e) {
        logStream() << cmd->description() << " - execute failed: " << e.what() << endLogLine;
    } catch (...) {
        logStream() << cmd->description() << " - execute failed" << endLogLine;
    }
    executed_.fetch_add(1, std::memory_order_release);
}

void VardekThread::commandThreadFinishedSlot() {
    if (!workerStarted_) return;
    workerStarted_ = false;
    if (!wait(kWorkerJoinMs))
        logStream() << "VardekThread: the worker did not end within " << kWorkerJoinMs << " ms"
                    << endLogLine;
    executed_.load(std::memory_order_acquire);
    finishCurrent();
}

void VardekThread::finishCurrent() {
    VardekCommand* cmd = current_;
    if (!cmd) return;
    logCommandLine("%1 - hasFinished (%2)", cmd);
    // From here on the command is done: a cancel (also the one of a library
    // fault) no longer reaches it.
    finishing_ = true;
    emit commandFinished(cmd);
    try {
        cmd->finished();
    } catch (const VardekCommand::Error& error) {
        killLibrary(cmd->description(), error.text);
    }
    busy_ = false;
    if (cmd->refreshesUndoCount()) runUndoCountQuery(cmd->model());
    finishing_ = false;
    current_ = nullptr;
    cmd->deleteLater();
    emit stateChanged();
    if (queue_.isEmpty()) {
        for (VardekCommand* refused : qAsConst(refused_))
            refused->deleteLater();
        refused_.clear();
    }
    if (!queue_.isEmpty())
        startNext();
    else if (open_)
        emit queueEmptied();
    else
        emit closureComplete();
}

void VardekThread::runUndoCountQuery(GmModel* model) {
    if (!undoCountQuery_) return;
    // Run inline on this thread: no queue, no signals, no log lines.
    std::unique_ptr<VardekCommand> query(undoCountQuery_(model));
    if (!query) return;
    try {
        if (query->prepare()) {
            query->execute();
            query->finished();
        }
    } catch (const VardekCommand::Error& error) {
        killLibrary(query->description(), error.text);
    }
}

void VardekThread::killLibrary(const QString& command, const QString& error) {
    const bool wasAlive = !libraryDead_;
    libraryDead_ = true;
    if (wasAlive) emit deadLibrary(command, error);
    cancelCommandsSlot();
}

void VardekThread::cancel(VardekCommand* cmd) {
    if (cancelOne(cmd)) emit stateChanged();
}

bool VardekThread::cancelOne(VardekCommand* cmd) {
    if (!cmd) return false;
    if (!libraryDead_ && !cmd->mayBeCancelled()) return false;
    if (cmd == current_) {
        if (finishing_) return false;
        emit commandCancelling(cmd);
        cancelling_.store(true);
        logCommandLine("%1 - cancelling (%2)", cmd);
        return true;
    }
    if (queue_.removeOne(cmd)) {
        discard(cmd);
        return true;
    }
    return false;
}

void VardekThread::cancelCommandsSlot() {
    if (current_) cancelOne(current_);
    // Take the doomed ones off the queue first: listeners of commandDiscarded
    // may submit or cancel while we discard.
    QList<VardekCommand*> doomed;
    for (int i = queue_.size() - 1; i >= 0; --i) {
        VardekCommand* cmd = queue_.at(i);
        if (libraryDead_ || cmd->mayBeCancelled()) {
            doomed << cmd;
            queue_.removeAt(i);
        }
    }
    for (VardekCommand* cmd : doomed)
        discard(cmd);
    emit stateChanged();
}

void VardekThread::discard(VardekCommand* cmd) {
    emit commandDiscarded(cmd);
    logCommandLine("%1 - discarded (%2)", cmd);
    cmd->discarded();
    cmd->deleteLater();
}

bool VardekThread::canCancel() const {
    if (current_ && !libraryDead_ && !current_->mayBeCancelled()) return false;
    return !queue_.isEmpty() || (busy_ && !cancelling_.load());
}

int VardekThread::reportProgress(unsigned char percent, int userData) {
    VardekThread* thread = theThread.load();
    if (!thread) return 0;
    emit thread->commandProgress(percent, reinterpret_cast<void*>(static_cast<intptr_t>(userData)));
    return thread->abandon_.load() || thread->cancelling_.load() ? kCancelAnswer : 0;
}
