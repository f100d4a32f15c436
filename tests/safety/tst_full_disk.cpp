#include "TestSupport.h"

#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

Subscription record(int n) {
    return {.name = u"record %1"_qs.arg(n),
            .amount = double(n),
            .startDate = QDateTime(QDate(2025, 3, 7), QTime(8, 30), QTimeZone::utc()),
            .category = u"云存储"_qs,
            .notes = QString(200, u'n')};
}

// Writes to `path` until the file system refuses another byte.
void fillUp(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return; // no inode left: full already
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    ::close(fd);
}

// Creates empty files until the file system has no inode left.
int useUpInodes(const QString &folder) {
    int made = 0;
    for (;; ++made) {
        const int fd = ::open(QFile::encodeName(folder + u"/inode-%1"_qs.arg(made)).constData(),
                              O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return made;
        ::close(fd);
    }
}

QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

// A full disk never costs data: the save fails, the list in memory keeps the change, the file keeps
// its previous content, and the next change after space returns writes everything.
class TestFullDisk : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_mountPoint;

    // A small file system of our own: a tmpfs in a mount namespace private to this process, so it
    // disappears with the process whatever happens. Needs root (CI runs as root).
    bool mountTmpfs(const char *options) {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
        m_mounted = ::mount("renewly-full-disk", QFile::encodeName(m_mountPoint).constData(), "tmpfs", 0,
                            options) == 0;
        return m_mounted;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_mountPoint = m_dir.filePath(u"fs"_qs);
        QVERIFY(QDir().mkpath(m_mountPoint));
        if (::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            mountTmpfs("size=256k,nr_inodes=64"))
            return;
        qInfo("no private tmpfs (errno %d): only the file-size limit cases run", errno);
    }

    void cleanupTestCase() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
    }

    void init() {
        if (m_mounted)
            QVERIFY(mountTmpfs("size=256k,nr_inodes=64"));
    }

    void noSpaceLeft_data() {
        QTest::addColumn<bool>("startsUnreadable");
        QTest::newRow("a readable file") << false;
        QTest::newRow("an unreadable file to keep aside") << true;
    }

    void noSpaceLeft() {
        QFETCH(bool, startsUnreadable);
        if (!m_mounted)
            QSKIP("needs a tmpfs of its own (root)");
        const QString folder = m_mountPoint + u"/Renewly"_qs;
        const QString path = folder + u"/subscriptions.json"_qs;
        QVERIFY(QDir().mkpath(folder));
        const QByteArray unreadable = "[{\"half a record\"";
        QByteArray before;
        QList<Subscription> expected;
        {
            if (startsUnreadable) {
                QVERIFY(writeFile(path, unreadable));
            } else {
                Store first(path);
                for (int n = 0; n < 20; ++n)
                    first.add(record(n));
                expected = first.subscriptions();
                before = readFile(path);
                QVERIFY(!before.isEmpty());
            }
        }

        Store store(path);
        QCOMPARE(store.subscriptions(), expected);
        const QString filler = m_mountPoint + u"/filler"_qs;
        fillUp(filler);
        for (int n = 100; n < 103; ++n) {
            store.add(record(n));
            expected.append(record(n));
            expected.last().id = store.subscriptions().last().id;
            QVERIFY(!store.save());
        }
        QCOMPARE(store.subscriptions(), expected);
        if (startsUnreadable) {
            // Moving the unreadable file aside needs no space; only the new file could not be written.
            QVERIFY(!store.setAsidePath().isEmpty());
            QCOMPARE(readFile(store.setAsidePath()), unreadable);
            QVERIFY(!QFileInfo::exists(path));
            QCOMPARE(entries(folder), QStringList{QFileInfo(store.setAsidePath()).fileName()});
        } else {
            QCOMPARE(readFile(path), before);
            QCOMPARE(entries(folder), QStringList{u"subscriptions.json"_qs});
        }

        // Space is back: the next change writes the whole list.
        QVERIFY(QFile::remove(filler));
        store.remove(record(999));
        const auto written = SubscriptionFile::decode(readFile(path));
        QVERIFY(written);
        QCOMPARE(*written, expected);
        QCOMPARE(entries(folder).size(), startsUnreadable ? 2 : 1);
    }

    // Without a free inode the temporary file cannot even be created.
    void noInodeLeft() {
        if (!m_mounted)
            QSKIP("needs a tmpfs of its own (root)");
        const QString folder = m_mountPoint + u"/Renewly"_qs;
        const QString path = folder + u"/subscriptions.json"_qs;
        Store store(path);
        store.add(record(1));
        const QByteArray before = readFile(path);
        const QString crowd = m_mountPoint + u"/crowd"_qs;
        QVERIFY(QDir().mkpath(crowd));
        QVERIFY(useUpInodes(crowd) > 0);
        store.add(record(2));
        QVERIFY(!store.save());
        QCOMPARE(store.subscriptions().size(), 2);
        QCOMPARE(readFile(path), before);
        QVERIFY(QDir(crowd).removeRecursively());
        QVERIFY(store.save());
        QCOMPARE(SubscriptionFile::decode(readFile(path))->size(), 2);
    }

    // Where no file system of our own can be made, a file-size limit makes the writes fail instead.
    void fileSizeLimit() {
        const QString folder = m_dir.filePath(u"limited/Renewly"_qs);
        const QString path = folder + u"/subscriptions.json"_qs;
        Store store(path);
        store.add(record(1));
        const QByteArray before = readFile(path);
        rlimit previous{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous;
        limit.rlim_cur = rlim_t(before.size() + 100);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        store.add(record(2));
        const bool saved = store.save().ok();
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!saved);
        QCOMPARE(store.subscriptions().size(), 2);
        QCOMPARE(readFile(path), before);
        QCOMPARE(entries(folder), QStringList{u"subscriptions.json"_qs});
        QVERIFY(store.save());
        QCOMPARE(SubscriptionFile::decode(readFile(path))->size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestFullDisk)
#include "tst_full_disk.moc"
