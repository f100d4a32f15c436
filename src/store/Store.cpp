#include "Store.h"

#include "model/Clock.h"
#include "settings/LocalizationManager.h"
#include "settings/Preferences.h"
#include "store/Aggregates.h"
#include "store/ListMerge.h"
#include "store/SubscriptionFile.h"
#include "store/SyncState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

Store::Store(QObject *parent)
    : Store(defaultFilePath(), parent) {
    keepBackups(Backups::defaultFolder());
}

Store::Store(const QString &filePath, QObject *parent)
    : Store(
          filePath,
          [&filePath] {
              QDir().mkpath(QFileInfo(filePath).absolutePath());
              return SubscriptionFile::load(filePath);
          }(),
          parent) {}

Store::Store(const QString &filePath, SubscriptionFile::LoadResult result, QObject *parent)
    : Store(filePath, std::move(result), ReadTracking::now, parent) {}

std::unique_ptr<SyncState> Store::trackRead(const QString &filePath,
                                            const SubscriptionFile::LoadResult &loaded,
                                            const QDateTime &readAt) {
    auto sync = std::make_unique<SyncState>(filePath);
    if (loaded.status != SubscriptionFile::LoadStatus::unreadable)
        sync->setRead(loaded.subscriptions, loaded.bytes, readAt);
    return sync;
}

