#pragma once

#include "settings/LocalizationManager.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>

namespace TestSupport {

// A moment given as local wall-clock time in `zone`.
QDateTime at(const char *zone, int year, int month, int day, int hour = 12, int minute = 0);
QDateTime at(const QTimeZone &zone, int year, int month, int day, int hour = 12, int minute = 0);

// Sets the language choice and the system's preferred languages for the life of the guard, and
// puts both back afterwards.
class LanguageGuard {
public:
    explicit LanguageGuard(LocalizationManager::Lang lang, QStringList preferred = {QStringLiteral("en-US")});
    ~LanguageGuard();
    LanguageGuard(const LanguageGuard &) = delete;
    LanguageGuard &operator=(const LanguageGuard &) = delete;

private:
    LocalizationManager::Lang m_previous;
};

// Reads a whole file; empty when it cannot be read.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace TestSupport
