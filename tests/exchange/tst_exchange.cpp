#include "TestSupport.h"
#include "exchange/Export.h"
#include "exchange/Import.h"
#include "store/Backups.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using Kind = Import::Problem::Kind;
Q_DECLARE_METATYPE(std::optional<Import::Problem::Kind>)

namespace {

const QTimeZone zone = QTimeZone::systemTimeZone();
QDateTime now() {
    return TestSupport::at(zone, 2025, 3, 10, 9, 0);
}

Subscription record(const QString &name, double amount, const QString &currency, BillingCycle cycle,
                    QDate first, BillingType type = BillingType::recurring, bool active = true,
                    const QString &notes = {}) {
    return Subscription::make(name, amount, currency, type, cycle, first.startOfDay(zone).toUTC(), u"影音"_qs,
                              notes, active);
}

Import::Result readText(const QByteArray &text, const QList<Subscription> &existing = {}) {
    return Import::read(text, existing, now(), zone);
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { new TestSupport::LanguageGuard(LocalizationManager::Lang::en); }

    // Export then import gives the same records, ids included.
    void roundTrip_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("json") << int(Export::Format::json);
        QTest::newRow("csv") << int(Export::Format::csv);
    }
    void roundTrip() {
        QFETCH(int, format);
        QList<Subscription> list{
            record(u"Netflix, \"HD\""_qs, 68, u"CNY"_qs, BillingCycle::monthly, {2025, 1, 31}),
            record(u"=HYPERLINK(\"x\")"_qs, 0.1 + 0.2, u"USD"_qs, BillingCycle::weekly, {2024, 2, 29},
                   BillingType::recurring, false, u"-2\n@line two\r\n\ttab"_qs),
            record(u"网易云音乐"_qs, 178, u"JPY"_qs, BillingCycle::yearly, {2030, 12, 1},
                   BillingType::oneTime),
            record(u" spaced "_qs, 1e9, u"GBP"_qs, BillingCycle::quarterly, {1999, 6, 30}),
        };
        list[1].startDate = list[1].startDate.addSecs(37);
        list[3].category = u"Custom; category"_qs;
        const auto bytes = Export::write(Export::Format(format), list, now(), zone);
        QVERIFY(bytes);
        const Import::Result result = readText(*bytes);
        QVERIFY2(result.preview, qPrintable(result.error));
        QCOMPARE(result.preview->entries.size(), list.size());
        for (qsizetype i = 0; i < list.size(); ++i) {
            const Import::Entry &entry = result.preview->entries[i];
            QVERIFY2(entry.record, qPrintable(entry.problem ? Import::describe(*entry.problem) : QString()));
            QCOMPARE(*entry.record, list[i]);
        }
        // Read against the list it came from: every entry is a likely duplicate, and no id is reused.
        const Import::Result again = readText(*bytes, list);
        for (const Import::Entry &entry : again.preview->entries) {
            QVERIFY(entry.duplicate);
            QVERIFY(std::none_of(list.cbegin(), list.cend(),
                                 [&](const Subscription &s) { return s.id == entry.record->id; }));
        }
        QVERIFY(Import::importable(*again.preview).isEmpty());
    }

