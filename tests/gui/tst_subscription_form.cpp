#include "MainWindowHarness.h"

#include "model/Format.h"
#include "views/SegmentedControl.h"
#include "views/SubscriptionEditView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
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
    void init();
    void cleanup();
    void amountValidity_data();
    void amountValidity();
    void nameValidity_data();
    void nameValidity();
    void savesTrimmedNameAndParsedAmount();
    void unknownCurrencyAndCategoryAreWrittenBackUnchanged();
    void oneTimeHidesCycleAndRenamesDate();
    void cancelWritesNothing();
    void prefilledFormAddsNewRecord();
    void editReplacesRecordKeepingItsId();
    void notesGrowByWrappedLines_data();
    void notesGrowByWrappedLines();

private:
    SubscriptionEditView *open(std::optional<Subscription> existing = std::nullopt,
                               std::optional<Subscription> prefill = std::nullopt);
    void fill(const QString &name, const QString &amount);

    std::unique_ptr<MainWindowHarness> m_h;
    std::unique_ptr<SubscriptionEditView> m_form;
};

void TestSubscriptionForm::init() {
    m_h = std::make_unique<MainWindowHarness>();
}

void TestSubscriptionForm::cleanup() {
    m_form.reset();
    m_h.reset();
}

SubscriptionEditView *TestSubscriptionForm::open(std::optional<Subscription> existing,
                                                 std::optional<Subscription> prefill) {
    m_form = std::make_unique<SubscriptionEditView>(m_h->store, std::move(existing), std::move(prefill));
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form.get()))
        qWarning("form not exposed");
    return m_form.get();
}

void TestSubscriptionForm::fill(const QString &name, const QString &amount) {
    auto *nameField = part<QLineEdit>(m_form.get(), "nameField");
    auto *amountField = part<QLineEdit>(m_form.get(), "amountField");
    nameField->clear();
    typeText(nameField, name);
    amountField->clear();
    typeText(amountField, amount);
}

void TestSubscriptionForm::amountValidity_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("valid");
    QTest::newRow("decimal point") << "9.99" << true;
    QTest::newRow("whole") << "12" << true;
    QTest::newRow("comma as separator") << "9,99" << false;
    QTest::newRow("thousands separator") << "1,000" << false;
    QTest::newRow("leading space") << " 12" << false;
    QTest::newRow("trailing space") << "12 " << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("negative") << "-5" << false;
    QTest::newRow("exponent") << "1e3" << true;
    QTest::newRow("leading point") << ".5" << true;
    QTest::newRow("explicit plus") << "+5" << true;
    QTest::newRow("infinity") << "inf" << false;
    QTest::newRow("not a number") << "nan" << false;
    QTest::newRow("overflows to infinity") << "1e999" << false;
    QTest::newRow("underflows to zero") << "1e-400" << false;
    QTest::newRow("currency sign") << "$5" << false;
    QTest::newRow("full-width digits") << "１２" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters after number") << "12abc" << false;
}

void TestSubscriptionForm::amountValidity() {
    QFETCH(QString, amount);
    QFETCH(bool, valid);
    open();
    fill(QStringLiteral("Netflix"), amount);
    QCOMPARE(part<QPushButton>(m_form.get(), "saveButton")->isEnabled(), valid);
    QCOMPARE(m_form->isValid(), valid);
}

void TestSubscriptionForm::nameValidity_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "Netflix" << true;
    QTest::newRow("spaces only") << "   " << false;
    QTest::newRow("tab only") << "\t" << false;
    QTest::newRow("ideographic space only") << "\u3000" << false;
    QTest::newRow("no-break spaces only") << "\u00A0\u00A0" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("spaces around") << "  Netflix  " << true;
}

void TestSubscriptionForm::nameValidity() {
    QFETCH(QString, name);
    QFETCH(bool, valid);
    open();
    auto *nameField = part<QLineEdit>(m_form.get(), "nameField");
    // Typed where the keyboard can type it, set where it cannot (tab moves the focus).
    nameField->setText(name);
    QTest::keyClicks(part<QLineEdit>(m_form.get(), "amountField"), QStringLiteral("10"));
    QCOMPARE(part<QPushButton>(m_form.get(), "saveButton")->isEnabled(), valid);
}

void TestSubscriptionForm::savesTrimmedNameAndParsedAmount() {
    open();
    fill(QStringLiteral("  Netflix \u3000"), QStringLiteral("1e3"));
    QSignalSpy finished(m_form.get(), &QDialog::finished);
    QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_h->store.subscriptions().size(), 1);
    const Subscription saved = m_h->store.subscriptions().constFirst();
    QCOMPARE(saved.name, QStringLiteral("Netflix"));
    QCOMPARE(saved.amount, 1000.0);
    QVERIFY(!m_form->isVisible());
}

void TestSubscriptionForm::unknownCurrencyAndCategoryAreWrittenBackUnchanged() {
    TestSupport::LanguageGuard language(Lang::en);
    Subscription record = MainWindowHarness::sub(
        {.name = QStringLiteral("Odd"), .amount = 12, .currency = QStringLiteral("usd")});
    record.category = QStringLiteral("Gym");
    m_h->store.add(record);
    open(record);
    QCOMPARE(part<QComboBox>(m_form.get(), "currencyPicker")->currentIndex(), -1);
    QCOMPARE(part<QComboBox>(m_form.get(), "categoryPicker")->currentIndex(), -1);
    auto *nameField = part<QLineEdit>(m_form.get(), "nameField");
    QTest::keyClick(nameField, Qt::Key_End);
    QTest::keyClicks(nameField, QStringLiteral("!"));
    QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
    const Subscription saved = m_h->store.subscriptions().constFirst();
    QCOMPARE(saved.currency, QStringLiteral("usd"));
    QCOMPARE(saved.category, QStringLiteral("Gym"));
    QCOMPARE(saved.name, QStringLiteral("Odd!"));
    QCOMPARE(saved.id, record.id);
}

