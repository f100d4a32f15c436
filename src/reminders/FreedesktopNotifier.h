#pragma once

#include "NotificationPresenter.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QUuid>
#include <QVariantList>

#include <functional>

// Shows notifications through org.freedesktop.Notifications on the session bus. Every bus call is
// asynchronous, so the GUI thread never waits for the bus or the notification daemon. Without a
// session bus or a notification service nothing is sent; `finished` tells which case happened.
class FreedesktopNotifier : public QObject, public NotificationPresenter {
    Q_OBJECT
public:
    enum class Outcome {
        shown,        // the daemon accepted the notification
        noSessionBus, // nothing sent
        noService,    // nobody owns or can start org.freedesktop.Notifications; nothing sent
        failed,       // the daemon or the bus answered with an error, or did not answer
    };
    Q_ENUM(Outcome)

    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString appName = QStringLiteral("Renewly");
    static inline const QString appIcon = QStringLiteral("renewly");
    static inline const QString soundName = QStringLiteral("message-new-instant");
    // A daemon that takes longer than this to answer counts as failed.
    static constexpr int defaultCallTimeoutMs = 10000;

    // Uses the session bus.
    explicit FreedesktopNotifier(QObject *parent = nullptr);
    FreedesktopNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

    bool isAvailable() const override;
    void setCallTimeout(int msecs) { m_callTimeoutMs = msecs; }
    void present(const NotificationRequest &request) override;

    // The key of the action that opens a reminder's subscription; the default action (a click on
    // the notification itself) does the same.
    static inline const QString openAction = QStringLiteral("open");
    static inline const QString defaultAction = QStringLiteral("default");

    // The arguments of Notify, in order: app name, replaces id, icon, summary, body, actions,
    // hints, expire timeout. `bodyMarkup` says whether the daemon reads markup in the body, in
    // which case the body is escaped so that it shows exactly as given; `actions` whether it
    // shows actions.
    static QVariantList notifyArguments(const NotificationRequest &request, bool bodyMarkup, bool actions);

Q_SIGNALS:
    // After every present(); `notificationId` is the daemon's id when shown, else 0.
    void finished(const QString &identifier, FreedesktopNotifier::Outcome outcome, uint notificationId);
    // The user chose the open action, or clicked, on a notification about `subscription`.
    void openRequested(const QUuid &subscription);

private Q_SLOTS:
    void onActionInvoked(uint notificationId, const QString &actionKey);
    void onNotificationClosed(uint notificationId, uint reason);

private:
    void whenServiceReachable(const NotificationRequest &request);
    void sendNotify(const NotificationRequest &request);
    void finish(const QString &identifier, Outcome outcome, uint notificationId = 0);

    void callAsync(const QDBusMessage &message, std::function<void(const QDBusMessage &)> onAnswer);

    QDBusConnection m_bus;
    int m_callTimeoutMs = defaultCallTimeoutMs;
    // Notifications on screen that offer the open action: daemon id → subscription.
    QHash<uint, QUuid> m_openable;
};
