#include "UpcomingCard.h"

#include "model/Format.h"
#include "views/BrandAvatar.h"
#include "views/SubscriptionRow.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double paddingX = 14;
constexpr double spacing = 13;
constexpr double avatarSize = 38;
constexpr double radius = 14;
} // namespace

UpcomingCard::UpcomingCard(const UpcomingCharge &charge)
    : m_sub(charge.sub)
    , m_name(SubscriptionRow::displayName(charge.sub.name))
    , m_due(dueLabel(charge.days))
    , m_amount(QStringLiteral("-") + Format::money(charge.sub.amount, charge.sub.currency)) {}

QString UpcomingCard::dueLabel(int days) {
    const bool zh = ViewHelpers::isZh();
    if (days == 0)
        return zh ? QStringLiteral("今天扣费") : QStringLiteral("Charged today");
    return zh ? QString::number(days) + QStringLiteral(" 天后扣费")
              : QStringLiteral("in ") + QString::number(days) + QStringLiteral(" days");
}

QString UpcomingCard::accessibleText() const {
    return QStringList{m_name, m_due, m_amount}.join(QStringLiteral(", "));
}

void UpcomingCard::paint(QPainter &painter, const QRect &rect) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card(rect);
    QPainterPath shape;
    shape.addRoundedRect(card, radius, radius);
    painter.fillPath(shape, Theme::card());

    const double centerY = card.center().y();
    double left = card.left() + paddingX;
    const double right = card.right() + 1 - paddingX;
    BrandAvatar::paint(painter, QRectF(left, centerY - avatarSize / 2, avatarSize, avatarSize),
                       BrandAvatar::letter(m_sub.name), false);
    left += avatarSize + spacing;

    const QFont amountFont = Theme::font(15, QFont::DemiBold, Theme::Design::rounded);
    const QFontMetricsF amountMetrics(amountFont);
    const double amountAdvance = amountMetrics.horizontalAdvance(m_amount);
    const double amountWidth = qMin(amountAdvance, (right - left) * 0.6);
    painter.setFont(amountFont);
    painter.setPen(Theme::text());
    painter.drawText(QRectF(right - amountWidth, card.top(), amountWidth, card.height()),
                     Qt::AlignRight | Qt::AlignVCenter,
                     ViewHelpers::elided(amountMetrics, m_amount, amountAdvance, amountWidth));

    const double available = qMax(0.0, right - amountWidth - spacing - left);
    const QFont nameFont = Theme::font(14, QFont::DemiBold);
    const QFont dueFont = Theme::font(12);
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF dueMetrics(dueFont);
    double y = centerY - (nameMetrics.height() + 2 + dueMetrics.height()) / 2;
    painter.setFont(nameFont);
    painter.drawText(QRectF(left, y, available, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     nameMetrics.elidedText(m_name, Qt::ElideRight, available));
    y += nameMetrics.height() + 2;
    painter.setFont(dueFont);
    painter.setPen(Theme::accent());
    painter.drawText(QRectF(left, y, available, dueMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     dueMetrics.elidedText(m_due, Qt::ElideRight, available));
    painter.restore();
}
