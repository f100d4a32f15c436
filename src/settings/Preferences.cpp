#include "Preferences.h"

#include <QDir>
#include <QSettings>
#include <QVariant>

namespace Preferences {

std::unique_ptr<QSettings> settings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Renewly"),
                                       QStringLiteral("Renewly"));
}

std::optional<QString> appLanguage() {
    const QVariant value = settings()->value(QStringLiteral("appLanguage"));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

void setAppLanguage(const QString &raw) {
    settings()->setValue(QStringLiteral("appLanguage"), raw);
}

std::optional<int> storedRemindDaysBefore() {
    const QVariant value = settings()->value(QStringLiteral("remindDaysBefore"));
    if (!value.isValid())
        return std::nullopt;
    // INI stores every value as text: only a plain decimal integer that fits an int counts.
    bool ok = false;
    const int days = value.toString().trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return days;
}

int remindDaysBefore() {
    return storedRemindDaysBefore().value_or(defaultRemindDaysBefore);
}

void setRemindDaysBefore(int days) {
    settings()->setValue(QStringLiteral("remindDaysBefore"), days);
}

std::optional<QString> dataFolder() {
    const QVariant value = settings()->value(QStringLiteral("dataFolder"));
    if (value.typeId() != QMetaType::QString || !QDir::isAbsolutePath(value.toString()))
        return std::nullopt;
    return QDir::cleanPath(value.toString());
}

void setDataFolder(const QString &folder) {
    settings()->setValue(QStringLiteral("dataFolder"), folder);
}

QString stateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // Only an absolute XDG_STATE_HOME counts; a relative one is ignored as if unset.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Renewly");
}

} // namespace Preferences
