#include "support/fixed_clock.h"

#include "shell/services/clock.h"

namespace test_support {

FixedClock::FixedClock(const QDateTime& now) : now_(now) {
    setClock([this] { return this->now(); });
}

FixedClock::~FixedClock() {
    resetClock();
}

void FixedClock::set(const QDateTime& now) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ = now;
}

void FixedClock::advance(qint64 milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ = now_.addMSecs(milliseconds);
}

QDateTime FixedClock::now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

} // namespace test_support
