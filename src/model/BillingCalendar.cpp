#include "BillingCalendar.h"

#include "CurrencyRates.h"

#include <algorithm>
#include <numeric>

namespace BillingCalendar {
namespace {

int stepMonths(BillingCycle cycle) {
    switch (cycle) {
    case BillingCycle::weekly:
        return 0;
    case BillingCycle::monthly:
        return 1;
    case BillingCycle::quarterly:
        return 3;
    case BillingCycle::yearly:
        return 12;
    }
    return 1;
}

QDate addStep(QDate date, BillingCycle cycle) {
    return addPeriods(date, cycle, 1);
}

bool isLeap(qint64 year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Months counted from year 0: index = year * 12 + (month - 1). Floor division keeps it exact for
// years before 0, which QDate supports.
struct MonthIndex {
    static qint64 of(int year, int month) { return qint64(year) * 12 + (month - 1); }
    static qint64 year(qint64 index) { return index >= 0 ? index / 12 : -((-index + 11) / 12); }
    static int month(qint64 index) { return int(index - year(index) * 12) + 1; }
};

int daysInMonth(qint64 index) {
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int month = MonthIndex::month(index);
    if (month == 2 && isLeap(MonthIndex::year(index)))
        return 29;
    return lengths[month - 1];
}

// The shortest length (February counted as 28 days) of the months a month step of `step` months
// visits from `index` onwards. A day of month not above it can never be clamped again.
int shortestVisitedMonth(qint64 index, int step) {
    int shortest = 31;
    for (int i = 1; i <= 12 / std::gcd(step, 12); ++i) {
        const qint64 visited = index + qint64(i) * step;
        const int length = MonthIndex::month(visited) == 2 ? 28 : daysInMonth(visited);
        shortest = std::min(shortest, length);
    }
    return shortest;
}

QDate dateAt(qint64 index, int day) {
    return QDate(int(MonthIndex::year(index)), MonthIndex::month(index), day);
}

} // namespace

std::optional<QDate> nextRecurringDayByStepping(QDate first, QDate today, BillingCycle cycle) {
    if (!first.isValid() || !today.isValid())
        return std::nullopt;
    if (first >= today)
        return first;
    QDate next = first;
    for (int step = 0; step < maxSteps; ++step) {
        next = addStep(next, cycle);
        if (!next.isValid())
            return std::nullopt;
        if (next >= today)
            break;
    }
    return next;
}

std::optional<QDate> nextRecurringDay(QDate first, QDate today, BillingCycle cycle) {
    if (!first.isValid() || !today.isValid())
        return std::nullopt;
    if (first >= today)
        return first;

    if (cycle == BillingCycle::weekly) {
        const qint64 behind = first.daysTo(today);
        const qint64 steps = std::min<qint64>((behind + 6) / 7, maxSteps);
        const QDate next = first.addDays(steps * 7);
        return next.isValid() ? std::optional(next) : std::nullopt;
    }

    // Each of year(), month() and day() converts the whole date again: split each date once.
    int firstYear, firstMonth, firstDay, todayYear, todayMonth, todayDay;
    first.getDate(&firstYear, &firstMonth, &firstDay);
    today.getDate(&todayYear, &todayMonth, &todayDay);
    const int step = stepMonths(cycle);
    qint64 index = MonthIndex::of(firstYear, firstMonth);
    int day = firstDay;
    qint64 stepsTaken = 0;
    const qint64 todayIndex = MonthIndex::of(todayYear, todayMonth);
    const auto reached = [&] { return index > todayIndex || (index == todayIndex && day >= todayDay); };

    // While the day of month can still be clamped, walk period by period. Every month length is met
    // within twelve periods and two Februaries in a row are never both leap, so this ends after a few
    // dozen periods at most.
    // Every month has 28 days at least: a day up to the 28th is never clamped, so most records skip
    // the walk altogether.
    while (day > 28 && day > shortestVisitedMonth(index, step)) {
        if (stepsTaken == maxSteps)
            return dateAt(index, day);
        index += step;
        day = std::min(day, daysInMonth(index));
        ++stepsTaken;
        if (reached())
            return dateAt(index, day);
    }

    // The day of month is fixed from here on: jump straight to the first period on or after today.
    qint64 remaining = (todayIndex - index + step - 1) / step;
    if (index + remaining * step == todayIndex && day < todayDay)
        ++remaining;
    remaining = std::min(remaining, qint64(maxSteps) - stepsTaken);
    index += remaining * step;
    const QDate next = dateAt(index, day);
    return next.isValid() ? std::optional(next) : std::nullopt;
}

std::optional<QDate> nextChargeDay(const Subscription &subscription, QDate first, QDate today) {
    if (subscription.billingType != BillingType::recurring || !subscription.isActive) {
        if (first.isValid() && first >= today)
            return first;
        return std::nullopt;
    }
    return nextRecurringDay(first, today, subscription.cycle);
}

namespace {
QDate dateAtOffset(qint64 utcMSecs, int offsetSeconds) {
    constexpr qint64 msPerDay = 86'400'000;
    constexpr qint64 unixEpochJulianDay = 2'440'588;
    const qint64 ms = utcMSecs + qint64(offsetSeconds) * 1000;
    const qint64 day = ms >= 0 ? ms / msPerDay : -((-ms + msPerDay - 1) / msPerDay);
    return QDate::fromJulianDay(unixEpochJulianDay + day);
}
} // namespace

QDate localDate(const QDateTime &instant, const QTimeZone &zone) {
    return dateAtOffset(instant.toMSecsSinceEpoch(), zone.offsetFromUtc(instant));
}

LocalDates::LocalDates(const QTimeZone &zone, qint64 fromMSecs, qint64 toMSecs)
    : m_zone(zone)
    , m_from(fromMSecs)
    , m_to(toMSecs) {
    if (fromMSecs > toMSecs)
        return;
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(fromMSecs, QTimeZone::utc());
    m_spans.push_back({fromMSecs, zone.offsetFromUtc(from)});
    if (!zone.hasTransitions())
        return;
    // One transition at a time: asked for a whole range, Qt stops listing transitions where the
    // zone's table gives way to its recurring rule.
    qint64 cursor = fromMSecs;
    while (true) {
        const QTimeZone::OffsetData next =
            zone.nextTransition(QDateTime::fromMSecsSinceEpoch(cursor, QTimeZone::utc()));
        if (!next.atUtc.isValid()) {
            // Either no transitions remain, or Qt could not step from the zone's table into its
            // yearly rule. A year of the same offset after the last transition tells the first case;
            // in the second, instants beyond here are asked of the zone one by one.
            const int last = m_spans.back().offsetSeconds;
            constexpr qint64 fortnight = 15LL * 86'400'000;
            for (qint64 probe = cursor + fortnight; probe <= cursor + 25 * fortnight; probe += fortnight) {
                if (zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(probe, QTimeZone::utc())) != last) {
                    m_to = std::min(m_to, cursor);
                    break;
                }
            }
            break;
        }
        const qint64 at = next.atUtc.toMSecsSinceEpoch();
        if (at > toMSecs)
            break;
        // Start dates centuries apart or far ahead (a mistyped year) would otherwise cost every
        // redraw thousands of transitions, each found slowly so far out; instants past the table are
        // asked of the zone one by one.
        static const qint64 horizon = QDate(2200, 1, 1).startOfDay(QTimeZone::utc()).toMSecsSinceEpoch();
        if (m_spans.size() >= maxSpans || at > horizon) {
            m_to = cursor;
            break;
        }
        if (at <= cursor) { // no progress: trust the table only up to here
            m_to = cursor;
            break;
        }
        m_spans.push_back({at, next.offsetFromUtc});
        cursor = at;
    }
}

QDate LocalDates::of(const QDateTime &instant) const {
    const qint64 ms = instant.toMSecsSinceEpoch();
    if (ms < m_from || ms > m_to || m_spans.empty())
        return localDate(instant, m_zone);
    const auto after =
        std::upper_bound(m_spans.cbegin(), m_spans.cend(), ms,
                         [](qint64 value, const Span &span) { return value < span.fromMSecs; });
    return dateAtOffset(ms, std::prev(after)->offsetSeconds);
}

QDate addPeriods(QDate date, BillingCycle cycle, int count) {
    switch (cycle) {
    case BillingCycle::weekly:
        return date.addDays(7 * qint64(count));
    case BillingCycle::monthly:
        return date.addMonths(count);
    case BillingCycle::quarterly:
        return date.addMonths(3 * count);
    case BillingCycle::yearly:
        return date.addYears(count);
    }
    return {};
}

double monthlyFactor(BillingCycle cycle) {
    switch (cycle) {
    case BillingCycle::weekly:
        return 52.0 / 12.0;
    case BillingCycle::monthly:
        return 1.0;
    case BillingCycle::quarterly:
        return 1.0 / 3.0;
    case BillingCycle::yearly:
        return 1.0 / 12.0;
    }
    return 1.0;
}

} // namespace BillingCalendar

