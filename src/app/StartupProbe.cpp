#include "StartupProbe.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {
qint64 mainEnteredCpuUs = -1;

qint64 realtimeNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
} // namespace

StartupProbe::StartupProbe(AppDelegate &delegate, int idleMs)
    : m_delegate(delegate)
    , m_idleMs(idleMs) {
    QCoreApplication::instance()->installEventFilter(this);
}

qint64 StartupProbe::cpuMicroseconds() {
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return qint64(cpu.tv_sec) * 1'000'000 + cpu.tv_nsec / 1000;
}

void StartupProbe::markMainEntered() {
    mainEnteredCpuUs = cpuMicroseconds();
}

qint64 StartupProbe::residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool StartupProbe::eventFilter(QObject *watched, QEvent *event) {
    if (!m_done && event->type() == QEvent::Expose && m_delegate.window() &&
        watched == m_delegate.window()->windowHandle() && m_delegate.window()->windowHandle()->isExposed()) {
        m_done = true;
        // The expose paints and flushes the window synchronously; the queued call runs after it.
        QTimer::singleShot(0, this, &StartupProbe::shown);
    }
    return QObject::eventFilter(watched, event);
}

void StartupProbe::shown() {
    std::printf("shown_realtime_ns=%lld\n", static_cast<long long>(realtimeNs()));
    std::printf("main_cpu_us=%lld\n", static_cast<long long>(mainEnteredCpuUs));
    std::printf("shown_cpu_us=%lld\n", static_cast<long long>(cpuMicroseconds()));
    std::printf("shown_rss_kib=%lld\n", static_cast<long long>(residentKiB()));
    std::fflush(stdout);
    QTimer::singleShot(m_idleMs, this, [] {
        std::printf("idle_rss_kib=%lld\n", static_cast<long long>(residentKiB()));
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}
