#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <future>

namespace {
const char *holdEnv = "RENEWLY_TEST_HOLD_LOCK_IN";

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
    void lockOfAKilledProcessDoesNotBlockTheNextStart();
    void runningHolderIsNotTakenOver();
    void clientSendingGarbageDoesNotStopTheServer();
    void longFolderStillGetsAUsableSocket();
    void secondaryWithoutAnswerReportsFailure();

private:
    QProcess *startHolder(const QString &directory);
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

QProcess *TestSingleInstance::startHolder(const QString &directory) {
    auto *holder = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(holdEnv), directory);
    holder->setProcessEnvironment(env);
    holder->start(QCoreApplication::applicationFilePath(), {});
    if (!holder->waitForStarted())
        return holder;
    // The holder says so once it has the lock.
    while (!holder->canReadLine() && holder->waitForReadyRead(5000)) {
    }
    return holder;
}

void TestSingleInstance::lockOfAKilledProcessDoesNotBlockTheNextStart() {
    QTemporaryDir dir;
    QProcess *holder = startHolder(dir.path());
    QCOMPARE(holder->readLine().trimmed(), QByteArray("primary"));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("renewly.lock"))));
    ::kill(static_cast<pid_t>(holder->processId()), SIGKILL);
    QVERIFY(holder->waitForFinished());
    // The lock file and the socket file are both left behind.
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("renewly.lock"))));

    SingleInstance next(dir.path());
    QCOMPARE(next.claim(), SingleInstance::Role::primary);
    QVERIFY(next.isListening());
}

void TestSingleInstance::runningHolderIsNotTakenOver() {
    QTemporaryDir dir;
    QProcess *holder = startHolder(dir.path());
    QCOMPARE(holder->readLine().trimmed(), QByteArray("primary"));
    SingleInstance second(dir.path());
    QCOMPARE(second.claim(), SingleInstance::Role::secondary);
    QVERIFY(second.sendToPrimary(SingleInstance::showMessage));
    QVERIFY(holder->waitForReadyRead(5000) || holder->canReadLine());
    QCOMPARE(holder->readLine().trimmed(), QByteArray("show"));
    holder->kill();
    holder->waitForFinished();
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

int main(int argc, char *argv[]) {
    const QString holdIn = qEnvironmentVariable(holdEnv);
    if (!holdIn.isEmpty()) {
        // Helper mode: hold the lock in a process of its own until killed, echoing what arrives.
        QCoreApplication app(argc, argv);
        SingleInstance instance(holdIn);
        const bool primary = instance.claim() == SingleInstance::Role::primary;
        std::printf("%s\n", primary ? "primary" : "secondary");
        std::fflush(stdout);
        QObject::connect(&instance, &SingleInstance::messageReceived, [](const QByteArray &message) {
            std::printf("%s\n", message.constData());
            std::fflush(stdout);
        });
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_single_instance.moc"
