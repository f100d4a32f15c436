#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// Runs `work` on another thread while this thread keeps serving events, as a second process would.
template <typename Work> auto fromAnotherThread(Work work) {
    auto future = std::async(std::launch::async, std::move(work));
    while (future.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return future.get();
}

// Whether a second instance started in `folder` gets its request to show through.
bool secondInstanceShows(const QString &folder) {
    return fromAnotherThread([folder] {
        SingleInstance second(folder);
        second.claim();
        return second.sendToPrimary(SingleInstance::showMessage);
    });
}

// A socket at `path`: connected to the listener there, or (connectToIt false) bound and left
// unlistened, as a crashed process leaves it; -1 when that fails. Closed by the caller.
int localSocket(const QString &path, bool connectToIt) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::copy(name.cbegin(), name.cend(), address.sun_path);
    const auto *raw = reinterpret_cast<const sockaddr *>(&address);
    if ((connectToIt ? ::connect(fd, raw, sizeof address) : ::bind(fd, raw, sizeof address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondLaunchHandsOverItsRequest();
    void clientSendingGarbageDoesNotStopTheServer();
    void longFolderStillGetsAUsableSocket();
    void socketLeftByACrashIsTakenOver();
    void lockGoesWithItsHolder();
    void secondaryWithoutAnswerReportsFailure();
};

void TestSingleInstance::secondLaunchHandsOverItsRequest() {
    QTemporaryDir dir;
    SingleInstance primary(dir.path());
    QCOMPARE(primary.claim(), SingleInstance::Role::primary);
    QVERIFY(primary.isListening());
    QSignalSpy received(&primary, &SingleInstance::messageReceived);

    const auto [role, delivered] = fromAnotherThread([path = dir.path()] {
        SingleInstance second(path);
        const SingleInstance::Role r = second.claim();
        return std::pair{r, second.sendToPrimary(SingleInstance::showMessage)};
    });
    QCOMPARE(role, SingleInstance::Role::secondary);
    QVERIFY(delivered);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toByteArray(), SingleInstance::showMessage);
}

void TestSingleInstance::clientSendingGarbageDoesNotStopTheServer() {
    QTemporaryDir dir;
    SingleInstance primary(dir.path());
    QCOMPARE(primary.claim(), SingleInstance::Role::primary);
    QSignalSpy received(&primary, &SingleInstance::messageReceived);

    fromAnotherThread([path = primary.socketPath()] {
        const int fd = localSocket(path, true);
        if (fd >= 0) {
            const QByteArray garbage(4096, 'x');
            (void)::send(fd, garbage.constData(), garbage.size(), MSG_NOSIGNAL);
            // Until the server hangs up.
            char buffer[64];
            while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
            }
            ::close(fd);
        }
        return 0;
    });
    QCOMPARE(received.size(), 0);
    QVERIFY(secondInstanceShows(dir.path()));
    QCOMPARE(received.size(), 1);
}

void TestSingleInstance::longFolderStillGetsAUsableSocket() {
    QTemporaryDir dir;
    const QString deep = dir.filePath(QString(60, u'd') + u'/' + QString(60, u'e'));
    SingleInstance primary(deep);
    QCOMPARE(primary.claim(), SingleInstance::Role::primary);
    QVERIFY(primary.socketPath().toLocal8Bit().size() <= 100);
    QVERIFY(primary.isListening());
    QVERIFY(QFile::exists(deep + QStringLiteral("/renewly.lock")));
}

void TestSingleInstance::socketLeftByACrashIsTakenOver() {
    QTemporaryDir dir;
    SingleInstance primary(dir.path());
    const int stale = localSocket(primary.socketPath(), false);
    QVERIFY(stale >= 0);
    ::close(stale);
    QCOMPARE(primary.claim(), SingleInstance::Role::primary);
    QVERIFY(primary.isListening());
    // Other users cannot connect.
    QCOMPARE(QFileInfo(primary.socketPath()).permissions() &
                 ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFile::Permissions());
    QSignalSpy received(&primary, &SingleInstance::messageReceived);
    QVERIFY(secondInstanceShows(dir.path()));
    QCOMPARE(received.size(), 1);
}

void TestSingleInstance::lockGoesWithItsHolder() {
    QTemporaryDir dir;
    {
        SingleInstance first(dir.path());
        QCOMPARE(first.claim(), SingleInstance::Role::primary);
    }
    // The lock file stays behind, but nobody holds it any more.
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("renewly.lock"))));
    SingleInstance next(dir.path());
    QCOMPARE(next.claim(), SingleInstance::Role::primary);
}

void TestSingleInstance::secondaryWithoutAnswerReportsFailure() {
    QTemporaryDir dir;
    SingleInstance nobody(dir.path());
    // Nobody listens on this folder's socket.
    QVERIFY(!nobody.sendToPrimary(SingleInstance::showMessage, 200));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
