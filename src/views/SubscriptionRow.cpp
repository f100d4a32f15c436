#include "SubscriptionRow.h"

#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "views/BrandAvatar.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <optional>

namespace {
constexpr double paddingX = 14;
constexpr double spacing = 13;
constexpr double avatarSize = 42;
constexpr double chevronSize = 11;
constexpr double radius = 14;

using ViewHelpers::isZh;

QColor tagColor(SubscriptionRow::Tag tag) {
    return tag == SubscriptionRow::Tag::paused ? Theme::textTertiary() : Theme::accent();
}
} // namespace

SubscriptionRow::SubscriptionRow(const Subscription &sub, const QDateTime &now, const QTimeZone &zone)
    : m_sub(sub)
    , m_name(displayName(sub.name))
    , m_tag(tagOf(sub))
    , m_summary(summaryLine(sub, now, zone))
    , m_amount(amountLine(sub))
    , m_monthly(monthlyLine(sub)) {}

QString SubscriptionRow::displayName(const QString &name) {
    if (!name.isEmpty())
        return name;
    return isZh() ? QStringLiteral("未命名") : QStringLiteral("Untitled");
}

SubscriptionRow::Tag SubscriptionRow::tagOf(const Subscription &sub) {
    if (!sub.isActive)
        return Tag::paused;
    if (sub.billingType == BillingType::oneTime)
        return Tag::oneTime;
    return Tag::none;
}

QString SubscriptionRow::tagText(Tag tag) {
    switch (tag) {
    case Tag::paused:
        return isZh() ? QStringLiteral("已停用") : QStringLiteral("Paused");
    case Tag::oneTime:
        return isZh() ? QStringLiteral("单次") : QStringLiteral("One-time");
    case Tag::none:
        break;
    }
    return {};
}

QString SubscriptionRow::dateText(const QDate &day) {
    return day.toString(u"yyyy/MM/dd");
}

QString SubscriptionRow::summaryLine(const Subscription &sub, const QDateTime &now, const QTimeZone &zone) {
    const bool zh = isZh();
    QStringList parts{Format::categoryDisplay(sub.category, zh)};
    if (sub.billingType == BillingType::recurring)
        parts.append(label(sub.cycle));
    if (const auto next = sub.nextCharge(now, zone)) {
        if (next->days == 0)
            parts.append(zh ? QStringLiteral("今天扣费") : QStringLiteral("Charged today"));
        else if (zh)
            parts.append(dateText(next->day) + QStringLiteral(" 扣费"));
        else
            parts.append(QStringLiteral("Charges ") + dateText(next->day));
    }
    return parts.join(QStringLiteral(" · "));
}

QString SubscriptionRow::amountLine(const Subscription &sub) {
    return QStringLiteral("-") + Format::money(sub.amount, sub.currency);
}

QString SubscriptionRow::monthlyLine(const Subscription &sub) {
    if (sub.billingType != BillingType::recurring || !sub.isActive)
        return {};
    const bool zh = isZh();
    return QStringLiteral("≈") + Format::base(sub.monthlyAmountInCNY(), zh) +
           (zh ? QStringLiteral("/月") : QStringLiteral("/mo"));
}

QString SubscriptionRow::accessibleText() const {
    QStringList parts{m_name};
    if (m_tag != Tag::none)
        parts.append(tagText());
    parts.append({m_summary, m_amount});
    if (!m_monthly.isEmpty())
        parts.append(m_monthly);
    return parts.join(QStringLiteral(", "));
}

