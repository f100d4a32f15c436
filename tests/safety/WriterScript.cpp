#include "WriterScript.h"

#include "store/Store.h"

#include <QUuid>

namespace WriterScript {

namespace {

constexpr qsizetype maxRecords = 160;

QUuid idOf(int n) {
    static const QUuid space = QUuid::fromString(u"{9a3c1f52-6f0e-4b7d-8a51-2f1e0c6b7d40}");
    return QUuid::createUuidV5(space, QString::number(n));
}

Subscription recordOf(int generation) {
    Subscription s;
    s.id = idOf(generation);
    s.name = u"record %1 网易云"_qs.arg(generation);
    s.amount = generation / 100.0;
    s.currency = generation % 3 == 0 ? u"USD"_qs : u"CNY"_qs;
    s.billingType = generation % 7 == 0 ? BillingType::oneTime : BillingType::recurring;
    s.cycle = allBillingCycles()[generation % 4];
    s.startDate =
        QDateTime::fromSecsSinceEpoch(1'700'000'000 + qint64(generation) * 86'400, QTimeZone::utc());
    s.category = standardCategories()[generation % standardCategories().size()];
    // Notes of varying length make every save a different size.
    s.notes = QString((generation * 37) % 400, QChar(u'a' + generation % 26));
    return s;
}

enum class Change { add, rename, removeFirst, toggle };

Change changeFor(const QList<Subscription> &list, int generation) {
    if (list.isEmpty())
        return Change::add;
    switch (generation % 4) {
    case 0:
        return Change::add;
    case 1:
        return Change::rename;
    case 2:
        return list.size() > maxRecords ? Change::removeFirst : Change::add;
    default:
        return Change::toggle;
    }
}

Subscription renamedFirst(const QList<Subscription> &list, int generation) {
    Subscription first = list.first();
    first.name = u"generation %1"_qs.arg(generation);
    first.amount = generation;
    return first;
}

} // namespace

void apply(QList<Subscription> &list, int generation) {
    switch (changeFor(list, generation)) {
    case Change::add:
        list.append(recordOf(generation));
        break;
    case Change::rename:
        list.first() = renamedFirst(list, generation);
        break;
    case Change::removeFirst: {
        const QUuid id = list.first().id;
        list.removeIf([&](const Subscription &s) { return s.id == id; });
        break;
    }
    case Change::toggle: {
        Subscription &s = list[generation % list.size()];
        s.isActive = !s.isActive;
        break;
    }
    }
}

void apply(Store &store, int generation) {
    const QList<Subscription> &list = store.subscriptions();
    switch (changeFor(list, generation)) {
    case Change::add:
        store.add(recordOf(generation));
        break;
    case Change::rename:
        store.update(renamedFirst(list, generation));
        break;
    case Change::removeFirst:
        store.remove(list.first());
        break;
    case Change::toggle:
        store.toggleActive(list[generation % list.size()]);
        break;
    }
}

void Lists::advanceTo(int generation) {
    while (m_generation < generation)
        apply(m_list, ++m_generation);
}

} // namespace WriterScript
