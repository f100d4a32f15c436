#pragma once

#include "model/Subscription.h"

#include <QRandomGenerator>
#include <QTimeZone>

// The moment and the lists the benchmarks measure with: the same pseudo-random records in every run.
namespace BenchLists {

inline const QTimeZone zone("America/New_York");
inline const QDateTime now(QDate(2026, 12, 6), QTime(9, 30), zone);

struct ListText {
    // "%1" is the record's number.
    QString namePattern = QStringLiteral("Subscription %1 订阅");
    QString notes = QStringLiteral("notes / 备注");
};

inline QList<Subscription> makeList(int count, const ListText &text = {}) {
    QRandomGenerator rng(42);
    const QStringList currencies{u"CNY"_qs, u"USD"_qs, u"EUR"_qs, u"HKD"_qs, u"JPY"_qs, u"GBP"_qs};
    QList<Subscription> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        list << Subscription::make(
            text.namePattern.arg(i), rng.bounded(1, 50000) / 100.0, currencies[int(rng.bounded(6))],
            rng.bounded(10) == 0 ? BillingType::oneTime : BillingType::recurring,
            allBillingCycles()[int(rng.bounded(4))], now.addDays(-qint64(rng.bounded(0, 3650))).toUTC(),
            u"AI/工具"_qs, text.notes, rng.bounded(8) != 0);
    }
    return list;
}

} // namespace BenchLists
