#include "TestSupport.h"
#include "model/BillingCalendar.h"

#include <QRandomGenerator>
#include <QTest>

using TestSupport::at;

class TestBillingCalendar : public QObject {
    Q_OBJECT

private:
    const QTimeZone zone = QTimeZone::systemTimeZone();

    Subscription make(BillingCycle cycle, const QDateTime &start, BillingType type = BillingType::recurring,
                      bool active = true) const {
        return {.amount = 10, .billingType = type, .cycle = cycle, .startDate = start, .isActive = active};
    }

private Q_SLOTS:
    void nextChargeDate_data() {
        QTest::addColumn<int>("cycle");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("active");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("reference");
        QTest::addColumn<QDate>("expected"); // invalid: no next charge

        const auto M = int(BillingCycle::monthly), W = int(BillingCycle::weekly),
                   Q = int(BillingCycle::quarterly), Y = int(BillingCycle::yearly);
        const auto R = int(BillingType::recurring), O = int(BillingType::oneTime);
        const QTimeZone z = QTimeZone::systemTimeZone();
        const auto d = [&](int y, int m, int day, int h = 9) { return at(z, y, m, day, h); };

        QTest::newRow("monthly starting today")
            << M << R << true << d(2025, 5, 20) << d(2025, 5, 20, 18) << QDate(2025, 5, 20);
        QTest::newRow("monthly from 15 March asked 20 May")
            << M << R << true << d(2025, 3, 15) << d(2025, 5, 20) << QDate(2025, 6, 15);
        QTest::newRow("day lost to February is not regained")
            << M << R << true << d(2025, 1, 31) << d(2025, 4, 1) << QDate(2025, 4, 28);
        QTest::newRow("leap February keeps 29")
            << M << R << true << d(2024, 1, 31) << d(2024, 3, 30) << QDate(2024, 4, 29);
        QTest::newRow("weekly started 14 days ago charges today")
            << W << R << true << d(2025, 5, 6) << d(2025, 5, 20) << QDate(2025, 5, 20);
        QTest::newRow("weekly across a year end")
            << W << R << true << d(2024, 12, 30) << d(2025, 1, 7) << QDate(2025, 1, 13);
        QTest::newRow("yearly from 29 February")
            << Y << R << true << d(2024, 2, 29) << d(2024, 3, 1) << QDate(2025, 2, 28);
        QTest::newRow("yearly from 29 February, next leap year stays 28")
            << Y << R << true << d(2024, 2, 29) << d(2028, 2, 29) << QDate(2029, 2, 28);
        QTest::newRow("1900 has no 29 February")
            << M << R << true << d(1900, 1, 31) << d(1900, 3, 15) << QDate(1900, 3, 28);
        QTest::newRow("2000 has a 29 February")
            << M << R << true << d(2000, 1, 31) << d(2000, 3, 15) << QDate(2000, 3, 29);
        QTest::newRow("2100 has no 29 February")
            << Q << R << true << d(2099, 11, 30) << d(2100, 3, 1) << QDate(2100, 5, 28);
        QTest::newRow("quarterly from 31 August")
            << Q << R << true << d(2024, 8, 31) << d(2025, 3, 1) << QDate(2025, 5, 28);
        QTest::newRow("quarterly starting in the future")
            << Q << R << true << d(2031, 7, 9) << d(2025, 5, 20) << QDate(2031, 7, 9);
        QTest::newRow("one-time yesterday") << M << O << true << d(2025, 5, 19) << d(2025, 5, 20) << QDate();
        QTest::newRow("one-time in three days")
            << M << O << true << d(2025, 5, 23) << d(2025, 5, 20) << QDate(2025, 5, 23);
        QTest::newRow("paused, started last year")
            << M << R << false << d(2024, 5, 1) << d(2025, 5, 20) << QDate();
        QTest::newRow("paused, starting today")
            << M << R << false << d(2025, 5, 20, 23) << d(2025, 5, 20, 8) << QDate(2025, 5, 20);
        QTest::newRow("one-time today")
            << M << O << true << d(2025, 5, 20, 6) << d(2025, 5, 20, 22) << QDate(2025, 5, 20);
        QTest::newRow("paused, starting next week")
            << M << R << false << d(2025, 5, 27) << d(2025, 5, 20) << QDate(2025, 5, 27);
        QTest::newRow("late start time counts from its day")
            << M << R << true << d(2025, 4, 20, 23) << d(2025, 5, 20, 1) << QDate(2025, 5, 20);
        QTest::newRow("weekly from 1900 stops after ten thousand steps")
            << W << R << true << d(1800, 1, 1) << d(2025, 5, 20) << QDate(1800, 1, 1).addDays(70000);
        QTest::newRow("weekly from 1900")
            << W << R << true << d(1900, 1, 1) << d(2025, 5, 20) << QDate(2025, 5, 26);
        QTest::newRow("monthly ten thousand steps cap")
            << M << R << true << d(1000, 1, 31) << d(2025, 5, 20) << QDate(1833, 5, 28);
    }

