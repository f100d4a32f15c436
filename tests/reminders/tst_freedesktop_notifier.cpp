#include "DesktopNotificationCenter.h"
#include "FreedesktopNotifier.h"
#include "NotificationManager.h"
#include "NotificationServer.h"
#include "ReminderTestSupport.h"
#include "TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

using Outcome = FreedesktopNotifier::Outcome;

namespace {

NotificationRequest request(const QString &title, const QString &body, bool sound = true,
                            const QString &openLabel = {}) {
    NotificationRequest r;
    r.identifier = u"renew-X"_qs;
    r.title = title;
    r.body = body;
    r.sound = sound;
    r.subscription = QUuid::createUuid();
    r.openLabel = openLabel;
    return r;
}

} // namespace

class TestFreedesktopNotifier : public QObject {
    Q_OBJECT

private:
    QDBusConnection serverBus{QString()};
    NotificationServer *server = nullptr;

    void startServer() {
        server = new NotificationServer;
        QVERIFY(
            serverBus.registerObject(FreedesktopNotifier::path, server,
                                     QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(serverBus.registerService(FreedesktopNotifier::service));
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariable("RENEWLY_PRIVATE_SESSION_BUS") != u"1")
            QSKIP("runs only on the private session bus that ctest starts for it");
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        // Nothing on this bus can start a notification daemon by itself.
        const auto activatable = QDBusConnection::sessionBus().interface()->activatableServiceNames();
        QVERIFY(!activatable.value().contains(FreedesktopNotifier::service));
        serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"server"_qs);
        QVERIFY(serverBus.isConnected());
    }

    void cleanup() {
        serverBus.unregisterService(FreedesktopNotifier::service);
        serverBus.unregisterObject(FreedesktopNotifier::path);
        delete server;
        server = nullptr;
    }

    void notify_data() {
        QTest::addColumn<NotificationRequest>("sent");
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QVariantMap>("hints");
        QTest::addColumn<QStringList>("actions");

        const QVariantMap sound{{u"sound-name"_qs, u"message-new-instant"_qs}};
        const QStringList plain{"body", "actions"}, markup{"body", "body-markup"};
        QTest::newRow("English") << request("Subscription renewing soon",
                                            "Netflix will be charged $15.99 in 3 days.")
                                 << plain << "Netflix will be charged $15.99 in 3 days." << sound
                                 << QStringList{};
        QTest::newRow("Chinese and an emoji arrive intact")
            << request("Renewly 测试通知", "看到这条就说明续费提醒能正常工作 ✅") << markup
            << "看到这条就说明续费提醒能正常工作 ✅" << sound << QStringList{};
        QTest::newRow("markup characters escaped where the daemon reads markup")
            << request("Subscription renewing soon", "AT&T <Plus> will be charged") << markup
            << "AT&amp;T &lt;Plus&gt; will be charged" << sound << QStringList{};
        QTest::newRow("markup characters as they are where it does not")
            << request("Subscription renewing soon", "AT&T <Plus> will be charged") << plain
            << "AT&T <Plus> will be charged" << sound << QStringList{};
        QTest::newRow("no daemon capabilities")
            << request("T", "a<b") << QStringList{} << "a<b" << sound << QStringList{};
        QTest::newRow("silent") << request("T", "B", false) << plain << "B" << QVariantMap{} << QStringList{};
        QTest::newRow("a reminder offers Open where the daemon shows actions")
            << request("T", "B", true, "查看") << plain << "B" << sound
            << QStringList{"default", "查看", "open", "查看"};
        QTest::newRow("and nothing where it does not")
            << request("T", "B", true, "Open") << markup << "B" << sound << QStringList{};
    }
    void notify() {
        QFETCH(NotificationRequest, sent);
        QFETCH(QStringList, capabilities);
        QFETCH(QString, body);
        QFETCH(QVariantMap, hints);
        QFETCH(QStringList, actions);
        startServer();
        server->capabilities = capabilities;

        FreedesktopNotifier notifier;
        QVERIFY(notifier.isAvailable());
        QSignalSpy finished(&notifier, &FreedesktopNotifier::finished);
        notifier.present(sent);
        QCOMPARE(finished.size(), 0); // answered later, never while present() runs
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toString(), sent.identifier);
        QCOMPARE(finished[0][1].value<Outcome>(), Outcome::shown);
        QCOMPARE(finished[0][2].toUInt(), 101u);

        QCOMPARE(server->calls.size(), 1);
        const NotificationServer::Call &call = server->calls[0];
        QCOMPARE(call.appName, u"Renewly"_qs);
        QCOMPARE(call.replacesId, 0u);
        QCOMPARE(call.appIcon, u"renewly"_qs);
        QCOMPARE(call.summary, sent.title);
        QCOMPARE(call.body, body);
        QCOMPARE(call.actions, actions);
        QCOMPARE(call.hints, hints);
        QCOMPARE(call.expireTimeout, -1);
    }

    void withoutDaemonNothingIsSent() {
        FreedesktopNotifier notifier;
        QSignalSpy finished(&notifier, &FreedesktopNotifier::finished);
        notifier.present(request("T", "B"));
        QCOMPARE(finished.size(), 0);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished[0][1].value<Outcome>(), Outcome::noService);
    }

    // A daemon that takes the call and never answers holds up nothing but its own outcome.
    void silentDaemonDoesNotBlock() {
        startServer();
        server->answers = false;
        FreedesktopNotifier notifier;
        notifier.setCallTimeout(300);
        QSignalSpy finished(&notifier, &FreedesktopNotifier::finished);
        notifier.present(request("T", "B"));
        QCOMPARE(finished.size(), 0);
        QTRY_COMPARE(server->calls.size(), 1);
        QCOMPARE(finished.size(), 0);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished[0][1].value<Outcome>(), Outcome::failed);
    }
};

QTEST_GUILESS_MAIN(TestFreedesktopNotifier)
#include "tst_freedesktop_notifier.moc"
