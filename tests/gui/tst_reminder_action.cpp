#include "NotificationServer.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "reminders/DesktopNotificationCenter.h"
#include "reminders/FreedesktopNotifier.h"
#include "reminders/NotificationManager.h"
#include "settings/Preferences.h"
#include "store/Store.h"
#include "views/ContentView.h"
#include "views/SubscriptionDetailView.h"

#include <QDBusConnection>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::at;

// A reminder's open action, sent by a stand-in notification daemon on a private session bus,
// brings up the main window with the detail sheet of that reminder's subscription.
class TestReminderAction : public QObject {
    Q_OBJECT

private:
    QDBusConnection serverBus{QString()};

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariable("RENEWLY_PRIVATE_SESSION_BUS") != u"1")
            QSKIP("runs only on the private session bus that ctest starts for it");
        serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"server"_qs);
        QVERIFY(serverBus.isConnected());
    }

    // Each event is "KEY NAME": the daemon reports action KEY on the reminder of NAME ("close NAME":
    // the daemon closes it). `opened` is the subscription whose sheet ends up open.
    void openAction_data() {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<int>("openRequests");
        QTest::newRow("open") << QStringList{"open Spotify"} << "Spotify" << 1;
        QTest::newRow("default action: a click on the notification")
            << QStringList{"default Netflix"} << "Netflix" << 1;
        QTest::newRow("another action key is ignored")
            << QStringList{"snooze Spotify", "open Netflix"} << "Netflix" << 1;
        QTest::newRow("a closed notification is ignored")
            << QStringList{"close Spotify", "open Spotify", "open Netflix"} << "Netflix" << 1;
        QTest::newRow("a second reminder's sheet replaces the first's")
            << QStringList{"open Netflix", "open Spotify"} << "Spotify" << 2;
    }
    void openAction() {
        QFETCH(QStringList, events);
        QFETCH(QString, opened);
        QFETCH(int, openRequests);
        TestSupport::LanguageGuard english(LocalizationManager::Lang::en);
        Preferences::settings()->clear();

        auto *server = new NotificationServer;
        server->capabilities = {u"body"_qs, u"actions"_qs};
        QVERIFY(
            serverBus.registerObject(FreedesktopNotifier::path, server,
                                     QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(serverBus.registerService(FreedesktopNotifier::service));
        const auto unregister = qScopeGuard([&] {
            serverBus.unregisterService(FreedesktopNotifier::service);
            serverBus.unregisterObject(FreedesktopNotifier::path);
            delete server;
        });

        QTemporaryDir dir;
        const QTimeZone zone = QTimeZone::systemTimeZone();
        ManualClock clock(at(zone, 2025, 5, 17, 9, 0), zone, ManualClock::Scope::installed);
        FreedesktopNotifier notifier;
        DesktopNotificationCenter center(clock, notifier);
        ShownReminders state(dir.filePath(u"reminders.json"_qs));
        NotificationManager manager(center, clock, &state);
        manager.attach(center, &notifier);
        QSignalSpy openRequested(&notifier, &FreedesktopNotifier::openRequested);

        AppDelegate::Options options;
        options.storePath = dir.filePath(u"subscriptions.json"_qs);
        options.showWindowAtLaunch = false;
        options.reminders = &manager;
        AppDelegate delegate(options);
        for (const char *name : {"Netflix", "Spotify"})
            delegate.store().add(Subscription::make(name, 9.99, u"USD"_qs, BillingType::recurring,
                                                    BillingCycle::monthly, at(zone, 2025, 4, 20, 9, 0), {},
                                                    {}));
        delegate.applicationDidFinishLaunching();
        clock.set(at(zone, 2025, 5, 17, 10, 0));
        center.check();
        QTRY_COMPARE(server->calls.size(), 2);
        QMap<QString, uint> idOf;
        for (qsizetype i = 0; i < server->calls.size(); ++i) {
            QCOMPARE(server->calls[i].actions, (QStringList{"default", "Open", "open", "Open"}));
            idOf.insert(server->calls[i].body.section(u' ', 0, 0), NotificationServer::idOf(i));
        }
        // Nothing is open before the notification is acted on (without a tray, the window shows at launch).
        QVERIFY(!delegate.content() || !delegate.content()->presented());

        for (const QString &event : std::as_const(events)) {
            const QString key = event.section(u' ', 0, 0);
            const uint id = idOf.value(event.section(u' ', 1));
            if (key == u"close")
                Q_EMIT server->NotificationClosed(id, 2);
            else
                Q_EMIT server->ActionInvoked(id, key);
        }
        // Signals from one sender arrive in order: once the last has been handled, so have the others.
        QTRY_COMPARE(openRequested.size(), openRequests);
        QVERIFY(delegate.window() && delegate.window()->isVisible());
        auto *content = qobject_cast<ContentView *>(delegate.window()->centralWidget());
        QVERIFY(content);
        QTRY_VERIFY(qobject_cast<SubscriptionDetailView *>(content->presented()));
        QCOMPARE(content->detailSub()->name, opened);
    }
};

QTEST_MAIN(TestReminderAction)
#include "tst_reminder_action.moc"
