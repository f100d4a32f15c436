#include "views/BrandAvatar.h"
#include "views/SoftButton.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {
// The widget drawn on an opaque black canvas, so translucent fills show as grey levels.
QImage renderOnBlack(QWidget &widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}
} // namespace

class TestViews : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void badgeLetter_data();
    void badgeLetter();
    void badgeLetterScalesWithSize_data();
    void badgeLetterScalesWithSize();
    void dimmedBadgeIsFainter();
    void softButtonLooks_data();
    void softButtonLooks();
    void softButtonRunsActionOncePerClick();
    void everySymbolOfTheViewsExists_data();
    void everySymbolOfTheViewsExists();
    void unknownSymbolDrawsNothing();
    void paletteFollowsTheTheme();
};

void TestViews::badgeLetter_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("letter");
    QTest::newRow("empty") << QString() << QStringLiteral("•");
    QTest::newRow("only spaces") << QStringLiteral("   ") << QStringLiteral("•");
    QTest::newRow("only tabs and no-break spaces") << QStringLiteral("\t\u00A0\u3000") << QStringLiteral("•");
    QTest::newRow("leading spaces, lower case") << QStringLiteral("  netflix") << QStringLiteral("N");
    QTest::newRow("leading tab") << QStringLiteral("\tspotify ") << QStringLiteral("S");
    QTest::newRow("ideographic space before Chinese")
        << QStringLiteral("\u3000网易云音乐") << QStringLiteral("网");
    QTest::newRow("Chinese") << QStringLiteral("爱奇艺会员") << QStringLiteral("爱");
    QTest::newRow("digit") << QStringLiteral("1Password") << QStringLiteral("1");
    QTest::newRow("sharp s grows") << QStringLiteral("ßtudio") << QStringLiteral("SS");
    QTest::newRow("precomposed accent") << QStringLiteral("éclair") << QStringLiteral("É");
    QTest::newRow("combining accent stays whole")
        << QStringLiteral("e\u0301clair") << QStringLiteral("E\u0301");
    QTest::newRow("emoji sequence stays whole")
        << QStringLiteral("👩‍💻 Dev tools") << QStringLiteral("👩‍💻");
    QTest::newRow("surrogate pair") << QStringLiteral("𝒜lpha") << QStringLiteral("𝒜");
    // Line breaks are not blanks: they are kept and become the letter.
    QTest::newRow("line break is not trimmed") << QStringLiteral("\nabc") << QStringLiteral("\n");
}

void TestViews::badgeLetter() {
    QFETCH(QString, name);
    QFETCH(QString, letter);
    QCOMPARE(BrandAvatar::letter(name), letter);
    BrandAvatar avatar(name, 42);
    QCOMPARE(avatar.shownLetter(), letter);
}

void TestViews::badgeLetterScalesWithSize_data() {
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("letterSize");
    QTest::newRow("list row") << 42.0 << 16.8;
    QTest::newRow("detail sheet") << 52.0 << 20.8;
    QTest::newRow("upcoming charges") << 38.0 << 15.2;
}

void TestViews::badgeLetterScalesWithSize() {
    QFETCH(double, size);
    QFETCH(double, letterSize);
    QVERIFY(qFuzzyCompare(BrandAvatar::letterSize(size), letterSize));
    BrandAvatar avatar(QStringLiteral("x"), size);
    QCOMPARE(avatar.size(), QSize(qRound(size), qRound(size)));
}

void TestViews::dimmedBadgeIsFainter() {
    // A name whose letter leaves the left part of the disc free: sample the fill there.
    BrandAvatar bright(QStringLiteral("i"), 52, false);
    BrandAvatar dimmed(QStringLiteral("i"), 52, true);
    const QImage a = renderOnBlack(bright);
    const QImage b = renderOnBlack(dimmed);
    const QPoint fillPoint(8, 26);
    // White at 10 % over black is about 26, at 5 % about 13.
    QVERIFY2(qAbs(qRed(a.pixel(fillPoint)) - 26) <= 2, qPrintable(QString::number(qRed(a.pixel(fillPoint)))));
    QVERIFY2(qAbs(qRed(b.pixel(fillPoint)) - 13) <= 2, qPrintable(QString::number(qRed(b.pixel(fillPoint)))));
    // Outside the disc nothing is drawn.
    QCOMPARE(qRed(a.pixel(1, 1)), 0);
    // The letter keeps its shape but is drawn darker.
    int brightest = 0;
    int brightestDimmed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            brightest = qMax(brightest, qRed(a.pixel(x, y)));
            brightestDimmed = qMax(brightestDimmed, qRed(b.pixel(x, y)));
        }
    }
    QVERIFY(brightest > 200);
    QVERIFY(brightestDimmed > 40 && brightestDimmed < 120);
    QCOMPARE(dimmed.shownLetter(), QStringLiteral("I"));
}

