#pragma once

#include "model/Subscription.h"

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

enum class LoadStatus {
    loaded,     // the file's records
    missing,    // no file: an empty list
    unreadable, // the file exists but could not be read or decoded: an empty list
};
struct LoadResult {
    LoadStatus status = LoadStatus::missing;
    QList<Subscription> subscriptions;
};
LoadResult load(const QString &path);

// Replaces the file at `path` atomically with `bytes`: readers see the old or the new content,
// never a mixture. Returns whether the new content is in place.
bool writeAtomically(const QString &path, const QByteArray &bytes);

// Moves an unreadable file out of the way, to "<path>.unreadable-<UTC time>", so that its bytes
// survive the next save. Returns the new path, or nothing when it could not be moved.
std::optional<QString> setAside(const QString &path, const QDateTime &now);

} // namespace SubscriptionFile
