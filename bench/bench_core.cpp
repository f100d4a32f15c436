// Core figures: the billing calendar far from its start, the aggregates the views read, and the
// subscription file's load and save, at 10, 1,000 and 10,000 records.
#include "model/BillingCalendar.h"
#include "store/Aggregates.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QTemporaryDir>

#include "BenchLists.h"

#include <benchmark/benchmark.h>

namespace {

using BenchLists::makeList;
using BenchLists::now;
using BenchLists::zone;

void nextChargeWeeklyFrom1900(benchmark::State &state) {
    const QDate first(1900, 1, 1), today(2026, 12, 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(BillingCalendar::nextRecurringDay(first, today, BillingCycle::weekly));
}
BENCHMARK(nextChargeWeeklyFrom1900);

void nextChargeMonthlyFrom1900Day31(benchmark::State &state) {
    const QDate first(1900, 1, 31), today(2026, 12, 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(BillingCalendar::nextRecurringDay(first, today, BillingCycle::monthly));
}
BENCHMARK(nextChargeMonthlyFrom1900Day31);

void nextChargeStepByStepWeeklyFrom1900(benchmark::State &state) {
    const QDate first(1900, 1, 1), today(2026, 12, 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            BillingCalendar::nextRecurringDayByStepping(first, today, BillingCycle::weekly));
}
BENCHMARK(nextChargeStepByStepWeeklyFrom1900);

void nextChargeDateWithZone(benchmark::State &state) {
    const auto list = makeList(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(list.first().nextChargeDate(now, zone));
}
BENCHMARK(nextChargeDateWithZone);

// Everything a redraw of the main window asks of the list.
void allAggregates(benchmark::State &state) {
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Aggregates::totalMonthlyCNY(list));
        benchmark::DoNotOptimize(Aggregates::activeSubscriptions(list));
        benchmark::DoNotOptimize(Aggregates::upcoming(list, 7, now, zone));
        benchmark::DoNotOptimize(mainOrder(list));
    }
}
BENCHMARK(allAggregates)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void saveFile(benchmark::State &state) {
    QTemporaryDir dir;
    const auto list = makeList(int(state.range(0)));
    const QString path = dir.filePath(u"subscriptions.json"_qs);
    for (auto _ : state) {
        const auto bytes = SubscriptionFile::encode(list);
        benchmark::DoNotOptimize(SubscriptionFile::writeAtomically(path, *bytes).ok());
    }
}
BENCHMARK(saveFile)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A save through the store: a look at the file for changes made elsewhere, the write, and this
// computer's copy of what it wrote.
void storeSave(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"subscriptions.json"_qs);
    (void)SubscriptionFile::writeAtomically(path, *SubscriptionFile::encode(makeList(int(state.range(0)))));
    Store store(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.save().ok());
}
BENCHMARK(storeSave)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void encodeFile(benchmark::State &state) {
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SubscriptionFile::encode(list));
}
BENCHMARK(encodeFile)->Arg(10000)->Unit(benchmark::kMillisecond);

void upcomingOnly(benchmark::State &state) {
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Aggregates::upcoming(list, 7, now, zone));
}
BENCHMARK(upcomingOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

void upcomingShanghai(benchmark::State &state) {
    const auto list = makeList(int(state.range(0)));
    const QTimeZone shanghai("Asia/Shanghai");
    for (auto _ : state)
        benchmark::DoNotOptimize(Aggregates::upcoming(list, 7, now, shanghai));
}
BENCHMARK(upcomingShanghai)->Arg(10000)->Unit(benchmark::kMillisecond);

void totalOnly(benchmark::State &state) {
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Aggregates::totalMonthlyCNY(list));
}
BENCHMARK(totalOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

void activeOnly(benchmark::State &state) {
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Aggregates::activeSubscriptions(list));
}
BENCHMARK(activeOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

void sortOnly(benchmark::State &state) {
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(mainOrder(list));
}
BENCHMARK(sortOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

void loadFile(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"subscriptions.json"_qs);
    (void)SubscriptionFile::writeAtomically(path, *SubscriptionFile::encode(makeList(int(state.range(0)))));
    for (auto _ : state)
        benchmark::DoNotOptimize(SubscriptionFile::load(path));
}
BENCHMARK(loadFile)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
