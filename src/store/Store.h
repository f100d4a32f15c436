#pragma once

#include "model/Subscription.h"
#include "store/Backups.h"
#include "store/SaveResult.h"
#include "store/SubscriptionFile.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimeZone>
#include <QTimer>

#include <future>
#include <memory>
#include <optional>

class SyncState;
namespace ListMerge {
struct Result;
}

// A charge in the coming days: the record, its next charge date (start of that day) and the whole
// days from the start of today to it.
struct UpcomingCharge {
    Subscription sub;
    QDateTime date;
    int days = 0;
};

// The one owner of the subscription list. Loads the file at creation and writes the whole list back
// after every change. A write that fails keeps the change in memory, is reported through saveFailed,
// and is tried again on the next change, every 30 seconds and on request.
//
// The file may live in a folder that a sync tool shares with other computers. The store watches it,
// and whenever its content changed under it (and before every save) merges that content with its
// own list by record id, against the list this computer last read or wrote (see ListMerge). Copies
// that sync tools leave beside the file in a conflict are merged too, without deleting, and then
// moved out of the folder. A file that cannot be read is tried again shortly and is neither merged
// nor written over meanwhile.
class Store : public QObject {
    Q_OBJECT
public:
    // The list in the chosen data folder (by default XDG_DATA_HOME/Renewly/subscriptions.json), with
    // daily backups in the default folder.
    explicit Store(QObject *parent = nullptr);
    // The list at `filePath`, whose folder is created when missing.
    explicit Store(const QString &filePath, QObject *parent = nullptr);
    // The same, with the file already read (as `SubscriptionFile::load` reads it) a moment ago.
    Store(const QString &filePath, SubscriptionFile::LoadResult loaded, QObject *parent = nullptr);
    // When the list's sync bookkeeping is told what was read: at once, or later on another thread
    // (trackReadInBackground), so that a start does not wait for it.
    enum class ReadTracking { now, later };
    Store(const QString &filePath, SubscriptionFile::LoadResult loaded, ReadTracking tracking,
          QObject *parent = nullptr);
    // The sync bookkeeping of the list at `filePath`, told what `loaded` read from it at `readAt`; it
    // touches nothing but its own files, so it may run on another thread.
    static std::unique_ptr<SyncState>
    trackRead(const QString &filePath, const SubscriptionFile::LoadResult &loaded, const QDateTime &readAt);
    // After a construction with ReadTracking::later: tells the bookkeeping on another thread. Its first
    // use waits for that, or tells it there and then when this was not called.
    void trackReadInBackground();
    ~Store() override;

    static QString defaultFilePath();

    const QList<Subscription> &subscriptions() const { return m_subscriptions; }
    QString fileURL() const { return m_filePath; }
    // Where an unreadable file was moved before the first save replaced it, if that happened.
    QString setAsidePath() const { return m_setAsidePath; }
    // Keeps a copy of the file in `folder` before the first save of each day.
    void keepBackups(const QString &folder) { m_backups.emplace(folder); }
    const std::optional<Backups> &backups() const { return m_backups; }
    // Where this computer keeps the versions that gave way in a merge and the merged conflict copies
    // (XDG_STATE_HOME/Renewly/backups/conflicts).
    QString conflictsFolder() const;

    // Merges what another program changed in the list file and in conflict copies beside it.
    // Runs by itself shortly after the folder changes; the window also calls it when it is shown and
    // after the computer wakes.
    void checkForExternalChange();
    static constexpr int settleMsecs = 300;
    static constexpr int unreadableRetryMsecs = 1000;
    static constexpr int unreadableRetries = 10;

    // Keeps the list in `folder` from now on. A list already there is merged with this one; into an
    // empty folder the list is moved. The counts say where the records of the result came from.
    struct MoveResult {
        SaveResult saved = SaveResult::success();
        bool merged = false;
        int fromFolder = 0;
        int fromList = 0;
    };
    MoveResult moveToFolder(const QString &folder);

    void add(const Subscription &subscription);
    // Appends the records in one change; nothing happens for none.
    void addAll(const QList<Subscription> &subscriptions);
    // Replaces the first record with the same id; nothing happens when there is none.
    void update(const Subscription &subscription);
    // Flips isActive of the first stored record with the same id; nothing happens when there is none.
    void toggleActive(const Subscription &subscription);
    // Removes every record with the same id, then saves, even when nothing was removed.
    void remove(const Subscription &subscription);
    // Puts a removed record back at `index` (or at the end when the list has become shorter), with
    // its id, in one change. Nothing happens when a record with that id is in the list.
    void restore(const Subscription &subscription, qsizetype index);
    // Replaces the list with the five sample records of the current language, dated from now.
    void loadSampleData();
    void loadSampleData(const QDateTime &now, const QTimeZone &zone);
    // Writes the whole list. Failure leaves the in-memory list as it is and the file as it was, and
    // arms the retry.
    SaveResult save();
    // Whether the list in memory holds changes the file does not: the last save failed.
    bool hasUnsavedChanges() const { return m_unsaved; }
    static constexpr int retryIntervalMsecs = 30'000;
    const QTimer &retryTimer() const { return m_retry; }

    // Aggregates, computed afresh on every call.
    double totalMonthlyCNY() const;
    QList<Subscription> activeSubscriptions() const;
    // Charges from today (by Clock::current()) to `withinDays` days ahead.
    QList<UpcomingCharge> upcoming(int withinDays) const;
    QList<UpcomingCharge> upcoming(int withinDays, const QDateTime &now, const QTimeZone &zone) const;

Q_SIGNALS:
    // Before the list changes.
    void aboutToChange();
    // After the list changed and was saved, with the new list.
    void subscriptionsChanged(const QList<Subscription> &subscriptions);
    // A save failed; the list in memory keeps the change. Emitted on every failed attempt.
    void saveFailed(const QString &reason);
    // The list is on disk (after every successful save).
    void saved();
    // A change made on another computer replaced local edits of these records (by name); the local
    // versions are kept in conflictsFolder().
    void externalEditsReplaced(const QStringList &names);
    // A change from outside was merged into the list.
    void externalChangeMerged();

private:
    template <typename Mutation> void change(Mutation &&mutation);
    SaveResult write();
    qsizetype indexOf(const QUuid &id) const;
    enum class Absorbed { same, merged, missing, unreadable };
    Absorbed absorbFile();
    void absorbConflictCopies();
    bool applyMerge(const ListMerge::Result &merge);
    void watch();
    void retryUnreadable();

    QList<Subscription> m_subscriptions;
    QString m_filePath;
    // When the list was read at construction.
    QDateTime m_readAt;
    QString m_setAsidePath;
    bool m_fileUnreadable = false;
    std::optional<Backups> m_backups;
    bool m_unsaved = false;
    QTimer m_retry;
    SyncState &sync() const;
    // Set once the bookkeeping knows of the read at construction; until then, what was read, or the
    // telling under way.
    mutable std::unique_ptr<SyncState> m_sync;
    mutable std::optional<SubscriptionFile::LoadResult> m_untrackedRead;
    mutable std::future<std::unique_ptr<SyncState>> m_tracking;
    // The file's content as this store last read or wrote it.
    QByteArray m_knownBytes;
    // The next write carries a merge with what came from elsewhere.
    bool m_mergedSinceWrite = false;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_unreadableRetry;
    int m_unreadableTries = 0;
    QHash<QString, int> m_copyTries;
};

// The four figures of the summary header, as text in the current language, and the raw total.
struct SummaryFigures {
    QString monthlySpend;
    QString yearly;
    int active = 0;
    int dueSoon = 0;
    double totalMonthlyCNY = 0;
};
