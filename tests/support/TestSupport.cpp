#include "TestSupport.h"

#include <QFile>

namespace TestSupport {

QDateTime at(const QTimeZone &zone, int year, int month, int day, int hour, int minute) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute), zone);
}

QDateTime at(const char *zone, int year, int month, int day, int hour, int minute) {
    return at(QTimeZone(zone), year, month, day, hour, minute);
}

LanguageGuard::LanguageGuard(LocalizationManager::Lang lang, QStringList preferred)
    : m_previous(LocalizationManager::shared().lang()) {
    LocalizationManager::setPreferredLanguagesSource([preferred] { return preferred; });
    LocalizationManager::shared().setLang(lang);
}

LanguageGuard::~LanguageGuard() {
    LocalizationManager::shared().setLang(m_previous);
    LocalizationManager::setPreferredLanguagesSource({});
}

Subscription record(const QString &name, double amount) {
    return {.name = name,
            .amount = amount,
            .startDate = QDateTime(QDate(2025, 3, 7), QTime(8, 30), QTimeZone::utc()),
            .category = u"AI/工具"_qs};
}

QStringList names(const QList<Subscription> &list) {
    QStringList out;
    for (const Subscription &s : list)
        out << s.name;
    return out;
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

} // namespace TestSupport
