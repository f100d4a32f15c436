// The recogniser's memory as the desktop program sees it: a program that, like the program, links
// no recogniser and loads the plugin on its first scan. Prints the process's resident memory idle,
// after three scans and once the plugin has been unloaded after the idle delay, twice (the second
// time after loading it again), with the time the plugin and its models take to load.
//
//   bench_ocr_release [--idle-ms N] [PLUGIN]     (bench_ocr --release runs it with the program's
//                                                 idle delay)
#include "ProcStatus.h"

#include "ReceiptCorpus.h"
#include "receipt/RecognizerPlugin.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>

namespace {

QByteArray memory() {
    return QByteArray::number(statusMiB("VmRSS"), 'f', 1) + " MiB (" +
           QByteArray::number(statusMiB("RssAnon"), 'f', 1) + " anonymous, " +
           QByteArray::number(statusMiB("RssFile"), 'f', 1) + " file-backed)";
}

// The libraries of the recogniser still mapped into the process.
QByteArray recognizerLibraries() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return "?";
    QList<QByteArray> names;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QByteArray path = line.mid(line.lastIndexOf(' ') + 1);
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        if ((name.contains("opencv") || name.contains("tesseract") || name.contains("renewly-recognizer") ||
             name.contains("protobuf") || name.contains("tbb")) &&
            !names.contains(name))
            names << name;
    }
    return names.isEmpty() ? QByteArray("none") : names.join(' ');
}

} // namespace

int main(int argc, char *argv[]) {
    RecognizerPlugin::setUpAllocator();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Other options (those scripts/bench.sh passes to every benchmark) are ignored.
    std::chrono::milliseconds idleUnload = RecognizerPlugin::defaultIdleUnload;
    QString path = QStringLiteral(RENEWLY_PLUGIN_FILE);
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--idle-ms") && i + 1 < arguments.size())
            idleUnload = std::chrono::milliseconds(arguments[++i].toInt());
        else if (!arguments[i].startsWith(u'-'))
            path = arguments[i];
    }
    RecognizerPlugin plugin(path);
    plugin.setIdleUnload(idleUnload);
    const QImage receipt = ReceiptCorpus::make(20250307, 3, ReceiptCorpus::Options{}).image;
    // A page with nothing on it: scanning it costs the loading of the plugin and its models alone.
    QImage blank(64, 64, QImage::Format_RGB32);
    blank.fill(Qt::white);
    // Scans run on a pool of their own, as in the program.
    QThreadPool scanPool;
    scanPool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    const auto scan = [&](const QImage &image) {
        return QtConcurrent::run(&scanPool, [&plugin, image] { return plugin.recognizeText(image); })
            .result();
    };
    const double idle = statusMiB("VmRSS");
    std::printf("idle: %s\n", memory().constData());
    for (int round = 1; round <= 2; ++round) {
        QElapsedTimer timer;
        timer.start();
        plugin.load();
        const qint64 libraryMs = timer.elapsed();
        scan(blank);
        const qint64 loadMs = timer.elapsed();
        if (!plugin.isLoaded()) {
            std::printf("cannot load %s: %s\n", qPrintable(plugin.path()), qPrintable(plugin.errorString()));
            return 1;
        }
        for (int i = 0; i < 3; ++i)
            scan(receipt);
        std::printf("round %d: plugin and models loaded in %lld ms (the plugin and its libraries %lld ms); "
                    "after three scans %s, peak %.1f MiB\n",
                    round, static_cast<long long>(loadMs), static_cast<long long>(libraryMs),
                    memory().constData(), statusMiB("VmHWM"));
        timer.start();
        while (plugin.isLoaded() && timer.elapsed() < 120'000)
            QThread::msleep(250);
        std::printf("round %d: %s, %.1f MiB above idle, once unloaded %.1f s after the last scan (%.1f s "
                    "idle delay); still mapped: %s\n",
                    round, memory().constData(), statusMiB("VmRSS") - idle, double(timer.elapsed()) / 1000.0,
                    double(idleUnload.count()) / 1000.0, recognizerLibraries().constData());
    }
    return 0;
}
