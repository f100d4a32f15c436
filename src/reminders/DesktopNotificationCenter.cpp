#include "DesktopNotificationCenter.h"

#include <QDBusConnection>

#include <algorithm>

using namespace std::chrono;

DesktopNotificationCenter::DesktopNotificationCenter(const Clock &clock, NotificationPresenter &presenter,
                                                     QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_presenter(presenter) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DesktopNotificationCenter::check);
}

bool DesktopNotificationCenter::isAvailable() const {
    return m_presenter.isAvailable();
}

void DesktopNotificationCenter::requestAuthorization() {
    // Desktop notification daemons ask for no permission: every client may notify.
    m_authorizationRequested = true;
}

void DesktopNotificationCenter::add(const NotificationRequest &request) {
    if (m_identifiers.contains(request.identifier))
        m_pending.removeIf([&](const Pending &p) { return p.request.identifier == request.identifier; });
    else
        m_identifiers.insert(request.identifier);

    const QDateTime now = m_clock.now();
    const QTimeZone zone = m_clock.zone();
    if (zone != m_dueZone)
        updateDueMoments(zone);
    Pending pending{request, {}};
    if (const auto *calendar = std::get_if<NotificationRequest::CalendarTrigger>(&request.trigger))
        pending.due = QDateTime(calendar->date, calendar->time, zone).toUTC();
    else
        pending.due = now.toUTC().addMSecs(
            std::get<NotificationRequest::TimeIntervalTrigger>(request.trigger).interval.count());
    m_pending.append(pending);
    // Only the new request can make the next check sooner: a whole reschedule stays linear.
    armFor(pending.due);
}

void DesktopNotificationCenter::removeAllPendingNotificationRequests() {
    m_pending.clear();
    m_identifiers.clear();
    arm();
}

QList<NotificationRequest> DesktopNotificationCenter::pendingRequests() const {
    QList<NotificationRequest> requests;
    requests.reserve(m_pending.size());
    for (const Pending &p : m_pending)
        requests.append(p.request);
    return requests;
}

void DesktopNotificationCenter::setCheckedHandler(std::function<void()> handler) {
    m_checked = std::move(handler);
    arm();
}

bool DesktopNotificationCenter::isDue(const Pending &pending, const QDateTime &localNow) const {
    if (const auto *calendar = std::get_if<NotificationRequest::CalendarTrigger>(&pending.request.trigger)) {
        // Wall-clock components, compared as they read: a change of time zone moves the moment
        // with the clock on the wall, as for an alarm.
        const QDate today = localNow.date();
        return today > calendar->date || (today == calendar->date && localNow.time() >= calendar->time);
    }
    return localNow >= pending.due;
}

void DesktopNotificationCenter::updateDueMoments(const QTimeZone &zone) {
    m_dueZone = zone;
    for (Pending &p : m_pending) {
        if (const auto *calendar = std::get_if<NotificationRequest::CalendarTrigger>(&p.request.trigger))
            p.due = QDateTime(calendar->date, calendar->time, zone).toUTC();
    }
}

void DesktopNotificationCenter::check() {
    const QTimeZone zone = m_clock.zone();
    const QDateTime localNow = m_clock.now().toTimeZone(zone);

    if (zone != m_dueZone)
        updateDueMoments(zone);

    QList<NotificationRequest> due;
    m_pending.removeIf([&](const Pending &p) {
        if (!isDue(p, localNow))
            return false;
        due.append(p.request);
        m_identifiers.remove(p.request.identifier);
        return true;
    });
    for (const NotificationRequest &request : std::as_const(due)) {
        const std::optional<NotificationRequest> shown = m_filter ? m_filter(request) : request;
        if (!shown)
            continue;
        Q_EMIT fired(shown->identifier);
        m_presenter.present(*shown);
    }

    if (m_checked)
        m_checked();
    arm();
}

milliseconds DesktopNotificationCenter::nextCheckInterval() const {
    const QTimeZone zone = m_clock.zone();
    const QDateTime now = m_clock.now();
    const QDateTime localNow = now.toTimeZone(zone);
    qint64 wait = maxCheckInterval.count();
    for (const Pending &p : m_pending) {
        if (isDue(p, localNow))
            return milliseconds(0);
        if (p.due.isValid())
            wait = std::min(wait, now.msecsTo(p.due));
    }
    if (m_checked) {
        const QDateTime midnight = localNow.date().addDays(1).startOfDay(zone);
        if (midnight.isValid())
            wait = std::min(wait, now.msecsTo(midnight));
    }
    return milliseconds(std::clamp<qint64>(wait, 0, maxCheckInterval.count()));
}

void DesktopNotificationCenter::arm() {
    if (m_pending.isEmpty() && !m_checked) {
        m_timer.stop();
        return;
    }
    // A timer that wakes early only leads to another, shorter wait; one that sleeps through a
    // suspend is cut short by the interval cap or by the wake-up signal.
    m_timer.start(nextCheckInterval());
}

void DesktopNotificationCenter::armFor(const QDateTime &due) {
    const qint64 wait =
        due.isValid() ? std::clamp<qint64>(m_clock.now().msecsTo(due), 0, maxCheckInterval.count()) : 0;
    if (!m_timer.isActive() || wait < m_timer.remainingTime())
        m_timer.start(milliseconds(wait));
}

bool DesktopNotificationCenter::watchSystemSleep() {
    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected())
        return false;
    // QDBusConnection::connect takes the receiving slot by its signature only.
    return system.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                          QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                          this, SLOT(onPrepareForSleep(bool)));
}

void DesktopNotificationCenter::onPrepareForSleep(bool goingToSleep) {
    if (!goingToSleep)
        check();
}
