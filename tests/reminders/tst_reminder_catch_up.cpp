#include "DesktopNotificationCenter.h"
#include "NotificationManager.h"
#include "ReminderTestSupport.h"
#include "ShownReminders.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::at;

namespace {

// One run of the program: the desktop centre on the test's clock, the state file shared by all runs.
struct Run {
    RecordingPresenter presenter;
    DesktopNotificationCenter center;
    ShownReminders state;
    NotificationManager manager;
    Run(ManualClock &clock, const QString &statePath)
        : center(clock, presenter)
        , state(statePath)
        , manager(center, clock, &state) {
        manager.attach(center, nullptr);
    }
};

} // namespace

// Reminders across restarts, sleep and clock changes. A monthly subscription charges on the 20th
// of May; with the lead time of 3 days its reminder moment is 10:00 on the 17th.
class TestReminderCatchUp : public QObject {
    Q_OBJECT

private:
    const QTimeZone zone = QTimeZone::systemTimeZone();

    // "17 10:05" is 10:05 on 17 May.
    QDateTime moment(const QString &dayAndTime) const {
        const QStringList parts = dayAndTime.split(u' ');
        const QTime time = QTime::fromString(parts.value(1), u"HH:mm");
        return at(zone, 2025, 5, parts.value(0).toInt(), time.hour(), time.minute());
    }

private Q_SLOTS:
    // Each step is one of
    //   "launch DD HH:MM"  the program starts (the previous run having quit) and schedules twice, as
    //                       the shell and the main window do, then checks the clock
    //   "at DD HH:MM"      the clock reads this at the next check (a jump is a sleep or a clock change)
    //   "lead N"           the lead time is changed to N days
    //   "charge DD"        the record is edited to charge on day DD of each month
    //   "add"              the record is added to the list (it starts out absent)
    // `shown` lists what was shown, "DD HH:MM phrase", in order.
    void reminders_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("shown");

