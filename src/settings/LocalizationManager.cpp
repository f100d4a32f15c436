#include "LocalizationManager.h"

#include "settings/Preferences.h"

#include <QLocale>

namespace {
LocalizationManager::PreferredLanguages &preferredLanguagesSource() {
    static LocalizationManager::PreferredLanguages source;
    return source;
}
} // namespace

LocalizationManager &LocalizationManager::shared() {
    // Created on first use and kept for the life of the process.
    static LocalizationManager *instance = new LocalizationManager;
    return *instance;
}

LocalizationManager::LocalizationManager() {
    reload();
}

void LocalizationManager::reload() {
    m_lang = langFromRaw(Preferences::appLanguage().value_or(QStringLiteral("system")));
}

void LocalizationManager::setLang(Lang lang) {
    Q_EMIT aboutToChange();
    m_lang = lang;
    Preferences::setAppLanguage(rawValue(lang));
    Q_EMIT langChanged(lang);
}

bool LocalizationManager::isZh() const {
    switch (m_lang) {
    case Lang::zh:
        return true;
    case Lang::en:
        return false;
    case Lang::system:
        break;
    }
    const QStringList languages = preferredLanguages();
    const QString first = languages.isEmpty() ? QStringLiteral("en") : languages.first().toLower();
    return first.startsWith(u"zh");
}

QString LocalizationManager::rawValue(Lang lang) {
    switch (lang) {
    case Lang::system:
        return QStringLiteral("system");
    case Lang::en:
        return QStringLiteral("en");
    case Lang::zh:
        return QStringLiteral("zh");
    }
    return QStringLiteral("system");
}

LocalizationManager::Lang LocalizationManager::langFromRaw(const QString &raw) {
    if (raw == u"en")
        return Lang::en;
    if (raw == u"zh")
        return Lang::zh;
    return Lang::system;
}

const QList<LocalizationManager::Lang> &LocalizationManager::allCases() {
    static const QList<Lang> cases{Lang::system, Lang::en, Lang::zh};
    return cases;
}

QString LocalizationManager::displayName(Lang lang) const {
    switch (lang) {
    case Lang::system:
        return isZh() ? QStringLiteral("跟随系统") : QStringLiteral("System");
    case Lang::zh:
        return QStringLiteral("中文");
    case Lang::en:
        return QStringLiteral("English");
    }
    return {};
}

void LocalizationManager::setPreferredLanguagesSource(PreferredLanguages source) {
    preferredLanguagesSource() = std::move(source);
}

QStringList LocalizationManager::preferredLanguages() {
    if (const auto &source = preferredLanguagesSource())
        return source();
    // Follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
    return QLocale::system().uiLanguages();
}
