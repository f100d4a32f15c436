#include "ReceiptCorpus.h"
#include "receipt/ReceiptParser.h"
#include "receipt/ReceiptScanner.h"
#include "receipt/TextRecognizer.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>

#include <thread>

namespace {

// The corpus the recogniser's accuracy is measured on; these receipts are some of it.
constexpr quint64 corpusSeed = 20250307;

QTimeZone zone() {
    return QTimeZone("Asia/Shanghai");
}

QDateTime now() {
    return QDateTime(QDate(2026, 6, 15), QTime(12, 0), zone());
}

Subscription parse(const QString &text) {
    return ReceiptParser::parse(text, now(), zone());
}

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestReceiptScanner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!ReceiptScanner::isAvailable())
            QSKIP("the recognition models are not installed");
    }

    void readsAmountAndCurrency_data() {
        QTest::addColumn<int>("index");
        // Light and dark pages, Chinese, English and mixed text, small and large type, and each
        // way of writing a currency, among them the signs the recogniser's dictionary lacks.
        QTest::newRow("￥ before a yearly price, dark, 13px") << 210;
        QTest::newRow("HK$, English, dark, 13px") << 30;
        QTest::newRow("€ on its own line, Chinese, light, 30px") << 175;
        QTest::newRow("£, English, dark, 45px") << 45;
        QTest::newRow("元 after the amount, light, 34px") << 11;
        // The blank between a Chinese name and the Latin word after it, or the other way round.
        QTest::newRow("Chinese then Latin in a name, Chinese, dark, 16px") << 727;
        QTest::newRow("Latin then Chinese in a name, Chinese, light, 26px") << 902;
    }

    void readsAmountAndCurrency() {
        QFETCH(int, index);
        const ReceiptCorpus::Receipt receipt = ReceiptCorpus::make(corpusSeed, index);
        const QString text = ReceiptScanner::recognizeText(receipt.image);
        const Subscription expected = parse(receipt.text);
        const Subscription got = parse(text);
        QVERIFY2(expected.amount > 0, qPrintable(receipt.label()));
        QVERIFY2(got.amount == expected.amount && got.currency == expected.currency,
                 qPrintable(receipt.label() + u'\n' + text));
        QCOMPARE(got.name, expected.name);
        // Chinese is written without blanks: any blank read between two Chinese characters must
        // stand in the receipt too (a label and its value).
        static const QRegularExpression hanBlankHan(QStringLiteral("\\p{Han} \\p{Han}"));
        for (auto it = hanBlankHan.globalMatch(text); it.hasNext();) {
            const QString pair = it.next().captured();
            QVERIFY2(receipt.text.contains(pair), qPrintable(pair + u'\n' + text));
        }
    }

    void unreadableImagesGiveNoText_data() {
        QTest::addColumn<QImage>("image");
        QTest::newRow("null") << QImage();
        QTest::newRow("0×0") << QImage(0, 0, QImage::Format_RGB32);
        QTest::newRow("1×1") << filled(QSize(1, 1), Qt::black);
        QTest::newRow("one row") << filled(QSize(2000, 1), Qt::black);
        QTest::newRow("all white") << filled(QSize(1280, 800), Qt::white);
        QTest::newRow("all black") << filled(QSize(1280, 800), Qt::black);
        QTest::newRow("all grey, indexed")
            << filled(QSize(640, 400), Qt::gray).convertToFormat(QImage::Format_Indexed8);
    }

    void unreadableImagesGiveNoText() {
        QFETCH(QImage, image);
        QCOMPARE(ReceiptScanner::recognizeText(image), QString());
    }

    // A screenshot far larger than a screen is scaled down and read, not refused.
    void readsHugeImage() {
        const ReceiptCorpus::Receipt receipt = ReceiptCorpus::make(corpusSeed, 45);
        const QImage huge =
            receipt.image.convertToFormat(QImage::Format_Grayscale8)
                .scaled(receipt.image.size() * 5, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(qint64(huge.width()) * huge.height() > 20'000'000);
        const Subscription got = parse(ReceiptScanner::recognizeText(huge));
        const Subscription expected = parse(receipt.text);
        QCOMPARE(got.amount, expected.amount);
        QCOMPARE(got.currency, expected.currency);
    }

    // A strip half as wide as the recogniser's or narrower is read by a graph of that width: it
    // reads the characters where the full-width graph, with paper beyond, reads them.
    void readsNarrowStripWhereWideOneReads() {
        TextRecognizer recognizer;
        QVERIFY(recognizer.load(ReceiptScanner::modelPath()));
        QImage narrow(TextRecognizer::narrowWidth, TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        narrow.fill(255);
        QPainter painter(&narrow);
        QFont font = painter.font();
        font.setPixelSize(30);
        painter.setFont(font);
        painter.drawText(8, 36, QStringLiteral("Netflix ¥108.00"));
        painter.end();
        QImage wide(TextRecognizer::narrowWidth + 1, TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        wide.fill(255);
        QPainter(&wide).drawImage(0, 0, narrow);
        QString text;
        QList<int> steps;
        for (const TextRecognizer::Glyph &glyph : recognizer.read(narrow)) {
            text += glyph.character;
            if (!glyph.character.isSpace())
                steps << glyph.step;
        }
        QCOMPARE(text, QStringLiteral("Netflix ¥108.00"));
        QList<int> wideSteps;
        for (const TextRecognizer::Glyph &glyph : recognizer.read(wide)) {
            if (!glyph.character.isSpace())
                wideSteps << glyph.step;
        }
        QCOMPARE(steps, wideSteps);
    }

    // An old price struck out in grey beside the new one in black: both are read, as a reader
    // sees them, the grey one in its own contrast.
    void readsStruckOutPriceBesideNewOne() {
        QImage image(360, 48, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QFont font = painter.font();
        font.setPixelSize(16);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        const QString old = QStringLiteral("¥370.00");
        const int baseline = 30;
        const int strike = baseline - metrics.capHeight() / 2;
        painter.setPen(QColor(165, 165, 165));
        painter.drawText(20, baseline, old);
        painter.drawLine(20, strike, 20 + metrics.horizontalAdvance(old), strike);
        painter.setPen(Qt::black);
        painter.drawText(30 + metrics.horizontalAdvance(old), baseline, QStringLiteral("¥185.00"));
        painter.end();
        const QString text = ReceiptScanner::recognizeText(image);
        QVERIFY2(text.contains(QStringLiteral("370.00")) && text.contains(QStringLiteral("185.00")),
                 qPrintable(text));
    }

    // Scans on two threads at once use recognisers of their own and read as a scan alone does;
    // once no scan has run for the idle delay, every recogniser is released, and the next scan
    // loads one again.
    void overlappingScansReadAsScansAloneAndModelsAreReleasedWhenIdle() {
        const QImage first = ReceiptCorpus::make(corpusSeed, 30).image;
        const QImage second = ReceiptCorpus::make(corpusSeed, 210).image;
        const QString firstAlone = ReceiptScanner::recognizeText(first);
        const QString secondAlone = ReceiptScanner::recognizeText(second);
        QVERIFY(!firstAlone.isEmpty());
        QVERIFY(!secondAlone.isEmpty());
        QString firstTogether;
        QString secondTogether;
        std::thread other([&] { secondTogether = ReceiptScanner::recognizeText(second); });
        firstTogether = ReceiptScanner::recognizeText(first);
        other.join();
        QCOMPARE(firstTogether, firstAlone);
        QCOMPARE(secondTogether, secondAlone);
        QVERIFY(ReceiptScanner::loadedRecognizers() > 0);

        ReceiptScanner::setIdleRelease(std::chrono::milliseconds(0));
        QTRY_COMPARE(ReceiptScanner::loadedRecognizers(), 0);
        ReceiptScanner::setIdleRelease(ReceiptScanner::defaultIdleRelease);
        QCOMPARE(ReceiptScanner::recognizeText(first), firstAlone);
        QCOMPARE(ReceiptScanner::loadedRecognizers(), 1);
    }
};

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    TestReceiptScanner test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_receipt_scanner.moc"
