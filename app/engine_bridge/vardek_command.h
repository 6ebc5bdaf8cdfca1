// One call (or a few) into the engine, run by VardekThread in three steps:
// prepare gathers its data on the user-interface thread, execute calls the
// engine on the worker thread, and finished reports back on the
// user-interface thread. Commands take their views and values when they are
// built and never touch the model from execute.
//
// A submitted command belongs to the thread, which deletes it later (with
// deleteLater) once it is finished, discarded or refused: a caller may still
// connect to it right after submitting it.
#ifndef APP_ENGINE_BRIDGE_VARDEK_COMMAND_H
#define APP_ENGINE_BRIDGE_VARDEK_COMMAND_H

#include <QObject>
#include <QString>

class GmModel;

class VardekCommand : public QObject {
    Q_OBJECT
public:
    // A result that means the engine can no longer be trusted; thrown by
    // checkResult from finished(). The thread then declares the library dead.
    struct Error {
        int code;
        QString text;
    };

    // `description` is the translated text shown while the command runs and written to the log.
    explicit VardekCommand(GmModel* model, const QString& description = QString());
    ~VardekCommand() override;

    // The document the command works on.
    GmModel* model() const { return model_; }

    virtual QString description() const;
    // The command's arguments for its log lines (a session handle, a region); empty by default.
    virtual QString parameterText() const;
    // User-interface thread: gathers the data; false skips execute (finished still runs).
    virtual bool prepare();
    // Worker thread: calls the engine and keeps the result in the command.
    virtual void execute() = 0;
    // User-interface thread: after execute, a failed prepare, or a discard by a dead library.
    virtual void finished();
    // User-interface thread: the command is thrown away unrun; finished() is not called.
    virtual void discarded();
    virtual bool isCancellable() const;
    // Whether submitting this command adds one to the thread's change count.
    virtual bool countsAsChange() const;
    // Whether the thread queries the engine's undo counts after finished().
    virtual bool refreshesUndoCount() const;

    // Set by submit in mode 1: immune to cancel and discard while the library lives.
    bool isNotCancellable() const { return notCancellable_; }
    // Whether a cancel may reach this command while the library lives.
    bool mayBeCancelled() const { return isCancellable() && !notCancellable_; }
    // The thread's change count just after it accepted this command (0 before).
    int changeCountAtSubmission() const { return changeCountAtSubmission_; }

    // Turns the engine's fatal results into an Error: 3 and 8 "Out of
    // memory", 5 "Vardek library fault". Every other code returns.
    static void checkResult(int code);

protected:
    void setDescription(const QString& description) { description_ = description; }

private:
    friend class VardekThread;

    GmModel* model_;
    QString description_;
    bool notCancellable_ = false;
    int changeCountAtSubmission_ = 0;
};

#endif
