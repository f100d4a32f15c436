// The yardstick for the program's start-up: QApplication and an empty 960×640 QMainWindow, shown,
// reporting the moment its first frame is on screen the way the program's --startup-probe does.
// With --text the window holds a heading and twelve one-line labels in the application font, as
// little text as a list window can show: what any first frame with text pays beyond the empty one
// (the font configuration, the list of faces, matching, shaping and glyphs).
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QVBoxLayout>
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

QWidget *labels() {
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    auto *heading = new QLabel(QStringLiteral("Subscriptions"));
    QFont font = heading->font();
    font.setPixelSize(22);
    font.setWeight(QFont::DemiBold);
    heading->setFont(font);
    layout->addWidget(heading);
    const char *names[] = {"Video Premium", "Music Family", "Cloud 2 TB",   "Notes Plus",
                           "Mail Pro",      "Backup Plus",  "Design Team",  "Chat Plus",
                           "Photo Editor",  "News Yearly",  "Books Reader", "Game Pass"};
    for (int i = 0; i < 12; ++i) {
        layout->addWidget(new QLabel(QStringLiteral("%1    ¥%2.00 / month    next 2026-12-%3")
                                         .arg(QString::fromLatin1(names[i]))
                                         .arg(10 + 7 * i)
                                         .arg(10 + i)));
    }
    return central;
}
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(960, 640);
    if (app.arguments().contains(QStringLiteral("--text")))
        window.setCentralWidget(labels());
    window.winId();
    ExposeWatch watch(window.windowHandle());
    app.installEventFilter(&watch);
    window.show();
    return app.exec();
}
