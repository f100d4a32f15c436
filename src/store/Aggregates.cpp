#include "Aggregates.h"

#include "model/BillingCalendar.h"
#include "model/Format.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace Aggregates {

double totalMonthlyCNY(const QList<Subscription> &subscriptions) {
    double total = 0.0;
    for (const Subscription &s : subscriptions)
        total += s.monthlyAmountInCNY();
    return total;
}

QList<Subscription> activeSubscriptions(const QList<Subscription> &subscriptions) {
    QList<Subscription> active;
    active.reserve(subscriptions.size());
    for (const Subscription &s : subscriptions) {
        if (s.isActive && s.billingType == BillingType::recurring)
            active.append(s);
    }
    return active;
}

int activeCount(const QList<Subscription> &subscriptions) {
    return int(std::count_if(subscriptions.cbegin(), subscriptions.cend(), [](const Subscription &s) {
        return s.isActive && s.billingType == BillingType::recurring;
    }));
}

QList<UpcomingCharge> upcoming(const QList<Subscription> &subscriptions, int withinDays, const QDateTime &now,
                               const QTimeZone &zone) {
    QList<UpcomingCharge> charges;
    if (subscriptions.isEmpty())
        return charges;
    qint64 earliest = std::numeric_limits<qint64>::max(), latest = std::numeric_limits<qint64>::min();
    for (const Subscription &s : subscriptions) {
        const qint64 ms = s.startDate.toMSecsSinceEpoch();
        earliest = std::min(earliest, ms);
        latest = std::max(latest, ms);
    }
    const BillingCalendar::LocalDates localDates(zone, earliest, latest);
    const QDate today = BillingCalendar::localDate(now, zone);
    // Which records charge and when, then one stable pass by days: the records themselves are copied
    // once, into their place, and each of the few days in the window is started in the zone once.
    struct Due {
        int days;
        qsizetype index;
    };
    std::vector<Due> due;
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        const Subscription &s = subscriptions[i];
        if (!s.isActive)
            continue;
        const auto day = BillingCalendar::nextChargeDay(s, localDates.of(s.startDate), today);
        if (!day)
            continue;
        const qint64 days = today.daysTo(*day);
        if (days < 0 || days > withinDays)
            continue;
        due.push_back({int(days), i});
    }
    // Equal days keep list order: the index breaks ties, which costs less than a stable sort.
    std::sort(due.begin(), due.end(), [](const Due &a, const Due &b) {
        return a.days != b.days ? a.days < b.days : a.index < b.index;
    });
    charges.reserve(qsizetype(due.size()));
    QDateTime dayStart;
    int dayStartDays = -1;
    for (const Due &d : due) {
        if (d.days != dayStartDays) {
            dayStart = today.addDays(d.days).startOfDay(zone);
            dayStartDays = d.days;
        }
        charges.append(UpcomingCharge{subscriptions[d.index], dayStart, d.days});
    }
    return charges;
}

} // namespace Aggregates

QList<Subscription> sortedSubs(const QList<Subscription> &subscriptions) {
    // Paused records cost nothing a month, so they follow the active ones in list order; only the
    // active ones are sorted, by index, with the monthly amount computed once per record.
    struct Key {
        double monthly;
        qsizetype index;
    };
    std::vector<Key> active;
    std::vector<qsizetype> paused;
    active.reserve(size_t(subscriptions.size()));
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        const Subscription &s = subscriptions[i];
        if (s.isActive) {
            // A NaN amount (only ever in memory: the file refuses it) would break the ordering the
            // sort relies on; it goes last among the active records.
            const double monthly = s.monthlyAmountInCNY();
            active.push_back({std::isnan(monthly) ? -std::numeric_limits<double>::infinity() : monthly, i});
        } else {
            paused.push_back(i);
        }
    }
    std::sort(active.begin(), active.end(), [](const Key &a, const Key &b) {
        return a.monthly != b.monthly ? a.monthly > b.monthly : a.index < b.index;
    });
    QList<Subscription> sorted;
    sorted.reserve(subscriptions.size());
    for (const Key &key : active)
        sorted.append(subscriptions[key.index]);
    for (qsizetype index : paused)
        sorted.append(subscriptions[index]);
    return sorted;
}

SummaryFigures summaryFigures(const QList<Subscription> &subscriptions, const QDateTime &now,
                              const QTimeZone &zone) {
    SummaryFigures figures;
    figures.totalMonthlyCNY = Aggregates::totalMonthlyCNY(subscriptions);
    figures.monthlySpend = Format::base(figures.totalMonthlyCNY);
    figures.yearly = Format::base(figures.totalMonthlyCNY * 12);
    figures.active = Aggregates::activeCount(subscriptions);
    figures.dueSoon = int(Aggregates::upcoming(subscriptions, 7, now, zone).size());
    return figures;
}
