// Moving the list in and out: export of 10,000 records to each format, and the import preview of
// 10,000 CSV rows of another tracker's export and of Renewly's own.
#include "exchange/Export.h"
#include "exchange/Import.h"

#include "BenchLists.h"

#include <benchmark/benchmark.h>

namespace {

using BenchLists::now;
using BenchLists::zone;

// Commas in names and notes that start like a formula: the cases the CSV writer must quote and guard.
QList<Subscription> makeList(int count) {
    return BenchLists::makeList(count, {.namePattern = QStringLiteral("Subscription %1, 订阅"),
                                        .notes = QStringLiteral("=notes / 备注")});
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
