#include "Import.h"

#include "exchange/Export.h"
#include "model/CurrencyRates.h"
#include "model/Format.h"
#include "model/JsonWriter.h"
#include "settings/LocalizationManager.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringDecoder>

#include <cmath>

namespace Import {
namespace {

QString say(const char *en, const char *zh) {
    return LocalizationManager::shared().isZh() ? QString::fromUtf8(zh) : QString::fromUtf8(en);
}

constexpr double maxAmount = 1e9;

// Lower case, without blanks, underscores or hyphens: "Payment Cycle", "payment_cycle" and
// "paymentCycle" are one key.
QString keyOf(QStringView text) {
    QString key;
    key.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace() && c != u'_' && c != u'-')
            key += c.toLower();
    }
    return key;
}

using Fields = QHash<QString, QString>;

QString textOf(const QJsonValue &value) {
    if (value.isString())
        return value.toString().trimmed();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    if (value.isDouble()) {
        QByteArray text;
        if (!JsonWriter::appendNumber(text, value.toDouble()))
            return QStringLiteral("∞");
        return QString::fromLatin1(text);
    }
    return {};
}

Fields fieldsOf(const QJsonObject &object) {
    Fields fields;
    for (auto it = object.begin(); it != object.end(); ++it)
        fields.insert(keyOf(it.key()), textOf(it.value()));
    return fields;
}

// --- numbers -------------------------------------------------------------------------------------

// The digits and separators of an amount, and the text around them (a currency sign or code).
struct Split {
    QString number;
    QString sign;
};

Split split(QStringView text) {
    qsizetype begin = 0;
    while (begin < text.size() && !text[begin].isDigit())
        ++begin;
    qsizetype end = begin;
    while (end < text.size() && (text[end].isDigit() || text[end] == u'.' || text[end] == u',' ||
                                 text[end] == u' ' || text[end] == u'\u00A0' || text[end] == u'\''))
        ++end;
    // An exponent stays with its number, which then reads as no amount at all ("1e999").
    if (end < text.size() && end > begin && (text[end] == u'e' || text[end] == u'E')) {
        qsizetype e = end + 1;
        if (e < text.size() && (text[e] == u'+' || text[e] == u'-'))
            ++e;
        if (e < text.size() && text[e].isDigit()) {
            while (e < text.size() && text[e].isDigit())
                ++e;
            end = e;
        }
    }
    Split s;
    s.number = text.sliced(begin, end - begin).toString();
    s.number.remove(u' ').remove(u'\u00A0').remove(u'\'');
    QString sign = (text.first(begin).toString() + text.sliced(end).toString()).trimmed();
    if (sign.startsWith(u'-') && begin > 0) {
        s.number.prepend(u'-');
        sign = sign.mid(1).trimmed();
    }
    s.sign = sign;
    return s;
}

// Whether the number on its own says that its comma is the decimal one.
bool saysDecimalComma(QStringView number) {
    const qsizetype comma = number.lastIndexOf(u',');
    const qsizetype point = number.lastIndexOf(u'.');
    if (comma < 0)
        return false;
    if (point >= 0)
        return comma > point;
    return number.count(u',') == 1 && number.size() - comma - 1 != 3;
}

