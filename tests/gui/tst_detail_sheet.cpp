#include "MainWindowHarness.h"

#include "model/Format.h"
#include "views/BrandAvatar.h"
#include "views/CardList.h"
#include "views/ElidedLabel.h"
#include "views/FittedLabel.h"
#include "views/SubscriptionDetailView.h"
#include "views/SubscriptionEditView.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QSignalSpy>

using Lang = LocalizationManager::Lang;
using Fact = SubscriptionDetailView::Fact;

Q_DECLARE_METATYPE(QList<Fact>)

namespace {

QAbstractButton *button(QWidget *sheet, const char *name) {
    auto *b = sheet ? sheet->findChild<QAbstractButton *>(QString::fromLatin1(name)) : nullptr;
    if (!b)
        qWarning("no %s in the sheet", name);
    return b;
}

QString labelText(QWidget *sheet, const char *name) {
    if (auto *line = sheet->findChild<ElidedLabel *>(QString::fromLatin1(name)))
        return line->isVisibleTo(sheet) ? line->text() : QString();
    auto *label = sheet->findChild<QLabel *>(QString::fromLatin1(name));
    return label && label->isVisibleTo(sheet) ? label->text() : QString();
}

} // namespace

class TestDetailSheet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void facts_data();
    void facts();
    void headerAndNextCharge_data();
    void headerAndNextCharge();
    void editClosesThenOpensTheFormAMomentLater();
    void pauseClosesMovesTheRowDownAndReschedules();
    void deleteRemovesWithoutAsking();
    void longHeaderTextsStopBeforeTheCloseButton_data();
    void longHeaderTextsStopBeforeTheCloseButton();

private:
    SubscriptionDetailView *open(const Subscription &sub);

    std::unique_ptr<MainWindowHarness> m_h;
    std::unique_ptr<SubscriptionDetailView> m_sheet;
    int m_edits = 0, m_toggles = 0, m_deletes = 0;
};

void TestDetailSheet::init() {
    m_h = std::make_unique<MainWindowHarness>();
    m_edits = m_toggles = m_deletes = 0;
}

void TestDetailSheet::cleanup() {
    m_sheet.reset();
    m_h.reset();
}

SubscriptionDetailView *TestDetailSheet::open(const Subscription &sub) {
    m_sheet = std::make_unique<SubscriptionDetailView>(
        sub, [this] { ++m_edits; }, [this] { ++m_toggles; }, [this] { ++m_deletes; });
    m_sheet->show();
    if (!QTest::qWaitForWindowExposed(m_sheet.get()))
        qWarning("sheet not exposed");
    return m_sheet.get();
}

void TestDetailSheet::facts_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<Subscription>("sub");
    QTest::addColumn<QList<Fact>>("facts");
    const auto sub = &MainWindowHarness::sub;
    QTest::newRow("monthly, en") << Lang::en
                                 << sub("Netflix", 15.99, "USD", 10, BillingType::recurring,
                                        BillingCycle::monthly, true, "影音", {})
                                 << QList<Fact>{{"Billing", "Subscription"},
                                                {"Cycle", "Monthly"},
                                                {"Per month", "$15.99"},
                                                {"Currency", "USD"},
                                                {"Status", "Active"}};
    QTest::newRow("yearly, lower-case code, zh")
        << Lang::zh
        << sub("网易云", 178, "cny", 10, BillingType::recurring, BillingCycle::yearly, true, "音乐", {})
        << QList<Fact>{{"付费方式", "订阅续费"},
                       {"续费周期", "每年"},
                       {"折合每月", "¥14.83"},
                       {"币种", "cny"},
                       {"状态", "使用中"}};
    QTest::newRow("one-time with notes, zh")
        << Lang::zh
        << sub("软件", 68, "CNY", -100, BillingType::oneTime, BillingCycle::yearly, true, "软件", "买断")
        << QList<Fact>{{"付费方式", "单次买断"}, {"币种", "CNY"}, {"状态", "使用中"}, {"备注", "买断"}};
    QTest::newRow("paused recurring: zero per month")
        << Lang::en
        << sub("Gym", 30, "EUR", 5, BillingType::recurring, BillingCycle::monthly, false, "健康", {})
        << QList<Fact>{{"Billing", "Subscription"},
                       {"Cycle", "Monthly"},
                       {"Per month", "$0"},
                       {"Currency", "EUR"},
                       {"Status", "Paused"}};
}

