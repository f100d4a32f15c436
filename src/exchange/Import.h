#pragma once

#include "model/Subscription.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Reads a list written by Renewly or exported by another tracker and proposes records for it. The
// format is recognised from the content; nothing here touches the store.
namespace Import {

// Why an entry cannot become a record.
struct Problem {
    enum class Kind {
        missingName,
        missingAmount,
        badAmount,
        unknownCurrency,
        unsupportedCycle,
        badDate,
        badRecord
    };
    Kind kind = Kind::badRecord;
    // The offending text, when there is one.
    QString detail;
};
// One line, in the interface language when `zh` is given, else in English.
QString describe(const Problem &problem, bool zh = false);

struct Entry {
    // The name the source gives, shown even when no record could be made.
    QString name;
    // Set exactly when there is no problem.
    std::optional<Subscription> record;
    std::optional<Problem> problem;
    // Same name, amount, currency and cycle as a record already in the list.
    bool duplicate = false;
};

enum class Format { renewlyJson, renewlyCsv, priceJson, scheduleCsv, scheduleJson };
// The name the companion prints: "renewly-json", "renewly-csv", "price-json", "schedule-csv",
// "schedule-json".
QString formatName(Format format);
// A name for people, in the interface language when `zh` is given.
QString formatTitle(Format format, bool zh);

struct Preview {
    Format format = Format::renewlyJson;
    QList<Entry> entries;
};

// Either the preview, or one line saying why the file was not understood.
struct Result {
    std::optional<Preview> preview;
    QString error;
};

// Larger files are refused unread: a real list is a few hundred kilobytes.
inline constexpr qint64 maxBytes = qint64(16) << 20;
inline constexpr qsizetype maxEntries = 100000;

// Recognises the format of `bytes` and maps every entry. Records whose id is already in `existing`
// (or earlier in the file) get a fresh one. Dates without a time are taken as the start of that day
// in `zone`; `now` decides what a cancellation date has already ended.
Result read(const QByteArray &bytes, const QList<Subscription> &existing, const QDateTime &now,
            const QTimeZone &zone);
// The same for a file; a missing, unreadable or oversized file gives its reason.
Result readFile(const QString &path, const QList<Subscription> &existing, const QDateTime &now,
                const QTimeZone &zone);

// The ticked records of a preview, as the preview proposes them: entries with a record that are not
// duplicates.
QList<Subscription> importable(const Preview &preview);

// Same name (ignoring case and surrounding blanks), amount to the cent, currency and cycle.
bool looksLikeSame(const Subscription &a, const Subscription &b);

} // namespace Import
