// Work run on a thread of its own beside the caller's, for two parts of a
// stage that read and write different data. Whatever way the caller leaves,
// the thread is joined first; finish() joins it and raises on the calling
// thread what the work raised. Should no thread be had, the work runs on the
// calling thread at once and what it raises leaves the constructor.
#ifndef VARDEK_CORE_SIDE_THREAD_H
#define VARDEK_CORE_SIDE_THREAD_H

#include <boost/thread/thread.hpp>

#include <exception>
#include <utility>

namespace classification {

class SideThread {
public:
    template <typename Work> explicit SideThread(Work work) {
        try {
            thread_ = boost::thread([this, work]() mutable {
                try {
                    work();
                } catch (...) {
                    error_ = std::current_exception();
                }
            });
        } catch (const boost::thread_resource_error&) {
            work();
        }
    }
    SideThread(const SideThread&) = delete;
    SideThread& operator=(const SideThread&) = delete;
    ~SideThread() { join(); }

    // Joins the thread and raises what the work raised.
    void finish() {
        join();
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }
    // Joins the thread and drops what the work raised, for a caller that
    // leaves with an outcome of its own.
    void drop() {
        join();
        error_ = nullptr;
    }

private:
    void join() {
        if (thread_.joinable()) thread_.join();
    }

    boost::thread thread_;
    std::exception_ptr error_;
};

} // namespace classification

#endif
