#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

namespace {
// Runs `work` on another thread while this thread keeps serving events, as a second process would.
template <typename Work> auto fromAnotherThread(Work work) {
    auto future = std::async(std::launch::async, std::move(work));
    while (future.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return future.get();
}
} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondLaunchHandsOverItsRequest();
    void clientSendingGarbageDoesNotStopTheServer();
    void longFolderStillGetsAUsableSocket();
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
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(2000)) {
            socket.write(QByteArray(4096, 'x'));
            socket.waitForBytesWritten(2000);
            socket.waitForDisconnected(2000);
        }
        return 0;
    });
    QCOMPARE(received.size(), 0);
    const bool delivered = fromAnotherThread([path = dir.path()] {
        SingleInstance second(path);
        second.claim();
        return second.sendToPrimary(SingleInstance::showMessage);
    });
    QVERIFY(delivered);
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

void TestSingleInstance::secondaryWithoutAnswerReportsFailure() {
    QTemporaryDir dir;
    SingleInstance nobody(dir.path());
    // Nobody listens on this folder's socket.
    QVERIFY(!nobody.sendToPrimary(SingleInstance::showMessage, 200));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
