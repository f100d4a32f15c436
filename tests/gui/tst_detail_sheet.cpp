#include "MainWindowHarness.h"

#include "model/Format.h"
#include "views/BrandAvatar.h"
#include "views/CardList.h"
#include "views/FittedLabel.h"
#include "views/SubscriptionDetailView.h"
#include "views/SubscriptionEditView.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QElapsedTimer>
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
    void pausedShowsResume();
    void copyPutsOneLineOnTheClipboard_data();
    void copyPutsOneLineOnTheClipboard();
    void clickingARowOpensItsDetail();
    void editClosesThenOpensTheFormAMomentLater();
    void pauseClosesMovesTheRowDownAndReschedules();
    void deleteRemovesWithoutAsking();
    void languageChangeRedrawsTheOpenSheet();

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
                                                {"Per month", Format::base(15.99 * 7.2, false)},
                                                {"Currency", "USD"},
                                                {"Status", "Active"}};
    QTest::newRow("yearly, lower-case code, zh")
        << Lang::zh
        << sub("网易云", 178, "cny", 10, BillingType::recurring, BillingCycle::yearly, true, "音乐", {})
        << QList<Fact>{{"付费方式", "订阅续费"},
                       {"续费周期", "每年"},
                       {"折合每月", Format::base(178.0 / 12, true)},
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
                       {"Per month", Format::base(0, false)},
                       {"Currency", "EUR"},
                       {"Status", "Paused"}};
}

void TestDetailSheet::facts() {
    QFETCH(Lang, lang);
    QFETCH(Subscription, sub);
    QFETCH(QList<Fact>, facts);
    TestSupport::LanguageGuard language(lang);
    // The per-month figure uses the fixed rate table; compare the formatted texts.
    if (facts.size() > 2 && (facts.at(2).label == "Per month" || facts.at(2).label == "折合每月"))
        facts[2].value = Format::base(sub.monthlyAmountInCNY(), lang == Lang::zh);
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
    QTest::newRow("one-time ahead, zh")
        << Lang::zh << sub("App", 68, "CNY", 2, BillingType::oneTime, BillingCycle::monthly, true, "软件", {})
        << "App"
        << "-¥68"
        << "购买于 2025/03/12";
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
    QTest::newRow("paused, start past: no line")
        << Lang::en
        << sub("Gym", 30, "EUR", -4, BillingType::recurring, BillingCycle::monthly, false, "健康", {})
        << "Gym"
        << "-€30"
        << "";
    QTest::newRow("empty name, en") << Lang::en
                                    << sub("", 1, "USD", 3, BillingType::recurring, BillingCycle::monthly,
                                           true, "", {})
                                    << "Untitled"
                                    << "-$1"
                                    << "Next charge 2025/03/13";
    QTest::newRow("empty name, zh") << Lang::zh
                                    << sub("", 1, "USD", 3, BillingType::recurring, BillingCycle::monthly,
                                           true, "", {})
                                    << "未命名"
                                    << "-$1"
                                    << "下次扣费 2025/03/13";
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

void TestDetailSheet::pausedShowsResume() {
    TestSupport::LanguageGuard language(Lang::zh);
    open(MainWindowHarness::sub(QStringLiteral("Gym"), 30, QStringLiteral("EUR"), 4, BillingType::recurring,
                                BillingCycle::monthly, false));
    QAbstractButton *toggle = button(m_sheet.get(), "toggleAction");
    QCOMPARE(toggle->text(), QStringLiteral("启用"));
    QCOMPARE(toggle->property("symbol").toString(), QStringLiteral("play"));
    QVERIFY(m_sheet->findChild<BrandAvatar *>(QStringLiteral("avatar"))->isDimmed());
    open(MainWindowHarness::sub(QStringLiteral("Gym")));
    toggle = button(m_sheet.get(), "toggleAction");
    QCOMPARE(toggle->text(), QStringLiteral("停用"));
    QCOMPARE(toggle->property("symbol").toString(), QStringLiteral("pause"));
    QVERIFY(!m_sheet->findChild<BrandAvatar *>(QStringLiteral("avatar"))->isDimmed());
}

void TestDetailSheet::copyPutsOneLineOnTheClipboard_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<Subscription>("sub");
    QTest::addColumn<QString>("copied");
    const auto sub = &MainWindowHarness::sub;
    QTest::newRow("monthly, en") << Lang::en
                                 << sub("Netflix", 15.99, "USD", 3, BillingType::recurring,
                                        BillingCycle::monthly, true, "影音", {})
                                 << "Netflix $15.99 Monthly";
    QTest::newRow("yearly, zh") << Lang::zh
                                << sub("网易云音乐", 178, "CNY", 3, BillingType::recurring,
                                       BillingCycle::yearly, true, "音乐", {})
                                << "网易云音乐 ¥178 每年";
    QTest::newRow("one-time, zh: the short word")
        << Lang::zh
        << sub("软件", 68, "CNY", -3, BillingType::oneTime, BillingCycle::yearly, true, "软件", {})
        << "软件 ¥68 单次";
    QTest::newRow("one-time, en") << Lang::en
                                  << sub("Things", 49.99, "USD", -3, BillingType::oneTime,
                                         BillingCycle::monthly, true, "软件", {})
                                  << "Things $49.99 One-time";
    QTest::newRow("empty name is not replaced")
        << Lang::en << sub("", 5, "GBP", 3, BillingType::recurring, BillingCycle::weekly, true, "", {})
        << " £5 Weekly";
}

