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

// The summary (label, amount, yearly line) and the first row, or the text shown without one.
void TestMenuBarView::texts_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("summary");
    QTest::addColumn<QStringList>("first");
    // Each subscription costs $20 a month, ¥144 at the fixed rate of 7.2.
    QTest::newRow("zh, nothing") << Lang::zh << 0
                                 << QStringList{"每月订阅支出", "¥0", "每年约 ¥0 · 进行中 0 个"}
                                 << QStringList{"近期没有要扣费的订阅 🎉"};
    QTest::newRow("en, nothing") << Lang::en << 0 << QStringList{"Monthly spend", "$0", "≈$0/yr · 0 active"}
                                 << QStringList{"Nothing due soon 🎉"};
    QTest::newRow("zh, one") << Lang::zh << 1
                             << QStringList{"每月订阅支出", "¥144", "每年约 ¥1728 · 进行中 1 个"}
                             << QStringList{"Sub 0", "今天", "-$20"};
    QTest::newRow("en, six") << Lang::en << 6 << QStringList{"Monthly spend", "$120", "≈$1440/yr · 6 active"}
                             << QStringList{"Sub 0", "Today", "-$20"};
}

void TestMenuBarView::texts() {
    QFETCH(Lang, lang);
    QFETCH(int, count);
    QFETCH(QStringList, summary);
    QFETCH(QStringList, first);
    TestSupport::LanguageGuard language(lang);
    for (int i = 0; i < count; ++i)
        m_store->add(dueIn(QStringLiteral("Sub %1").arg(i), i));
    MenuBarView view(*m_store, {}, {});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.width(), 300);
    QCOMPARE((QStringList{labelText(view, "monthlyLabel"), labelText(view, "monthlyAmount"),
                          labelText(view, "yearlyLine")}),
             summary);
    const QList<QWidget *> shown = rows(view);
    QCOMPARE(shown.size(), qMin(count, 4));
    auto *emptyLabel = view.findChild<QLabel *>(QStringLiteral("emptyText"));
    QCOMPARE(emptyLabel != nullptr, count == 0);
    QCOMPARE(count == 0 ? QStringList{emptyLabel->isVisible() ? emptyLabel->text() : QString()}
                        : rowTexts(shown.first()),
             first);
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
