// Progress reporting and cooperative cancel.
//
// Work reports a fraction in [0, 1] with a stage label to an IiUI. VkInProgress
// turns those fractions into calls of the application's progress function, at
// most every 0.1 s and always at 1.0, and turns the cancel answer into
// VkExCancel. ProgressRange maps a nested stage's own 0..1 onto a sub-range of
// its caller.
#ifndef VARDEK_CORE_PROGRESS_H
#define VARDEK_CORE_PROGRESS_H

#include "core/exceptions.h"

#include <cstdint>
#include <string>

namespace orsine::utility {

// The application's progress function as the call interface declares it
// (VkProgressFunction): percentage 0 to 100 and user data.
using ProgressFunction = int (*)(unsigned char percent, int userData);

// The progress function's answer that asks the engine to cancel; every other
// answer lets the work go on.
inline constexpr int kCancelAnswer = 2;

// The progress interface.
class IiUI {
public:
    virtual void report(float fraction, const std::string& label) = 0;
    virtual ~IiUI() = default;
};

// The clock of the throttle, in seconds. Tests replace it so that they never
// sleep; null restores the monotonic system clock.
using ProgressClock = double (*)();
void setProgressClock(ProgressClock clock);
double progressClockNow();

} // namespace orsine::utility

// The engine's reporter.
class VkInProgress : public orsine::utility::IiUI {
public:
    VkInProgress(orsine::utility::ProgressFunction function, const char* label, bool cancellable);
    ~VkInProgress() override;
    VkInProgress(const VkInProgress&) = delete;
    VkInProgress& operator=(const VkInProgress&) = delete;

    // Stores the fraction; calls the progress function when more than 0.1 s
    // passed since its last call or the fraction is exactly 1.0; raises
    // VkExCancel once when the answer is kCancelAnswer and the reporter is
    // cancellable.
    void report(float fraction, const std::string& label) override;

    // Used once by the session constructors when they are done.
    void reset();

    bool cancelled() const { return cancelled_; }
    bool cancellable() const { return cancellable_; }
    float fraction() const { return fraction_; }
    const char* label() const { return label_; }

private:
    orsine::utility::ProgressFunction function_;
    int32_t userData_ = 0;
    float fraction_ = 0.0f;
    bool cancellable_;
    bool cancelled_ = false;
    double lastCall_;
    const char* label_;
    bool active_ = true;
};

// A sub-range of a reporter: reports t in [0, 1] as (1 - t) * start + t * end.
class ProgressRange : public orsine::utility::IiUI {
public:
    // A range over the whole of `parent` (may be null); reports 0 once to the parent.
    explicit ProgressRange(orsine::utility::IiUI* parent);

    void report(float t, const std::string& label) override;
    void report(float t) { report(t, std::string()); }

    // A new range from this range's current value to its value at t; this
    // range's current position becomes t.
    ProgressRange subRange(float t);
    // A range over [start, end] of `parent` (may be null) that reports nothing yet.
    static ProgressRange over(orsine::utility::IiUI* parent, float start, float end) {
        return ProgressRange(parent, start, end);
    }

    float valueAt(float t) const { return (1.0f - t) * start_ + t * end_; }
    float start() const { return start_; }
    float end() const { return end_; }
    float current() const { return current_; }
    orsine::utility::IiUI* parent() const { return parent_; }

private:
    ProgressRange(orsine::utility::IiUI* parent, float start, float end);

    orsine::utility::IiUI* parent_;
    float start_ = 0.0f;
    float end_ = 1.0f;
    float current_ = 0.0f;
};

#endif
