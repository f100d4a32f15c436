#include "FuzzEntries.h"

#include "NotificationManager.h"
#include "exchange/Import.h"
#include "model/BillingCalendar.h"
#include "model/Format.h"
#include "receipt/ReceiptParser.h"
#include "store/Aggregates.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace FuzzEntries {

void fail(const char *what, const char *file, int line) {
    std::fprintf(stderr, "broken property: %s (%s:%d)\n", what, file, line);
    std::abort();
}

QTimeZone fixedZone() {
    // Daylight-saving changes make the calendar arithmetic of this zone the harder one.
    static const QTimeZone zone("America/New_York");
    return zone;
}

QDateTime fixedNow() {
    // The evening before the spring change of clocks.
    return QDateTime(QDate(2025, 3, 8), QTime(22, 30), fixedZone());
}

namespace {

QByteArray bytesOf(const uint8_t *data, size_t size) {
    // A copy, so that the sanitizer sees reads beyond the input's end.
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Everything the views, the command line and the reminders work out from a loaded list.
void exerciseList(const QList<Subscription> &subscriptions) {
    const QDateTime now = fixedNow();
    const QTimeZone zone = fixedZone();
    const QDate today = now.toTimeZone(zone).date();
    // Zone offsets cached over the year around now, and over all start dates as the aggregates do.
    qint64 earliest = now.toMSecsSinceEpoch(), latest = earliest;
    for (const Subscription &s : subscriptions) {
        earliest = std::min(earliest, s.startDate.toMSecsSinceEpoch());
        latest = std::max(latest, s.startDate.toMSecsSinceEpoch());
    }
    const BillingCalendar::LocalDates nearDates(zone, now.addYears(-1).toMSecsSinceEpoch(),
                                                now.addYears(1).toMSecsSinceEpoch());
    const BillingCalendar::LocalDates allDates(zone, earliest, latest);
    for (const Subscription &s : subscriptions) {
        const QDate first = BillingCalendar::localDate(s.startDate, zone);
        FUZZ_CHECK(first.isValid(), "a loaded start date has a calendar day");
        FUZZ_CHECK(nearDates.of(s.startDate) == first && allDates.of(s.startDate) == first,
                   "the cached zone offsets give the zone's own day");
        // The fast rule must agree with walking the periods one by one wherever the walk gets there.
        if (std::abs(first.daysTo(today)) < 366 * 500) {
            for (BillingCycle cycle : allBillingCycles())
                FUZZ_CHECK(BillingCalendar::nextRecurringDay(first, today, cycle) ==
                               BillingCalendar::nextRecurringDayByStepping(first, today, cycle),
                           "the next charge day equals the period-by-period walk");
        }
        // Past only where the walk stops at its cap of steps, far behind today.
        if (const auto next = s.nextCharge(now, zone))
            FUZZ_CHECK(next->days == today.daysTo(next->day),
                       "days until the next charge count calendar days");
        (void)s.monthlyAmountInCNY();
        (void)Format::money(s.amount, s.currency);
        (void)Format::money(s.monthlyAmountInCurrency(), s.currency);
        (void)Format::categoryDisplay(s.category, false);
        for (int daysBefore : {0, 3, 7, 1000000000, -1000000000})
            (void)NotificationManager::reminderRequest(s, daysBefore, now, zone);
    }
    const double total = Aggregates::totalMonthlyCNY(subscriptions);
    (void)Format::base(total, true);
    (void)Format::base(total, false);
    for (int within : {0, 7, 36500}) {
        for (const UpcomingCharge &charge : Aggregates::upcoming(subscriptions, within, now, zone))
            FUZZ_CHECK(charge.days >= 0 && charge.days <= within, "an upcoming charge lies in its window");
    }
    FUZZ_CHECK(sortedSubs(subscriptions).size() == subscriptions.size(), "sorting keeps every record");
    const SummaryFigures figures = summaryFigures(subscriptions, now, zone);
    FUZZ_CHECK(figures.active <= subscriptions.size() && figures.dueSoon <= figures.active,
               "summary counts fit the list");
}

bool sameRecords(const QList<Subscription> &a, const QList<Subscription> &b) {
    return a == b;
}

} // namespace

void subscriptionFile(const uint8_t *data, size_t size) {
    const QByteArray bytes = bytesOf(data, size);
    const auto decoded = SubscriptionFile::decode(bytes);
    const auto parsed = SubscriptionFile::decodeDocument(bytes);
    FUZZ_CHECK(decoded == parsed, "the plain form's reader and the JSON parser agree");
    if (!decoded)
        return;
    for (qsizetype i = 0; i < decoded->size(); ++i)
        FUZZ_CHECK(std::signbit(decoded->at(i).amount) == std::signbit(parsed->at(i).amount),
                   "the readers agree on the sign of a zero amount");
    // What was read is what the next save writes, and that reads back the same.
    const auto encoded = SubscriptionFile::encode(*decoded);
    FUZZ_CHECK(encoded, "a decoded list can be written");
    const auto again = SubscriptionFile::decode(*encoded);
    FUZZ_CHECK(again, "a written list can be read");
    FUZZ_CHECK(sameRecords(*again, *decoded), "a written list reads back unchanged");
    exerciseList(*decoded);
}

void storeLoad(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid(), "a temporary folder");
    const QString folder = dir.filePath(QStringLiteral("Renewly"));
    const QString path = folder + QStringLiteral("/subscriptions.json");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QByteArray bytes = bytesOf(data, size);
    FUZZ_CHECK(writeAll(path, bytes), "the input file is written");

