#include "TestSupport.h"

#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::names;
using TestSupport::readFile;
using TestSupport::record;
using TestSupport::writeFile;

namespace {

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
    QString folder() const { return m_dir.filePath(u"Renewly"_qs); }
    QString path() const { return folder() + u"/subscriptions.json"_qs; }

private Q_SLOTS:
    void init() {
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().mkpath(folder()));
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
        QVERIFY(writeFile(path(), list + QByteArray(SubscriptionFile::maxFileBytes, ' ')));
        Store store(path());
        QVERIFY(store.subscriptions().isEmpty());
        store.add(record(u"B"_qs));
        QVERIFY(!store.setAsidePath().isEmpty());
        QCOMPARE(QFileInfo(store.setAsidePath()).size(), list.size() + SubscriptionFile::maxFileBytes);
    }

    // A link the user made to keep the list elsewhere stays a link; the file it leads to is replaced.
    void aSymbolicLinkStaysALink() {
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

QTEST_GUILESS_MAIN(TestStoreEdges)
#include "tst_store_edges.moc"
