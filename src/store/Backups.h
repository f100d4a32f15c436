#pragma once

#include <QDate>
#include <QList>
#include <QString>

// Daily copies of the subscription file, kept per computer: before the first save of each day the
// file as it stands is copied to "subscriptions-YYYY-MM-DD.json" in the backup folder, and only the
// newest `kept` copies stay.
class Backups {
public:
    static constexpr int kept = 14;

    explicit Backups(QString folder);
    // XDG_STATE_HOME/Renewly/backups (~/.local/state/Renewly/backups): not a data folder that a sync
    // tool may share between computers.
    static QString defaultFolder();

    const QString &folder() const { return m_folder; }
    QString pathFor(QDate day) const;
    // The days with a copy, newest first.
    QList<QDate> days() const;

    // Copies `file` for `today` unless today's copy exists or there is no file yet, then drops the
    // oldest copies beyond `kept`. Returns whether today's copy is in place (or nothing needed one).
    bool beforeSave(const QString &file, QDate today);

private:
    QString m_folder;
};