void TestViews::softButtonLooks_data() {
    QTest::addColumn<bool>("prominent");
    QTest::addColumn<QString>("icon");
    QTest::newRow("plain, no icon") << false << QString();
    QTest::newRow("plain with icon") << false << QStringLiteral("sparkles");
    QTest::newRow("prominent, no icon") << true << QString();
    QTest::newRow("prominent with icon") << true << QStringLiteral("plus");
}

void TestViews::softButtonLooks() {
    QFETCH(bool, prominent);
    QFETCH(QString, icon);
    SoftButton button(QStringLiteral("Load samples"), icon, prominent);
    QCOMPARE(button.foreground(), prominent ? Theme::onAccent() : Theme::text());
    QCOMPARE(button.fill(), prominent ? Theme::accent() : Theme::whiteAlpha(0.07));

    // Padding 16 left and right, 9 above and below; the icon adds 12 plus 6 of spacing.
    const QFontMetricsF metrics(Theme::font(13, QFont::DemiBold));
    const double content =
        metrics.horizontalAdvance(QStringLiteral("Load samples")) + (icon.isEmpty() ? 0 : 18);
    QCOMPARE(button.sizeHint().width(), qCeil(content + 32));
    QCOMPARE(button.sizeHint().height(), qCeil(qMax(metrics.height(), icon.isEmpty() ? 0.0 : 12.0) + 18));

    button.resize(button.sizeHint());
    const QImage image = renderOnBlack(button);
    // A point inside the rounded fill, left of the content.
    const QRgb fillPixel = image.pixel(6, image.height() / 2);
    if (prominent)
        QVERIFY(qRed(fillPixel) > 230);
    else
        QVERIFY(qRed(fillPixel) > 10 && qRed(fillPixel) < 30);
    // The corners are rounded: the very corner stays empty.
    QCOMPARE(qRed(image.pixel(0, 0)), 0);
}

void TestViews::softButtonRunsActionOncePerClick() {
    int runs = 0;
    SoftButton button(QStringLiteral("Open Renewly"), QStringLiteral("macwindow"), true, [&runs] { ++runs; });
    button.resize(button.sizeHint());
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(runs, 1);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(runs, 2);
}

void TestViews::everySymbolOfTheViewsExists_data() {
    QTest::addColumn<QString>("name");
    for (const char *name : {"creditcard.fill", "bell.badge", "chevron.right", "xmark", "macwindow", "plus",
                             "sparkles", "tray", "text.viewfinder", "doc.text.viewfinder", "doc.on.clipboard",
                             "photo", "pencil", "pause", "play", "doc.on.doc", "trash", "gearshape", "scan"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestViews::everySymbolOfTheViewsExists() {
    QFETCH(QString, name);
    QVERIFY(Symbols::has(name));
    // Drawn in the colour asked for: every painted pixel is that hue, and something is painted.
    const QColor tint(255, 107, 107);
    const QImage image = Symbols::pixmap(name, 24, tint).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(24, 24));
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() < 128)
                continue;
            ++painted;
            QVERIFY2(qAbs(c.red() - 255) <= 3 && qAbs(c.green() - 107) <= 3 && qAbs(c.blue() - 107) <= 3,
                     qPrintable(c.name()));
        }
    }
    QVERIFY(painted > 10);
}

void TestViews::unknownSymbolDrawsNothing() {
    QVERIFY(!Symbols::has(QStringLiteral("no.such.symbol")));
    QVERIFY(Symbols::svg(QStringLiteral("no.such.symbol"), Qt::white).isEmpty());
    const QImage image = Symbols::pixmap(QStringLiteral("no.such.symbol"), 16, Qt::white).toImage();
    QCOMPARE(image.size(), QSize(16, 16));
    QCOMPARE(qAlpha(image.pixel(8, 8)), 0);
}

void TestViews::paletteFollowsTheTheme() {
    QCOMPARE(Theme::bg(), QColor(15, 15, 17));
    QCOMPARE(Theme::card(), QColor(26, 26, 30));
    QCOMPARE(Theme::accent(), Theme::text());
    QCOMPARE(Theme::onAccent(), Theme::bg());
    QVERIFY(qAbs(Theme::textSecondary().alphaF() - 0.55) < 0.01);
    QVERIFY(qAbs(Theme::textTertiary().alphaF() - 0.32) < 0.01);
    QVERIFY(qAbs(Theme::hairline().alphaF() - 0.07) < 0.01);
    const QPalette palette = Theme::palette();
    QCOMPARE(palette.color(QPalette::Window), Theme::bg());
    QCOMPARE(palette.color(QPalette::WindowText), Theme::text());
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
