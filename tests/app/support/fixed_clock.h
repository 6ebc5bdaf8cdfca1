// Sets the program's clock (clockNow) to a time the test chooses, for as long
// as it lives; the system clock comes back when it is destroyed.
#ifndef TESTS_APP_SUPPORT_FIXED_CLOCK_H
#define TESTS_APP_SUPPORT_FIXED_CLOCK_H

#include <QDateTime>

#include <mutex>

namespace test_support {

class FixedClock {
public:
    explicit FixedClock(const QDateTime& now);
    ~FixedClock();
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

    void set(const QDateTime& now);
    void advance(qint64 milliseconds);
    QDateTime now() const;

private:
    mutable std::mutex mutex_;
    QDateTime now_;
};

} // namespace test_support

#endif