void TestDetailSheet::facts() {
    QFETCH(Lang, lang);
    QFETCH(Subscription, sub);
    QFETCH(QList<Fact>, facts);
    TestSupport::LanguageGuard language(lang);
    open(sub);
    QCOMPARE(m_sheet->facts(), facts);
    // One row per fact, a separator between two rows.
    QCOMPARE(m_sheet->findChildren<QWidget *>(QStringLiteral("factRow")).size(), facts.size());
    QStringList labels;
    for (QLabel *label : m_sheet->findChildren<QLabel *>(QStringLiteral("factLabel")))
        labels.append(label->text());
    QStringList expected;
    for (const Fact &fact : facts)
        expected.append(fact.label);
    QCOMPARE(labels, expected);
}

void TestDetailSheet::headerAndNextCharge_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<Subscription>("sub");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("next");
    const auto sub = &MainWindowHarness::sub;
    QTest::newRow("recurring, en") << Lang::en
                                   << sub("Netflix", 15.99, "USD", 3, BillingType::recurring,
                                          BillingCycle::monthly, true, "影音", {})
                                   << "Netflix"
                                   << "-$15.99"
                                   << "Next charge 2025/03/13";
    QTest::newRow("recurring, zh") << Lang::zh
                                   << sub("Netflix", 25, "CNY", 0, BillingType::recurring,
                                          BillingCycle::monthly, true, "影音", {})
                                   << "Netflix"
                                   << "-¥25"
                                   << "下次扣费 2025/03/10";
    QTest::newRow("one-time today") << Lang::en
                                    << sub("App", 49.99, "USD", 0, BillingType::oneTime,
                                           BillingCycle::monthly, true, "软件", {})
                                    << "App"
                                    << "-$49.99"
                                    << "Purchased 2025/03/10";
    QTest::newRow("one-time past: no line")
        << Lang::en
        << sub("App", 68, "CNY", -1, BillingType::oneTime, BillingCycle::monthly, true, "软件", {}) << "App"
        << "-¥68"
        << "";
    QTest::newRow("paused, start ahead")
        << Lang::en
        << sub("Gym", 30, "EUR", 4, BillingType::recurring, BillingCycle::monthly, false, "健康", {}) << "Gym"
        << "-€30"
        << "Next charge 2025/03/14";
    QTest::newRow("empty name, en") << Lang::en
                                    << sub("", 1, "USD", 3, BillingType::recurring, BillingCycle::monthly,
                                           true, "", {})
                                    << "Untitled"
                                    << "-$1"
                                    << "Next charge 2025/03/13";
}

void TestDetailSheet::headerAndNextCharge() {
    QFETCH(Lang, lang);
    QFETCH(Subscription, sub);
    QFETCH(QString, name);
    QFETCH(QString, amount);
    QFETCH(QString, next);
    TestSupport::LanguageGuard language(lang);
    open(sub);
    QCOMPARE(labelText(m_sheet.get(), "nameLabel"), name);
    QCOMPARE(m_sheet->findChild<FittedLabel *>(QStringLiteral("amountLabel"))->text(), amount);
    QCOMPARE(labelText(m_sheet.get(), "nextChargeLabel"), next);
    QCOMPARE(labelText(m_sheet.get(), "categoryLabel"),
             Format::categoryDisplay(sub.category, lang == Lang::zh));
    QCOMPARE(m_sheet->size(), QSize(440, 600));
}

