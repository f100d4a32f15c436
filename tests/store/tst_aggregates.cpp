#include "TestSupport.h"
#include "store/Aggregates.h"

#include <QTest>

#include <cmath>

using TestSupport::at;
using TestSupport::names;

namespace {

const QTimeZone zone = QTimeZone::systemTimeZone();
const QDateTime now = at(zone, 2025, 5, 20, 21, 45);

struct Spec {
    const char *name;
    double amount;
    const char *currency;
    BillingCycle cycle;
    int startInDays; // relative to today
    bool active = true;
    BillingType type = BillingType::recurring;
};

QList<Subscription> list(std::initializer_list<Spec> specs) {
    QList<Subscription> result;
    for (const Spec &s : specs)
        result << Subscription{.name = QString::fromUtf8(s.name),
                               .amount = s.amount,
                               .currency = QString::fromLatin1(s.currency),
                               .billingType = s.type,
                               .cycle = s.cycle,
                               .startDate = now.addDays(s.startInDays).toUTC(),
                               .isActive = s.active};
    return result;
}

QStringList charges(const QList<UpcomingCharge> &charges) {
    QStringList result;
    for (const UpcomingCharge &c : charges)
        result << u"%1+%2"_qs.arg(c.sub.name).arg(c.days);
    return result;
}

} // namespace

