#pragma once

#include "store/Store.h"

// Sums, filters and orders of a subscription list, computed afresh from the list on every call.
namespace Aggregates {

double totalMonthlyCNY(const QList<Subscription> &subscriptions);
// Active recurring records, in list order.
QList<Subscription> activeSubscriptions(const QList<Subscription> &subscriptions);
// Active records charging from today to `withinDays` days ahead inclusive, by days, stable.
QList<UpcomingCharge> upcoming(const QList<Subscription> &subscriptions, int withinDays, const QDateTime &now,
                               const QTimeZone &zone);
int activeCount(const QList<Subscription> &subscriptions);

} // namespace Aggregates

// The main list's order: active before paused, then the larger monthly amount in CNY first, then
// list order. As positions in `subscriptions`, so that no record is copied.
QList<qsizetype> mainOrder(const QList<Subscription> &subscriptions);
// What the main window shows of a list on one day, worked out in one pass: the charges of the coming
// days, the main list's order, the monthly total and the number of active subscriptions. Made ahead,
// for example on the thread that read the list, it stands in for the separate functions above while
// it describes the list.
struct ListOverview {
    // The list described; shared with the list it was made from, not copied.
    QList<Subscription> list;
    QDate today;
    QTimeZone zone;
    int withinDays = 0;
    // As Aggregates::upcoming, mainOrder, Aggregates::totalMonthlyCNY and Aggregates::activeCount give
    // them.
    QList<UpcomingCharge> upcoming;
    QList<qsizetype> order;
    double totalMonthlyCNY = 0;
    int activeCount = 0;

    // Whether it was made from this very list (not an equal one) for the day of `now` in `zone`, with
    // the same window.
    bool describes(const QList<Subscription> &subscriptions, int withinDays, const QDateTime &now,
                   const QTimeZone &in) const;
};
ListOverview listOverview(const QList<Subscription> &subscriptions, int withinDays, const QDateTime &now,
                          const QTimeZone &zone);
// The records in the main list's order.
QList<Subscription> sortedSubs(const QList<Subscription> &subscriptions);

// The summary header's figures for the current language, with a 7-day window.
SummaryFigures summaryFigures(const QList<Subscription> &subscriptions, const QDateTime &now,
                              const QTimeZone &zone);
