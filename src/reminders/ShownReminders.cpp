#include "ShownReminders.h"

#include "model/Subscription.h"
#include "settings/Preferences.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString lastAwakeKey = QStringLiteral("lastAwake");
const QString shownKey = QStringLiteral("shown");
const QString idKey = QStringLiteral("id");
const QString chargeKey = QStringLiteral("chargeDate");
const QString leadKey = QStringLiteral("daysBefore");
const QString shownAtKey = QStringLiteral("shownAt");

// Lead times beyond this are not real settings; a record claiming one is malformed.
constexpr int maxDaysBefore = 100000;

std::optional<QDateTime> instant(const QJsonValue &value) {
    return value.isString() ? parseInternetDateTime(value.toString()) : std::nullopt;
}

} // namespace

size_t qHash(const ReminderKey &key, size_t seed) noexcept {
    return qHashMulti(seed, key.id, key.chargeDate.toJulianDay(), key.daysBefore);
}

QString ShownReminders::defaultPath() {
    return Preferences::stateFolder() + QStringLiteral("/reminders.json");
}

ShownReminders::ShownReminders(QString path)
    : m_path(std::move(path)) {
    reload();
}

void ShownReminders::reload() {
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileBytes)
        return;
    // Read no more than the limit even when the file grows or reports no size (a pipe).
    merge(file.read(maxFileBytes + 1));
}

bool ShownReminders::merge(const QByteArray &bytes) {
    if (bytes.size() > maxFileBytes)
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return false;
    const QJsonObject root = document.object();
    // What is in memory is newer: the file is only read again to pick up another process's records.
    if (const auto awake = instant(root.value(lastAwakeKey)); awake && !m_lastAwake.isValid())
        m_lastAwake = awake->toUTC();
    const QJsonArray shown = root.value(shownKey).toArray();
    for (const QJsonValue &value : shown) {
        const QJsonObject record = value.toObject();
        const auto id = parseUuid(record.value(idKey).toString());
        const QDate charge = QDate::fromString(record.value(chargeKey).toString(), Qt::ISODate);
        const QJsonValue lead = record.value(leadKey);
        const auto shownAt = instant(record.value(shownAtKey));
        if (!id || !charge.isValid() || !lead.isDouble() || !shownAt)
            continue;
        const double days = lead.toDouble();
        if (days != double(int(days)) || days < 0 || days > maxDaysBefore)
            continue;
        m_shown.insert(ReminderKey{*id, charge, int(days)}, shownAt->toUTC());
    }
    return true;
}

void ShownReminders::insert(const ReminderKey &key, const QDateTime &shownAt) {
    m_shown.insert(key, shownAt.toUTC());
}

void ShownReminders::prune(const QDate &today) {
    const QDate oldest = today.addDays(-keepDays);
    m_shown.removeIf(
        [&](const auto &entry) { return entry.key().chargeDate < oldest && entry.value().date() < oldest; });
}

QByteArray ShownReminders::encode() const {
    QJsonArray shown;
    for (auto it = m_shown.cbegin(); it != m_shown.cend(); ++it) {
        shown.append(QJsonObject{
            {idKey, uuidText(it.key().id)},
            {chargeKey, it.key().chargeDate.toString(Qt::ISODate)},
            {leadKey, it.key().daysBefore},
            {shownAtKey, formatInternetDateTime(it.value())},
        });
    }
    QJsonObject root{{shownKey, shown}};
    if (m_lastAwake.isValid())
        root.insert(lastAwakeKey, formatInternetDateTime(m_lastAwake));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

SaveResult ShownReminders::save() const {
    if (m_path.isEmpty())
        return SaveResult::success();
    const QString folder = QFileInfo(m_path).path();
    if (!QDir().mkpath(folder))
        return SaveResult::failure(QStringLiteral("cannot create ") + folder);
    return SubscriptionFile::writeAtomically(m_path, encode());
}
