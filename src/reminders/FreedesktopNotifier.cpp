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
    , m_bus(bus) {}

bool FreedesktopNotifier::isAvailable() const {
    return m_bus.isConnected();
}

QVariantList FreedesktopNotifier::notifyArguments(const NotificationRequest &request, bool bodyMarkup) {
    QVariantMap hints;
    if (request.sound)
        hints.insert(QStringLiteral("sound-name"), soundName);
    return {appName,
            uint(0),
            appIcon,
            request.title,
            bodyMarkup ? escapeMarkup(request.body) : request.body,
            QStringList{},
            hints,
            int(-1)};
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
    callAsync(notificationsCall(QStringLiteral("GetCapabilities")),
              [this, request](const QDBusMessage &capabilities) {
                  const bool bodyMarkup =
                      isReply(capabilities) && capabilities.arguments().value(0).toStringList().contains(
                                                   QStringLiteral("body-markup"));
                  QDBusMessage notify = notificationsCall(QStringLiteral("Notify"));
                  notify.setArguments(notifyArguments(request, bodyMarkup));
                  callAsync(notify, [this, identifier = request.identifier](const QDBusMessage &answer) {
                      if (isReply(answer))
                          finish(identifier, Outcome::shown, answer.arguments().value(0).toUInt());
                      else
                          finish(identifier, Outcome::failed);
                  });
              });
}

void FreedesktopNotifier::finish(const QString &identifier, Outcome outcome, uint notificationId) {
    Q_EMIT finished(identifier, outcome, notificationId);
}
