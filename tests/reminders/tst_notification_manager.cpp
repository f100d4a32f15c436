#include "NotificationManager.h"
#include "ReminderTestSupport.h"
#include "TestSupport.h"

#include <QTest>

using TestSupport::at;
using Lang = LocalizationManager::Lang;
using Calendar = NotificationRequest::CalendarTrigger;

namespace {

const QString englishTail = u". Cancel ahead of time if you no longer need it."_qs;

Subscription subscription(const QString &name, const QDate &firstCharge,
                          BillingCycle cycle = BillingCycle::monthly,
                          BillingType type = BillingType::recurring, bool active = true) {
    return Subscription::make(name, 15.99, u"USD"_qs, type, cycle,
                              firstCharge.startOfDay(QTimeZone::systemTimeZone()).addSecs(9 * 3600), {}, {},
                              active);
}

QDate triggerDate(const NotificationRequest &request) {
    return std::get<Calendar>(request.trigger).date;
}

} // namespace

class TestNotificationManager : public QObject {
    Q_OBJECT

private:
    const QTimeZone zone = QTimeZone::systemTimeZone();

private Q_SLOTS:
    // Lead times, the 10:00 moment and the English time phrase. Dates are local to the time zone
    // the test runs in.
    void reschedule_data() {
        QTest::addColumn<int>("daysBefore");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDate>("firstCharge");
        QTest::addColumn<int>("cycle");
        QTest::addColumn<QDate>("reminderDay"); // invalid: no reminder
        QTest::addColumn<QString>("phrase");

        const int M = int(BillingCycle::monthly), W = int(BillingCycle::weekly),
                  Y = int(BillingCycle::yearly);
        const auto t = [&](int y, int m, int d, int h = 12, int min = 0) {
            return at(zone, y, m, d, h, min);
        };
        const QDate the20th(2025, 4, 20);
        const QDate none;

        QTest::newRow("3 days before the 20th is the 17th")
            << 3 << t(2025, 5, 10) << the20th << M << QDate(2025, 5, 17) << "in 3 days";
        QTest::newRow("0: charge today, before 10:00")
            << 0 << t(2025, 5, 20, 9, 59) << the20th << M << QDate(2025, 5, 20) << "today";
        QTest::newRow("0: charge today, at 10:00")
            << 0 << t(2025, 5, 20, 10, 0) << the20th << M << none << "";
        QTest::newRow("0: charge today, after 10:00")
            << 0 << t(2025, 5, 20, 15, 0) << the20th << M << none << "";
        QTest::newRow("1 keeps the plural")
            << 1 << t(2025, 5, 1) << the20th << M << QDate(2025, 5, 19) << "in 1 days";
        QTest::newRow("1: reminder later today")
            << 1 << t(2025, 5, 19, 8, 0) << the20th << M << QDate(2025, 5, 19) << "in 1 days";
        QTest::newRow("7") << 7 << t(2025, 5, 1) << the20th << M << QDate(2025, 5, 13) << "in 7 days";
        QTest::newRow("7: charge 5 days away is too close")
            << 7 << t(2025, 5, 15) << the20th << M << none << "";
        QTest::newRow("3: charge 2 days away is too close")
            << 3 << t(2025, 5, 18) << the20th << M << none << "";
        QTest::newRow("4, not one of the offered values, still counts")
            << 4 << t(2025, 5, 1) << the20th << M << QDate(2025, 5, 16) << "in 4 days";
        QTest::newRow("negative counts as 0, charge today")
            << -2 << t(2025, 5, 20, 9, 0) << the20th << M << QDate(2025, 5, 20) << "today";
        QTest::newRow("negative counts as 0, charge later")
            << -5 << t(2025, 5, 10) << the20th << M << QDate(2025, 5, 20) << "today";
        QTest::newRow("weekly: reminder in the previous month")
            << 3 << t(2025, 2, 24) << QDate(2025, 2, 16) << W << QDate(2025, 2, 27) << "in 3 days";
        QTest::newRow("yearly: reminder in the previous year")
            << 7 << t(2024, 12, 20) << QDate(2024, 1, 3) << Y << QDate(2024, 12, 27) << "in 7 days";
        QTest::newRow("reminder on the spring daylight-saving day")
            << 1 << t(2025, 3, 1) << QDate(2025, 2, 10) << M << QDate(2025, 3, 9) << "in 1 days";
        QTest::newRow("reminder on the autumn daylight-saving day")
            << 3 << t(2025, 10, 20) << QDate(2025, 10, 5) << M << QDate(2025, 11, 2) << "in 3 days";
        QTest::newRow("only the next charge counts: the 17th passed, none until the next reschedule")
            << 3 << t(2025, 5, 17, 10, 0) << the20th << M << none << "";
    }
    void reschedule() {
        QFETCH(int, daysBefore);
        QFETCH(QDateTime, now);
        QFETCH(QDate, firstCharge);
        QFETCH(int, cycle);
        QFETCH(QDate, reminderDay);
        QFETCH(QString, phrase);
        TestSupport::LanguageGuard english(Lang::en);

        ManualClock clock(now);
        RecordingCenter center;
        NotificationManager manager(center, clock);
        const Subscription sub = subscription(u"Netflix"_qs, firstCharge, BillingCycle(cycle));
        QVERIFY(manager.reschedule({sub}, daysBefore));

        if (!reminderDay.isValid()) {
            QCOMPARE(center.pending.size(), 0);
            return;
        }
        QCOMPARE(center.pending.size(), 1);
        const NotificationRequest &request = center.pending.first();
        QCOMPARE(request.identifier, u"renew-"_qs + sub.id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(request.title, u"Subscription renewing soon"_qs);
        QCOMPARE(request.body, u"Netflix will be charged $15.99 "_qs + phrase + englishTail);
        QVERIFY(request.sound);
        QCOMPARE(request.trigger, NotificationRequest::Trigger(Calendar{reminderDay, QTime(10, 0)}));
        // The moment it stands for is 10:00 local time, after now.
        QVERIFY(QDateTime(reminderDay, QTime(10, 0), zone) > now);
        QCOMPARE(QDateTime(reminderDay, QTime(10, 0), zone).time(), QTime(10, 0));
    }

    void skippedRecords_data() {
        QTest::addColumn<Subscription>("sub");
        QTest::addColumn<int>("daysBefore");
        const QDate future(2025, 6, 1);
        QTest::newRow("paused, charge ahead")
            << subscription("Paused", QDate(2025, 4, 25), BillingCycle::monthly, BillingType::recurring,
                            false)
            << 3;
        QTest::newRow("one-time purchase in the future")
            << subscription("Once", future, BillingCycle::monthly, BillingType::oneTime) << 3;
        QTest::newRow("one-time purchase today, before 10:00")
            << subscription("Once", QDate(2025, 5, 20), BillingCycle::monthly, BillingType::oneTime) << 0;
    }
    void skippedRecords() {
        QFETCH(Subscription, sub);
        QFETCH(int, daysBefore);
        ManualClock clock(at(zone, 2025, 5, 20, 8, 0));
        RecordingCenter center;
        NotificationManager manager(center, clock);
        QVERIFY(manager.reschedule({sub}, daysBefore));
        QCOMPARE(center.log, QStringList{"remove"});
    }

    void twoRecordsDueTheSameDayGetTwoRequests() {
        ManualClock clock(at(zone, 2025, 5, 1));
        RecordingCenter center;
        NotificationManager manager(center, clock);
        const QList<Subscription> subs{
            subscription("Spotify", QDate(2025, 3, 20)),
            subscription("Paused", QDate(2025, 3, 20), BillingCycle::monthly, BillingType::recurring, false),
            subscription("iCloud", QDate(2024, 5, 20), BillingCycle::yearly),
        };
        manager.reschedule(subs, 3);
        QCOMPARE(center.log, (QStringList{"remove", "add renew-" + uuidText(subs[0].id),
                                          "add renew-" + uuidText(subs[2].id)}));
        QCOMPARE(center.pending.size(), 2);
        QCOMPARE(center.pending[0].trigger, center.pending[1].trigger);
        QCOMPARE(triggerDate(center.pending[0]), QDate(2025, 5, 17));
    }

    // Every pending request goes first, test requests too, even when nothing new qualifies.
    void rescheduleReplacesEverythingPending() {
        ManualClock clock(at(zone, 2025, 5, 1));
        RecordingCenter center;
        NotificationManager manager(center, clock);
        const Subscription kept = subscription("Kept", QDate(2025, 4, 20));
        manager.reschedule({kept, subscription("Deleted", QDate(2025, 4, 21))}, 3);
        manager.sendTest();
        QCOMPARE(center.pending.size(), 3);

        center.log.clear();
        manager.reschedule({kept}, 3);
        QCOMPARE(center.log, (QStringList{"remove", "add renew-" + uuidText(kept.id)}));
        QCOMPARE(center.pending.size(), 1);

        manager.reschedule({}, 3);
        QCOMPARE(center.pending.size(), 0);
    }

    // The language chosen, or the system's when none is: the reminder and the test notification.
    void texts_data() {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("daysBefore");
        QTest::addColumn<bool>("zh");
        QTest::addColumn<QString>("body");
        const QStringList en{"en-US"}, zh{"zh-Hans-CN"};
        QTest::newRow("Chinese, 3 days") << int(Lang::zh) << en << 3 << true
                                         << u"「Netflix」将在3 天后扣费 $15.99，需要的话记得提前取消。"_qs;
        QTest::newRow("Chinese, same day") << int(Lang::zh) << en << 0 << true
                                           << u"「Netflix」将在今天扣费 $15.99，需要的话记得提前取消。"_qs;
        QTest::newRow("Chinese, negative") << int(Lang::zh) << en << -1 << true
                                           << u"「Netflix」将在今天扣费 $15.99，需要的话记得提前取消。"_qs;
        QTest::newRow("English, 7 days")
            << int(Lang::en) << zh << 7 << false << "Netflix will be charged $15.99 in 7 days" + englishTail;
        QTest::newRow("system, Chinese first")
            << int(Lang::system) << QStringList{"zh-TW", "en"} << 1 << true
            << u"「Netflix」将在1 天后扣费 $15.99，需要的话记得提前取消。"_qs;
        QTest::newRow("system, English first")
            << int(Lang::system) << QStringList{"en-GB", "zh-CN"} << 0 << false
            << "Netflix will be charged $15.99 today" + englishTail;
    }
    void texts() {
        QFETCH(int, lang);
        QFETCH(QStringList, preferred);
        QFETCH(int, daysBefore);
        QFETCH(bool, zh);
        QFETCH(QString, body);
        TestSupport::LanguageGuard guard(Lang(lang), preferred);

        ManualClock clock(at(zone, 2025, 5, 1));
        RecordingCenter center;
        NotificationManager manager(center, clock);
        manager.reschedule({subscription("Netflix", QDate(2025, 4, 20))}, daysBefore);
        manager.sendTest();
        QCOMPARE(center.pending.size(), 2);
        QCOMPARE(center.pending[0].title, zh ? u"订阅即将续费"_qs : u"Subscription renewing soon"_qs);
        QCOMPARE(center.pending[0].body, body);

        const NotificationRequest &test = center.pending[1];
        QCOMPARE(test.title, zh ? u"Renewly 测试通知"_qs : u"Renewly test notification"_qs);
        QCOMPARE(test.body, zh ? u"看到这条就说明续费提醒能正常工作 ✅"_qs
                               : u"If you can see this, reminders are working ✅"_qs);
        QVERIFY(test.sound);
        QCOMPARE(test.trigger, NotificationRequest::Trigger(
                                   NotificationRequest::TimeIntervalTrigger{std::chrono::seconds(3)}));
        QVERIFY(test.identifier.startsWith(u"test-"_qs));
        const QString uuid = test.identifier.mid(5);
        QCOMPARE(uuid, uuid.toUpper());
        QVERIFY(parseUuid(uuid).has_value());
    }

    // Without a notification service nothing is asked, added or removed.
    void unavailableCenterIsLeftAlone() {
        ManualClock clock(at(zone, 2025, 5, 1));
        RecordingCenter center;
        center.available = false;
        NotificationManager manager(center, clock);
        QVERIFY(!manager.requestAuthorization());
        QVERIFY(!manager.reschedule({subscription("Netflix", QDate(2025, 4, 20))}, 3));
        QVERIFY(!manager.sendTest());
        QVERIFY(!manager.refresh());
        QCOMPARE(center.log, QStringList{});
    }

    // Once the charge a reminder was for is past, a refresh on a later day sets up the reminder
    // of the following charge from the last list and lead time.
    void refreshSchedulesTheFollowingCharge() {
        ManualClock clock(at(zone, 2025, 5, 18));
        RecordingCenter center;
        NotificationManager manager(center, clock);
        QVERIFY(!manager.refresh()); // nothing to refresh from yet
        manager.reschedule({subscription("Netflix", QDate(2025, 4, 20))}, 3);
        QCOMPARE(center.pending.size(), 0);

        clock.set(at(zone, 2025, 5, 21, 0, 0));
        QVERIFY(manager.refresh());
        QCOMPARE(center.pending.size(), 1);
        QCOMPARE(triggerDate(center.pending[0]), QDate(2025, 6, 17));

        manager.reschedule({}, 3);
        QVERIFY(manager.refresh());
        QCOMPARE(center.pending.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestNotificationManager)
#include "tst_notification_manager.moc"
