// The worker pool's protocol: job hand-out, flags, join before the outcome is
// raised on the calling thread, and failures on the calling thread itself.
#include "core/worker_pool.h"

#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

using classification::WorkerPool;

namespace {

// Counts the jobs that began and the ones that ended, however they ended.
struct JobCounts {
    std::atomic<int> started{0};
    std::atomic<int> finished{0};

    struct Running {
        JobCounts& counts;
        explicit Running(JobCounts& c) : counts(c) { ++counts.started; }
        ~Running() { ++counts.finished; }
    };
};

// Waits without sleeping until `open` is set.
void waitFor(const std::atomic<bool>& open) {
    while (!open.load())
        std::this_thread::yield();
}

bool isWorkerFailure(const char* message) {
    return std::strcmp(message, "Unhandled exception in worker thread.") == 0;
}

TEST(WorkerPool, OneWorkerRunsTheJobsDownFromTheStart) {
    WorkerPool pool(1);
    std::vector<int> order;
    pool.runCountdown(2, [&](int job) { order.push_back(job); });
    EXPECT_EQ(order, std::vector<int>({2, 1, 0}));
    EXPECT_EQ(WorkerPool(0).threads(), 1u);
    EXPECT_GE(classification::logicalProcessorCount(), 1u);
}

TEST(WorkerPool, ManyWorkersRunEveryJobExactlyOnce) {
    WorkerPool pool(8);
    std::vector<std::atomic<int>> runs(100);
    pool.runCountdown(99, [&](int job) { ++runs[static_cast<size_t>(job)]; });
    for (size_t j = 0; j < runs.size(); ++j)
        EXPECT_EQ(runs[j].load(), 1) << j;
    // More workers than jobs: the surplus never starts.
    std::atomic<int> few{0};
    pool.runCountdown(2, [&](int) { ++few; });
    EXPECT_EQ(few.load(), 3);
}

TEST(WorkerPool, CancelStopsTheHandOutAndJoinsEveryWorker) {
    WorkerPool pool(8);
    JobCounts counts;
    std::atomic<int> startedBelow{0};
    EXPECT_THROW(pool.runCountdown(199,
                                   [&](int job) {
                                       JobCounts::Running running(counts);
                                       if (job == 120) throw VkExCancel();
                                       // Jobs taken after 120 wait for its
                                       // cancel, so they are the only ones in
                                       // flight when it comes.
                                       if (job < 120) {
                                           ++startedBelow;
                                           while (!pool.cancelled())
                                               std::this_thread::yield();
                                       }
                                   }),
                 VkExCancel);
    EXPECT_TRUE(pool.cancelled());
    EXPECT_EQ(counts.started.load(), counts.finished.load()); // all joined
    EXPECT_LE(startedBelow.load(), 7);                        // one per other worker at most
    EXPECT_LE(counts.started.load(), 80 + 7);
}

TEST(WorkerPool, AnyOtherFailureOfAWorkerBecomesTheFailureString) {
    struct Case {
        const char* name;
        void (*fail)();
    };
    const Case cases[] = {
        {"runtime error", [] { throw std::runtime_error("broken"); }},
        {"out of memory", [] { throw std::bad_alloc(); }},
        {"string", [] { throw "other"; }},
    };
    for (const Case& c : cases) {
        WorkerPool pool(4);
        JobCounts counts;
        try {
            pool.runCountdown(50, [&](int job) {
                JobCounts::Running running(counts);
                if (job == 30) c.fail();
            });
            ADD_FAILURE() << c.name << ": nothing raised";
        } catch (const VkExFailure& failure) {
            EXPECT_TRUE(isWorkerFailure(failure.what())) << c.name << ": " << failure.what();
        }
        EXPECT_TRUE(pool.failed()) << c.name;
        EXPECT_FALSE(pool.cancelled()) << c.name;
        EXPECT_EQ(counts.started.load(), counts.finished.load()) << c.name;
    }
}

TEST(WorkerPool, ACancelWhileHandingOutOnTheCallingThreadJoinsFirst) {
    // Two workers hold their first job until the third hand-out, made on the
    // calling thread, raises the cancel (a progress report answering 2).
    WorkerPool pool(4);
    JobCounts counts;
    std::atomic<bool> gate{false};
    int takes = 0;
    int next = 10;
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id raisedOn;
    EXPECT_THROW(pool.run(
                     [&]() -> std::optional<int> {
                         if (++takes == 3) {
                             raisedOn = std::this_thread::get_id();
                             gate.store(true);
                             throw VkExCancel();
                         }
                         return next--;
                     },
                     [&](int) {
                         JobCounts::Running running(counts);
                         waitFor(gate);
                     }),
                 VkExCancel);
    EXPECT_EQ(raisedOn, caller);
    EXPECT_EQ(takes, 3); // the flag stopped every later hand-out
    EXPECT_EQ(counts.started.load(), 2);
    EXPECT_EQ(counts.finished.load(), 2);
    EXPECT_TRUE(pool.cancelled());
}

TEST(WorkerPool, OtherFailuresOnTheCallingThreadAreRethrownUnchanged) {
    WorkerPool pool(4);
    JobCounts counts;
    std::atomic<bool> gate{false};
    int takes = 0;
    EXPECT_THROW(pool.run(
                     [&]() -> std::optional<int> {
                         if (++takes == 2) {
                             gate.store(true);
                             throw std::runtime_error("report failed");
                         }
                         return takes;
                     },
                     [&](int) {
                         JobCounts::Running running(counts);
                         waitFor(gate);
                     }),
                 std::runtime_error);
    EXPECT_TRUE(pool.failed());
    EXPECT_EQ(counts.finished.load(), 1);
}

TEST(WorkerPool, AThreadThatCannotBeCreatedLeavesNoWorkerRunning) {
    WorkerPool pool(4);
    JobCounts counts;
    // The third thread cannot be created; the two before it hold their first
    // job until the pool has raised its flag.
    vardek::fault::arm("worker pool thread", vardek::fault::Kind::OutOfMemory, 2);
    EXPECT_THROW(pool.runCountdown(40,
                                   [&](int) {
                                       JobCounts::Running running(counts);
                                       while (!pool.failed())
                                           std::this_thread::yield();
                                   }),
                 std::bad_alloc);
    vardek::fault::disarm();
    EXPECT_TRUE(pool.failed());
    EXPECT_EQ(counts.started.load(), 2);
    EXPECT_EQ(counts.finished.load(), 2);
}

TEST(WorkerPool, HandOutReportsFromWorkersAndTheirCancelBecomesTheFlag) {
    // The single histogram worker: jobs 5 to 0, each hand-out reporting under
    // the mutex from whichever thread takes it; the report of the third
    // hand-out, on the worker, answers with a cancel.
    WorkerPool pool(1);
    int next = 5;
    std::vector<std::thread::id> reporters;
    std::vector<int> ran;
    EXPECT_THROW(pool.run(
                     [&]() -> std::optional<int> {
                         reporters.push_back(std::this_thread::get_id());
                         if (reporters.size() == 3) throw VkExCancel();
                         if (next < 0) return std::nullopt;
                         return next--;
                     },
                     [&](int job) { ran.push_back(job); }),
                 VkExCancel);
    ASSERT_EQ(reporters.size(), 3u);
    EXPECT_EQ(reporters[0], std::this_thread::get_id());
    EXPECT_NE(reporters[1], std::this_thread::get_id());
    EXPECT_EQ(ran, std::vector<int>({5, 4}));
    EXPECT_TRUE(pool.cancelled());

    // A later run starts with both flags down.
    std::vector<int> again;
    pool.runCountdown(1, [&](int job) { again.push_back(job); });
    EXPECT_EQ(again, std::vector<int>({1, 0}));
}

} // namespace
