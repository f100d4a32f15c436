#include "MainWindowHarness.h"

#include "app/MenuBarView.h"
#include "model/CurrencyRates.h"
#include "model/Format.h"
#include "views/ElidedLabel.h"

#include <QFontMetrics>

using Lang = LocalizationManager::Lang;

namespace {

// A monthly subscription whose first charge is `daysAhead` days from the harness's moment.
Subscription dueIn(const QString &name, int daysAhead, double amount = 20, const QString &currency = "USD") {
    return MainWindowHarness::sub({.name = name, .amount = amount, .currency = currency, .days = daysAhead});
}

QList<QWidget *> rows(const QWidget &view) {
    QList<QWidget *> visible;
    for (QWidget *row : view.findChildren<QWidget *>(u"upcomingRow"_qs)) {
        if (!row->isHidden() && !row->parentWidget()->isHidden())
            visible.append(row);
    }
    return visible;
}

QStringList rowTexts(const QWidget *row) {
    if (!row)
        return {u"<no row>"_qs};
    return {row->findChild<ElidedLabel *>(u"rowName"_qs)->text(),
            row->findChild<QLabel *>(u"rowDays"_qs)->text(),
            row->findChild<QLabel *>(u"rowAmount"_qs)->text()};
}

} // namespace

class TestMenuBarView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_h = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_h.reset(); }
    // The summary (label, amount, yearly line) and the first row, or the text shown without one.
    void texts_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("summary");
        QTest::addColumn<QStringList>("first");
        // Each subscription costs $20 a month, ¥144 at the fixed rate of 7.2.
        QTest::newRow("zh, nothing") << Lang::zh << 0
                                     << QStringList{"每月订阅支出", "¥0", "每年约 ¥0 · 进行中 0 个"}
                                     << QStringList{"近期没有要扣费的订阅 🎉"};
        QTest::newRow("en, nothing") << Lang::en << 0
                                     << QStringList{"Monthly spend", "$0", "≈$0/yr · 0 active"}
                                     << QStringList{"Nothing due soon 🎉"};
        QTest::newRow("zh, one") << Lang::zh << 1
                                 << QStringList{"每月订阅支出", "¥144", "每年约 ¥1728 · 进行中 1 个"}
                                 << QStringList{"Sub 0", "今天", "-$20"};
        QTest::newRow("en, six") << Lang::en << 6
                                 << QStringList{"Monthly spend", "$120", "≈$1440/yr · 6 active"}
                                 << QStringList{"Sub 5", "Today", "-$20"};
    }

    void texts() {
        QFETCH(Lang, lang);
        QFETCH(int, count);
        QFETCH(QStringList, summary);
        QFETCH(QStringList, first);
        TestSupport::LanguageGuard language(lang);
        // The last one added is due first.
        for (int i = 0; i < count; ++i)
            m_h->store.add(dueIn(u"Sub %1"_qs.arg(i), count - 1 - i));
        MenuBarView view(m_h->store, {}, {});
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.width(), 300);
        QCOMPARE((QStringList{labelText(&view, "monthlyLabel"), labelText(&view, "monthlyAmount"),
                              labelText(&view, "yearlyLine")}),
                 summary);
        // At most four rows, soonest first.
        const QList<QWidget *> shown = rows(view);
        QStringList names, soonest;
        for (QWidget *row : shown)
            names << rowTexts(row).first();
        for (int i = count - 1; i >= qMax(0, count - 4); --i)
            soonest << u"Sub %1"_qs.arg(i);
        QCOMPARE(names, soonest);
        auto *emptyLabel = view.findChild<QLabel *>(u"emptyText"_qs);
        QCOMPARE(emptyLabel != nullptr, count == 0);
        QCOMPARE(count == 0 ? QStringList{emptyLabel->isVisible() ? emptyLabel->text() : QString()}
                            : rowTexts(shown.first()),
                 first);
    }

    void wholeAmountIsDrawnAndTheNameGivesWay_data() {
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

    void wholeAmountIsDrawnAndTheNameGivesWay() {
        QFETCH(Lang, lang);
        QFETCH(QString, currency);
        QFETCH(double, amount);
        TestSupport::LanguageGuard language(lang);
        const QString longName = u"A subscription with a remarkably long name that cannot fit the panel"_qs;
        m_h->store.add(dueIn(longName, 1, amount, currency));
        MenuBarView view(m_h->store, {}, {});
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.width(), 300);
        QWidget *row = rows(view).value(0);
        auto *name = row->findChild<ElidedLabel *>(u"rowName"_qs);
        auto *amountLabel = row->findChild<QLabel *>(u"rowAmount"_qs);
        const QString expected = u"-"_qs + Format::money(amount, currency);
        QCOMPARE(amountLabel->text(), expected);
        // What is drawn: the whole text, minus sign included, fits the label at the font it is drawn in.
        QVERIFY2(QFontMetrics(amountLabel->font()).horizontalAdvance(expected) <=
                     amountLabel->contentsRect().width(),
                 qPrintable(expected));
        QVERIFY(amountLabel->width() >= 66);
        // The name is cut instead, and stays left of the days and the amount.
        QVERIFY(name->isElided());
        QVERIFY(name->shownText().endsWith(QChar(0x2026)));
        QVERIFY(name->geometry().right() < row->findChild<QLabel *>(u"rowDays"_qs)->geometry().left());
        // Everything stays inside the panel's margins.
        QVERIFY(row->mapTo(&view, QPoint(row->width(), 0)).x() <= 300 - 16);
    }

private:
    std::unique_ptr<MainWindowHarness> m_h;
};

QTEST_MAIN(TestMenuBarView)
#include "tst_menubar_view.moc"