        const QString before = u"launch 16 18:00"_qs;
        const QString onTime = u"17 10:00 in 3 days"_qs;
        QTest::newRow("launch at 09:00 on the reminder day: shown at 10:00")
            << QStringList{before, "launch 17 09:00", "at 17 09:59", "at 17 10:00", "at 17 10:01"}
            << QStringList{onTime};
        QTest::newRow("launch at 10:00") << QStringList{before, "launch 17 10:00"} << QStringList{onTime};
        QTest::newRow("launch at 10:01")
            << QStringList{before, "launch 17 10:01", "at 17 10:02"} << QStringList{"17 10:01 in 3 days"};
        QTest::newRow("launch at 23:59")
            << QStringList{before, "launch 17 23:59", "at 18 00:00"} << QStringList{"17 23:59 in 3 days"};
        QTest::newRow("launch the day after says the days left")
            << QStringList{before, "launch 18 09:00"} << QStringList{"18 09:00 in 2 days"};
        QTest::newRow("launch on the charge day says today")
            << QStringList{before, "launch 20 15:00"} << QStringList{"20 15:00 today"};
        QTest::newRow("launch after the charge: nothing")
            << QStringList{before, "launch 21 09:00", "at 21 10:00"} << QStringList{};
        QTest::newRow("two launches the same day")
            << QStringList{before, "launch 17 11:00", "launch 17 11:05", "launch 17 23:00"}
            << QStringList{"17 11:00 in 3 days"};
        QTest::newRow("sleep across 10:00")
            << QStringList{before, "launch 17 09:00", "at 17 09:30", "at 17 11:00", "at 17 11:01"}
            << QStringList{"17 11:00 in 3 days"};
        QTest::newRow("sleep through the charge: nothing")
            << QStringList{"launch 16 09:00", "at 21 08:00", "at 21 10:00"} << QStringList{};
        QTest::newRow("clock set back after it was shown")
            << QStringList{"launch 17 09:00", "at 17 10:00",     "at 17 09:00", "lead 3",
                           "at 17 10:00",     "launch 17 09:30", "at 17 10:00"}
            << QStringList{onTime};
        QTest::newRow("added after its moment gets none, then or after a restart")
            << QStringList{"launch 17 09:00", "add 17 10:30", "at 17 10:31", "launch 17 11:00"}
            << QStringList{};
        QTest::newRow("a lead time changed after it was shown makes a new reminder")
            << QStringList{"launch 17 09:00", "at 17 10:00", "lead 2",         "at 18 10:00",
                           "lead 3",          "at 18 11:00", "launch 18 12:00"}
            << QStringList{onTime, "18 10:00 in 2 days"};
        QTest::newRow("an edited charge date makes a new reminder")
            << QStringList{"launch 17 09:00", "at 17 10:00", "charge 22", "at 19 10:00", "launch 19 11:00"}
            << QStringList{onTime, "19 10:00 in 3 days"};
    }
    void reminders() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shown);
        TestSupport::LanguageGuard english(LocalizationManager::Lang::en);
        QTemporaryDir dir;
        const QString statePath = dir.filePath(u"state/Renewly/reminders.json"_qs);

        ManualClock clock(moment("1 00:00"));
        Subscription sub = Subscription::make(u"Netflix"_qs, 15.99, u"USD"_qs, BillingType::recurring,
                                              BillingCycle::monthly, at(zone, 2025, 4, 20, 9, 0), {}, {});
        const bool addedLater =
            std::any_of(steps.cbegin(), steps.cend(), [](const QString &s) { return s.startsWith(u"add "); });
        QList<Subscription> list;
        if (!addedLater)
            list.append(sub);
        int lead = 3;
        std::unique_ptr<Run> run;
        QStringList seen;
        const auto collect = [&] {
            for (const NotificationRequest &request : std::as_const(run->presenter.shown)) {
                const QDateTime now = clock.now().toTimeZone(zone);
                const QString tail = u". Cancel ahead of time if you no longer need it."_qs;
                QString phrase = request.body.mid(request.body.indexOf(u"$15.99 ") + 7);
                phrase.chop(tail.size());
                seen.append(QString::number(now.date().day()) + u' ' + now.toString(u"HH:mm") + u' ' +
                            phrase);
            }
            run->presenter.shown.clear();
        };

        for (const QString &step : std::as_const(steps)) {
            const QString verb = step.section(u' ', 0, 0);
            const QString rest = step.section(u' ', 1);
            if (verb == u"launch") {
                run.reset();
                clock.set(moment(rest));
                run = std::make_unique<Run>(clock, statePath);
                run->manager.reschedule(list, lead);
                run->manager.reschedule(list, lead);
                run->center.check();
            } else if (verb == u"at") {
                clock.set(moment(rest));
                run->center.check();
            } else if (verb == u"add") {
                clock.set(moment(rest));
                list = {sub};
                run->manager.reschedule(list, lead);
                run->center.check();
            } else if (verb == u"lead") {
                lead = rest.toInt();
                if (run)
                    run->manager.reschedule(list, lead);
            } else if (verb == u"charge") {
                sub.startDate = at(zone, 2025, 4, rest.toInt(), 9, 0);
                list = {sub};
                run->manager.reschedule(list, lead);
            } else {
                QFAIL(qPrintable("unknown step " + step));
            }
            if (run)
                collect();
        }
        QCOMPARE(seen, shown);
    }

    // Whatever the state file holds, it reads as empty or as its good records, never crashes, and
    // is replaced by a good file at the next save.
    void hostileStateFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("unwritable");
        const QByteArray good = R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","chargeDate":"2025-05-20",)"
                                R"("daysBefore":3,"shownAt":"2025-05-17T02:00:00Z"})";
        QTest::newRow("empty") << QByteArray() << 0 << false;
        QTest::newRow("not JSON") << QByteArray("\x00\xff{{[\"", 6) << 0 << false;
        QTest::newRow("an array") << QByteArray("[1,2,3]") << 0 << false;
        QTest::newRow("wrong types") << QByteArray(R"({"lastAwake":5,"shown":{"a":1}})") << 0 << false;
        QTest::newRow("bad records skipped, the good one kept")
            << (R"({"lastAwake":"yesterday","shown":[null,1,"x",{"id":"nope"},)"
                R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","chargeDate":"2025-02-30","daysBefore":3,"shownAt":"2025-05-17T02:00:00Z"},)"
                R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","chargeDate":"2025-05-20","daysBefore":-1,"shownAt":"2025-05-17T02:00:00Z"},)"
                R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","chargeDate":"2025-05-20","daysBefore":1e300,"shownAt":"2025-05-17T02:00:00Z"},)" +
                good + "]}")
            << 1 << false;
        QTest::newRow("larger than any real file")
            << (QByteArray(R"({"shown":[)") + good + QByteArray(ShownReminders::maxFileBytes, ' ') + "]}")
            << 0 << false;
        QTest::newRow("deeply nested") << QByteArray(100000, '[') << 0 << false;
        QTest::newRow("a folder in its place") << QByteArray("folder") << 0 << true;
        // Whatever it caught up now it would catch up again at every start.
        QTest::newRow("readable but cannot be saved: nothing caught up")
            << QByteArray(R"({"lastAwake":"2025-05-10T00:00:00Z","shown":[]})") << 0 << true;
    }
    void hostileStateFile() {
        QFETCH(QByteArray, content);
        QFETCH(int, records);
        QFETCH(bool, unwritable);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"reminders.json"_qs);
        if (content == "folder")
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(TestSupport::writeFile(path, content));
        // A folder where the staging file goes makes every save fail, even for root.
        if (unwritable)
            QVERIFY(QDir().mkpath(dir.filePath(u".reminders.json.saving"_qs)));
        ManualClock clock(at(zone, 2025, 5, 17, 11, 0));
        Run run(clock, path);
        QCOMPARE(run.state.size(), records);
        const Subscription sub =
            Subscription::make(u"Netflix"_qs, 1, u"USD"_qs, BillingType::recurring, BillingCycle::monthly,
                               at(zone, 2025, 4, 20, 9, 0), {}, {});
        run.manager.reschedule({sub}, 3);
        run.center.check();
        QCOMPARE(run.presenter.shown.size(), 0);
        if (unwritable)
            return;
        const ShownReminders reread(path);
        QCOMPARE(reread.size(), records);
        QCOMPARE(reread.lastAwake(), clock.now().toUTC());
    }

    // Records are kept 60 days after their charge date or the day they were shown, whichever is later.
    void pruning_data() {
        QTest::addColumn<QDate>("charge");
        QTest::addColumn<QDate>("shownOn");
        QTest::addColumn<bool>("kept");
        const QDate today(2025, 7, 20);
        QTest::newRow("charge 60 days ago") << today.addDays(-60) << today.addDays(-63) << true;
        QTest::newRow("charge 61 days ago") << today.addDays(-61) << today.addDays(-64) << false;
        QTest::newRow("charge long ago, shown recently") << today.addDays(-400) << today.addDays(-3) << true;
    }
    void pruning() {
        QFETCH(QDate, charge);
        QFETCH(QDate, shownOn);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        ShownReminders state(dir.filePath(u"r.json"_qs));
        const ReminderKey key{QUuid::createUuid(), charge, 3};
        state.insert(key, shownOn.startOfDay(QTimeZone::utc()).addSecs(3600));
        state.prune(QDate(2025, 7, 20));
        QVERIFY(state.save().ok());
        QCOMPARE(ShownReminders(state.path()).contains(key), kept);
    }
};

QTEST_GUILESS_MAIN(TestReminderCatchUp)
#include "tst_reminder_catch_up.moc"
