// The clean-up of a page before its lines are read.
#include "receipt/ScanImage.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

class TestScanImage : public QObject {
    Q_OBJECT

private slots:
    // On a one-row image the background of each pixel is the brightest value within the radius
    // along the row, cut short at the row's ends, whatever the row's length against the window.
    void flattensByTheBrightestNeighbour_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("radius");
        QTest::newRow("one pixel") << 1 << 1;
        QTest::newRow("row shorter than the radius") << 5 << 8;
        QTest::newRow("row as wide as the window") << 7 << 3;
        QTest::newRow("radius one") << 200 << 1;
        QTest::newRow("last block cut short") << 203 << 5;
        QTest::newRow("radius over half the row") << 30 << 20;
    }

    void flattensByTheBrightestNeighbour() {
        QFETCH(int, width);
        QFETCH(int, radius);
        QRandomGenerator random(quint32(width * 131 + radius));
        QImage row(width, 1, QImage::Format_Grayscale8);
        for (int x = 0; x < width; ++x)
            row.scanLine(0)[x] = uchar(random.bounded(256));
        const QImage original = row.copy();
        ScanImage::flattenBackground(row, radius);
        const uchar *in = original.constScanLine(0);
        for (int x = 0; x < width; ++x) {
            const int background =
                *std::max_element(in + std::max(0, x - radius), in + std::min(width, x + radius + 1));
            const int expected =
                background == 0 ? 255 : std::min(255, (in[x] * ((255 << 16) / background)) >> 16);
            QCOMPARE(int(row.constScanLine(0)[x]), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestScanImage)

#include "tst_scan_image.moc"
