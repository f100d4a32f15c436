#include "Subscription.h"

#include "settings/LocalizationManager.h"

#include <QHashFunctions>
#include <QJsonValue>

#include <array>
#include <cmath>
#include <cstdio>

QString rawValue(BillingType type) {
    switch (type) {
    case BillingType::recurring:
        return QStringLiteral("recurring");
    case BillingType::oneTime:
        return QStringLiteral("oneTime");
    }
    return {};
}

QString rawValue(BillingCycle cycle) {
    switch (cycle) {
    case BillingCycle::weekly:
        return QStringLiteral("weekly");
    case BillingCycle::monthly:
        return QStringLiteral("monthly");
    case BillingCycle::quarterly:
        return QStringLiteral("quarterly");
    case BillingCycle::yearly:
        return QStringLiteral("yearly");
    }
    return {};
}

std::optional<BillingType> billingTypeFromRaw(QStringView raw) {
    for (BillingType type : allBillingTypes()) {
        if (raw == rawValue(type))
            return type;
    }
    return std::nullopt;
}

std::optional<BillingCycle> billingCycleFromRaw(QStringView raw) {
    for (BillingCycle cycle : allBillingCycles()) {
        if (raw == rawValue(cycle))
            return cycle;
    }
    return std::nullopt;
}

const QList<BillingType> &allBillingTypes() {
    static const QList<BillingType> types{BillingType::recurring, BillingType::oneTime};
    return types;
}

const QList<BillingCycle> &allBillingCycles() {
    static const QList<BillingCycle> cycles{BillingCycle::weekly, BillingCycle::monthly,
                                            BillingCycle::quarterly, BillingCycle::yearly};
    return cycles;
}

QString label(BillingCycle cycle) {
    const bool zh = LocalizationManager::shared().isZh();
    switch (cycle) {
    case BillingCycle::weekly:
        return zh ? QStringLiteral("每周") : QStringLiteral("Weekly");
    case BillingCycle::monthly:
        return zh ? QStringLiteral("每月") : QStringLiteral("Monthly");
    case BillingCycle::quarterly:
        return zh ? QStringLiteral("每季") : QStringLiteral("Quarterly");
    case BillingCycle::yearly:
        return zh ? QStringLiteral("每年") : QStringLiteral("Yearly");
    }
    return {};
}

const QStringList &standardCategories() {
    static const QStringList categories{
        QStringLiteral("AI/工具"), QStringLiteral("影音"), QStringLiteral("音乐"),
        QStringLiteral("云存储"),  QStringLiteral("软件"), QStringLiteral("游戏"),
        QStringLiteral("阅读"),    QStringLiteral("会员"), QStringLiteral("其他"),
    };
    return categories;
}

Subscription Subscription::make(const QString &name, double amount, const QString &currency,
                                BillingType billingType, BillingCycle cycle, const QDateTime &startDate,
                                const QString &category, const QString &notes, bool isActive) {
    Subscription s;
    s.name = name;
    s.amount = amount;
    s.currency = currency;
    s.billingType = billingType;
    s.cycle = cycle;
    s.startDate = startDate;
    s.category = category;
    s.notes = notes;
    s.isActive = isActive;
    return s;
}

size_t qHash(const Subscription &s, size_t seed) noexcept {
    QtPrivate::QHashCombine combine;
    seed = combine(seed, s.id);
    seed = combine(seed, s.name);
    seed = combine(seed, s.amount);
    seed = combine(seed, s.currency);
    seed = combine(seed, static_cast<int>(s.billingType));
    seed = combine(seed, static_cast<int>(s.cycle));
    seed = combine(seed, s.startDate.toMSecsSinceEpoch());
    seed = combine(seed, s.category);
    seed = combine(seed, s.notes);
    seed = combine(seed, s.isActive);
    return seed;
}

QString uuidText(const QUuid &id) {
    return QString::fromLatin1(id.toByteArray(QUuid::WithoutBraces).toUpper());
}

namespace {
template <typename Text> char16_t at(Text text, qsizetype pos) {
    return char16_t(text[pos].unicode());
}

template <typename Text> std::optional<QUuid> uuidFrom(Text text) {
    static constexpr int groups[] = {8, 4, 4, 4, 12};
    if (text.size() != 36)
        return std::nullopt;
    // The 32 digits are read into the id's 16 bytes as they are checked.
    std::array<char, 16> bytes{};
    qsizetype pos = 0;
    int digit = 0;
    for (int g = 0; g < 5; ++g) {
        if (g > 0 && at(text, pos++) != u'-')
            return std::nullopt;
        for (int i = 0; i < groups[g]; ++i, ++pos, ++digit) {
            const char16_t c = at(text, pos);
            int value = 0;
            if (c >= u'0' && c <= u'9')
                value = c - u'0';
            else if (c >= u'a' && c <= u'f')
                value = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                value = c - u'A' + 10;
            else
                return std::nullopt;
            char &byte = bytes[std::size_t(digit / 2)];
            byte = char(uchar(byte) << 4 | value);
        }
    }
    return QUuid::fromRfc4122(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}
} // namespace

std::optional<QUuid> parseUuid(QStringView text) {
    return uuidFrom(text);
}

std::optional<QUuid> parseUuid(QLatin1StringView text) {
    return uuidFrom(text);
}

QString formatInternetDateTime(const QDateTime &instant) {
    // Whole seconds, rounded down, so that a later read gives the same instant as the file holds.
    const qint64 ms = instant.toMSecsSinceEpoch();
    const qint64 secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
    const QDate date = utc.date();
    const QTime time = utc.time();
    if (date.year() < 0 || date.year() > 9999) // outside what the four-digit form can carry
        return utc.toString(Qt::ISODate);
    char text[21];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", date.year(), date.month(), date.day(),
                  time.hour(), time.minute(), time.second());
    return QString::fromLatin1(text, 20);
}