std::optional<double> parseNumber(QString number, bool decimalComma) {
    bool negative = number.startsWith(u'-');
    if (negative)
        number.remove(0, 1);
    const qsizetype comma = number.lastIndexOf(u',');
    const qsizetype point = number.lastIndexOf(u'.');
    bool commaDecimal = decimalComma;
    if (comma >= 0 && point >= 0)
        commaDecimal = comma > point;
    else if (comma >= 0 && (number.count(u',') > 1 || number.size() - comma - 1 == 3))
        commaDecimal = decimalComma && number.count(u',') == 1;
    if (commaDecimal) {
        number.remove(u'.');
        number.replace(u',', u'.');
    } else {
        number.remove(u',');
    }
    // Only plain digits with at most one point: no exponents, no words.
    if (number.isEmpty() || number.size() > 20 || number.count(u'.') > 1 || number.startsWith(u'.') ||
        number.endsWith(u'.'))
        return std::nullopt;
    for (const QChar c : number) {
        if (!c.isDigit() && c != u'.')
            return std::nullopt;
        if (c.isDigit() && c.unicode() > 127)
            return std::nullopt;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

// --- the fields of a record ----------------------------------------------------------------------

std::optional<QString> currencyOfSign(const QString &sign, bool namesJpy) {
    QString s = sign.toUpper();
    s.remove(u' ');
    if (s.isEmpty())
        return std::nullopt;
    // A code written beside the sign decides ("¥1500 JPY", "US$ USD").
    for (const QString &code : CurrencyRates::supportedCurrencies()) {
        if (s.size() > 3 && s.contains(code))
            return code;
    }
    if (s == u"¥" || s == u"￥")
        return namesJpy ? QStringLiteral("JPY") : QStringLiteral("CNY");
    static const QList<std::pair<QStringList, QString>> signs{
        {{QStringLiteral("$"), QStringLiteral("US$"), QStringLiteral("USD")}, QStringLiteral("USD")},
        {{QStringLiteral("€"), QStringLiteral("EUR")}, QStringLiteral("EUR")},
        {{QStringLiteral("£"), QStringLiteral("GBP")}, QStringLiteral("GBP")},
        {{QStringLiteral("CN¥"), QStringLiteral("元"), QStringLiteral("RMB"), QStringLiteral("CNY")},
         QStringLiteral("CNY")},
        {{QStringLiteral("JP¥"), QStringLiteral("円"), QStringLiteral("JPY")}, QStringLiteral("JPY")},
        {{QStringLiteral("HK$"), QStringLiteral("HKD")}, QStringLiteral("HKD")},
    };
    for (const auto &[names, code] : signs) {
        if (names.contains(s))
            return code;
    }
    return s; // unknown: reported as it stands
}

struct Cycle {
    BillingType type = BillingType::recurring;
    BillingCycle cycle = BillingCycle::monthly;
};

// "Monthly", "Every 3 Months", "quarterly", "weekly" with an interval of 1, "每月", "one-time"...
std::optional<Cycle> cycleOf(const QString &text, int interval = 1) {
    QString t = text.trimmed().toLower();
    t.replace(u'-', u' ').replace(u'_', u' ');
    t = t.simplified();
    if (t == u"one time" || t == u"onetime" || t == u"once" || t == u"lifetime" || t == u"单次")
        return Cycle{BillingType::oneTime, BillingCycle::monthly};
    for (const BillingCycle c : allBillingCycles()) {
        if (interval == 1 && t == rawValue(c))
            return Cycle{BillingType::recurring, c};
    }
    static const QHash<QString, QString> words{
        {QStringLiteral("daily"), QStringLiteral("day")},
        {QStringLiteral("day"), QStringLiteral("day")},
        {QStringLiteral("days"), QStringLiteral("day")},
        {QStringLiteral("weekly"), QStringLiteral("week")},
        {QStringLiteral("week"), QStringLiteral("week")},
        {QStringLiteral("weeks"), QStringLiteral("week")},
        {QStringLiteral("每周"), QStringLiteral("week")},
        {QStringLiteral("monthly"), QStringLiteral("month")},
        {QStringLiteral("month"), QStringLiteral("month")},
        {QStringLiteral("months"), QStringLiteral("month")},
        {QStringLiteral("每月"), QStringLiteral("month")},
        {QStringLiteral("quarterly"), QStringLiteral("quarter")},
        {QStringLiteral("quarter"), QStringLiteral("quarter")},
        {QStringLiteral("quarters"), QStringLiteral("quarter")},
        {QStringLiteral("每季"), QStringLiteral("quarter")},
        {QStringLiteral("yearly"), QStringLiteral("year")},
        {QStringLiteral("annually"), QStringLiteral("year")},
        {QStringLiteral("annual"), QStringLiteral("year")},
        {QStringLiteral("year"), QStringLiteral("year")},
        {QStringLiteral("years"), QStringLiteral("year")},
        {QStringLiteral("每年"), QStringLiteral("year")},
    };
    QStringList parts = t.split(u' ');
    if (!parts.isEmpty() && parts.front() == u"every")
        parts.removeFirst();
    int count = interval;
    if (parts.size() == 2) {
        bool ok = false;
        const int n = parts.front().toInt(&ok);
        if (!ok || n < 1)
            return std::nullopt;
        count *= n;
        parts.removeFirst();
    }
    if (parts.size() != 1 || !words.contains(parts.front()))
        return std::nullopt;
    const QString unit = words.value(parts.front());
    int months = 0;
    if (unit == u"week")
        return count == 1 ? std::optional(Cycle{BillingType::recurring, BillingCycle::weekly}) : std::nullopt;
    if (unit == u"month")
        months = count;
    else if (unit == u"quarter")
        months = 3 * count;
    else if (unit == u"year")
        months = 12 * count;
    switch (months) {
    case 1:
        return Cycle{BillingType::recurring, BillingCycle::monthly};
    case 3:
        return Cycle{BillingType::recurring, BillingCycle::quarterly};
    case 12:
        return Cycle{BillingType::recurring, BillingCycle::yearly};
    default:
        return std::nullopt;
    }
}

// A calendar date at the start of a text: "2025-03-07", "2025/03/07", "2025-03-07T10:00:00Z".
std::optional<QDate> dateOf(QStringView text) {
    text = text.trimmed();
    if (text.size() < 10 || (text.size() > 10 && text[10] != u'T' && text[10] != u' '))
        return std::nullopt;
    const QChar sep = text[4];
    if ((sep != u'-' && sep != u'/') || text[7] != sep)
        return std::nullopt;
    bool y = false, m = false, d = false;
    const QDate date(text.first(4).toInt(&y), text.sliced(5, 2).toInt(&m), text.sliced(8, 2).toInt(&d));
    if (!y || !m || !d || !date.isValid())
        return std::nullopt;
    return date;
}

// The start of a day as the list file stores it. Years near the ends of what the file can carry
// are refused, so that every imported record saves.
std::optional<QDateTime> startOf(QDate date, const QTimeZone &zone) {
    if (date.year() < 1000 || date.year() > 9998)
        return std::nullopt;
    const QDateTime start = date.startOfDay(zone);
    if (!start.isValid())
        return std::nullopt;
    return start.toUTC();
}

QString categoryOf(const QString &source) {
    const QString text = source.trimmed();
    if (text.isEmpty())
        return QStringLiteral("其他");
    for (const QString &category : standardCategories()) {
        if (text == category ||
            text.compare(::Format::categoryDisplay(category, false), Qt::CaseInsensitive) == 0)
            return category;
    }
    static const QList<std::pair<QStringList, QString>> keywords{
        {{QStringLiteral("ai"), QStringLiteral("tool"), QStringLiteral("productivity")},
         QStringLiteral("AI/工具")},
        {{QStringLiteral("stream"), QStringLiteral("video"), QStringLiteral("entertainment"),
          QStringLiteral("tv"), QStringLiteral("movie"), QStringLiteral("film")},
         QStringLiteral("影音")},
        {{QStringLiteral("music"), QStringLiteral("audio"), QStringLiteral("podcast")},
         QStringLiteral("音乐")},
        {{QStringLiteral("cloud"), QStringLiteral("storage"), QStringLiteral("backup")},
         QStringLiteral("云存储")},
        {{QStringLiteral("software"), QStringLiteral("app"), QStringLiteral("developer"),
          QStringLiteral("utilit")},
         QStringLiteral("软件")},
        {{QStringLiteral("game"), QStringLiteral("gaming")}, QStringLiteral("游戏")},
        {{QStringLiteral("news"), QStringLiteral("book"), QStringLiteral("reading"),
          QStringLiteral("magazine")},
         QStringLiteral("阅读")},
        {{QStringLiteral("member")}, QStringLiteral("会员")},
    };
    QStringList words;
    QString current;
    for (const QChar c : text.toLower() + u' ') {
        if (c >= u'a' && c <= u'z') {
            current += c;
        } else if (!current.isEmpty()) {
            words << current;
            current.clear();
        }
    }
    for (const auto &[stems, category] : keywords) {
        for (const QString &word : words) {
            for (const QString &stem : stems) {
                // Short stems are whole words ("ai", "tv", "app"), longer ones prefixes ("streaming").
                if (stem.size() <= 3 ? word == stem || word == stem + u's' : word.startsWith(stem))
                    return category;
            }
        }
    }
    return QStringLiteral("其他");
}

bool saysInactive(const QString &text) {
    static const QStringList words{QStringLiteral("cancelled"), QStringLiteral("canceled"),
                                   QStringLiteral("inactive"),  QStringLiteral("paused"),
                                   QStringLiteral("expired"),   QStringLiteral("ended"),
                                   QStringLiteral("disabled"),  QStringLiteral("no"),
                                   QStringLiteral("false"),     QStringLiteral("0")};
    return words.contains(text.trimmed().toLower());
}

// --- one entry of another tracker's export -------------------------------------------------------

// What the two other trackers' fields say, before it becomes a record.
struct Source {
    QString name;
    QString amount;   // may carry a sign: "€9.99"
    QString currency; // a code column, when the format has one
    std::optional<QString> cycle;
    int interval = 1;
    QString start;
    QString category;
    bool inactive = false;
    QString cancellation;
    QStringList notes;
};

Entry entryOf(const Source &source, bool decimalComma, const QDateTime &now, const QTimeZone &zone) {
    Entry entry;
    entry.name = source.name;
    const auto fail = [&entry](Problem::Kind kind, QString detail = {}) {
        entry.problem = Problem{kind, std::move(detail)};
        return entry;
    };
    if (source.name.isEmpty())
        return fail(Problem::Kind::missingName);
    const Split money = split(source.amount);
    if (money.number.isEmpty())
        return source.amount.isEmpty() ? fail(Problem::Kind::missingAmount)
                                       : fail(Problem::Kind::badAmount, source.amount);
    const auto amount = parseNumber(money.number, decimalComma);
    if (!amount || *amount < 0 || *amount > maxAmount)
        return fail(Problem::Kind::badAmount, source.amount);
    const bool namesJpy = source.currency.contains(QStringLiteral("JPY"), Qt::CaseInsensitive) ||
                          source.amount.contains(QStringLiteral("JPY"), Qt::CaseInsensitive) ||
                          source.notes.join(u' ').contains(QStringLiteral("JPY"), Qt::CaseInsensitive);
    QString currency = source.currency.isEmpty()
                           ? currencyOfSign(money.sign, namesJpy).value_or(QString())
                           : currencyOfSign(source.currency, namesJpy).value_or(QString());
    if (!CurrencyRates::supportedCurrencies().contains(currency))
        return fail(Problem::Kind::unknownCurrency, currency.isEmpty() ? source.amount : currency);
    Cycle cycle;
    if (source.cycle) {
        const auto parsed = cycleOf(*source.cycle, source.interval);
        if (!parsed) {
            const QString every = source.interval == 1
                                      ? *source.cycle
                                      : QStringLiteral("%1 × %2").arg(source.interval).arg(*source.cycle);
            return fail(Problem::Kind::unsupportedCycle, every);
        }
        cycle = *parsed;
    }
    const auto day = dateOf(source.start);
    const auto start = day ? startOf(*day, zone) : std::nullopt;
    if (!start)
        return fail(Problem::Kind::badDate, source.start);

    Subscription s;
    s.name = source.name;
    s.amount = *amount;
    s.currency = currency;
    s.billingType = cycle.type;
    s.cycle = cycle.cycle;
    s.startDate = *start;
    s.category = categoryOf(source.category);
    s.notes = source.notes.join(u'\n');
    const auto cancelled = dateOf(source.cancellation);
    s.isActive = !source.inactive && !(cancelled && *cancelled <= now.toTimeZone(zone).date());
    entry.record = s;
    return entry;
}

void addNote(QStringList &notes, const char *labelEn, const char *labelZh, const QString &value) {
    if (!value.isEmpty())
        notes << say(labelEn, labelZh) + value;
}

// An object of the JSON export with Name, Price, Payment Cycle, Next Payment...
Source priceSource(const Fields &f) {
    Source s;
    s.name = f.value(QStringLiteral("name"));
    s.amount = f.value(QStringLiteral("price"));
    if (f.contains(QStringLiteral("paymentcycle")) && !f.value(QStringLiteral("paymentcycle")).isEmpty())
        s.cycle = f.value(QStringLiteral("paymentcycle"));
    s.start = f.value(QStringLiteral("nextpayment"));
    s.category = f.value(QStringLiteral("category"));
    s.inactive =
        saysInactive(f.value(QStringLiteral("active"))) || saysInactive(f.value(QStringLiteral("state")));
    s.cancellation = f.value(QStringLiteral("cancellationdate"));
    if (!f.value(QStringLiteral("notes")).isEmpty())
        s.notes << f.value(QStringLiteral("notes"));
    addNote(s.notes, "Payment method: ", "付款方式：", f.value(QStringLiteral("paymentmethod")));
    addNote(s.notes, "Paid by: ", "付款人：", f.value(QStringLiteral("paidby")));
    addNote(s.notes, "URL: ", "网址：", f.value(QStringLiteral("url")));
    if (f.value(QStringLiteral("renewal")).compare(u"Manual", Qt::CaseInsensitive) == 0)
        s.notes << say("Renewed by hand", "手动续费");
    return s;
}

// A row or object of the export with Cost, Currency, Schedule, Schedule Interval, Status...
Source scheduleSource(const Fields &f) {
    Source s;
    s.name = f.value(QStringLiteral("name"));
    s.amount = f.value(QStringLiteral("cost"));
    s.currency = f.value(QStringLiteral("currency"));
    if (!f.value(QStringLiteral("schedule")).isEmpty())
        s.cycle = f.value(QStringLiteral("schedule"));
    bool ok = false;
    const int interval = f.value(QStringLiteral("scheduleinterval")).toInt(&ok);
    s.interval = ok && interval >= 1 && interval <= 1000 ? interval : 1;
    // The first charge day carries the day of month that the calendar keeps; the renewal date is
    // a charge day too when it is all there is.
    s.start = f.value(QStringLiteral("startdate"));
    if (!dateOf(s.start))
        s.start = f.value(QStringLiteral("renewaldate"));
    s.category = f.value(QStringLiteral("category"));
    s.inactive = saysInactive(f.value(QStringLiteral("status")));
    s.cancellation = f.value(QStringLiteral("cancellationdate"));
    if (!f.value(QStringLiteral("notes")).isEmpty())
        s.notes << f.value(QStringLiteral("notes"));
    addNote(s.notes, "Payment method: ", "付款方式：", f.value(QStringLiteral("paymentmethod")));
    addNote(s.notes, "Account: ", "账户：", f.value(QStringLiteral("account")));
    addNote(s.notes, "URL: ", "网址：", f.value(QStringLiteral("url")));
    return s;
}

// --- Renewly's own CSV ---------------------------------------------------------------------------

// Undoes the export's guard against formulas.
QString unguarded(const QString &cell) {
    return cell.startsWith(u'\'') && Export::needsGuard(cell) ? cell.mid(1) : cell;
}

Entry renewlyCsvEntry(const Fields &f, bool decimalComma, const QDateTime &now, const QTimeZone &zone) {
    Entry entry;
    entry.name = f.value(QStringLiteral("name"));
    const auto fail = [&entry](Problem::Kind kind, QString detail = {}) {
        entry.problem = Problem{kind, std::move(detail)};
        return entry;
    };
    if (entry.name.isEmpty())
        return fail(Problem::Kind::missingName);
    const QString amountText = f.value(QStringLiteral("amount"));
    if (amountText.isEmpty())
        return fail(Problem::Kind::missingAmount);
    const auto amount = parseNumber(amountText, decimalComma);
    if (!amount || std::abs(*amount) > maxAmount)
        return fail(Problem::Kind::badAmount, amountText);
    Subscription s;
    if (const auto id = parseUuid(f.value(QStringLiteral("id"))))
        s.id = *id;
    s.name = entry.name;
    s.amount = *amount;
    const QString currency = f.value(QStringLiteral("currency")).toUpper();
    s.currency = currency.isEmpty() ? QStringLiteral("CNY") : currency;
    if (!CurrencyRates::supportedCurrencies().contains(s.currency))
        return fail(Problem::Kind::unknownCurrency, s.currency);
    const QString cycleText = f.value(QStringLiteral("cycle"));
    const QString typeText = f.value(QStringLiteral("billingtype"));
    if (!cycleText.isEmpty()) {
        const auto cycle = cycleOf(cycleText);
        if (!cycle || cycle->type != BillingType::recurring)
            return fail(Problem::Kind::unsupportedCycle, cycleText);
        s.cycle = cycle->cycle;
    }
    if (!typeText.isEmpty()) {
        const auto type = billingTypeFromRaw(typeText);
        const auto once = cycleOf(typeText);
        if (!type && !(once && once->type == BillingType::oneTime))
            return fail(Problem::Kind::unsupportedCycle, typeText);
        s.billingType = type ? *type : BillingType::oneTime;
    }
    const QString startText = f.value(QStringLiteral("startdate"));
    if (startText.isEmpty()) {
        s.startDate = startOf(now.toTimeZone(zone).date(), zone).value_or(now.toUTC());
    } else if (const auto instant = parseInternetDateTime(startText)) {
        s.startDate = *instant;
    } else {
        const auto day = dateOf(startText);
        const auto start = day && startText.size() == 10 ? startOf(*day, zone) : std::nullopt;
        if (!start)
            return fail(Problem::Kind::badDate, startText);
        s.startDate = *start;
    }
    const QString category = f.value(QStringLiteral("category"));
    s.category = category.isEmpty() ? QStringLiteral("其他") : category;
    s.notes = f.value(QStringLiteral("notes"));
    const QString active = f.value(QStringLiteral("isactive"));
    s.isActive = active.isEmpty() || !saysInactive(active);
    entry.record = s;
    return entry;
}

// --- CSV text -------------------------------------------------------------------------------------

struct Table {
    QList<QStringList> rows;
    QString error;
};

// RFC 4180 with either comma or semicolon: quoted cells may hold separators, quotes doubled and
// line breaks. Blank lines are skipped.
Table readCsv(QStringView text, QChar separator) {
    Table table;
    QStringList row;
    QString cell;
    bool quoted = false;    // inside quotes
    bool wasQuoted = false; // the cell had quotes, which have closed
    int line = 1;
    int quoteLine = 0;
    const auto endCell = [&] {
        row << (wasQuoted ? cell : cell.trimmed());
        cell.clear();
        wasQuoted = false;
    };
    const auto endRow = [&] {
        endCell();
        const bool blank =
            std::all_of(row.cbegin(), row.cend(), [](const QString &c) { return c.isEmpty(); });
        if (!blank)
            table.rows << row;
        row.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    cell += u'"';
                    ++i;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (c == u'\n')
                    ++line;
                cell += c;
            }
            continue;
        }
        if (c == u'"') {
            if (wasQuoted || !cell.trimmed().isEmpty()) {
                table.error =
                    say("a quotation mark in the middle of a cell on line %1", "第 %1 行的单元格中间有引号")
                        .arg(line);
                return table;
            }
            cell.clear();
            quoted = true;
            quoteLine = line;
        } else if (c == separator) {
            endCell();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++line;
            endRow();
            if (table.rows.size() > maxEntries + 1) {
                table.error = say("more than %1 rows", "超过 %1 行").arg(maxEntries);
                return table;
            }
        } else if (wasQuoted) {
            if (!c.isSpace()) {
                table.error =
                    say("text after a closing quotation mark on line %1", "第 %1 行的引号后还有文字")
                        .arg(line);
                return table;
            }
        } else {
            cell += c;
        }
    }
    if (quoted) {
        table.error = say("a quotation mark opened on line %1 is never closed", "第 %1 行的引号没有闭合")
                          .arg(quoteLine);
        return table;
    }
    endRow();
    if (table.rows.size() > maxEntries + 1)
        table.error = say("more than %1 rows", "超过 %1 行").arg(maxEntries);
    return table;
}

