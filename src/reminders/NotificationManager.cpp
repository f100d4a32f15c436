#include "NotificationManager.h"

#include "DesktopNotificationCenter.h"
#include "FreedesktopNotifier.h"

#include "model/Format.h"
#include "settings/LocalizationManager.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>

NotificationManager &NotificationManager::shared() {
    // Created on first use and kept for the life of the process, like the objects it relies on.
    static NotificationManager *instance = [] {
        auto *notifier = new FreedesktopNotifier;
        auto *center = new DesktopNotificationCenter(Clock::current(), *notifier);
        center->watchSystemSleep();
        auto *manager = new NotificationManager(*center, Clock::current(),
                                                new ShownReminders(ShownReminders::defaultPath()));
        manager->attach(*center, notifier);
        if (QCoreApplication::instance())
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, center,
                             [manager] { manager->saveState(); });
        return manager;
    }();
    return *instance;
}

NotificationManager::NotificationManager(NotificationCenter &center, const Clock &clock,
                                         ShownReminders *state)
    : m_center(center)
    , m_clock(clock)
    , m_ownState(state ? nullptr : std::make_unique<ShownReminders>())
    , m_state(state ? state : m_ownState.get()) {}

void NotificationManager::attach(DesktopNotificationCenter &center, FreedesktopNotifier *notifier) {
    center.setDeliveryFilter([this](const NotificationRequest &request) { return deliver(request); });
    center.setCheckedHandler([this] { clockChecked(); });
    if (notifier)
        QObject::connect(notifier, &FreedesktopNotifier::openRequested, &center,
                         [this](const QUuid &subscription) { open(subscription); });
}

bool NotificationManager::requestAuthorization() {
    if (!m_center.isAvailable())
        return false;
    m_center.requestAuthorization();
    return true;
}

bool NotificationManager::reschedule(const QList<Subscription> &subscriptions, int daysBefore) {
    // The first reschedule of the process looks back to when the program last ran. What could not
    // be recorded as shown is not caught up: it would be shown again at every start.
    QDateTime missedSince;
    if (!m_lastSubscriptions && m_center.isAvailable() && m_state->save().ok())
        missedSince = m_state->lastAwake();
    return rescheduleFrom(subscriptions, daysBefore, missedSince);
}

bool NotificationManager::rescheduleFrom(const QList<Subscription> &subscriptions, int daysBefore,
                                         const QDateTime &missedSince) {
    if (!m_center.isAvailable())
        return false;
    m_lastSubscriptions = subscriptions;
    m_lastDaysBefore = daysBefore;

    const QTimeZone zone = m_clock.zone();
    // A reminder that came due but was not shown yet stays owed.
    for (const Reminder &pending : std::as_const(m_pending)) {
        if (reminderMoment(pending.key, zone) <= m_clock.now())
            m_owed.insert(pending.key);
    }
    m_center.removeAllPendingNotificationRequests();
    m_pending.clear();
    QSet<ReminderKey> owed;
    const int leadDays = std::max(daysBefore, 0);
    const bool isZh = LocalizationManager::shared().isZh();
    for (const Subscription &subscription : subscriptions) {
        if (!subscription.isActive || subscription.billingType != BillingType::recurring)
            continue;
        const QDateTime now = m_clock.now();
        const auto next = subscription.nextCharge(now, zone);
        if (!next)
            continue;
        const ReminderKey key{subscription.id, next->day, leadDays};
        const QDateTime moment = reminderMoment(key, zone);
        if (!moment.isValid() || m_state->contains(key))
            continue;
        NotificationRequest request;
        if (moment > now) {
            request = makeReminder(
                subscription, daysBefore,
                NotificationRequest::CalendarTrigger{moment.date(), QTime(reminderHour, 0)}, isZh);
        } else if ((missedSince.isValid() && moment > missedSince) || m_owed.contains(key)) {
            // Its moment passed unseen: shown now, with the days actually left.
            request =
                makeReminder(subscription, next->days, NotificationRequest::TimeIntervalTrigger{}, isZh);
            owed.insert(key);
        } else {
            continue;
        }
        m_pending.insert(request.identifier, Reminder{key, subscription});
        m_center.add(request);
    }
    m_owed = std::move(owed);
    m_state->setLastAwake(m_clock.now());
    m_state->prune(m_clock.now().toTimeZone(zone).date());
    saveState();
    return true;
}

bool NotificationManager::refresh() {
    if (!m_lastSubscriptions)
        return false;
    // Copied: reschedule() replaces the stored list.
    const QList<Subscription> subscriptions = *m_lastSubscriptions;
    return rescheduleFrom(subscriptions, m_lastDaysBefore, {});
}

std::optional<NotificationRequest> NotificationManager::deliver(const NotificationRequest &request) {
    const auto it = m_pending.constFind(request.identifier);
    if (it == m_pending.cend())
        return request;
    const Reminder reminder = *it;
    m_pending.erase(it);
    m_owed.remove(reminder.key);
    // Another process may have shown it meanwhile.
    m_state->reload();
    const QDateTime now = m_clock.now();
    const QDate today = now.toTimeZone(m_clock.zone()).date();
    const qint64 daysLeft = today.daysTo(reminder.key.chargeDate);
    if (m_state->contains(reminder.key) || daysLeft < 0)
        return std::nullopt;

    NotificationRequest shown = request;
    // Shown late (the machine slept through its moment): say how many days are actually left,
    // in the language the reminder was made in.
    if (daysLeft != reminder.key.daysBefore)
        shown.body = reminderBody(reminder.subscription, int(daysLeft), request.title == reminderTitle(true));
    m_state->insert(reminder.key, now);
    m_state->prune(today);
    saveState();
    return shown;
}

