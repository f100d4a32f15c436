#include "Format.h"

#include "model/CurrencyRates.h"
#include "settings/LocalizationManager.h"

#include <QHash>

#include <cmath>

namespace Format {

QString money(double amount, const QString &currency) {
    const QString symbol = CurrencyRates::symbol(currency);
    const double rounded = std::round(amount * 100) / 100;
    // Only values that fit a 64-bit integer take the integer form; the rest (huge values,
    // infinities, NaN) keep the two-decimal form.
    constexpr double int64Limit = 9223372036854775807.0;
    if (std::isfinite(rounded) && rounded == std::trunc(rounded) && std::fabs(rounded) < int64Limit)
        return symbol + QString::number(static_cast<qint64>(rounded));
    return symbol + QString::number(rounded, 'f', 2);
}

QString base(double amountInCNY, bool isZh) {
    const QString code = isZh ? QStringLiteral("CNY") : QStringLiteral("USD");
    return money(CurrencyRates::convert(amountInCNY, QStringLiteral("CNY"), code), code);
}

QString base(double amountInCNY) {
    return base(amountInCNY, LocalizationManager::shared().isZh());
}

QString categoryDisplay(const QString &category, bool isZh) {
    if (isZh)
        return category;
    static const QHash<QString, QString> english{
        {QStringLiteral("AI/工具"), QStringLiteral("AI & Tools")},
        {QStringLiteral("影音"), QStringLiteral("Video")},
        {QStringLiteral("视频"), QStringLiteral("Video")},
        {QStringLiteral("音乐"), QStringLiteral("Music")},
        {QStringLiteral("云存储"), QStringLiteral("Cloud")},
        {QStringLiteral("软件"), QStringLiteral("Software")},
        {QStringLiteral("游戏"), QStringLiteral("Games")},
        {QStringLiteral("阅读"), QStringLiteral("Reading")},
        {QStringLiteral("会员"), QStringLiteral("Membership")},
        {QStringLiteral("其他"), QStringLiteral("Other")},
    };
    return english.value(category, category);
}

QString categoryDisplay(const QString &category) {
    return categoryDisplay(category, LocalizationManager::shared().isZh());
}

} // namespace Format
