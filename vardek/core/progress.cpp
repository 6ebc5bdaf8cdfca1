#include "core/progress.h"

#include <atomic>
#include <chrono>

namespace orsine::utility {
namespace {

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::atomic<ProgressClock> currentClock{nullptr};

} // namespace

void setProgressClock(ProgressClock clock) {
    currentClock.store(clock);
}

double progressClockNow() {
    ProgressClock clock = currentClock.load();
    return clock ? clock() : steadySeconds();
}

} // namespace orsine::utility

using orsine::utility::progressClockNow;

VkInProgress::VkInProgress(orsine::utility::ProgressFunction function, const char* label,
                           bool cancellable)
    : function_(function), cancellable_(cancellable), lastCall_(progressClockNow()), label_(label) {
}

VkInProgress::~VkInProgress() {
    cancellable_ = false;
    if (active_ && fraction_ < 1.0f && !cancelled_) {
        // A destructor must not throw, whatever the application's function does.
        try {
            report(1.0f, "auto-destruct");
        } catch (...) {
        }
    }
}

void VkInProgress::report(float fraction, const std::string&) {
    fraction_ = fraction;
    int answer = 0;
    if (function_) {
        const double now = progressClockNow();
        // The single-precision 0.1 widened to double, as the throttle has always compared.
        if (now - lastCall_ > static_cast<double>(0.1f) || fraction == 1.0f) {
            // percent = (int)(fraction * 100), taken modulo 256
            const auto percent = static_cast<unsigned char>(static_cast<int>(fraction * 100.0f));
            answer = function_(percent, userData_);
            lastCall_ = now;
        }
    }
    if (answer == orsine::utility::kCancelAnswer && cancellable_ && !cancelled_) {
        cancellable_ = false;
        cancelled_ = true;
        throw VkExCancel();
    }
}

void VkInProgress::reset() {
    cancellable_ = false;
    cancelled_ = false;
    fraction_ = 0.0f;
    lastCall_ = progressClockNow();
    label_ = "";
}

ProgressRange::ProgressRange(orsine::utility::IiUI* parent) : parent_(parent) {
    if (parent_) parent_->report(start_, std::string());
}

ProgressRange::ProgressRange(orsine::utility::IiUI* parent, float start, float end)
    : parent_(parent), start_(start), end_(end) {}

void ProgressRange::report(float t, const std::string& label) {
    current_ = t;
    if (parent_) parent_->report(valueAt(t), label);
}

ProgressRange ProgressRange::subRange(float t) {
    ProgressRange child(parent_, valueAt(current_), valueAt(t));
    current_ = t;
    return child;
}