// Whether the amounts of a file write their decimals after a comma.
bool usesDecimalComma(const QStringList &amounts) {
    return std::any_of(amounts.cbegin(), amounts.cend(),
                       [](const QString &amount) { return saysDecimalComma(split(amount).number); });
}

Result fail(QString error) {
    return Result{std::nullopt, std::move(error)};
}

Result readCsvText(const QString &text, const QDateTime &now, const QTimeZone &zone) {
    // The separator is the one the header row uses: spreadsheets set to a decimal comma write ";".
    const qsizetype lineEnd = text.indexOf(u'\n');
    const QStringView firstLine = QStringView(text).first(lineEnd < 0 ? text.size() : lineEnd);
    const QChar separator = firstLine.count(u';') > firstLine.count(u',') ? u';' : u',';
    const Table table = readCsv(text, separator);
    if (!table.error.isEmpty())
        return fail(table.error);
    if (table.rows.isEmpty())
        return fail(say("the file is empty", "文件是空的"));
    QStringList header;
    for (const QString &cell : table.rows.front())
        header << keyOf(cell);
    Format format;
    QString amountKey;
    if (header.contains(u"cost") && header.contains(u"schedule") && header.contains(u"name")) {
        format = Format::scheduleCsv;
        amountKey = QStringLiteral("cost");
    } else if (header.contains(u"name") && header.contains(u"amount")) {
        format = Format::renewlyCsv;
        amountKey = QStringLiteral("amount");
    } else {
        return fail(
            say("not a list Renewly can read: a CSV file needs a header row naming at least name and amount",
                "不是 Renewly 能读的清单：CSV 文件需要标题行，至少含 name 和 amount 两列"));
    }
    QList<Fields> rows;
    rows.reserve(table.rows.size() - 1);
    for (qsizetype r = 1; r < table.rows.size(); ++r) {
        const QStringList &cells = table.rows[r];
        Fields f;
        for (qsizetype c = 0; c < header.size(); ++c) {
            const QString cell = c < cells.size() ? cells[c] : QString();
            f.insert(header[c], format == Format::renewlyCsv ? unguarded(cell) : cell);
        }
        rows << f;
    }
    QStringList amounts;
    for (const Fields &f : rows)
        amounts << f.value(amountKey);
    const bool decimalComma = separator == u';' || usesDecimalComma(amounts);
    Preview preview{format, {}};
    preview.entries.reserve(rows.size());
    for (const Fields &f : rows) {
        preview.entries << (format == Format::renewlyCsv
                                ? renewlyCsvEntry(f, decimalComma, now, zone)
                                : entryOf(scheduleSource(f), decimalComma, now, zone));
    }
    return Result{preview, {}};
}

