#include "shell/crash_guard.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern char** environ;

namespace crash_guard {

const char* const kMessageProgramName = "cutout-crash-message";

namespace {

const int kGuardedSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// Everything the handler reads, filled before any fault can happen.
char dumpPath[PATH_MAX];
char messageProgram[PATH_MAX];
volatile std::sig_atomic_t crashHandled = 0;

// The handler's own stack: big enough for the backtrace and the fork.
constexpr std::size_t kAlternateStackBytes = 256 * 1024;
alignas(16) char alternateStack[kAlternateStackBytes];

constexpr int kMaxFrames = 64;

// Writes all of `text`, retrying after interruptions; gives up on errors.
void writeAll(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += written;
        length -= std::size_t(written);
    }
}

void writeText(int fd, const char* text) {
    writeAll(fd, text, std::strlen(text));
}

// Numbers without the C library's formatting, which may allocate.
void writeNumber(int fd, std::uintmax_t value, unsigned base, int minDigits) {
    char digits[32];
    int count = 0;
    do {
        const unsigned digit = unsigned(value % base);
        digits[count++] = char(digit < 10 ? '0' + digit : 'a' + digit - 10);
        value /= base;
    } while ((value != 0 || count < minDigits) && count < int(sizeof digits));
    char text[32];
    for (int i = 0; i < count; ++i)
        text[i] = digits[count - 1 - i];
    writeAll(fd, text, std::size_t(count));
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "segmentation fault";
    case SIGBUS:
        return "bus error";
    case SIGILL:
        return "illegal instruction";
    case SIGFPE:
        return "arithmetic error";
    case SIGABRT:
        return "abort";
    default:
        return "signal";
    }
}

void writeDump(int signal, const siginfo_t* info) {
    if (!dumpPath[0]) return;
    const int fd = ::open(dumpPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    writeText(fd, "Crash dump\nSignal: ");
    writeNumber(fd, std::uintmax_t(signal), 10, 1);
    writeText(fd, " (");
    writeText(fd, signalName(signal));
    writeText(fd, ")\nAddress: 0x");
    writeNumber(fd,
                std::uintmax_t(reinterpret_cast<std::uintptr_t>(info ? info->si_addr : nullptr)),
                16, int(2 * sizeof(void*)));
    writeText(fd, "\nProcess: ");
    writeNumber(fd, std::uintmax_t(::getpid()), 10, 1);
    writeText(fd, "\nBacktrace:\n");
    void* frames[kMaxFrames];
    const int count = ::backtrace(frames, kMaxFrames);
    ::backtrace_symbols_fd(frames, count, fd);
    ::close(fd);
}

void runMessageProgram() {
    if (!messageProgram[0]) return;
    // Not fork(): in a program with threads it first takes the allocator's and
    // stdio's locks, and a crash inside malloc or free (a corrupted heap, the
    // commonest crash) holds one of them, so the guard would hang for ever
    // instead of showing its message. _Fork runs no such handlers.
    const pid_t child = ::_Fork();
    if (child < 0) return;
    if (child == 0) {
        char* const arguments[] = {messageProgram, nullptr};
        ::execve(messageProgram, arguments, environ);
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

void takeDefaultAction(int signal) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(signal);
}

void handleCrash(int signal, siginfo_t* info, void*) {
    // Test and set in one step: of two threads that fault together, one writes the dump.
    if (__sync_lock_test_and_set(&crashHandled, 1) != 0) {
        takeDefaultAction(signal);
        return;
    }
    writeDump(signal, info);
    runMessageProgram();
    ::_exit(255);
}

bool copyPath(char* buffer, const QByteArray& path) {
    if (path.size() >= PATH_MAX || path.contains('\0')) return false;
    std::memcpy(buffer, path.constData(), std::size_t(path.size()));
    buffer[path.size()] = '\0';
    return true;
}

} // namespace

QByteArray messageProgramBesideProgram() {
    char exe[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0) return QByteArray();
    QByteArray path(exe, int(length));
    const int slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArray();
    path.truncate(slash + 1);
    return path + kMessageProgramName;
}

bool install(const QByteArray& dump, const QByteArray& message) {
    if (!copyPath(dumpPath, dump) || !copyPath(messageProgram, message)) {
        dumpPath[0] = messageProgram[0] = '\0';
        return false;
    }

    // The first backtrace loads the unwinder, which allocates; the handler must not.
    void* frames[kMaxFrames];
    ::backtrace(frames, kMaxFrames);

    stack_t stack;
    std::memset(&stack, 0, sizeof stack);
    stack.ss_sp = alternateStack;
    stack.ss_size = kAlternateStackBytes;
    if (::sigaltstack(&stack, nullptr) != 0) return false;

    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = handleCrash;
    // No signal is held back while the handler runs: a fault inside it comes
    // straight back, finds the flag set and takes the default action.
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    for (int signal : kGuardedSignals)
        if (::sigaction(signal, &action, nullptr) != 0) return false;
    return true;
}

} // namespace crash_guard