void NotificationManager::clockChecked() {
    // Until the first reschedule the last run's awake moment is still needed to catch up from.
    if (!m_lastSubscriptions)
        return;
    const QDateTime now = m_clock.now();
    const QDateTime previous = m_state->lastAwake();
    const QTimeZone zone = m_clock.zone();
    const bool gap = previous.isValid() && previous.secsTo(now) > missedCheckGap.count();
    const bool newDay = previous.isValid() && previous.toTimeZone(zone).date() != now.toTimeZone(zone).date();
    if (gap || newDay) {
        const QList<Subscription> subscriptions = *m_lastSubscriptions;
        rescheduleFrom(subscriptions, m_lastDaysBefore, previous);
        return;
    }
    m_state->setLastAwake(now);
    if (!m_lastAwakeSaved.isValid() ||
        std::abs(m_lastAwakeSaved.secsTo(now)) >= std::chrono::seconds(awakeSaveInterval).count())
        saveState();
}

QDateTime NotificationManager::reminderMoment(const ReminderKey &key, const QTimeZone &zone) {
    return QDateTime(key.chargeDate.addDays(-key.daysBefore), QTime(reminderHour, 0), zone);
}

void NotificationManager::saveState() {
    m_lastAwakeSaved = m_state->lastAwake();
    (void)m_state->save();
}

void NotificationManager::open(const QUuid &subscription) const {
    if (m_openHandler)
        m_openHandler(subscription);
}

bool NotificationManager::sendTest() {
    if (!m_center.isAvailable())
        return false;
    m_center.add(testRequest());
    return true;
}

std::optional<NotificationRequest> NotificationManager::reminderRequest(const Subscription &subscription,
                                                                        int daysBefore, const QDateTime &now,
                                                                        const QTimeZone &zone) {
    if (!subscription.isActive || subscription.billingType != BillingType::recurring)
        return std::nullopt;
    const auto next = subscription.nextCharge(now, zone);
    if (!next)
        return std::nullopt;
    const int leadDays = std::max(daysBefore, 0);
    const QDate reminderDay = next->day.addDays(-leadDays);
    if (!reminderDay.isValid())
        return std::nullopt;
    const QTime reminderTime(reminderHour, 0);
    const QDateTime moment(reminderDay, reminderTime, zone);
    if (!moment.isValid() || moment <= now)
        return std::nullopt;

    return makeReminder(subscription, daysBefore,
                        NotificationRequest::CalendarTrigger{reminderDay, reminderTime},
                        LocalizationManager::shared().isZh());
}

NotificationRequest NotificationManager::makeReminder(const Subscription &subscription, int days,
                                                      NotificationRequest::Trigger trigger, bool isZh) {
    NotificationRequest request;
    request.identifier = QStringLiteral("renew-") + uuidText(subscription.id);
    request.title = reminderTitle(isZh);
    request.body = reminderBody(subscription, days, isZh);
    request.sound = true;
    request.trigger = trigger;
    request.subscription = subscription.id;
    request.openLabel = isZh ? QStringLiteral("查看") : QStringLiteral("Open");
    return request;
}

QString NotificationManager::reminderTitle(bool isZh) {
    return isZh ? QStringLiteral("订阅即将续费") : QStringLiteral("Subscription renewing soon");
}

QString NotificationManager::reminderBody(const Subscription &subscription, int daysBefore, bool isZh) {
    const QString money = Format::money(subscription.amount, subscription.currency);
    const QString days = QString::number(std::max(daysBefore, 0));
    if (isZh) {
        const QString when = daysBefore < 1 ? QStringLiteral("今天") : days + QStringLiteral(" 天后");
        return QStringLiteral("「") + subscription.name + QStringLiteral("」将在") + when +
               QStringLiteral("扣费 ") + money + QStringLiteral("，需要的话记得提前取消。");
    }
    const QString when =
        daysBefore < 1 ? QStringLiteral("today") : QStringLiteral("in ") + days + QStringLiteral(" days");
    return subscription.name + QStringLiteral(" will be charged ") + money + u' ' + when +
           QStringLiteral(". Cancel ahead of time if you no longer need it.");
}

NotificationRequest NotificationManager::testRequest() {
    const bool isZh = LocalizationManager::shared().isZh();
    NotificationRequest request;
    request.identifier = QStringLiteral("test-") + uuidText(QUuid::createUuid());
    request.title = isZh ? QStringLiteral("Renewly 测试通知") : QStringLiteral("Renewly test notification");
    request.body = isZh ? QStringLiteral("看到这条就说明续费提醒能正常工作 ✅")
                        : QStringLiteral("If you can see this, reminders are working ✅");
    request.sound = true;
    request.trigger = NotificationRequest::TimeIntervalTrigger{testDelay};
    return request;
}
