#include "MainWindowHarness.h"

#include "store/Aggregates.h"
#include "store/SubscriptionFile.h"
#include "views/CardList.h"
#include "views/NoticeBar.h"
#include "views/SettingsView.h"
#include "views/SoftButton.h"
#include "views/SubscriptionDetailView.h"
#include "views/SubscriptionEditView.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

using Lang = LocalizationManager::Lang;

namespace {

QStringList column(const CardList *list, int role) {
    QStringList values;
    for (int row = 0; row < list->count(); ++row)
        values.append(list->model()->index(row, 0).data(role).toString());
    return values;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    // Weekly subscriptions, each due within the week and dearer than the one before, more of them
    // than the screen has room for as coming charges; returns how many.
    qsizetype fillBeyondTheScreen() {
        const int screen = QGuiApplication::primaryScreen()->virtualSize().height();
        const qsizetype count = screen / CardList::cardHeight(CardList::Kind::upcoming) + 2;
        for (qsizetype i = 0; i < count; ++i)
            m_h->store.add(MainWindowHarness::sub({.name = u"W%1"_qs.arg(i),
                                                   .amount = 10.0 + double(i),
                                                   .days = int(i % 7),
                                                   .cycle = BillingCycle::weekly}));
        return count;
    }

private Q_SLOTS:
    void init() { m_h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_h.reset(); }
    void loadSamplesFillsTheList() {
        TestSupport::LanguageGuard language(Lang::en);
        ContentView &content = m_h->show();
        const qsizetype before = m_h->reschedules();
        QTest::mouseClick(content.findChild<SoftButton *>(u"loadSamplesButton"_qs), Qt::LeftButton);
        QCOMPARE(m_h->store.subscriptions().size(), 5);
        QCOMPARE(content.subscriptionList()->count(), 5);
        QVERIFY(content.subscriptionList()->isVisible());
        QVERIFY(!content.findChild<QWidget *>(u"emptyState"_qs)->isVisible());
        // Made only now, under the section's header.
        const QWidget *header = content.findChild<QLabel *>(u"subscriptionsCount"_qs)->parentWidget();
        QCOMPARE(content.subscriptionList()->parentWidget(), header->parentWidget());
        QVERIFY(content.subscriptionList()->y() > header->geometry().bottom());
        QCOMPARE(labelText(&content, "subscriptionsCount"), u"5 items"_qs);
        // The samples are dated relative to the pinned moment: one charges within the week.
        const auto charges = m_h->store.upcoming(7, MainWindowHarness::now(), QTimeZone::systemTimeZone());
        QVERIFY(!charges.isEmpty());
        QVERIFY(content.findChild<QWidget *>(u"upcomingSection"_qs)->isVisible());
        QCOMPARE(content.upcomingList()->count(), charges.size());
        // Made only now, as the list was empty at the start, and shown with its section.
        QVERIFY(content.upcomingList()->isVisible());
        QCOMPARE(content.upcomingList()->height(),
                 int(charges.size()) * CardList::cardHeight(CardList::Kind::upcoming) +
                     (int(charges.size()) - 1) * CardList::gap);
        QCOMPARE(m_h->reschedules(), before + 1);
    }

    // The window's first frame shows the scroll bar only for a list taller than the window: the
    // frame is drawn as soon as the window is shown, before any later turn of the event loop.
    void firstFrameScrollBar_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("bar");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("fits") << 1 << false;
        QTest::newRow("taller than the window") << 12 << true;
    }
    void firstFrameScrollBar() {
        QFETCH(int, records);
        QFETCH(bool, bar);
        for (int i = 0; i < records; ++i)
            m_h->store.add(MainWindowHarness::sub({.name = u"Service %1"_qs.arg(i), .days = 30 + i}));
        ContentView content(m_h->store);
        content.resize(960, 640);
        content.show();
        const auto *scroll = content.findChild<QScrollArea *>(u"mainScroll"_qs);
        QCOMPARE(scroll->verticalScrollBar()->isVisible(), bar);
        QCOMPARE(scroll->viewport()->width(), bar ? 960 - scroll->verticalScrollBar()->width() : 960);
        // A bar the frame does not show is styled once the frame is on screen, before it can appear.
        QTRY_VERIFY(!scroll->verticalScrollBar()->styleSheet().isEmpty());
    }

