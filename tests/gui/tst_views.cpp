#include "views/BrandAvatar.h"
#include "views/SoftButton.h"
#include "views/Symbols.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

class TestViews : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void badgeLetter_data();
    void badgeLetter();
    void softButtonRunsActionOncePerClick();
    void everySymbolOfTheViewsExists_data();
    void everySymbolOfTheViewsExists();
    void unknownSymbolDrawsNothing();
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

QTEST_MAIN(TestViews)
#include "tst_views.moc"
