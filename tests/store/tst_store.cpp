#include "TestSupport.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using TestSupport::names;
using TestSupport::readFile;
using TestSupport::record;
using TestSupport::writeFile;

namespace {

const char *const recordText = R"({
    "amount" : 15.49,
    "billingType" : "recurring",
    "category" : "AI\/工具",
    "currency" : "USD",
    "cycle" : "monthly",
    "id" : "%1",
    "isActive" : true,
    "name" : "%2",
    "notes" : "",
    "startDate" : "2025-03-07T08:30:00Z"
  })";

QByteArray fileWith(const QList<QPair<QString, QString>> &idsAndNames) {
    QByteArray text = "[\n";
    for (qsizetype i = 0; i < idsAndNames.size(); ++i) {
        if (i > 0)
            text += ",\n";
        text +=
            "  " + QString::fromUtf8(recordText).arg(idsAndNames[i].first, idsAndNames[i].second).toUtf8();
    }
    return text + "\n]\n";
}

QByteArray fileDated(const QString &date) {
    return R"([{"amount":1,"billingType":"recurring","category":"","currency":"CNY",)"
           R"("cycle":"yearly","id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","isActive":true,)"
           R"("name":"edge","notes":"","startDate":")" +
           date.toLatin1() + R"("}])";
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.filePath(u"Renewly"_qs); }
    QString path() const { return folder() + u"/subscriptions.json"_qs; }

