#include "ReceiptCorpus.h"
#include "receipt/ReceiptParser.h"
#include "receipt/ReceiptScanner.h"

#include <QGuiApplication>
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
        QTest::addColumn<bool>("nameReliable");
        // Light and dark pages, Chinese, English and mixed text, small and large type, and each
        // way of writing a currency.
        QTest::newRow("￥ before a yearly price, dark, 13px") << 210 << true;
        QTest::newRow("¥ price followed by /月, dark, 16px") << 194 << true;
        QTest::newRow("HK$, English, dark, 13px") << 30 << true;
        QTest::newRow("$, English, light, 13px") << 21 << true;
        QTest::newRow("€ on its own line, Chinese, light, 30px") << 175 << true;
        QTest::newRow("£, English, dark, 45px") << 45 << true;
        QTest::newRow("元 after the amount, light, 34px") << 11 << true;
        QTest::newRow("EUR code, mixed, light, 30px") << 200 << true;
        // Glyphs of a large bold amount are solid enough to pass for icons.
        QTest::newRow("¥ in large bold type, English, dark, 15px") << 736 << true;
        QTest::newRow("CNY code in large bold type, English, light, 51px") << 895 << true;
        QTest::newRow("RMB code in large bold type, Chinese, light, 13px") << 1196 << true;
        // The Chinese model takes the $ of US$ for a Han character set against the US.
        QTest::newRow("US$ set against its letters, Chinese, light, 16px") << 834 << true;
        // The English model reads the decimal point as a comma, the Chinese one as a point.
        QTest::newRow("¥9.90/月, Chinese, dark, 14px") << 841 << true;
        // The blank between a Chinese name and the Latin word after it, or the other way round.
        QTest::newRow("Chinese then Latin in a name, Chinese, dark, 16px") << 727 << true;
        QTest::newRow("Latin then Chinese in a name, Chinese, light, 26px") << 902 << true;
    }

    void readsAmountAndCurrency() {
        QFETCH(int, index);
        QFETCH(bool, nameReliable);
        const ReceiptCorpus::Receipt receipt = ReceiptCorpus::make(corpusSeed, index);
        const QString text = ReceiptScanner::recognizeText(receipt.image);
        const Subscription expected = parse(receipt.text);
        const Subscription got = parse(text);
        QVERIFY2(expected.amount > 0, qPrintable(receipt.label()));
        QVERIFY2(got.amount == expected.amount && got.currency == expected.currency,
                 qPrintable(receipt.label() + u'\n' + text));
        if (nameReliable)
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

    // Scans on two threads at once use engines of their own and read as a scan alone does.
    void overlappingScansReadAsScansAlone() {
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
    }
};

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    TestReceiptScanner test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_receipt_scanner.moc"
