#include "DesktopNotificationCenter.h"
#include "ReminderTestSupport.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTest>

using TestSupport::at;
using namespace std::chrono_literals;

namespace {

NotificationRequest calendarRequest(const QString &identifier, QDate date, QTime time = QTime(10, 0)) {
    NotificationRequest request;
    request.identifier = identifier;
    request.title = identifier;
    request.trigger = NotificationRequest::CalendarTrigger{date, time};
    return request;
}

NotificationRequest intervalRequest(const QString &identifier, std::chrono::milliseconds interval) {
    NotificationRequest request;
    request.identifier = identifier;
    request.title = identifier;
    request.trigger = NotificationRequest::TimeIntervalTrigger{interval};
    return request;
}

QStringList identifiers(const QList<NotificationRequest> &requests) {
    QStringList ids;
    for (const auto &r : requests)
        ids.append(r.identifier);
    return ids;
}

} // namespace

class TestDesktopNotificationCenter : public QObject {
    Q_OBJECT

private:
    const QTimeZone zone = QTimeZone::systemTimeZone();
    QDateTime t(int day, int hour, int minute = 0, int second = 0, int ms = 0) const {
        return at(zone, 2025, 5, day, hour, minute).addMSecs(second * 1000 + ms);
    }

private Q_SLOTS:
    // The wall clock is set to each moment in turn and checked; `shown` is how many times the
    // request has been shown after that check. It is added at 09:00 on 20 May.
    void firing_data() {
        QTest::addColumn<bool>("calendar"); // 10:00 on 20 May, else 3 seconds after adding
        QTest::addColumn<QList<QDateTime>>("moments");
        QTest::addColumn<QList<int>>("shown");

        QTest::newRow("fires once at its moment")
            << true << QList{t(20, 9, 59, 59, 999), t(20, 10), t(20, 10, 0, 30), t(21, 10)}
            << QList{0, 1, 1, 1};
        QTest::newRow("moment passed during sleep fires at the next check")
            << true << QList{t(20, 9, 30), t(22, 8)} << QList{0, 1};
        QTest::newRow("clock set backwards does not fire early")
            << true << QList{t(20, 9, 59), t(19, 10), t(20, 8), t(20, 9, 59, 59)} << QList{0, 0, 0, 0};
        QTest::newRow("clock set backwards, then reaching the moment")
            << true << QList{t(19, 11), t(20, 10, 0, 1)} << QList{0, 1};
        QTest::newRow("clock set back after firing does not fire again")
            << true << QList{t(20, 10), t(20, 9), t(20, 10), t(20, 11)} << QList{1, 1, 1, 1};
        QTest::newRow("3 s interval")
            << false << QList{t(20, 9, 0, 2, 999), t(20, 9, 0, 3), t(20, 9, 0, 4)} << QList{0, 1, 1};
        QTest::newRow("3 s interval across a sleep")
            << false << QList{t(20, 9, 0, 1), t(20, 18)} << QList{0, 1};
        QTest::newRow("3 s interval with the clock set back")
            << false << QList{t(20, 8, 0, 3), t(20, 9, 0, 2)} << QList{0, 0};
    }
    void firing() {
        QFETCH(bool, calendar);
        QFETCH(QList<QDateTime>, moments);
        QFETCH(QList<int>, shown);

        ManualClock clock(t(20, 9));
        RecordingPresenter presenter;
        DesktopNotificationCenter center(clock, presenter);
        center.add(calendar ? calendarRequest("renew-A", QDate(2025, 5, 20)) : intervalRequest("test-A", 3s));
        for (qsizetype i = 0; i < moments.size(); ++i) {
            clock.set(moments[i]);
            center.check();
            QVERIFY2(presenter.shown.size() == shown[i], qPrintable(moments[i].toString(Qt::ISODateWithMs)));
        }
        if (presenter.shown.size() == 1)
            QCOMPARE(center.pendingRequests().size(), 0);
    }

    // A wall-clock trigger follows the clock on the wall, whatever zone it is in when it fires.
    void followsTheWallClockOfTheCurrentZone() {
        ManualClock clock(QDateTime(QDate(2025, 5, 20), QTime(9, 0), QTimeZone("Europe/London")),
                          QTimeZone("Europe/London"));
        RecordingPresenter presenter;
        DesktopNotificationCenter center(clock, presenter);
        center.add(calendarRequest("renew-A", QDate(2025, 5, 20)));
        center.check();
        QCOMPARE(presenter.shown.size(), 0);
        // Same instant, but on the wall in Tokyo it is already 17:00.
        clock.setZone(QTimeZone("Asia/Tokyo"));
        center.check();
        QCOMPARE(presenter.shown.size(), 1);
    }

