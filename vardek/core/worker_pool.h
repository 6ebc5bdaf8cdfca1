// The engine's worker pools. A heavy analysis stage hands numbered jobs (or
// bands of rows) to a few Boost threads: jobs are taken under the pool's
// mutex, no lock is held while a job runs, a cancel or a failure in any thread
// raises a flag after which no further job is handed out, and every thread is
// joined before the stage returns. Only then is the outcome raised on the
// calling thread: VkExCancel for a cancel, the VkExFailure
// "Unhandled exception in worker thread." for any other failure of a worker.
// No engine thread ever outlives the stage that started it.
#ifndef VARDEK_CORE_WORKER_POOL_H
#define VARDEK_CORE_WORKER_POOL_H

#include "core/box.h"
#include "core/exceptions.h"
#include "core/fault_injection.h"
#include "core/progress.h"

#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include <algorithm>
#include <atomic>
#include <exception>
#include <optional>
#include <utility>

namespace classification {

// The failure a stage raises after its workers are joined.
inline const char* const workerFailureMessage = "Unhandled exception in worker thread.";

// The number of logical processors, at least 1 (the system may not know it).
inline unsigned logicalProcessorCount() {
    const unsigned count = boost::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

class WorkerPool {
public:
    // A pool of `threads` workers (0 counts as 1).
    explicit WorkerPool(unsigned threads = logicalProcessorCount())
        : threads_(threads == 0 ? 1 : threads) {}
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned threads() const { return threads_; }
    // Sets the number of workers of the next run (0 counts as 1).
    void setThreads(unsigned threads) { threads_ = threads == 0 ? 1 : threads; }

    // Runs a stage. `take()` is called under the pool's mutex, never once a
    // flag is up, and answers the next job as a std::optional (empty when none
    // is left); it may report progress, and a cancel it raises becomes the
    // cancel flag. `work(job)` runs one job without any lock.
    //
    // The calling thread takes the first job of each worker before creating
    // it; should that or the thread creation throw, the pool raises its flag
    // (cancel for VkExCancel, failure otherwise), joins the workers already
    // started and rethrows the exception.
    template <typename Take, typename Work> void run(Take take, Work work);

    // Jobs start, start - 1, ..., 0, each exactly once.
    template <typename Work> void runCountdown(int start, Work work) {
        int next = start;
        run(
            [&next]() -> std::optional<int> {
                if (next < 0) return std::nullopt;
                return next--;
            },
            std::move(work));
    }

    void raiseCancel() { cancel_.store(true); }
    void raiseFailure() { failure_.store(true); }
    bool cancelled() const { return cancel_.load(); }
    bool failed() const { return failure_.load(); }
    bool stopping() const { return cancelled() || failed(); }

private:
    // The next job, or none once a flag is up or the jobs ran out.
    template <typename Take> auto next(Take& take) -> decltype(take()) {
        if (stopping()) return std::nullopt; // no need to wait for the mutex
        boost::mutex::scoped_lock lock(mutex_);
        if (stopping()) return std::nullopt;
        try {
            return take();
        } catch (...) {
            // Raised before the mutex is released, so that no other thread
            // takes a job in between.
            raiseFor(std::current_exception());
            throw;
        }
    }

    // Turns an exception that ends a thread's part into the pool's flag.
    void raiseFor(const std::exception_ptr& error) {
        try {
            std::rethrow_exception(error);
        } catch (const VkExCancel&) {
            raiseCancel();
        } catch (...) {
            raiseFailure();
        }
    }

    unsigned threads_;
    boost::mutex mutex_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> failure_{false};
};

template <typename Take, typename Work> void WorkerPool::run(Take take, Work work) {
    using Job = typename decltype(take())::value_type;
    cancel_.store(false);
    failure_.store(false);

    // A worker runs its first job and then takes more until none is left or a
    // flag is up; the job it is running when a flag goes up is finished.
    auto worker = [this, &take, &work](Job job) {
        try {
            for (;;) {
                work(job);
                std::optional<Job> following = next(take);
                if (!following) return;
                job = std::move(*following);
            }
        } catch (...) {
            raiseFor(std::current_exception());
        }
    };

    boost::thread_group group;
    std::exception_ptr ownError;
    try {
        for (unsigned i = 0; i < threads_; ++i) {
            std::optional<Job> first = next(take);
            if (!first) break; // every later request would be answered with none
            VARDEK_FAULT_POINT("worker pool thread");
            group.create_thread([worker, job = std::move(*first)]() mutable { worker(job); });
        }
    } catch (...) {
        ownError = std::current_exception();
        raiseFor(ownError);
    }
    group.join_all();

    if (ownError) std::rethrow_exception(ownError);
    if (cancelled()) throw VkExCancel();
    if (failed()) throw VkExFailure(workerFailureMessage);
}

// Band `band` of `bands` near-equal bands of `box`'s rows, all its columns;
// empty when there are more bands than rows.
inline Box rowBand(const Box& box, int bands, int band) {
    if (box.isEmpty() || bands < 1 || band < 0 || band >= bands) return Box::empty();
    const long long rows = box.rows();
    const auto edge = [&](int b) { return box.lower.row + static_cast<int>(rows * b / bands); };
    return Box(edge(band), box.lower.column, edge(band + 1) - 1, box.upper.column);
}

// How many bands to cut `rows` rows into for `pool`'s workers: a few per
// worker and at least 64 rows each; one without a pool, none without rows.
inline int rowBandCount(int rows, const WorkerPool* pool) {
    if (rows <= 0) return 0;
    return pool ? std::clamp(rows / 64, 1, static_cast<int>(4 * pool->threads())) : 1;
}

// Runs work(job) for jobs count - 1 down to 0: on `pool`'s workers, or one
// after another on the calling thread without a pool or with one job.
template <typename Work> void runJobs(WorkerPool* pool, int count, Work work) {
    if (!pool || count < 2) {
        for (int job = count - 1; job >= 0; --job)
            work(job);
        return;
    }
    pool->runCountdown(count - 1, work);
}

// Runs `work(band)` for `bands` near-equal bands of `box`'s rows (fewer when
// the box has fewer rows), handed out from the last band down on `pool`'s
// workers. The bands share no row.
template <typename Work> void runRowBands(WorkerPool& pool, const Box& box, int bands, Work work) {
    if (box.isEmpty()) return;
    bands = std::clamp(bands, 1, box.rows());
    pool.runCountdown(bands - 1, [&](int b) { work(rowBand(box, bands, b)); });
}

} // namespace classification

#endif
