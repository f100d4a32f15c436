#include "SubscriptionDetailView.h"

#include "model/Clock.h"
#include "model/Format.h"
#include "views/BrandAvatar.h"
#include "views/Divider.h"
#include "views/ElidedLabel.h"
#include "views/FittedLabel.h"
#include "views/IconButton.h"
#include "views/RoundedCard.h"
#include "views/SubscriptionRow.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "views/TileButton.h"
#include "views/ViewHelpers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

using ViewHelpers::isZh;

// Margins and gaps of the sheet, named once.
constexpr int sideMargin = 24;
constexpr int headerTop = 28;
constexpr int headerSpacing = 14;
constexpr int avatarSize = 52;
constexpr int amountTop = 20;
constexpr int actionsTop = 22;
constexpr int actionSpacing = 10;
constexpr int detailsTop = 26;
constexpr int detailsTitleGap = 8;
constexpr int factsPaddingX = 16;
constexpr int factsPaddingY = 4;
constexpr int factsRadius = 16;
constexpr int factPaddingY = 12;
constexpr int factSpacing = 16;
constexpr int factValueMaxWidth = 300;
constexpr int notesMaxLines = 4;
constexpr int deleteBottom = 22;
constexpr int closeInset = 18;
constexpr int closeSide = 30;
// The header's texts stop this far before the close button.
constexpr int closeGap = 10;

// Chinese faces have tall line boxes; one line of text needs no more than 1.3 times its size, so
// the sheet has the same height in both languages.
QLabel *makeLabel(const QFont &font, const QColor &color, const char *name, QWidget *parent) {
    return ViewHelpers::makeLabel({.font = font, .color = color, .name = name, .compactLine = true}, parent);
}

