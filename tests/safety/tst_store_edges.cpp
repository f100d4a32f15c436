#include "TestSupport.h"

#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

Subscription record(const QString &name) {
    return {.name = name,
            .amount = 9.9,
            .currency = QStringLiteral("USD"),
            .startDate = QDateTime(QDate(2025, 3, 7), QTime(8, 30), QTimeZone::utc()),
            .category = QStringLiteral("影音")};
}

QStringList names(const QList<Subscription> &list) {
    QStringList out;
    for (const Subscription &s : list)
        out << s.name;
    return out;
}

QByteArray fileDated(const QString &date) {
    return R"([{"amount":1,"billingType":"recurring","category":"","currency":"CNY",)"
           R"("cycle":"yearly","id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","isActive":true,)"
           R"("name":"edge","notes":"","startDate":")" +
           date.toLatin1() + R"("}])";
}

} // namespace

// How saves treat what surrounds the file, and store operations handed the store's own records.
class TestStoreEdges : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString folder() const { return m_dir.filePath(QStringLiteral("Renewly")); }
    QString path() const { return folder() + QStringLiteral("/subscriptions.json"); }

private Q_SLOTS:
    void init() {
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().mkpath(folder()));
    }

    // Views pass records straight from the store's list; removing one must not disturb the others,
    // even where a hand-edited file repeats an id further on.
    void removingARecordOfTheStoresOwnList() {
        Store first(path());
        first.add(record(QStringLiteral("A")));
        first.add(record(QStringLiteral("B")));
        first.add(record(QStringLiteral("C")));
        Subscription repeat = first.subscriptions()[1];
        repeat.name = QStringLiteral("B again");
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

    // A record dated where the file's form cannot go is kept in memory but never written.
    void aDateTheFileCannotHoldIsNotWritten() {
        Store store(path());
        store.add(record(QStringLiteral("A")));
        const QByteArray saved = readFile(path());
        Subscription far = record(QStringLiteral("Far"));
        far.startDate = QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc());
        store.add(far);
        QCOMPARE(store.subscriptions().size(), 2);
        QCOMPARE(readFile(path()), saved);
    }

    // A link the user made to keep the list elsewhere stays a link; the file it leads to is replaced.
    void aSymbolicLinkStaysALink() {
        const QString elsewhere = m_dir.filePath(QStringLiteral("synced/list.json"));
        QVERIFY(QDir().mkpath(QFileInfo(elsewhere).absolutePath()));
        QVERIFY(QFile::link(elsewhere, path()));
        Store store(path());
        store.add(record(QStringLiteral("A")));
        QVERIFY(QFileInfo(path()).isSymLink());
        QCOMPARE(SubscriptionFile::decode(readFile(elsewhere))->size(), 1);
        QVERIFY(!QFileInfo::exists(SubscriptionFile::stagingPath(path())));
        QVERIFY(!QFileInfo::exists(SubscriptionFile::stagingPath(elsewhere)));
    }

    // The user's choice of who may read the list survives every save.
    void permissionsAreKept() {
        Store store(path());
        store.add(record(QStringLiteral("A")));
        const auto privateOnly = QFile::ReadOwner | QFile::WriteOwner;
        QVERIFY(QFile::setPermissions(path(), privateOnly));
        store.add(record(QStringLiteral("B")));
        const auto ownerGroupOther = QFileDevice::Permissions(0x7077);
        QCOMPARE(QFile::permissions(path()) & ownerGroupOther, privateOnly);
    }

    // What a save killed half-way left behind is overwritten by the next save, and nothing is left.
    void aStagingFileLeftByAnInterruptedSaveIsReused() {
        Store store(path());
        store.add(record(QStringLiteral("A")));
        QVERIFY(writeFile(SubscriptionFile::stagingPath(path()), QByteArray(100000, 'x')));
        store.add(record(QStringLiteral("B")));
        QCOMPARE(SubscriptionFile::decode(readFile(path()))->size(), 2);
        QCOMPARE(QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("subscriptions.json")});
    }
};

QTEST_GUILESS_MAIN(TestStoreEdges)
#include "tst_store_edges.moc"
