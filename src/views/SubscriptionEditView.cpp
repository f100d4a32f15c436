#include "SubscriptionEditView.h"

#include "model/CurrencyRates.h"
#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/Divider.h"
#include "views/RoundedCard.h"
#include "views/SegmentedControl.h"
#include "views/Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool isZh() {
    return LocalizationManager::shared().isZh();
}

bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QLabel *makeLabel(const QFont &font, const QColor &color, const char *name, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    Theme::style(label, font, color);
    return label;
}

// One line of a form group: its title on the left, the control on the right.
QWidget *formRow(QLabel *title, const QList<QWidget *> &controls, QWidget *parent,
                 bool stretchControls = false) {
    auto *row = new QWidget(parent);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(12, 5, 12, 5);
    line->setSpacing(10);
    line->addWidget(title);
    if (!stretchControls)
        line->addStretch(1);
    for (QWidget *control : controls)
        line->addWidget(control, stretchControls ? 1 : 0);
    if (!controls.isEmpty())
        title->setBuddy(controls.constFirst());
    return row;
}

} // namespace

SubscriptionEditView::SubscriptionEditView(Store &store, std::optional<Subscription> existing,
                                           std::optional<Subscription> prefill, QWidget *parent)
    : Sheet(sheetSize, parent)
    , m_store(store)
    , m_existing(std::move(existing))
    , m_prefill(std::move(prefill))
    , m_startDate(m_clock.now().toUTC()) {
    setObjectName(QStringLiteral("subscriptionForm"));
    setStyleSheet(QStringLiteral("QLineEdit, QPlainTextEdit { background: %1; border: 1px solid %2;"
                                 " border-radius: 6px; padding: 4px 6px; color: %3; }"
                                 "QLineEdit:focus, QPlainTextEdit:focus { border: 1px solid %4; }"
                                 "%5")
                      .arg(Theme::css(Theme::whiteAlpha(0.06)), Theme::css(Theme::whiteAlpha(0.1)),
                           Theme::css(Theme::text()), Theme::css(Theme::textSecondary()),
                           scrollAreaStyle(QStringLiteral("QScrollArea, #formBody"))));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_title = makeLabel(Theme::font(15, QFont::Bold), Theme::text(), "titleLabel", this);
    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(20, 14, 20, 14);
    titleRow->addWidget(m_title);
    column->addLayout(titleRow);
    column->addWidget(new Divider(this));

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("formScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("formBody"));
    auto *form = new QVBoxLayout(body);
    form->setContentsMargins(20, 6, 20, 16);
    form->setSpacing(6);
    const auto section = [&](QLabel *&header, const char *name) {
        header = makeLabel(Theme::font(12, QFont::DemiBold), Theme::textSecondary(), name, body);
        form->addSpacing(8);
        form->addWidget(header);
        auto *card = new RoundedCard(Theme::card(), 10, body);
        auto *rows = new QVBoxLayout(card);
        rows->setContentsMargins(0, 2, 0, 2);
        rows->setSpacing(0);
        form->addWidget(card);
        return std::pair{card, rows};
    };

    // Basics: name, amount with currency, category.
    auto [basics, basicsRows] = section(m_basicsHeader, "basicsHeader");
    m_nameLabel = makeLabel(Theme::font(13), Theme::text(), "nameLabel", basics);
    m_name = new QLineEdit(basics);
    m_name->setObjectName(QStringLiteral("nameField"));
    m_name->setMinimumWidth(150);
    basicsRows->addWidget(formRow(m_nameLabel, {m_name}, basics, true));
    basicsRows->addWidget(new Divider(basics));
    m_amountLabel = makeLabel(Theme::font(13), Theme::text(), "amountLabel", basics);
    m_amount = new QLineEdit(basics);
    m_amount->setObjectName(QStringLiteral("amountField"));
    m_amount->setMaximumWidth(amountFieldMaxWidth);
    m_currencyPicker = new QComboBox(basics);
    m_currencyPicker->setObjectName(QStringLiteral("currencyPicker"));
    m_currencyPicker->setFixedWidth(currencyPickerWidth);
    for (const QString &code : CurrencyRates::supportedCurrencies())
        m_currencyPicker->addItem(code, code);
    basicsRows->addWidget(formRow(m_amountLabel, {m_amount, m_currencyPicker}, basics, true));
    basicsRows->addWidget(new Divider(basics));
    m_categoryLabel = makeLabel(Theme::font(13), Theme::text(), "categoryLabel", basics);
    m_categoryPicker = new QComboBox(basics);
    m_categoryPicker->setObjectName(QStringLiteral("categoryPicker"));
    for (const QString &category : standardCategories())
        m_categoryPicker->addItem(category, category);
    basicsRows->addWidget(formRow(m_categoryLabel, {m_categoryPicker}, basics));

    // Billing: type, cycle (recurring only), first charge or purchase date, still active.
    auto [billing, billingRows] = section(m_billingHeader, "billingHeader");
    m_typeLabel = makeLabel(Theme::font(13), Theme::text(), "typeLabel", billing);
    m_typePicker = new SegmentedControl(billing);
    m_typePicker->setObjectName(QStringLiteral("billingTypePicker"));
    m_typePicker->setSegments(
        {{QString(), int(BillingType::recurring)}, {QString(), int(BillingType::oneTime)}});
    billingRows->addWidget(formRow(m_typeLabel, {m_typePicker}, billing));
    billingRows->addWidget(new Divider(billing));
    m_cycleLabel = makeLabel(Theme::font(13), Theme::text(), "cycleLabel", billing);
    m_cyclePicker = new QComboBox(billing);
    m_cyclePicker->setObjectName(QStringLiteral("cyclePicker"));
    for (const BillingCycle cycle : allBillingCycles())
        m_cyclePicker->addItem(QString(), int(cycle));
    m_cycleRow = formRow(m_cycleLabel, {m_cyclePicker}, billing);
    m_cycleRow->setObjectName(QStringLiteral("cycleRow"));
    billingRows->addWidget(m_cycleRow);
    m_cycleDivider = new Divider(billing);
    billingRows->addWidget(m_cycleDivider);
    m_dateLabel = makeLabel(Theme::font(13), Theme::text(), "dateLabel", billing);
    m_datePicker = new QDateEdit(billing);
    m_datePicker->setObjectName(QStringLiteral("startDatePicker"));
    m_datePicker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    m_datePicker->setCalendarPopup(true);
    billingRows->addWidget(formRow(m_dateLabel, {m_datePicker}, billing));
    billingRows->addWidget(new Divider(billing));
    m_activeLabel = makeLabel(Theme::font(13), Theme::text(), "activeLabel", billing);
    m_active = new QCheckBox(billing);
    m_active->setObjectName(QStringLiteral("activeToggle"));
    billingRows->addWidget(formRow(m_activeLabel, {m_active}, billing));

    // Notes: two to four lines.
    auto [notesCard, notesRows] = section(m_notesHeader, "notesHeader");
    m_notes = new QPlainTextEdit(notesCard);
    m_notes->setObjectName(QStringLiteral("notesField"));
    m_notes->setTabChangesFocus(true);
    m_notes->setFont(Theme::font(13));
    m_notes->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    notesRows->setContentsMargins(8, 8, 8, 8);
    notesRows->addWidget(m_notes);
    form->addStretch(1);
    scroll->setWidget(body);
    column->addWidget(scroll, 1);

    column->addWidget(new Divider(this));
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(20, 14, 20, 14);
    footer->setSpacing(10);
    m_delete = new QPushButton(this);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setAutoDefault(false);
    m_delete->setStyleSheet(QStringLiteral("QPushButton { color: rgb(255, 107, 107); }"));
    m_delete->setVisible(mode() == Mode::edit);
    footer->addWidget(m_delete);
    footer->addStretch(1);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    footer->addWidget(m_cancel);
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setDefault(true);
    m_save->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 6px;"
                       " padding: 5px 16px; font-weight: 600; }"
                       "QPushButton:disabled { background: %3; color: %4; }"
                       "QPushButton:focus { border: 1px solid %5; }")
            .arg(Theme::css(Theme::accent()), Theme::css(Theme::onAccent()),
                 Theme::css(Theme::whiteAlpha(0.12)), Theme::css(Theme::textTertiary()),
                 Theme::css(Theme::textSecondary())));
    footer->addWidget(m_save);
    column->addLayout(footer);

    populate();

    connect(m_name, &QLineEdit::textChanged, this, &SubscriptionEditView::updateValidity);
    connect(m_amount, &QLineEdit::textChanged, this, &SubscriptionEditView::updateValidity);
    // Only a choice of the user changes the state: a value that is none of the options stays as
    // it is until then.
    connect(m_currencyPicker, &QComboBox::activated, this,
            [this](int index) { m_currency = m_currencyPicker->itemData(index).toString(); });
    connect(m_categoryPicker, &QComboBox::activated, this,
            [this](int index) { m_category = m_categoryPicker->itemData(index).toString(); });
    connect(m_cyclePicker, &QComboBox::activated, this,
            [this](int index) { m_cycle = BillingCycle(m_cyclePicker->itemData(index).toInt()); });
    connect(m_typePicker, &SegmentedControl::activated, this, [this](int value) {
        m_billingType = BillingType(value);
        updateBillingRows();
    });
    connect(m_datePicker, &QDateEdit::dateChanged, this, [this](QDate day) {
        // The picker edits the calendar day only; the time of day stays.
        const QTime time = m_startDate.toTimeZone(m_clock.zone()).time();
        QDateTime moment(day, time, m_clock.zone());
        if (!moment.isValid())
            moment = day.startOfDay(m_clock.zone());
        if (moment.isValid())
            m_startDate = moment.toUTC();
    });
    connect(m_notes->document(), &QTextDocument::contentsChanged, this, [this] {
        const int lines = qBound(2, m_notes->document()->lineCount(), 4);
        m_notes->setFixedHeight(lines * m_notes->fontMetrics().lineSpacing() + 18);
    });
    connect(m_delete, &QPushButton::clicked, this, &SubscriptionEditView::remove);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &SubscriptionEditView::save);

    Q_EMIT m_notes->document()->contentsChanged();
    retranslate();
    updateValidity();
    m_name->setFocus();
}

