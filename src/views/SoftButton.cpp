#include "SoftButton.h"

#include "views/Symbols.h"
#include "views/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
constexpr double paddingX = 16;
constexpr double paddingY = 9;
constexpr double symbolSize = 12;
constexpr double spacing = 6;
constexpr double titleSize = 13;
constexpr double radius = 10;
} // namespace

SoftButton::SoftButton(const Options &options, QWidget *parent)
    : PaintedButton(options.action, parent)
    , m_icon(options.icon)
    , m_prominent(options.prominent) {
    setFont(Theme::font(titleSize, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setTitle(options.title);
    prepareIcon();
}

void SoftButton::setIconName(const QString &icon) {
    m_icon = icon;
    prepareIcon();
    updateGeometry();
    update();
}

void SoftButton::setProminent(bool prominent) {
    m_prominent = prominent;
    prepareIcon();
    update();
}

void SoftButton::prepareIcon() {
    if (!m_icon.isEmpty())
        Symbols::prepare(m_icon, symbolSize, foreground(), Symbols::Weight::semibold, devicePixelRatioF());
}

QColor SoftButton::foreground() const {
    return m_prominent ? Theme::onAccent() : Theme::text();
}

QColor SoftButton::fill() const {
    return m_prominent ? Theme::accent() : Theme::whiteAlpha(0.07);
}

QColor SoftButton::fillColor(State state) const {
    QColor background = fill();
    if (state == State::pressed)
        background.setAlphaF(background.alphaF() * (m_prominent ? 0.8f : 1.6f));
    else if (state == State::hovered)
        background.setAlphaF(background.alphaF() * (m_prominent ? 0.9f : 1.4f));
    return background;
}

double SoftButton::cornerRadius() const {
    return radius;
}

QSize SoftButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    double width = titleAdvance();
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

void SoftButton::paintFace(QPainter &painter, const QRectF &area) const {
    const QColor color = foreground();
    const double titleWidth = titleAdvance();
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