std::optional<Subscription::NextCharge> Subscription::nextCharge(const QDateTime &reference,
                                                                 const QTimeZone &zone) const {
    const QDate today = BillingCalendar::localDate(reference, zone);
    const QDate first = BillingCalendar::localDate(startDate, zone);
    const auto day = BillingCalendar::nextChargeDay(*this, first, today);
    if (!day)
        return std::nullopt;
    return NextCharge{*day, int(today.daysTo(*day))};
}

std::optional<QDateTime> Subscription::nextChargeDate(const QDateTime &reference,
                                                      const QTimeZone &zone) const {
    const auto next = nextCharge(reference, zone);
    if (!next)
        return std::nullopt;
    return next->day.startOfDay(zone);
}

std::optional<int> Subscription::daysUntilNextCharge(const QDateTime &reference,
                                                     const QTimeZone &zone) const {
    const auto next = nextCharge(reference, zone);
    if (!next)
        return std::nullopt;
    return next->days;
}

double Subscription::monthlyAmountInCurrency() const {
    if (!isActive || billingType == BillingType::oneTime)
        return 0;
    return amount * BillingCalendar::monthlyFactor(cycle);
}

double Subscription::monthlyAmountInCNY() const {
    return monthlyAmountInCurrency() * CurrencyRates::rate(currency);
}
