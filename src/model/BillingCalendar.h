#pragma once

#include "Subscription.h"

#include <QDate>

#include <optional>
#include <vector>

// Calendar-day rules of billing, on plain dates so they hold in any time zone.
namespace BillingCalendar {

// The step loop gives up after this many billing periods and returns where it stopped.
inline constexpr int maxSteps = 10000;

// The first charge day on or after `today` of a recurring subscription whose first charge day is
// `first`: each billing period is added to the previous charge day, clamping to the end of short
// months (a day lost to a short month is not regained), for at most `maxSteps` periods. Computed in
// a bounded number of operations however far `first` lies in the past.
std::optional<QDate> nextRecurringDay(QDate first, QDate today, BillingCycle cycle);

// The same rule walked one period at a time; the reference the fast path is checked against.
std::optional<QDate> nextRecurringDayByStepping(QDate first, QDate today, BillingCycle cycle);

// The next charge day of any record: a paused record or a one-time purchase only has one while its
// first day is today or later.
std::optional<QDate> nextChargeDay(const Subscription &subscription, QDate first, QDate today);

// The calendar day of `instant` in `zone`, without building a zoned date-time.
QDate localDate(const QDateTime &instant, const QTimeZone &zone);

// Calendar days of many instants in one zone: the zone's offsets between two instants are looked up
// once, so each day costs a binary search instead of a time-zone query.
class LocalDates {
public:
    LocalDates(const QTimeZone &zone, qint64 fromMSecs, qint64 toMSecs);
    QDate of(const QDateTime &instant) const;

    // Transitions kept at most: a century of twice-yearly clock changes. None are kept after 2200.
    static constexpr std::size_t maxSpans = 200;

private:
    struct Span {
        qint64 fromMSecs; // UTC
        int offsetSeconds;
    };
    QTimeZone m_zone;
    qint64 m_from, m_to;
    std::vector<Span> m_spans;
};

// `count` periods after `date` (before it when negative); a day lost to a short month stays lost.
QDate addPeriods(QDate date, BillingCycle cycle, int count);

// Monthly-equivalent factor of one billing period.
double monthlyFactor(BillingCycle cycle);

} // namespace BillingCalendar
