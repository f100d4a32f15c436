#include "Export.h"

#include "model/BillingCalendar.h"
#include "model/Format.h"
#include "model/JsonWriter.h"
#include "store/SubscriptionFile.h"

#include <cmath>
#include <cstdio>

namespace Export {

std::optional<Format> formatNamed(QStringView name) {
    if (name == u"json")
        return Format::json;
    if (name == u"csv")
        return Format::csv;
    if (name == u"ics")
        return Format::ics;
    return std::nullopt;
}

QString suffix(Format format) {
    switch (format) {
    case Format::json:
        return QStringLiteral("json");
    case Format::csv:
        return QStringLiteral("csv");
    case Format::ics:
        return QStringLiteral("ics");
    }
    return {};
}

std::optional<QByteArray> json(const QList<Subscription> &subscriptions) {
    return SubscriptionFile::encode(subscriptions);
}

const QStringList &csvColumns() {
    static const QStringList columns{
        QStringLiteral("id"),       QStringLiteral("name"),       QStringLiteral("amount"),
        QStringLiteral("currency"), QStringLiteral("cycle"),      QStringLiteral("billingType"),
        QStringLiteral("category"), QStringLiteral("startDate"),  QStringLiteral("isActive"),
        QStringLiteral("notes"),    QStringLiteral("nextCharge"), QStringLiteral("monthlyCNY"),
    };
    return columns;
}

bool needsGuard(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'')
        ++i;
    if (i == text.size())
        return false;
    const QChar c = text[i];
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

QString guardedCell(const QString &text) {
    return needsGuard(text) ? u'\'' + text : text;
}

namespace {

void appendCell(QByteArray &out, const QString &text) {
    const QString cell = guardedCell(text);
    const bool quoted = cell.contains(u',') || cell.contains(u'"') || cell.contains(u'\n') ||
                        cell.contains(u'\r') || cell.startsWith(u' ') || cell.endsWith(u' ');
    if (!quoted) {
        out += cell.toUtf8();
        return;
    }
    out += '"';
    out += QString(cell).replace(u'"', QStringLiteral("\"\"")).toUtf8();
    out += '"';
}

// The shortest text that reads back as the same number, without an exponent: spreadsheets and
// readers of plain decimals take "1000000000", not "1e+09".
QString number(double value) {
    QByteArray shortest;
    JsonWriter::appendNumber(shortest, value);
    if (!shortest.contains('e'))
        return QString::fromLatin1(shortest);
    for (int decimals = 0; decimals <= 20; ++decimals) {
        const QString text = QString::number(value, 'f', decimals);
        if (text.toDouble() == value)
            return text;
    }
    return QString::fromLatin1(shortest);
}

} // namespace

QByteArray csv(const QList<Subscription> &subscriptions, const QDateTime &now, const QTimeZone &zone) {
    QByteArray out("\xEF\xBB\xBF");
    out.reserve(subscriptions.size() * 200 + 128);
    out += csvColumns().join(u',').toLatin1();
    out += "\r\n";
    const QDate today = BillingCalendar::localDate(now, zone);
    for (const Subscription &s : subscriptions) {
        const auto next =
            BillingCalendar::nextChargeDay(s, BillingCalendar::localDate(s.startDate, zone), today);
        const QString cells[] = {
            uuidText(s.id),
            s.name,
            number(s.amount),
            s.currency,
            rawValue(s.cycle),
            rawValue(s.billingType),
            s.category,
            formatInternetDateTime(s.startDate),
            s.isActive ? QStringLiteral("true") : QStringLiteral("false"),
            s.notes,
            next ? next->toString(Qt::ISODate) : QString(),
            number(std::round(s.monthlyAmountInCNY() * 100) / 100),
        };
        bool first = true;
        for (const QString &cell : cells) {
            if (!first)
                out += ',';
            first = false;
            appendCell(out, cell);
        }
        out += "\r\n";
    }
    return out;
}

QList<QDate> chargeDays(const Subscription &s, QDate today, QDate until, const QTimeZone &zone) {
    QList<QDate> days;
    auto day = BillingCalendar::nextChargeDay(s, BillingCalendar::localDate(s.startDate, zone), today);
    while (day && *day >= today && *day < until) {
        days.append(*day);
        if (s.billingType == BillingType::oneTime)
            break;
        // Each charge day is the next one's first day: one step of the calendar from it, clamped
        // to the end of a short month as the calendar does.
        const QDate after = day->addDays(1);
        const auto next = BillingCalendar::nextRecurringDay(*day, after, s.cycle);
        if (!next || *next < after)
            break;
        day = next;
    }
    return days;
}

namespace {

QString icsText(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\' || c == u';' || c == u',')
            out += u'\\', out += c;
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c != u'\r' && (c.unicode() >= 0x20 || c == u'\t'))
            out += c;
    }
    return out;
}

