#include "SubscriptionFile.h"

#include "model/JsonWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

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
    QFile file(path);
    if (!file.exists())
        return {LoadStatus::missing, {}};
    if (!file.open(QIODevice::ReadOnly))
        return {LoadStatus::unreadable, {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {LoadStatus::unreadable, {}};
    auto subscriptions = decode(bytes);
    if (!subscriptions)
        return {LoadStatus::unreadable, {}};
    return {LoadStatus::loaded, std::move(*subscriptions)};
}

bool writeAtomically(const QString &path, const QByteArray &bytes) {
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile flushes inside commit() and, in the Qt versions we ship on,
    // ignores a failure of that flush, renaming a truncated file into place. Writing directly lets us
    // see every short write here and cancel.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
