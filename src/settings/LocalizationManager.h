#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The interface language: Chinese or English, chosen by the user or taken from the system.
class LocalizationManager : public QObject {
    Q_OBJECT
public:
    enum class Lang { system, en, zh };
    Q_ENUM(Lang)

    static LocalizationManager &shared();

    Lang lang() const { return m_lang; }
    // Persists the choice under "appLanguage" and tells observers, before and after the change.
    void setLang(Lang lang);
    // Whether texts are Chinese right now; under `system` the first preferred language decides.
    bool isZh() const;

    static QString rawValue(Lang lang);
    // Exact match of "en" and "zh"; every other text means `system`.
    static Lang langFromRaw(const QString &raw);
    static const QList<Lang> &allCases();
    // Name of a choice as the settings show it, in the current language.
    QString displayName(Lang lang) const;

    // The system's preferred languages, first first. Tests replace the source; an empty function
    // restores the system's own list.
    using PreferredLanguages = std::function<QStringList()>;
    static void setPreferredLanguagesSource(PreferredLanguages source);
    static QStringList preferredLanguages();

    // Reads the stored choice again; for tests that change the preference store underneath.
    void reload();

Q_SIGNALS:
    void aboutToChange();
    void langChanged(LocalizationManager::Lang lang);

private:
    LocalizationManager();
    Lang m_lang = Lang::system;
};