SubscriptionEditView::Mode SubscriptionEditView::mode() const {
    if (m_existing)
        return Mode::edit;
    return m_prefill ? Mode::confirmScan : Mode::add;
}

QString SubscriptionEditView::title(Mode mode) {
    const bool zh = isZh();
    switch (mode) {
    case Mode::add:
        return zh ? QStringLiteral("添加订阅") : QStringLiteral("Add subscription");
    case Mode::confirmScan:
        return zh ? QStringLiteral("确认识别结果") : QStringLiteral("Confirm scan");
    case Mode::edit:
        return zh ? QStringLiteral("编辑订阅") : QStringLiteral("Edit subscription");
    }
    return {};
}

QString SubscriptionEditView::trimmed(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<double> SubscriptionEditView::parseAmount(const QString &text) {
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text) {
        // Only printable ASCII can be part of a C-locale number; this also rules out an embedded NUL.
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            return std::nullopt;
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const QByteArray bytes = text.toLatin1();
    char *end = nullptr;
    const double value = strtod_l(bytes.constData(), &end, cLocale);
    if (end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

QString SubscriptionEditView::formatAmount(double amount) {
    if (std::isfinite(amount) && amount == std::trunc(amount) && std::abs(amount) < 1e21)
        return QString::number(amount, 'f', 0);
    return QString::number(amount, 'g', QLocale::FloatingPointShortest);
}

QString SubscriptionEditView::name() const {
    return m_name->text();
}

QString SubscriptionEditView::amountText() const {
    return m_amount->text();
}

QString SubscriptionEditView::notes() const {
    return m_notes->toPlainText();
}

bool SubscriptionEditView::isActive() const {
    return m_active->isChecked();
}

bool SubscriptionEditView::isValid() const {
    if (trimmed(m_name->text()).isEmpty())
        return false;
    const auto amount = parseAmount(m_amount->text());
    return amount && std::isfinite(*amount) && *amount > 0;
}

void SubscriptionEditView::populate() {
    const std::optional<Subscription> &source = m_existing ? m_existing : m_prefill;
    bool active = true;
    if (source) {
        m_name->setText(source->name);
        m_amount->setText(formatAmount(source->amount));
        m_currency = source->currency;
        m_billingType = source->billingType;
        m_cycle = source->cycle;
        m_startDate = source->startDate;
        m_category = source->category;
        m_notes->setPlainText(source->notes);
        active = source->isActive;
    } else {
        m_currency = isZh() ? QStringLiteral("CNY") : QStringLiteral("USD");
    }
    m_active->setChecked(active);
    m_currencyPicker->setCurrentIndex(m_currencyPicker->findData(m_currency));
    m_categoryPicker->setCurrentIndex(m_categoryPicker->findData(m_category));
    m_cyclePicker->setCurrentIndex(m_cyclePicker->findData(int(m_cycle)));
    m_typePicker->setValue(int(m_billingType));
    const QDate day = m_startDate.toTimeZone(m_clock.zone()).date();
    if (day.isValid())
        m_datePicker->setDate(day);
    updateBillingRows();
}

void SubscriptionEditView::updateValidity() {
    m_save->setEnabled(isValid());
}

void SubscriptionEditView::updateBillingRows() {
    const bool recurring = m_billingType == BillingType::recurring;
    m_cycleRow->setVisible(recurring);
    m_cycleDivider->setVisible(recurring);
    const bool zh = isZh();
    m_dateLabel->setText(recurring ? (zh ? QStringLiteral("首次扣费日") : QStringLiteral("First charge date"))
                                   : (zh ? QStringLiteral("购买日") : QStringLiteral("Purchase date")));
    m_datePicker->setAccessibleName(m_dateLabel->text());
}

void SubscriptionEditView::save() {
    if (!isValid())
        return;
    Subscription record = m_existing ? *m_existing : Subscription{};
    if (!m_existing)
        record.id = QUuid::createUuid();
    record.name = trimmed(m_name->text());
    record.amount = parseAmount(m_amount->text()).value_or(0);
    record.currency = m_currency;
    record.billingType = m_billingType;
    record.cycle = m_cycle;
    record.startDate = m_startDate;
    record.category = m_category;
    record.notes = m_notes->toPlainText();
    record.isActive = m_active->isChecked();
    if (m_existing)
        m_store.update(record);
    else
        m_store.add(record);
    accept();
}

void SubscriptionEditView::remove() {
    if (!m_existing)
        return;
    m_store.remove(*m_existing);
    accept();
}

void SubscriptionEditView::retranslate() {
    const bool zh = isZh();
    const QString heading = title(mode());
    m_title->setText(heading);
    setWindowTitle(heading);
    m_basicsHeader->setText(zh ? QStringLiteral("基本信息") : QStringLiteral("Basics"));
    m_nameLabel->setText(zh ? QStringLiteral("名称（如 ChatGPT Plus）")
                            : QStringLiteral("Name (e.g. ChatGPT Plus)"));
    m_name->setAccessibleName(m_nameLabel->text());
    m_amountLabel->setText(zh ? QStringLiteral("金额") : QStringLiteral("Amount"));
    m_amount->setAccessibleName(m_amountLabel->text());
    m_currencyPicker->setAccessibleName(zh ? QStringLiteral("币种") : QStringLiteral("Currency"));
    m_categoryLabel->setText(zh ? QStringLiteral("分类") : QStringLiteral("Category"));
    m_categoryPicker->setAccessibleName(m_categoryLabel->text());
    for (int i = 0; i < m_categoryPicker->count(); ++i)
        m_categoryPicker->setItemText(i,
                                      Format::categoryDisplay(m_categoryPicker->itemData(i).toString(), zh));
    m_billingHeader->setText(zh ? QStringLiteral("付费方式") : QStringLiteral("Billing"));
    m_typeLabel->setText(zh ? QStringLiteral("类型") : QStringLiteral("Type"));
    m_typePicker->setAccessibleName(m_typeLabel->text());
    m_typePicker->setTitles({zh ? QStringLiteral("订阅续费") : QStringLiteral("Subscription"),
                             zh ? QStringLiteral("单次买断") : QStringLiteral("One-time")});
    m_cycleLabel->setText(zh ? QStringLiteral("周期") : QStringLiteral("Cycle"));
    m_cyclePicker->setAccessibleName(m_cycleLabel->text());
    for (int i = 0; i < m_cyclePicker->count(); ++i)
        m_cyclePicker->setItemText(i, label(BillingCycle(m_cyclePicker->itemData(i).toInt())));
    m_activeLabel->setText(zh ? QStringLiteral("仍在使用") : QStringLiteral("Still active"));
    m_active->setAccessibleName(m_activeLabel->text());
    m_notesHeader->setText(zh ? QStringLiteral("备注") : QStringLiteral("Notes"));
    m_notes->setPlaceholderText(zh ? QStringLiteral("可选备注") : QStringLiteral("Optional notes"));
    m_notes->setAccessibleName(m_notesHeader->text());
    m_delete->setText(zh ? QStringLiteral("删除") : QStringLiteral("Delete"));
    m_cancel->setText(zh ? QStringLiteral("取消") : QStringLiteral("Cancel"));
    m_save->setText(zh ? QStringLiteral("保存") : QStringLiteral("Save"));
    updateBillingRows();
}