// --- JSON -----------------------------------------------------------------------------------------

Result readJsonText(const QByteArray &bytes, const QDateTime &now, const QTimeZone &zone) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(say("not valid JSON: %1 at byte %2", "不是有效的 JSON：%1（第 %2 字节）")
                        .arg(error.errorString())
                        .arg(error.offset));
    QJsonArray items;
    std::optional<Format> format;
    if (document.isArray()) {
        items = document.array();
    } else {
        const QJsonObject root = document.object();
        const QJsonValue list = root.value(QStringLiteral("subscriptions"));
        if (!list.isArray())
            return fail(say("not a list Renewly can read: a JSON object needs a \"subscriptions\" list",
                            "不是 Renewly 能读的清单：JSON 对象里需要 \"subscriptions\" 列表"));
        items = list.toArray();
        if (root.contains(QStringLiteral("success")))
            format = Format::priceJson;
        else if (root.contains(QStringLiteral("exported_at")) || root.contains(QStringLiteral("total_count")))
            format = Format::scheduleJson;
    }
    if (items.size() > maxEntries)
        return fail(say("more than %1 entries", "超过 %1 条").arg(maxEntries));
    // The first object names the format when the wrapper did not.
    for (const QJsonValue &item : std::as_const(items)) {
        if (format || !item.isObject())
            continue;
        const QJsonObject o = item.toObject();
        if (o.contains(QStringLiteral("billingType")) || o.contains(QStringLiteral("isActive")))
            format = Format::renewlyJson;
        else {
            const Fields f = fieldsOf(o);
            if (f.contains(QStringLiteral("price")) || f.contains(QStringLiteral("nextpayment")))
                format = Format::priceJson;
            else if (f.contains(QStringLiteral("cost")) || f.contains(QStringLiteral("schedule")))
                format = Format::scheduleJson;
        }
        break;
    }
    if (!format) {
        if (items.isEmpty())
            format = Format::renewlyJson;
        else
            return fail(say("not a list Renewly can read: the JSON entries have no fields it knows",
                            "不是 Renewly 能读的清单：JSON 条目里没有认得的字段"));
    }
    Preview preview{*format, {}};
    preview.entries.reserve(items.size());
    if (*format == Format::renewlyJson) {
        for (const QJsonValue &item : std::as_const(items)) {
            Entry entry;
            entry.name = item.toObject().value(QStringLiteral("name")).toString();
            if (auto record = Subscription::fromJson(item)) {
                if (!CurrencyRates::supportedCurrencies().contains(record->currency))
                    entry.problem = Problem{Problem::Kind::unknownCurrency, record->currency};
                else
                    entry.record = std::move(record);
            } else {
                entry.problem = Problem{Problem::Kind::badRecord, {}};
            }
            preview.entries << entry;
        }
        return Result{preview, {}};
    }
    QList<Fields> objects;
    objects.reserve(items.size());
    QStringList amounts;
    const QString amountKey = *format == Format::priceJson ? QStringLiteral("price") : QStringLiteral("cost");
    for (const QJsonValue &item : std::as_const(items)) {
        objects << (item.isObject() ? fieldsOf(item.toObject()) : Fields());
        amounts << objects.back().value(amountKey);
    }
    const bool decimalComma = usesDecimalComma(amounts);
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (!items[i].isObject()) {
            preview.entries << Entry{{}, std::nullopt, Problem{Problem::Kind::badRecord, {}}, false};
            continue;
        }
        const Source source =
            *format == Format::priceJson ? priceSource(objects[i]) : scheduleSource(objects[i]);
        preview.entries << entryOf(source, decimalComma, now, zone);
    }
    return Result{preview, {}};
}

} // namespace

