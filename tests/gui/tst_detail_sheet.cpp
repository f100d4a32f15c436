#include "MainWindowHarness.h"

#include "model/Format.h"
#include "views/ElidedLabel.h"
#include "views/FittedLabel.h"
#include "views/SubscriptionDetailView.h"
#include "views/SubscriptionEditView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSignalSpy>

using Lang = LocalizationManager::Lang;
using Fact = SubscriptionDetailView::Fact;

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
    void init() { m_h = std::make_unique<MainWindowHarness>(); }

    void cleanup() {
        m_sheet.reset();
        m_h.reset();
    }

    // Header lines (name, amount, next charge) and facts ("label: value"); an empty list is not checked.
    void texts_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<Subscription>("sub");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("facts");
        const auto sub = &MainWindowHarness::sub;
        using enum BillingCycle;
        using enum BillingType;
        QTest::newRow("monthly, en") << Lang::en << sub({.name = "Netflix", .amount = 15.99, .days = 3})
                                     << QStringList{"Netflix", "-$15.99", "Next charge 2025/03/13"}
                                     << QStringList{"Billing: Subscription", "Cycle: Monthly",
                                                    "Per month: $15.99", "Currency: USD", "Status: Active"};
        QTest::newRow("yearly, lower-case code, zh")
            << Lang::zh
            << sub({.name = "网易云", .amount = 178, .currency = "cny", .cycle = yearly, .category = "音乐"})
            << QStringList{}
            << QStringList{"付费方式: 订阅续费", "续费周期: 每年", "折合每月: ¥14.83", "币种: cny",
                           "状态: 使用中"};
        QTest::newRow("one-time with notes, zh")
            << Lang::zh << sub({.name = "软件", .amount = 68, .days = -100, .type = oneTime, .notes = "买断"})
            << QStringList{} << QStringList{"付费方式: 单次买断", "币种: USD", "状态: 使用中", "备注: 买断"};
        QTest::newRow("paused, start ahead: zero per month")
            << Lang::en << sub({.name = "Gym", .amount = 30, .currency = "EUR", .days = 4, .active = false})
            << QStringList{"Gym", "-€30", "Next charge 2025/03/14"}
            << QStringList{"Billing: Subscription", "Cycle: Monthly", "Per month: $0", "Currency: EUR",
                           "Status: Paused"};
        QTest::newRow("recurring, zh")
            << Lang::zh << sub({.amount = 25, .currency = "CNY", .days = 0})
            << QStringList{"Netflix", "-¥25", "下次扣费 2025/03/10"} << QStringList{};
        QTest::newRow("one-time today")
            << Lang::en << sub({.name = "App", .amount = 49.99, .days = 0, .type = oneTime})
            << QStringList{"App", "-$49.99", "Purchased 2025/03/10"} << QStringList{};
        QTest::newRow("one-time past: no line")
            << Lang::en << sub({.name = "App", .amount = 68, .currency = "CNY", .days = -1, .type = oneTime})
            << QStringList{"App", "-¥68", ""} << QStringList{};
        QTest::newRow("empty name, en")
            << Lang::en << sub({.name = "", .amount = 1, .days = 3, .category = ""})
            << QStringList{"Untitled", "-$1", "Next charge 2025/03/13"} << QStringList{};
    }

    void texts() {
        QFETCH(Lang, lang);
        QFETCH(Subscription, sub);
        QFETCH(QStringList, header);
        QFETCH(QStringList, facts);
        TestSupport::LanguageGuard language(lang);
        open(sub);
        QCOMPARE(m_sheet->size(), QSize(440, 600));
        if (!header.isEmpty()) {
            QCOMPARE((QStringList{labelText(m_sheet.get(), "nameLabel"),
                                  m_sheet->findChild<FittedLabel *>(u"amountLabel"_qs)->text(),
                                  labelText(m_sheet.get(), "nextChargeLabel")}),
                     header);
            QCOMPARE(labelText(m_sheet.get(), "categoryLabel"),
                     Format::categoryDisplay(sub.category, lang == Lang::zh));
        }
        if (facts.isEmpty())
            return;
        QStringList shown, labels;
        for (const Fact &fact : m_sheet->facts())
            shown.append(fact.label + u": "_qs + fact.value);
        QCOMPARE(shown, facts);
        // One row per fact, each with its label.
        QCOMPARE(m_sheet->findChildren<QWidget *>(u"factRow"_qs).size(), facts.size());
        for (QLabel *label : m_sheet->findChildren<QLabel *>(u"factLabel"_qs))
            labels.append(label->text() + u": "_qs);
        for (qsizetype i = 0; i < facts.size(); ++i)
            QVERIFY(facts.at(i).startsWith(labels.value(i, u"?"_qs)));
    }

    // Edit and pause close the sheet at once; the form for an edit opens a moment later, not in the same
    // turn.
    void actionsCloseTheSheetFirst_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("edit") << u"editAction"_qs;
        QTest::newRow("pause") << u"toggleAction"_qs;
    }

    void actionsCloseTheSheetFirst() {
        QFETCH(QString, action);
        const Subscription record = MainWindowHarness::sub({.name = u"Netflix"_qs, .amount = 15.99});
        m_h->store.add(record);
        ContentView &content = m_h->show();
        const qsizetype before = m_h->reschedules();
        content.openDetail(record);
        auto *detail = m_h->waitForSheet<SubscriptionDetailView>();
        QVERIFY(detail);
        QSignalSpy closed(detail, &QDialog::finished);
        QTest::mouseClick(button(detail, qPrintable(action)), Qt::LeftButton);
        QCOMPARE(closed.size(), 1);
        QVERIFY(!content.detailSub());
        QCoreApplication::processEvents();
        QVERIFY(!m_h->sheetAs<SubscriptionEditView>());
        if (action == u"toggleAction") {
            QVERIFY(m_h->waitForNoSheet());
            QVERIFY(!m_h->store.subscriptions().constFirst().isActive);
            QCOMPARE(m_h->reschedules(), before + 1);
            return;
        }
        auto *form = m_h->waitForSheet<SubscriptionEditView>();
        QVERIFY(form);
        QCOMPARE(form->mode(), SubscriptionEditView::Mode::edit);
        QCOMPARE(form->name(), u"Netflix"_qs);
        QCOMPARE(content.editingSub()->id, record.id);
    }

    void longHeaderTextsStopBeforeTheCloseButton_data() {
        QTest::addColumn<Lang>("lang");
        QTest::newRow("en") << Lang::en;
        QTest::newRow("zh") << Lang::zh;
    }

    void longHeaderTextsStopBeforeTheCloseButton() {
        QFETCH(Lang, lang);
        TestSupport::LanguageGuard language(lang);
        const QString name = u"网易云音乐 黑胶 VIP Family Annual Plan With Extras"_qs;
        const QString category = u"A category that someone typed out at remarkable length"_qs;
        SubscriptionDetailView *sheet = open(MainWindowHarness::sub({.name = name, .category = category}));
        const QRect close = sheet->findChild<QAbstractButton *>(u"closeButton"_qs)->geometry();
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

private:
    SubscriptionDetailView *open(const Subscription &sub) {
        m_sheet = std::make_unique<SubscriptionDetailView>(
            sub, [] {}, [] {}, [] {});
        m_sheet->show();
        if (!QTest::qWaitForWindowExposed(m_sheet.get()))
            qWarning("sheet not exposed");
        return m_sheet.get();
    }

    std::unique_ptr<MainWindowHarness> m_h;
    std::unique_ptr<SubscriptionDetailView> m_sheet;
};

QTEST_MAIN(TestDetailSheet)
#include "tst_detail_sheet.moc"
