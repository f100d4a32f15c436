#include "MenuBarView.h"

#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/Divider.h"
#include "views/ElidedLabel.h"
#include "views/SoftButton.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *label(const QString &text, const QFont &font, const QColor &color, const char *name,
              QWidget *parent) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    Theme::style(l, font, color);
    return l;
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
    const bool zh = LocalizationManager::shared().isZh();
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("menuBarContent"));
    content->setFixedWidth(panelWidth);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Header: symbol and product name.
    auto *header = new QHBoxLayout;
    header->setContentsMargins(16, 14, 16, 10);
    header->setSpacing(8);
    auto *symbol = new SymbolView(QStringLiteral("creditcard.fill"), 12, Theme::accent(),
                                  Symbols::Weight::bold, content);
    symbol->setObjectName(QStringLiteral("headerSymbol"));
    header->addWidget(symbol);
    header->addWidget(label(QStringLiteral("Renewly"), Theme::font(14, QFont::Bold), Theme::text(),
                            "productName", content));
    header->addStretch(1);
    column->addLayout(header);

    // Summary: monthly spend, its amount, the yearly estimate and the active count.
    const double monthly = m_store.totalMonthlyCNY();
    auto *summary = new QVBoxLayout;
    summary->setContentsMargins(16, 0, 16, 12);
    summary->setSpacing(2);
    summary->addWidget(label(zh ? QStringLiteral("每月订阅支出") : QStringLiteral("Monthly spend"),
                             Theme::font(11), Theme::textSecondary(), "monthlyLabel", content));
    summary->addWidget(label(Format::base(monthly, zh), Theme::font(28, QFont::Bold, Theme::Design::rounded),
                             Theme::text(), "monthlyAmount", content));
    summary->addWidget(label(yearlyLine(monthly, m_store.activeSubscriptions().size(), zh), Theme::font(11),
                             Theme::textSecondary(), "yearlyLine", content));
    column->addLayout(summary);

    column->addWidget(new Divider(content));

    // Charges of the coming week, at most four, in the store's order.
    auto *upcoming = new QVBoxLayout;
    upcoming->setContentsMargins(16, 12, 16, 12);
    upcoming->setSpacing(8);
    upcoming->addWidget(label(zh ? QStringLiteral("近 7 天待扣费") : QStringLiteral("Due in the next 7 days"),
                              Theme::font(11, QFont::DemiBold), Theme::textSecondary(), "upcomingTitle",
                              content));
    const QList<UpcomingCharge> charges = m_store.upcoming(windowDays);
    if (charges.isEmpty()) {
        upcoming->addWidget(
            label(zh ? QStringLiteral("近期没有要扣费的订阅 🎉") : QStringLiteral("Nothing due soon 🎉"),
                  Theme::font(12), Theme::textTertiary(), "emptyText", content));
    }
    for (qsizetype i = 0; i < qMin<qsizetype>(charges.size(), maxRows); ++i) {
        const UpcomingCharge &charge = charges.at(i);
        auto *row = new QWidget(content);
        row->setObjectName(QStringLiteral("upcomingRow"));
        row->setProperty("subscriptionId", charge.sub.id);
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        auto *name = new ElidedLabel(charge.sub.name, row);
        name->setObjectName(QStringLiteral("rowName"));
        Theme::style(name, Theme::font(12), Theme::text());
        line->addWidget(name, 1);
        line->addWidget(label(daysLabel(charge.days, zh), Theme::font(11), Theme::accent(), "rowDays", row));
        QLabel *amount =
            label(QStringLiteral("-") + Format::money(charge.sub.amount, charge.sub.currency),
                  Theme::font(12, QFont::DemiBold, Theme::Design::rounded), Theme::text(), "rowAmount", row);
        amount->setFixedWidth(66);
        amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        line->addWidget(amount);
        upcoming->addWidget(row);
    }
    column->addLayout(upcoming);

    column->addWidget(new Divider(content));

    // Footer: open the main window, quit.
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(16, 12, 16, 12);
    footer->setSpacing(8);
    auto *open = new SoftButton(
        zh ? QStringLiteral("打开 Renewly") : QStringLiteral("Open Renewly"), QStringLiteral("macwindow"),
        true,
        [this] {
            if (m_onOpen)
                m_onOpen();
        },
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
    column->addLayout(footer);
    return content;
}
