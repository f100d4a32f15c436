#pragma once

#include "store/SaveResult.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QUuid>

// One reminder as the user sees it: the charge it announces and the lead time it was made for.
// Editing the charge date or changing the lead time makes a different reminder.
struct ReminderKey {
    QUuid id;
    QDate chargeDate;
    int daysBefore = 0;
    bool operator==(const ReminderKey &) const = default;
};
size_t qHash(const ReminderKey &key, size_t seed = 0) noexcept;

// What the reminders remember between runs, in one small file of the user's state folder: which
// reminders were shown, and the last moment the program was running and watching the clock, so
// that a later start can tell which reminder moments passed while it was not.
//
// The file is replaced atomically. A missing, unreadable or malformed file counts as empty; a
// record that does not make sense is skipped.
class ShownReminders {
public:
    // Records are kept for this long after their charge date or the moment they were shown.
    static constexpr int keepDays = 60;
    // A file larger than this is not read: a real one holds a few records per subscription.
    static constexpr qint64 maxFileBytes = qint64(1) << 20;

    // "$XDG_STATE_HOME/Renewly/reminders.json" ($XDG_STATE_HOME defaults to ~/.local/state).
    static QString defaultPath();

    // Reads `path` at once. An empty path keeps everything in memory only.
    explicit ShownReminders(QString path = {});

    const QString &path() const { return m_path; }
    // Reads the file again, keeping what is in memory as well: another process may have written it.
    void reload();

    bool contains(const ReminderKey &key) const { return m_shown.contains(key); }
    void insert(const ReminderKey &key, const QDateTime &shownAt);
    qsizetype size() const { return m_shown.size(); }

    // Invalid when never recorded.
    QDateTime lastAwake() const { return m_lastAwake; }
    void setLastAwake(const QDateTime &moment) { m_lastAwake = moment.toUTC(); }

    // Drops records whose charge date and shown day are both more than `keepDays` before `today`.
    void prune(const QDate &today);
    // Writes the file atomically, creating its folder. Succeeds without writing when in memory only.
    SaveResult save() const;

    QByteArray encode() const;
    // Adds what `bytes` holds to what is in memory; false when it holds nothing usable.
    bool merge(const QByteArray &bytes);

private:
    QString m_path;
    // Key → the moment it was shown, in UTC.
    QHash<ReminderKey, QDateTime> m_shown;
    QDateTime m_lastAwake;
};
