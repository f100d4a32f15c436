#include "views/BrandAvatar.h"
#include "views/FittedLabel.h"
#include "views/IconButton.h"
#include "views/ScanMenuButton.h"
#include "views/SoftButton.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "views/TileButton.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QSignalSpy>
#include <QTest>
#include <QTextLayout>

namespace {

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
    void softButtonRunsActionOncePerClick();
    void paintedButtonsRingOnlyForKeyboardFocus_data();
    void paintedButtonsRingOnlyForKeyboardFocus();
    void chineseTextIsDrawnInTheWeightAsked_data();
    void chineseTextIsDrawnInTheWeightAsked();
    void everySymbolOfTheViewsExists_data();
    void everySymbolOfTheViewsExists();
    void unknownSymbolDrawsNothing();
    void fittedLabelTakesTheLargestSizeThatFits_data();
    void fittedLabelTakesTheLargestSizeThatFits();
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

void TestViews::paintedButtonsRingOnlyForKeyboardFocus_data() {
    QTest::addColumn<QString>("face");
    QTest::newRow("soft button") << QStringLiteral("soft");
    QTest::newRow("icon button") << QStringLiteral("icon");
    QTest::newRow("scan menu") << QStringLiteral("scan");
    QTest::newRow("detail tile") << QStringLiteral("tile");
}

void TestViews::paintedButtonsRingOnlyForKeyboardFocus() {
    QFETCH(QString, face);
    QWidget window;
    PaintedButton *button = nullptr;
    if (face == QLatin1String("soft")) {
        button = new SoftButton({.title = QStringLiteral("Add"), .icon = QStringLiteral("plus")}, &window);
    } else if (face == QLatin1String("icon")) {
        auto *icon = new IconButton(IconButton::closeLook(), &window);
        icon->setTitle(QStringLiteral("Close"));
        // The title of a symbol-only button is its tooltip too.
        QCOMPARE(icon->toolTip(), QStringLiteral("Close"));
        button = icon;
    } else if (face == QLatin1String("scan")) {
        button = new ScanMenuButton(&window);
    } else {
        auto *tile = new TileButton(
            {.titleFont = Theme::font(12), .color = Theme::text(), .fill = Theme::card()}, {}, &window);
        tile->setFace(QStringLiteral("pencil"), QStringLiteral("Edit"));
        button = tile;
    }
    auto *other = new SoftButton({.title = QStringLiteral("Other")}, &window);
    other->move(0, 80);
    button->resize(button->sizeHint().expandedTo(QSize(60, 30)));
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(!button->title().isEmpty());
    QCOMPARE(button->accessibleName(), button->title());

    other->setFocus(Qt::OtherFocusReason);
    const QImage rest = renderOnBlack(*button);
    // Focus given by the program (a sheet opening) draws nothing.
    button->setFocus(Qt::OtherFocusReason);
    QVERIFY(button->hasFocus());
    QVERIFY(!button->hasKeyboardFocus());
    QCOMPARE(renderOnBlack(*button), rest);
    // Focus that came by Tab draws the ring.
    other->setFocus(Qt::OtherFocusReason);
    button->setFocus(Qt::TabFocusReason);
    QVERIFY(button->hasKeyboardFocus());
    QVERIFY(renderOnBlack(*button) != rest);
}

void TestViews::chineseTextIsDrawnInTheWeightAsked_data() {
    QTest::addColumn<int>("weight");
    QTest::addColumn<QString>("style");
    QTest::newRow("regular") << int(QFont::Normal) << QStringLiteral("Regular");
    QTest::newRow("medium") << int(QFont::Medium) << QStringLiteral("Medium");
    QTest::newRow("semibold") << int(QFont::DemiBold) << QStringLiteral("Bold");
    QTest::newRow("bold") << int(QFont::Bold) << QStringLiteral("Bold");
}

void TestViews::chineseTextIsDrawnInTheWeightAsked() {
    QFETCH(int, weight);
    QFETCH(QString, style);
    // The face that draws the Han characters of a mixed line, not the one the font asked for first.
    QTextLayout layout(QStringLiteral("近 7 天待扣费"), Theme::font(17, QFont::Weight(weight)));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList hanFaces;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QRawFont font = run.rawFont();
        if (font.supportsCharacter(QChar(u'天')))
            hanFaces.append(font.familyName() + QLatin1Char('/') + font.styleName());
    }
    QCOMPARE(hanFaces, QStringList{QStringLiteral("Noto Sans CJK SC/") + style});
}

void TestViews::softButtonRunsActionOncePerClick() {
    int runs = 0;
    SoftButton button({.title = QStringLiteral("Open Renewly"),
                       .icon = QStringLiteral("macwindow"),
                       .action = [&runs] { ++runs; }});
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

void TestViews::fittedLabelTakesTheLargestSizeThatFits_data() {
    QTest::addColumn<int>("width");
    for (const int width : {600, 260, 200, 150, 120, 20})
        QTest::newRow(qPrintable(QString::number(width))) << width;
}

void TestViews::fittedLabelTakesTheLargestSizeThatFits() {
    QFETCH(int, width);
    const QFont font = Theme::font(46, QFont::Bold);
    FittedLabel label(font, Qt::white);
    label.setText(QStringLiteral("¥12,345,678.90"));
    label.resize(600, 60);
    QCOMPARE(label.fittedPixelSize(), 46);
    label.resize(width, 60);
    const int size = label.fittedPixelSize();
    QVERIFY(size >= 23 && size <= 46);
    const auto advance = [&font](int pixels) {
        QFont f = font;
        f.setPixelSize(pixels);
        return QFontMetricsF(f).horizontalAdvance(QStringLiteral("¥12,345,678.90"));
    };
    // Fits unless even half size does not; one pixel larger would not fit.
    QVERIFY(size == 23 || advance(size) <= width);
    QVERIFY(size == 46 || advance(size + 1) > width);
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
