// The yardstick for the program's start-up: QApplication and an empty 960×640 QMainWindow, shown,
// reporting the moment its first frame is on screen the way the program's --startup-probe does.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {
qint64 clockNs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
} // namespace

// Prints the moment the first frame is on screen and quits. Not inlined: the instruction count of
// the first frame (bench/startup_instructions.sh) stops where it is entered.
[[gnu::noinline]] void reportShown() {
    std::printf("shown_realtime_ns=%lld\n", static_cast<long long>(clockNs(CLOCK_REALTIME)));
    std::printf("shown_cpu_us=%lld\n", static_cast<long long>(clockNs(CLOCK_PROCESS_CPUTIME_ID) / 1000));
    std::fflush(stdout);
    QCoreApplication::quit();
}

namespace {
class ExposeWatch : public QObject {
public:
    explicit ExposeWatch(QWindow *window)
        : m_window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (!m_done && watched == m_window && event->type() == QEvent::Expose && m_window->isExposed()) {
            m_done = true;
            QTimer::singleShot(0, &reportShown);
        }
        return false;
    }

private:
    QWindow *m_window;
    bool m_done = false;
};
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(960, 640);
    window.winId();
    ExposeWatch watch(window.windowHandle());
    app.installEventFilter(&watch);
    window.show();
    return app.exec();
}
