#include "DesktopNotificationCenter.h"
#include "FreedesktopNotifier.h"
#include "NotificationManager.h"
#include "ReminderTestSupport.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTest>

// Run with no session bus at all: every notification operation is a harmless no-op.
class TestNotifierWithoutBus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("runs only without a session bus");
    }

    void notifierReportsNoBus() {
        FreedesktopNotifier notifier;
        QVERIFY(!notifier.isAvailable());
        QSignalSpy finished(&notifier, &FreedesktopNotifier::finished);
        NotificationRequest request;
        request.identifier = u"test-1"_qs;
        notifier.present(request);
        QCOMPARE(finished.size(), 0);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished[0][1].value<FreedesktopNotifier::Outcome>(),
                 FreedesktopNotifier::Outcome::noSessionBus);
    }

    // The instance the application uses, exactly as the application calls it.
    void sharedInstanceIsSilent() {
        NotificationManager &shared = NotificationManager::shared();
        QVERIFY(!shared.requestAuthorization());
        QVERIFY(!shared.reschedule({}, 3));
        QVERIFY(!shared.sendTest());
    }
};

QTEST_GUILESS_MAIN(TestNotifierWithoutBus)
#include "tst_notifier_without_bus.moc"