void SubscriptionRow::paint(QPainter &painter, const QRect &rect, bool hovered, bool focused) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card(rect);
    QPainterPath shape;
    shape.addRoundedRect(card, radius, radius);
    painter.fillPath(shape, hovered ? Theme::card().lighter(118) : Theme::card());
    if (focused) {
        painter.setPen(QPen(Theme::textSecondary(), 1.5));
        painter.drawRoundedRect(card.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }

    const double centerY = card.center().y();
    double left = card.left() + paddingX;
    double right = card.right() + 1 - paddingX;

    BrandAvatar::paint(painter, QRectF(left, centerY - avatarSize / 2, avatarSize, avatarSize),
                       BrandAvatar::letter(m_sub.name), !m_sub.isActive);
    left += avatarSize + spacing;

    painter.drawPixmap(QPointF(right - chevronSize, centerY - chevronSize / 2),
                       Symbols::pixmap(QStringLiteral("chevron.right"), chevronSize, Theme::textTertiary(),
                                       Symbols::Weight::semibold, painter.device()->devicePixelRatioF()));
    right -= chevronSize + spacing;

    // Right column: amount over the monthly line, right-aligned. Each text is shaped once, for its
    // width and its drawing alike.
    const QFont amountFont = Theme::font(15, QFont::DemiBold, Theme::Design::rounded);
    const QFont monthlyFont = Theme::font(11);
    const QFontMetricsF amountMetrics(amountFont);
    const QFontMetricsF monthlyMetrics(monthlyFont);
    const ViewHelpers::ShapedLine amount(painter, amountFont, m_amount);
    std::optional<ViewHelpers::ShapedLine> monthly;
    if (!m_monthly.isEmpty())
        monthly.emplace(painter, monthlyFont, m_monthly);
    double rightWidth = amount.advance();
    double rightHeight = amountMetrics.height();
    if (monthly) {
        rightWidth = qMax(rightWidth, monthly->advance());
        rightHeight += 3 + monthlyMetrics.height();
    }
    // The amount always shows whole; long names give way first.
    rightWidth = qMin(rightWidth, (right - left) * 0.6);
    double y = centerY - rightHeight / 2;
    painter.setPen(Theme::text());
    amount.draw(painter, QRectF(right - rightWidth, y, rightWidth, amountMetrics.height()),
                Qt::AlignRight | Qt::AlignVCenter, rightWidth);
    if (monthly) {
        y += amountMetrics.height() + 3;
        painter.setPen(Theme::textTertiary());
        monthly->draw(painter, QRectF(right - rightWidth, y, rightWidth, monthlyMetrics.height()),
                      Qt::AlignRight | Qt::AlignVCenter, rightWidth);
    }
    right -= rightWidth + spacing;

    // Left column: the title line (name and tag) over the summary.
    const QFont nameFont = Theme::font(15, QFont::DemiBold);
    const QFont tagFont = Theme::font(10, QFont::DemiBold);
    const QFont summaryFont = Theme::font(12);
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF tagMetrics(tagFont);
    const QFontMetricsF summaryMetrics(summaryFont);
    const double available = qMax(0.0, right - left);
    const double titleHeight = qMax(nameMetrics.height(), tagMetrics.height() + 4);
    y = centerY - (titleHeight + 3 + summaryMetrics.height()) / 2;

    const QString tag = tagText();
    const double tagWidth = tag.isEmpty() ? 0 : tagMetrics.horizontalAdvance(tag) + 12;
    const double nameRoom = qMax(0.0, available - (tag.isEmpty() ? 0 : tagWidth + 7));
    const ViewHelpers::ShapedLine name(painter, nameFont, m_name);
    const double nameAdvance = name.advance();
    const QString shownName = ViewHelpers::elided(nameMetrics, m_name, nameAdvance, nameRoom);
    const double nameWidth =
        qMin(nameRoom, shownName == m_name ? nameAdvance : nameMetrics.horizontalAdvance(shownName));
    painter.setPen(m_sub.isActive ? Theme::text() : Theme::textSecondary());
    name.draw(painter, QRectF(left, y, nameWidth + 1, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
              nameRoom);
    if (!tag.isEmpty()) {
        const QColor color = tagColor(m_tag);
        QColor capsule = color;
        capsule.setAlphaF(0.16f);
        const double tagHeight = tagMetrics.height() + 4;
        const QRectF tagRect(left + nameWidth + 7, y + (titleHeight - tagHeight) / 2, tagWidth, tagHeight);
        QPainterPath pill;
        pill.addRoundedRect(tagRect, tagHeight / 2, tagHeight / 2);
        painter.fillPath(pill, capsule);
        painter.setFont(tagFont);
        painter.setPen(color);
        painter.drawText(tagRect, Qt::AlignCenter, tag);
    }
    y += titleHeight + 3;
    painter.setPen(Theme::textSecondary());
    ViewHelpers::ShapedLine(painter, summaryFont, m_summary)
        .draw(painter, QRectF(left, y, available, summaryMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
              available);
    painter.restore();
}