void TestSubscriptionForm::oneTimeHidesCycleAndRenamesDate() {
    TestSupport::LanguageGuard language(Lang::en);
    open();
    auto *type = part<SegmentedControl>(m_form.get(), "billingTypePicker");
    auto *cycle = part<QComboBox>(m_form.get(), "cyclePicker");
    auto *dateLabel = part<QLabel>(m_form.get(), "dateLabel");
    QCOMPARE(dateLabel->text(), QStringLiteral("First charge date"));
    QCOMPARE(type->titles(), QStringList({QStringLiteral("Subscription"), QStringLiteral("One-time")}));
    cycle->setFocus();
    QTest::keyClick(cycle, Qt::Key_Down); // monthly -> quarterly
    QCOMPARE(m_form->cycle(), BillingCycle::quarterly);

    QTest::mouseClick(type->segmentForValue(int(BillingType::oneTime)), Qt::LeftButton);
    QCOMPARE(m_form->billingType(), BillingType::oneTime);
    QVERIFY(!cycle->isVisible());
    QCOMPARE(dateLabel->text(), QStringLiteral("Purchase date"));
    LocalizationManager::shared().setLang(Lang::zh);
    QCOMPARE(dateLabel->text(), QStringLiteral("购买日"));

    QTest::mouseClick(type->segmentForValue(int(BillingType::recurring)), Qt::LeftButton);
    QVERIFY(cycle->isVisible());
    QCOMPARE(cycle->currentText(), QStringLiteral("每季"));
    QCOMPARE(dateLabel->text(), QStringLiteral("首次扣费日"));

    // A one-time purchase keeps the cycle last chosen.
    QTest::mouseClick(type->segmentForValue(int(BillingType::oneTime)), Qt::LeftButton);
    fill(QStringLiteral("App"), QStringLiteral("30"));
    QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
    QCOMPARE(m_h->store.subscriptions().constFirst().billingType, BillingType::oneTime);
    QCOMPARE(m_h->store.subscriptions().constFirst().cycle, BillingCycle::quarterly);
}

void TestSubscriptionForm::prefilledFormAddsNewRecord() {
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

void TestSubscriptionForm::editReplacesRecordKeepingItsId() {
    const Subscription record = MainWindowHarness::sub({.name = QStringLiteral("Netflix"), .amount = 15.99});
    m_h->store.add(MainWindowHarness::sub({.name = QStringLiteral("Other")}));
    m_h->store.add(record);
    open(record);
    fill(QStringLiteral("Netflix 4K"), QStringLiteral("22.99"));
    QTest::mouseClick(part<QCheckBox>(m_form.get(), "activeToggle"), Qt::LeftButton);
    part<QPlainTextEdit>(m_form.get(), "notesField")->setPlainText(QStringLiteral("family plan"));
    QTest::mouseClick(part<QPushButton>(m_form.get(), "saveButton"), Qt::LeftButton);
    QCOMPARE(m_h->store.subscriptions().size(), 2);
    const Subscription saved = m_h->store.subscriptions().at(1);
    QCOMPARE(saved.id, record.id);
    QCOMPARE(saved.name, QStringLiteral("Netflix 4K"));
    QCOMPARE(saved.amount, 22.99);
    QVERIFY(!saved.isActive);
    QCOMPARE(saved.notes, QStringLiteral("family plan"));
    QCOMPARE(saved.startDate, record.startDate);
}

void TestSubscriptionForm::cancelWritesNothing() {
    const Subscription record = MainWindowHarness::sub({.name = QStringLiteral("Netflix")});
    m_h->store.add(record);
    QSignalSpy changes(&m_h->store, &Store::subscriptionsChanged);
    open(record);
    fill(QStringLiteral("Changed"), QStringLiteral("1"));
    QTest::mouseClick(part<QPushButton>(m_form.get(), "cancelButton"), Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(changes.size(), 0);
    open();
    fill(QStringLiteral("New"), QStringLiteral("1"));
    QTest::keyClick(part<QLineEdit>(m_form.get(), "nameField"), Qt::Key_Escape);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(changes.size(), 0);
}

void TestSubscriptionForm::notesGrowByWrappedLines_data() {
    QTest::addColumn<int>("words");
    QTest::addColumn<int>("paragraphs");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty") << 0 << 1 << 2;
    QTest::newRow("one short line") << 2 << 1 << 2;
    QTest::newRow("three short paragraphs") << 2 << 3 << 3;
    QTest::newRow("one paragraph wrapping past four lines") << 120 << 1 << 4;
}

void TestSubscriptionForm::notesGrowByWrappedLines() {
    QFETCH(int, words);
    QFETCH(int, paragraphs);
    QFETCH(int, lines);
    open();
    auto *notes = part<QPlainTextEdit>(m_form.get(), "notesField");
    QStringList text;
    for (int p = 0; p < paragraphs; ++p)
        text.append(QStringList(words, QStringLiteral("word")).join(QLatin1Char(' ')));
    notes->setPlainText(text.join(QLatin1Char('\n')));
    const int lineSpacing = notes->fontMetrics().lineSpacing();
    // As many lines in view as the text has, from two up to four; only beyond four does it scroll.
    QTRY_COMPARE(notes->viewport()->height() / lineSpacing, lines);
    QTRY_COMPARE(notes->verticalScrollBar()->maximum() > 0, words * paragraphs > 100);
}

QTEST_MAIN(TestSubscriptionForm)
#include "tst_subscription_form.moc"