void TestDetailSheet::editClosesThenOpensTheFormAMomentLater() {
    const Subscription record = MainWindowHarness::sub(QStringLiteral("Netflix"), 15.99);
    m_h->store.add(record);
    ContentView &content = m_h->show();
    content.openDetail(record);
    auto *detail = m_h->waitForSheet<SubscriptionDetailView>();
    QVERIFY(detail);
    QSignalSpy closed(detail, &QDialog::finished);
    QTest::mouseClick(button(detail, "editAction"), Qt::LeftButton);
    // The detail is told to close at once; the form is not opened in the same turn.
    QCOMPARE(closed.size(), 1);
    QVERIFY(!content.detailSub());
    QVERIFY(!content.editingSub());
    QVERIFY(!m_h->sheetAs<SubscriptionEditView>());
    QCoreApplication::processEvents();
    QVERIFY(!m_h->sheetAs<SubscriptionEditView>());

    auto *form = m_h->waitForSheet<SubscriptionEditView>();
    QVERIFY(form);
    QCOMPARE(form->mode(), SubscriptionEditView::Mode::edit);
    QCOMPARE(form->name(), QStringLiteral("Netflix"));
    QCOMPARE(content.editingSub()->id, record.id);
}

void TestDetailSheet::pauseClosesMovesTheRowDownAndReschedules() {
    const Subscription first = MainWindowHarness::sub(QStringLiteral("Big"), 100);
    m_h->store.add(first);
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Small"), 1));
    ContentView &content = m_h->show();
    const qsizetype before = m_h->reschedules();
    content.openDetail(first);
    auto *detail = m_h->waitForSheet<SubscriptionDetailView>();
    QVERIFY(detail);
    QTest::mouseClick(button(detail, "toggleAction"), Qt::LeftButton);
    QVERIFY(m_h->waitForNoSheet());
    QVERIFY(!m_h->store.subscriptions().constFirst().isActive);
    CardList *list = content.subscriptionList();
    QCOMPARE(list->model()->index(1, 0).data(CardList::NameRole).toString(), QStringLiteral("Big"));
    QCOMPARE(list->model()->index(1, 0).data(CardList::TagRole).toString(),
             QString(LocalizationManager::shared().isZh() ? "已停用" : "Paused"));
    QCOMPARE(m_h->reschedules(), before + 1);
}

void TestDetailSheet::deleteRemovesWithoutAsking() {
    const Subscription record = MainWindowHarness::sub(QStringLiteral("Netflix"));
    m_h->store.add(record);
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Keep")));
    ContentView &content = m_h->show();
    content.openDetail(record);
    auto *detail = m_h->waitForSheet<SubscriptionDetailView>();
    QVERIFY(detail);
    QTest::mouseClick(button(detail, "deleteButton"), Qt::LeftButton);
    QVERIFY(m_h->waitForNoSheet());
    QCOMPARE(m_h->store.subscriptions().size(), 1);
    QCOMPARE(m_h->store.subscriptions().constFirst().name, QStringLiteral("Keep"));
    QCOMPARE(content.subscriptionList()->count(), 1);
}

void TestDetailSheet::longHeaderTextsStopBeforeTheCloseButton_data() {
    QTest::addColumn<Lang>("lang");
    QTest::newRow("en") << Lang::en;
    QTest::newRow("zh") << Lang::zh;
}

void TestDetailSheet::longHeaderTextsStopBeforeTheCloseButton() {
    QFETCH(Lang, lang);
    TestSupport::LanguageGuard language(lang);
    const QString name = QStringLiteral("网易云音乐 黑胶 VIP Family Annual Plan With Extras");
    const QString category = QStringLiteral("A category that someone typed out at remarkable length");
    SubscriptionDetailView *sheet = open(MainWindowHarness::sub(
        name, 20, QStringLiteral("USD"), 10, BillingType::recurring, BillingCycle::monthly, true, category));
    const QRect close = sheet->findChild<QAbstractButton *>(QStringLiteral("closeButton"))->geometry();
    for (const auto &[objectName, full] :
         {std::pair{"nameLabel", name}, std::pair{"categoryLabel", category}}) {
        auto *line = sheet->findChild<ElidedLabel *>(QString::fromLatin1(objectName));
        const QRect drawn = QRect(line->mapTo(sheet, QPoint()), line->size());
        QVERIFY2(drawn.right() < close.left(), objectName);
        QVERIFY(line->isElided());
        QVERIFY(line->fontMetrics().horizontalAdvance(line->shownText()) <= line->contentsRect().width());
        QCOMPARE(line->toolTip(), full);
        QCOMPARE(line->accessibleName(), full);
    }
}

QTEST_MAIN(TestDetailSheet)
#include "tst_detail_sheet.moc"
