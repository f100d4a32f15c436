#include "MainWindowHarness.h"

#include "model/Format.h"
#include "store/Aggregates.h"
#include "views/CardList.h"
#include "views/FittedLabel.h"
#include "views/HeroView.h"
#include "views/ScanMenuButton.h"
#include "views/SettingsView.h"
#include "views/SoftButton.h"
#include "views/SubscriptionDetailView.h"
#include "views/SubscriptionEditView.h"
#include "views/SubscriptionRow.h"

#include <QLabel>
#include <QScrollArea>
#include <QSignalSpy>

using Lang = LocalizationManager::Lang;

namespace {

QString labelText(const QWidget &widget, const char *name) {
    auto *label = widget.findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

QStringList column(const CardList *list, int role) {
    QStringList values;
    for (int row = 0; row < list->count(); ++row)
        values.append(list->model()->index(row, 0).data(role).toString());
    return values;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void loadSamplesFillsTheList();
    void addButtonsOpenTheAddForm();
    void comingCharges_data();
    void comingCharges();
    void rowTexts_data();
    void rowTexts();
    void remindersFollowTheList();
    void aSheetAskedForWhileAnotherIsOpenWaits();
    void tabWalksEveryControl_data();
    void tabWalksEveryControl();

private:
    std::unique_ptr<MainWindowHarness> m_h;
};

void TestMainWindow::init() {
    m_h = std::make_unique<MainWindowHarness>();
}

void TestMainWindow::cleanup() {
    m_h.reset();
}

void TestMainWindow::loadSamplesFillsTheList() {
    TestSupport::LanguageGuard language(Lang::en);
    ContentView &content = m_h->show();
    const qsizetype before = m_h->reschedules();
    QTest::mouseClick(content.findChild<SoftButton *>(QStringLiteral("loadSamplesButton")), Qt::LeftButton);
    QCOMPARE(m_h->store.subscriptions().size(), 5);
    QCOMPARE(content.subscriptionList()->count(), 5);
    QVERIFY(content.subscriptionList()->isVisible());
    QVERIFY(!content.findChild<QWidget *>(QStringLiteral("emptyState"))->isVisible());
    QCOMPARE(labelText(content, "subscriptionsCount"), QStringLiteral("5 items"));
    // The samples are dated relative to the pinned moment: one charges within the week.
    const auto charges = m_h->store.upcoming(7, MainWindowHarness::now(), QTimeZone::systemTimeZone());
    QVERIFY(!charges.isEmpty());
    QVERIFY(content.findChild<QWidget *>(QStringLiteral("upcomingSection"))->isVisible());
    QCOMPARE(content.upcomingList()->count(), charges.size());
    QCOMPARE(m_h->reschedules(), before + 1);
}

void TestMainWindow::addButtonsOpenTheAddForm() {
    ContentView &content = m_h->show();
    for (const char *name : {"emptyAddButton", "addButton"}) {
        QTest::mouseClick(content.findChild<SoftButton *>(QString::fromLatin1(name)), Qt::LeftButton);
        QVERIFY(content.isAdding());
        auto *form = m_h->waitForSheet<SubscriptionEditView>();
        QVERIFY(form);
        QCOMPARE(form->mode(), SubscriptionEditView::Mode::add);
        form->reject();
        QVERIFY(m_h->waitForNoSheet());
        QVERIFY(!content.isAdding());
    }
}

void TestMainWindow::comingCharges_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<QStringList>("due");
    QTest::addColumn<QString>("trailing");
    QTest::newRow("zh") << Lang::zh << QStringList{"今天扣费", "1 天后扣费", "3 天后扣费", "7 天后扣费"}
                        << "未来 7 天";
    QTest::newRow("en") << Lang::en << QStringList{"Charged today", "in 1 days", "in 3 days", "in 7 days"}
                        << "Next 7 days";
}

void TestMainWindow::comingCharges() {
    QFETCH(Lang, lang);
    QFETCH(QStringList, due);
    QFETCH(QString, trailing);
    TestSupport::LanguageGuard language(lang);
    for (const int days : {7, 3, 8, 0, 1})
        m_h->store.add(
            MainWindowHarness::sub(QStringLiteral("In %1").arg(days), days + 1, QStringLiteral("EUR"), days));
    ContentView &content = m_h->show();
    QCOMPARE(labelText(content, "upcomingTrailing"), trailing);
    CardList *list = content.upcomingList();
    QCOMPARE(column(list, CardList::NameRole), QStringList({"In 0", "In 1", "In 3", "In 7"}));
    QCOMPARE(column(list, CardList::DueRole), due);
    QCOMPARE(column(list, CardList::AmountRole), QStringList({"-€1", "-€2", "-€4", "-€8"}));
    QCOMPARE(list->height(), 4 * CardList::cardHeight(CardList::Kind::upcoming) + 3 * CardList::gap);
}

void TestMainWindow::rowTexts_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<Subscription>("sub");
    QTest::addColumn<QStringList>("texts"); // name, tag, summary, amount, monthly
    QTest::addColumn<bool>("dimmed");
    const auto sub = &MainWindowHarness::sub;
    QTest::newRow("monthly, en") << Lang::en
                                 << sub("Netflix", 15.99, "USD", 3, BillingType::recurring,
                                        BillingCycle::monthly, true, "影音", {})
                                 << QStringList{"Netflix", "", "Video · Monthly · Charges 2025/03/13",
                                                "-$15.99", "≈$15.99/mo"}
                                 << false;
    QTest::newRow("monthly, zh") << Lang::zh
                                 << sub("爱奇艺", 25, "CNY", 3, BillingType::recurring, BillingCycle::monthly,
                                        true, "影音", {})
                                 << QStringList{"爱奇艺", "", "影音 · 每月 · 2025/03/13 扣费", "-¥25",
                                                "≈¥25/月"}
                                 << false;
    QTest::newRow("due today, en") << Lang::en
                                   << sub("Gym", 30, "CNY", 0, BillingType::recurring, BillingCycle::monthly,
                                          true, "健康", {})
                                   << QStringList{"Gym", "", "健康 · Monthly · Charged today", "-¥30",
                                                  "≈$4.17/mo"}
                                   << false;
    QTest::newRow("one-time ahead") << Lang::en
                                    << sub("Things", 49.99, "USD", 2, BillingType::oneTime,
                                           BillingCycle::yearly, true, "软件", {})
                                    << QStringList{"Things", "One-time", "Software · Charges 2025/03/12",
                                                   "-$49.99", ""}
                                    << false;
    QTest::newRow("one-time past, zh")
        << Lang::zh
        << sub("软件", 68, "CNY", -2, BillingType::oneTime, BillingCycle::yearly, true, "软件", {})
        << QStringList{"软件", "单次", "软件", "-¥68", ""} << false;
    QTest::newRow("paused one-time: one tag")
        << Lang::en
        << sub("Old", 10, "USD", -2, BillingType::oneTime, BillingCycle::monthly, false, "软件", {})
        << QStringList{"Old", "Paused", "Software", "-$10", ""} << true;
    QTest::newRow("paused recurring, past start")
        << Lang::zh
        << sub("Gym", 30, "EUR", -40, BillingType::recurring, BillingCycle::monthly, false, "影音", {})
        << QStringList{"Gym", "已停用", "影音 · 每月", "-€30", ""} << true;
    QTest::newRow("paused recurring, start ahead")
        << Lang::en
        << sub("Gym", 30, "EUR", 4, BillingType::recurring, BillingCycle::monthly, false, "影音", {})
        << QStringList{"Gym", "Paused", "Video · Monthly · Charges 2025/03/14", "-€30", ""} << true;
    QTest::newRow("empty name, en")
        << Lang::en << sub("", 1, "USD", 3, BillingType::recurring, BillingCycle::weekly, true, "影音", {})
        << QStringList{"Untitled", "", "Video · Weekly · Charges 2025/03/13", "-$1", "≈$4.33/mo"} << false;
}

