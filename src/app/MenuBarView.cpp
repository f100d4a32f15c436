#include "MenuBarView.h"

#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "store/Aggregates.h"
#include "store/Store.h"
#include "views/Divider.h"
#include "views/ElidedLabel.h"
#include "views/SoftButton.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using ViewHelpers::makeLabel;

// Margins of the panel's parts: left and right are the same for all.
constexpr int sideMargin = 16;
constexpr int partGap = 12;
constexpr int rowSpacing = 8;
// The amount column of a coming charge: this wide at least, its text at the preferred size and
// never smaller than the floor. An amount that still does not fit widens the column and the name
// gives way, so the minus sign and the currency always show.
constexpr int amountColumnWidth = 66;
constexpr int amountPixelSize = 12;
constexpr int amountFloorPixelSize = 10;

void fitAmount(QLabel *amount) {
    QFont font = amount->font();
    int advance = 0;
    for (int size = amountPixelSize; size >= amountFloorPixelSize; --size) {
        font.setPixelSize(size);
        advance = QFontMetrics(font).horizontalAdvance(amount->text());
        if (advance <= amountColumnWidth)
            break;
    }
    amount->setFont(font);
    amount->setFixedWidth(qMax(amountColumnWidth, advance + 1));
}

} // namespace

MenuBarView::MenuBarView(Store &store, std::function<void()> onOpen, std::function<void()> onQuit,
                         QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_onOpen(std::move(onOpen))
    , m_onQuit(std::move(onQuit)) {
    setObjectName(QStringLiteral("menuBarView"));
    setFixedWidth(panelWidth);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::card());
    setPalette(p);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(&m_store, &Store::subscriptionsChanged, this, &MenuBarView::rebuild);
    connect(&LocalizationManager::shared(), &LocalizationManager::langChanged, this, &MenuBarView::rebuild);
    rebuild();
}

QString MenuBarView::yearlyLine(double monthlyCNY, qsizetype activeCount, bool isZh) {
    const QString yearly = Format::base(monthlyCNY * 12, isZh);
    const QString count = QString::number(activeCount);
    if (isZh)
        return QStringLiteral("每年约 ") + yearly + QStringLiteral(" · 进行中 ") + count +
               QStringLiteral(" 个");
    return QStringLiteral("≈") + yearly + QStringLiteral("/yr · ") + count + QStringLiteral(" active");
}

QString MenuBarView::daysLabel(int days, bool isZh) {
    if (days == 0)
        return isZh ? QStringLiteral("今天") : QStringLiteral("Today");
    return QString::number(days) + (isZh ? QStringLiteral("天后") : QStringLiteral("d"));
}

void MenuBarView::rebuild() {
    QWidget *fresh = buildContent();
    if (m_content) {
        m_layout->replaceWidget(m_content, fresh);
        // The old parts may be inside one of their own signal handlers (a click that changed the
        // list): detach them now, delete them once control is back in the event loop.
        m_content->hide();
        m_content->setParent(nullptr);
        m_content->deleteLater();
    } else {
        m_layout->addWidget(fresh);
    }
    m_content = fresh;
    fresh->show();
    Q_EMIT rebuilt();
}

QWidget *MenuBarView::buildContent() {
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("menuBarContent"));
    content->setFixedWidth(panelWidth);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(buildHeader(content));
    column->addLayout(buildSummary(content));
    column->addWidget(new Divider(content));
    column->addLayout(buildUpcoming(content));
    column->addWidget(new Divider(content));
    column->addLayout(buildFooter(content));
    return content;
}

QLayout *MenuBarView::buildHeader(QWidget *content) {
    auto *header = new QHBoxLayout;
    header->setContentsMargins(sideMargin, 14, sideMargin, 10);
    header->setSpacing(rowSpacing);
    auto *symbol = new SymbolView(QStringLiteral("creditcard.fill"), 12, Theme::accent(),
                                  Symbols::Weight::bold, content);
    symbol->setObjectName(QStringLiteral("headerSymbol"));
    header->addWidget(symbol);
    header->addWidget(makeLabel({.font = Theme::font(14, QFont::Bold),
                                 .color = Theme::text(),
                                 .name = "productName",
                                 .text = QStringLiteral("Renewly")},
                                content));
    header->addStretch(1);
    return header;
}

