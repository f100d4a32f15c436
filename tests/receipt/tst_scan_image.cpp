// The clean-up of a page before its lines are read.
#include "receipt/ScanImage.h"
#include "receipt/TextLines.h"

#include <QLinearGradient>
#include <QPainter>
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

    // Every fill (the page, a card, a dialog over a dimmed page, a gradient) turns white and its
    // text dark, whether the text is darker or lighter than that fill; a filled shape without
    // text goes whole, its soft rim too.
    void flattensEachFillOnItsOwn_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("fillFrom");
        QTest::addColumn<int>("fillTo");
        QTest::addColumn<int>("ink");
        QTest::addColumn<bool>("text");
        QTest::addColumn<int>("inset"); // from the card's top to its first row of text
        QTest::newRow("dark text, light card") << 235 << 255 << 255 << 40 << true << 30;
        QTest::newRow("white text, dark card") << 240 << 70 << 70 << 250 << true << 30;
        QTest::newRow("dark text, dialog over a dimmed page") << 100 << 250 << 250 << 30 << true << 30;
        QTest::newRow("white text, gradient card") << 245 << 30 << 150 << 255 << true << 30;
        QTest::newRow("heading at the top edge of its card") << 200 << 255 << 255 << 40 << true << 3;
        QTest::newRow("filled icon") << 245 << 60 << 60 << 60 << false << 30;
    }

    void flattensEachFillOnItsOwn() {
        QFETCH(int, page);
        QFETCH(int, fillFrom);
        QFETCH(int, fillTo);
        QFETCH(int, ink);
        QFETCH(bool, text);
        QFETCH(int, inset);
        QImage image(420, 300, QImage::Format_Grayscale8);
        image.fill(uchar(page));
        // Two cards, or two icons, one above the other.
        const QList<QRect> cards = text ? QList<QRect>{QRect(20, 20, 380, 110), QRect(20, 160, 380, 110)}
                                        : QList<QRect>{QRect(180, 60, 40, 40), QRect(180, 180, 40, 40)};
        QPainter painter(&image);
        QList<QRect> strokes;
        for (const QRect &card : cards) {
            painter.setRenderHint(QPainter::Antialiasing);
            QLinearGradient gradient(card.topLeft(), card.topRight());
            gradient.setColorAt(0, QColor(fillFrom, fillFrom, fillFrom));
            gradient.setColorAt(1, QColor(fillTo, fillTo, fillTo));
            painter.setPen(Qt::NoPen);
            painter.setBrush(gradient);
            painter.drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
            painter.setRenderHint(QPainter::Antialiasing, false);
            // Rows of strokes, three pixels wide, as text is.
            for (int y = card.top() + inset; text && y + 14 < card.bottom() - 20; y += 28)
                for (int x = 50; x + 3 < 370; x += 9)
                    strokes << QRect(x, y, 3, 14);
        }
        for (const QRect &stroke : std::as_const(strokes))
            painter.fillRect(stroke, QColor(ink, ink, ink));
        painter.end();
        ScanImage::flattenRegions(image, 14);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const bool stroke = std::any_of(strokes.begin(), strokes.end(),
                                                [x, y](const QRect &r) { return r.contains(x, y); });
                const int v = image.constScanLine(y)[x];
                if (stroke ? v > 80 : v < 235)
                    QFAIL(qPrintable(QStringLiteral("%1 at %2,%3").arg(v).arg(x).arg(y)));
            }
        }
    }

    // A dialog over a dimmed app. Its margins, narrower than a line, join every row into one band
    // of ink until the fills are flat, then the lines show. Thin grey type on it never reaches the
    // threshold that the dimmed grey, the page's commonest shade, gives: measured against the
    // threshold of its own paper, it is not taken for the large text of an icon's height, and the
    // page is not shrunk.
    void measuresLinesOnADialog_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("dialog");
        QTest::addColumn<int>("ink");
        QTest::addColumn<bool>("icon");
        QTest::newRow("narrow dimmed margins") << QSize(400, 2400) << QRect(10, 60, 380, 1300) << 30 << false;
        QTest::newRow("thin grey type beside an icon")
            << QSize(1280, 800) << QRect(420, 158, 440, 600) << 130 << true;
    }

    void measuresLinesOnADialog() {
        QFETCH(QSize, size);
        QFETCH(QRect, dialog);
        QFETCH(int, ink);
        QFETCH(bool, icon);
        QImage image(size, QImage::Format_Grayscale8);
        image.fill(uchar(245));
        QPainter painter(&image);
        painter.fillRect(0, 0, size.width(), dialog.bottom() + 40, QColor(95, 95, 95));
        painter.fillRect(dialog, Qt::white);
        // An app's icon, darker than the type.
        if (icon)
            painter.fillRect(dialog.left() + 20, dialog.top() + 4, 72, 72, QColor(20, 20, 20));
        for (int y = dialog.top() + 80; y + 14 < dialog.bottom(); y += 40)
            for (int x = dialog.left() + 20; x + 3 < dialog.right() - 20; x += 9)
                painter.fillRect(x, y, 3, 14, QColor(ink, ink, ink));
        painter.end();
        const ScanImage::Prepared prepared = ScanImage::prepare(image);
        QCOMPARE(prepared.lineHeight, 14);
        QCOMPARE(prepared.scale, 1.0);
    }

    // Where two fills meet side by side (a sidebar beside a message, cards side by side), no line
    // runs across their edge, however narrow the blank beside it; a label and its price on one
    // fill are one line. No stroke is left out of the lines, even one set close to the edge. Rows
    // still join what stands at the same height, as the eye takes it.
    void findsNoLineAcrossFills_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QList<QRect>>("fills");
        QTest::addColumn<int>("fill");
        QTest::addColumn<QList<int>>("text"); // left and right ends of the two runs of text
        QTest::addColumn<bool>("oneLine");
        QTest::newRow("sidebar beside a message")
            << 255 << QList<QRect>{{0, 0, 200, 200}} << 236 << QList<int>{20, 191, 209, 500} << false;
        QTest::newRow("text close to the sidebar's edge")
            << 255 << QList<QRect>{{0, 0, 200, 200}} << 236 << QList<int>{20, 196, 205, 500} << false;
        QTest::newRow("dark sidebar")
            << 250 << QList<QRect>{{0, 0, 200, 200}} << 40 << QList<int>{20, 191, 209, 500} << false;
        QTest::newRow("cards side by side") << 232 << QList<QRect>{{10, 20, 285, 160}, {305, 20, 285, 160}}
                                            << 255 << QList<int>{30, 286, 314, 560} << false;
        QTest::newRow("label and price on one card")
            << 232 << QList<QRect>{{10, 20, 580, 160}} << 255 << QList<int>{30, 280, 298, 560} << true;
        QTest::newRow("label and price on a plain page")
            << 255 << QList<QRect>{} << 255 << QList<int>{30, 280, 298, 560} << true;
    }

    void findsNoLineAcrossFills() {
        QFETCH(int, page);
        QFETCH(QList<QRect>, fills);
        QFETCH(int, fill);
        QFETCH(QList<int>, text);
        QFETCH(bool, oneLine);
        QImage image(900, 200, QImage::Format_Grayscale8);
        image.fill(uchar(page));
        QPainter painter(&image);
        for (const QRect &r : std::as_const(fills))
            painter.fillRect(r, QColor(fill, fill, fill));
        // Three rows of strokes on each side, those on the right two pixels lower.
        QList<QRect> strokes;
        for (int side = 0; side < 2; ++side)
            for (int y = 60; y < 150; y += 30)
                for (int x = text[2 * side]; x + 3 <= text[2 * side + 1]; x += 9)
                    strokes << QRect(x, y + 2 * side, 3, 14);
        for (const QRect &stroke : std::as_const(strokes)) {
            const bool onDark = fill < 128 && std::any_of(fills.begin(), fills.end(),
                                                          [&](const QRect &r) { return r.contains(stroke); });
            painter.fillRect(stroke, onDark ? QColor(230, 230, 230) : QColor(30, 30, 30));
        }
        painter.end();
        const ScanImage::Prepared prepared = ScanImage::prepare(image);
        const QList<QRect> lines = TextLines::find(prepared.image, prepared.lineHeight, prepared.edges);
        for (const QRect &stroke : std::as_const(strokes))
            QVERIFY(
                std::any_of(lines.begin(), lines.end(), [&](const QRect &l) { return l.contains(stroke); }));
        QCOMPARE(lines.size(), oneLine ? 3 : 6);
        for (const QRect &line : lines)
            QCOMPARE(line.left() <= text[1] && line.right() >= text[2], oneLine);
        QCOMPARE(TextLines::rows(lines).size(), 3);
    }

    // Text lighter than its paper is dark mode, however light the paper; a light dialog over an
    // app dimmed to a middle grey is dark text on both.
    void tellsDarkModeByItsText_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("ink");
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<bool>("dark");
        QTest::newRow("light page") << 250 << 30 << false << false;
        QTest::newRow("dark page") << 20 << 230 << false << true;
        QTest::newRow("dimmed page, light dialog") << 100 << 30 << true << false;
    }

    void tellsDarkModeByItsText() {
        QFETCH(int, paper);
        QFETCH(int, ink);
        QFETCH(bool, dialog);
        QFETCH(bool, dark);
        QImage page(640, 480, QImage::Format_Grayscale8);
        page.fill(uchar(paper));
        const QRect panel = dialog ? QRect(160, 80, 320, 320) : QRect();
        QPainter painter(&page);
        painter.fillRect(panel, QColor(255, 255, 255));
        // Rows of strokes, three pixels wide, as text is.
        for (int y = 20; y + 14 < page.height(); y += 28)
            for (int x = 20; x + 3 < page.width() - 20; x += 9)
                painter.fillRect(x, y, 3, 14, QColor(ink, ink, ink));
        painter.end();
        QCOMPARE(ScanImage::hasDarkBackground(page), dark);
    }

    // A card's frame, the dimmed margin beside a dialog and the rim and emblem an app's tile leaves
    // when its fill is flattened are drawn, not written: they go, and the text inside stays,
    // however bold. A large round letter stays.
    void clearsWhatIsDrawn_data() {
        QTest::addColumn<QString>("drawn");
        QTest::addColumn<bool>("gone");
        QTest::newRow("frame") << "frame" << true;
        QTest::newRow("filled margin") << "margin" << true;
        QTest::newRow("tile rim and emblem") << "tile" << true;
        QTest::newRow("large round letter") << "letter" << false;
    }

    void clearsWhatIsDrawn() {
        QFETCH(QString, drawn);
        QFETCH(bool, gone);
        QImage page(400, 160, QImage::Format_Grayscale8);
        page.fill(255);
        QPainter painter(&page);
        QRect area;
        if (drawn == u"frame") {
            area = QRect(20, 20, 300, 120);
            painter.drawRect(area);
        } else if (drawn == u"margin") {
            area = QRect(0, 0, 40, 160);
            painter.fillRect(area, Qt::black);
        } else if (drawn == u"tile") {
            area = QRect(200, 40, 57, 57);
            painter.setPen(QPen(Qt::black, 6));
            painter.drawRoundedRect(area.adjusted(3, 3, -3, -3), 10, 10);
            painter.setPen(QPen(Qt::black, 3));
            painter.drawEllipse(area.adjusted(16, 16, -16, -16));
        } else {
            area = QRect(200, 40, 36, 44);
            painter.setPen(QPen(Qt::black, 6));
            painter.drawEllipse(area.adjusted(3, 3, -3, -3));
        }
        painter.setPen(Qt::NoPen);
        const QList<QRect> strokes{QRect(60, 50, 2, 14), QRect(70, 50, 8, 14), QRect(90, 90, 2, 14)};
        for (const QRect &stroke : strokes)
            painter.fillRect(stroke, Qt::black);
        painter.end();
        ScanImage::clearGraphics(page, 14);
        // The strokes whole; beside them, at most the specks where a frame's sides meet, or what
        // stays of what was drawn.
        int strayInk = 0;
        int inkLeft = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const bool stroke = std::any_of(strokes.begin(), strokes.end(),
                                                [x, y](const QRect &r) { return r.contains(x, y); });
                const bool ink = page.constScanLine(y)[x] < 190;
                QVERIFY(ink || !stroke);
                strayInk += ink && !stroke;
                inkLeft += ink && area.contains(x, y);
            }
        }
        if (gone)
            QVERIFY(strayInk <= 4);
        else
            QVERIFY(inkLeft > 100);
    }
};

QTEST_GUILESS_MAIN(TestScanImage)

#include "tst_scan_image.moc"
