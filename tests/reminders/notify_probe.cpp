// Sends one notification the way the application does and exits with 0 once the notification
// daemon has accepted it. Used by dunst_e2e.sh.
//   notify_probe test [en|zh]      the test notification through the application's instance
//   notify_probe reminder [en|zh]  a reminder of "AT&T <Plus>", due at once on a hand-set clock
#include "DesktopNotificationCenter.h"
#include "FreedesktopNotifier.h"
#include "NotificationManager.h"
#include "ReminderTestSupport.h"

#include "settings/LocalizationManager.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

namespace {

int run(FreedesktopNotifier &notifier, const std::function<void()> &send) {
    QObject::connect(&notifier, &FreedesktopNotifier::finished, qApp,
                     [](const QString &identifier, FreedesktopNotifier::Outcome outcome, uint id) {
                         QTextStream(stdout) << identifier << ' ' << QVariant::fromValue(outcome).toString()
                                             << ' ' << id << Qt::endl;
                         qApp->exit(outcome == FreedesktopNotifier::Outcome::shown ? 0 : 1);
                     });
    QTimer::singleShot(std::chrono::seconds(20), qApp, [] {
        QTextStream(stderr) << "no answer from the notification daemon" << Qt::endl;
        qApp->exit(2);
    });
    send();
    return qApp->exec();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1, u"test"_qs);
    const bool zh = args.value(2) == u"zh";
    LocalizationManager::shared().setLang(zh ? LocalizationManager::Lang::zh : LocalizationManager::Lang::en);

    if (mode == u"test") {
        NotificationManager &manager = NotificationManager::shared();
        auto *center = dynamic_cast<DesktopNotificationCenter *>(&manager.center());
        auto *notifier = center ? dynamic_cast<FreedesktopNotifier *>(&center->presenter()) : nullptr;
        if (!notifier)
            return 3;
        return run(*notifier, [&] {
            manager.requestAuthorization();
            if (!manager.sendTest())
                qApp->exit(4);
        });
    }

    const QTimeZone zone = QTimeZone::systemTimeZone();
    ManualClock clock(QDateTime(QDate(2025, 5, 10), QTime(9, 0), zone), zone);
    FreedesktopNotifier notifier;
    DesktopNotificationCenter center(clock, notifier);
    NotificationManager manager(center, clock);
    const Subscription sub =
        Subscription::make(u"AT&T <Plus>"_qs, 30, u"CNY"_qs, BillingType::recurring, BillingCycle::monthly,
                           QDateTime(QDate(2025, 4, 20), QTime(8, 0), zone), {}, {});
    return run(notifier, [&] {
        if (!manager.reschedule({sub}, 3))
            qApp->exit(4);
        clock.set(QDateTime(QDate(2025, 5, 17), QTime(10, 0), zone));
        center.check();
    });
}