ElidedLabel *headerLine(const QFont &font, const QColor &color, const char *name, QWidget *parent) {
    auto *label = new ElidedLabel(QString(), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFixedHeight(qCeil(font.pixelSize() * 1.3));
    Theme::style(label, font, color);
    return label;
}

// The whole text stays reachable when the line is cut.
void setHeaderText(ElidedLabel *label, const QString &text) {
    label->setText(text);
    label->setToolTip(text);
    label->setAccessibleName(text);
}

TileButton *actionTile(const char *name, std::function<void()> action, QWidget *parent) {
    auto *button = new TileButton(
        {.titleFont = Theme::font(12, QFont::Medium), .color = Theme::text(), .fill = Theme::card()},
        std::move(action), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QColor deleteFill() {
    QColor c = Theme::destructive();
    c.setAlphaF(0.12f);
    return c;
}

} // namespace

SubscriptionDetailView::SubscriptionDetailView(const Subscription &sub, std::function<void()> onEdit,
                                               std::function<void()> onToggle, std::function<void()> onDelete,
                                               QWidget *parent)
    : Sheet(sheetSize, parent)
    , m_sub(sub)
    , m_onEdit(std::move(onEdit))
    , m_onToggle(std::move(onToggle))
    , m_onDelete(std::move(onDelete)) {
    setObjectName(QStringLiteral("detailSheet"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildHeader(column);
    buildAmount(column);
    buildActions(column);
    buildDetails(column);
    buildDelete(column);
    buildClose();

    // The order in which Tab walks the sheet.
    setTabOrder(m_edit, m_toggle);
    setTabOrder(m_toggle, m_copy);
    setTabOrder(m_copy, m_delete);
    setTabOrder(m_delete, m_close);

    retranslate();
}

void SubscriptionDetailView::buildHeader(QVBoxLayout *column) {
    auto *header = new QHBoxLayout;
    header->setContentsMargins(sideMargin, headerTop, closeInset + closeSide + closeGap, 0);
    header->setSpacing(headerSpacing);
    auto *avatar = new BrandAvatar(m_sub.name, avatarSize, !m_sub.isActive, this);
    avatar->setObjectName(QStringLiteral("avatar"));
    header->addWidget(avatar, 0, Qt::AlignVCenter);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    m_name = headerLine(Theme::font(20, QFont::Bold), Theme::text(), "nameLabel", this);
    m_category = headerLine(Theme::font(13), Theme::textSecondary(), "categoryLabel", this);
    titles->addWidget(m_name);
    titles->addWidget(m_category);
    header->addLayout(titles, 1);
    column->addLayout(header);
}

void SubscriptionDetailView::buildAmount(QVBoxLayout *column) {
    auto *amount = new QVBoxLayout;
    amount->setContentsMargins(sideMargin, amountTop, sideMargin, 0);
    amount->setSpacing(6);
    m_amount = new FittedLabel(Theme::font(40, QFont::Bold, Theme::Design::rounded), Theme::text(), this);
    m_amount->setObjectName(QStringLiteral("amountLabel"));
    amount->addWidget(m_amount);
    m_next = makeLabel(Theme::font(13), Theme::textSecondary(), "nextChargeLabel", this);
    amount->addWidget(m_next);
    column->addLayout(amount);
}

void SubscriptionDetailView::buildActions(QVBoxLayout *column) {
    auto *actions = new QHBoxLayout;
    actions->setContentsMargins(sideMargin, actionsTop, sideMargin, 0);
    actions->setSpacing(actionSpacing);
    m_edit = actionTile("editAction", call(m_onEdit), this);
    m_toggle = actionTile("toggleAction", call(m_onToggle), this);
    m_copy = actionTile(
        "copyAction", [this] { copyToClipboard(); }, this);
    for (QAbstractButton *button : {m_edit, m_toggle, m_copy})
        actions->addWidget(button, 1);
    column->addLayout(actions);
}

void SubscriptionDetailView::buildDetails(QVBoxLayout *column) {
    // The title and the card of facts, scrolling when notes make it taller than the room.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("detailsScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(scrollAreaStyle(QStringLiteral("QScrollArea, #detailsBody")));
    auto *body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("detailsBody"));
    auto *details = new QVBoxLayout(body);
    details->setContentsMargins(sideMargin, detailsTop, sideMargin, 0);
    details->setSpacing(detailsTitleGap);
    m_detailsTitle = makeLabel(Theme::font(15, QFont::DemiBold), Theme::text(), "detailsTitle", body);
    details->addWidget(m_detailsTitle);
    m_factsCard = new RoundedCard(Theme::card(), factsRadius, body);
    m_factsCard->setObjectName(QStringLiteral("factsCard"));
    m_factsLayout = new QVBoxLayout(m_factsCard);
    m_factsLayout->setContentsMargins(factsPaddingX, factsPaddingY, factsPaddingX, factsPaddingY);
    m_factsLayout->setSpacing(0);
    details->addWidget(m_factsCard);
    details->addStretch(1);
    scroll->setWidget(body);
    column->addWidget(scroll, 1);
}

void SubscriptionDetailView::buildDelete(QVBoxLayout *column) {
    m_delete = new TileButton({.arrangement = TileButton::Arrangement::inline_,
                               .symbolSize = 13,
                               .symbolWeight = Symbols::Weight::semibold,
                               .titleFont = Theme::font(14, QFont::DemiBold),
                               .color = Theme::destructive(),
                               .fill = deleteFill(),
                               .spacing = 6,
                               .paddingY = 12},
                              call(m_onDelete), this);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    auto *deleteRow = new QHBoxLayout;
    deleteRow->setContentsMargins(sideMargin, 0, sideMargin, deleteBottom);
    deleteRow->addWidget(m_delete);
    column->addLayout(deleteRow);
}

void SubscriptionDetailView::buildClose() {
    auto *close = new IconButton(IconButton::closeLook(), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->move(sheetSize.width() - closeInset - closeSide, closeInset);
    close->raise();
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    m_close = close;
}

std::function<void()> SubscriptionDetailView::call(const std::function<void()> &callback) {
    return [&callback] {
        if (callback)
            callback();
    };
}

QString SubscriptionDetailView::copyText(const Subscription &sub) {
    const QString kind = sub.billingType == BillingType::recurring
                             ? label(sub.cycle)
                             : (isZh() ? QStringLiteral("单次") : QStringLiteral("One-time"));
    return sub.name + QLatin1Char(' ') + Format::money(sub.amount, sub.currency) + QLatin1Char(' ') + kind;
}

void SubscriptionDetailView::copyToClipboard() const {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(copyText(m_sub));
}

QString SubscriptionDetailView::nextChargeLine() const {
    const auto next = m_sub.nextCharge(Clock::current().now(), Clock::current().zone());
    if (!next)
        return {};
    const bool zh = isZh();
    const QString prefix = m_sub.billingType == BillingType::recurring
                               ? (zh ? QStringLiteral("下次扣费 ") : QStringLiteral("Next charge "))
                               : (zh ? QStringLiteral("购买于 ") : QStringLiteral("Purchased "));
    return prefix + SubscriptionRow::dateText(next->day);
}

QList<SubscriptionDetailView::Fact> SubscriptionDetailView::facts() const {
    const bool zh = isZh();
    const bool recurring = m_sub.billingType == BillingType::recurring;
    QList<Fact> list;
    list.append({zh ? QStringLiteral("付费方式") : QStringLiteral("Billing"),
                 recurring ? (zh ? QStringLiteral("订阅续费") : QStringLiteral("Subscription"))
                           : (zh ? QStringLiteral("单次买断") : QStringLiteral("One-time"))});
    if (recurring) {
        list.append({zh ? QStringLiteral("续费周期") : QStringLiteral("Cycle"), label(m_sub.cycle)});
        list.append({zh ? QStringLiteral("折合每月") : QStringLiteral("Per month"),
                     Format::base(m_sub.monthlyAmountInCNY(), zh)});
    }
    list.append({zh ? QStringLiteral("币种") : QStringLiteral("Currency"), m_sub.currency});
    list.append({zh ? QStringLiteral("状态") : QStringLiteral("Status"),
                 m_sub.isActive ? (zh ? QStringLiteral("使用中") : QStringLiteral("Active"))
                                : (zh ? QStringLiteral("已停用") : QStringLiteral("Paused"))});
    if (!m_sub.notes.isEmpty())
        list.append({zh ? QStringLiteral("备注") : QStringLiteral("Notes"), m_sub.notes});
    return list;
}

void SubscriptionDetailView::rebuildFacts() {
    while (QLayoutItem *item = m_factsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<Fact> rows = facts();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            m_factsLayout->addWidget(new Divider(m_factsCard));
        auto *row = new QWidget(m_factsCard);
        row->setObjectName(QStringLiteral("factRow"));
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, factPaddingY, 0, factPaddingY);
        line->setSpacing(factSpacing);
        QLabel *name = makeLabel(Theme::font(13), Theme::textSecondary(), "factLabel", row);
        name->setText(rows.at(i).label);

        const bool notes = i == rows.size() - 1 && !m_sub.notes.isEmpty();
        line->addWidget(name, 0, notes ? Qt::AlignTop : Qt::AlignVCenter);
        line->addStretch(1);
        QLabel *value = makeLabel(Theme::font(13, QFont::Medium), Theme::text(), "factValue", row);
        value->setAlignment(Qt::AlignRight | (notes ? Qt::AlignTop : Qt::AlignVCenter));
        if (notes) {
            // Up to four lines; the rest is cut.
            value->setWordWrap(true);
            value->setMinimumHeight(0);
            value->setMaximumHeight(notesMaxLines * value->fontMetrics().lineSpacing());
            value->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        }
        value->setText(
            notes ? rows.at(i).value
                  : value->fontMetrics().elidedText(rows.at(i).value, Qt::ElideRight, factValueMaxWidth));
        value->setAccessibleName(rows.at(i).value);
        line->addWidget(value, notes ? 1 : 0, notes ? Qt::AlignTop : Qt::AlignVCenter);
        m_factsLayout->addWidget(row);
    }
}

void SubscriptionDetailView::retranslate() {
    const bool zh = isZh();
    setWindowTitle(SubscriptionRow::displayName(m_sub.name));
    setHeaderText(m_name, SubscriptionRow::displayName(m_sub.name));
    setHeaderText(m_category, Format::categoryDisplay(m_sub.category, zh));
    m_amount->setText(QStringLiteral("-") + Format::money(m_sub.amount, m_sub.currency));
    const QString next = nextChargeLine();
    m_next->setText(next);
    m_next->setVisible(!next.isEmpty());
    m_edit->setFace(QStringLiteral("pencil"), zh ? QStringLiteral("编辑") : QStringLiteral("Edit"));
    if (m_sub.isActive)
        m_toggle->setFace(QStringLiteral("pause"), zh ? QStringLiteral("停用") : QStringLiteral("Pause"));
    else
        m_toggle->setFace(QStringLiteral("play"), zh ? QStringLiteral("启用") : QStringLiteral("Resume"));
    m_copy->setFace(QStringLiteral("doc.on.doc"), zh ? QStringLiteral("复制") : QStringLiteral("Copy"));
    m_detailsTitle->setText(zh ? QStringLiteral("详情") : QStringLiteral("Details"));
    rebuildFacts();
    m_delete->setFace(QStringLiteral("trash"),
                      zh ? QStringLiteral("删除这个订阅") : QStringLiteral("Delete subscription"));
    m_close->setTitle(zh ? QStringLiteral("关闭") : QStringLiteral("Close"));
}
