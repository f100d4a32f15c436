#include "TestSupport.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using TestSupport::names;
using TestSupport::readFile;
using TestSupport::record;
using TestSupport::writeFile;

namespace {

QByteArray encoded(const QList<Subscription> &list) {
    return *SubscriptionFile::encode(list);
}

// What another computer's sync tool does to the folder.
enum class Arrival { replaced, editedInPlace, copy };

} // namespace

class TestStoreSync : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
    }

    // A running store merges what appears in its folder: the list replaced by rename, the list
    // rewritten in place, and the conflict copies of three sync tools, which then leave the folder.
    void seesExternalChanges_data() {
        QTest::addColumn<Arrival>("arrival");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("replaced") << Arrival::replaced << "subscriptions.json";
        QTest::newRow("edited in place") << Arrival::editedInPlace << "subscriptions.json";
        QTest::newRow("Syncthing copy")
            << Arrival::copy << "subscriptions.sync-conflict-20250307-083000-ABCD3FG.json";
        QTest::newRow("Nextcloud copy")
            << Arrival::copy << "subscriptions (conflicted copy 2025-03-07 083000).json";
        QTest::newRow("Dropbox copy")
            << Arrival::copy << "subscriptions (Ann's conflicted copy 2025-03-07).json";
    }
    void seesExternalChanges() {
        QFETCH(Arrival, arrival);
        QFETCH(QString, fileName);
        const QString path = dir().filePath(u"subscriptions.json"_qs);
        const Subscription kept = record(u"Kept"_qs);
        const Subscription changed = record(u"Changed"_qs);
        QVERIFY(writeFile(path, encoded({kept, changed})));
        Store store(path);
        QSignalSpy merged(&store, &Store::externalChangeMerged);

        Subscription there = changed;
        there.amount = 30;
        const Subscription added = record(u"Added"_qs);
        // A copy lacks `kept`: a copy never deletes.
        const QList<Subscription> theirs = arrival == Arrival::copy ? QList<Subscription>{there, added}
                                                                    : QList<Subscription>{kept, there, added};
        const QString target = dir().filePath(fileName);
        if (arrival == Arrival::editedInPlace) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
            QVERIFY(file.write(encoded(theirs)) > 0);
        } else {
            const QString staging = dir().filePath(u".incoming"_qs);
            QVERIFY(writeFile(staging, encoded(theirs)));
            QCOMPARE(std::rename(qPrintable(staging), qPrintable(target)), 0);
        }
        QVERIFY(merged.wait());
        QCOMPARE(names(store.subscriptions()), (QStringList{u"Kept"_qs, u"Changed"_qs, u"Added"_qs}));
        QCOMPARE(store.subscriptions()[1].amount, 30.0);
        QCOMPARE(SubscriptionFile::decode(readFile(path)), store.subscriptions());
        if (arrival == Arrival::copy) {
            QVERIFY(!QFile::exists(target));
            QVERIFY(QFile::exists(store.conflictsFolder() + u'/' + fileName));
        }
        // A second change after the first is seen too: the watch outlives the rename.
        QVERIFY(writeFile(dir().filePath(u".incoming"_qs), encoded({kept})));
        QCOMPARE(std::rename(qPrintable(dir().filePath(u".incoming"_qs)), qPrintable(path)), 0);
        QTRY_COMPARE(names(store.subscriptions()), QStringList{u"Kept"_qs});
    }

    // The same field edited here and on another computer: the file's value wins, the user is told
    // once, and the local version is kept. The same when the bookkeeping learnt of the first read
    // later, on another thread or at its first use.
    void editOnBothSides_data() {
        QTest::addColumn<Store::ReadTracking>("tracking");
        QTest::addColumn<bool>("inBackground");
        QTest::newRow("told at once") << Store::ReadTracking::now << false;
        QTest::newRow("told on another thread") << Store::ReadTracking::later << true;
        QTest::newRow("told at first use") << Store::ReadTracking::later << false;
    }
    void editOnBothSides() {
        QFETCH(Store::ReadTracking, tracking);
        QFETCH(bool, inBackground);
        const QString path = dir().filePath(u"subscriptions.json"_qs);
        const Subscription original = record(u"Original"_qs);
        QVERIFY(writeFile(path, encoded({original})));
        Store store(path, SubscriptionFile::load(path), tracking);
        if (inBackground)
            store.trackReadInBackground();
        QDir(store.conflictsFolder()).removeRecursively();
        QSignalSpy replaced(&store, &Store::externalEditsReplaced);
        Subscription there = original;
        there.name = u"There"_qs;
        QVERIFY(writeFile(path, encoded({there})));
        Subscription here = original;
        here.name = u"Here"_qs;
        here.amount = 99;
        store.update(here);
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(replaced[0][0].toStringList(), QStringList{u"Here"_qs});
        QCOMPARE(store.subscriptions()[0].name, u"There"_qs);
        QCOMPARE(store.subscriptions()[0].amount, 99.0);
        const QStringList kept = QDir(store.conflictsFolder()).entryList({u"replaced-*"_qs}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(SubscriptionFile::decode(readFile(store.conflictsFolder() + u'/' + kept[0])),
                 QList<Subscription>{here});
    }

    // A conflict copy made on another computer that arrives beside the list which already holds it,
    // merged there with a later edit from here: what the copy added is kept, and its older values do
    // not undo the later edit.
    void copyArrivingAfterItsMerge() {
        ManualClock clock(QDateTime(QDate(2026, 3, 7), QTime(8, 0), QTimeZone::utc()), QTimeZone::utc(),
                          ManualClock::Scope::installed);
        const QString path = dir().filePath(u"subscriptions.json"_qs);
        Store store(path);
        Subscription video = record(u"Video"_qs, 15);
        store.add(video);
        clock.advance(60'000);
        // There: a record added to that list, a version which then lost against the edit here.
        const QList<Subscription> there = {video, record(u"Music"_qs)};
        const QDateTime copyWritten = clock.now();
        clock.advance(60'000);
        video.amount = 16;
        store.update(video);
        clock.advance(60'000);

        const QString staging = dir().filePath(u".incoming"_qs);
        QVERIFY(writeFile(staging, encoded({video, there[1]})));
        QCOMPARE(std::rename(qPrintable(staging), qPrintable(path)), 0);
        const QString copy = dir().filePath(u"subscriptions.sync-conflict-20260307-080100-ABCD3FG.json"_qs);
        QVERIFY(writeFile(staging, encoded(there)));
        QFile staged(staging);
        QVERIFY(staged.open(QIODevice::ReadWrite));
        QVERIFY(staged.setFileTime(copyWritten, QFileDevice::FileModificationTime));
        staged.close();
        QCOMPARE(std::rename(qPrintable(staging), qPrintable(copy)), 0);
        store.checkForExternalChange();

        QCOMPARE(store.subscriptions(), (QList<Subscription>{video, there[1]}));
        QCOMPARE(SubscriptionFile::decode(readFile(path)), store.subscriptions());
        QVERIFY(!QFile::exists(copy));
    }

    // A file half written by a tool that writes in place is neither merged as an empty list nor
    // written over; once whole, it is merged.
    void halfWrittenFile() {
        const QString path = dir().filePath(u"subscriptions.json"_qs);
        const Subscription a = record(u"A"_qs);
        QVERIFY(writeFile(path, encoded({a})));
        Store store(path);
        QSignalSpy merged(&store, &Store::externalChangeMerged);
        QSignalSpy failed(&store, &Store::saveFailed);
        const Subscription b = record(u"B"_qs);
        const QByteArray whole = encoded({a, b});
        const QByteArray half = whole.left(whole.size() / 2);
        QVERIFY(writeFile(path, half));
        const Subscription local = record(u"Local"_qs);
        store.add(local);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(readFile(path), half);
        QCOMPARE(names(store.subscriptions()), (QStringList{u"A"_qs, u"Local"_qs}));

        QVERIFY(writeFile(path, whole));
        QVERIFY(merged.wait());
        QCOMPARE(names(store.subscriptions()), (QStringList{u"A"_qs, u"B"_qs, u"Local"_qs}));
        QCOMPARE(SubscriptionFile::decode(readFile(path)), store.subscriptions());
        QVERIFY(!store.hasUnsavedChanges());
    }

private:
    QTemporaryDir &dir() { return *m_temp; }
    std::unique_ptr<QTemporaryDir> m_temp;
};

QTEST_GUILESS_MAIN(TestStoreSync)
#include "tst_store_sync.moc"
