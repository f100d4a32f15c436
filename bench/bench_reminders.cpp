// Reminder figures: a full reschedule as the main window runs it after every change of the list,
// into a recording centre and into the desktop centre, and one wall-clock check of the desktop
// centre with every reminder pending.
#include "DesktopNotificationCenter.h"
#include "NotificationManager.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

const QTimeZone zone("America/New_York");
const QDateTime now(QDate(2026, 12, 6), QTime(9, 30), zone);

class FixedClock final : public Clock {
public:
    QDateTime now() const override { return ::now; }
    QTimeZone zone() const override { return ::zone; }
};

class CountingCenter final : public NotificationCenter {
public:
    qsizetype added = 0;
    bool isAvailable() const override { return true; }
    void requestAuthorization() override {}
    void add(const NotificationRequest &) override { ++added; }
    void removeAllPendingNotificationRequests() override { added = 0; }
};

class NullPresenter final : public NotificationPresenter {
public:
    bool isAvailable() const override { return true; }
    void present(const NotificationRequest &) override {}
};

// All active recurring, charging on days spread over the coming year, so each gets a reminder.
QList<Subscription> makeList(int count) {
    QRandomGenerator rng(42);
    QList<Subscription> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i)
        list << Subscription::make(QStringLiteral("Subscription %1 订阅").arg(i),
                                   rng.bounded(1, 50000) / 100.0, QStringLiteral("USD"),
                                   BillingType::recurring,
                                   i % 2 ? BillingCycle::yearly : BillingCycle::monthly,
                                   now.addDays(-qint64(rng.bounded(0, 300))).toUTC(), {}, {});
    return list;
}

void rescheduleCounting(benchmark::State &state) {
    const FixedClock clock;
    CountingCenter center;
    NotificationManager manager(center, clock);
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state)
        manager.reschedule(list, 3);
    state.counters["requests"] = double(center.added);
}
BENCHMARK(rescheduleCounting)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void rescheduleDesktop(benchmark::State &state) {
    const FixedClock clock;
    NullPresenter presenter;
    DesktopNotificationCenter center(clock, presenter);
    NotificationManager manager(center, clock);
    const auto list = makeList(int(state.range(0)));
    for (auto _ : state)
        manager.reschedule(list, 3);
    state.counters["requests"] = double(center.pendingRequests().size());
}
BENCHMARK(rescheduleDesktop)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void checkDesktop(benchmark::State &state) {
    const FixedClock clock;
    NullPresenter presenter;
    DesktopNotificationCenter center(clock, presenter);
    NotificationManager manager(center, clock);
    manager.reschedule(makeList(int(state.range(0))), 3);
    for (auto _ : state)
        center.check();
}
BENCHMARK(checkDesktop)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

// The desktop centre's timer needs an application object.
int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
