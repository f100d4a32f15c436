#include "MainWindowHarness.h"

#include "views/SegmentedControl.h"
#include "views/SubscriptionEditView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

using Lang = LocalizationManager::Lang;
using Mode = SubscriptionEditView::Mode;

namespace {

template <typename T> T *part(QWidget *form, const char *name) {
    T *widget = form ? form->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    if (!widget)
        qWarning("no %s in the form", name);
    return widget;
}

// Types `text` into `field` key by key; the test keyboard has only ASCII keys, other text is entered
// the way an input method would commit it.
void typeText(QLineEdit *field, const QString &text) {
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        QTest::keyClicks(field, text);
    else
        field->insert(text);
}

} // namespace

class TestSubscriptionForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_h = std::make_unique<MainWindowHarness>(); }

    void cleanup() {
        m_form.reset();
        m_h.reset();
    }

    // Save is offered only for a name with more than blanks and an amount the form reads as a positive
    // finite number.
    void validity_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("valid");
        const auto amount = [](const char *tag, const char *text, bool valid) {
            QTest::newRow(tag) << u"Netflix"_qs << QString::fromUtf8(text) << valid;
        };
        const auto name = [](const char *tag, const char16_t *text, bool valid) {
            QTest::newRow(tag) << QString::fromUtf16(text) << u"10"_qs << valid;
        };
        amount("decimal point", "9.99", true);
        amount("whole", "12", true);
        amount("comma as separator", "9,99", false);
        amount("thousands separator", "1,000", false);
        amount("leading space", " 12", false);
        amount("trailing space", "12 ", false);
        amount("zero", "0", false);
        amount("negative", "-5", false);
        amount("exponent", "1e3", true);
        amount("leading point", ".5", true);
        amount("explicit plus", "+5", true);
        amount("infinity", "inf", false);
        amount("not a number", "nan", false);
        amount("overflows to infinity", "1e999", false);
        amount("underflows to zero", "1e-400", false);
        amount("currency sign", "$5", false);
        amount("full-width digits", "１２", false);
        amount("empty amount", "", false);
        amount("letters after number", "12abc", false);
        name("spaces only", u"   ", false);
        name("tab only", u"\t", false);
        name("ideographic space only", u"\u3000", false);
        name("no-break spaces only", u"\u00A0\u00A0", false);
        name("empty name", u"", false);
        name("spaces around", u"  Netflix  ", true);
    }

    void validity() {
        QFETCH(QString, name);
        QFETCH(QString, amount);
        QFETCH(bool, valid);
        open();
        // The name is set, as the test keyboard cannot type every blank (a tab moves the focus).
        part<QLineEdit>(m_form.get(), "nameField")->setText(name);
        typeText(part<QLineEdit>(m_form.get(), "amountField"), amount);
        QCOMPARE(part<QPushButton>(m_form.get(), "saveButton")->isEnabled(), valid);
        QCOMPARE(m_form->isValid(), valid);
    }

    void savesTrimmedNameAndParsedAmount() {
        open();
        fill(u"  Netflix \u3000"_qs, u"1e3"_qs);
        QSignalSpy finished(m_form.get(), &QDialog::finished);
        QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(m_h->store.subscriptions().size(), 1);
        const Subscription saved = m_h->store.subscriptions().constFirst();
        QCOMPARE(saved.name, u"Netflix"_qs);
        QCOMPARE(saved.amount, 1000.0);
        QVERIFY(!m_form->isVisible());
    }

    void unknownCurrencyAndCategoryAreWrittenBackUnchanged() {
        TestSupport::LanguageGuard language(Lang::en);
        Subscription record =
            MainWindowHarness::sub({.name = u"Odd"_qs, .amount = 12, .currency = u"usd"_qs});
        record.category = u"Gym"_qs;
        m_h->store.add(record);
        open(record);
        QCOMPARE(part<QComboBox>(m_form.get(), "currencyPicker")->currentIndex(), -1);
        QCOMPARE(part<QComboBox>(m_form.get(), "categoryPicker")->currentIndex(), -1);
        auto *nameField = part<QLineEdit>(m_form.get(), "nameField");
        QTest::keyClick(nameField, Qt::Key_End);
        QTest::keyClicks(nameField, u"!"_qs);
        QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
        const Subscription saved = m_h->store.subscriptions().constFirst();
        QCOMPARE(saved.currency, u"usd"_qs);
        QCOMPARE(saved.category, u"Gym"_qs);
        QCOMPARE(saved.name, u"Odd!"_qs);
        QCOMPARE(saved.id, record.id);
    }

    void oneTimeHidesCycleAndRenamesDate() {
        TestSupport::LanguageGuard language(Lang::en);
        open();
        auto *type = part<SegmentedControl>(m_form.get(), "billingTypePicker");
        auto *cycle = part<QComboBox>(m_form.get(), "cyclePicker");
        auto *dateLabel = part<QLabel>(m_form.get(), "dateLabel");
        QCOMPARE(dateLabel->text(), u"First charge date"_qs);
        QCOMPARE(type->titles(), QStringList({u"Subscription"_qs, u"One-time"_qs}));
        cycle->setFocus();
        QTest::keyClick(cycle, Qt::Key_Down); // monthly -> quarterly
        QCOMPARE(m_form->cycle(), BillingCycle::quarterly);

        QTest::mouseClick(type->segmentForValue(int(BillingType::oneTime)), Qt::LeftButton);
        QCOMPARE(m_form->billingType(), BillingType::oneTime);
        QVERIFY(!cycle->isVisible());
        QCOMPARE(dateLabel->text(), u"Purchase date"_qs);
        LocalizationManager::shared().setLang(Lang::zh);
        QCOMPARE(dateLabel->text(), u"购买日"_qs);

        QTest::mouseClick(type->segmentForValue(int(BillingType::recurring)), Qt::LeftButton);
        QVERIFY(cycle->isVisible());
        QCOMPARE(cycle->currentText(), u"每季"_qs);
        QCOMPARE(dateLabel->text(), u"首次扣费日"_qs);

        // A one-time purchase keeps the cycle last chosen.
        QTest::mouseClick(type->segmentForValue(int(BillingType::oneTime)), Qt::LeftButton);
        fill(u"App"_qs, u"30"_qs);
        QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
        QCOMPARE(m_h->store.subscriptions().constFirst().billingType, BillingType::oneTime);
        QCOMPARE(m_h->store.subscriptions().constFirst().cycle, BillingCycle::quarterly);
    }

    void cancelWritesNothing() {
        const Subscription record = MainWindowHarness::sub({.name = u"Netflix"_qs});
        m_h->store.add(record);
        QSignalSpy changes(&m_h->store, &Store::subscriptionsChanged);
        open(record);
        fill(u"Changed"_qs, u"1"_qs);
        QTest::mouseClick(part<QPushButton>(m_form.get(), "cancelButton"), Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(changes.size(), 0);
        open();
        fill(u"New"_qs, u"1"_qs);
        QTest::keyClick(part<QLineEdit>(m_form.get(), "nameField"), Qt::Key_Escape);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(changes.size(), 0);
    }

    void prefilledFormAddsNewRecord() {
        Subscription draft = MainWindowHarness::sub({.name = "Scanned",
                                                     .amount = 15.5,
                                                     .currency = "HKD",
                                                     .days = -3,
                                                     .cycle = BillingCycle::yearly,
                                                     .category = "音乐",
                                                     .notes = "note"});
        m_h->store.add(draft); // the draft's id is already taken
        open(std::nullopt, draft);
        QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
        QCOMPARE(m_h->store.subscriptions().size(), 2);
        const Subscription added = m_h->store.subscriptions().constLast();
        QVERIFY(added.id != draft.id);
        Subscription expected = draft;
        expected.id = added.id;
        QCOMPARE(added, expected);
    }

    void editReplacesRecordKeepingItsId() {
        const Subscription record = MainWindowHarness::sub({.name = u"Netflix"_qs, .amount = 15.99});
        m_h->store.add(MainWindowHarness::sub({.name = u"Other"_qs}));
        m_h->store.add(record);
        open(record);
        fill(u"Netflix 4K"_qs, u"22.99"_qs);
        QTest::mouseClick(part<QCheckBox>(m_form.get(), "activeToggle"), Qt::LeftButton);
        part<QPlainTextEdit>(m_form.get(), "notesField")->setPlainText(u"family plan"_qs);
        QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
        QCOMPARE(m_h->store.subscriptions().size(), 2);
        const Subscription saved = m_h->store.subscriptions().at(1);
        QCOMPARE(saved.id, record.id);
        QCOMPARE(saved.name, u"Netflix 4K"_qs);
        QCOMPARE(saved.amount, 22.99);
        QVERIFY(!saved.isActive);
        QCOMPARE(saved.notes, u"family plan"_qs);
        QCOMPARE(saved.startDate, record.startDate);
    }

    void notesGrowByWrappedLines_data() {
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("paragraphs");
        QTest::addColumn<int>("lines");
        QTest::newRow("empty") << 0 << 1 << 2;
        QTest::newRow("one short line") << 2 << 1 << 2;
        QTest::newRow("three short paragraphs") << 2 << 3 << 3;
        QTest::newRow("one paragraph wrapping past four lines") << 120 << 1 << 4;
    }

    void notesGrowByWrappedLines() {
        QFETCH(int, words);
        QFETCH(int, paragraphs);
        QFETCH(int, lines);
        open();
        auto *notes = part<QPlainTextEdit>(m_form.get(), "notesField");
        QStringList text;
        for (int p = 0; p < paragraphs; ++p)
            text.append(QStringList(words, u"word"_qs).join(QLatin1Char(' ')));
        notes->setPlainText(text.join(QLatin1Char('\n')));
        const int lineSpacing = notes->fontMetrics().lineSpacing();
        // As many lines in view as the text has, from two up to four; only beyond four does it scroll.
        QTRY_COMPARE(notes->viewport()->height() / lineSpacing, lines);
        QTRY_COMPARE(notes->verticalScrollBar()->maximum() > 0, words * paragraphs > 100);
    }

private:
    SubscriptionEditView *open(std::optional<Subscription> existing = std::nullopt,
                               std::optional<Subscription> prefill = std::nullopt) {
        m_form = std::make_unique<SubscriptionEditView>(m_h->store, std::move(existing), std::move(prefill));
        m_form->show();
        if (!QTest::qWaitForWindowExposed(m_form.get()))
            qWarning("form not exposed");
        return m_form.get();
    }
    void fill(const QString &name, const QString &amount) {
        auto *nameField = part<QLineEdit>(m_form.get(), "nameField");
        auto *amountField = part<QLineEdit>(m_form.get(), "amountField");
        nameField->clear();
        typeText(nameField, name);
        amountField->clear();
        typeText(amountField, amount);
    }

    std::unique_ptr<MainWindowHarness> m_h;
    std::unique_ptr<SubscriptionEditView> m_form;
};

QTEST_MAIN(TestSubscriptionForm)
#include "tst_subscription_form.moc"