Store::Store(const QString &filePath, SubscriptionFile::LoadResult result, ReadTracking tracking,
             QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_readAt(Clock::current().now()) {
    if (tracking == ReadTracking::now)
        m_sync = trackRead(filePath, result, m_readAt);
    else
        m_untrackedRead = result;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    m_fileUnreadable = result.status == SubscriptionFile::LoadStatus::unreadable;
    m_subscriptions = std::move(result.subscriptions);
    m_knownBytes = result.bytes;
    m_retry.setInterval(retryIntervalMsecs);
    connect(&m_retry, &QTimer::timeout, this, [this] { (void)save(); });

    // Sync tools replace the file by renaming another over it, which only the folder's watch sees;
    // editors and some tools write it in place, which only the file's watch sees.
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMsecs);
    connect(&m_settle, &QTimer::timeout, this, &Store::checkForExternalChange);
    m_unreadableRetry.setSingleShot(true);
    m_unreadableRetry.setInterval(unreadableRetryMsecs);
    connect(&m_unreadableRetry, &QTimer::timeout, this, &Store::retryUnreadable);
    const auto changed = [this] {
        watch();
        m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
    watch();
}

Store::~Store() = default;

void Store::trackReadInBackground() {
    if (!m_untrackedRead)
        return;
    m_tracking = std::async(std::launch::async, [path = m_filePath, at = m_readAt,
                                                 read = *std::exchange(m_untrackedRead, std::nullopt)] {
        return trackRead(path, read, at);
    });
}

SyncState &Store::sync() const {
    if (m_tracking.valid())
        m_sync = m_tracking.get();
    else if (m_untrackedRead)
        m_sync = trackRead(m_filePath, *std::exchange(m_untrackedRead, std::nullopt), m_readAt);
    return *m_sync;
}

void Store::watch() {
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
    if (!m_watcher.files().contains(m_filePath) && QFileInfo(m_filePath).isFile())
        m_watcher.addPath(m_filePath);
}

QString Store::conflictsFolder() const {
    return sync().conflictsFolder();
}

QString Store::defaultFilePath() {
    if (const auto folder = Preferences::dataFolder())
        return *folder + QStringLiteral("/subscriptions.json");
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

void Store::restore(const Subscription &subscription, qsizetype index) {
    if (indexOf(subscription.id) >= 0)
        return;
    const Subscription record = subscription;
    change([&](QList<Subscription> &list) { list.insert(qBound<qsizetype>(0, index, list.size()), record); });
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
    const auto once = BillingType::oneTime;
    const auto yearly = BillingCycle::yearly;
    QList<Subscription> samples;
    if (zh) {
        samples = {
            {.name = u"ChatGPT Plus"_s,
             .amount = 20,
             .currency = u"USD"_s,
             .startDate = daysAgo(25),
             .category = u"AI/工具"_s},
            {.name = u"iCloud+ 200GB"_s,
             .amount = 21,
             .currency = u"CNY"_s,
             .startDate = daysAgo(3),
             .category = u"云存储"_s},
            {.name = u"网易云音乐黑胶"_s,
             .amount = 178,
             .currency = u"CNY"_s,
             .cycle = yearly,
             .startDate = daysAgo(40),
             .category = u"音乐"_s,
             .notes = u"年付更划算"_s},
            {.name = u"爱奇艺会员"_s,
             .amount = 25,
             .currency = u"CNY"_s,
             .startDate = daysAgo(12),
             .category = u"影音"_s},
            {.name = u"某买断软件"_s,
             .amount = 68,
             .currency = u"CNY"_s,
             .billingType = once,
             .cycle = yearly,
             .startDate = daysAgo(100),
             .category = u"软件"_s,
             .notes = u"一次性购买"_s},
        };
    } else {
        samples = {
            {.name = u"ChatGPT Plus"_s,
             .amount = 20,
             .currency = u"USD"_s,
             .startDate = daysAgo(25),
             .category = u"AI/工具"_s},
            {.name = u"iCloud+ 200GB"_s,
             .amount = 2.99,
             .currency = u"USD"_s,
             .startDate = daysAgo(3),
             .category = u"云存储"_s},
            {.name = u"Spotify Premium"_s,
             .amount = 11.99,
             .currency = u"USD"_s,
             .startDate = daysAgo(40),
             .category = u"音乐"_s},
            {.name = u"Netflix Standard"_s,
             .amount = 15.49,
             .currency = u"USD"_s,
             .startDate = daysAgo(12),
             .category = u"影音"_s},
            {.name = u"Things 3"_s,
             .amount = 49.99,
             .currency = u"USD"_s,
             .billingType = once,
             .cycle = yearly,
             .startDate = daysAgo(100),
             .category = u"软件"_s,
             .notes = u"One-time purchase"_s},
        };
    }
    change([&](QList<Subscription> &list) { list = std::move(samples); });
}

SaveResult Store::save() {
    // Whatever another computer wrote since this one last looked goes into the list first.
    SaveResult result =
        absorbFile() == Absorbed::unreadable
            ? SaveResult::failure(QStringLiteral("the list file is being changed by another program"))
            : write();
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
    SaveResult result = SubscriptionFile::writeAtomically(m_filePath, *bytes);
    if (result) {
        m_knownBytes = *bytes;
        sync().setWritten(m_subscriptions, *bytes, m_mergedSinceWrite, Clock::current().now());
        m_mergedSinceWrite = false;
        watch();
    }
    return result;
}

Store::Absorbed Store::absorbFile() {
    // Most looks find the file as this store left it: compare before decoding anything.
    if (const QFileInfo info(m_filePath); info.isFile() && info.size() == m_knownBytes.size()) {
        QFile file(m_filePath);
        if (file.open(QIODevice::ReadOnly) && file.readAll() == m_knownBytes)
            return Absorbed::same;
    }
    SubscriptionFile::LoadResult file = SubscriptionFile::load(m_filePath);
    if (file.status == SubscriptionFile::LoadStatus::missing)
        return Absorbed::missing;
    if (file.bytes == m_knownBytes)
        return Absorbed::same;
    if (file.status == SubscriptionFile::LoadStatus::unreadable) {
        // Possibly half written by a tool that writes in place: look again shortly.
        if (!m_unreadableRetry.isActive())
            m_unreadableRetry.start();
        return Absorbed::unreadable;
    }
    m_unreadableTries = 0;
    m_unreadableRetry.stop();
    m_fileUnreadable = false;
    const ListMerge::Result merge = ListMerge::merge(sync().base(), m_subscriptions, file.subscriptions);
    m_knownBytes = file.bytes;
    sync().setRead(file.subscriptions, file.bytes, Clock::current().now());
    applyMerge(merge);
    m_mergedSinceWrite = true;
    return Absorbed::merged;
}

void Store::retryUnreadable() {
    if (++m_unreadableTries > unreadableRetries) {
        // Not a write in progress after all: treat it like a file found unreadable at start, whose
        // bytes are moved aside by the next save rather than written over.
        const SubscriptionFile::LoadResult file = SubscriptionFile::load(m_filePath);
        if (file.status == SubscriptionFile::LoadStatus::unreadable) {
            m_fileUnreadable = true;
            m_knownBytes = file.bytes;
        }
        m_unreadableTries = 0;
    }
    checkForExternalChange();
}

bool Store::applyMerge(const ListMerge::Result &merge) {
    if (!merge.replaced.isEmpty()) {
        QList<Subscription> lost;
        QStringList names;
        for (const ListMerge::Replaced &r : merge.replaced) {
            lost.append(r.lost);
            names.append(r.lost.name);
        }
        (void)sync().keepReplaced(lost, Clock::current().now());
        Q_EMIT externalEditsReplaced(names);
    }
    if (merge.merged == m_subscriptions)
        return false;
    m_mergedSinceWrite = true;
    Q_EMIT aboutToChange();
    m_subscriptions = merge.merged;
    Q_EMIT subscriptionsChanged(m_subscriptions);
    return true;
}

void Store::checkForExternalChange() {
    const Absorbed absorbed = absorbFile();
    if (absorbed == Absorbed::unreadable || absorbed == Absorbed::missing)
        return; // mid-sync: the folder changes again when the file is back
    // The merged list goes back to the file only when it differs from it: rewriting the same
    // content would only wake the sync tools on every computer.
    if (m_unsaved ||
        (absorbed == Absorbed::merged && SubscriptionFile::encode(m_subscriptions) != m_knownBytes))
        (void)save();
    if (absorbed == Absorbed::merged)
        Q_EMIT externalChangeMerged();
    absorbConflictCopies();
}

void Store::absorbConflictCopies() {
    const QFileInfo list(m_filePath);
    const QFileInfoList entries = list.dir().entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (!isConflictCopyName(entry.fileName(), list.fileName()))
            continue;
        const QString path = entry.absoluteFilePath();
        const SubscriptionFile::LoadResult copy = SubscriptionFile::load(path);
        if (copy.status != SubscriptionFile::LoadStatus::loaded) {
            // Perhaps still arriving; left where it is after a few tries.
            if (++m_copyTries[path] <= unreadableRetries && !m_unreadableRetry.isActive())
                m_unreadableRetry.start();
            continue;
        }
        m_copyTries.remove(path);
        const ListMerge::Result merge =
            ListMerge::merge(sync().ancestorOf(copy.bytes, entry.lastModified()), m_subscriptions,
                             copy.subscriptions, ListMerge::Source::conflictCopy);
        if (applyMerge(merge) && !save())
            return; // the copy stays until its content is on disk
        (void)sync().moveAside(path);
        Q_EMIT externalChangeMerged();
    }
}

Store::MoveResult Store::moveToFolder(const QString &folder) {
    MoveResult result;
    const QString target = QDir::cleanPath(folder) + QStringLiteral("/subscriptions.json");
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(m_filePath).absoluteFilePath())
        return result;
    if (!QDir().mkpath(folder)) {
        result.saved = SaveResult::failure(QStringLiteral("the folder cannot be created"));
        return result;
    }
    const SubscriptionFile::LoadResult there = SubscriptionFile::load(target);
    if (there.status == SubscriptionFile::LoadStatus::unreadable) {
        result.saved = SaveResult::failure(QStringLiteral("the list in that folder cannot be read"));
        return result;
    }
    // Two lists that never met: every record of either is kept; where both hold the same record the
    // folder's version wins and this one is kept aside.
    const ListMerge::Result merge = ListMerge::merge({}, m_subscriptions, there.subscriptions);
    const QString previous = m_filePath;
    // The bookkeeping of the list this store read is settled before another takes its place.
    (void)sync();
    auto previousSync = std::move(m_sync);
    const QByteArray previousBytes = m_knownBytes;
    // An unreadable list left behind stays where it is, untouched.
    const bool previousUnreadable = std::exchange(m_fileUnreadable, false);
    m_filePath = target;
    m_sync = std::make_unique<SyncState>(m_filePath);
    m_knownBytes = there.bytes;
    sync().setRead(there.subscriptions, there.bytes, Clock::current().now());
    const QList<Subscription> before = m_subscriptions;
    m_subscriptions = merge.merged;
    result.saved = write();
    if (!result.saved) {
        m_filePath = previous;
        m_sync = std::move(previousSync);
        m_knownBytes = previousBytes;
        m_fileUnreadable = previousUnreadable;
        m_subscriptions = before;
        return result;
    }
    m_unsaved = false;
    m_retry.stop();
    if (!merge.replaced.isEmpty()) {
        QList<Subscription> lost;
        for (const ListMerge::Replaced &r : merge.replaced)
            lost.append(r.lost);
        (void)sync().keepReplaced(lost, Clock::current().now());
    }
    result.merged = there.status == SubscriptionFile::LoadStatus::loaded;
    result.fromFolder = merge.fromTheirs;
    result.fromList = merge.fromMine;
    if (!result.merged && !previousUnreadable)
        QFile::remove(previous); // moved: the new folder holds it now
    m_watcher.removePaths(m_watcher.files() + m_watcher.directories());
    watch();
    if (m_subscriptions != before) {
        Q_EMIT aboutToChange();
        Q_EMIT subscriptionsChanged(m_subscriptions);
    }
    Q_EMIT saved();
    return result;
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
