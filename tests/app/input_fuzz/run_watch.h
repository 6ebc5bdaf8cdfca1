// How the input fuzz keeps a failing run from ending without a word.
//
// CapturedOutput sends the process's standard output and error into a file
// that holds what the current input printed: the readers' and the engine's
// messages on thousands of inputs would fill the test log, but a sanitizer's
// report, a failed check or a library's last words must still be found.
//
// RunWatch is a small process of its own that outlives the run: however the
// run ends inside an input (a sanitizer that exits, a signal, a library that
// calls exit, the system's out-of-memory killer), it names the input's seed
// and shows what the input printed; and an input that runs beyond its time
// is stopped with the same note rather than left to freeze the suite.
#ifndef TESTS_APP_INPUT_FUZZ_RUN_WATCH_H
#define TESTS_APP_INPUT_FUZZ_RUN_WATCH_H

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <cstdint>

namespace run_watch {

class CapturedOutput {
public:
    // Standard output and error go into `file` until it goes.
    explicit CapturedOutput(const QString& file);
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // Forgets what the previous input printed.
    void startInput();
    // What was printed since the input started (at most its last `limit` bytes).
    QByteArray text(int limit = 32 * 1024);
    const QByteArray& path() const { return path_; }
    // Standard error as it was before: where notes for the reader go.
    int originalError() const { return savedErr_; }

private:
    QByteArray path_;
    int file_ = -1;
    int savedOut_ = -1;
    int savedErr_ = -1;
};

struct SharedState;

class RunWatch {
public:
    // Notes go to `noteDescriptor`; `capture` is the file CapturedOutput
    // writes; an input still running after `secondsPerInput` is stopped.
    RunWatch(int noteDescriptor, const QByteArray& capture, double secondsPerInput);
    // The run ended as it should: the watch ends without a note.
    ~RunWatch();
    RunWatch(const RunWatch&) = delete;
    RunWatch& operator=(const RunWatch&) = delete;

    void startInput(uint64_t seed);
    // False when no watching process could be started (the run goes on unwatched).
    bool isWatching() const { return child_ > 0; }

private:
    SharedState* state_ = nullptr;
    pid_t child_ = -1;
    int pipeWrite_ = -1;
};

} // namespace run_watch

#endif
