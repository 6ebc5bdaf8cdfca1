// A program that installs the crash guard and then faults, for the crash
// guard's tests (not a test itself).
//   crash_guard_probe LOG_FOLDER MESSAGE_PROGRAM fault|abort|overflow|heap
// It logs into LOG_FOLDER, names its dump after that log, and runs
// MESSAGE_PROGRAM after writing the dump.
#include "shell/crash_guard.h"
#include "shell/services/logger.h"

#include <QByteArray>
#include <QFile>

#include <sys/mman.h>

#include <thread>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Deep enough to overflow any stack; `depth` comes from outside, so the
// recursion cannot be turned into a loop.
int recurse(int depth, volatile char* previous) {
    volatile char frame[4096];
    frame[0] = previous ? previous[0] : char(depth);
    if (depth == 0) return frame[0];
    return recurse(depth - 1, frame) + frame[1];
}

// A heap the allocator finds corrupted while it holds its own lock: a block
// too large for the per-thread caches is freed twice. Once a second thread
// has existed, free() locks the arena before its checks, so the abort comes
// with that lock held, as it does in a real program.
void freeTwiceWithTheArenaLocked() {
    std::thread([] {}).join();
    char* volatile block = static_cast<char*>(std::malloc(64 * 1024));
    block[0] = 1;
    std::free(block);
    std::free(block);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LOG_FOLDER MESSAGE_PROGRAM fault|abort|overflow|heap\n",
                     argv[0]);
        return 2;
    }
    Logger logger(QString::fromLocal8Bit(argv[1]));
    if (!crash_guard::install(QFile::encodeName(crashDumpPath()), QByteArray(argv[2]))) {
        std::fprintf(stderr, "cannot install the crash guard\n");
        return 3;
    }
    logger.writeLine(QStringLiteral("About to fault"));

    if (std::strcmp(argv[3], "abort") == 0) std::abort();
    if (std::strcmp(argv[3], "overflow") == 0) return recurse(std::atoi("1000000000"), nullptr);
    if (std::strcmp(argv[3], "heap") == 0) freeTwiceWithTheArenaLocked();
    // A page that may not be touched: a real fault, which the sanitizers'
    // checks of null pointers would otherwise stop first.
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return 4;
    *static_cast<volatile int*>(page) = 1;
    return 0;
}
