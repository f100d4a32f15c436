// Recognition benchmarks and the accuracy report over the receipt corpora.
//
//   bench_ocr                         speed and memory: model load, scan + parse of one 1280×800
//                                     receipt (Google Benchmark, wall-clock time)
//   bench_ocr --corpus [N] [--tuning-folder DIR] [--evaluation-folder DIR]
//                                     per image over N receipts of each generated corpus (default
//                                     60) and every receipt of the folders: median and 95th
//                                     percentile of scan + parse, peak memory, and accuracy per
//                                     style. The generated corpora (tools/receipt-corpus: one
//                                     typeface family, and other typefaces, sizes and JPEG) and the
//                                     tuning folder (web pages: scripts/tuning-pages.py, mailers
//                                     and store receipts: scripts/mail-store-pages.py, or store
//                                     sheets and short notices: scripts/store-sheets.py) are the ones
//                                     tuned on; the evaluation folder is made independently of them:
//                                     web pages captured by Chromium (scripts/html-receipts.py)
//   bench_ocr --accuracy [N]          the same, one generated corpus (--evaluation for the second)
//   bench_ocr --corpus-out DIR [N]    writes N generated receipts (PNG + ground-truth TXT +
//                                     styles.tsv) to DIR (--evaluation for the second corpus)
//   bench_ocr --release               resident memory idle, after scans, and once the recogniser
//                                     plugin is unloaded, as the program sees it (bench_ocr_release)
// --first N starts at receipt N; --verbose lists the receipts read wrongly (twice: every receipt, to
// count misread characters); --save-wrong DIR keeps their images (neither for the evaluation folder).
#include "ProcStatus.h"

#include "ReceiptCorpus.h"
#include "receipt/LatinReader.h"
#include "receipt/ReceiptParser.h"
#include "receipt/ReceiptScanner.h"
#include "receipt/TextRecognizer.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <QProcess>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <tuple>
#include <vector>

