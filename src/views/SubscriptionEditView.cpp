#include "SubscriptionEditView.h"

#include "model/CurrencyRates.h"
#include "model/Format.h"
#include "store/Store.h"
#include "views/Divider.h"
#include "views/RoundedCard.h"
#include "views/SegmentedControl.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

using ViewHelpers::isZh;

// Margins and gaps of the form, named once.
constexpr int sideMargin = 20;
constexpr int barPaddingY = 14;
constexpr int rowPaddingX = 12;
constexpr int rowPaddingY = 5;
constexpr int rowSpacing = 10;
constexpr int sectionGap = 8;
constexpr int cardRadius = 10;
constexpr int nameFieldMinWidth = 150;
constexpr double labelSize = 13;
constexpr int notesMinLines = 2;
constexpr int notesMaxLines = 4;

QLabel *makeLabel(const QFont &font, const QColor &color, const char *name, QWidget *parent) {
    return ViewHelpers::makeLabel({.font = font, .color = color, .name = name}, parent);
}

QLabel *rowTitle(const char *name, QWidget *parent) {
    return makeLabel(Theme::font(labelSize), Theme::text(), name, parent);
}

// One line of a form group: its title on the left, the control on the right.
struct FormRowOptions {
    // Controls share the room beside the title instead of sitting at the right end.
    bool stretchControls = false;
};
QWidget *formRow(QLabel *title, const QList<QWidget *> &controls, QWidget *parent,
                 FormRowOptions options = {}) {
    auto *row = new QWidget(parent);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(rowPaddingX, rowPaddingY, rowPaddingX, rowPaddingY);
    line->setSpacing(rowSpacing);
    line->addWidget(title);
    if (!options.stretchControls)
        line->addStretch(1);
    for (QWidget *control : controls)
        line->addWidget(control, options.stretchControls ? 1 : 0);
    if (!controls.isEmpty())
        title->setBuddy(controls.constFirst());
    return row;
}

// The notes field: two to four lines high, counting the lines as they wrap, not the paragraphs.
class NotesField : public QPlainTextEdit {
public:
    explicit NotesField(QWidget *parent)
        : QPlainTextEdit(parent) {
        connect(document(), &QTextDocument::contentsChanged, this, &NotesField::fitHeight);
    }

    int visualLineCount() const {
        const double width = viewport()->width() - 2 * document()->documentMargin();
        int lines = 0;
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
            QTextLayout layout(block.text(), font());
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
                line.setLineWidth(width);
            layout.endLayout();
            lines += qMax(1, layout.lineCount());
        }
        return lines;
    }

    void fitHeight() {
        const int lines = qBound(notesMinLines, visualLineCount(), notesMaxLines);
        // The frame and padding around the text.
        const int chrome = height() - contentsRect().height();
        // The plain-text layout gives each line whole pixels, and counts the last as cut unless a
        // margin and a pixel remain below it.
        const int margin = qCeil(document()->documentMargin());
        const int text = lines * qCeil(QFontMetricsF(font()).lineSpacing()) + 2 * margin + 1;
        setFixedHeight(text + chrome);
    }

protected:
    void resizeEvent(QResizeEvent *event) override {
        QPlainTextEdit::resizeEvent(event);
        fitHeight();
    }
};

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
    buildHeader(column);
    column->addWidget(new Divider(this));
    buildForm(column);
    column->addWidget(new Divider(this));
    buildFooter(column);

    populate();
    connectControls();
    retranslate();
    updateValidity();
    m_name->setFocus();
}

void SubscriptionEditView::buildHeader(QVBoxLayout *column) {
    m_title = makeLabel(Theme::font(15, QFont::Bold), Theme::text(), "titleLabel", this);
    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(sideMargin, barPaddingY, sideMargin, barPaddingY);
    titleRow->addWidget(m_title);
    column->addLayout(titleRow);
}

