#pragma once

#include <QDateTime>
#include <QTimeZone>

// Where the reminder code takes the current moment and the user's time zone from. The system clock
// in the application; a clock set by hand in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual QTimeZone zone() const = 0;

    // The wall clock and time zone of the machine, read afresh on every call.
    static const Clock &system();
};
