// A recording stand-in for the application's progress function, and clocks
// that let tests drive the progress throttle without sleeping.
#ifndef TESTS_SUPPORT_PROGRESS_RECORDER_H
#define TESTS_SUPPORT_PROGRESS_RECORDER_H

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace test_support {

struct ProgressCall {
    int percent;
    int userData;
    std::thread::id thread;
};

// While one lives, vardekProgressCallback records into it and answers with
// `answer` (0 when unset). Without one, the callback answers 0.
class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    // Called with the 0-based index of the call and its percentage.
    std::function<int(int index, int percent)> answer;

    std::vector<ProgressCall> calls() const;
    std::vector<int> percents() const;
    int record(int percent, int userData);

private:
    mutable std::mutex mutex_;
    std::vector<ProgressCall> calls_;
};

// Installs a manual clock for the progress throttle; restores the real one.
class ManualClock {
public:
    ManualClock();
    ~ManualClock();
    void advance(double seconds);
    void set(double seconds);
};

// Installs a clock that moves one second on every read, so that every report
// calls the progress function; restores the real one.
class RacingClock {
public:
    RacingClock();
    ~RacingClock();
};

} // namespace test_support

#endif
