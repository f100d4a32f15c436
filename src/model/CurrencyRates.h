#pragma once

#include <QString>
#include <QStringList>

// The fixed table of CNY per unit of each supported currency. Lookups upper-case the code first.
namespace CurrencyRates {

// In the order the form offers them.
const QStringList &supportedCurrencies();
// CNY per unit; 1.0 for a code outside the table.
double rate(const QString &code);
double convert(double amount, const QString &from, const QString &to);
// The symbol of the code; a code outside the table is its own symbol, unchanged.
QString symbol(const QString &code);

} // namespace CurrencyRates