QString describe(const Problem &problem, bool zh) {
    const auto pick = [zh](const char *en, const char *cn) { return QString::fromUtf8(zh ? cn : en); };
    // The offending text on one short line, whatever the file held.
    QString detail = problem.detail.simplified();
    detail.removeIf([](QChar c) { return c.category() == QChar::Other_Control || c.isNonCharacter(); });
    if (detail.size() > 40)
        detail = detail.first(39) + u'…';
    switch (problem.kind) {
    case Problem::Kind::missingName:
        return pick("no name", "没有名称");
    case Problem::Kind::missingAmount:
        return pick("no amount", "没有金额");
    case Problem::Kind::badAmount:
        return pick("amount \"%1\" is not one Renewly can hold", "金额“%1”无法记录").arg(detail);
    case Problem::Kind::unknownCurrency:
        return pick("unknown currency \"%1\"", "不认识的币种“%1”").arg(detail);
    case Problem::Kind::unsupportedCycle:
        return pick("Renewly has no cycle \"%1\"", "Renewly 没有“%1”这种周期").arg(detail);
    case Problem::Kind::badDate:
        return detail.isEmpty() ? pick("no date to start from", "没有起始日期")
                                : pick("date \"%1\" cannot be read", "日期“%1”无法读取").arg(detail);
    case Problem::Kind::badRecord:
        return pick("not a record Renewly can read", "不是 Renewly 能读的记录");
    }
    return {};
}

