#pragma once

#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A stand-in notification daemon, owning org.freedesktop.Notifications on its own connection to
// a test's private session bus.
class NotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
    };
    QList<Call> calls;
    QStringList capabilities{u"body"_qs};
    bool answers = true;

    // The id the n-th call (from 0) was answered with.
    static uint idOf(qsizetype call) { return uint(101 + call); }

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints,
                int expireTimeout) {
        calls.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
        if (!answers)
            setDelayedReply(true); // and never reply
        return idOf(calls.size() - 1);
    }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &actionKey);
    void NotificationClosed(uint id, uint reason);
};
