#pragma once

#include "model/Clock.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QUuid>

#include <optional>

enum class BillingType { recurring, oneTime };
enum class BillingCycle { weekly, monthly, quarterly, yearly };

QString rawValue(BillingType type);
QString rawValue(BillingCycle cycle);
// Exact, case-sensitive match of the stored raw values; anything else yields nothing.
std::optional<BillingType> billingTypeFromRaw(QStringView raw);
std::optional<BillingCycle> billingCycleFromRaw(QStringView raw);
const QList<BillingType> &allBillingTypes();
const QList<BillingCycle> &allBillingCycles();
// The cycle's name in the interface language of the moment.
QString label(BillingCycle cycle);

// The nine categories the form offers, stored as these Chinese texts whatever the UI language.
const QStringList &standardCategories();

// One subscription or one-time purchase. A plain value; identified by `id` alone in the store.
// Built with designated initialisers, which name every value and leave the rest at their defaults:
// `Subscription{.name = u"Netflix"_s, .amount = 15.49, .currency = u"USD"_s, .isActive = false}`.
struct Subscription {
    QUuid id = QUuid::createUuid();
    QString name{};
    double amount = 0;
    QString currency = QStringLiteral("CNY");
    BillingType billingType = BillingType::recurring;
    BillingCycle cycle = BillingCycle::monthly;
    QDateTime startDate = Clock::current().now().toUTC();
    QString category{};
    QString notes{};
    bool isActive = true;

    // A new record with a fresh id, every value in order. Designated initialisers say more.
    static Subscription make(const QString &name, double amount, const QString &currency,
                             BillingType billingType, BillingCycle cycle, const QDateTime &startDate,
                             const QString &category, const QString &notes, bool isActive = true);

    bool operator==(const Subscription &other) const = default;

    // Billing calendar. Only the calendar day of each instant in `zone` counts.
    std::optional<QDateTime> nextChargeDate(const QDateTime &reference, const QTimeZone &zone) const;
    std::optional<int> daysUntilNextCharge(const QDateTime &reference, const QTimeZone &zone) const;
    // Both of the above from a single calendar computation.
    struct NextCharge {
        QDate day;
        int days = 0;
    };
    std::optional<NextCharge> nextCharge(const QDateTime &reference, const QTimeZone &zone) const;
    double monthlyAmountInCurrency() const;
    double monthlyAmountInCNY() const;

    // The JSON object of the subscription file.
    QJsonObject toJson() const;
    // Strict: every one of the ten keys with its exact type, known raw values, a UUID and an
    // internet date-time with whole seconds. Other keys are ignored.
    static std::optional<Subscription> fromJson(const QJsonValue &value);
    // The ten values of a stored record as they stand in the file.
    struct StoredValues {
        QString id;
        QString name;
        double amount = 0;
        QString currency;
        QString billingType;
        QString cycle;
        QString startDate;
        QString category;
        QString notes;
        bool isActive = true;
    };
    // The record the values describe, checked as fromJson checks them.
    static std::optional<Subscription> fromStoredValues(StoredValues values);
    // The same, with the id and the start date as parseUuid and parseInternetDateTime read them
    // already; `values.id` and `values.startDate` are not looked at.
    static std::optional<Subscription> fromStoredValues(StoredValues values, const std::optional<QUuid> &id,
                                                        const std::optional<QDateTime> &startDate);
};

size_t qHash(const Subscription &subscription, size_t seed = 0) noexcept;

// "2025-03-07T08:30:00Z"; fractional seconds are dropped.
QString formatInternetDateTime(const QDateTime &instant);
// Accepts yyyy-MM-ddTHH:mm:ss followed by Z or a ±hh:mm offset; no fractional seconds.
std::optional<QDateTime> parseInternetDateTime(QStringView text);
std::optional<QDateTime> parseInternetDateTime(QLatin1StringView text);
// The canonical upper-case form without braces.
QString uuidText(const QUuid &id);
std::optional<QUuid> parseUuid(QStringView text);
std::optional<QUuid> parseUuid(QLatin1StringView text);