    void removalDropsPendingRequests() {
        ManualClock clock(t(20, 9));
        RecordingPresenter presenter;
        DesktopNotificationCenter center(clock, presenter);
        center.add(calendarRequest("renew-A", QDate(2025, 5, 20)));
        center.add(intervalRequest("test-B", 3s));
        QVERIFY(center.isTimerActive());
        center.removeAllPendingNotificationRequests();
        QVERIFY(!center.isTimerActive());
        clock.set(t(21, 12));
        center.check();
        QCOMPARE(presenter.shown.size(), 0);
    }

    void sameIdentifierReplacesAndSameMomentKeepsBoth() {
        ManualClock clock(t(20, 9));
        RecordingPresenter presenter;
        DesktopNotificationCenter center(clock, presenter);
        QSignalSpy fired(&center, &DesktopNotificationCenter::fired);
        center.add(calendarRequest("renew-A", QDate(2025, 5, 20)));
        center.add(calendarRequest("renew-B", QDate(2025, 5, 20), QTime(11, 0)));
        center.add(calendarRequest("renew-A", QDate(2025, 5, 20), QTime(11, 0)));
        QCOMPARE(identifiers(center.pendingRequests()), (QStringList{"renew-B", "renew-A"}));
        clock.set(t(20, 10, 30));
        center.check();
        QCOMPARE(presenter.shown.size(), 0);
        clock.set(t(20, 11));
        center.check();
        QCOMPARE(identifiers(presenter.shown), (QStringList{"renew-B", "renew-A"}));
        QCOMPARE(fired.size(), 2);
    }

    void nextCheckInterval_data() {
        QTest::addColumn<QList<NotificationRequest>>("requests");
        QTest::addColumn<bool>("watchDays");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<qint64>("expectedMs");

        const QDate day(2025, 5, 20);
        QTest::newRow("nothing pending")
            << QList<NotificationRequest>{} << false << t(20, 9) << qint64(60000);
        QTest::newRow("one second ahead")
            << QList{calendarRequest("a", day)} << false << t(20, 9, 59, 59) << qint64(1000);
        QTest::newRow("hours ahead: capped")
            << QList{calendarRequest("a", day)} << false << t(20, 3) << qint64(60000);
        QTest::newRow("due: at once")
            << QList{calendarRequest("a", day)} << false << t(20, 10, 5) << qint64(0);
        QTest::newRow("earliest of several") << QList{calendarRequest("a", day), intervalRequest("b", 3s)}
                                             << false << t(20, 9, 59, 58) << qint64(2000);
        QTest::newRow("next midnight when checks are watched")
            << QList<NotificationRequest>{} << true << t(20, 23, 59, 30) << qint64(30000);
    }
    void nextCheckInterval() {
        QFETCH(QList<NotificationRequest>, requests);
        QFETCH(bool, watchDays);
        QFETCH(QDateTime, now);
        QFETCH(qint64, expectedMs);
        ManualClock clock(now);
        RecordingPresenter presenter;
        DesktopNotificationCenter center(clock, presenter);
        for (const auto &request : requests)
            center.add(request);
        if (watchDays)
            center.setCheckedHandler([] {});
        QCOMPARE(center.nextCheckInterval().count(), expectedMs);
    }

    // Adding a request only ever brings the next check forward.
    void timerFollowsTheSoonestRequest() {
        ManualClock clock(t(20, 9, 59, 0));
        RecordingPresenter presenter;
        DesktopNotificationCenter center(clock, presenter);
        center.add(intervalRequest("test-A", 50s));
        QCOMPARE(center.timerInterval(), 50000ms);
        center.add(calendarRequest("renew-B", QDate(2025, 5, 20)));
        QCOMPARE(center.timerInterval(), 50000ms); // 10:00 is a minute away
        center.add(intervalRequest("test-C", 1s));
        QCOMPARE(center.timerInterval(), 1000ms);
        center.add(intervalRequest("test-D", 30s));
        QCOMPARE(center.timerInterval(), 1000ms);
    }

    // The centre's own timer delivers; no test calls check() here.
    void timerDeliversDueRequests() {
        ManualClock clock(t(20, 10, 0, 5));
        RecordingPresenter presenter;
        DesktopNotificationCenter center(clock, presenter);
        center.add(calendarRequest("renew-A", QDate(2025, 5, 20)));
        QTRY_COMPARE(presenter.shown.size(), 1);
        QVERIFY(!center.isTimerActive());
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotificationCenter)
#include "tst_desktop_notification_center.moc"
