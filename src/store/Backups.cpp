#include "Backups.h"

#include "settings/Preferences.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

Backups::Backups(QString folder)
    : m_folder(std::move(folder)) {}

QString Backups::defaultFolder() {
    return Preferences::stateFolder() + QStringLiteral("/backups");
}

QString Backups::pathFor(QDate day) const {
    return m_folder + QStringLiteral("/subscriptions-") + day.toString(u"yyyy-MM-dd") +
           QStringLiteral(".json");
}

QList<QDate> Backups::days() const {
    QList<QDate> days;
    const QStringList names = QDir(m_folder).entryList({QStringLiteral("subscriptions-*.json")}, QDir::Files);
    for (const QString &name : names) {
        const QDate day = QDate::fromString(name.mid(14, 10), u"yyyy-MM-dd");
        if (name.size() == 29 && day.isValid())
            days << day;
    }
    std::sort(days.begin(), days.end(), std::greater<>());
    return days;
}

bool Backups::beforeSave(const QString &file, QDate today) {
    const QString target = pathFor(today);
    if (QFileInfo::exists(target) || !QFileInfo(file).isFile())
        return true;
    QFile source(file);
    if (source.size() > SubscriptionFile::maxFileBytes || !source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError || !QDir().mkpath(m_folder) ||
        !SubscriptionFile::writeAtomically(target, bytes))
        return false;
    const QList<QDate> all = days();
    for (qsizetype i = kept; i < all.size(); ++i)
        QFile::remove(pathFor(all[i]));
    return true;
}
