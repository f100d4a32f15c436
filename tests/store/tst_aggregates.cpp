#include "TestSupport.h"
#include "store/Aggregates.h"

#include <QTest>

using TestSupport::at;

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
        result << Subscription::make(QString::fromUtf8(s.name), s.amount, QString::fromLatin1(s.currency),
                                     s.type, s.cycle, now.addDays(s.startInDays).toUTC(), {}, {}, s.active);
    return result;
}

QStringList names(const QList<Subscription> &subscriptions) {
    QStringList result;
    for (const Subscription &s : subscriptions)
        result << s.name;
    return result;
}

QStringList names(const QList<UpcomingCharge> &charges) {
    QStringList result;
    for (const UpcomingCharge &c : charges)
        result << QStringLiteral("%1+%2").arg(c.sub.name).arg(c.days);
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
                  {"hand-edited code", 10, "xyz", BillingCycle::monthly, -40}});
        QCOMPARE(Aggregates::totalMonthlyCNY(subs), 20 * 7.2 + 100 + 10);
        QCOMPARE(names(Aggregates::activeSubscriptions(subs)),
                 (QStringList{u"USD plan"_qs, u"CNY plan"_qs, u"hand-edited code"_qs}));

        const auto two = subs.mid(0, 2);
        {
            TestSupport::LanguageGuard en(LocalizationManager::Lang::en);
            const SummaryFigures f = summaryFigures(two, now, zone);
            QCOMPARE(f.monthlySpend, u"$33.89"_qs);
            QCOMPARE(f.yearly, u"$406.67"_qs);
            QCOMPARE(f.totalMonthlyCNY, 244.0);
        }
        TestSupport::LanguageGuard zh(LocalizationManager::Lang::zh);
        const SummaryFigures f = summaryFigures(subs, now, zone);
        QCOMPARE(f.monthlySpend, u"¥254"_qs);
        QCOMPARE(f.yearly, u"¥3048"_qs);
        QCOMPARE(f.active, 3);
        QCOMPARE(f.dueSoon, 1); // only the one-time purchase in 3 days
    }

    void yearlyFigureIsTwelveMonths() {
        TestSupport::LanguageGuard zh(LocalizationManager::Lang::zh);
        const auto subs = list({{"weekly", 10, "CNY", BillingCycle::weekly, -1}});
        QCOMPARE(summaryFigures(subs, now, zone).yearly, u"¥520"_qs);
    }

    void upcomingWindow() {
        const auto subs = list({
            {"in 8 days", 1, "CNY", BillingCycle::monthly, 8},
            {"paused tomorrow", 1, "CNY", BillingCycle::monthly, 1, false},
            {"in 7 days", 1, "CNY", BillingCycle::monthly, 7},
            {"big in 2 days", 900, "CNY", BillingCycle::monthly, 2},
            {"today", 1, "CNY", BillingCycle::weekly, -14},
            {"one-time in 3 days", 1, "CNY", BillingCycle::monthly, 3, true, BillingType::oneTime},
            {"A small in 2 days", 1, "CNY", BillingCycle::yearly, 2},
            {"one-time yesterday", 1, "CNY", BillingCycle::monthly, -1, true, BillingType::oneTime},
        });
        QCOMPARE(names(Aggregates::upcoming(subs, 7, now, zone)),
                 (QStringList{u"today+0"_qs, u"big in 2 days+2"_qs, u"A small in 2 days+2"_qs,
                              u"one-time in 3 days+3"_qs, u"in 7 days+7"_qs}));
        const auto charges = Aggregates::upcoming(subs, 7, now, zone);
        QCOMPARE(charges.first().date, now.date().startOfDay(zone));
        QCOMPARE(names(Aggregates::upcoming(subs, 0, now, zone)), QStringList{u"today+0"_qs});
    }

    void mainListOrder() {
        const auto subs = list({
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
                              u"one-time B"_qs, u"paused 500"_qs, u"paused 1"_qs}));
    }
};

QTEST_GUILESS_MAIN(TestAggregates)
#include "tst_aggregates.moc"