class TestAggregates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyList() {
        const QList<Subscription> empty;
        QCOMPARE(Aggregates::totalMonthlyCNY(empty), 0.0);
        QVERIFY(Aggregates::activeSubscriptions(empty).isEmpty());
        QVERIFY(Aggregates::upcoming(empty, 7, now, zone).isEmpty());
        QVERIFY(sortedSubs(empty).isEmpty());
        TestSupport::LanguageGuard en(LocalizationManager::Lang::en);
        const SummaryFigures figures = summaryFigures(empty, now, zone);
        QCOMPARE(figures.monthlySpend, u"$0"_qs);
        QCOMPARE(figures.active, 0);
    }

    void totalsAndSummary() {
        const auto subs =
            list({{"USD plan", 20, "USD", BillingCycle::monthly, -3},
                  {"CNY plan", 100, "CNY", BillingCycle::monthly, -10},
                  {"paused", 500, "CNY", BillingCycle::monthly, -1, false},
                  {"one-time", 999, "CNY", BillingCycle::monthly, 3, true, BillingType::oneTime},
                  {"hand-edited code", 10, "xyz", BillingCycle::monthly, -40},
                  {"weekly", 10, "CNY", BillingCycle::weekly, -1}});
        QCOMPARE(Aggregates::totalMonthlyCNY(subs), 20 * 7.2 + 100 + 10 + 10 * (52.0 / 12.0));
        QCOMPARE(names(Aggregates::activeSubscriptions(subs)),
                 (QStringList{u"USD plan"_qs, u"CNY plan"_qs, u"hand-edited code"_qs, u"weekly"_qs}));

        const auto two = subs.mid(0, 2);
        {
            TestSupport::LanguageGuard en(LocalizationManager::Lang::en);
            const SummaryFigures f = summaryFigures(two, now, zone);
            QCOMPARE(f.monthlySpend, u"$33.89"_qs);
            QCOMPARE(f.yearly, u"$406.67"_qs);
            QCOMPARE(f.totalMonthlyCNY, 244.0);
        }
        TestSupport::LanguageGuard zh(LocalizationManager::Lang::zh);
        QCOMPARE(summaryFigures(subs.mid(5), now, zone).yearly, u"¥520"_qs);
        const SummaryFigures f = summaryFigures(subs.mid(0, 5), now, zone);
        QCOMPARE(f.monthlySpend, u"¥254"_qs);
        QCOMPARE(f.yearly, u"¥3048"_qs);
        QCOMPARE(f.active, 3);
    }

    // Each record alone: whether it is an upcoming charge within 7 days, and in how many days. The
    // summary's due-soon figure counts the same window.
    void upcomingWindow_data() {
        QTest::addColumn<int>("cycle");
        QTest::addColumn<int>("startInDays");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("oneTime");
        QTest::addColumn<int>("days"); // -1: not upcoming
        const int M = int(BillingCycle::monthly), W = int(BillingCycle::weekly);
        QTest::newRow("starts today") << M << 0 << true << false << 0;
        QTest::newRow("weekly, started two weeks ago") << W << -14 << true << false << 0;
        QTest::newRow("in 7 days: last day of the window") << M << 7 << true << false << 7;
        QTest::newRow("in 8 days: just outside") << M << 8 << true << false << -1;
        QTest::newRow("monthly, charged 10 days ago") << M << -40 << true << false << -1;
        QTest::newRow("weekly, charged yesterday: in 6 days") << W << -1 << true << false << 6;
        QTest::newRow("paused, due tomorrow") << M << 1 << false << false << -1;
        QTest::newRow("one-time in 3 days") << M << 3 << true << true << 3;
        QTest::newRow("one-time yesterday") << M << -1 << true << true << -1;
        // Ten thousand weeks after its start the charge still lies in the past: never due.
        QTest::newRow("past the step cap") << W << -80000 << true << false << -1;
    }

    void upcomingWindow() {
        QFETCH(int, cycle);
        QFETCH(int, startInDays);
        QFETCH(bool, active);
        QFETCH(bool, oneTime);
        QFETCH(int, days);
        const auto subs = list({{"S", 1, "CNY", BillingCycle(cycle), startInDays, active,
                                 oneTime ? BillingType::oneTime : BillingType::recurring}});
        const auto charges = Aggregates::upcoming(subs, 7, now, zone);
        QCOMPARE(charges.size(), days < 0 ? 0 : 1);
        QCOMPARE(summaryFigures(subs, now, zone).dueSoon, days < 0 ? 0 : 1);
        if (days < 0)
            return;
        QCOMPARE(charges.first().days, days);
        QCOMPARE(charges.first().date, now.date().addDays(days).startOfDay(zone));
        QCOMPARE(Aggregates::upcoming(subs, days, now, zone).size(), 1);
        if (days > 0)
            QVERIFY(Aggregates::upcoming(subs, days - 1, now, zone).isEmpty());
    }

    // Sorted by days only: equal days keep list order, whatever the names and amounts. Long enough
    // that an unstable sort would reorder them.
    void upcomingTiesKeepListOrder() {
        QList<Subscription> subs;
        QStringList expected[3];
        for (int i = 0; i < 60; ++i) {
            const int days = (i * 7) % 3;
            subs += list({{"", double(60 - i), "CNY", BillingCycle::monthly, days}});
            subs.last().name = QString::number(i);
            expected[days] << u"%1+%2"_qs.arg(i).arg(days);
        }
        QCOMPARE(charges(Aggregates::upcoming(subs, 7, now, zone)), expected[0] + expected[1] + expected[2]);
    }

    void mainListOrder() {
        // An amount that is not a number (possible in memory only) sorts after the active ones.
        const auto subs = list({
            {"not a number", std::nan(""), "CNY", BillingCycle::monthly, -5},
            {"paused 500", 500, "CNY", BillingCycle::monthly, -5, false},
            {"one-time A", 80, "CNY", BillingCycle::monthly, -5, true, BillingType::oneTime},
            {"active 1", 1, "CNY", BillingCycle::monthly, -5},
            {"free", 0, "CNY", BillingCycle::monthly, -5},
            {"one-time B", 90, "CNY", BillingCycle::monthly, -5, true, BillingType::oneTime},
            {"USD 20", 20, "USD", BillingCycle::monthly, -5},
            {"yearly 1200", 1200, "CNY", BillingCycle::yearly, -5},
            {"paused 1", 1, "CNY", BillingCycle::monthly, -5, false},
        });
        QCOMPARE(names(sortedSubs(subs)),
                 (QStringList{u"USD 20"_qs, u"yearly 1200"_qs, u"active 1"_qs, u"one-time A"_qs, u"free"_qs,
                              u"one-time B"_qs, u"not a number"_qs, u"paused 500"_qs, u"paused 1"_qs}));
    }

    // Equal monthly amounts (10 CNY a month three ways, and paused records) keep list order.
    void mainListTiesKeepListOrder() {
        QList<Subscription> subs;
        QStringList active, paused;
        for (int i = 0; i < 60; ++i) {
            const bool on = i % 4 != 3;
            const BillingCycle cycle = i % 3 == 0
                                           ? BillingCycle::monthly
                                           : (i % 3 == 1 ? BillingCycle::quarterly : BillingCycle::yearly);
            const double amount =
                cycle == BillingCycle::monthly ? 10 : (cycle == BillingCycle::quarterly ? 30 : 120);
            subs += list({{"", amount, "CNY", cycle, -5, on}});
            subs.last().name = QString::number(i);
            (on ? active : paused) << QString::number(i);
        }
        QCOMPARE(names(sortedSubs(subs)), active + paused);
    }

    // The overview made in one pass gives what the separate functions give, and stands in for them only
    // for the very list it was made from, on its day.
    void overviewMatchesTheParts() {
        auto subs = list({{"USD plan", 20, "USD", BillingCycle::monthly, -3},
                          {"not a number", std::nan(""), "CNY", BillingCycle::monthly, -5},
                          {"paused", 500, "CNY", BillingCycle::monthly, 1, false},
                          {"one-time", 999, "CNY", BillingCycle::monthly, 3, true, BillingType::oneTime},
                          {"weekly", 10, "CNY", BillingCycle::weekly, -1},
                          {"yearly", 1200, "EUR", BillingCycle::yearly, 0}});
        const ListOverview o = listOverview(subs, 7, now, zone);
        QCOMPARE(o.order, mainOrder(subs));
        QCOMPARE(charges(o.upcoming), charges(Aggregates::upcoming(subs, 7, now, zone)));
        QCOMPARE(o.activeCount, Aggregates::activeCount(subs));
        QVERIFY(std::isnan(o.totalMonthlyCNY) && std::isnan(Aggregates::totalMonthlyCNY(subs)));
        subs.removeAt(1);
        const ListOverview valid = listOverview(subs, 7, now, zone);
        QCOMPARE(valid.totalMonthlyCNY, Aggregates::totalMonthlyCNY(subs));

        QVERIFY(valid.describes(subs, 7, now.addSecs(60), zone));
        QVERIFY(!valid.describes(subs, 6, now, zone));
        QVERIFY(!valid.describes(subs, 7, now.addDays(1), zone));
        QList<Subscription> equal = subs;
        equal.detach();
        QVERIFY(!valid.describes(equal, 7, now, zone));
        subs.first().amount = 1;
        QVERIFY(!valid.describes(subs, 7, now, zone));
    }
};

QTEST_GUILESS_MAIN(TestAggregates)
#include "tst_aggregates.moc"
