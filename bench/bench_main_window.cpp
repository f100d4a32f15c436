// The main window redrawing itself after a change of the list, offscreen, at 100, 1,000 and 10,000
// subscriptions. Run: build/bench/bench_main_window (the figure that counts is the median).
#include "reminders/NotificationCenter.h"
#include "reminders/NotificationManager.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"
#include "views/ContentView.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QDateTime now() {
    return QDateTime(QDate(2025, 3, 10), QTime(9, 0), QTimeZone::systemTimeZone());
}

QList<Subscription> makeList(int count) {
    QRandomGenerator rng(7);
    const QStringList currencies{u"CNY"_qs, u"USD"_qs, u"EUR"_qs, u"HKD"_qs, u"JPY"_qs, u"GBP"_qs};
    const QStringList categories = standardCategories();
    QList<Subscription> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        list << Subscription::make(
            QStringLiteral("Subscription %1 订阅").arg(i), rng.bounded(1, 50000) / 100.0,
            currencies[int(rng.bounded(6))],
            rng.bounded(10) == 0 ? BillingType::oneTime : BillingType::recurring,
            allBillingCycles()[int(rng.bounded(4))], now().addDays(-qint64(rng.bounded(0, 1200))).toUTC(),
            categories[int(rng.bounded(categories.size()))], QString(), rng.bounded(8) != 0);
    }
    return list;
}

// No notification service: rescheduling costs nothing here, only the window is measured.
class NoCenter final : public NotificationCenter {
public:
    bool isAvailable() const override { return false; }
    void requestAuthorization() override {}
    void add(const NotificationRequest &) override {}
    void removeAllPendingNotificationRequests() override {}
};

class FixedClock final : public Clock {
public:
    QDateTime now() const override { return ::now(); }
    QTimeZone zone() const override { return QTimeZone::systemTimeZone(); }
};

struct Window {
    explicit Window(int count)
        : reminders(center, clock) {
        Clock::install(&clock);
        const QString path = dir.filePath(QStringLiteral("subscriptions.json"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(SubscriptionFile::encode(makeList(count)).value_or(QByteArray("[]")));
        file.close();
        store = std::make_unique<Store>(path);
        content = std::make_unique<ContentView>(*store);
        content->setReminders(&reminders);
        content->resize(960, 640);
        content->show();
        settle();
    }
    ~Window() { Clock::install(nullptr); }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); }

    QTemporaryDir dir;
    NoCenter center;
    FixedClock clock;
    NotificationManager reminders;
    std::unique_ptr<Store> store;
    std::unique_ptr<ContentView> content;
};

// 100, 1,000 and 10,000 subscriptions; medians of seven runs.
void listSizes(benchmark::internal::Benchmark *b) {
    b->Arg(100)
        ->Arg(1000)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(7)
        ->ReportAggregatesOnly(true);
}

// What the window does when the store reports a change: every part redrawn from the list, and the
// layout brought up to date.
void rebuild(benchmark::State &state) {
    Window window(int(state.range(0)));
    for (auto _ : state) {
        window.content->rebuild();
        Window::settle();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(rebuild)->Apply(listSizes);

// The same followed by painting a whole 960×640 frame.
void rebuildAndPaint(benchmark::State &state) {
    Window window(int(state.range(0)));
    for (auto _ : state) {
        window.content->rebuild();
        Window::settle();
        benchmark::DoNotOptimize(window.content->grab());
    }
}
BENCHMARK(rebuildAndPaint)->Apply(listSizes);

// A real change through the store: the record is replaced, the file rewritten, and the window
// redraws through its signal. The file write is the store's share of the time.
void editThroughStore(benchmark::State &state) {
    Window window(int(state.range(0)));
    Subscription sub = window.store->subscriptions().at(window.store->subscriptions().size() / 2);
    for (auto _ : state) {
        sub.amount += 1;
        window.store->update(sub);
        Window::settle();
    }
}
BENCHMARK(editThroughStore)->Apply(listSizes);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
