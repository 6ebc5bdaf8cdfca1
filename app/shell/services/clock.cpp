#include "shell/services/clock.h"

#include <mutex>

namespace {

std::mutex& clockMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<QDateTime()>& installedClock() {
    static std::function<QDateTime()> clock;
    return clock;
}

} // namespace

QDateTime clockNow() {
    std::function<QDateTime()> clock;
    {
        std::lock_guard<std::mutex> lock(clockMutex());
        clock = installedClock();
    }
    return clock ? clock() : QDateTime::currentDateTime();
}

void setClock(std::function<QDateTime()> clock) {
    std::lock_guard<std::mutex> lock(clockMutex());
    installedClock() = std::move(clock);
}

void resetClock() {
    setClock(nullptr);
}
