#include "run_watch.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

namespace run_watch {

// ----- CapturedOutput -----

CapturedOutput::CapturedOutput(const QString& file) : path_(QFile::encodeName(file)) {
    std::fflush(stdout);
    std::fflush(stderr);
    savedOut_ = dup(STDOUT_FILENO);
    savedErr_ = dup(STDERR_FILENO);
    // Appended to, so that truncating it between inputs leaves no gap.
    file_ = ::open(path_.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (file_ < 0) {
        path_.clear();
        file_ = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    }
    dup2(file_, STDOUT_FILENO);
    dup2(file_, STDERR_FILENO);
}

CapturedOutput::~CapturedOutput() {
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut_, STDOUT_FILENO);
    dup2(savedErr_, STDERR_FILENO);
    ::close(savedOut_);
    ::close(savedErr_);
    ::close(file_);
}

void CapturedOutput::startInput() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (!path_.isEmpty() && ftruncate(file_, 0) != 0) {
        // Nothing to do: the file then holds earlier inputs' output too.
    }
}

QByteArray CapturedOutput::text(int limit) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (path_.isEmpty()) return QByteArray();
    QFile file(QFile::decodeName(path_));
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    const QByteArray all = file.readAll();
    return all.size() > limit ? all.right(limit) : all;
}

// ----- RunWatch -----

// Written by the run, read by the watching process.
struct SharedState {
    std::atomic<uint64_t> seed{0};
    std::atomic<int64_t> startedMs{0};
    std::atomic<int> finished{0};
};

namespace {

// Only calls that are safe in a child forked from a process with threads:
// no allocation, no locks, no stdio.

int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void put(int out, const char* text) {
    std::size_t length = std::strlen(text);
    while (length > 0) {
        const ssize_t written = write(out, text, length);
        if (written <= 0) return;
        text += written;
        length -= std::size_t(written);
    }
}

void putNumber(int out, uint64_t value) {
    char digits[24];
    char* end = digits + sizeof digits - 1;
    *end = 0;
    char* at = end;
    do {
        *--at = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    put(out, at);
}

// The last bytes the input printed.
void putCapture(int out, const char* capture) {
    const int in = capture[0] ? ::open(capture, O_RDONLY | O_CLOEXEC) : -1;
    struct stat status {};
    if (in < 0 || fstat(in, &status) != 0 || status.st_size == 0) {
        put(out, "(it printed nothing)\n");
        if (in >= 0) ::close(in);
        return;
    }
    constexpr off_t kShown = 32 * 1024;
    if (status.st_size > kShown) lseek(in, status.st_size - kShown, SEEK_SET);
    char buffer[4096];
    for (ssize_t got; (got = read(in, buffer, sizeof buffer)) > 0;) {
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = write(out, buffer + done, std::size_t(got - done));
            if (written <= 0) break;
            done += written;
        }
    }
    ::close(in);
    put(out, "\n");
}

void putNote(int out, const SharedState& state, const char* headline, const char* capture) {
    const uint64_t seed = state.seed.load();
    put(out, "\ninput fuzz: ");
    put(out, headline);
    put(out, " (CUTOUT_INPUT_FUZZ_SEED=");
    putNumber(out, seed);
    put(out, "); what the input printed (a sanitizer's report among it, unless a log_path "
             "sends the report to a file):\n");
    putCapture(out, capture);
    put(out, "replay: CUTOUT_INPUT_FUZZ_SEED=");
    putNumber(out, seed);
    put(out, "\n");
}

[[noreturn]] void watch(int pipeRead, const SharedState& state, int out, const char* capture,
                        int64_t boundMs, pid_t run) {
    for (;;) {
        pollfd ready{pipeRead, POLLIN, 0};
        const int events = poll(&ready, 1, 1000);
        if (events < 0 && errno == EINTR) continue;
        if (events != 0) {
            // Nothing is ever written: the pipe only closes, when the run ends.
            char ignored;
            if (read(pipeRead, &ignored, 1) > 0) continue;
            break;
        }
        const int64_t started = state.startedMs.load();
        if (started > 0 && nowMs() - started > boundMs) {
            // Stopped with an abort, which leaves a core to look at where it hung.
            putNote(out, state, "an input ran beyond its time and is stopped", capture);
            kill(run, SIGABRT);
            _exit(0);
        }
    }
    if (!state.finished.load()) putNote(out, state, "the run ended inside an input", capture);
    _exit(0);
}

} // namespace

RunWatch::RunWatch(int noteDescriptor, const QByteArray& capture, double secondsPerInput) {
    void* shared = mmap(nullptr, sizeof(SharedState), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return;
    state_ = new (shared) SharedState;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    // Everything the child needs is made before it exists.
    char path[4096] = {};
    std::strncpy(path, capture.constData(), sizeof path - 1);
    const int64_t boundMs = int64_t(secondsPerInput * 1000);
    const pid_t run = getpid();
    child_ = fork();
    if (child_ == 0) {
        ::close(ends[1]);
        watch(ends[0], *state_, noteDescriptor, path, boundMs, run);
    }
    ::close(ends[0]);
    if (child_ < 0) {
        ::close(ends[1]);
        return;
    }
    pipeWrite_ = ends[1];
}

RunWatch::~RunWatch() {
    if (state_) state_->finished.store(1);
    if (pipeWrite_ >= 0) ::close(pipeWrite_);
    if (child_ > 0) waitpid(child_, nullptr, 0);
    if (state_) {
        state_->~SharedState();
        munmap(state_, sizeof(SharedState));
    }
}

void RunWatch::startInput(uint64_t seed) {
    if (!state_) return;
    state_->seed.store(seed);
    state_->startedMs.store(nowMs());
}

} // namespace run_watch