void TestDetailSheet::copyPutsOneLineOnTheClipboard() {
    QFETCH(Lang, lang);
    QFETCH(Subscription, sub);
    QFETCH(QString, copied);
    TestSupport::LanguageGuard language(lang);
    QGuiApplication::clipboard()->setText(QStringLiteral("previous"));
    open(sub);
    QTest::mouseClick(button(m_sheet.get(), "copyAction"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    // Copy acts on its own and leaves the sheet open.
    QVERIFY(m_sheet->isVisible());
    QCOMPARE(m_edits + m_toggles + m_deletes, 0);
}

void TestDetailSheet::clickingARowOpensItsDetail() {
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Small"), 1));
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Large"), 100));
    ContentView &content = m_h->show();
    CardList *list = content.subscriptionList();
    QCOMPARE(list->model()->index(0, 0).data(CardList::NameRole).toString(), QStringLiteral("Large"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->cardRect(1).center());
    auto *sheet = m_h->waitForSheet<SubscriptionDetailView>();
    QVERIFY(sheet);
    QCOMPARE(sheet->sub().name, QStringLiteral("Small"));
    QCOMPARE(content.detailSub()->id, sheet->sub().id);
    QVERIFY(sheet->isModal());
}

void TestDetailSheet::editClosesThenOpensTheFormAMomentLater() {
    const Subscription record = MainWindowHarness::sub(QStringLiteral("Netflix"), 15.99);
    m_h->store.add(record);
    ContentView &content = m_h->show();
    content.openDetail(record);
    auto *detail = m_h->waitForSheet<SubscriptionDetailView>();
    QVERIFY(detail);
    QSignalSpy closed(detail, &QDialog::finished);
    QElapsedTimer clock;
    clock.start();
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
    QVERIFY(clock.elapsed() >= ContentView::editHandOverMsecs);
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

void TestDetailSheet::languageChangeRedrawsTheOpenSheet() {
    TestSupport::LanguageGuard language(Lang::zh);
    open(MainWindowHarness::sub(QStringLiteral("Netflix"), 15.99, QStringLiteral("USD"), 3));
    QCOMPARE(button(m_sheet.get(), "editAction")->text(), QStringLiteral("编辑"));
    QCOMPARE(labelText(m_sheet.get(), "detailsTitle"), QStringLiteral("详情"));
    LocalizationManager::shared().setLang(Lang::en);
    QCOMPARE(button(m_sheet.get(), "editAction")->text(), QStringLiteral("Edit"));
    QCOMPARE(button(m_sheet.get(), "toggleAction")->text(), QStringLiteral("Pause"));
    QCOMPARE(button(m_sheet.get(), "copyAction")->text(), QStringLiteral("Copy"));
    QCOMPARE(button(m_sheet.get(), "deleteButton")->text(), QStringLiteral("Delete subscription"));
    QCOMPARE(labelText(m_sheet.get(), "detailsTitle"), QStringLiteral("Details"));
    QCOMPARE(labelText(m_sheet.get(), "nextChargeLabel"), QStringLiteral("Next charge 2025/03/13"));
    QCOMPARE(labelText(m_sheet.get(), "categoryLabel"), QStringLiteral("Video"));
    QCOMPARE(m_sheet->facts().constFirst(), (Fact{"Billing", "Subscription"}));
    QTest::mouseClick(button(m_sheet.get(), "copyAction"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Netflix $15.99 Monthly"));
}

QTEST_MAIN(TestDetailSheet)
#include "tst_detail_sheet.moc"
