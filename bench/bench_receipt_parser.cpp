// Receipt parser throughput: one typical receipt, and 1 MiB (in UTF-16 code units) of text shaped
// to hit the parser's costly paths. The parse must stay linear: 1 MiB well under a second.
#include "receipt/ReceiptParser.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QString>
#include <QTimeZone>

namespace {

constexpr qsizetype oneMiB = 1 << 20;

const QString &typicalReceipt() {
    static const QString text = QStringLiteral("Netflix\n"
                                               "高级套餐\n"
                                               "您好，感谢您的订阅\n"
                                               "订单编号 2f9c1a7e-4b2d-4c11-9e0f\n"
                                               "原价 ¥88.00\n"
                                               "实付 ¥68.00/月\n"
                                               "下次扣款日期 2025年3月7日\n"
                                               "支付方式 微信支付\n"
                                               "help.netflix.com\n");
    return text;
}

// Repeats `unit` until the text holds `size` code units.
QString filled(const QString &unit, qsizetype size = oneMiB) {
    QString text;
    text.reserve(size + unit.size());
    while (text.size() < size)
        text += unit;
    text.truncate(size);
    return text;
}

const QString &mixedReceipts() {
    static const QString text =
        filled(typicalReceipt() + QStringLiteral("Spotify Premium Individual\n"
                                                 "Total: $9.99 per month\n"
                                                 "Invoice date 2025-03-07\n"
                                                 "HK$ 88 / RMB 30 / 30元 / JPY 1200\n"
                                                 "Dear customer, thanks for your order.\n"
                                                 "ChatGPT Plus subscription · openai.com\n"
                                                 "12个月 会员 自动续费\n"));
    return text;
}

const QString &singleLine() {
    static const QString text = QString(mixedReceipts()).replace(u'\n', u' ');
    return text;
}

const QString &digitsOnly() {
    static const QString text = filled(QStringLiteral("1234567890"));
    return text;
}

const QString &densePrices() {
    static const QString text = filled(QStringLiteral("¥12.34 56元 USD7.8 HK$9 2025-01-31 3个月 "));
    return text;
}

// Every line a short, name-like candidate that reaches the scoring and noise patterns.
const QString &shortLines() {
    static const QString text = filled(QStringLiteral("Premium 会员\nnetflix.com\nuser_name.01\n"));
    return text;
}

// One digit run with the unit only at its far end, and runs of blanks between number and unit.
const QString &longRuns() {
    static const QString text = filled(QStringLiteral("7"), oneMiB / 2) + QStringLiteral("x元 ") +
                                QString(oneMiB / 2 - 4, u' ') + u'年';
    return text;
}

void parseText(benchmark::State &state, const QString &text) {
    const QTimeZone zone("Asia/Shanghai");
    const QDateTime now(QDate(2025, 6, 1), QTime(12, 0), zone);
    for (auto _ : state) {
        Subscription proposal = ReceiptParser::parse(text, now, zone);
        benchmark::DoNotOptimize(proposal);
    }
    state.SetBytesProcessed(state.iterations() * text.size() * qsizetype(sizeof(QChar)));
}

void typical(benchmark::State &state) {
    parseText(state, typicalReceipt());
}
void mixed1MiB(benchmark::State &state) {
    parseText(state, mixedReceipts());
}
void singleLine1MiB(benchmark::State &state) {
    parseText(state, singleLine());
}
void digits1MiB(benchmark::State &state) {
    parseText(state, digitsOnly());
}
void prices1MiB(benchmark::State &state) {
    parseText(state, densePrices());
}
void shortLines1MiB(benchmark::State &state) {
    parseText(state, shortLines());
}
void longRuns1MiB(benchmark::State &state) {
    parseText(state, longRuns());
}

} // namespace

BENCHMARK(typical)->Unit(benchmark::kMicrosecond);
BENCHMARK(mixed1MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(singleLine1MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(digits1MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(prices1MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(shortLines1MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(longRuns1MiB)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
