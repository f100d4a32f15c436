#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <functional>

// Where a view's "now" comes from. The application uses the wall clock and the system zone; tests
// pin both so that date-dependent texts do not depend on the day they run.
struct ViewClock {
    std::function<QDateTime()> now;
    QTimeZone zone = QTimeZone::systemTimeZone();

    QDateTime current() const { return now ? now() : QDateTime::currentDateTime(); }
};