    const auto expected = SubscriptionFile::decode(bytes);
    Store store(path);
    FUZZ_CHECK(store.subscriptions() == expected.value_or(QList<Subscription>()),
               "the store holds exactly what the file decodes to");
    FUZZ_CHECK(readAll(path) == bytes, "loading leaves the file alone");
    FUZZ_CHECK(store.save(), "the first save succeeds");
    const auto written = SubscriptionFile::decode(readAll(path));
    FUZZ_CHECK(written && *written == store.subscriptions(), "the saved file holds the list");
    if (expected) {
        FUZZ_CHECK(store.setAsidePath().isEmpty(), "a readable file is not set aside");
    } else {
        FUZZ_CHECK(!store.setAsidePath().isEmpty(), "an unreadable file is set aside");
        FUZZ_CHECK(readAll(store.setAsidePath()) == bytes, "the set-aside file keeps every byte");
    }
}

namespace {

void checkProposal(const Subscription &s, const QString &text) {
    FUZZ_CHECK(std::isfinite(s.amount) && s.amount >= 0, "the amount is a finite price");
    FUZZ_CHECK(!s.currency.isEmpty(), "a currency");
    FUZZ_CHECK(standardCategories().contains(s.category), "a standard category");
    FUZZ_CHECK(s.isActive, "a proposal is active");
    FUZZ_CHECK(!s.id.isNull(), "a fresh id");
    FUZZ_CHECK(s.startDate.isValid(), "a start date");
    FUZZ_CHECK(s.notes.isEmpty() == text.isEmpty(), "notes exactly when there is text");
    // The form saves the proposal as it is: the file must take it and give it back.
    const auto encoded = SubscriptionFile::encode({s});
    FUZZ_CHECK(encoded, "a proposal can be written");
    const auto decoded = SubscriptionFile::decode(*encoded);
    FUZZ_CHECK(decoded && decoded->size() == 1, "a written proposal can be read");
    FUZZ_CHECK(decoded->first().amount == s.amount && decoded->first().startDate == s.startDate,
               "amount and start date read back unchanged");
}

} // namespace

void receiptParser(const uint8_t *data, size_t size) {
    const QString utf8 = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    checkProposal(ReceiptParser::parse(utf8, fixedNow(), fixedZone()), utf8);
    // The same bytes as UTF-16 reach text the UTF-8 decoder never makes, such as unpaired surrogates.
    QString utf16(qsizetype(size / 2), Qt::Uninitialized);
    if (!utf16.isEmpty())
        std::memcpy(utf16.data(), data, size_t(utf16.size()) * sizeof(QChar));
    checkProposal(ReceiptParser::parse(utf16, fixedNow(), fixedZone()), utf16);
}

void importList(const uint8_t *data, size_t size) {
    const Import::Result result = Import::read(bytesOf(data, size), {}, fixedNow(), fixedZone());
    FUZZ_CHECK(result.preview.has_value() == result.error.isEmpty(), "a preview or a reason");
    FUZZ_CHECK(!result.error.contains(u'\n'), "the reason is one line");
    if (!result.preview)
        return;
    QList<Subscription> records;
    for (const Import::Entry &entry : result.preview->entries) {
        FUZZ_CHECK(entry.record.has_value() != entry.problem.has_value(), "a record or a problem");
        if (entry.problem)
            FUZZ_CHECK(!Import::describe(*entry.problem).contains(u'\n'), "a problem is one line");
        if (entry.record)
            records << *entry.record;
    }
    // Import adds the records to the list, which is saved at once: the file must take them and give
    // them back.
    const auto encoded = SubscriptionFile::encode(records);
    FUZZ_CHECK(encoded, "imported records can be written");
    const auto decoded = SubscriptionFile::decode(*encoded);
    FUZZ_CHECK(decoded && decoded->size() == records.size(), "written records can be read");
    for (qsizetype i = 0; i < records.size(); ++i) {
        const Subscription &a = records[i], &b = (*decoded)[i];
        FUZZ_CHECK(a.id == b.id && a.amount == b.amount && a.startDate == b.startDate && a.cycle == b.cycle &&
                       a.currency == b.currency,
                   "records read back unchanged");
    }
}

} // namespace FuzzEntries
