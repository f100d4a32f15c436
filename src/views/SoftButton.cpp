#include "SoftButton.h"

#include "views/Symbols.h"
#include "views/Theme.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double paddingX = 16;
constexpr double paddingY = 9;
constexpr double symbolSize = 12;
constexpr double spacing = 6;
constexpr double titleSize = 13;
constexpr double radius = 10;
} // namespace

SoftButton::SoftButton(const QString &title, const QString &icon, bool prominent,
                       std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent)
    , m_icon(icon)
    , m_prominent(prominent)
    , m_action(std::move(action)) {
    setText(title);
    setFont(Theme::font(titleSize, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void SoftButton::setTitle(const QString &title) {
    setText(title);
    relayout();
}

void SoftButton::setIconName(const QString &icon) {
    m_icon = icon;
    relayout();
}

void SoftButton::setProminent(bool prominent) {
    m_prominent = prominent;
    update();
}

QColor SoftButton::foreground() const {
    return m_prominent ? Theme::onAccent() : Theme::text();
}

QColor SoftButton::fill() const {
    return m_prominent ? Theme::accent() : Theme::whiteAlpha(0.07);
}

void SoftButton::relayout() {
    updateGeometry();
    update();
}

QSize SoftButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    double width = metrics.horizontalAdvance(text());
    double height = metrics.height();
    if (!m_icon.isEmpty()) {
        width += symbolSize + spacing;
        height = qMax(height, symbolSize);
    }
    return {qCeil(width + 2 * paddingX), qCeil(height + 2 * paddingY)};
}

QSize SoftButton::minimumSizeHint() const {
    return sizeHint();
}

void SoftButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area = QRectF(rect());

    QColor background = fill();
    if (isDown())
        background.setAlphaF(background.alphaF() * (m_prominent ? 0.8f : 1.6f));
    else if (m_hovered)
        background.setAlphaF(background.alphaF() * (m_prominent ? 0.9f : 1.4f));
    QPainterPath shape;
    shape.addRoundedRect(area, radius, radius);
    painter.fillPath(shape, background);
    if (m_keyboardFocus) {
        painter.setPen(QPen(Theme::textSecondary(), 1.5));
        painter.drawRoundedRect(area.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }

    const QColor color = foreground();
    const QFontMetricsF metrics(font());
    const double titleWidth = metrics.horizontalAdvance(text());
    const double contentWidth = titleWidth + (m_icon.isEmpty() ? 0 : symbolSize + spacing);
    double x = (area.width() - contentWidth) / 2;
    if (!m_icon.isEmpty()) {
        const QPixmap symbol =
            Symbols::pixmap(m_icon, symbolSize, color, Symbols::Weight::semibold, devicePixelRatioF());
        painter.drawPixmap(QPointF(x, (area.height() - symbolSize) / 2), symbol);
        x += symbolSize + spacing;
    }
    painter.setFont(font());
    painter.setPen(color);
    painter.drawText(QRectF(x, 0, titleWidth + 1, area.height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

void SoftButton::enterEvent(QEnterEvent *event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SoftButton::leaveEvent(QEvent *event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SoftButton::focusInEvent(QFocusEvent *event) {
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
    QAbstractButton::focusInEvent(event);
}

void SoftButton::focusOutEvent(QFocusEvent *event) {
    m_keyboardFocus = false;
    update();
    QAbstractButton::focusOutEvent(event);
}
