// The single engine worker thread and its command queue. Commands run one at
// a time in the order of submission: prepare and finished on the
// user-interface thread, execute on the worker. The queue and the state live
// on the user-interface thread; the worker only runs the current command's
// execute, and the engine's progress function reads the cancel flags.
//
// The main window creates the one instance (reachable through instance()) and
// listens to its signals for progress, status text and the cancel action.
#ifndef APP_ENGINE_BRIDGE_VARDEK_THREAD_H
#define APP_ENGINE_BRIDGE_VARDEK_THREAD_H

#include <QList>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class GmModel;
class VardekCommand;

class VardekThread : public QThread {
    Q_OBJECT
public:
    // Builds the command that reads the engine's undo and redo counts for a
    // model; the thread runs it inline after every command whose
    // refreshesUndoCount() is true. By default it is VkCmdNumAvailableUndoRedo;
    // null runs nothing.
    using UndoCountQueryFactory = std::function<VardekCommand*(GmModel* model)>;

    // Receives, instead of the queue, every command submitted while it is
    // installed, and owns it: a fake engine thread for tests of what the
    // document submits.
    using SubmissionInterceptor = std::function<void(VardekCommand* cmd)>;

    // Submission modes.
    enum Mode { Ordinary = 0, NotCancellable = 1 };

    // How long the user-interface thread waits for a worker that has reported its end.
    static constexpr unsigned long kWorkerJoinMs = 5000;

    explicit VardekThread(QObject* parent = nullptr);
    // Asks a running command to abandon, waits for it, and deletes it and the
    // queued commands at once, unrun.
    ~VardekThread() override;

    static VardekThread* instance();

    // Hands `cmd` to the thread, which owns it from now on. Refused while the
    // thread is closed or the library is dead, and then deleted once no
    // command runs or waits (what it owns may be read by them). On an idle
    // thread the command is prepared at once, inside submit.
    void submit(VardekCommand* cmd, int mode = Ordinary);

    // Cancels `cmd` when it may be cancelled (always once the library is
    // dead): the current command is asked to stop at its next progress
    // report, a queued one is discarded. Anything else is ignored.
    void cancel(VardekCommand* cmd);

    // Whether the cancel action has anything to do.
    bool canCancel() const;

    // Closing: a closed thread refuses submissions but drains its queue, at
    // high priority, and then emits closureComplete() instead of queueEmptied().
    bool isOpen() const { return open_; }
    void setOpen(bool open);

    // A command is current (from its start to the end of its finish step).
    bool isBusy() const { return busy_; }
    int queuedCount() const { return queue_.size(); }
    // The waiting commands, oldest first, to look at (the file handler asks
    // whether an engine start waits); the thread still owns them.
    const QList<VardekCommand*>& queuedCommands() const { return queue_; }
    VardekCommand* currentCommand() const { return current_; }
    bool isCancelling() const { return cancelling_.load(); }
    bool isLibraryDead() const { return libraryDead_; }

    // Submissions of commands whose countsAsChange() is true.
    int changeCount() const { return changeCount_; }

    void setUndoCountQueryFactory(UndoCountQueryFactory factory);
    // Installs `interceptor`; an empty one lets submissions reach the queue again.
    void setSubmissionInterceptor(SubmissionInterceptor interceptor);

    // The change count of the last whole-image cut-out (written by mask
    // generation on the worker, compared with changeCount() before "Save and Apply").
    static int lastCutoutChangeCount();
    static void setLastCutoutChangeCount(int count);

    // The body of the engine's progress function (worker thread): emits
    // commandProgress and answers 2 (cancel) while cancelling or abandoning, else 0.
    static int reportProgress(unsigned char percent, int userData);

public slots:
    // Cancels the current command and discards the queued ones that may be
    // cancelled, newest first.
    void cancelCommandsSlot();

signals:
    void commandStarted(VardekCommand* vkCmd);
    void commandFinished(VardekCommand* vkCmd);
    void commandCancelling(VardekCommand* vkCmd);
    void commandDiscarded(VardekCommand* vkCmd);
    void commandProgress(int percent, void* userData);
    void stateChanged();
    void closureComplete();
    void queueEmptied();
    void deadLibrary(const QString& command, const QString& error);
    void submissionRejectedLibraryDead(VardekCommand* vkCmd);

protected:
    void run() override;

private slots:
    void launchedSlot();
    void commandThreadFinishedSlot();

private:
    void startNext();
    void finishCurrent();
    bool cancelOne(VardekCommand* cmd);
    void discard(VardekCommand* cmd);
    void retire(VardekCommand* cmd);
    void killLibrary(const QString& command, const QString& error);
    void runUndoCountQuery(GmModel* model);

    // User-interface thread only.
    bool open_ = true;
    bool busy_ = false;
    bool libraryDead_ = false;
    bool workerStarted_ = false;
    bool finishing_ = false;
    int changeCount_ = 0;
    VardekCommand* current_ = nullptr;
    QList<VardekCommand*> queue_;
    // Refused while commands ran or waited: deleted when the queue runs empty.
    QList<VardekCommand*> refused_;
    UndoCountQueryFactory undoCountQuery_;
    SubmissionInterceptor interceptor_;

    // Read by the progress function on the worker thread.
    std::atomic<bool> cancelling_{false};
    std::atomic<bool> abandon_{false};
    // Counts the executes that ran to their end: stored by the worker after
    // execute, read after the join, so that what execute wrote is seen by
    // finished also by tools that cannot see the join inside Qt.
    std::atomic<unsigned> executed_{0};
};

#endif