private Q_SLOTS:
    void init() { QDir(folder()).removeRecursively(); }

    void defaultFileIsUnderTheDataHome() {
        QCOMPARE(Store::defaultFilePath(),
                 qEnvironmentVariable("XDG_DATA_HOME") + u"/Renewly/subscriptions.json"_qs);
    }

    void firstLaunchCreatesFolderButNoFile() {
        Store store(path());
        QVERIFY(QFileInfo(m_dir.filePath(u"Renewly"_qs)).isDir());
        QVERIFY(store.subscriptions().isEmpty());
        QVERIFY(!QFile::exists(path()));

        store.add(record(u"One"_qs));
        const auto decoded = SubscriptionFile::decode(readFile(path()));
        QVERIFY(decoded);
        QCOMPARE(decoded->size(), 1);
        QCOMPARE(decoded->first(), store.subscriptions().first());
    }

    void writesTheExactFileShape() {
        Store store(path());
        Subscription s = record(u"ChatGPT Plus"_qs, 15.49);
        s.currency = u"USD"_qs;
        s.startDate = s.startDate.addMSecs(750); // whole seconds only in the file
        store.add(s);
        const QString id = uuidText(s.id);
        QCOMPARE(QString::fromUtf8(readFile(path())),
                 QString::fromUtf8(fileWith({{id, u"ChatGPT Plus"_qs}})));

        store.remove(s);
        QCOMPARE(readFile(path()), QByteArray("[]\n"));
    }

    void loadsWhatItWrote() {
        {
            Store store(path());
            store.add(record(u"网易云音乐 \"黑胶\" / 年付"_qs, 178));
            store.add(record(u"Second"_qs, 0.1 + 0.2));
        }
        Store reloaded(path());
        QCOMPARE(reloaded.subscriptions().size(), 2);
        QCOMPARE(reloaded.subscriptions()[0].name, u"网易云音乐 \"黑胶\" / 年付"_qs);
        QCOMPARE(reloaded.subscriptions()[1].amount, 0.1 + 0.2); // reads back to the same double
        QVERIFY(readFile(path()).contains("网易云音乐"));        // non-ASCII written unescaped
    }

    void loading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count");
        const QByteArray valid = fileWith({{u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_qs, u"A"_qs}});
        QTest::newRow("valid") << valid << 1;
        QTest::newRow("empty array") << QByteArray("[]") << 0;
        QTest::newRow("one record with an unknown cycle")
            << QByteArray(fileWith({{u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_qs, u"A"_qs},
                                    {u"7F9619FF-8B86-D011-B42D-00C04FC964FF"_qs, u"B"_qs}}))
                   .replace("\"monthly\"\n  }\n]", "\"biweekly\"\n  }\n]")
                   .replace("\"cycle\" : \"monthly\",\n    \"id\" : \"7F",
                            "\"cycle\" : \"fortnightly\",\n    \"id\" : \"7F")
            << -1;
        QTest::newRow("not JSON") << QByteArray("not json") << -1;
        QTest::newRow("an object, not an array") << QByteArray("{}") << -1;
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("truncated") << valid.left(valid.size() / 2) << -1;
        QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF") + valid << 1;
    }

    // -1: the file cannot be read, the list is empty and the file must survive the first save.
    void loading() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, count);
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QVERIFY(writeFile(path(), bytes));
        Store store(path());
        QCOMPARE(store.subscriptions().size(), qMax(count, 0));
        QCOMPARE(readFile(path()), bytes); // loading never writes
        if (count >= 0)
            return;

        store.add(record(u"New"_qs));
        QVERIFY(!store.setAsidePath().isEmpty());
        QVERIFY(store.setAsidePath().startsWith(path() + u".unreadable-"_qs));
        QCOMPARE(readFile(store.setAsidePath()), bytes);
        QCOMPARE(SubscriptionFile::decode(readFile(path()))->size(), 1);

        // Only the unreadable original is set aside, once.
        store.add(record(u"Newer"_qs));
        QCOMPARE(QDir(QFileInfo(path()).absolutePath()).entryList(QDir::Files).size(), 2);
    }

    // The unreadable file is kept under a name stamped with the moment in UTC; set-asides in the same
    // second get a number each instead of replacing one another.
    void setAsideNames_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("Shanghai morning")
            << TestSupport::at("Asia/Shanghai", 2025, 3, 7, 8, 30).addSecs(5) << u"20250307T003005Z"_qs;
        QTest::newRow("New York evening")
            << TestSupport::at("America/New_York", 2025, 3, 6, 20, 0) << u"20250307T010000Z"_qs;
    }

    void setAsideNames() {
        QFETCH(QDateTime, now);
        QFETCH(QString, stamp);
        QDir().mkpath(QFileInfo(path()).absolutePath());
        for (const QString &suffix : {QString(), u"-2"_qs, u"-3"_qs}) {
            const QByteArray bytes = "unreadable" + suffix.toUtf8();
            QVERIFY(writeFile(path(), bytes));
            const auto moved = SubscriptionFile::setAside(path(), now);
            QCOMPARE(moved.value_or(QString()), path() + u".unreadable-"_qs + stamp + suffix);
            QCOMPARE(readFile(*moved), bytes);
        }
        QVERIFY(!QFileInfo::exists(path()));
    }

    void signalsBeforeAndAfterEachChange() {
        Store store(path());
        QSignalSpy before(&store, &Store::aboutToChange);
        QSignalSpy after(&store, &Store::subscriptionsChanged);
        int sizeSeenBefore = -1;
        bool fileCurrentAfter = false;
        QObject context;
        connect(&store, &Store::aboutToChange, &context,
                [&] { sizeSeenBefore = int(store.subscriptions().size()); });
        connect(&store, &Store::subscriptionsChanged, &context, [&](const QList<Subscription> &list) {
            fileCurrentAfter = SubscriptionFile::decode(readFile(path()))->size() == list.size();
        });
        store.add(record(u"A"_qs));
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(sizeSeenBefore, 0);
        QVERIFY(fileCurrentAfter);
        QCOMPARE(after.first().first().value<QList<Subscription>>().size(), 1);
    }

    void mutations() {
        Store store(path());
        const Subscription a = record(u"A"_qs), b = record(u"B"_qs), c = record(u"C"_qs);
        store.add(a);
        store.add(b);
        store.add(c);
        QSignalSpy changed(&store, &Store::subscriptionsChanged);

        Subscription edited = b;
        edited.name = u"B2"_qs;
        store.update(edited);
        QCOMPARE(store.subscriptions()[1].name, u"B2"_qs); // in place

        // An identical update still publishes and rewrites.
        QFile::remove(path());
        store.update(edited);
        QVERIFY(QFile::exists(path()));

        // Unknown ids: update and toggle do nothing at all.
        QFile::remove(path());
        const int before = int(changed.count());
        store.update(record(u"Stranger"_qs));
        store.toggleActive(record(u"Stranger"_qs));
        QCOMPARE(changed.count(), before);
        QVERIFY(!QFile::exists(path()));

        // Deleting an unknown id still rewrites.
        store.remove(record(u"Stranger"_qs));
        QVERIFY(QFile::exists(path()));
        QCOMPARE(store.subscriptions().size(), 3);

        // Toggle looks only at the stored record, not at the copy passed in.
        store.toggleActive(a);
        QVERIFY(!store.subscriptions()[0].isActive);
        store.toggleActive(a); // a still says active; the stored one is made active again
        QVERIFY(store.subscriptions()[0].isActive);

        store.remove(b);
        QCOMPARE(store.subscriptions().size(), 2);
        QCOMPARE(store.subscriptions()[1].name, u"C"_qs);
    }

    void recordsSharingAnId() {
        const QString id = u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_qs;
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QVERIFY(writeFile(path(), fileWith({{id, u"First"_qs},
                                            {u"1F9619FF-8B86-D011-B42D-00C04FC964FF"_qs, u"Other"_qs},
                                            {id, u"Second"_qs}})));
        Store store(path());
        QCOMPARE(store.subscriptions().size(), 3);
        Subscription edited = store.subscriptions()[2];
        edited.name = u"Edited"_qs;
        store.update(edited);
        QCOMPARE(store.subscriptions()[0].name, u"Edited"_qs);
        QCOMPARE(store.subscriptions()[2].name, u"Second"_qs);
        store.toggleActive(edited);
        QVERIFY(!store.subscriptions()[0].isActive);
        QVERIFY(store.subscriptions()[2].isActive);
        store.remove(edited);
        QCOMPARE(store.subscriptions().size(), 1);
        QCOMPARE(store.subscriptions()[0].name, u"Other"_qs);
    }

    void aFailedSaveIsReportedKeptAndRetried() {
        Store store(path());
        QSignalSpy failed(&store, &Store::saveFailed);
        QSignalSpy saved(&store, &Store::saved);
        QSignalSpy changed(&store, &Store::subscriptionsChanged);
        // A folder where the staging file goes: even root cannot write there.
        const QString staging = SubscriptionFile::stagingPath(path());
        QVERIFY(QDir().mkpath(staging));

        store.add(record(u"A"_qs));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(failed.size(), 1);
        QVERIFY(!failed.at(0).at(0).toString().isEmpty());
        QCOMPARE(saved.size(), 0);
        QVERIFY(store.hasUnsavedChanges());
        QVERIFY(store.retryTimer().isActive());
        QCOMPARE(store.retryTimer().interval(), Store::retryIntervalMsecs);
        QVERIFY(!QFileInfo::exists(path()));

        const SaveResult again = store.save();
        QVERIFY(!again);
        QCOMPARE(again.reason(), failed.at(0).at(0).toString());
        QCOMPARE(failed.size(), 2);

        QVERIFY(QDir(staging).removeRecursively());
        store.add(record(u"B"_qs));
        QCOMPARE(saved.size(), 1);
        QVERIFY(!store.hasUnsavedChanges());
        QVERIFY(!store.retryTimer().isActive());
        QCOMPARE(SubscriptionFile::decode(readFile(path()))->size(), 2);
    }

    void aListThatCannotBeEncodedIsNotWritten() {
        Store store(path());
        store.add(record(u"A"_qs));
        const QByteArray saved = readFile(path());
        store.add(record(u"Broken"_qs, std::numeric_limits<double>::infinity()));
        QCOMPARE(store.subscriptions().size(), 2);
        QCOMPARE(readFile(path()), saved);
        store.add(record(u"Also broken"_qs, std::numeric_limits<double>::quiet_NaN()));
        QCOMPARE(readFile(path()), saved);
    }

    void sampleData_data() {
        QTest::addColumn<bool>("zh");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("currencies");
        QTest::addColumn<QList<double>>("amounts");
        QTest::newRow("English") << false
                                 << QStringList{u"ChatGPT Plus"_qs, u"iCloud+ 200GB"_qs,
                                                u"Spotify Premium"_qs, u"Netflix Standard"_qs, u"Things 3"_qs}
                                 << QStringList{u"USD"_qs, u"USD"_qs, u"USD"_qs, u"USD"_qs, u"USD"_qs}
                                 << QList<double>{20, 2.99, 11.99, 15.49, 49.99};
        QTest::newRow("Chinese") << true
                                 << QStringList{u"ChatGPT Plus"_qs, u"iCloud+ 200GB"_qs, u"网易云音乐黑胶"_qs,
                                                u"爱奇艺会员"_qs, u"某买断软件"_qs}
                                 << QStringList{u"USD"_qs, u"CNY"_qs, u"CNY"_qs, u"CNY"_qs, u"CNY"_qs}
                                 << QList<double>{20, 21, 178, 25, 68};
    }

    void sampleData() {
        QFETCH(bool, zh);
        QFETCH(QStringList, names);
        QFETCH(QStringList, currencies);
        QFETCH(QList<double>, amounts);
        TestSupport::LanguageGuard guard(zh ? LocalizationManager::Lang::zh : LocalizationManager::Lang::en);
        const QTimeZone zone = QTimeZone::systemTimeZone();
        const QDateTime now = TestSupport::at(zone, 2025, 3, 30, 14, 25).addMSecs(321);
        Store store(path());
        store.add(record(u"Replaced"_qs));
        store.loadSampleData(now, zone);
        const auto &list = store.subscriptions();
        QCOMPARE(list.size(), 5);
        const int daysAgo[] = {25, 3, 40, 12, 100};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(list[i].name, names[i]);
            QCOMPARE(list[i].currency, currencies[i]);
            QCOMPARE(list[i].amount, amounts[i]);
            QVERIFY(list[i].isActive);
            const QDateTime local = list[i].startDate.toTimeZone(zone);
            QCOMPARE(local.date(), now.date().addDays(-daysAgo[i]));
            QCOMPARE(local.time(), now.time()); // keeps the time of day, across clock changes too
        }
        QCOMPARE(list[4].billingType, BillingType::oneTime);
        QCOMPARE(list[4].notes, zh ? u"一次性购买"_qs : u"One-time purchase"_qs);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(list[i].billingType, BillingType::recurring);
        QVERIFY(
            readFile(path()).contains(now.addDays(-3).toUTC().toString(u"yyyy-MM-ddTHH:mm:ss'Z'").toUtf8()));
    }

    // Views pass records straight from the store's list; removing one must not disturb the others,
    // even where a hand-edited file repeats an id further on.
    void removingARecordOfTheStoresOwnList() {
        Store first(path());
        first.add(record(u"A"_qs));
        first.add(record(u"B"_qs));
        first.add(record(u"C"_qs));
        Subscription repeat = first.subscriptions()[1];
        repeat.name = u"B again"_qs;
        first.add(repeat);

        Store store(path());
        QCOMPARE(names(store.subscriptions()), (QStringList{"A", "B", "C", "B again"}));
        store.remove(store.subscriptions()[0]);
        QCOMPARE(names(store.subscriptions()), (QStringList{"B", "C", "B again"}));
        store.remove(store.subscriptions()[0]);
        QCOMPARE(names(store.subscriptions()), (QStringList{"C"}));
    }

    void datesAtTheEdgesOfTheFileForm_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("loads");
        QTest::newRow("first second of year 1") << u"0001-01-01T00:00:00Z"_qs << true;
        QTest::newRow("last second of year 9999") << u"9999-12-31T23:59:59Z"_qs << true;
        QTest::newRow("year 1 by an offset") << u"0001-01-01T00:30:00+00:30"_qs << true;
        QTest::newRow("before year 1 by an offset") << u"0001-01-01T00:00:00+00:01"_qs << false;
        QTest::newRow("after year 9999 by an offset") << u"9999-12-31T23:59:59-00:01"_qs << false;
        QTest::newRow("year 0") << u"0000-06-01T00:00:00Z"_qs << false;
    }

    // What loads is written back in a form that loads again: dates an offset pushes out of the
    // four-digit years are refused when reading.
    void datesAtTheEdgesOfTheFileForm() {
        QFETCH(QString, date);
        QFETCH(bool, loads);
        const auto decoded = SubscriptionFile::decode(fileDated(date));
        QCOMPARE(bool(decoded), loads);
        if (!loads)
            return;
        const auto again = SubscriptionFile::decode(*SubscriptionFile::encode(*decoded));
        QVERIFY(again);
        QCOMPARE(*again, *decoded);
    }

    // A list in the form this program writes is read without a JSON document; any other text goes
    // through the JSON parser. Both read every text alike, to the sign of a zero, and what they read
    // is written back unchanged.
    void plainFormReadsAsTheParserDoes_data() {
        QTest::addColumn<QByteArray>("name");   // JSON text of the name's value
        QTest::addColumn<QByteArray>("amount"); // JSON text of the amount's value
        QTest::newRow("escapes") << QByteArray("\"a\\\"b\\\\c\\/d\\b\\f\\n\\r\\t\\u00e9\\u4E2Dz\"")
                                 << QByteArray("1");
        QTest::newRow("emoji and CJK")
            << QByteArray("\"\xF0\x9F\x93\xB7 \xE8\xAF\x86\"") << QByteArray("2.5");
        QTest::newRow("escaped surrogate pair") << QByteArray("\"\\ud83d\\udcf7\"") << QByteArray("3");
        QTest::newRow("unpaired surrogates")
            << QByteArray("\"a\\ud800b\\udc00\\udc00\\ud800\"") << QByteArray("3");
        QTest::newRow("unknown escape") << QByteArray("\"\\x41\"") << QByteArray("1");
        QTest::newRow("short \\u escape") << QByteArray("\"\\u12\"") << QByteArray("1");
        QTest::newRow("overlong UTF-8") << QByteArray("\"\xC0\xAF\"") << QByteArray("1");
        QTest::newRow("noncharacter") << QByteArray("\"\xEF\xBF\xBF\"") << QByteArray("1");
        QTest::newRow("null name") << QByteArray("null") << QByteArray("1");
        QTest::newRow("minus zero") << QByteArray("\"a\"") << QByteArray("-0");
        QTest::newRow("minus zero with a fraction") << QByteArray("\"a\"") << QByteArray("-0.0");
        QTest::newRow("exponent") << QByteArray("\"a\"") << QByteArray("1.5E+3");
        QTest::newRow("integer past 64 bits") << QByteArray("\"a\"") << QByteArray("18446744073709551617");
        QTest::newRow("subnormal") << QByteArray("\"a\"") << QByteArray("4.9e-324");
        QTest::newRow("leading zero") << QByteArray("\"a\"") << QByteArray("01");
        QTest::newRow("bare fraction") << QByteArray("\"a\"") << QByteArray(".5");
        QTest::newRow("amount as text") << QByteArray("\"a\"") << QByteArray("\"1\"");
        QTest::newRow("a key twice") << QByteArray("\"a\", \"name\": \"b\"") << QByteArray("1");
        QTest::newRow("a key of its own") << QByteArray("\"a\", \"colour\": [1, {}]") << QByteArray("1");
    }

    void plainFormReadsAsTheParserDoes() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, amount);
        const QByteArray text = QByteArray(fileWith({{u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_qs, u"%N"_qs}}))
                                    .replace("\"%N\"", name)
                                    .replace("15.49", amount);
        const auto plain = SubscriptionFile::decode(text);
        const auto parsed = SubscriptionFile::decodeDocument(text);
        QVERIFY(plain == parsed);
        if (!plain)
            return;
        QCOMPARE(std::signbit(plain->first().amount), std::signbit(parsed->first().amount));
        // The next save writes what was read.
        QCOMPARE(SubscriptionFile::decode(*SubscriptionFile::encode(*plain)), plain);
    }

    // Texts that repeat from record to record (more of them than are remembered, some escaped, some
    // of equal length) are read as the parser reads them, each in its own record.
    void repeatedTextsReadAsTheParserDoes() {
        const QStringList currencies{u"USD"_qs, u"EUR"_qs, u"CNY"_qs, u"JPY"_qs, u"GBP"_qs,
                                     u"HKD"_qs, u"AUD"_qs, u"CAD"_qs, u"SGD"_qs, u"KRW"_qs};
        const QStringList categories{u"影音"_qs, u"学习"_qs, u"a\"b"_qs, u"a\\b"_qs, u"ab"_qs, QString()};
        QList<Subscription> list;
        for (int i = 0; i < 40; ++i) {
            Subscription s = record(u"S"_qs + QString::number(i));
            s.currency = currencies[(i * 7) % currencies.size()];
            s.category = categories[i % categories.size()];
            s.notes = i % 3 == 0 ? u"x\ny"_qs : categories[(i + 1) % categories.size()];
            s.cycle = allBillingCycles()[i % 4];
            list.append(s);
        }
        const QByteArray text = *SubscriptionFile::encode(list);
        const auto plain = SubscriptionFile::decode(text);
        QVERIFY(plain);
        QCOMPARE(*plain, list);
        QVERIFY(plain == SubscriptionFile::decodeDocument(text));
    }

    // A record dated where the file's form cannot go is kept in memory but never written.
    void aDateTheFileCannotHoldIsNotWritten() {
        Store store(path());
        store.add(record(u"A"_qs));
        const QByteArray saved = readFile(path());
        Subscription far = record(u"Far"_qs);
        far.startDate = QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc());
        store.add(far);
        QCOMPARE(store.subscriptions().size(), 2);
        QCOMPARE(readFile(path()), saved);
    }

    // A file past the size limit is not read at all, even where it would parse: it counts as unreadable
    // and is kept aside by the first save.
    void aFileBeyondTheSizeLimitIsKeptAside() {
        const QByteArray list = *SubscriptionFile::encode({record(u"A"_qs)});
        QVERIFY(QDir().mkpath(folder()));
        QVERIFY(writeFile(path(), list + QByteArray(SubscriptionFile::maxFileBytes, ' ')));
        Store store(path());
        QVERIFY(store.subscriptions().isEmpty());
        store.add(record(u"B"_qs));
        QVERIFY(!store.setAsidePath().isEmpty());
        QCOMPARE(QFileInfo(store.setAsidePath()).size(), list.size() + SubscriptionFile::maxFileBytes);
    }

    // A link the user made to keep the list elsewhere stays a link; the file it leads to is replaced.
    void aSymbolicLinkStaysALink() {
        QVERIFY(QDir().mkpath(folder()));
        const QString elsewhere = m_dir.filePath(u"synced/list.json"_qs);
        QVERIFY(QDir().mkpath(QFileInfo(elsewhere).absolutePath()));
        QVERIFY(QFile::link(elsewhere, path()));
        Store store(path());
        store.add(record(u"A"_qs));
        QVERIFY(QFileInfo(path()).isSymLink());
        QCOMPARE(SubscriptionFile::decode(readFile(elsewhere))->size(), 1);
        QVERIFY(!QFileInfo::exists(SubscriptionFile::stagingPath(path())));
        QVERIFY(!QFileInfo::exists(SubscriptionFile::stagingPath(elsewhere)));
    }

    // The user's choice of who may read the list survives every save.
    void permissionsAreKept() {
        Store store(path());
        store.add(record(u"A"_qs));
        const auto privateOnly = QFile::ReadOwner | QFile::WriteOwner;
        QVERIFY(QFile::setPermissions(path(), privateOnly));
        store.add(record(u"B"_qs));
        const auto ownerGroupOther = QFileDevice::Permissions(0x7077);
        QCOMPARE(QFile::permissions(path()) & ownerGroupOther, privateOnly);
    }

    // What a save killed half-way left behind is overwritten by the next save, and nothing is left.
    void aStagingFileLeftByAnInterruptedSaveIsReused() {
        Store store(path());
        store.add(record(u"A"_qs));
        QVERIFY(writeFile(SubscriptionFile::stagingPath(path()), QByteArray(100000, 'x')));
        store.add(record(u"B"_qs));
        QCOMPARE(SubscriptionFile::decode(readFile(path()))->size(), 2);
        QCOMPARE(QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"subscriptions.json"_qs});
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
