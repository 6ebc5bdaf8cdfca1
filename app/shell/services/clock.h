// The clock that decides behaviour: log names and pruning, time stamps, and
// later the update checks and tips. Everything reads clockNow(); tests set it.
#ifndef APP_SHELL_SERVICES_CLOCK_H
#define APP_SHELL_SERVICES_CLOCK_H

#include <QDateTime>

#include <functional>

// The current local date and time, from the installed clock. Any thread.
QDateTime clockNow();

// Replaces the clock (for tests); an empty function restores the system clock.
void setClock(std::function<QDateTime()> clock);

// Restores the system clock.
void resetClock();

#endif
