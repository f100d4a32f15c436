#include "TileButton.h"

#include "views/ViewHelpers.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
// Room on each side of the title beyond its own width.
constexpr double titleMargin = 8;
} // namespace

TileButton::TileButton(const Look &look, std::function<void()> action, QWidget *parent)
    : PaintedButton(std::move(action), parent)
    , m_look(look) {
    setFont(look.titleFont);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TileButton::setFace(const QString &symbol, const QString &title) {
    m_symbol = symbol;
    setProperty("symbol", symbol);
    setTitle(title);
}

QSize TileButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    const double s = m_look.symbolSize;
    const bool stacked = m_look.arrangement == Arrangement::stacked;
    const double height = stacked ? s + m_look.spacing + metrics.height() : qMax(s, metrics.height());
    const double width = stacked ? qMax(s, titleAdvance()) : s + m_look.spacing + titleAdvance();
    return {qCeil(width + 2 * titleMargin), qCeil(height + 2 * m_look.paddingY)};
}

QColor TileButton::fillColor(State state) const {
    return state == State::pressed   ? m_look.fill.lighter(140)
           : state == State::hovered ? m_look.fill.lighter(120)
                                     : m_look.fill;
}

void TileButton::paintFace(QPainter &painter, const QRectF &area) const {
    const QFontMetricsF metrics(font());
    const double s = m_look.symbolSize;
    const QPixmap symbol =
        Symbols::pixmap(m_symbol, s, m_look.color, m_look.symbolWeight, devicePixelRatioF());
    painter.setFont(font());
    painter.setPen(m_look.color);
    if (m_look.arrangement == Arrangement::stacked) {
        const double top = (area.height() - (s + m_look.spacing + metrics.height())) / 2;
        painter.drawPixmap(QPointF((area.width() - s) / 2, top), symbol);
        painter.drawText(QRectF(0, top + s + m_look.spacing, area.width(), metrics.height()), Qt::AlignCenter,
                         ViewHelpers::elided(metrics, text(), titleAdvance(), area.width() - titleMargin));
    } else {
        const double titleWidth = titleAdvance();
        double x = (area.width() - (s + m_look.spacing + titleWidth)) / 2;
        painter.drawPixmap(QPointF(x, (area.height() - s) / 2), symbol);
        x += s + m_look.spacing;
        painter.drawText(QRectF(x, 0, titleWidth + 1, area.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         text());
    }
}