QString formatName(Format format) {
    switch (format) {
    case Format::renewlyJson:
        return QStringLiteral("renewly-json");
    case Format::renewlyCsv:
        return QStringLiteral("renewly-csv");
    case Format::priceJson:
        return QStringLiteral("price-json");
    case Format::scheduleCsv:
        return QStringLiteral("schedule-csv");
    case Format::scheduleJson:
        return QStringLiteral("schedule-json");
    }
    return {};
}

QString formatTitle(Format format, bool zh) {
    switch (format) {
    case Format::renewlyJson:
        return QStringLiteral("Renewly JSON");
    case Format::renewlyCsv:
        return QStringLiteral("Renewly CSV");
    case Format::priceJson:
        return zh ? QStringLiteral("其他记账工具的 JSON（Price、Payment Cycle）")
                  : QStringLiteral("Another tracker's JSON (Price, Payment Cycle)");
    case Format::scheduleCsv:
        return zh ? QStringLiteral("其他记账工具的 CSV（Cost、Schedule）")
                  : QStringLiteral("Another tracker's CSV (Cost, Schedule)");
    case Format::scheduleJson:
        return zh ? QStringLiteral("其他记账工具的 JSON（cost、schedule）")
                  : QStringLiteral("Another tracker's JSON (cost, schedule)");
    }
    return {};
}

