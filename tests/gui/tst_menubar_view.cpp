#include "TestSupport.h"

#include "app/MenuBarView.h"
#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/ElidedLabel.h"

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
    void daysLabel_data();
    void daysLabel();
    void redrawsWhenTheLanguageChanges();
    void redrawsWhenTheListChanges();
    void longNameIsCutAndAmountKeepsItsWidth();
    void buttonsCallTheirActions();

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

void TestMenuBarView::daysLabel_data() {
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("zh");
    QTest::addColumn<QString>("en");
    QTest::newRow("today") << 0 << "今天"
                           << "Today";
    QTest::newRow("tomorrow") << 1 << "1天后"
                              << "1d";
    QTest::newRow("three days") << 3 << "3天后"
                                << "3d";
    QTest::newRow("a week") << 7 << "7天后"
                            << "7d";
}

void TestMenuBarView::daysLabel() {
    QFETCH(int, days);
    QFETCH(QString, zh);
    QFETCH(QString, en);
    QCOMPARE(MenuBarView::daysLabel(days, true), zh);
    QCOMPARE(MenuBarView::daysLabel(days, false), en);

    // And as the row shows it.
    TestSupport::LanguageGuard language(Lang::zh);
    m_store->add(dueIn(QStringLiteral("Netflix"), days));
    MenuBarView view(*m_store, {}, {});
    QCOMPARE(rowTexts(rows(view).value(0)).value(1), zh);
}

void TestMenuBarView::redrawsWhenTheLanguageChanges() {
    TestSupport::LanguageGuard language(Lang::zh);
    m_store->add(dueIn(QStringLiteral("ChatGPT Plus"), 3, 20, QStringLiteral("USD")));
    MenuBarView view(*m_store, {}, {});
    view.show();
    // In Chinese the totals are in CNY while the row keeps its own currency.
    QCOMPARE(labelText(view, "monthlyAmount"), QStringLiteral("¥144"));
    QCOMPARE(rowTexts(rows(view).value(0)), (QStringList{"ChatGPT Plus", "3天后", "-$20"}));

    LocalizationManager::shared().setLang(Lang::en);
    QCOMPARE(labelText(view, "monthlyLabel"), QStringLiteral("Monthly spend"));
    QCOMPARE(labelText(view, "monthlyAmount"), QStringLiteral("$20"));
    QCOMPARE(labelText(view, "yearlyLine"), QStringLiteral("≈$240/yr · 1 active"));
    QCOMPARE(rowTexts(rows(view).value(0)), (QStringList{"ChatGPT Plus", "3d", "-$20"}));
    QCOMPARE(view.findChild<QPushButton *>(QStringLiteral("quitButton"))->text(), QStringLiteral("Quit"));
}

void TestMenuBarView::redrawsWhenTheListChanges() {
    TestSupport::LanguageGuard language(Lang::en);
    MenuBarView view(*m_store, {}, {});
    view.show();
    QVERIFY(view.findChild<QLabel *>(QStringLiteral("emptyText")));

    const Subscription sub = dueIn(QStringLiteral("iCloud+"), 2, 2.99);
    m_store->add(sub);
    QCOMPARE(labelText(view, "monthlyAmount"), QStringLiteral("$2.99"));
    QCOMPARE(rows(view).size(), 1);
    QCOMPARE(rowTexts(rows(view).value(0)), (QStringList{"iCloud+", "2d", "-$2.99"}));
    const int heightWithRow = view.sizeHint().height();

    // Paused: no longer counted, no longer due.
    m_store->toggleActive(sub);
    QCOMPARE(labelText(view, "yearlyLine"), QStringLiteral("≈$0/yr · 0 active"));
    QCOMPARE(rows(view).size(), 0);
    QCOMPARE(labelText(view, "emptyText"), QStringLiteral("Nothing due soon 🎉"));

    // The height follows the content.
    for (int i = 0; i < 4; ++i)
        m_store->add(dueIn(QStringLiteral("X%1").arg(i), i));
    QVERIFY(view.sizeHint().height() > heightWithRow);
}

void TestMenuBarView::longNameIsCutAndAmountKeepsItsWidth() {
    TestSupport::LanguageGuard language(Lang::en);
    const QString longName =
        QStringLiteral("A subscription with a remarkably long name that cannot fit the panel");
    m_store->add(dueIn(longName, 1, 1234.56, QStringLiteral("EUR")));
    MenuBarView view(*m_store, {}, {});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.width(), 300);
    QWidget *row = rows(view).value(0);
    auto *name = row->findChild<ElidedLabel *>(QStringLiteral("rowName"));
    QCOMPARE(name->text(), longName);
    QVERIFY(name->isElided());
    QVERIFY(name->shownText().endsWith(QChar(0x2026)));
    QCOMPARE(row->findChild<QLabel *>(QStringLiteral("rowAmount"))->width(), 66);
    QCOMPARE(row->findChild<QLabel *>(QStringLiteral("rowAmount"))->text(), QStringLiteral("-€1234.56"));
    // Everything stays inside the panel's margins.
    QVERIFY(row->mapTo(&view, QPoint(row->width(), 0)).x() <= 300 - 16);
}

void TestMenuBarView::buttonsCallTheirActions() {
    TestSupport::LanguageGuard language(Lang::en);
    int opened = 0;
    int quit = 0;
    MenuBarView view(
        *m_store, [&opened] { ++opened; }, [&quit] { ++quit; });
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::mouseClick(view.findChild<QAbstractButton *>(QStringLiteral("openButton")), Qt::LeftButton);
    QCOMPARE(opened, 1);
    QCOMPARE(quit, 0);
    QTest::mouseClick(view.findChild<QPushButton *>(QStringLiteral("quitButton")), Qt::LeftButton);
    QCOMPARE(quit, 1);
    QCOMPARE(opened, 1);
}

QTEST_MAIN(TestMenuBarView)
#include "tst_menubar_view.moc"
