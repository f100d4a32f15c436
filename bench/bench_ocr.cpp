// Recognition benchmarks and the accuracy report over the generated receipt corpus.
//
//   bench_ocr                         speed and peak memory: model load, scan + parse of a
//                                     1280×800 receipt (wall-clock time)
//   bench_ocr --accuracy [N]          accuracy over N generated receipts (default 240)
//   bench_ocr --corpus-out DIR [N]    writes N receipts (PNG + ground-truth TXT) to DIR
// Engine settings for comparisons: --psm N, --threads N, --dpi N, --invert, --latin-margin N,
// --latin-doubt N. --save-wrong DIR keeps the receipts read wrongly, with their prepared page.
#include "ReceiptCorpus.h"
#include "receipt/ReceiptParser.h"
#include "receipt/ReceiptScanner.h"
#include "receipt/ScanImage.h"
#include "receipt/TesseractEngine.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr quint64 corpusSeed = 20250307;

TesseractEngine::Settings g_settings;
ScanImage::Options g_imageOptions;
int g_verbose = 0;
int g_first = 0;
QString g_saveFolder; // where the receipts read wrongly go, as PNG with their prepared page

QString normalised(QString line) {
    line.replace(u'￥', u'¥');
    return line.simplified();
}

int editDistance(const QString &a, const QString &b) {
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int up = row[size_t(j)];
            row[size_t(j)] =
                std::min({up + 1, row[size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row.back();
}

// The fields a scan proposes, compared between the recognised text and the ground truth.
struct FieldTally {
    const char *name;
    int right = 0;
};

int runAccuracy(int count) {
    QTextStream out(stdout);
    TesseractEngine engine(g_settings);
    if (!engine.load(ReceiptScanner::tessdataPath())) {
        out << "cannot load models from " << ReceiptScanner::tessdataPath() << '\n';
        return 1;
    }
    // A fixed moment, so texts without a date compare equal.
    const QTimeZone zone("Asia/Shanghai");
    const QDateTime now(QDate(2026, 6, 15), QTime(12, 0), zone);
    std::array<FieldTally, 6> fields{
        {{"name"}, {"amount"}, {"currency"}, {"cycle"}, {"billingType"}, {"startDate"}}};
    int allRight = 0;
    int amountAndCurrency = 0;
    int linesTotal = 0;
    int linesRead = 0;
    qint64 charsTotal = 0;
    qint64 charErrors = 0;
    std::vector<qint64> times;
    for (int i = g_first; i < g_first + count; ++i) {
        const ReceiptCorpus::Receipt receipt = ReceiptCorpus::make(corpusSeed, i);
        QElapsedTimer timer;
        timer.start();
        const QString text = ReceiptScanner::recognizeText(receipt.image, engine, g_imageOptions);
        times.push_back(timer.elapsed());
        const Subscription expected = ReceiptParser::parse(receipt.text, now, zone);
        const Subscription got = ReceiptParser::parse(text, now, zone);
        const std::array<bool, 6> same{expected.name == got.name,
                                       expected.amount == got.amount,
                                       expected.currency == got.currency,
                                       expected.cycle == got.cycle,
                                       expected.billingType == got.billingType,
                                       expected.startDate == got.startDate};
        QStringList wrong;
        for (size_t f = 0; f < same.size(); ++f) {
            fields[f].right += same[f];
            if (!same[f])
                wrong << QString::fromLatin1(fields[f].name);
        }
        allRight += wrong.isEmpty();
        if (!wrong.isEmpty() && !g_saveFolder.isEmpty()) {
            receipt.image.save(g_saveFolder + u'/' + receipt.label() + QStringLiteral(".png"));
            ScanImage::prepare(receipt.image, g_imageOptions)
                .image.save(g_saveFolder + u'/' + receipt.label() + QStringLiteral("-page.png"));
        }
        amountAndCurrency += same[1] && same[2];

        QStringList truth;
        for (const QString &line : receipt.text.split(u'\n'))
            truth << normalised(line);
        QStringList read;
        for (const QString &line : text.split(u'\n'))
            read << normalised(line);
        QStringList missed;
        for (const QString &line : truth) {
            ++linesTotal;
            if (read.contains(line))
                ++linesRead;
            else
                missed << line;
        }
        const QString a = truth.join(u'\n');
        const QString b = read.join(u'\n');
        charsTotal += a.size();
        charErrors += editDistance(a, b);
        if (g_verbose && (!wrong.isEmpty() || g_verbose > 1) && (!missed.isEmpty() || !wrong.isEmpty())) {
            out << "== " << receipt.label() << " (" << times.back() << " ms)";
            if (!wrong.isEmpty())
                out << " WRONG " << wrong.join(u',') << ": expected " << expected.name << " / "
                    << expected.amount << ' ' << expected.currency << " / " << rawValue(expected.cycle)
                    << " / " << rawValue(expected.billingType) << " / "
                    << expected.startDate.toString(Qt::ISODate) << "; got " << got.name << " / " << got.amount
                    << ' ' << got.currency << " / " << rawValue(got.cycle) << " / "
                    << rawValue(got.billingType) << " / " << got.startDate.toString(Qt::ISODate);
            out << "\n   missed: " << missed.join(QStringLiteral(" | ")) << '\n';
            out << "   read:   " << read.join(QStringLiteral(" | ")) << '\n';
        }
    }
    std::sort(times.begin(), times.end());
    auto percent = [count](int n) {
        return QString::number(100.0 * n / std::max(1, count), 'f', 1) + QStringLiteral(" %");
    };
    out << "receipts " << count << " (seed " << corpusSeed << ", from " << g_first << ")\n";
    out << "all six fields right: " << allRight << " (" << percent(allRight)
        << "); amount and currency right: " << amountAndCurrency << " (" << percent(amountAndCurrency)
        << ")\n";
    for (const FieldTally &field : fields)
        out << "  " << field.name << ": " << field.right << " (" << percent(field.right) << ")\n";
    out << "lines read exactly " << linesRead << "/" << linesTotal << " ("
        << QString::number(100.0 * linesRead / std::max(1, linesTotal), 'f', 1)
        << " %), character error rate "
        << QString::number(100.0 * double(charErrors) / double(std::max<qint64>(1, charsTotal)), 'f', 2)
        << " %, median scan " << times[times.size() / 2] << " ms\n";
    return 0;
}

// A figure of the process's memory from /proc/self/status ("VmRSS" now, "VmHWM" its peak), in
// MiB; -1 where it cannot be read.
double statusMiB(const char *key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0; // kB
    }
    return -1;
}

// Starts the peak resident memory afresh from the current figure; false where the system does
// not allow it (the peak then is the process's whole peak).
bool resetPeakMemory() {
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

void loadModels(benchmark::State &state) {
    for (auto _ : state) {
        TesseractEngine engine(g_settings);
        if (!engine.load(ReceiptScanner::tessdataPath()))
            state.SkipWithError("models not found");
    }
    state.counters["peak_rss_MiB"] = statusMiB("VmHWM");
}
BENCHMARK(loadModels)->Unit(benchmark::kMillisecond)->Iterations(3);

// What a user waits for: the scan and the parse of its text, in wall-clock time, as the English
// model reads on a second thread. The memory counters give the resident memory with the models
// loaded and its peak during the scans; their difference is what a scan adds on top of the
// models.
void scanReceipt(benchmark::State &state) {
    ReceiptCorpus::Options options;
    options.size = QSize(1280, 800);
    options.layout = ReceiptCorpus::Layout::storeReceipt;
    options.isDark = state.range(0) != 0;
    const ReceiptCorpus::Receipt receipt = ReceiptCorpus::make(corpusSeed, 3, options);
    TesseractEngine engine(g_settings);
    if (!engine.load(ReceiptScanner::tessdataPath())) {
        state.SkipWithError("models not found");
        return;
    }
    const double afterLoad = statusMiB("VmRSS");
    resetPeakMemory();
    for (auto _ : state) {
        const QString text = ReceiptScanner::recognizeText(receipt.image, engine, g_imageOptions);
        benchmark::DoNotOptimize(ReceiptParser::parse(text));
    }
    const double peak = statusMiB("VmHWM");
    state.counters["rss_after_load_MiB"] = afterLoad;
    state.counters["peak_rss_MiB"] = peak;
    state.counters["scan_adds_MiB"] = peak - afterLoad;
}
BENCHMARK(scanReceipt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::vector<char *> rest{argv[0]};
    QString corpusFolder;
    int accuracyCount = -1;
    int corpusCount = 24;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const bool hasValue = i + 1 < argc;
        auto nextNumber = [&](int &target) {
            if (i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0])))
                target = std::atoi(argv[++i]);
        };
        if (!std::strcmp(arg, "--accuracy")) {
            accuracyCount = 240;
            nextNumber(accuracyCount);
        } else if (!std::strcmp(arg, "--corpus-out") && hasValue) {
            corpusFolder = QString::fromLocal8Bit(argv[++i]);
            nextNumber(corpusCount);
        } else if (!std::strcmp(arg, "--psm")) {
            nextNumber(g_settings.pageSegMode);
        } else if (!std::strcmp(arg, "--threads")) {
            nextNumber(g_settings.threads);
        } else if (!std::strcmp(arg, "--dpi")) {
            nextNumber(g_settings.sourceDpi);
        } else if (!std::strcmp(arg, "--set") && hasValue) {
            const QByteArray assignment(argv[++i]);
            const qsizetype equals = assignment.indexOf('=');
            g_settings.variables.append({assignment.left(equals), assignment.mid(equals + 1)});
        } else if (!std::strcmp(arg, "--langs") && hasValue) {
            g_settings.languages = QString::fromLatin1(argv[++i]);
        } else if (!std::strcmp(arg, "--latin") && hasValue) {
            g_settings.latinLanguage = QString::fromLatin1(argv[++i]);
            if (g_settings.latinLanguage == QLatin1String("none"))
                g_settings.latinLanguage.clear();
        } else if (!std::strcmp(arg, "--latin-margin")) {
            int margin = 0;
            nextNumber(margin);
            g_settings.latinConfidenceMargin = float(margin);
        } else if (!std::strcmp(arg, "--latin-doubt")) {
            int margin = 0;
            nextNumber(margin);
            g_settings.latinDoubtMargin = float(margin);
        } else if (!std::strcmp(arg, "--line-height")) {
            nextNumber(g_imageOptions.targetLineHeight);
        } else if (!std::strcmp(arg, "--no-flatten")) {
            g_imageOptions.flatten = false;
        } else if (!std::strcmp(arg, "--keep-graphics")) {
            g_imageOptions.clearGraphics = false;
        } else if (!std::strcmp(arg, "--latin-apart")) {
            g_settings.latinAlongside = false;
        } else if (!std::strcmp(arg, "--invert")) {
            g_settings.tryInverted = true;
        } else if (!std::strcmp(arg, "--first")) {
            nextNumber(g_first);
        } else if (!std::strcmp(arg, "--save-wrong") && hasValue) {
            g_saveFolder = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(arg, "--verbose")) {
            ++g_verbose;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (!corpusFolder.isEmpty()) {
        const int written = ReceiptCorpus::writeFolder(corpusFolder, corpusSeed, corpusCount);
        std::printf("%d receipts written to %s\n", written, qPrintable(corpusFolder));
        return written == corpusCount ? 0 : 1;
    }
    if (accuracyCount >= 0)
        return runAccuracy(accuracyCount);
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
