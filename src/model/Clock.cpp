#include "Clock.h"

#include <atomic>

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    QTimeZone zone() const override { return QTimeZone::systemTimeZone(); }
};

// Read from the scan thread as well as the GUI thread.
std::atomic<const Clock *> installed{nullptr};

class CurrentClock final : public Clock {
public:
    QDateTime now() const override { return active().now(); }
    QTimeZone zone() const override { return active().zone(); }

private:
    static const Clock &active() {
        const Clock *clock = installed.load(std::memory_order_acquire);
        return clock ? *clock : Clock::system();
    }
};

} // namespace

const Clock &Clock::system() {
    static const SystemClock clock;
    return clock;
}

const Clock &Clock::current() {
    static const CurrentClock clock;
    return clock;
}

void Clock::install(const Clock *clock) {
    installed.store(clock, std::memory_order_release);
}
