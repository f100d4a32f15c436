#include "ReminderTestSupport.h"
#include "TestSupport.h"

#include "NotificationManager.h"
#include "model/BillingCalendar.h"
#include "settings/LocalizationManager.h"
#include "settings/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using Lang = LocalizationManager::Lang;
using TestSupport::writeFile;

namespace {

QByteArray noise(qsizetype size, quint32 seed) {
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &c : out)
        c = char(generator.bounded(256));
    return out;
}

Subscription subscription(const char *name, BillingCycle cycle, QDate first) {
    return {.name = QString::fromLatin1(name),
            .amount = 10,
            .currency = u"USD"_qs,
            .cycle = cycle,
            .startDate = QDateTime(first, QTime(9, 0), QTimeZone::utc()),
            .category = u"影音"_qs};
}

} // namespace

// Whatever the preference file holds, or if it cannot be read at all, the program reads the defaults
// ("system", 3 days) or a value it can live with, and the reminders cope with any lead time.
class TestHostilePreferences : public QObject {
    Q_OBJECT

    QString m_ini;
    int m_writes = 0;

    void writeSettings(const QByteArray &bytes) {
        QVERIFY(QDir().mkpath(QFileInfo(m_ini).absolutePath()));
        QVERIFY(writeFile(m_ini, bytes));
        // QSettings keeps a parsed copy until the file's time or size changes: give every version
        // its own time.
        QFile file(m_ini);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0)).addSecs(++m_writes),
                                 QFileDevice::FileModificationTime));
    }