namespace {
// What two records that look like the same share: one key, so that a file is checked against a long
// list by lookup rather than by comparing every pair.
QString lookOf(const Subscription &s) {
    return s.name.trimmed().toCaseFolded() + u'\n' + QString::number(std::llround(s.amount * 100)) + u'\n' +
           s.currency.toUpper() + u'\n' + rawValue(s.cycle);
}
} // namespace

bool looksLikeSame(const Subscription &a, const Subscription &b) {
    return lookOf(a) == lookOf(b);
}

Result read(const QByteArray &bytes, const QList<Subscription> &existing, const QDateTime &now,
            const QTimeZone &zone) {
    if (bytes.size() > maxBytes)
        return fail(say("the file is larger than %1 MB", "文件超过 %1 MB").arg(maxBytes >> 20));
    // UTF-8, with or without its mark; UTF-16 when the file starts with its mark.
    const auto encoding = QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8);
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        return fail(say("not a text file", "不是文本文件"));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.isEmpty())
        return fail(say("the file is empty", "文件是空的"));
    Result result = trimmed.front() == u'[' || trimmed.front() == u'{'
                        ? readJsonText(trimmed.toUtf8(), now, zone)
                        : readCsvText(text, now, zone);
    if (!result.preview)
        return result;
    QSet<QUuid> ids;
    QSet<QString> looks;
    for (const Subscription &s : existing) {
        ids.insert(s.id);
        looks.insert(lookOf(s));
    }
    for (Entry &entry : result.preview->entries) {
        if (!entry.record)
            continue;
        Subscription &s = *entry.record;
        while (ids.contains(s.id))
            s.id = QUuid::createUuid();
        ids.insert(s.id);
        entry.duplicate = looks.contains(lookOf(s));
    }
    return result;
}

Result readFile(const QString &path, const QList<Subscription> &existing, const QDateTime &now,
                const QTimeZone &zone) {
    const QFileInfo info(path);
    if (!info.exists())
        return fail(say("no such file", "文件不存在"));
    if (!info.isFile())
        return fail(say("not a regular file", "不是普通文件"));
    if (info.size() > maxBytes)
        return fail(say("the file is larger than %1 MB", "文件超过 %1 MB").arg(maxBytes >> 20));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(say("cannot be opened: %1", "无法打开：%1").arg(file.errorString()));
    // One byte over the limit is enough to know the file grew past it while being read.
    const QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(say("cannot be read: %1", "无法读取：%1").arg(file.errorString()));
    return read(bytes, existing, now, zone);
}

QList<Subscription> importable(const Preview &preview) {
    QList<Subscription> records;
    for (const Entry &entry : preview.entries) {
        if (entry.record && !entry.duplicate)
            records << *entry.record;
    }
    return records;
}

} // namespace Import