void TestMainWindow::rowTexts() {
    QFETCH(Lang, lang);
    QFETCH(Subscription, sub);
    QFETCH(QStringList, texts);
    QFETCH(bool, dimmed);
    TestSupport::LanguageGuard language(lang);
    m_h->store.add(sub);
    ContentView &content = m_h->show();
    const QModelIndex row = content.subscriptionList()->model()->index(0, 0);
    QCOMPARE(
        (QStringList{row.data(CardList::NameRole).toString(), row.data(CardList::TagRole).toString(),
                     row.data(CardList::SummaryRole).toString(), row.data(CardList::AmountRole).toString(),
                     row.data(CardList::MonthlyRole).toString()}),
        texts);
    QCOMPARE(row.data(CardList::DimmedRole).toBool(), dimmed);
    // What accessibility tools read: every text of the card.
    const QString spoken = row.data(Qt::AccessibleTextRole).toString();
    for (const QString &text : texts) {
        if (!text.trimmed().isEmpty())
            QVERIFY2(spoken.contains(text), qPrintable(spoken));
    }
}

void TestMainWindow::remindersFollowTheList() {
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Netflix"), 10, QStringLiteral("USD"), 10));
    ContentView &content = m_h->show();
    // Permission first, then every reminder replaced from the list.
    QCOMPARE(m_h->center.log.mid(0, 3),
             QStringList({"authorize", "remove",
                          "add renew-" + uuidText(m_h->store.subscriptions().constFirst().id)}));
    const qsizetype afterShow = m_h->reschedules();
    content.hide();
    content.show();
    QCOMPARE(m_h->reschedules(), afterShow);
    QCOMPARE(m_h->center.log.count(QStringLiteral("authorize")), 1);

    const Subscription added = MainWindowHarness::sub(QStringLiteral("Spotify"), 5, QStringLiteral("USD"), 5);
    m_h->store.add(added);
    QCOMPARE(m_h->reschedules(), afterShow + 1);
    QCOMPARE(m_h->center.pending.size(), 2);
    m_h->store.toggleActive(added);
    QCOMPARE(m_h->reschedules(), afterShow + 2);
    QCOMPARE(m_h->center.pending.size(), 1);
    m_h->store.remove(added);
    QCOMPARE(m_h->reschedules(), afterShow + 3);
    // Reminders keep working while the window is hidden.
    content.hide();
    m_h->store.loadSampleData(MainWindowHarness::now(), QTimeZone::systemTimeZone());
    QCOMPARE(m_h->reschedules(), afterShow + 4);
    // A change of language redraws but does not reschedule.
    TestSupport::LanguageGuard language(Lang::en);
    QCOMPARE(m_h->reschedules(), afterShow + 4);
}