private Q_SLOTS:
    void initTestCase() {
        m_ini = Preferences::settings()->fileName();
        QVERIFY(m_ini.endsWith(u"Renewly/Renewly.ini"));
        QVERIFY2(!m_ini.startsWith(QDir::homePath()) || qEnvironmentVariableIsSet("XDG_CONFIG_HOME"),
                 "the test must run with a private configuration folder");
    }

    void cleanup() { QFile::remove(m_ini); }

    void reading_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<int>("days");

        const QByteArray g = "[General]\n";
        QTest::newRow("no file") << QByteArray() << Lang::system << 3;
        QTest::newRow("random bytes") << noise(4096, 1) << Lang::system << 3;
        // What comes before the noise still counts.
        QTest::newRow("random bytes after a valid section")
            << g + "appLanguage=zh\n" + noise(4096, 2) << Lang::zh << 3;
        QTest::newRow("NUL bytes") << QByteArray(10000, '\0') << Lang::system << 3;
        QTest::newRow("unbalanced brackets")
            << QByteArray("[[[General\n[\n=\n==\nappLanguage") << Lang::system << 3;
        QTest::newRow("8 MB of keys") << g + QByteArray("k=v\n").repeated(2 << 20) << Lang::system << 3;
        QTest::newRow("one 8 MB line") << g + "appLanguage=" + QByteArray(8 << 20, 'z') << Lang::system << 3;
        QTest::newRow("valid values") << g + "appLanguage=zh\nremindDaysBefore=7\n" << Lang::zh << 7;
        QTest::newRow("quoted value") << g + "appLanguage=\"en\"\n" << Lang::en << 3;
        QTest::newRow("upper case") << g + "appLanguage=ZH\n" << Lang::system << 3;
        QTest::newRow("language with region") << g + "appLanguage=zh-Hans\n" << Lang::system << 3;
        QTest::newRow("empty language") << g + "appLanguage=\n" << Lang::system << 3;
        QTest::newRow("language as a list") << g + "appLanguage=zh, en\n" << Lang::system << 3;
        QTest::newRow("language as bytes") << g + "appLanguage=@ByteArray(zh)\n" << Lang::system << 3;
        QTest::newRow("language as an invalid variant") << g + "appLanguage=@Invalid()\n"
                                                        << Lang::system << 3;
        QTest::newRow("language as a broken variant")
            << g + "appLanguage=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5QFoo\\0\\xff\\xff)\n"
            << Lang::system << 3;
        QTest::newRow("language as a string variant")
            << g + "appLanguage=@Variant(\\0\\0\\0\\n\\0\\0\\0\\0\\xff\\xff\\xff\\xf0)\n"
            << Lang::system << 3;
        QTest::newRow("lead time 10^9") << g + "remindDaysBefore=1000000000\n" << Lang::system << 1000000000;
        QTest::newRow("lead time INT_MIN") << g + "remindDaysBefore=-2147483648\n" << Lang::system << INT_MIN;
        QTest::newRow("lead time beyond int") << g + "remindDaysBefore=99999999999999999999\n"
                                              << Lang::system << 3;
        QTest::newRow("lead time as a fraction") << g + "remindDaysBefore=3.5\n" << Lang::system << 3;
        QTest::newRow("lead time 1e3") << g + "remindDaysBefore=1e3\n" << Lang::system << 3;
        QTest::newRow("lead time as a word") << g + "remindDaysBefore=three\n" << Lang::system << 3;
        QTest::newRow("lead time as a list") << g + "remindDaysBefore=1, 2\n" << Lang::system << 3;
        // A truncated integer variant reads as 0, one of the offered lead times.
        QTest::newRow("lead time as a broken variant") << g + "remindDaysBefore=@Variant(\\0\\0\\0\\x2)\n"
                                                       << Lang::system << 0;
        QTest::newRow("lead time with blanks") << g + "remindDaysBefore=  5  \n" << Lang::system << 5;
        QTest::newRow("lead time after an ideographic space") << g + "remindDaysBefore=\xE3\x80\x80"
                                                                     "5\n"
                                                              << Lang::system << 5;
        QTest::newRow("keys outside any section")
            << QByteArray("appLanguage=en\nremindDaysBefore=1\n") << Lang::en << 1;
    }

    void reading() {
        QFETCH(QByteArray, ini);
        QFETCH(Lang, lang);
        QFETCH(int, days);
        if (QTest::currentDataTag() == QByteArray("no file"))
            QFile::remove(m_ini);
        else
            writeSettings(ini);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Preferences::remindDaysBefore(), days);
        LocalizationManager::shared().reload();
        QCOMPARE(LocalizationManager::shared().lang(), lang);
        LocalizationManager::setPreferredLanguagesSource([] { return QStringList{u"zh-Hans-CN"_qs}; });
        QCOMPARE(LocalizationManager::shared().isZh(), lang != Lang::en);
        LocalizationManager::setPreferredLanguagesSource({});
    }

    // A folder where the preference file belongs: nothing can be read or written, and nothing fails.
    void unreadableFile() {
        QVERIFY(QDir().mkpath(m_ini));
        auto removeFolder = qScopeGuard([this] { QDir(m_ini).removeRecursively(); });
        QCOMPARE(Preferences::remindDaysBefore(), 3);
        QVERIFY(!Preferences::appLanguage());
        LocalizationManager::shared().reload();
        QCOMPARE(LocalizationManager::shared().lang(), Lang::system);
        // Writing fails silently; the choice holds for this run only.
        auto restore = qScopeGuard([] { LocalizationManager::shared().setLang(Lang::system); });
        LocalizationManager::shared().setLang(Lang::zh);
        Preferences::setRemindDaysBefore(5);
        QVERIFY(LocalizationManager::shared().isZh());
        QVERIFY(QFileInfo(m_ini).isDir());
        QVERIFY(QDir(m_ini).isEmpty());
    }

    void absurdLeadTimes_data() {
        QTest::addColumn<int>("days");
        for (int days : {0, 3, 400, 1000000000, INT_MAX, -1, -1000000000, INT_MIN})
            QTest::newRow(qPrintable(QString::number(days))) << days;
    }

    // Any lead time finishes at once and schedules only reminders ahead of now, each `days` before
    // its charge (none once the lead time passes the longest cycle).
    void absurdLeadTimes() {
        QFETCH(int, days);
        const QTimeZone zone("Asia/Shanghai");
        ManualClock clock(TestSupport::at(zone, 2025, 3, 8, 22, 30), zone);
        RecordingCenter center;
        NotificationManager manager(center, clock);
        const QList<Subscription> list{
            subscription("monthly", BillingCycle::monthly, QDate(2025, 1, 31)),
            subscription("yearly", BillingCycle::yearly, QDate(2000, 2, 29)),
            subscription("weekly", BillingCycle::weekly, QDate(1, 1, 1)),
            subscription("quarterly from far ahead", BillingCycle::quarterly, QDate(9999, 12, 31)),
        };
        QVERIFY(manager.reschedule(list, days));
        const int lead = qMax(days, 0);
        for (const NotificationRequest &request : center.pending) {
            const auto trigger = std::get<NotificationRequest::CalendarTrigger>(request.trigger);
            QVERIFY(QDateTime(trigger.date, trigger.time, zone) > clock.now());
            const auto charged = std::find_if(list.cbegin(), list.cend(), [&](const Subscription &s) {
                return request.identifier.endsWith(uuidText(s.id));
            });
            QVERIFY(charged != list.cend());
            const auto next = charged->nextCharge(clock.now(), zone);
            QVERIFY(next);
            QCOMPARE(trigger.date.daysTo(next->day), qint64(lead));
        }
        // Beyond a year's notice only the subscription starting in 9999 can still be reminded of, and
        // not even that one with millions of years' notice.
        if (lead > 366) {
            for (const NotificationRequest &request : center.pending)
                QVERIFY(request.identifier.endsWith(uuidText(list.last().id)));
        }
        if (lead >= 1000000000)
            QVERIFY(center.pending.isEmpty());
        if (lead == 0) {
            // Every subscription charging after today, including the one whose walk from year 1
            // stops at its cap of 10000 steps, still far in the past, which gets none.
            const qsizetype ahead = std::count_if(list.cbegin(), list.cend(), [&](const Subscription &s) {
                const auto next = s.nextCharge(clock.now(), zone);
                return next && next->days > 0;
            });
            QCOMPARE(ahead, list.size() - 1);
            QCOMPARE(center.pending.size(), ahead);
        }
    }
};

QTEST_GUILESS_MAIN(TestHostilePreferences)
#include "tst_hostile_preferences.moc"
