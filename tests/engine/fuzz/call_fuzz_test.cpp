// The call interface under a randomised run: rounds of random calls, each
// round replayable from its seed.
//
//   VARDEK_FUZZ_SECONDS=600   run rounds for ten minutes (default: 3 seconds)
//   VARDEK_FUZZ_FIRST_SEED=N  start from round seed N (default 1)
//   VARDEK_FUZZ_SEED=N        replay round N alone
//   VARDEK_FUZZ_TRACE=1       list every call on standard error
//
// A failed check names its round's seed; so does the note written when the
// process dies inside a call (a crash, or a sanitizer report).
#include "call_fuzzer.h"

#include "support/progress_recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>
#include <unistd.h>

// Present in sanitizer builds only.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

constexpr int kCallsPerRound = 250;

char roundNote[128];
std::atomic<std::size_t> roundNoteLength{0};

void writeNote() {
    const std::size_t length = roundNoteLength.load();
    if (length == 0) return;
    ssize_t ignored = write(STDERR_FILENO, roundNote, length);
    const char* call = fuzz::callInProgress();
    if (call) {
        ignored = write(STDERR_FILENO, " in ", 4);
        ignored = write(STDERR_FILENO, call, std::strlen(call));
    }
    ignored = write(STDERR_FILENO, "\n", 1);
    (void)ignored;
}

void onFatalSignal(int signal) {
    writeNote();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Where the process died, for the sanitizers' reports or a plain crash.
void installDeathNote() {
    if (__sanitizer_set_death_callback) {
        __sanitizer_set_death_callback(writeNote);
        return;
    }
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, onFatalSignal);
}

void noteRound(uint64_t seed) {
    const int n =
        std::snprintf(roundNote, sizeof roundNote, "call fuzz died in round VARDEK_FUZZ_SEED=%llu",
                      static_cast<unsigned long long>(seed));
    roundNoteLength.store(n > 0 ? static_cast<std::size_t>(n) : 0);
}

uint64_t fromEnvironment(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// Swallows what the engine writes to standard output and error (its
// diagnostic lines), which would otherwise fill the test log on long runs.
struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};

class QuietEngine {
public:
    QuietEngine() : out_(std::cout.rdbuf(&null_)), err_(std::cerr.rdbuf(&null_)) {}
    ~QuietEngine() {
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
    }

private:
    NullBuffer null_;
    std::streambuf* out_;
    std::streambuf* err_;
};

TEST(CallFuzz, EveryEntryFunctionSurvivesHostileArguments) {
    installDeathNote();
    // Every report reaches the progress function, so where a cancel lands
    // depends on the seed, not on the machine's speed.
    test_support::RacingClock clock;

    const uint64_t replay = fromEnvironment("VARDEK_FUZZ_SEED", 0);
    const uint64_t first = fromEnvironment("VARDEK_FUZZ_FIRST_SEED", 1);
    const auto budget = std::chrono::duration<double>(
        static_cast<double>(fromEnvironment("VARDEK_FUZZ_SECONDS", 3)));

    uint64_t calls = 0, rounds = 0;
    fuzz::ResultTally tally;
    std::string failure;
    const auto start = std::chrono::steady_clock::now();
    {
        QuietEngine quiet;
        for (uint64_t seed = replay ? replay : first; failure.empty(); ++seed) {
            noteRound(seed);
            const fuzz::RoundResult result = fuzz::CallFuzzer(seed).run(kCallsPerRound);
            calls += result.calls;
            ++rounds;
            for (const auto& [name, codes] : result.tally)
                for (const auto& [code, count] : codes)
                    tally[name][code] += count;
            if (!result.failure.empty())
                failure = result.failure + "\nreplay: VARDEK_FUZZ_SEED=" + std::to_string(seed);
            if (replay || std::chrono::steady_clock::now() - start >= budget) break;
        }
        roundNoteLength.store(0);
    }
    EXPECT_EQ(failure, "");
    // What the calls answered, so that a run shows it reached the operations
    // and not only the checks in front of them.
    std::printf("call fuzz: %llu calls in %llu rounds; results per function:\n",
                static_cast<unsigned long long>(calls), static_cast<unsigned long long>(rounds));
    for (const auto& [name, codes] : tally) {
        std::printf("  %-22s", name.c_str());
        for (const auto& [code, count] : codes)
            std::printf(" %d:%llu", code, static_cast<unsigned long long>(count));
        std::printf("\n");
    }
    RecordProperty("calls", std::to_string(calls));
}

} // namespace
