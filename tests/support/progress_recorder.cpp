#include "support/progress_recorder.h"

#include "api/vardek.h"
#include "core/progress.h"

#include <atomic>

namespace test_support {
namespace {

std::atomic<ProgressRecorder*> currentRecorder{nullptr};
std::atomic<double> manualNow{1000.0};
std::atomic<double> racingNow{1000.0};

double readManual() {
    return manualNow.load();
}
double readRacing() {
    double now = racingNow.load();
    while (!racingNow.compare_exchange_weak(now, now + 1.0)) {
    }
    return now;
}

} // namespace

ProgressRecorder::ProgressRecorder() {
    currentRecorder.store(this);
}
ProgressRecorder::~ProgressRecorder() {
    currentRecorder.store(nullptr);
}

std::vector<ProgressCall> ProgressRecorder::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<int> ProgressRecorder::percents() const {
    std::vector<int> out;
    for (const ProgressCall& c : calls())
        out.push_back(c.percent);
    return out;
}

int ProgressRecorder::record(int percent, int userData) {
    int index;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        index = static_cast<int>(calls_.size());
        calls_.push_back({percent, userData, std::this_thread::get_id()});
    }
    return answer ? answer(index, percent) : 0;
}

ManualClock::ManualClock() {
    orsine::utility::setProgressClock(readManual);
}
ManualClock::~ManualClock() {
    orsine::utility::setProgressClock(nullptr);
}
void ManualClock::advance(double seconds) {
    manualNow.store(manualNow.load() + seconds);
}
void ManualClock::set(double seconds) {
    manualNow.store(seconds);
}

RacingClock::RacingClock() {
    orsine::utility::setProgressClock(readRacing);
}
RacingClock::~RacingClock() {
    orsine::utility::setProgressClock(nullptr);
}

} // namespace test_support

// The application's progress function, as the engine sees it.
int vardekProgressCallback(unsigned char percent, int userData) {
    test_support::ProgressRecorder* recorder = test_support::currentRecorder.load();
    return recorder ? recorder->record(percent, userData) : 0;
}
