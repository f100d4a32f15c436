#pragma once

#include "model/Subscription.h"
#include "store/SaveResult.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The subscription file: a JSON array of records, read whole and replaced atomically.
namespace SubscriptionFile {

// The file's text: pretty-printed, sorted keys. Nothing when a record cannot be written as JSON.
std::optional<QByteArray> encode(const QList<Subscription> &subscriptions);
// All or nothing: any record that does not decode rejects the whole text.
std::optional<QList<Subscription>> decode(const QByteArray &bytes);
// The same, read through a JSON document whatever the text; decode() takes a faster way for the
// form this program writes.
std::optional<QList<Subscription>> decodeDocument(const QByteArray &bytes);

enum class LoadStatus {
    loaded,     // the file's records
    missing,    // no file: an empty list
    unreadable, // the file exists but could not be read or decoded: an empty list
};
struct LoadResult {
    LoadStatus status = LoadStatus::missing;
    QList<Subscription> subscriptions;
    QByteArray bytes; // what was read, when anything was
};
LoadResult load(const QString &path);
// Larger files are not read (they count as unreadable): decoding takes about five times the file's
// size in memory, and a real list is a few hundred kilobytes at most.
inline constexpr qint64 maxFileBytes = qint64(64) << 20;

// Replaces the file at `path` atomically with `bytes`: readers see the old or the new content,
// never a mixture, and a save cut short (killed, disk full) leaves the old content in place. When
// `path` is a symbolic link, the file it leads to is replaced. Fails, with the system's reason, when
// the new content is not in place. Bookkeeping that is cheap to lose may skip waiting until the
// content is on the disk (a crash right after may then leave the old content).
enum class WaitForDisk { yes, no };
SaveResult writeAtomically(const QString &path, const QByteArray &bytes, WaitForDisk wait = WaitForDisk::yes);
// Where writeAtomically stages the new content: a hidden file beside the one it replaces. Left
// behind only by an interrupted save, and reused by the next one.
QString stagingPath(const QString &path);

// Moves an unreadable file out of the way, to "<path>.unreadable-<UTC time>", so that its bytes
// survive the next save. Returns the new path, or nothing when it could not be moved.
std::optional<QString> setAside(const QString &path, const QDateTime &now);

} // namespace SubscriptionFile
