#include "SubscriptionFile.h"

#include "model/JsonWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace SubscriptionFile {

namespace {

// One record as JsonWriter would write Subscription::toJson() inside the array, without building
// the JSON object first: saving runs after every change, so it stays cheap for long lists.
bool appendRecord(QByteArray &out, const Subscription &s) {
    const auto key = [&out](const char *name) {
        out += "\n    \"";
        out += name;
        out += "\" : ";
    };
    const auto text = [&](const char *name, QStringView value) {
        key(name);
        JsonWriter::appendString(out, value);
        out += ',';
    };
    out += "  {";
    key("amount");
    if (!JsonWriter::appendNumber(out, s.amount))
        return false;
    out += ',';
    text("billingType", rawValue(s.billingType));
    text("category", s.category);
    text("currency", s.currency);
    text("cycle", rawValue(s.cycle));
    text("id", uuidText(s.id));
    key("isActive");
    out += s.isActive ? "true," : "false,";
    text("name", s.name);
    text("notes", s.notes);
    key("startDate");
    // Only years 0001 to 9999 have the form the loader reads; writing any other would leave a file
    // that does not load.
    const int year = s.startDate.toUTC().date().year();
    if (year < 1 || year > 9999)
        return false;
    JsonWriter::appendString(out, formatInternetDateTime(s.startDate));
    out += "\n  }";
    return true;
}

} // namespace

std::optional<QByteArray> encode(const QList<Subscription> &subscriptions) {
    if (subscriptions.isEmpty())
        return QByteArrayLiteral("[]\n");
    QByteArray out;
    out.reserve(subscriptions.size() * 320);
    out += '[';
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        if (!appendRecord(out, subscriptions[i]))
            return std::nullopt;
    }
    out += "\n]\n";
    return out;
}

std::optional<QList<Subscription>> decode(const QByteArray &bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<Subscription> subscriptions;
    subscriptions.reserve(array.size());
    for (const QJsonValue &value : array) {
        auto subscription = Subscription::fromJson(value);
        if (!subscription)
            return std::nullopt;
        subscriptions.append(std::move(*subscription));
    }
    return subscriptions;
}

LoadResult load(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {LoadStatus::missing, {}, {}};
    // Only a regular file is read: opening a pipe would block the start, and a device may never end.
    if (!info.isFile() || info.size() > maxFileBytes)
        return {LoadStatus::unreadable, {}, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {LoadStatus::unreadable, {}, {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {LoadStatus::unreadable, {}, {}};
    auto subscriptions = decode(bytes);
    if (!subscriptions)
        return {LoadStatus::unreadable, {}, bytes};
    return {LoadStatus::loaded, std::move(*subscriptions), bytes};
}

QString stagingPath(const QString &path) {
    const QFileInfo info(path);
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving");
}

namespace {

// The file a save replaces: the end of a chain of symbolic links, so that a link the user made stays
// a link. The path itself when the chain loops.
QString replacedFile(const QString &path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

} // namespace

SaveResult writeAtomically(const QString &path, const QByteArray &bytes, WaitForDisk wait) {
    // The new content goes to a staging file of a fixed name beside the file, which rename(2) then
    // moves over it. A save interrupted at any point leaves the old file whole and at most that one
    // staging file, which the next save reuses. (QSaveFile leaves a randomly named copy behind when
    // killed between linking its temporary file in and renaming it, so such copies pile up.)
    const QString target = replacedFile(path);
    const QString staging = stagingPath(target);
    QFile file(staging);
    // Unbuffered, so that every short write shows here; truncating drops what an interrupted save left.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return SaveResult::failure(file.errorString());
    if (QFileInfo::exists(target))
        file.setPermissions(QFile::permissions(target));
    QString failure;
    if (file.write(bytes) != bytes.size())
        failure = file.errorString();
    else if (wait == WaitForDisk::yes && ::fsync(file.handle()) != 0)
        failure = qt_error_string(errno);
    file.close();
    if (failure.isEmpty() && file.error() != QFileDevice::NoError)
        failure = file.errorString();
    if (failure.isEmpty() &&
        ::rename(QFile::encodeName(staging).constData(), QFile::encodeName(target).constData()) != 0)
        failure = qt_error_string(errno);
    if (failure.isEmpty())
        return SaveResult::success();
    QFile::remove(staging);
    return SaveResult::failure(failure);
}

std::optional<QString> setAside(const QString &path, const QDateTime &now) {
    const QString stamp = now.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'");
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    if (!QFile::rename(path, target))
        return std::nullopt;
    return target;
}

} // namespace SubscriptionFile
