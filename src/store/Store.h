#pragma once

#include "model/Subscription.h"
#include "store/Backups.h"
#include "store/SaveResult.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimeZone>
#include <QTimer>

#include <optional>

// A charge in the coming days: the record, its next charge date (start of that day) and the whole
// days from the start of today to it.
struct UpcomingCharge {
    Subscription sub;
    QDateTime date;
    int days = 0;
};

// The one owner of the subscription list. Loads the file once at creation and writes the whole
// list back after every change. A write that fails keeps the change in memory, is reported through
// saveFailed, and is tried again on the next change, every 30 seconds and on request.
class Store : public QObject {
    Q_OBJECT
public:
    // The list at XDG_DATA_HOME/Renewly/subscriptions.json, with daily backups in the default folder.
    explicit Store(QObject *parent = nullptr);
    // The list at `filePath`, whose folder is created when missing.
    explicit Store(const QString &filePath, QObject *parent = nullptr);

    static QString defaultFilePath();

    const QList<Subscription> &subscriptions() const { return m_subscriptions; }
    QString fileURL() const { return m_filePath; }
    // Where an unreadable file was moved before the first save replaced it, if that happened.
    QString setAsidePath() const { return m_setAsidePath; }
    // Keeps a copy of the file in `folder` before the first save of each day.
    void keepBackups(const QString &folder) { m_backups.emplace(folder); }
    const std::optional<Backups> &backups() const { return m_backups; }

    void add(const Subscription &subscription);
    // Appends the records in one change; nothing happens for none.
    void addAll(const QList<Subscription> &subscriptions);
    // Replaces the first record with the same id; nothing happens when there is none.
    void update(const Subscription &subscription);
    // Flips isActive of the first stored record with the same id; nothing happens when there is none.
    void toggleActive(const Subscription &subscription);
    // Removes every record with the same id, then saves, even when nothing was removed.
    void remove(const Subscription &subscription);
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

private:
    template <typename Mutation> void change(Mutation &&mutation);
    SaveResult write();
    qsizetype indexOf(const QUuid &id) const;

    QList<Subscription> m_subscriptions;
    QString m_filePath;
    QString m_setAsidePath;
    bool m_fileUnreadable = false;
    std::optional<Backups> m_backups;
    bool m_unsaved = false;
    QTimer m_retry;
};

// The four figures of the summary header, as text in the current language, and the raw total.
struct SummaryFigures {
    QString monthlySpend;
    QString yearly;
    int active = 0;
    int dueSoon = 0;
    double totalMonthlyCNY = 0;
};
