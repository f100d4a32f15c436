// Starts the application's launch sequence (tray only, no window) on a clock set to a given local
// moment, lets every reminder that is due be shown, and quits as the application does. Prints one
// line per notification the daemon accepted. Used by dunst_e2e.sh to launch the program "at"
// chosen moments.
//   launch_probe yyyy-MM-ddTHH:mm:ss SUBSCRIPTION_FILE
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "reminders/DesktopNotificationCenter.h"
#include "reminders/FreedesktopNotifier.h"
#include "reminders/NotificationManager.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QDateTime moment = QDateTime::fromString(args.value(1), Qt::ISODate);
    if (args.size() != 3 || !moment.isValid()) {
        QTextStream(stderr) << "usage: launch_probe yyyy-MM-ddTHH:mm:ss SUBSCRIPTION_FILE" << Qt::endl;
        return 2;
    }
    ManualClock clock(moment, QTimeZone::systemTimeZone(), ManualClock::Scope::installed);

    NotificationManager &manager = NotificationManager::shared();
    auto *center = dynamic_cast<DesktopNotificationCenter *>(&manager.center());
    auto *notifier = center ? dynamic_cast<FreedesktopNotifier *>(&center->presenter()) : nullptr;
    if (!notifier)
        return 3;
    int inFlight = 0;
    QObject::connect(center, &DesktopNotificationCenter::fired, [&] { ++inFlight; });
    QObject::connect(notifier, &FreedesktopNotifier::finished,
                     [&](const QString &identifier, FreedesktopNotifier::Outcome outcome, uint id) {
                         --inFlight;
                         QTextStream(stdout) << identifier << ' ' << QVariant::fromValue(outcome).toString()
                                             << ' ' << id << Qt::endl;
                     });

    AppDelegate::Options options;
    options.storePath = args.value(2);
    options.showWindowAtLaunch = false;
    AppDelegate delegate(options);
    delegate.applicationDidFinishLaunching();

    // Done once nothing is due any more and the daemon has answered every notification.
    QTimer settled;
    QObject::connect(&settled, &QTimer::timeout, &delegate, [&] {
        if (inFlight == 0 && center->nextCheckInterval().count() > 0)
            delegate.requestQuit();
    });
    settled.start(20);
    return app.exec();
}