    void nextChargeDate() {
        QFETCH(int, cycle);
        QFETCH(int, type);
        QFETCH(bool, active);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, reference);
        QFETCH(QDate, expected);

        const Subscription s = make(BillingCycle(cycle), start.toUTC(), BillingType(type), active);
        const auto next = s.nextChargeDate(reference.toUTC(), zone);
        const auto days = s.daysUntilNextCharge(reference.toUTC(), zone);
        if (!expected.isValid()) {
            QVERIFY(!next);
            QVERIFY(!days);
            return;
        }
        QVERIFY(next);
        QCOMPARE(next->toTimeZone(zone).date(), expected);
        QCOMPARE(next->toTimeZone(zone).time(), QTime(0, 0));
        QCOMPARE(*days, reference.toTimeZone(zone).date().daysTo(expected));
    }

    // The day count is a difference of calendar days, whatever the hours and any clock change.
    void daysCountCalendarDaysAcrossClockChanges_data() {
        QTest::addColumn<QString>("zoneId");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("reference");
        QTest::addColumn<int>("days");
        QTest::newRow("New York, spring forward")
            << u"America/New_York"_qs << at("America/New_York", 2025, 2, 10, 0, 30)
            << at("America/New_York", 2025, 3, 8, 23, 59) << 2;
        QTest::newRow("New York, fall back")
            << u"America/New_York"_qs << at("America/New_York", 2025, 10, 5, 23, 30)
            << at("America/New_York", 2025, 11, 1, 0, 0) << 4;
        QTest::newRow("Shanghai, the same instants")
            << u"Asia/Shanghai"_qs << at("America/New_York", 2025, 10, 5, 23, 30)
            << at("America/New_York", 2025, 11, 1, 0, 0) << 5;
    }

    void daysCountCalendarDaysAcrossClockChanges() {
        QFETCH(QString, zoneId);
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, reference);
        QFETCH(int, days);
        const QTimeZone z(zoneId.toUtf8());
        const Subscription s = make(BillingCycle::monthly, start.toUTC());
        QCOMPARE(s.daysUntilNextCharge(reference, z).value_or(-1), days);
        const QDateTime next = *s.nextChargeDate(reference, z);
        QCOMPARE(next.toTimeZone(z).time(), QTime(0, 0));
    }

    void monthlyAmountInCurrency_data() {
        QTest::addColumn<int>("cycle");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("active");
        QTest::addColumn<double>("amount");
        QTest::addColumn<double>("expected");
        QTest::newRow("weekly 10") << int(BillingCycle::weekly) << 0 << true << 10.0 << 43.33333333333333;
        QTest::newRow("monthly 9.99") << int(BillingCycle::monthly) << 0 << true << 9.99 << 9.99;
        QTest::newRow("quarterly 30") << int(BillingCycle::quarterly) << 0 << true << 30.0 << 10.0;
        QTest::newRow("yearly 120") << int(BillingCycle::yearly) << 0 << true << 120.0 << 10.0;
        QTest::newRow("paused") << int(BillingCycle::monthly) << 0 << false << 50.0 << 0.0;
        QTest::newRow("one-time") << int(BillingCycle::monthly) << 1 << true << 50.0 << 0.0;
    }

    void monthlyAmountInCurrency() {
        QFETCH(int, cycle);
        QFETCH(int, type);
        QFETCH(bool, active);
        QFETCH(double, amount);
        QFETCH(double, expected);
        Subscription s = make(BillingCycle(cycle), at(zone, 2025, 5, 20), BillingType(type), active);
        s.amount = amount;
        QCOMPARE(s.monthlyAmountInCurrency(), expected);
    }

    // The jump must give exactly what walking one period at a time gives.
    void fastPathMatchesSteppingLoop() {
        QRandomGenerator rng(20261206);
        const QList<BillingCycle> cycles = allBillingCycles();
        const int cases = qEnvironmentVariableIntValue("RENEWLY_CALENDAR_CASES") > 0
                              ? qEnvironmentVariableIntValue("RENEWLY_CALENDAR_CASES")
                              : 1'000'000;
        const QDate anchor(2026, 1, 1);
        for (int i = 0; i < cases; ++i) {
            const BillingCycle cycle = cycles[int(rng.bounded(4))];
            // References around month ends, starts on days 28 to 31 more often than not.
            QDate today = anchor.addDays(qint64(rng.bounded(-3650, 3650)));
            if (rng.bounded(2))
                today = QDate(today.year(), today.month(), today.daysInMonth()).addDays(rng.bounded(-2, 3));
            const int span = rng.bounded(10) == 0 ? 250 : (rng.bounded(3) == 0 ? 40 : 4);
            const int year = today.year() + rng.bounded(-span, span / 4 + 2);
            const int month = 1 + int(rng.bounded(12));
            const int dim = QDate(year, month, 1).daysInMonth();
            const int day =
                rng.bounded(3) == 0 ? 1 + int(rng.bounded(dim)) : qMax(28, dim - int(rng.bounded(4)));
            const QDate first(year, month, qMin(day, dim));
            const auto expected = BillingCalendar::nextRecurringDayByStepping(first, today, cycle);
            const auto actual = BillingCalendar::nextRecurringDay(first, today, cycle);
            if (actual != expected) {
                QFAIL(qPrintable(u"%1 from %2 at %3: got %4, expected %5"_qs.arg(
                    rawValue(cycle), first.toString(Qt::ISODate), today.toString(Qt::ISODate),
                    actual ? actual->toString(Qt::ISODate) : u"none"_qs,
                    expected ? expected->toString(Qt::ISODate) : u"none"_qs)));
            }
        }
    }

    // Local days from the zone's offset table agree with the zone's own conversion, around clock
    // changes and outside the table's range.
    void localDatesAgreeWithTheZone() {
        QRandomGenerator rng(7);
        for (const char *id : {"America/New_York", "Asia/Shanghai", "Australia/Lord_Howe", "UTC"}) {
            const QTimeZone z(id);
            const qint64 from =
                QDateTime(QDate(1985, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
            const qint64 to = QDateTime(QDate(2045, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
            const BillingCalendar::LocalDates dates(z, from, to);
            for (int i = 0; i < 20000; ++i) {
                // Half of the instants sit within a few hours of a local midnight.
                qint64 ms =
                    from - 86'400'000LL * 400 + qint64(rng.bounded(double(to - from) + 86'400'000.0 * 800));
                if (i % 2)
                    ms = ms - ms % 3'600'000;
                const QDateTime instant = QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
                QVERIFY2(dates.of(instant) == instant.toTimeZone(z).date(),
                         qPrintable(QString::fromLatin1(id) + u' ' + instant.toString(Qt::ISODateWithMs)));
                QCOMPARE(BillingCalendar::localDate(instant, z), instant.toTimeZone(z).date());
            }
        }
    }

    // Starts so far back that the step cap decides, for every cycle and awkward day.
    void fastPathHonoursStepCap_data() {
        QTest::addColumn<int>("cycle");
        QTest::addColumn<QDate>("first");
        for (BillingCycle cycle : allBillingCycles()) {
            for (const QDate &first :
                 {QDate(2, 1, 31), QDate(400, 2, 29), QDate(1000, 8, 31), QDate(1800, 5, 30)})
                QTest::addRow("%s from %s", qPrintable(rawValue(cycle)),
                              qPrintable(first.toString(Qt::ISODate)))
                    << int(cycle) << first;
        }
    }

    void fastPathHonoursStepCap() {
        QFETCH(int, cycle);
        QFETCH(QDate, first);
        const QDate today(2026, 12, 6);
        QCOMPARE(BillingCalendar::nextRecurringDay(first, today, BillingCycle(cycle)),
                 BillingCalendar::nextRecurringDayByStepping(first, today, BillingCycle(cycle)));
    }
};

QTEST_GUILESS_MAIN(TestBillingCalendar)
#include "tst_billing_calendar.moc"
