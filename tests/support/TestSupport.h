#pragma once

#include "model/Clock.h"
#include "model/Subscription.h"
#include "settings/LocalizationManager.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>

// A clock that only moves when a test moves it. Installed, it is what the whole program reads as "now"
// until it is destroyed.
class ManualClock final : public Clock {
public:
    enum class Scope { local, installed };
    explicit ManualClock(QDateTime now, QTimeZone zone = QTimeZone::systemTimeZone(),
                         Scope scope = Scope::local)
        : m_now(std::move(now))
        , m_zone(std::move(zone))
        , m_installed(scope == Scope::installed) {
        if (m_installed)
            Clock::install(this);
    }
    ~ManualClock() override {
        if (m_installed)
            Clock::install(nullptr);
    }
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    QDateTime now() const override { return m_now; }
    QTimeZone zone() const override { return m_zone; }
    void set(const QDateTime &now) { m_now = now; }
    void advance(qint64 msecs) { m_now = m_now.addMSecs(msecs); }
    void setZone(const QTimeZone &zone) { m_zone = zone; }

private:
    QDateTime m_now;
    QTimeZone m_zone;
    bool m_installed = false;
};

namespace TestSupport {

// A moment given as local wall-clock time in `zone`.
QDateTime at(const char *zone, int year, int month, int day, int hour = 12, int minute = 0);
QDateTime at(const QTimeZone &zone, int year, int month, int day, int hour = 12, int minute = 0);

// Sets the language choice and the system's preferred languages for the life of the guard, and
// puts both back afterwards.
class LanguageGuard {
public:
    explicit LanguageGuard(LocalizationManager::Lang lang, QStringList preferred = {u"en-US"_qs});
    ~LanguageGuard();
    LanguageGuard(const LanguageGuard &) = delete;
    LanguageGuard &operator=(const LanguageGuard &) = delete;

private:
    LocalizationManager::Lang m_previous;
};

// A monthly record of `amount` yuan first charged on 7 March 2025, 08:30 UTC.
Subscription record(const QString &name, double amount = 10);
// The names of the records, in list order.
QStringList names(const QList<Subscription> &list);

// Reads a whole file; empty when it cannot be read.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace TestSupport
