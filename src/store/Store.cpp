#include "Store.h"

#include "model/Clock.h"
#include "settings/LocalizationManager.h"
#include "store/Aggregates.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

Store::Store(QObject *parent)
    : Store(defaultFilePath(), parent) {
    keepBackups(Backups::defaultFolder());
}

Store::Store(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath) {
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    SubscriptionFile::LoadResult result = SubscriptionFile::load(m_filePath);
    m_fileUnreadable = result.status == SubscriptionFile::LoadStatus::unreadable;
    m_subscriptions = std::move(result.subscriptions);
    m_retry.setInterval(retryIntervalMsecs);
    connect(&m_retry, &QTimer::timeout, this, [this] { (void)save(); });
}

QString Store::defaultFilePath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Renewly/subscriptions.json");
}

template <typename Mutation> void Store::change(Mutation &&mutation) {
    Q_EMIT aboutToChange();
    mutation(m_subscriptions);
    (void)save();
    Q_EMIT subscriptionsChanged(m_subscriptions);
}

qsizetype Store::indexOf(const QUuid &id) const {
    const auto it = std::find_if(m_subscriptions.cbegin(), m_subscriptions.cend(),
                                 [&id](const Subscription &s) { return s.id == id; });
    return it == m_subscriptions.cend() ? -1 : it - m_subscriptions.cbegin();
}

void Store::add(const Subscription &subscription) {
    change([&](QList<Subscription> &list) { list.append(subscription); });
}

void Store::addAll(const QList<Subscription> &subscriptions) {
    if (subscriptions.isEmpty())
        return;
    change([&](QList<Subscription> &list) { list.append(subscriptions); });
}

void Store::update(const Subscription &subscription) {
    const qsizetype index = indexOf(subscription.id);
    if (index < 0)
        return;
    change([&](QList<Subscription> &list) { list[index] = subscription; });
}

void Store::toggleActive(const Subscription &subscription) {
    const qsizetype index = indexOf(subscription.id);
    if (index < 0)
        return;
    change([&](QList<Subscription> &list) { list[index].isActive = !list[index].isActive; });
}

void Store::remove(const Subscription &subscription) {
    // A copy: `subscription` may be one of the records being moved about by the removal.
    const QUuid id = subscription.id;
    change(
        [&](QList<Subscription> &list) { list.removeIf([&](const Subscription &s) { return s.id == id; }); });
}

void Store::loadSampleData() {
    loadSampleData(Clock::current().now(), Clock::current().zone());
}

void Store::loadSampleData(const QDateTime &now, const QTimeZone &zone) {
    const bool zh = LocalizationManager::shared().isZh();
    const QDateTime local = now.toTimeZone(zone);
    const auto daysAgo = [&](int days) {
        const QDateTime date = local.addDays(-days);
        return date.isValid() ? date : now;
    };
    const auto r = BillingType::recurring;
    const auto once = BillingType::oneTime;
    const auto monthly = BillingCycle::monthly;
    const auto yearly = BillingCycle::yearly;
    QList<Subscription> samples;
    if (zh) {
        samples = {
            Subscription::make(QStringLiteral("ChatGPT Plus"), 20, QStringLiteral("USD"), r, monthly,
                               daysAgo(25), QStringLiteral("AI/工具"), QString()),
            Subscription::make(QStringLiteral("iCloud+ 200GB"), 21, QStringLiteral("CNY"), r, monthly,
                               daysAgo(3), QStringLiteral("云存储"), QString()),
            Subscription::make(QStringLiteral("网易云音乐黑胶"), 178, QStringLiteral("CNY"), r, yearly,
                               daysAgo(40), QStringLiteral("音乐"), QStringLiteral("年付更划算")),
            Subscription::make(QStringLiteral("爱奇艺会员"), 25, QStringLiteral("CNY"), r, monthly,
                               daysAgo(12), QStringLiteral("影音"), QString()),
            Subscription::make(QStringLiteral("某买断软件"), 68, QStringLiteral("CNY"), once, yearly,
                               daysAgo(100), QStringLiteral("软件"), QStringLiteral("一次性购买")),
        };
    } else {
        samples = {
            Subscription::make(QStringLiteral("ChatGPT Plus"), 20, QStringLiteral("USD"), r, monthly,
                               daysAgo(25), QStringLiteral("AI/工具"), QString()),
            Subscription::make(QStringLiteral("iCloud+ 200GB"), 2.99, QStringLiteral("USD"), r, monthly,
                               daysAgo(3), QStringLiteral("云存储"), QString()),
            Subscription::make(QStringLiteral("Spotify Premium"), 11.99, QStringLiteral("USD"), r, monthly,
                               daysAgo(40), QStringLiteral("音乐"), QString()),
            Subscription::make(QStringLiteral("Netflix Standard"), 15.49, QStringLiteral("USD"), r, monthly,
                               daysAgo(12), QStringLiteral("影音"), QString()),
            Subscription::make(QStringLiteral("Things 3"), 49.99, QStringLiteral("USD"), once, yearly,
                               daysAgo(100), QStringLiteral("软件"), QStringLiteral("One-time purchase")),
        };
    }
    change([&](QList<Subscription> &list) { list = std::move(samples); });
}

SaveResult Store::save() {
    SaveResult result = write();
    m_unsaved = !result.ok();
    if (m_unsaved) {
        m_retry.start();
        Q_EMIT saveFailed(result.reason());
    } else {
        m_retry.stop();
        Q_EMIT saved();
    }
    return result;
}

SaveResult Store::write() {
    const auto bytes = SubscriptionFile::encode(m_subscriptions);
    if (!bytes)
        return SaveResult::failure(QStringLiteral("an amount is not a finite number"));
    if (m_backups)
        m_backups->beforeSave(m_filePath, Clock::current().now().toTimeZone(Clock::current().zone()).date());
    if (m_fileUnreadable) {
        // The file that could not be read is the user's data too: keep its bytes beside it rather
        // than writing over them.
        const auto moved = SubscriptionFile::setAside(m_filePath, Clock::current().now());
        if (!moved)
            return SaveResult::failure(QStringLiteral("the unreadable list could not be moved aside"));
        m_setAsidePath = *moved;
        m_fileUnreadable = false;
    }
    return SubscriptionFile::writeAtomically(m_filePath, *bytes);
}

double Store::totalMonthlyCNY() const {
    return Aggregates::totalMonthlyCNY(m_subscriptions);
}

QList<Subscription> Store::activeSubscriptions() const {
    return Aggregates::activeSubscriptions(m_subscriptions);
}

QList<UpcomingCharge> Store::upcoming(int withinDays) const {
    return upcoming(withinDays, Clock::current().now(), Clock::current().zone());
}

QList<UpcomingCharge> Store::upcoming(int withinDays, const QDateTime &now, const QTimeZone &zone) const {
    return Aggregates::upcoming(m_subscriptions, withinDays, now, zone);
}
