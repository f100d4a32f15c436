#include "TestSupport.h"

#include "app/MenuBarView.h"
#include "model/CurrencyRates.h"
#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/ElidedLabel.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using Lang = LocalizationManager::Lang;

namespace {

// A fixed moment: 10 March 2025, 09:00 in the zone the test runs in.
QDateTime fixedNow() {
    return TestSupport::at(QTimeZone::systemTimeZone(), 2025, 3, 10, 9, 0);
}

// A monthly subscription whose first charge is `daysAhead` days from the fixed moment.
Subscription dueIn(const QString &name, int daysAhead, double amount = 20, const QString &currency = "USD") {
    return Subscription::make(name, amount, currency, BillingType::recurring, BillingCycle::monthly,
                              fixedNow().addDays(daysAhead).toUTC(), QStringLiteral("影音"), QString());
}

QString labelText(const QWidget &view, const char *name) {
    const auto *label = view.findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
}

QList<QWidget *> rows(const QWidget &view) {
    QList<QWidget *> visible;
    for (QWidget *row : view.findChildren<QWidget *>(QStringLiteral("upcomingRow"))) {
        if (!row->isHidden() && !row->parentWidget()->isHidden())
            visible.append(row);
    }
    return visible;
}

QStringList rowTexts(const QWidget *row) {
    if (!row)
        return {QStringLiteral("<no row>")};
    return {row->findChild<ElidedLabel *>(QStringLiteral("rowName"))->text(),
            row->findChild<QLabel *>(QStringLiteral("rowDays"))->text(),
            row->findChild<QLabel *>(QStringLiteral("rowAmount"))->text()};
}

} // namespace

class TestMenuBarView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void texts_data();
    void texts();
    void showsAtMostFourChargesInStoreOrder_data();
    void showsAtMostFourChargesInStoreOrder();
    void wholeAmountIsDrawnAndTheNameGivesWay_data();
    void wholeAmountIsDrawnAndTheNameGivesWay();

private:
    const ManualClock m_clock{fixedNow(), QTimeZone::systemTimeZone(), ManualClock::Scope::installed};
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Store> m_store;
};

void TestMenuBarView::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<Store>(m_dir->filePath(QStringLiteral("subscriptions.json")));
}

void TestMenuBarView::cleanup() {
    m_store.reset();
    m_dir.reset();
}

void TestMenuBarView::texts_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("monthlyLabel");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("yearly");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("firstRow");
    QTest::addColumn<QString>("empty");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("quit");

    const QString zhMonthly = QStringLiteral("每月订阅支出");
    const QString enMonthly = QStringLiteral("Monthly spend");
    const QString zhTitle = QStringLiteral("近 7 天待扣费");
    const QString enTitle = QStringLiteral("Due in the next 7 days");
    const QString zhEmpty = QStringLiteral("近期没有要扣费的订阅 🎉");
    const QString enEmpty = QStringLiteral("Nothing due soon 🎉");
    const QString zhOpen = QStringLiteral("打开 Renewly");
    const QString enOpen = QStringLiteral("Open Renewly");

    // Each subscription costs $20 a month, ¥144 at the fixed rate of 7.2.
    QTest::newRow("zh, nothing") << Lang::zh << 0 << zhMonthly << "¥0"
                                 << "每年约 ¥0 · 进行中 0 个" << zhTitle << QStringList() << zhEmpty << zhOpen
                                 << "退出";
    QTest::newRow("en, nothing") << Lang::en << 0 << enMonthly << "$0"
                                 << "≈$0/yr · 0 active" << enTitle << QStringList() << enEmpty << enOpen
                                 << "Quit";
    QTest::newRow("zh, one") << Lang::zh << 1 << zhMonthly << "¥144"
                             << "每年约 ¥1728 · 进行中 1 个" << zhTitle
                             << QStringList{"Sub 0", "今天", "-$20"} << QString() << zhOpen << "退出";
    QTest::newRow("en, one") << Lang::en << 1 << enMonthly << "$20"
                             << "≈$240/yr · 1 active" << enTitle << QStringList{"Sub 0", "Today", "-$20"}
                             << QString() << enOpen << "Quit";
    QTest::newRow("zh, six") << Lang::zh << 6 << zhMonthly << "¥864"
                             << "每年约 ¥10368 · 进行中 6 个" << zhTitle
                             << QStringList{"Sub 0", "今天", "-$20"} << QString() << zhOpen << "退出";
    QTest::newRow("en, six") << Lang::en << 6 << enMonthly << "$120"
                             << "≈$1440/yr · 6 active" << enTitle << QStringList{"Sub 0", "Today", "-$20"}
                             << QString() << enOpen << "Quit";
}

