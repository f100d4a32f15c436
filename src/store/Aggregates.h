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
// The records in the main list's order.
QList<Subscription> sortedSubs(const QList<Subscription> &subscriptions);

// The summary header's figures for the current language, with a 7-day window.
SummaryFigures summaryFigures(const QList<Subscription> &subscriptions, const QDateTime &now,
                              const QTimeZone &zone);