void TestMainWindow::aSheetAskedForWhileAnotherIsOpenWaits() {
    ContentView &content = m_h->show();
    content.openSettings();
    QVERIFY(m_h->waitForSheet<SettingsView>());
    content.attemptAdd();
    QCoreApplication::processEvents();
    QVERIFY(m_h->sheetAs<SettingsView>());
    m_h->sheet()->reject();
    auto *form = m_h->waitForSheet<SubscriptionEditView>();
    QVERIFY(form);
    QVERIFY(!content.showingSettings());
    QVERIFY(content.isAdding());
}

void TestMainWindow::tabWalksEveryControl_data() {
    QTest::addColumn<bool>("samples");
    QTest::addColumn<QStringList>("stops");
    QTest::newRow("empty") << false
                           << QStringList{"settingsButton", "addButton", "scanMenuButton", "emptyAddButton",
                                          "loadSamplesButton"};
    QTest::newRow("with samples") << true
                                  << QStringList{"settingsButton", "addButton", "scanMenuButton",
                                                 "subscriptionList"};
}

void TestMainWindow::tabWalksEveryControl() {
    QFETCH(bool, samples);
    QFETCH(QStringList, stops);
    if (samples)
        m_h->store.loadSampleData(MainWindowHarness::now(), QTimeZone::systemTimeZone());
    ContentView &content = m_h->show();
    content.activateWindow();
    QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == &content; }));
    content.findChild<QWidget *>(QStringLiteral("settingsButton"))->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (qsizetype i = 0; i < stops.size(); ++i) {
        visited.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, stops);
    // Round again to the start.
    QCOMPARE(QApplication::focusWidget()->objectName(), stops.constFirst());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
