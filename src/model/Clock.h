#pragma once

#include <QDateTime>
#include <QTimeZone>

// The one place the program takes the current moment and the user's time zone from. Everything that
// depends on "now" (billing dates, the views, the reminders, the tray panel) asks `Clock::current()`,
// so a test can pin all of it to one moment by installing a clock of its own.
class Clock {
public:
    virtual ~Clock() = default;
    // The current instant.
    virtual QDateTime now() const = 0;
    // The zone whose calendar days count.
    virtual QTimeZone zone() const = 0;

    // The wall clock and time zone of the machine, read afresh on every call.
    static const Clock &system();
    // A clock that always answers as the installed clock does at the moment of the call: the system
    // clock unless `install` put another in its place. Safe to keep a reference to.
    static const Clock &current();
    // Makes `clock` the one `current()` answers from (nullptr: the system clock again). The caller
    // keeps `clock` alive while it is installed.
    static void install(const Clock *clock);
};