    void addButtonsOpenTheAddForm() {
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

    void comingCharges_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<QStringList>("due");
        QTest::addColumn<QString>("trailing");
        QTest::newRow("zh") << Lang::zh << QStringList{"今天扣费", "1 天后扣费", "3 天后扣费", "7 天后扣费"}
                            << u"未来 7 天"_qs;
        QTest::newRow("en") << Lang::en << QStringList{"Charged today", "in 1 days", "in 3 days", "in 7 days"}
                            << u"Next 7 days"_qs;
    }

    void comingCharges() {
        QFETCH(Lang, lang);
        QFETCH(QStringList, due);
        QFETCH(QString, trailing);
        TestSupport::LanguageGuard language(lang);
        for (const int days : {7, 3, 8, 0, 1})
            m_h->store.add(MainWindowHarness::sub(
                {.name = u"In %1"_qs.arg(days), .amount = days + 1.0, .currency = "EUR", .days = days}));
        ContentView &content = m_h->show();
        QCOMPARE(labelText(&content, "upcomingTrailing"), trailing);
        CardList *list = content.upcomingList();
        QCOMPARE(column(list, CardList::NameRole), QStringList({"In 0", "In 1", "In 3", "In 7"}));
        QCOMPARE(column(list, CardList::DueRole), due);
        QCOMPARE(column(list, CardList::AmountRole), QStringList({"-€1", "-€2", "-€4", "-€8"}));
        QCOMPARE(list->height(), 4 * CardList::cardHeight(CardList::Kind::upcoming) + 3 * CardList::gap);
    }

    // An overview worked out ahead is shown only while it describes the store's very list on the day of
    // the moment; otherwise the window works the figures out afresh.
    void preparedOverviewOnlyForItsListAndDay_data() {
        QTest::addColumn<int>("daysEarlier");
        QTest::addColumn<bool>("sameList");
        QTest::newRow("this list today") << 0 << true;
        QTest::newRow("this list yesterday") << 1 << true;
        QTest::newRow("another list") << 0 << false;
    }

    void preparedOverviewOnlyForItsListAndDay() {
        QFETCH(int, daysEarlier);
        QFETCH(bool, sameList);
        for (const int days : {0, 1, 6, 20})
            m_h->store.add(MainWindowHarness::sub({.name = u"In %1"_qs.arg(days), .days = days}));
        QList<Subscription> other = m_h->store.subscriptions();
        other.append(MainWindowHarness::sub({.name = u"Extra"_qs, .days = 2}));
        const ListOverview prepared =
            listOverview(sameList ? m_h->store.subscriptions() : other, ContentView::upcomingDays,
                         MainWindowHarness::now().addDays(-daysEarlier), QTimeZone::systemTimeZone());
        const auto shown = [](ContentView &content) {
            return QStringList{labelText(&content, "monthlyAmount"), labelText(&content, "activeValue"),
                               labelText(&content, "dueSoonValue")} +
                   column(content.upcomingList(), CardList::DueRole) +
                   column(content.upcomingList(), CardList::NameRole);
        };
        ContentView fresh(m_h->store);
        ContentView ahead(m_h->store, nullptr, &prepared);
        QCOMPARE(shown(ahead), shown(fresh));
        QCOMPARE(column(ahead.upcomingList(), CardList::NameRole), QStringList({"In 0", "In 1", "In 6"}));
    }

