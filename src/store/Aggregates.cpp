#include "Aggregates.h"

#include "model/BillingCalendar.h"
#include "model/Format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

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

namespace {

// Orders doubles as unsigned integers do: the larger amount has the smaller key, so that an ascending
// sort puts it first. Zero of either sign is one amount.
quint64 descendingKey(double amount) {
    const auto bits = std::bit_cast<quint64>(amount + 0.0);
    const quint64 ascending = (bits >> 63) != 0 ? ~bits : bits | (quint64(1) << 63);
    return ~ascending;
}

// The main list's order, with `monthlyOf(i)` the monthly amount in CNY of record i.
template <typename Monthly>
QList<qsizetype> orderByMonthly(const QList<Subscription> &subscriptions, Monthly monthlyOf) {
    // Paused records cost nothing a month, so they follow the active ones in list order; only the
    // active ones are sorted, by a key computed once per record. The sort is a stable radix sort, a
    // byte at a time, so equal amounts keep list order.
    struct Key {
        quint64 key;
        qsizetype index;
    };
    std::vector<Key> active, spare;
    active.reserve(size_t(subscriptions.size()));
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        const Subscription &s = subscriptions[i];
        if (!s.isActive)
            continue;
        // A NaN amount (only ever in memory: the file refuses it) goes last among the active records.
        const double monthly = monthlyOf(i);
        active.push_back(
            {descendingKey(std::isnan(monthly) ? -std::numeric_limits<double>::infinity() : monthly), i});
    }
    std::array<std::array<qsizetype, 256>, 8> counts{};
    for (const Key &k : active) {
        for (size_t byte = 0; byte < 8; ++byte)
            ++counts[byte][(k.key >> (8 * byte)) & 0xFF];
    }
    spare.resize(active.size());
    for (size_t byte = 0; byte < 8; ++byte) {
        auto &count = counts[byte];
        // A byte all keys share does not reorder anything.
        if (std::find(count.cbegin(), count.cend(), qsizetype(active.size())) != count.cend())
            continue;
        qsizetype start = 0;
        for (qsizetype &c : count)
            start += std::exchange(c, start);
        for (const Key &k : active)
            spare[size_t(count[(k.key >> (8 * byte)) & 0xFF]++)] = k;
        active.swap(spare);
    }
    QList<qsizetype> order;
    order.reserve(subscriptions.size());
    for (const Key &k : active)
        order.append(k.index);
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        if (!subscriptions[i].isActive)
            order.append(i);
    }
    return order;
}

} // namespace

QList<qsizetype> mainOrder(const QList<Subscription> &subscriptions) {
    return orderByMonthly(subscriptions,
                          [&subscriptions](qsizetype i) { return subscriptions[i].monthlyAmountInCNY(); });
}

bool ListOverview::describes(const QList<Subscription> &subscriptions, int days, const QDateTime &now,
                             const QTimeZone &in) const {
    // The overview holds the list it was made from, so an unchanged list still shares its records.
    return list.constData() == subscriptions.constData() && list.size() == subscriptions.size() &&
           withinDays == days && zone == in && today == BillingCalendar::localDate(now, in);
}

ListOverview listOverview(const QList<Subscription> &subscriptions, int withinDays, const QDateTime &now,
                          const QTimeZone &zone) {
    ListOverview overview;
    overview.list = subscriptions;
    overview.today = BillingCalendar::localDate(now, zone);
    overview.zone = zone;
    overview.withinDays = withinDays;
    // Each record's monthly amount is worked out once, for the total and the order alike; the total
    // adds them in list order, as totalMonthlyCNY does.
    std::vector<double> monthly(size_t(subscriptions.size()));
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        const Subscription &s = subscriptions[i];
        monthly[size_t(i)] = s.monthlyAmountInCNY();
        overview.totalMonthlyCNY += monthly[size_t(i)];
        if (s.isActive && s.billingType == BillingType::recurring)
            ++overview.activeCount;
    }
    overview.order = orderByMonthly(subscriptions, [&monthly](qsizetype i) { return monthly[size_t(i)]; });
    overview.upcoming = Aggregates::upcoming(subscriptions, withinDays, now, zone);
    return overview;
}

QList<Subscription> sortedSubs(const QList<Subscription> &subscriptions) {
    QList<Subscription> sorted;
    sorted.reserve(subscriptions.size());
    for (const qsizetype index : mainOrder(subscriptions))
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
