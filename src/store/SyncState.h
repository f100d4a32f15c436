#pragma once

#include "model/Subscription.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What this computer knows about a list file that other computers change too. Kept per computer
// under XDG_STATE_HOME/Renewly, never beside the shared file:
// - the base: the list as this computer last read or wrote it;
// - the ancestor: the last version both sides are taken to share: the list as it last came from
//   elsewhere, or as written here after merging that in. Each version written here for a local edit
//   remembers it, so that when a sync tool later hands that version back as a conflict copy, it is
//   merged against what it was made from;
// - the recent versions read or written here, each with the time it was last read or written: a
//   conflict copy made elsewhere is merged against the one closest to it that was here before the
//   copy's version was written, the best guess at what both sides last shared;
// - backups/conflicts/: local versions that gave way to another computer's edit, and the conflict copies the
//   sync tools left beside the list, once merged (under backups/, beside the daily copies).
class SyncState {
public:
    // The state of the list at `listPath`.
    explicit SyncState(const QString &listPath, const QString &root = defaultRoot());

    // XDG_STATE_HOME/Renewly (~/.local/state/Renewly when the variable is unset).
    static QString defaultRoot();
    QString conflictsFolder() const { return m_root + QStringLiteral("/backups/conflicts"); }

    const QList<Subscription> &base() const { return m_base; }
    // The list was read from the file, as `bytes`, at `now`: it is the base and the ancestor.
    void setRead(const QList<Subscription> &list, const QByteArray &bytes, const QDateTime &now);
    // The list was written to the file as `bytes` at `now`: it is the base. It is the ancestor too
    // when it carries a merge with what came from elsewhere (`merged`); a local edit keeps the
    // ancestor.
    void setWritten(const QList<Subscription> &list, const QByteArray &bytes, bool merged,
                    const QDateTime &now);
    // What a conflict copy holding `bytes`, written at `written`, was made from: the ancestor of that
    // version if this computer wrote it, else the recent version closest to it among those this
    // computer had by then. A version read later may already hold the copy's edits merged with newer
    // ones, against which the copy's older values would pass for edits.
    QList<Subscription> ancestorOf(const QByteArray &bytes, const QDateTime &written) const;

    // Keeps the local versions of records whose edits gave way; returns the file they are in.
    std::optional<QString> keepReplaced(const QList<Subscription> &local, const QDateTime &now) const;
    // Moves a conflict copy into conflictsFolder(); returns its new path.
    std::optional<QString> moveAside(const QString &copyPath) const;

private:
    QString versionPath(const QByteArray &bytes) const;
    void remember(const QByteArray &bytes, const QDateTime &now) const;

    QString m_root;
    QString m_folder;
    QList<Subscription> m_base;
    QByteArray m_ancestorBytes;
};

// Names that the sync tools give the copies they leave beside a file in conflict, for the list file
// `listFileName`: Syncthing "subscriptions.sync-conflict-20250307-083000-ABCDEFG.json", Nextcloud
// "subscriptions (conflicted copy 2025-03-07 083000).json", Dropbox "subscriptions (Ann's conflicted
// copy 2025-03-07).json".
bool isConflictCopyName(const QString &fileName, const QString &listFileName);