namespace {

constexpr quint64 tuningSeed = 20250307;
constexpr quint64 evaluationSeed = 71102026;

int g_verbose = 0;
int g_first = 0;
QString g_saveFolder;

// Starts the peak resident memory afresh from the current figure; false where the system does
// not allow it (the peak then is the process's whole peak).
bool resetPeakMemory() {
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

// The processor time of the whole process (all threads), in milliseconds: a figure that other
// load on the machine does not inflate as it does wall-clock time.
double processorMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

QString percent(int n, int of) {
    return QString::number(100.0 * n / std::max(1, of), 'f', 1) + QStringLiteral(" %");
}

struct Tally {
    int receipts = 0;
    int allRight = 0;
    int amountAndCurrency = 0;
};

// One receipt of a corpus: its image, the text it shows, and the styles it is counted under.
struct Sample {
    QString label;
    QImage image;
    QString truth;
    QStringList styles;
};

Sample generated(ReceiptCorpus::Corpus corpus, int index) {
    ReceiptCorpus::Options options;
    options.corpus = corpus;
    const ReceiptCorpus::Receipt receipt = ReceiptCorpus::make(
        corpus == ReceiptCorpus::Corpus::evaluation ? evaluationSeed : tuningSeed, index, options);
    return {receipt.label() + u' ' + receipt.typeface, receipt.image, receipt.text,
            QStringList{QStringLiteral("layout ") + ReceiptCorpus::layoutName(receipt.layout),
                        QStringLiteral("language ") + ReceiptCorpus::languageName(receipt.language),
                        receipt.isDark ? QStringLiteral("theme dark") : QStringLiteral("theme light"),
                        QStringLiteral("typeface ") + receipt.typeface,
                        receipt.bodyPixelSize < 14 ? QStringLiteral("text small (<14px)")
                                                   : QStringLiteral("text 14px+"),
                        receipt.isJpeg ? QStringLiteral("file JPEG") : QStringLiteral("file PNG")}};
}

// The receipts of a corpus folder (LABEL.png or .jpg with LABEL.txt, listed in styles.tsv with
// one style per column; LABEL = index-layout-language-theme-Npx), as scripts/html-receipts.py
// writes them.
QList<std::function<Sample()>> folderSamples(const QString &folder) {
    QList<std::function<Sample()>> samples;
    QFile list(folder + QStringLiteral("/styles.tsv"));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return samples;
    const QStringList header = QString::fromUtf8(list.readLine()).trimmed().split(u'\t');
    while (!list.atEnd()) {
        const QStringList columns = QString::fromUtf8(list.readLine()).trimmed().split(u'\t');
        if (columns.size() != header.size() || columns.size() < 2)
            continue;
        samples.append([folder, header, columns] {
            const QString label = columns.first();
            const QStringList parts = label.split(u'-');
            Sample sample;
            sample.label = label;
            for (const QString &extension : {QStringLiteral(".png"), QStringLiteral(".jpg")}) {
                if (QFile::exists(folder + u'/' + label + extension))
                    sample.image = ReceiptScanner::loadImage(folder + u'/' + label + extension);
            }
            QFile truth(folder + u'/' + label + QStringLiteral(".txt"));
            if (truth.open(QIODevice::ReadOnly))
                sample.truth = QString::fromUtf8(truth.readAll());
            if (parts.size() == 5) {
                sample.styles << QStringLiteral("layout ") + parts[1]
                              << QStringLiteral("language ") + parts[2] << QStringLiteral("theme ") + parts[3]
                              << (parts[4].chopped(2).toInt() < 14 ? QStringLiteral("text small (<14px)")
                                                                   : QStringLiteral("text 14px+"));
            }
            for (qsizetype c = 1; c < columns.size(); ++c)
                sample.styles << header[c] + u' ' + columns[c];
            return sample;
        });
    }
    return samples;
}

// Scans the receipts of one corpus and prints speed, memory and accuracy per style; with
// `showWrong`, also the receipts read wrongly as --verbose and --save-wrong ask (never for the
// evaluation corpus, which must not be looked at).
void runCorpus(const QString &title, const QList<std::function<Sample()>> &samples,
               TextRecognizer &recognizer, LatinReader &latin, bool showWrong = true) {
    QTextStream out(stdout);
    // A fixed moment, so texts without a date compare equal.
    const QTimeZone zone("Asia/Shanghai");
    const QDateTime now(QDate(2026, 6, 15), QTime(12, 0), zone);
    const char *fieldNames[] = {"name", "amount", "currency", "cycle", "billingType", "startDate"};
    std::array<int, 6> fields{};
    Tally total;
    QMap<QString, Tally> styles;
    std::vector<qint64> times;
    std::vector<qint64> desktopTimes;
    const double before = statusMiB("VmRSS");
    resetPeakMemory();
    double processor = 0;
    for (const auto &make : samples) {
        const Sample sample = make();
        QElapsedTimer timer;
        timer.start();
        const double processorStart = processorMs();
        const QString text = ReceiptScanner::recognizeText(sample.image, recognizer, &latin);
        const Subscription got = ReceiptParser::parse(text, now, zone);
        times.push_back(timer.nsecsElapsed() / 1000);
        processor += processorMs() - processorStart;
        if (sample.image.size() == QSize(1280, 800))
            desktopTimes.push_back(times.back());
        const Subscription expected = ReceiptParser::parse(sample.truth, now, zone);
        const std::array<bool, 6> same{expected.name == got.name,
                                       expected.amount == got.amount,
                                       expected.currency == got.currency,
                                       expected.cycle == got.cycle,
                                       expected.billingType == got.billingType,
                                       expected.startDate == got.startDate};
        QStringList wrong;
        for (size_t f = 0; f < same.size(); ++f) {
            fields[f] += same[f];
            if (!same[f])
                wrong << QString::fromLatin1(fieldNames[f]);
        }
        total.receipts += 1;
        total.allRight += wrong.isEmpty();
        total.amountAndCurrency += same[1] && same[2];
        for (const QString &key : sample.styles) {
            Tally &tally = styles[key];
            ++tally.receipts;
            tally.allRight += wrong.isEmpty();
            tally.amountAndCurrency += same[1] && same[2];
        }
        if (!wrong.isEmpty() && showWrong && !g_saveFolder.isEmpty())
            sample.image.save(g_saveFolder + u'/' + sample.label.section(u' ', 0, 0) +
                              QStringLiteral(".png"));
        if (g_verbose && showWrong && (!wrong.isEmpty() || g_verbose > 1)) {
            out << "== " << sample.label << (wrong.isEmpty() ? " RIGHT " : " WRONG ") << wrong.join(u',')
                << ": expected " << expected.name << " / " << expected.amount << ' ' << expected.currency
                << " / " << rawValue(expected.cycle) << " / " << rawValue(expected.billingType) << " / "
                << expected.startDate.toString(Qt::ISODate) << "; got " << got.name << " / " << got.amount
                << ' ' << got.currency << " / " << rawValue(got.cycle) << " / " << rawValue(got.billingType)
                << " / " << got.startDate.toString(Qt::ISODate) << '\n';
            out << "   truth: " << QString(sample.truth).replace(u'\n', QStringLiteral(" | ")) << '\n';
            out << "   read:  " << QString(text).replace(u'\n', QStringLiteral(" | ")) << '\n';
        }
    }
    const int count = total.receipts;
    const double peak = statusMiB("VmHWM");
    auto quantile = [](std::vector<qint64> values, double q) {
        if (values.empty())
            return 0.0;
        std::sort(values.begin(), values.end());
        return double(values[std::min(values.size() - 1, size_t(q * double(values.size())))]) / 1000.0;
    };
    out << title << ": " << count << " receipts\n";
    out << "  scan + parse per image: median " << quantile(times, 0.5) << " ms, p95 " << quantile(times, 0.95)
        << " ms; 1280x800 only (" << desktopTimes.size() << "): median " << quantile(desktopTimes, 0.5)
        << " ms, p95 " << quantile(desktopTimes, 0.95) << " ms; processor time "
        << QString::number(processor / std::max(1, count), 'f', 0) << " ms per image on average\n";
    out << "  resident memory: " << QString::number(before, 'f', 0) << " MiB before, peak "
        << QString::number(peak, 'f', 0) << " MiB\n";
    out << "  all six fields right: " << percent(total.allRight, total.receipts)
        << "; amount and currency right: " << percent(total.amountAndCurrency, total.receipts) << '\n';
    out << "  fields:";
    for (size_t f = 0; f < fields.size(); ++f)
        out << ' ' << fieldNames[f] << ' ' << percent(fields[f], total.receipts) << ';';
    out << '\n';
    for (auto it = styles.cbegin(); it != styles.cend(); ++it)
        out << "  " << qSetFieldWidth(34) << Qt::left << it.key() << qSetFieldWidth(0) << it.value().receipts
            << " receipts, all six " << percent(it.value().allRight, it.value().receipts)
            << ", amount+currency " << percent(it.value().amountAndCurrency, it.value().receipts) << '\n';
    out.flush();
}

bool loadRecognizer(TextRecognizer &recognizer) {
    if (recognizer.load(ReceiptScanner::modelPath()))
        return true;
    std::printf("cannot load the models from %s\n", qPrintable(ReceiptScanner::modelPath()));
    return false;
}

void loadModels(benchmark::State &state) {
    for (auto _ : state) {
        TextRecognizer recognizer;
        if (!recognizer.load(ReceiptScanner::modelPath()))
            state.SkipWithError("models not found");
    }
    state.counters["peak_rss_MiB"] = statusMiB("VmHWM");
}
BENCHMARK(loadModels)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// What a user waits for: the scan and the parse of its text, in wall-clock time. The memory
// counters give the resident memory with the model loaded and its peak during the scans.
void scanReceipt(benchmark::State &state) {
    ReceiptCorpus::Options options;
    options.size = QSize(1280, 800);
    options.layout = ReceiptCorpus::Layout::storeReceipt;
    options.isDark = state.range(0) != 0;
    const ReceiptCorpus::Receipt receipt = ReceiptCorpus::make(tuningSeed, 3, options);
    TextRecognizer recognizer;
    if (!recognizer.load(ReceiptScanner::modelPath())) {
        state.SkipWithError("models not found");
        return;
    }
    LatinReader latin;
    const double afterLoad = statusMiB("VmRSS");
    resetPeakMemory();
    for (auto _ : state) {
        const QString text = ReceiptScanner::recognizeText(receipt.image, recognizer, &latin);
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
    int corpusCount = -1;
    int accuracyCount = -1;
    int outCount = 24;
    bool evaluationOnly = false;
    QString evaluationFolder;
    QString tuningFolder;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        auto nextNumber = [&](int &target) {
            if (i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0])))
                target = std::atoi(argv[++i]);
        };
        if (!std::strcmp(arg, "--corpus")) {
            corpusCount = 60;
            nextNumber(corpusCount);
        } else if (!std::strcmp(arg, "--accuracy")) {
            accuracyCount = 60;
            nextNumber(accuracyCount);
        } else if (!std::strcmp(arg, "--evaluation")) {
            evaluationOnly = true;
        } else if (!std::strcmp(arg, "--corpus-out") && i + 1 < argc) {
            corpusFolder = QString::fromLocal8Bit(argv[++i]);
            nextNumber(outCount);
        } else if (!std::strcmp(arg, "--evaluation-folder") && i + 1 < argc) {
            evaluationFolder = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(arg, "--tuning-folder") && i + 1 < argc) {
            tuningFolder = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(arg, "--first")) {
            nextNumber(g_first);
        } else if (!std::strcmp(arg, "--save-wrong") && i + 1 < argc) {
            g_saveFolder = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(arg, "--release")) {
            // The program loads the recogniser as a plugin; this benchmark links it, so the
            // memory the program sees is measured by a program that does not.
            return QProcess::execute(QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/bench_ocr_release"));
        } else if (!std::strcmp(arg, "--verbose")) {
            ++g_verbose;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (!corpusFolder.isEmpty()) {
        ReceiptCorpus::Options options;
        options.corpus = evaluationOnly ? ReceiptCorpus::Corpus::evaluation : ReceiptCorpus::Corpus::tuning;
        const int written = ReceiptCorpus::writeFolder(
            corpusFolder, evaluationOnly ? evaluationSeed : tuningSeed, outCount, options, g_first);
        std::printf("%d receipts written to %s\n", written, qPrintable(corpusFolder));
        return written == outCount ? 0 : 1;
    }
    if (corpusCount >= 0 || accuracyCount >= 0 || !evaluationFolder.isEmpty() || !tuningFolder.isEmpty()) {
        QElapsedTimer timer;
        timer.start();
        TextRecognizer recognizer;
        if (!loadRecognizer(recognizer))
            return 1;
        LatinReader latin;
        std::printf("model load: %lld ms, resident memory after load %.0f MiB\n",
                    static_cast<long long>(timer.elapsed()), statusMiB("VmRSS"));
        const auto generatedSamples = [](ReceiptCorpus::Corpus corpus, int count) {
            QList<std::function<Sample()>> samples;
            for (int i = g_first; i < g_first + count; ++i)
                samples.append([corpus, i] { return generated(corpus, i); });
            return samples;
        };
        const QString tuningTitle =
            QStringLiteral("tuning corpus (generated, seed %1, from %2)").arg(tuningSeed).arg(g_first);
        const QString typefacesTitle =
            QStringLiteral("generated corpus in other typefaces (seed %1, from %2; looked at while tuning)")
                .arg(evaluationSeed)
                .arg(g_first);
        if (corpusCount >= 0) {
            runCorpus(tuningTitle, generatedSamples(ReceiptCorpus::Corpus::tuning, corpusCount), recognizer,
                      latin);
            runCorpus(typefacesTitle, generatedSamples(ReceiptCorpus::Corpus::evaluation, corpusCount),
                      recognizer, latin);
        } else if (accuracyCount > 0) {
            runCorpus(evaluationOnly ? typefacesTitle : tuningTitle,
                      generatedSamples(evaluationOnly ? ReceiptCorpus::Corpus::evaluation
                                                      : ReceiptCorpus::Corpus::tuning,
                                       accuracyCount),
                      recognizer, latin);
        }
        for (const auto &[folder, title, tunedOn] :
             {std::tuple{tuningFolder, QStringLiteral("web tuning corpus (browser-made, tuned on) in "),
                         true},
              std::tuple{evaluationFolder,
                         QStringLiteral("evaluation corpus (browser-made, never tuned on) in "), false}}) {
            if (folder.isEmpty())
                continue;
            const auto samples = folderSamples(folder);
            if (samples.isEmpty()) {
                std::printf("no receipts listed in %s/styles.tsv\n", qPrintable(folder));
                return 1;
            }
            runCorpus(title + folder, samples, recognizer, latin, tunedOn);
        }
        return 0;
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
