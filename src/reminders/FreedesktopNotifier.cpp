#include "FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>

namespace {

const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");

QDBusMessage busCall(const QString &method) {
    return QDBusMessage::createMethodCall(busService, busPath, busService, method);
}

QDBusMessage notificationsCall(const QString &method) {
    return QDBusMessage::createMethodCall(FreedesktopNotifier::service, FreedesktopNotifier::path,
                                          FreedesktopNotifier::service, method);
}

bool isReply(const QDBusMessage &message) {
    return message.type() == QDBusMessage::ReplyMessage;
}

// Body markup is a small XML subset: these three are all that can turn text into markup.
QString escapeMarkup(const QString &text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            escaped += QStringLiteral("&amp;");
        else if (c == u'<')
            escaped += QStringLiteral("&lt;");
        else if (c == u'>')
            escaped += QStringLiteral("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QObject *parent)
    : FreedesktopNotifier(QDBusConnection::sessionBus(), parent) {}

FreedesktopNotifier::FreedesktopNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus) {
    if (!m_bus.isConnected())
        return;
    // QDBusConnection::connect takes the receiving slot by its signature only.
    m_bus.connect(service, path, service, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, service, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
}

bool FreedesktopNotifier::isAvailable() const {
    return m_bus.isConnected();
}

QVariantList FreedesktopNotifier::notifyArguments(const NotificationRequest &request, bool bodyMarkup,
                                                  bool actions) {
    QVariantMap hints;
    if (request.sound)
        hints.insert(QStringLiteral("sound-name"), soundName);
    QStringList actionList;
    if (actions && !request.openLabel.isEmpty() && !request.subscription.isNull())
        actionList = {defaultAction, request.openLabel, openAction, request.openLabel};
    return {
        appName,    uint(0), appIcon, request.title, bodyMarkup ? escapeMarkup(request.body) : request.body,
        actionList, hints,   int(-1)};
}

// Sends `message` without waiting and hands the answer (a reply or an error) to `onAnswer` on the
// event loop.
void FreedesktopNotifier::callAsync(const QDBusMessage &message,
                                    std::function<void(const QDBusMessage &)> onAnswer) {
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, onAnswer = std::move(onAnswer)] {
        watcher->deleteLater();
        onAnswer(watcher->reply());
    });
}

void FreedesktopNotifier::present(const NotificationRequest &request) {
    if (!m_bus.isConnected()) {
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(
            this, [this, identifier = request.identifier] { finish(identifier, Outcome::noSessionBus); },
            Qt::QueuedConnection);
        return;
    }
    // Checked first so that a bus without a notification daemon gets no call at all.
    QDBusMessage hasOwner = busCall(QStringLiteral("NameHasOwner"));
    hasOwner << service;
    callAsync(hasOwner, [this, request](const QDBusMessage &answer) {
        if (isReply(answer) && answer.arguments().value(0).toBool())
            sendNotify(request);
        else
            whenServiceReachable(request);
    });
}

void FreedesktopNotifier::whenServiceReachable(const NotificationRequest &request) {
    // Daemons such as dunst are often started by the bus on the first call.
    callAsync(busCall(QStringLiteral("ListActivatableNames")), [this, request](const QDBusMessage &answer) {
        if (isReply(answer) && answer.arguments().value(0).toStringList().contains(service))
            sendNotify(request);
        else
            finish(request.identifier, Outcome::noService);
    });
}

void FreedesktopNotifier::sendNotify(const NotificationRequest &request) {
    callAsync(notificationsCall(QStringLiteral("GetCapabilities")), [this, request](
                                                                        const QDBusMessage &capabilities) {
        const QStringList announced =
            isReply(capabilities) ? capabilities.arguments().value(0).toStringList() : QStringList();
        const bool actions = announced.contains(QStringLiteral("actions"));
        QDBusMessage notify = notificationsCall(QStringLiteral("Notify"));
        notify.setArguments(
            notifyArguments(request, announced.contains(QStringLiteral("body-markup")), actions));
        const QUuid openable = actions && !request.openLabel.isEmpty() ? request.subscription : QUuid();
        callAsync(notify, [this, identifier = request.identifier, openable](const QDBusMessage &answer) {
            if (!isReply(answer)) {
                finish(identifier, Outcome::failed);
                return;
            }
            const uint id = answer.arguments().value(0).toUInt();
            if (!openable.isNull() && id != 0)
                m_openable.insert(id, openable);
            finish(identifier, Outcome::shown, id);
        });
    });
}

void FreedesktopNotifier::onActionInvoked(uint notificationId, const QString &actionKey) {
    const auto it = m_openable.constFind(notificationId);
    if (it == m_openable.cend() || (actionKey != openAction && actionKey != defaultAction))
        return;
    Q_EMIT openRequested(*it);
}

void FreedesktopNotifier::onNotificationClosed(uint notificationId, uint) {
    m_openable.remove(notificationId);
}

void FreedesktopNotifier::finish(const QString &identifier, Outcome outcome, uint notificationId) {
    Q_EMIT finished(identifier, outcome, notificationId);
}