    void rowTexts_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<Subscription>("sub");
        QTest::addColumn<QStringList>("texts"); // name, tag, summary, amount, monthly
        const auto sub = &MainWindowHarness::sub;
        using enum BillingType;
        using enum BillingCycle;
        QTest::newRow("monthly, en") << Lang::en << sub({.name = "Netflix", .amount = 15.99, .days = 3})
                                     << QStringList{"Netflix", "", "Video · Monthly · Charges 2025/03/13",
                                                    "-$15.99", "≈$15.99/mo"};
        QTest::newRow("monthly, zh") << Lang::zh
                                     << sub({.name = "爱奇艺", .amount = 25, .currency = "CNY", .days = 3})
                                     << QStringList{"爱奇艺", "", "影音 · 每月 · 2025/03/13 扣费", "-¥25",
                                                    "≈¥25/月"};
        QTest::newRow("due today, en")
            << Lang::en
            << sub({.name = "Gym", .amount = 30, .currency = "CNY", .days = 0, .category = "健康"})
            << QStringList{"Gym", "", "健康 · Monthly · Charged today", "-¥30", "≈$4.17/mo"};
        QTest::newRow("one-time ahead")
            << Lang::en
            << sub({.name = "Things", .amount = 49.99, .days = 2, .type = oneTime, .category = "软件"})
            << QStringList{"Things", "One-time", "Software · Charges 2025/03/12", "-$49.99", ""};
        QTest::newRow("one-time past, zh")
            << Lang::zh << sub({.name = "软件", .amount = 68, .currency = "CNY", .days = -2, .type = oneTime})
            << QStringList{"软件", "单次", "影音", "-¥68", ""};
        QTest::newRow("paused one-time: one tag")
            << Lang::en << sub({.name = "Old", .amount = 10, .days = -2, .type = oneTime, .active = false})
            << QStringList{"Old", "Paused", "Video", "-$10", ""};
        QTest::newRow("paused recurring, past start")
            << Lang::zh << sub({.name = "Gym", .amount = 30, .currency = "EUR", .days = -40, .active = false})
            << QStringList{"Gym", "已停用", "影音 · 每月", "-€30", ""};
        QTest::newRow("paused recurring, start ahead")
            << Lang::en << sub({.name = "Gym", .amount = 30, .currency = "EUR", .days = 4, .active = false})
            << QStringList{"Gym", "Paused", "Video · Monthly · Charges 2025/03/14", "-€30", ""};
        QTest::newRow("empty name, en")
            << Lang::en << sub({.name = "", .amount = 1, .days = 3, .cycle = weekly})
            << QStringList{"Untitled", "", "Video · Weekly · Charges 2025/03/13", "-$1", "≈$4.33/mo"};
    }

    void rowTexts() {
        QFETCH(Lang, lang);
        QFETCH(Subscription, sub);
        QFETCH(QStringList, texts);
        TestSupport::LanguageGuard language(lang);
        m_h->store.add(sub);
        ContentView &content = m_h->show();
        const QModelIndex row = content.subscriptionList()->model()->index(0, 0);
        QCOMPARE((QStringList{row.data(CardList::NameRole).toString(), row.data(CardList::TagRole).toString(),
                              row.data(CardList::SummaryRole).toString(),
                              row.data(CardList::AmountRole).toString(),
                              row.data(CardList::MonthlyRole).toString()}),
                 texts);
        QCOMPARE(row.data(CardList::DimmedRole).toBool(), !sub.isActive);
        // What accessibility tools read: every text of the card.
        const QString spoken = row.data(Qt::AccessibleTextRole).toString();
        for (const QString &text : texts) {
            if (!text.trimmed().isEmpty())
                QVERIFY2(spoken.contains(text), qPrintable(spoken));
        }
    }

    void remindersFollowTheList() {
        m_h->store.add(
            MainWindowHarness::sub({.name = u"Netflix"_qs, .amount = 10, .currency = u"USD"_qs, .days = 10}));
        ContentView &content = m_h->show();
        // Permission first, then every reminder replaced from the list.
        QCOMPARE(m_h->center.log.mid(0, 3),
                 QStringList({"authorize", "remove",
                              "add renew-" + uuidText(m_h->store.subscriptions().constFirst().id)}));
        const qsizetype afterShow = m_h->reschedules();
        content.hide();
        content.show();
        QCOMPARE(m_h->reschedules(), afterShow);
        QCOMPARE(m_h->center.log.count(u"authorize"_qs), 1);

        const Subscription added =
            MainWindowHarness::sub({.name = u"Spotify"_qs, .amount = 5, .currency = u"USD"_qs, .days = 5});
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

    void aSheetAskedForWhileAnotherIsOpenWaits() {
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

    void tabWalksEveryControl_data() {
        // When the samples are loaded: never, before the window is built, or once it is on screen
        // (the list is then made after every other control).
        QTest::addColumn<QString>("samples");
        QTest::addColumn<QStringList>("stops");
        const QStringList listed{"settingsButton", "addButton", "scanMenuButton", "subscriptionList"};
        QTest::newRow("empty") << u"never"_qs
                               << QStringList{"settingsButton", "addButton", "scanMenuButton",
                                              "emptyAddButton", "loadSamplesButton"};
        QTest::newRow("with samples") << u"before"_qs << listed;
        QTest::newRow("samples loaded in the window") << u"after"_qs << listed;
        QTest::newRow("list below the first frame") << u"below"_qs << listed;
    }

    void tabWalksEveryControl() {
        QFETCH(QString, samples);
        QFETCH(QStringList, stops);
        if (samples == u"before"_qs)
            m_h->store.loadSampleData(MainWindowHarness::now(), QTimeZone::systemTimeZone());
        if (samples == u"below"_qs)
            fillBeyondTheScreen();
        ContentView &content = m_h->show();
        if (samples == u"after"_qs)
            m_h->store.loadSampleData(MainWindowHarness::now(), QTimeZone::systemTimeZone());
        content.activateWindow();
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == &content; }));
        content.findChild<QWidget *>(u"settingsButton"_qs)->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (qsizetype i = 0; i < stops.size(); ++i) {
            visited.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, stops);
        // Round again to the start.
        QCOMPARE(QApplication::focusWidget()->objectName(), stops.constFirst());
    }

    // More coming charges than the screen is tall: the list below them is made once the first frame
    // is on screen, where an empty widget of its height stood in for it.
    void aListBelowTheFirstFrameIsMadeAfterIt() {
        const qsizetype count = fillBeyondTheScreen();
        ContentView content(m_h->store);
        content.setReminders(&m_h->reminders);
        const QWidget *standIn = content.findChild<QWidget *>(u"subscriptionListStandIn"_qs);
        QVERIFY(standIn && !content.findChild<CardList *>(u"subscriptionList"_qs));
        QCOMPARE(standIn->minimumHeight(), CardList::heightFor(CardList::Kind::subscriptions, count));
        content.resize(960, 640);
        content.show();
        QVERIFY(QTest::qWaitFor([&] { return content.findChild<CardList *>(u"subscriptionList"_qs); }));
        QVERIFY(!content.findChild<QWidget *>(u"subscriptionListStandIn"_qs));
        const CardList *list = content.subscriptionList();
        QCOMPARE(list->count(), count);
        QCOMPARE(column(list, CardList::NameRole).constFirst(), u"W%1"_qs.arg(count - 1));
        QVERIFY(list->isVisible());
    }

    // The notice bars, made when first needed, lie below the list in the same order whichever came
    // first.
    void noticeBarsKeepTheirOrder() {
        ContentView &content = m_h->show();
        content.offerUndo(MainWindowHarness::sub({.name = u"Gone"_qs}), 0);
        Q_EMIT m_h->store.externalEditsReplaced({u"There"_qs});
        Q_EMIT m_h->store.saveFailed(u"disk full"_qs);
        const QLayout *edge = content.layout();
        QCOMPARE(edge->indexOf(content.saveErrorBar()), 1);
        QCOMPARE(edge->indexOf(content.syncNoticeBar()), 2);
        QCOMPARE(edge->indexOf(content.undoBar()), 3);
        QVERIFY(content.saveErrorBar()->isVisible() && content.undoBar()->isVisible());
    }

    // Showing the window looks for changes made elsewhere; an edit replaced by one is told in a bar.
    void changesFromAnotherComputer() {
        const TestSupport::LanguageGuard english(LocalizationManager::Lang::en);
        const Subscription original = MainWindowHarness::sub({.name = u"Original"_qs});
        m_h->store.add(original);
        ContentView &content = m_h->show();
        content.hide();
        Subscription there = original;
        there.name = u"There"_qs;
        QVERIFY(TestSupport::writeFile(m_h->store.fileURL(), *SubscriptionFile::encode({there})));
        content.show();
        QCOMPARE(m_h->store.subscriptions(), QList<Subscription>{there});

        there.amount = 30;
        QVERIFY(TestSupport::writeFile(m_h->store.fileURL(), *SubscriptionFile::encode({there})));
        Subscription here = there;
        here.amount = 40;
        m_h->store.update(here);
        NoticeBar *bar = content.syncNoticeBar();
        QVERIFY(bar->isVisible());
        QVERIFY2(
            bar->message().startsWith(u"A change from another computer replaced your edit of “There”."_qs),
            qPrintable(bar->message()));
        QTest::mouseClick(bar->actionButton(), Qt::LeftButton);
        QVERIFY(!bar->isVisible());
    }

    void deletionCanBeUndoneInPlace_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("undo");
        QTest::newRow("Delete on the row, Undo button")
            << u"row"_qs << Lang::en << false << u"Deleted “Middle”"_qs << u"Undo"_qs;
        QTest::newRow("Delete on the row, Ctrl+Z")
            << u"row"_qs << Lang::zh << true << u"已删除“Middle”"_qs << u"撤销"_qs;
        QTest::newRow("detail sheet")
            << u"detail"_qs << Lang::zh << false << u"已删除“Middle”"_qs << u"撤销"_qs;
        QTest::newRow("edit form") << u"form"_qs << Lang::en << true << u"Deleted “Middle”"_qs << u"Undo"_qs;
    }

    void deletionCanBeUndoneInPlace() {
        QFETCH(QString, from);
        QFETCH(Lang, lang);
        QFETCH(bool, byKey);
        QFETCH(QString, message);
        QFETCH(QString, undo);
        TestSupport::LanguageGuard language(lang);
        const Subscription middle = MainWindowHarness::sub({.name = u"Middle"_qs, .amount = 50});
        for (const Subscription &sub : {MainWindowHarness::sub({.name = u"First"_qs, .amount = 100}), middle,
                                        MainWindowHarness::sub({.name = u"Last"_qs, .amount = 10})})
            m_h->store.add(sub);
        const QList<Subscription> before = m_h->store.subscriptions();
        ContentView &content = m_h->show();
        content.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&content));

        if (from == QLatin1String("row")) {
            CardList *list = content.subscriptionList();
            list->setFocus(Qt::TabFocusReason);
            list->setCurrentIndex(
                list->model()->index(int(column(list, CardList::NameRole).indexOf("Middle")), 0));
            QTest::keyClick(list, Qt::Key_Delete);
            // The keyboard stays on the list, on the card that took the deleted one's place.
            QVERIFY(list->hasFocus() && list->currentIndex().isValid());
        } else {
            content.openDetail(middle);
            auto *detail = m_h->waitForSheet<SubscriptionDetailView>();
            QVERIFY(detail);
            if (from == QLatin1String("detail")) {
                QTest::mouseClick(detail->findChild<QAbstractButton *>(u"deleteButton"_qs), Qt::LeftButton);
            } else {
                QTest::mouseClick(detail->findChild<QAbstractButton *>(u"editAction"_qs), Qt::LeftButton);
                auto *form = m_h->waitForSheet<SubscriptionEditView>();
                QVERIFY(form);
                QTest::mouseClick(form->findChild<QAbstractButton *>(u"deleteButton"_qs), Qt::LeftButton);
            }
            QVERIFY(m_h->waitForNoSheet());
            content.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&content));
        }
        // Deleted at once, without asking.
        QCOMPARE(m_h->store.subscriptions().size(), 2);
        NoticeBar *bar = content.undoBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->message(), message);
        QCOMPARE(bar->actionButton()->text(), undo);
        QCOMPARE(bar->actionButton()->accessibleName(), undo);
        QVERIFY(content.undoTimer().isActive());
        QCOMPARE(content.undoTimer().interval(), 8000);

        QSignalSpy changes(&m_h->store, &Store::subscriptionsChanged);
        if (byKey)
            QTest::keyClick(&content, Qt::Key_Z, Qt::ControlModifier);
        else
            QTest::mouseClick(bar->actionButton(), Qt::LeftButton);
        // Back in its place with its id, in one change.
        QCOMPARE(changes.size(), 1);
        QCOMPARE(m_h->store.subscriptions(), before);
        QVERIFY(!bar->isVisible());
        // Once only.
        QTest::keyClick(&content, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(changes.size(), 1);
    }

private:
    std::unique_ptr<MainWindowHarness> m_h;
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