void SubscriptionEditView::buildForm(QVBoxLayout *column) {
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("formScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("formBody"));
    auto *form = new QVBoxLayout(body);
    form->setContentsMargins(sideMargin, 6, sideMargin, 16);
    form->setSpacing(6);
    buildBasics(addSection(form, m_basicsHeader, "basicsHeader"));
    buildBilling(addSection(form, m_billingHeader, "billingHeader"));
    buildNotes(addSection(form, m_notesHeader, "notesHeader"));
    form->addStretch(1);
    scroll->setWidget(body);
    column->addWidget(scroll, 1);
}

QVBoxLayout *SubscriptionEditView::addSection(QVBoxLayout *form, QLabel *&header, const char *name) {
    QWidget *body = form->parentWidget();
    header = makeLabel(Theme::font(12, QFont::DemiBold), Theme::textSecondary(), name, body);
    form->addSpacing(sectionGap);
    form->addWidget(header);
    auto *card = new RoundedCard(Theme::card(), cardRadius, body);
    auto *rows = new QVBoxLayout(card);
    rows->setContentsMargins(0, 2, 0, 2);
    rows->setSpacing(0);
    form->addWidget(card);
    return rows;
}

void SubscriptionEditView::buildBasics(QVBoxLayout *rows) {
    QWidget *card = rows->parentWidget();
    m_nameLabel = rowTitle("nameLabel", card);
    m_name = new QLineEdit(card);
    m_name->setObjectName(QStringLiteral("nameField"));
    m_name->setMinimumWidth(nameFieldMinWidth);
    rows->addWidget(formRow(m_nameLabel, {m_name}, card, {.stretchControls = true}));
    rows->addWidget(new Divider(card));
    m_amountLabel = rowTitle("amountLabel", card);
    m_amount = new QLineEdit(card);
    m_amount->setObjectName(QStringLiteral("amountField"));
    m_amount->setMaximumWidth(amountFieldMaxWidth);
    m_currencyPicker = new QComboBox(card);
    m_currencyPicker->setObjectName(QStringLiteral("currencyPicker"));
    m_currencyPicker->setFixedWidth(currencyPickerWidth);
    for (const QString &code : CurrencyRates::supportedCurrencies())
        m_currencyPicker->addItem(code, code);
    rows->addWidget(formRow(m_amountLabel, {m_amount, m_currencyPicker}, card, {.stretchControls = true}));
    rows->addWidget(new Divider(card));
    m_categoryLabel = rowTitle("categoryLabel", card);
    m_categoryPicker = new QComboBox(card);
    m_categoryPicker->setObjectName(QStringLiteral("categoryPicker"));
    for (const QString &category : standardCategories())
        m_categoryPicker->addItem(category, category);
    rows->addWidget(formRow(m_categoryLabel, {m_categoryPicker}, card));
}

void SubscriptionEditView::buildBilling(QVBoxLayout *rows) {
    QWidget *card = rows->parentWidget();
    m_typeLabel = rowTitle("typeLabel", card);
    m_typePicker = new SegmentedControl(card);
    m_typePicker->setObjectName(QStringLiteral("billingTypePicker"));
    m_typePicker->setSegments(
        {{QString(), int(BillingType::recurring)}, {QString(), int(BillingType::oneTime)}});
    rows->addWidget(formRow(m_typeLabel, {m_typePicker}, card));
    rows->addWidget(new Divider(card));
    m_cycleLabel = rowTitle("cycleLabel", card);
    m_cyclePicker = new QComboBox(card);
    m_cyclePicker->setObjectName(QStringLiteral("cyclePicker"));
    for (const BillingCycle cycle : allBillingCycles())
        m_cyclePicker->addItem(QString(), int(cycle));
    m_cycleRow = formRow(m_cycleLabel, {m_cyclePicker}, card);
    m_cycleRow->setObjectName(QStringLiteral("cycleRow"));
    rows->addWidget(m_cycleRow);
    m_cycleDivider = new Divider(card);
    rows->addWidget(m_cycleDivider);
    m_dateLabel = rowTitle("dateLabel", card);
    m_datePicker = new QDateEdit(card);
    m_datePicker->setObjectName(QStringLiteral("startDatePicker"));
    m_datePicker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    m_datePicker->setCalendarPopup(true);
    rows->addWidget(formRow(m_dateLabel, {m_datePicker}, card));
    rows->addWidget(new Divider(card));
    m_activeLabel = rowTitle("activeLabel", card);
    m_active = new QCheckBox(card);
    m_active->setObjectName(QStringLiteral("activeToggle"));
    rows->addWidget(formRow(m_activeLabel, {m_active}, card));
}

void SubscriptionEditView::buildNotes(QVBoxLayout *rows) {
    auto *notes = new NotesField(rows->parentWidget());
    m_notes = notes;
    m_notes->setObjectName(QStringLiteral("notesField"));
    m_notes->setTabChangesFocus(true);
    m_notes->setFont(Theme::font(labelSize));
    m_notes->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    rows->setContentsMargins(8, 8, 8, 8);
    rows->addWidget(m_notes);
    notes->fitHeight();
}

void SubscriptionEditView::buildFooter(QVBoxLayout *column) {
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(sideMargin, barPaddingY, sideMargin, barPaddingY);
    footer->setSpacing(rowSpacing);
    m_delete = new QPushButton(this);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setAutoDefault(false);
    m_delete->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; }").arg(Theme::css(Theme::destructive())));
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
}

void SubscriptionEditView::connectControls() {
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
    connect(m_delete, &QPushButton::clicked, this, &SubscriptionEditView::remove);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &SubscriptionEditView::save);
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
    return ViewHelpers::trimmedBlanks(text);
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
    const Subscription record = *m_existing;
    const QList<Subscription> &list = m_store.subscriptions();
    const auto it =
        std::find_if(list.cbegin(), list.cend(), [&](const Subscription &s) { return s.id == record.id; });
    const qsizetype index = it == list.cend() ? -1 : it - list.cbegin();
    m_store.remove(record);
    // Only what this removed can be put back.
    if (index >= 0)
        Q_EMIT removed(record, index);
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