namespace {
template <typename Text> bool readDigits(Text text, qsizetype pos, int count, int &out) {
    out = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = at(text, pos + i);
        if (c < u'0' || c > u'9')
            return false;
        out = out * 10 + (c - u'0');
    }
    return true;
}

template <typename Text> std::optional<QDateTime> dateTimeFrom(Text text) {
    // yyyy-MM-ddTHH:mm:ss then Z or ±hh:mm
    if (text.size() != 20 && text.size() != 25)
        return std::nullopt;
    int y, mo, d, h, mi, s;
    if (!readDigits(text, 0, 4, y) || at(text, 4) != u'-' || !readDigits(text, 5, 2, mo) ||
        at(text, 7) != u'-' || !readDigits(text, 8, 2, d) || at(text, 10) != u'T' ||
        !readDigits(text, 11, 2, h) || at(text, 13) != u':' || !readDigits(text, 14, 2, mi) ||
        at(text, 16) != u':' || !readDigits(text, 17, 2, s))
        return std::nullopt;
    int offsetSeconds = 0;
    if (text.size() == 20) {
        if (at(text, 19) != u'Z')
            return std::nullopt;
    } else {
        int oh, om;
        const char16_t sign = at(text, 19);
        if ((sign != u'+' && sign != u'-') || !readDigits(text, 20, 2, oh) || at(text, 22) != u':' ||
            !readDigits(text, 23, 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offsetSeconds = (oh * 3600 + om * 60) * (sign == u'-' ? -1 : 1);
    }
    const QDate date(y, mo, d);
    if (!date.isValid() || h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    // Plain arithmetic rather than a zone object per record: loading reads thousands of these.
    constexpr qint64 unixEpochJulianDay = 2'440'588;
    const qint64 secs =
        (date.toJulianDay() - unixEpochJulianDay) * 86'400 + h * 3600 + mi * 60 + s - offsetSeconds;
    // An offset can carry the instant out of the years 0001 to 9999, which the file's UTC form cannot
    // write back: a list holding it would save as a file that no longer loads.
    static const qint64 earliest = (QDate(1, 1, 1).toJulianDay() - unixEpochJulianDay) * 86'400;
    static const qint64 latest = (QDate(9999, 12, 31).toJulianDay() - unixEpochJulianDay + 1) * 86'400 - 1;
    if (secs < earliest || secs > latest)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
}
} // namespace

std::optional<QDateTime> parseInternetDateTime(QStringView text) {
    return dateTimeFrom(text);
}

std::optional<QDateTime> parseInternetDateTime(QLatin1StringView text) {
    return dateTimeFrom(text);
}

QJsonObject Subscription::toJson() const {
    return QJsonObject{
        {QStringLiteral("id"), uuidText(id)},
        {QStringLiteral("name"), name},
        {QStringLiteral("amount"), amount},
        {QStringLiteral("currency"), currency},
        {QStringLiteral("billingType"), rawValue(billingType)},
        {QStringLiteral("cycle"), rawValue(cycle)},
        {QStringLiteral("startDate"), formatInternetDateTime(startDate)},
        {QStringLiteral("category"), category},
        {QStringLiteral("notes"), notes},
        {QStringLiteral("isActive"), isActive},
    };
}

std::optional<Subscription> Subscription::fromJson(const QJsonValue &value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto str = [&o](const char *key) -> std::optional<QString> {
        const QJsonValue v = o.value(QLatin1StringView(key));
        if (!v.isString())
            return std::nullopt;
        return v.toString();
    };
    const auto id = str("id");
    const auto name = str("name");
    const auto currency = str("currency");
    const auto type = str("billingType");
    const auto cycle = str("cycle");
    const auto start = str("startDate");
    const auto category = str("category");
    const auto notes = str("notes");
    const QJsonValue amount = o.value(QLatin1StringView("amount"));
    const QJsonValue active = o.value(QLatin1StringView("isActive"));
    if (!id || !name || !currency || !type || !cycle || !start || !category || !notes || !amount.isDouble() ||
        !active.isBool())
        return std::nullopt;

    return fromStoredValues({.id = *id,
                             .name = *name,
                             .amount = amount.toDouble(),
                             .currency = *currency,
                             .billingType = *type,
                             .cycle = *cycle,
                             .startDate = *start,
                             .category = *category,
                             .notes = *notes,
                             .isActive = active.toBool()});
}

std::optional<Subscription> Subscription::fromStoredValues(StoredValues values) {
    const auto uuid = parseUuid(values.id);
    const auto startDate = parseInternetDateTime(values.startDate);
    return fromStoredValues(std::move(values), uuid, startDate);
}

std::optional<Subscription> Subscription::fromStoredValues(StoredValues values,
                                                           const std::optional<QUuid> &uuid,
                                                           const std::optional<QDateTime> &startDate) {
    const auto billingType = billingTypeFromRaw(values.billingType);
    const auto billingCycle = billingCycleFromRaw(values.cycle);
    if (!uuid || !billingType || !billingCycle || !startDate || !std::isfinite(values.amount))
        return std::nullopt;
    // Every member is given, so none of the defaults of a new record (a fresh id, the time now) is
    // worked out for nothing.
    return Subscription{.id = *uuid,
                        .name = std::move(values.name),
                        .amount = values.amount,
                        .currency = std::move(values.currency),
                        .billingType = *billingType,
                        .cycle = *billingCycle,
                        .startDate = *startDate,
                        .category = std::move(values.category),
                        .notes = std::move(values.notes),
                        .isActive = values.isActive};
}
