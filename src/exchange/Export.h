#pragma once

#include "model/Subscription.h"

#include <QByteArray>
#include <QDate>
#include <QList>

#include <optional>

// The list written out for other programs: the list file's JSON, a spreadsheet's CSV and a
// calendar's iCalendar file.
namespace Export {

enum class Format { json, csv, ics };
// "json", "csv" or "ics".
std::optional<Format> formatNamed(QStringView name);
QString suffix(Format format);

// Exactly the list file's text. Nothing when a record cannot be written as JSON.
std::optional<QByteArray> json(const QList<Subscription> &subscriptions);

// The CSV columns, in order.
const QStringList &csvColumns();
// UTF-8 with a byte-order mark, CRLF line ends, cells quoted where they need it. A cell starting
// with = + - @, a tab or a carriage return gets a leading apostrophe, so that a spreadsheet does not
// read it as a formula.
QByteArray csv(const QList<Subscription> &subscriptions, const QDateTime &now, const QTimeZone &zone);
// The cell as the CSV writes it, before quoting: with an apostrophe in front when it starts with one
// of those characters, after any apostrophes of its own (so that reading drops exactly the one added).
QString guardedCell(const QString &text);
bool needsGuard(QStringView text);

// Charge days of one record from `today` up to but not including `until`, by the billing calendar.
QList<QDate> chargeDays(const Subscription &subscription, QDate today, QDate until, const QTimeZone &zone);
// One all-day event per charge of every active record in the twelve months from today.
QByteArray ics(const QList<Subscription> &subscriptions, const QDateTime &now, const QTimeZone &zone);

// One of the above by format; nothing only for JSON that cannot be written.
std::optional<QByteArray> write(Format format, const QList<Subscription> &subscriptions, const QDateTime &now,
                                const QTimeZone &zone);

} // namespace Export