QLayout *MenuBarView::buildSummary(QWidget *content) {
    const bool zh = ViewHelpers::isZh();
    const double monthly = m_store.totalMonthlyCNY();
    auto *summary = new QVBoxLayout;
    summary->setContentsMargins(sideMargin, 0, sideMargin, partGap);
    summary->setSpacing(2);
    summary->addWidget(
        makeLabel({.font = Theme::font(11),
                   .color = Theme::textSecondary(),
                   .name = "monthlyLabel",
                   .text = zh ? QStringLiteral("每月订阅支出") : QStringLiteral("Monthly spend")},
                  content));
    summary->addWidget(makeLabel({.font = Theme::font(28, QFont::Bold, Theme::Design::rounded),
                                  .color = Theme::text(),
                                  .name = "monthlyAmount",
                                  .text = Format::base(monthly, zh)},
                                 content));
    summary->addWidget(
        makeLabel({.font = Theme::font(11),
                   .color = Theme::textSecondary(),
                   .name = "yearlyLine",
                   .text = yearlyLine(monthly, Aggregates::activeCount(m_store.subscriptions()), zh)},
                  content));
    return summary;
}

QLayout *MenuBarView::buildUpcoming(QWidget *content) {
    const bool zh = ViewHelpers::isZh();
    auto *upcoming = new QVBoxLayout;
    upcoming->setContentsMargins(sideMargin, partGap, sideMargin, partGap);
    upcoming->setSpacing(rowSpacing);
    upcoming->addWidget(
        makeLabel({.font = Theme::font(11, QFont::DemiBold),
                   .color = Theme::textSecondary(),
                   .name = "upcomingTitle",
                   .text = zh ? QStringLiteral("近 7 天待扣费") : QStringLiteral("Due in the next 7 days")},
                  content));
    // At most four, in the store's order.
    const QList<UpcomingCharge> charges = m_store.upcoming(windowDays);
    if (charges.isEmpty()) {
        upcoming->addWidget(makeLabel(
            {.font = Theme::font(12),
             .color = Theme::textTertiary(),
             .name = "emptyText",
             .text = zh ? QStringLiteral("近期没有要扣费的订阅 🎉") : QStringLiteral("Nothing due soon 🎉")},
            content));
    }
    for (qsizetype i = 0; i < qMin<qsizetype>(charges.size(), maxRows); ++i)
        upcoming->addWidget(buildChargeRow(charges.at(i), content));
    return upcoming;
}

QWidget *MenuBarView::buildChargeRow(const UpcomingCharge &charge, QWidget *content) {
    auto *row = new QWidget(content);
    row->setObjectName(QStringLiteral("upcomingRow"));
    row->setProperty("subscriptionId", charge.sub.id);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(rowSpacing);
    auto *name = new ElidedLabel(charge.sub.name, row);
    name->setObjectName(QStringLiteral("rowName"));
    Theme::style(name, Theme::font(12), Theme::text());
    line->addWidget(name, 1);
    line->addWidget(makeLabel({.font = Theme::font(11),
                               .color = Theme::accent(),
                               .name = "rowDays",
                               .text = daysLabel(charge.days, ViewHelpers::isZh())},
                              row));
    QLabel *amount =
        makeLabel({.font = Theme::font(amountPixelSize, QFont::DemiBold, Theme::Design::rounded),
                   .color = Theme::text(),
                   .name = "rowAmount",
                   .text = QStringLiteral("-") + Format::money(charge.sub.amount, charge.sub.currency)},
                  row);
    amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fitAmount(amount);
    line->addWidget(amount);
    return row;
}

QLayout *MenuBarView::buildFooter(QWidget *content) {
    const bool zh = ViewHelpers::isZh();
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(sideMargin, partGap, sideMargin, partGap);
    footer->setSpacing(rowSpacing);
    auto *open =
        new SoftButton({.title = zh ? QStringLiteral("打开 Renewly") : QStringLiteral("Open Renewly"),
                        .icon = QStringLiteral("macwindow"),
                        .prominent = true,
                        .action =
                            [this] {
                                if (m_onOpen)
                                    m_onOpen();
                            }},
                       content);
    open->setObjectName(QStringLiteral("openButton"));
    footer->addWidget(open);
    footer->addStretch(1);
    auto *quit = new QPushButton(zh ? QStringLiteral("退出") : QStringLiteral("Quit"), content);
    quit->setObjectName(QStringLiteral("quitButton"));
    quit->setFlat(true);
    quit->setCursor(Qt::PointingHandCursor);
    quit->setFocusPolicy(Qt::TabFocus);
    Theme::style(quit, Theme::font(12), Theme::textSecondary());
    quit->setStyleSheet(
        QStringLiteral("QPushButton { border: none; background: transparent; padding: 2px 0; }"));
    connect(quit, &QPushButton::clicked, this, [this] {
        if (m_onQuit)
            m_onQuit();
    });
    footer->addWidget(quit);
    return footer;
}