// A content line folded at 75 octets without splitting a UTF-8 sequence, ended by CRLF.
void appendLine(QByteArray &out, const QByteArray &line) {
    qsizetype pos = 0;
    qsizetype room = 75;
    while (line.size() - pos > room) {
        qsizetype cut = pos + room;
        while (cut > pos && (uchar(line[cut]) & 0xC0) == 0x80)
            --cut;
        out += QByteArrayView(line).sliced(pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        room = 74;
    }
    out += QByteArrayView(line).sliced(pos);
    out += "\r\n";
}

void appendLine(QByteArray &out, const QString &line) {
    appendLine(out, line.toUtf8());
}

} // namespace

namespace {
// "20250307": QDate::toString is slow for the hundred thousand dates of a long list.
void appendBasicDate(QByteArray &out, QDate day) {
    int y, m, d;
    day.getDate(&y, &m, &d);
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
    out.append(text, n);
}
} // namespace

QByteArray ics(const QList<Subscription> &subscriptions, const QDateTime &now, const QTimeZone &zone) {
    QByteArray out;
    appendLine(out, QByteArrayLiteral("BEGIN:VCALENDAR"));
    appendLine(out, QByteArrayLiteral("VERSION:2.0"));
    appendLine(out, QByteArrayLiteral("PRODID:-//Renewly//Renewly//EN"));
    appendLine(out, QByteArrayLiteral("CALSCALE:GREGORIAN"));
    appendLine(out, QByteArrayLiteral("X-WR-CALNAME:Renewly"));
    const QByteArray stamp = "DTSTAMP:" + now.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'").toLatin1() + "\r\n";
    const QDate today = BillingCalendar::localDate(now, zone);
    const QDate until = today.addMonths(12);
    // The days first, so that the whole text is allocated once: a long list makes tens of megabytes,
    // and growing the buffer step by step would copy them over and over.
    QList<QList<QDate>> days(subscriptions.size());
    qsizetype events = 0;
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        if (subscriptions[i].isActive)
            days[i] = chargeDays(subscriptions[i], today, until, zone);
        events += days[i].size();
    }
    out.reserve(out.size() + events * 420 + 32);
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        if (days[i].isEmpty())
            continue;
        const Subscription &s = subscriptions[i];
        const QByteArray id = uuidText(s.id).toLatin1();
        // The lines every event of the record shares, folded once.
        QByteArray shared;
        appendLine(shared, QStringLiteral("SUMMARY:") + icsText(s.name + QStringLiteral(" · ") +
                                                                ::Format::money(s.amount, s.currency)));
        if (!s.notes.isEmpty())
            appendLine(shared, QStringLiteral("DESCRIPTION:") + icsText(s.notes));
        shared += "TRANSP:TRANSPARENT\r\nEND:VEVENT\r\n";
        if (out.capacity() - out.size() < days[i].size() * (200 + shared.size()))
            out.reserve(out.size() + days[i].size() * (200 + shared.size()) + (events << 8));
        for (const QDate day : std::as_const(days[i])) {
            out += "BEGIN:VEVENT\r\nUID:";
            out += id;
            out += '-';
            appendBasicDate(out, day);
            out += "\r\n";
            out += stamp;
            out += "DTSTART;VALUE=DATE:";
            appendBasicDate(out, day);
            out += "\r\nDTEND;VALUE=DATE:";
            appendBasicDate(out, day.addDays(1));
            out += "\r\n";
            out += shared;
        }
    }
    appendLine(out, QByteArrayLiteral("END:VCALENDAR"));
    return out;
}

std::optional<QByteArray> write(Format format, const QList<Subscription> &subscriptions, const QDateTime &now,
                                const QTimeZone &zone) {
    switch (format) {
    case Format::json:
        return json(subscriptions);
    case Format::csv:
        return csv(subscriptions, now, zone);
    case Format::ics:
        return ics(subscriptions, now, zone);
    }
    return std::nullopt;
}

} // namespace Export
