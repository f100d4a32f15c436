#include "HeroView.h"

#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "store/Aggregates.h"
#include "views/Divider.h"
#include "views/FittedLabel.h"
#include "views/ScanMenuButton.h"
#include "views/SoftButton.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel *caption(const QFont &font, const char *name, QWidget *parent) {
    return ViewHelpers::makeLabel({.font = font, .color = Theme::textSecondary(), .name = name}, parent);
}

// The thin vertical line between two figures.
QWidget *vline(QWidget *parent) {
    auto *line = new QWidget(parent);
    line->setFixedSize(1, 28);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, Theme::hairline());
    line->setPalette(p);
    return line;
}

} // namespace

HeroView::HeroView(Store &store, std::function<void()> onAdd, std::function<void()> onScanClipboard,
                   std::function<void()> onScanFile, QWidget *parent)
    : RoundedCard(Theme::card(), 20, parent)
    , m_store(store) {
    setObjectName(QStringLiteral("heroView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(18);

    auto *spend = new QVBoxLayout;
    spend->setSpacing(6);
    m_monthlyCaption = caption(Theme::font(13, QFont::Medium), "monthlyCaption", this);
    spend->addWidget(m_monthlyCaption);
    m_monthly = new FittedLabel(Theme::font(46, QFont::Bold, Theme::Design::rounded), Theme::text(), this);
    m_monthly->setObjectName(QStringLiteral("monthlyAmount"));
    spend->addWidget(m_monthly);
    column->addLayout(spend);

    auto *actions = new QHBoxLayout;
    actions->setSpacing(10);
    m_add =
        new SoftButton({.icon = QStringLiteral("plus"), .prominent = true, .action = std::move(onAdd)}, this);
    m_add->setObjectName(QStringLiteral("addButton"));
    actions->addWidget(m_add);
    m_scan = new ScanMenuButton(this);
    connect(m_scan->clipboardAction(), &QAction::triggered, this, [action = std::move(onScanClipboard)] {
        if (action)
            action();
    });
    connect(m_scan->fileAction(), &QAction::triggered, this, [action = std::move(onScanFile)] {
        if (action)
            action();
    });
    actions->addWidget(m_scan);
    actions->addStretch(1);
    column->addLayout(actions);

    column->addWidget(new Divider(this));

    auto *figures = new QHBoxLayout;
    figures->setSpacing(14);
    figures->addWidget(stat(m_yearly, m_yearlyCaption, "yearly"), 1);
    figures->addWidget(vline(this), 0, Qt::AlignVCenter);
    figures->addWidget(stat(m_active, m_activeCaption, "active"), 1);
    figures->addWidget(vline(this), 0, Qt::AlignVCenter);
    figures->addWidget(stat(m_dueSoon, m_dueSoonCaption, "dueSoon"), 1);
    column->addLayout(figures);
}

QWidget *HeroView::stat(FittedLabel *&value, QLabel *&label, const char *name) {
    auto *box = new QWidget(this);
    box->setObjectName(QString::fromLatin1(name) + QStringLiteral("Stat"));
    auto *lines = new QVBoxLayout(box);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(3);
    value = new FittedLabel(Theme::font(20, QFont::Bold, Theme::Design::rounded), Theme::text(), box);
    value->setObjectName(QString::fromLatin1(name) + QStringLiteral("Value"));
    lines->addWidget(value);
    label = caption(Theme::font(12), "", box);
    label->setObjectName(QString::fromLatin1(name) + QStringLiteral("Caption"));
    lines->addWidget(label);
    box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return box;
}

void HeroView::setScanning(bool isScanning) {
    m_scan->setSpinning(isScanning);
}

bool HeroView::isScanning() const {
    return m_scan->isSpinning();
}

void HeroView::rebuild(const std::optional<Figures> &figures) {
    const bool zh = ViewHelpers::isZh();
    const Figures f = figures ? *figures
                              : Figures{.totalMonthlyCNY = m_store.totalMonthlyCNY(),
                                        .active = Aggregates::activeCount(m_store.subscriptions()),
                                        .dueSoon = m_store.upcoming(dueWindowDays).size()};
    const double monthly = f.totalMonthlyCNY;

    m_monthlyCaption->setText(zh ? QStringLiteral("每月订阅支出") : QStringLiteral("Monthly spend"));
    m_monthly->setText(Format::base(monthly, zh));
    m_add->setTitle(zh ? QStringLiteral("添加订阅") : QStringLiteral("Add"));
    m_scan->retranslate();
    m_yearly->setText(Format::base(monthly * 12, zh));
    m_yearlyCaption->setText(zh ? QStringLiteral("每年支出") : QStringLiteral("Yearly"));
    m_active->setText(QString::number(f.active));
    m_activeCaption->setText(zh ? QStringLiteral("进行中") : QStringLiteral("Active"));
    m_dueSoon->setText(QString::number(f.dueSoon));
    m_dueSoonCaption->setText(zh ? QStringLiteral("近 7 天待扣") : QStringLiteral("Due in 7d"));
}
