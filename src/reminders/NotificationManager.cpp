#include "NotificationManager.h"

#include "DesktopNotificationCenter.h"
#include "FreedesktopNotifier.h"

#include "model/Format.h"
#include "settings/LocalizationManager.h"

#include <algorithm>

NotificationManager &NotificationManager::shared() {
    // Created on first use and kept for the life of the process, like the objects it relies on.
    static NotificationManager *instance = [] {
        auto *notifier = new FreedesktopNotifier;
        auto *center = new DesktopNotificationCenter(Clock::current(), *notifier);
        center->watchSystemSleep();
        auto *manager = new NotificationManager(*center, Clock::current());
        center->setDayChangedHandler([manager] { manager->refresh(); });
        return manager;
    }();
    return *instance;
}

NotificationManager::NotificationManager(NotificationCenter &center, const Clock &clock)
    : m_center(center)
    , m_clock(clock) {}

bool NotificationManager::requestAuthorization() {
    if (!m_center.isAvailable())
        return false;
    m_center.requestAuthorization();
    return true;
}

bool NotificationManager::reschedule(const QList<Subscription> &subscriptions, int daysBefore) {
    if (!m_center.isAvailable())
        return false;
    m_lastSubscriptions = subscriptions;
    m_lastDaysBefore = daysBefore;

    m_center.removeAllPendingNotificationRequests();
    const QTimeZone zone = m_clock.zone();
    for (const Subscription &subscription : subscriptions) {
        if (auto request = reminderRequest(subscription, daysBefore, m_clock.now(), zone))
            m_center.add(*request);
    }
    return true;
}

bool NotificationManager::refresh() {
    if (!m_lastSubscriptions)
        return false;
    // Copied: reschedule() replaces the stored list.
    const QList<Subscription> subscriptions = *m_lastSubscriptions;
    return reschedule(subscriptions, m_lastDaysBefore);
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

    const bool isZh = LocalizationManager::shared().isZh();
    NotificationRequest request;
    request.identifier = QStringLiteral("renew-") + uuidText(subscription.id);
    request.title = reminderTitle(isZh);
    request.body = reminderBody(subscription, daysBefore, isZh);
    request.sound = true;
    request.trigger = NotificationRequest::CalendarTrigger{reminderDay, reminderTime};
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
