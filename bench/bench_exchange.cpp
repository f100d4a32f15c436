// Moving the list in and out: export of 10,000 records to each format, and the import preview of
// 10,000 CSV rows of another tracker's export and of Renewly's own.
#include "exchange/Export.h"
#include "exchange/Import.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

const QTimeZone zone("America/New_York");
const QDateTime now(QDate(2026, 12, 6), QTime(9, 30), zone);

QList<Subscription> makeList(int count) {
    QRandomGenerator rng(42);
    const QStringList currencies{u"CNY"_qs, u"USD"_qs, u"EUR"_qs, u"HKD"_qs, u"JPY"_qs, u"GBP"_qs};
    QList<Subscription> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        list << Subscription::make(QStringLiteral("Subscription %1, 订阅").arg(i),
                                   rng.bounded(1, 50000) / 100.0, currencies[int(rng.bounded(6))],
                                   rng.bounded(10) == 0 ? BillingType::oneTime : BillingType::recurring,
                                   allBillingCycles()[int(rng.bounded(4))],
                                   now.addDays(-qint64(rng.bounded(0, 3650))).toUTC(), u"AI/工具"_qs,
                                   u"=notes / 备注"_qs, rng.bounded(8) != 0);
    }
    return list;
}

void exportList(benchmark::State &state) {
    const auto list = makeList(int(state.range(1)));
    const auto format = Export::Format(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(Export::write(format, list, now, zone));
}
BENCHMARK(exportList)
    ->ArgNames({"format", "records"})
    ->Args({int(Export::Format::json), 10000})
    ->Args({int(Export::Format::csv), 10000})
    ->Args({int(Export::Format::ics), 10000})
    ->Unit(benchmark::kMillisecond);

QByteArray scheduleCsv(int rows) {
    QByteArray csv =
        "ID,Name,Category,Cost,Currency,Schedule,Schedule Interval,Status,Payment Method,Account,"
        "Start Date,Renewal Date,Cancellation Date,URL,Notes,Usage,Created At\n";
    QRandomGenerator rng(7);
    const char *schedules[] = {"monthly", "yearly", "weekly", "daily"};
    for (int i = 0; i < rows; ++i) {
        csv += QStringLiteral("%1,\"Service %1, plan\",Streaming,%2.%3,EUR,%4,%5,active,Visa,me@example.com,"
                              "2024-%6-%7,,,https://example.com/%1,\"said \"\"hi\"\"\",3,2024-01-01\n")
                   .arg(i)
                   .arg(rng.bounded(1, 300))
                   .arg(rng.bounded(10, 99))
                   .arg(QLatin1StringView(schedules[rng.bounded(4)]))
                   .arg(rng.bounded(1, 4))
                   .arg(rng.bounded(1, 13), 2, 10, QLatin1Char('0'))
                   .arg(rng.bounded(1, 29), 2, 10, QLatin1Char('0'))
                   .toUtf8();
    }
    return csv;
}

void importPreviewCsv(benchmark::State &state) {
    const QByteArray csv = state.range(0) == 0 ? scheduleCsv(10000) : Export::csv(makeList(10000), now, zone);
    const auto existing = makeList(1000);
    for (auto _ : state) {
        const Import::Result result = Import::read(csv, existing, now, zone);
        if (!result.preview || result.preview->entries.size() != 10000)
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(importPreviewCsv)->ArgName("renewly")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
