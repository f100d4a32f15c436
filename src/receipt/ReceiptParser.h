#pragma once

#include "model/Subscription.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>
#include <vector>

// Turns the text recognised in one receipt screenshot (lines joined with "\n") into a proposed
// subscription. Every field has a default, so any text yields a complete record. Stateless: calls
// from several threads at once are independent.
namespace ReceiptParser {

// `now` is the start date when the text holds no date; dates found in the text are read as
// calendar days in `zone`. The notes heading follows the interface language of the moment.
Subscription parse(const QString &text, const QDateTime &now, const QTimeZone &zone);
// The same at the current moment in the system time zone.
Subscription parse(const QString &text);

// The words written in Chinese characters, three or more, that the parser tells services, plans,
// periods and fields by: a recogniser torn between look-alike characters may choose those that
// spell one. Shorter words are spelt by chance too often ("季度" and "年度" differ in one).
const QStringList &chineseWords();

// The single steps, each a function of the whole text. Exposed for tests.
namespace detail {

// The text as the steps read it. Unpaired surrogates become U+FFFD (the regular-expression engine
// refuses a subject holding them, which would silently disable every pattern); the replacement
// keeps every UTF-16 offset. `lower` is the Unicode default lower-case mapping of `original`.
struct Text {
    explicit Text(const QString &raw);
    QString original;
    QString lower;
};

// An amount candidate; `location` is where its whole match starts, in UTF-16 code units.
struct Cand {
    double value = 0;
    QString currency;
    qsizetype location = 0;
};

struct Amount {
    double value = 0;
    QString currency;
};

// All candidates of the four passes, pass by pass, each pass in text order.
std::vector<Cand> amountCandidates(const Text &text);
std::optional<Amount> detectAmount(const Text &text);
std::optional<BillingCycle> detectCycle(const Text &text);
std::optional<BillingCycle> detectNumberUnitCycle(const Text &text);
// The period written after the price `amount` wherever it stands, if any.
std::optional<BillingCycle> detectPriceCycle(const Text &text, const Amount &amount);
BillingType detectType(const Text &text);
// The start of the start date's day in `zone`, as a UTC instant: the date labelled as the purchase
// or the start, else the first date not labelled as one to come, else a renewal or end date less one
// `cycle` (for a recurring `type`).
std::optional<QDateTime> detectDate(const Text &text, const QTimeZone &zone, BillingCycle cycle,
                                    BillingType type);
// The same with the cycle and type the text names.
std::optional<QDateTime> detectDate(const Text &text, const QTimeZone &zone);
std::optional<QString> detectName(const Text &text);
// On one cleaned line.
bool isNoise(const QString &line);
QString guessCategory(const QString &name, const Text &text);
// Empty for an empty text; otherwise the heading and the first six lines.
QString scannedTextNote(const QString &text, bool isZh);

} // namespace detail
} // namespace ReceiptParser