    void csvColumnsAndFormulaGuard_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("written");
        const char *const rows[][3] = {{"formula", "=1+1", "'=1+1"},
                                       {"plus", "+86 10", "'+86 10"},
                                       {"minus", "-5", "'-5"},
                                       {"at", "@SUM(A1)", "'@SUM(A1)"},
                                       {"tab", "\tx", "'\tx"},
                                       {"carriage return", "\rx", "'\rx"},
                                       {"inside is fine", "a=b", "a=b"},
                                       {"apostrophe then formula", "'=1", "''=1"},
                                       {"apostrophe kept", "'quoted", "'quoted"},
                                       {"empty", "", ""}};
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
    }
    void csvColumnsAndFormulaGuard() {
        QFETCH(QString, cell);
        QFETCH(QString, written);
        QCOMPARE(Export::guardedCell(cell), written);
        Subscription s = record(u"x"_qs, 5, u"CNY"_qs, BillingCycle::monthly, {2025, 3, 31});
        s.notes = cell;
        const QByteArray csv = Export::csv({s}, now(), zone);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                               "id,name,amount,currency,cycle,billingType,category,startDate,isActive,notes,"
                               "nextCharge,monthlyCNY\r\n"));
        QVERIFY(csv.contains(",true,"));
        QVERIFY(csv.contains(",2025-03-31,5\r\n"));
        QCOMPARE(readText(csv).preview->entries.front().record->notes, cell);
    }

    // Entries of every format and what they become.
    void mapping_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("format");
        QTest::addColumn<std::optional<Kind>>("problem");
        QTest::addColumn<QString>("record"); // name|amount|currency|cycle|type|first day|category|active
        QTest::addColumn<QString>("notes");  // a line the notes must hold
        const auto none = std::optional<Kind>();
        const auto add = [](const char *name, const QByteArray &file, const char *format,
                            std::optional<Kind> problem, const char *record, const char *notes) {
            QTest::newRow(name) << file << QString::fromLatin1(format) << problem << QString::fromUtf8(record)
                                << QString::fromUtf8(notes);
        };
        const QByteArray price = R"([{"Name": "Stream", "Payment Cycle": "%1", "Next Payment": "2025-04-02",
            "Renewal": "Manual", "Category": "%2", "Payment Method": "Visa", "Paid By": "Me",
            "Price": "%3", "Notes": "family", "URL": "https://x.example", "State": "%4", "Active": "%5"}])";
        const auto priceFile = [&](const char *cycle, const char *category, const char *amount,
                                   const char *state = "", const char *active = "Yes") {
            return QString::fromUtf8(price).arg(cycle, category, amount, state, active).toUtf8();
        };
        add("price: euro monthly", priceFile("Monthly", "Streaming", "€9.99"), "price-json", none,
            "Stream|9.99|EUR|monthly|recurring|2025-04-02|影音|1", "Payment method: Visa");
        add("price: yen is CNY", priceFile("Yearly", "Music", "¥25.00"), "price-json", none,
            "Stream|25|CNY|yearly|recurring|2025-04-02|音乐|1", "URL: https://x.example");
        add("price: JPY named", priceFile("Yearly", "Music", "¥1500 JPY"), "price-json", none,
            "Stream|1500|JPY|yearly|recurring|2025-04-02|音乐|1", "family");
        add("price: every 3 months", priceFile("Every 3 Months", "Cloud Storage", "$5"), "price-json", none,
            "Stream|5|USD|quarterly|recurring|2025-04-02|云存储|1", "Renewed by hand");
        add("price: decimal comma", priceFile("Weekly", "Gym", "9,99 €"), "price-json", none,
            "Stream|9.99|EUR|weekly|recurring|2025-04-02|其他|1", "Paid by: Me");
        add("price: thousands", priceFile("Monthly", "AI", "¥1,200.50"), "price-json", none,
            "Stream|1200.5|CNY|monthly|recurring|2025-04-02|AI/工具|1", "");
        add("price: inactive", priceFile("Monthly", "", "$5", "", "No"), "price-json", none,
            "Stream|5|USD|monthly|recurring|2025-04-02|其他|0", "");
        add("price: cancelled", priceFile("Monthly", "", "$5", "Cancelled"), "price-json", none,
            "Stream|5|USD|monthly|recurring|2025-04-02|其他|0", "");
        add("price: daily", priceFile("Daily", "", "$1"), "price-json", Kind::unsupportedCycle, "", "");
        add("price: every 2 weeks", priceFile("Every 2 Weeks", "", "$1"), "price-json",
            Kind::unsupportedCycle, "", "");
        add("price: unknown currency", priceFile("Monthly", "", "₹199"), "price-json", Kind::unknownCurrency,
            "", "");
        add("price: no amount", priceFile("Monthly", "", ""), "price-json", Kind::missingAmount, "", "");
        add("price: exponent", priceFile("Monthly", "", "$1e999"), "price-json", Kind::badAmount, "", "");
        add("price: older export, wrapped",
            QByteArray(R"({"success": true, "subscriptions": [{"Name": "Old", "Next Payment": "2025-03-31",
                          "Price": "£3.5", "Cancellation Date": "2025-03-01"}]})"),
            "price-json", none, "Old|3.5|GBP|monthly|recurring|2025-03-31|其他|0", "");

        const QByteArray header =
            "ID,Name,Category,Cost,Currency,Schedule,Schedule Interval,Status,Payment Method,"
            "Account,Start Date,Renewal Date,Cancellation Date,URL,Notes,Usage,Created At\n";
        add("schedule csv: monthly x3",
            header + "7,Backup,Cloud,\"4,50\",EUR,monthly,3,active,PayPal,me@x,2025-01-31,,,,,,2025-01-01\n",
            "schedule-csv", none, "Backup|4.5|EUR|quarterly|recurring|2025-01-31|云存储|1", "Account: me@x");
        add("schedule csv: renewal date, paused",
            header + "8,News,News,12,usd,yearly,1,paused,,,,2025-06-01,,,,,\n", "schedule-csv", none,
            "News|12|USD|yearly|recurring|2025-06-01|阅读|0", "");
        add("schedule csv: yen with JPY",
            header + "9,Game,Gaming,980,JPY,monthly,1,active,,,2025-02-01,,,,,,\n", "schedule-csv", none,
            "Game|980|JPY|monthly|recurring|2025-02-01|游戏|1", "");
        add("schedule csv: daily", header + "1,Coffee,,3,USD,daily,1,active,,,2025-02-01,,,,,,\n",
            "schedule-csv", Kind::unsupportedCycle, "", "");
        add("schedule csv: bad date", header + "1,Coffee,,3,USD,monthly,1,active,,,31/02/2025,,,,,,\n",
            "schedule-csv", Kind::badDate, "", "");
        add("schedule json",
            QByteArray(
                R"({"subscriptions": [{"name": "Gym", "cost": 30, "currency": "HKD", "schedule": "weekly",
                          "schedule_interval": 1, "status": "active", "start_date": "2025-03-03T08:00:00Z",
                          "payment_method": "Cash"}], "exported_at": "2025-03-10", "total_count": 1})"),
            "schedule-json", none, "Gym|30|HKD|weekly|recurring|2025-03-03|其他|1", "Payment method: Cash");

        add("renewly csv: any order, few columns",
            QByteArray("amount;name;cycle;startDate;isActive\n\"9,5\";Tea;每季;2025-03-05;false\n"),
            "renewly-csv", none, "Tea|9.5|CNY|quarterly|recurring|2025-03-05|其他|0", "");
        add("renewly csv: unknown cycle", QByteArray("name,amount,cycle\nTea,3,fortnightly\n"), "renewly-csv",
            Kind::unsupportedCycle, "", "");
        add("renewly csv: no name", QByteArray("name,amount\n,3\n"), "renewly-csv", Kind::missingName, "",
            "");
        add("renewly json: broken record", QByteArray(R"([{"name": "x", "isActive": 1}])"), "renewly-json",
            Kind::badRecord, "", "");
    }
    void mapping() {
        QFETCH(QByteArray, file);
        QFETCH(QString, format);
        QFETCH(std::optional<Kind>, problem);
        QFETCH(QString, record);
        QFETCH(QString, notes);
        const Import::Result result = readText(file);
        QVERIFY2(result.preview, qPrintable(result.error));
        QCOMPARE(Import::formatName(result.preview->format), format);
        QCOMPARE(result.preview->entries.size(), 1);
        const Import::Entry &entry = result.preview->entries.front();
        QCOMPARE(entry.problem.has_value(), problem.has_value());
        QCOMPARE(entry.record.has_value(), !problem.has_value());
        if (problem) {
            QCOMPARE(entry.problem->kind, *problem);
            QVERIFY(!Import::describe(*entry.problem).contains(u'\n'));
            return;
        }
        const Subscription &s = *entry.record;
        const QString got = QStringList{s.name,
                                        QString::number(s.amount),
                                        s.currency,
                                        rawValue(s.cycle),
                                        rawValue(s.billingType),
                                        s.startDate.toTimeZone(zone).toString(u"yyyy-MM-dd"),
                                        s.category,
                                        QString::number(s.isActive)}
                                .join(u'|');
        QCOMPARE(got, record);
        // A date alone starts at midnight where the user is.
        if (format != u"schedule-json")
            QCOMPARE(s.startDate.toTimeZone(zone).time(), QTime(0, 0));
        QVERIFY2(s.notes.contains(notes), qPrintable(s.notes));
    }

    // A file is refused whole with one line, or understood; never a crash or a hang.
    void hostileInput_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11);
        QTest::newRow("invalid utf-8") << QByteArray("name,amount\n\xff\xfe\xfd,1\n");
        QTest::newRow("unbalanced quote") << QByteArray("name,amount\n\"Netflix,5\nSpotify,3\n");
        QTest::newRow("text after quote") << QByteArray("name,amount\n\"Net\"flix,5\n");
        QTest::newRow("deep json") << QByteArray(100000, '[');
        QTest::newRow("json 1e999") << QByteArray(R"([{"amount": 1e999}])");
        QTest::newRow("unknown json") << QByteArray(R"([{"foo": 1}])");
        QTest::newRow("unknown csv") << QByteArray("a,b\n1,2\n");
        QTest::newRow("empty") << QByteArray(" \n");
        QByteArray rows = "name,amount\n";
        for (int i = 0; i < 1000000; ++i)
            rows += "a,1\n";
        QTest::newRow("a million rows") << rows;
        QTest::newRow("too many entries") << "[" + QByteArray("{},").repeated(Import::maxEntries) + "{}]";
    }
    void hostileInput() {
        QFETCH(QByteArray, file);
        const Import::Result result = readText(file);
        QVERIFY(!result.preview);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!result.error.contains(u'\n'));
    }

    void oversizedFileIsNotRead() {
        QTemporaryDir dir;
        QFile file(dir.filePath(u"big.csv"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(100 << 20)); // sparse: nothing to write
        file.close();
        const Import::Result result = Import::readFile(file.fileName(), {}, now(), zone);
        QVERIFY(!result.preview);
        QVERIFY(result.error.contains(u"16 MB"_qs));
    }

    void duplicatesAgainstTheList() {
        const QList<Subscription> list{
            record(u"Spotify"_qs, 11.99, u"USD"_qs, BillingCycle::monthly, {2025, 1, 5})};
        const Import::Result result =
            readText("name,amount,currency,cycle\n"
                     " spotify ,11.99,USD,monthly\n" // same, but for case and blanks
                     "Spotify,11.99,USD,yearly\n"    // another cycle
                     "Spotify,12.99,USD,monthly\n"   // another amount
                     "Spotify,11.99,EUR,monthly\n",  // another currency
                     list);
        QList<bool> duplicates;
        for (const Import::Entry &entry : result.preview->entries)
            duplicates << entry.duplicate;
        QCOMPARE(duplicates, (QList<bool>{true, false, false, false}));
        QCOMPARE(Import::importable(*result.preview).size(), 3);
    }

    // Monthly from 31 January falls on the 28th from February on; the calendar has only future charges.
    void calendarFollowsTheBillingCalendar() {
        Subscription monthly =
            record(u"A very long name that needs folding, with 中文 characters ünd more text "
                   u"to go past seventy-five octets"_qs,
                   68, u"CNY"_qs, BillingCycle::monthly, {2025, 1, 31});
        const QList<QDate> days = Export::chargeDays(monthly, {2025, 3, 10}, {2026, 3, 10}, zone);
        QCOMPARE(days.size(), 12);
        QCOMPARE(days.front(), QDate(2025, 3, 28));
        QCOMPARE(days.back(), QDate(2026, 2, 28));
        QCOMPARE(days.front(), monthly.nextCharge(now(), zone)->day);
        const Subscription paused =
            record(u"p"_qs, 1, u"CNY"_qs, BillingCycle::weekly, {2025, 1, 1}, BillingType::recurring, false);
        const Subscription bought =
            record(u"b"_qs, 1, u"CNY"_qs, BillingCycle::weekly, {2025, 4, 1}, BillingType::oneTime);
        const QByteArray ics = Export::ics({monthly, paused, bought}, now(), zone);
        QCOMPARE(ics.count("BEGIN:VEVENT"), 13);
        QVERIFY(ics.contains("UID:" + uuidText(monthly.id).toLatin1() + "-20250328\r\n"));
        QVERIFY(ics.contains("DTSTART;VALUE=DATE:20250401\r\n"));
        QVERIFY(ics.endsWith("END:VCALENDAR\r\n"));
        for (const QByteArray &line : ics.chopped(1).split('\n')) {
            QVERIFY(line.size() <= 76); // 75 octets and the CR
            QVERIFY(line.endsWith('\r'));
            QVERIFY(QString::fromUtf8(line).toUtf8() == line); // no sequence split
        }
    }

    void backupsRotate() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"subscriptions.json"_qs);
        Backups backups(dir.filePath(u"backups"_qs));
        QVERIFY(backups.beforeSave(file, {2025, 1, 1})); // no file yet: nothing to keep
        QVERIFY(backups.days().isEmpty());
        for (int day = 1; day <= 20; ++day) {
            QVERIFY(TestSupport::writeFile(file, QByteArray::number(day)));
            QVERIFY(backups.beforeSave(file, QDate(2025, 1, day)));
            QVERIFY(TestSupport::writeFile(file, "later the same day"));
            QVERIFY(backups.beforeSave(file, QDate(2025, 1, day))); // the day's first copy stays
        }
        const QList<QDate> days = backups.days();
        QCOMPARE(days.size(), Backups::kept);
        QCOMPARE(days.front(), QDate(2025, 1, 20));
        QCOMPARE(days.back(), QDate(2025, 1, 7));
        QCOMPARE(TestSupport::readFile(backups.pathFor({2025, 1, 20})), QByteArray("20"));
        QCOMPARE(QDir(backups.folder()).entryList(QDir::Files).size(), Backups::kept);
    }

    void storeKeepsABackupAndAddsAllInOneChange() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"subscriptions.json"_qs);
        const QList<Subscription> before{record(u"a"_qs, 1, u"CNY"_qs, BillingCycle::monthly, {2025, 1, 1})};
        QVERIFY(TestSupport::writeFile(path, *SubscriptionFile::encode(before)));
        Store store(path);
        store.keepBackups(dir.filePath(u"backups"_qs));
        QSignalSpy about(&store, &Store::aboutToChange);
        QSignalSpy changed(&store, &Store::subscriptionsChanged);
        store.addAll({record(u"b"_qs, 2, u"CNY"_qs, BillingCycle::monthly, {2025, 1, 1}),
                      record(u"c"_qs, 3, u"CNY"_qs, BillingCycle::monthly, {2025, 1, 1})});
        QCOMPARE(about.size(), 1);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(store.subscriptions().size(), 3);
        QCOMPARE(store.backups()->days().size(), 1);
        QCOMPARE(TestSupport::readFile(store.backups()->pathFor(store.backups()->days().front())),
                 *SubscriptionFile::encode(before));
        store.addAll({});
        QCOMPARE(changed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
