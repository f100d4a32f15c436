#pragma once

#include <QString>

// Money and category texts shared by every view.
namespace Format {

// The amount in its own currency: symbol then the amount rounded to cents (halves away from zero),
// as an integer when it has no cents, else with two decimals; "." as separator, no grouping.
QString money(double amount, const QString &currency);
// A CNY amount in the display currency of the interface language (CNY in Chinese, USD in English).
QString base(double amountInCNY);
QString base(double amountInCNY, bool isZh);
// The stored category as shown in the interface language.
QString categoryDisplay(const QString &category);
QString categoryDisplay(const QString &category, bool isZh);

} // namespace Format
