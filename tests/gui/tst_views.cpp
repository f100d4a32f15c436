#include "views/BrandAvatar.h"
#include "views/FittedLabel.h"
#include "views/IconButton.h"
#include "views/ScanMenuButton.h"
#include "views/SoftButton.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "views/TileButton.h"
#include "views/ViewHelpers.h"

#include <QGlyphRun>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QPixmapCache>
#include <QRawFont>
#include <QStyle>
#include <QTest>
#include <QTextLayout>
#include <QThreadPool>

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
    void badgeLetter_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("letter");
        QTest::newRow("empty") << QString() << u"•"_qs;
        QTest::newRow("only spaces") << u"   "_qs << u"•"_qs;
        QTest::newRow("only tabs and no-break spaces") << u"\t\u00A0\u3000"_qs << u"•"_qs;
        QTest::newRow("leading spaces, lower case") << u"  netflix"_qs << u"N"_qs;
        QTest::newRow("leading tab") << u"\tspotify "_qs << u"S"_qs;
        QTest::newRow("ideographic space before Chinese") << u"\u3000网易云音乐"_qs << u"网"_qs;
        QTest::newRow("Chinese") << u"爱奇艺会员"_qs << u"爱"_qs;
        QTest::newRow("digit") << u"1Password"_qs << u"1"_qs;
        QTest::newRow("sharp s grows") << u"ßtudio"_qs << u"SS"_qs;
        QTest::newRow("precomposed accent") << u"éclair"_qs << u"É"_qs;
        QTest::newRow("combining accent stays whole") << u"e\u0301clair"_qs << u"E\u0301"_qs;
        QTest::newRow("emoji sequence stays whole") << u"👩‍💻 Dev tools"_qs << u"👩‍💻"_qs;
        QTest::newRow("surrogate pair") << u"𝒜lpha"_qs << u"𝒜"_qs;
        // Line breaks are not blanks: they are kept and become the letter.
        QTest::newRow("line break is not trimmed") << u"\nabc"_qs << u"\n"_qs;
    }

    void badgeLetter() {
        QFETCH(QString, name);
        QFETCH(QString, letter);
        QCOMPARE(BrandAvatar::letter(name), letter);
        BrandAvatar avatar(name, 42);
        QCOMPARE(avatar.shownLetter(), letter);
    }

    void paintedButtonsRingOnlyForKeyboardFocus_data() {
        QTest::addColumn<QString>("face");
        QTest::newRow("soft button") << u"soft"_qs;
        QTest::newRow("icon button") << u"icon"_qs;
        QTest::newRow("scan menu") << u"scan"_qs;
        QTest::newRow("detail tile") << u"tile"_qs;
    }

    void paintedButtonsRingOnlyForKeyboardFocus() {
        QFETCH(QString, face);
        QWidget window;
        PaintedButton *button = nullptr;
        if (face == QLatin1String("soft")) {
            button = new SoftButton({.title = u"Add"_qs, .icon = u"plus"_qs}, &window);
        } else if (face == QLatin1String("icon")) {
            auto *icon = new IconButton(IconButton::closeLook(), &window);
            icon->setTitle(u"Close"_qs);
            // The title of a symbol-only button is its tooltip too.
            QCOMPARE(icon->toolTip(), u"Close"_qs);
            button = icon;
        } else if (face == QLatin1String("scan")) {
            button = new ScanMenuButton(&window);
        } else {
            auto *tile = new TileButton(
                {.titleFont = Theme::font(12), .color = Theme::text(), .fill = Theme::card()}, {}, &window);
            tile->setFace(u"pencil"_qs, u"Edit"_qs);
            button = tile;
        }
        auto *other = new SoftButton({.title = u"Other"_qs}, &window);
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

    void chineseTextIsDrawnInTheWeightAsked_data() {
        QTest::addColumn<int>("weight");
        QTest::addColumn<QString>("style");
        QTest::newRow("regular") << int(QFont::Normal) << u"Regular"_qs;
        QTest::newRow("medium") << int(QFont::Medium) << u"Medium"_qs;
        QTest::newRow("semibold") << int(QFont::DemiBold) << u"Bold"_qs;
        QTest::newRow("bold") << int(QFont::Bold) << u"Bold"_qs;
    }

    void chineseTextIsDrawnInTheWeightAsked() {
        QFETCH(int, weight);
        QFETCH(QString, style);
        // The face that draws the Han characters of a mixed line, not the one the font asked for first.
        QTextLayout layout(u"近 7 天待扣费"_qs, Theme::font(17, QFont::Weight(weight)));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QStringList hanFaces;
        for (const QGlyphRun &run : layout.glyphRuns()) {
            const QRawFont font = run.rawFont();
            if (font.supportsCharacter(QChar(u'天')))
                hanFaces.append(font.familyName() + QLatin1Char('/') + font.styleName());
        }
        QCOMPARE(hanFaces, QStringList{u"Noto Sans CJK SC/"_qs + style});
    }

    void everySymbolOfTheViewsExists_data() {
        QTest::addColumn<QString>("name");
        for (const char *name :
             {"creditcard.fill", "bell.badge", "chevron.right", "xmark", "macwindow", "plus", "sparkles",
              "tray", "text.viewfinder", "doc.text.viewfinder", "doc.on.clipboard", "photo", "pencil",
              "pause", "play", "doc.on.doc", "trash", "gearshape", "scan"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void everySymbolOfTheViewsExists() {
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

    void unknownSymbolDrawsNothing() {
        QVERIFY(!Symbols::has(u"no.such.symbol"_qs));
        QVERIFY(Symbols::svg(u"no.such.symbol"_qs, Qt::white).isEmpty());
        const QImage image = Symbols::pixmap(u"no.such.symbol"_qs, 16, Qt::white).toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(qAlpha(image.pixel(8, 8)), 0);
    }

    // A symbol drawn ahead on the thread pool is the pixmap drawn on the spot, pixel for pixel.
    void preparedSymbolDrawnAsOnTheSpot_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("ratio");
        for (const double ratio : {1.0, 2.0}) {
            QTest::addRow("bell.badge %g", ratio) << u"bell.badge"_qs << ratio;
            QTest::addRow("gearshape %g", ratio) << u"gearshape"_qs << ratio;
            QTest::addRow("unknown %g", ratio) << u"no.such.symbol"_qs << ratio;
        }
    }
    void preparedSymbolDrawnAsOnTheSpot() {
        QFETCH(QString, name);
        QFETCH(double, ratio);
        const QColor color(0x8e, 0x8e, 0x93, 200);
        QPixmapCache::clear();
        const QImage onTheSpot = Symbols::pixmap(name, 14, color, Symbols::Weight::semibold, ratio).toImage();
        QPixmapCache::clear();
        Symbols::prepare(name, 14, color, Symbols::Weight::semibold, ratio);
        QThreadPool::globalInstance()->waitForDone();
        const QPixmap ahead = Symbols::pixmap(name, 14, color, Symbols::Weight::semibold, ratio);
        QCOMPARE(ahead.devicePixelRatio(), ratio);
        QCOMPARE(ahead.toImage(), onTheSpot);
    }

    void fittedLabelTakesTheLargestSizeThatFits_data() {
        QTest::addColumn<int>("width");
        for (const int width : {600, 260, 200, 150, 120, 20})
            QTest::newRow(qPrintable(QString::number(width))) << width;
    }

    void fittedLabelTakesTheLargestSizeThatFits() {
        QFETCH(int, width);
        const QString text = u"¥12,345,678.90"_qs;
        const QFont font = Theme::font(46, QFont::Bold);
        FittedLabel label(font, Qt::white);
        label.setText(text);
        label.resize(600, 60);
        QCOMPARE(label.fittedPixelSize(), 46);
        label.resize(width, 60);
        const int size = label.fittedPixelSize();
        QVERIFY(size >= 23 && size <= 46);
        const auto advance = [&](int pixels) {
            QFont f = font;
            f.setPixelSize(pixels);
            return QFontMetricsF(f).horizontalAdvance(text);
        };
        // Fits unless even half size does not; one pixel larger would not fit.
        QVERIFY(size == 23 || advance(size) <= width);
        QVERIFY(size == 46 || advance(size + 1) > width);
        QFont fitted = font;
        fitted.setPixelSize(size);
        QCOMPARE(label.shownText(), QFontMetricsF(fitted).elidedText(text, Qt::ElideRight, width));
    }

    // A text is cut as elidedText cuts it, whether it fits or not.
    void elidedAsFontMetricsCuts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        for (const double width : {0.0, 30.5, 64.0, 500.0}) {
            QTest::addRow("latin %g", width) << u"Netflix Premium"_qs << width;
            QTest::addRow("chinese %g", width) << u"爱奇艺黄金会员"_qs << width;
            QTest::addRow("variants %g", width)
                << u"Apple One Family"_qs + QChar(0x9c) + u"Apple One"_qs << width;
        }
    }
    void elidedAsFontMetricsCuts() {
        QFETCH(QString, text);
        QFETCH(double, width);
        const QFontMetricsF metrics(Theme::font(15, QFont::DemiBold));
        QCOMPARE(ViewHelpers::elided(metrics, text, metrics.horizontalAdvance(text), width),
                 metrics.elidedText(text, Qt::ElideRight, width));
    }

    // A label measured once has the size hints QLabel works out, whatever it holds and however it is
    // set out; set to wrap or from the right, QLabel measures it.
    void measuredLabelHintsAsQLabel_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QMargins>("margins");
        QTest::addColumn<int>("minimumWidth");
        QTest::addColumn<bool>("wrap");
        const int left = Qt::AlignLeft | Qt::AlignVCenter;
        QTest::newRow("latin") << u"Monthly spend"_qs << left << QMargins() << 0 << false;
        QTest::newRow("chinese") << u"即将扣费 · 7 天内"_qs << left << QMargins() << 0 << false;
        QTest::newRow("empty") << QString() << left << QMargins() << 0 << false;
        QTest::newRow("tab and two lines") << u"a\tb\nsecond line"_qs << left << QMargins() << 0 << false;
        QTest::newRow("hebrew") << u"שלום Hebrew"_qs << left << QMargins() << 0 << false;
        QTest::newRow("hebrew from the right")
            << u"שלום"_qs << int(Qt::AlignRight) << QMargins() << 0 << false;
        QTest::newRow("centred") << u"0 items"_qs << int(Qt::AlignCenter) << QMargins() << 0 << false;
        QTest::newRow("right") << u"Next 7 days"_qs << int(Qt::AlignRight | Qt::AlignVCenter) << QMargins()
                               << 0 << false;
        QTest::newRow("margins, minimum") << u"Yearly"_qs << left << QMargins(3, 1, 5, 2) << 120 << false;
        QTest::newRow("wrapped") << u"No subscriptions yet, add one"_qs << left << QMargins() << 0 << true;
    }
    void measuredLabelHintsAsQLabel() {
        QFETCH(QString, text);
        QFETCH(int, alignment);
        QFETCH(QMargins, margins);
        QFETCH(int, minimumWidth);
        QFETCH(bool, wrap);
        for (const double size : {11.0, 13.0, 20.0}) {
            QLabel plain(text);
            ViewHelpers::MeasuredLabel measured(text);
            for (QLabel *label : {&plain, static_cast<QLabel *>(&measured)}) {
                label->setTextFormat(Qt::PlainText);
                label->setFont(Theme::font(size, QFont::DemiBold));
                label->setAlignment(Qt::Alignment(alignment));
                label->setContentsMargins(margins);
                label->setMinimumWidth(minimumWidth);
                label->setWordWrap(wrap);
            }
            QCOMPARE(measured.sizeHint(), plain.sizeHint());
            QCOMPARE(measured.minimumSizeHint(), plain.minimumSizeHint());
            // A new text is measured anew.
            plain.setText(text + u" more"_qs);
            measured.setText(text + u" more"_qs);
            QCOMPARE(measured.sizeHint(), plain.sizeHint());
        }
    }

    // A card's line, shaped once, measures as the font's metrics do and draws to the pixel what
    // QPainter::drawText draws of the cut text, in the rectangle's middle, left or right, whether it
    // fits, is cut or reaches past the rectangle's height.
    void shapedLineDrawsAsDrawText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("size");
        for (const double size : {11.0, 15.0}) {
            QTest::addRow("latin %g", size) << u"AVATAR Wave · Ty.fi -$15.99"_qs << size;
            QTest::addRow("chinese %g", size) << u"网易云音乐 黑胶 ≈¥12.5/月"_qs << size;
            QTest::addRow("hebrew %g", size) << u"שלום Hebrew"_qs << size;
            QTest::addRow("blanks and tab %g", size) << u" a\tb "_qs << size;
            QTest::addRow("emoji %g", size) << u"Cam 📷"_qs << size;
            QTest::addRow("variants %g", size) << u"Apple One Family"_qs + QChar(0x9c) + u"One"_qs << size;
        }
    }
    void shapedLineDrawsAsDrawText() {
        QFETCH(QString, text);
        QFETCH(double, size);
        const QFont font = Theme::font(size, QFont::DemiBold);
        const QFontMetricsF metrics(font);
        for (const int align : {int(Qt::AlignLeft), int(Qt::AlignRight)}) {
            for (const QRectF rect :
                 {QRectF(3.5, 2.25, 260, 19.5), QRectF(7, 4, 41.5, 9), QRectF(2, 9, 270, 6)}) {
                QImage expected(280, 30, QImage::Format_ARGB32_Premultiplied);
                expected.fill(Qt::black);
                QImage shaped = expected;
                const int flags = align | Qt::AlignVCenter;
                QPainter direct(&expected);
                direct.setFont(font);
                direct.setPen(Qt::white);
                direct.drawText(rect, flags, metrics.elidedText(text, Qt::ElideRight, rect.width()));
                QPainter painter(&shaped);
                painter.setPen(Qt::white);
                const ViewHelpers::ShapedLine line(painter, font, text);
                QCOMPARE(line.advance(), metrics.horizontalAdvance(text));
                line.draw(painter, rect, flags, rect.width());
                QCOMPARE(shaped, expected);
            }
        }
    }

    // A menu bar whose sheet is held is drawn as the sheet draws it, and takes the sheet when given.
    void menuBarHeldDrawsAsItsSheet() {
        const std::unique_ptr<QStyle> style(Theme::createStyle());
        QImage drawn[2];
        for (const bool held : {false, true}) {
            QMenuBar bar;
            bar.setStyle(style.get());
            bar.setPalette(Theme::palette());
            if (held)
                Theme::holdMenuSheet(&bar);
            else
                bar.setStyleSheet(Theme::menuStyleSheet());
            for (const char *title : {"Renewly", "File", "Edit"})
                bar.addMenu(QString::fromLatin1(title));
            bar.resize(320, bar.sizeHint().height());
            drawn[held] = renderOnBlack(bar);
            QCOMPARE(bar.styleSheet().isEmpty(), held);
            Theme::giveMenuSheet(&bar);
            QCOMPARE(bar.styleSheet(), Theme::menuStyleSheet());
        }
        QCOMPARE(drawn[true], drawn[false]);
    }
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