void TestMenuBarView::texts() {
    QFETCH(Lang, lang);
    QFETCH(int, count);
    QFETCH(QString, monthlyLabel);
    QFETCH(QString, amount);
    QFETCH(QString, yearly);
    QFETCH(QString, title);
    QFETCH(QStringList, firstRow);
    QFETCH(QString, empty);
    QFETCH(QString, open);
    QFETCH(QString, quit);
    TestSupport::LanguageGuard language(lang);
    for (int i = 0; i < count; ++i)
        m_store->add(dueIn(QStringLiteral("Sub %1").arg(i), i));

    MenuBarView view(*m_store, {}, {});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QCOMPARE(view.width(), 300);
    QCOMPARE(labelText(view, "productName"), QStringLiteral("Renewly"));
    QCOMPARE(labelText(view, "monthlyLabel"), monthlyLabel);
    QCOMPARE(labelText(view, "monthlyAmount"), amount);
    QCOMPARE(labelText(view, "yearlyLine"), yearly);
    QCOMPARE(labelText(view, "upcomingTitle"), title);
    QCOMPARE(view.findChild<QPushButton *>(QStringLiteral("quitButton"))->text(), quit);
    QCOMPARE(view.findChild<QAbstractButton *>(QStringLiteral("openButton"))->text(), open);

    const QList<QWidget *> shown = rows(view);
    QCOMPARE(shown.size(), qMin(count, 4));
    auto *emptyLabel = view.findChild<QLabel *>(QStringLiteral("emptyText"));
    if (count == 0) {
        QVERIFY(emptyLabel && emptyLabel->isVisible());
        QCOMPARE(emptyLabel->text(), empty);
    } else {
        QVERIFY(!emptyLabel);
        QCOMPARE(rowTexts(shown.first()), firstRow);
    }
}

void TestMenuBarView::showsAtMostFourChargesInStoreOrder_data() {
    QTest::addColumn<QList<int>>("daysAhead");
    QTest::addColumn<QStringList>("expected");
    // Names are "S" + position in the list; the store sorts by days, stable.
    QTest::newRow("six, already in order")
        << QList<int>{0, 1, 2, 3, 4, 5} << QStringList{"S0", "S1", "S2", "S3"};
    QTest::newRow("six, reversed") << QList<int>{5, 4, 3, 2, 1, 0} << QStringList{"S5", "S4", "S3", "S2"};
    QTest::newRow("ties keep list order")
        << QList<int>{2, 2, 1, 2, 2, 2} << QStringList{"S2", "S0", "S1", "S3"};
    // Started yesterday, a monthly plan charges next in a month.
    QTest::newRow("outside the week is left out") << QList<int>{8, 7, 30, -1, 6} << QStringList{"S4", "S1"};
}

void TestMenuBarView::showsAtMostFourChargesInStoreOrder() {
    QFETCH(QList<int>, daysAhead);
    QFETCH(QStringList, expected);
    TestSupport::LanguageGuard language(Lang::en);
    for (int i = 0; i < daysAhead.size(); ++i)
        m_store->add(dueIn(QStringLiteral("S%1").arg(i), daysAhead.at(i)));
    MenuBarView view(*m_store, {}, {});
    QStringList names;
    for (QWidget *row : rows(view))
        names.append(rowTexts(row).first());
    QCOMPARE(names, expected);
}

void TestMenuBarView::wholeAmountIsDrawnAndTheNameGivesWay_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<double>("amount");
    for (const Lang lang : {Lang::en, Lang::zh}) {
        for (const QString &currency : CurrencyRates::supportedCurrencies()) {
            for (const double amount : {34.99, 123456.78}) {
                const QByteArray row = (lang == Lang::zh ? "zh " : "en ") + currency.toLatin1() + ' ' +
                                       QByteArray::number(amount);
                QTest::newRow(row.constData()) << lang << currency << amount;
            }
        }
    }
}

void TestMenuBarView::wholeAmountIsDrawnAndTheNameGivesWay() {
    QFETCH(Lang, lang);
    QFETCH(QString, currency);
    QFETCH(double, amount);
    TestSupport::LanguageGuard language(lang);
    const QString longName =
        QStringLiteral("A subscription with a remarkably long name that cannot fit the panel");
    m_store->add(dueIn(longName, 1, amount, currency));
    MenuBarView view(*m_store, {}, {});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.width(), 300);
    QWidget *row = rows(view).value(0);
    auto *name = row->findChild<ElidedLabel *>(QStringLiteral("rowName"));
    auto *amountLabel = row->findChild<QLabel *>(QStringLiteral("rowAmount"));
    const QString expected = QStringLiteral("-") + Format::money(amount, currency);
    QCOMPARE(amountLabel->text(), expected);
    // What is drawn: the whole text, minus sign included, fits the label at the font it is drawn in.
    QVERIFY2(QFontMetrics(amountLabel->font()).horizontalAdvance(expected) <=
                 amountLabel->contentsRect().width(),
             qPrintable(expected));
    QVERIFY(amountLabel->width() >= 66);
    // The name is cut instead, and stays left of the days and the amount.
    QVERIFY(name->isElided());
    QVERIFY(name->shownText().endsWith(QChar(0x2026)));
    QVERIFY(name->geometry().right() <
            row->findChild<QLabel *>(QStringLiteral("rowDays"))->geometry().left());
    // Everything stays inside the panel's margins.
    QVERIFY(row->mapTo(&view, QPoint(row->width(), 0)).x() <= 300 - 16);
}

QTEST_MAIN(TestMenuBarView)
#include "tst_menubar_view.moc"
