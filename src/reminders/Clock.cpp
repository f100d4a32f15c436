#include "Clock.h"

namespace {
class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    QTimeZone zone() const override { return QTimeZone::systemTimeZone(); }
};
} // namespace

const Clock &Clock::system() {
    static const SystemClock clock;
    return clock;
}
