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

    // Each text is shaped once, for its width and its drawing alike.
    const QFont amountFont = Theme::font(15, QFont::DemiBold, Theme::Design::rounded);
    const ViewHelpers::ShapedLine amount(painter, amountFont, m_amount);
    const double amountWidth = qMin(amount.advance(), (right - left) * 0.6);
    painter.setPen(Theme::text());
    amount.draw(painter, QRectF(right - amountWidth, card.top(), amountWidth, card.height()),
                Qt::AlignRight | Qt::AlignVCenter, amountWidth);

    const double available = qMax(0.0, right - amountWidth - spacing - left);
    const QFont nameFont = Theme::font(14, QFont::DemiBold);
    const QFont dueFont = Theme::font(12);
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF dueMetrics(dueFont);
    double y = centerY - (nameMetrics.height() + 2 + dueMetrics.height()) / 2;
    ViewHelpers::ShapedLine(painter, nameFont, m_name)
        .draw(painter, QRectF(left, y, available, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
              available);
    y += nameMetrics.height() + 2;
    painter.setPen(Theme::accent());
    ViewHelpers::ShapedLine(painter, dueFont, m_due)
        .draw(painter, QRectF(left, y, available, dueMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
              available);
    painter.restore();
}
