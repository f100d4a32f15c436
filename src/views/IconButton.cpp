#include "IconButton.h"

#include "views/Theme.h"

#include <QPainter>

IconButton::Look IconButton::closeLook() {
    return {.symbol = QStringLiteral("xmark"), .color = Theme::textSecondary()};
}

IconButton::IconButton(const Look &look, QWidget *parent)
    : PaintedButton({}, parent)
    , m_look(look) {
    const int side = qRound(look.side);
    setFixedSize(side, side);
    Symbols::prepare(look.symbol, look.symbolSize, look.color, look.weight, devicePixelRatioF());
}

void IconButton::titleChanged() {
    // The title is never drawn: it is what the symbol means.
    setToolTip(text());
}

QSize IconButton::sizeHint() const {
    const int side = qRound(m_look.side);
    return {side, side};
}

QColor IconButton::fillColor(State state) const {
    const double factor = state == State::pressed ? 1.8 : state == State::hovered ? 1.4 : 1.0;
    return Theme::whiteAlpha(m_look.fillOpacity * factor);
}

void IconButton::paintFace(QPainter &painter, const QRectF &area) const {
    const double s = m_look.symbolSize;
    painter.drawPixmap(QPointF((area.width() - s) / 2, (area.height() - s) / 2),
                       Symbols::pixmap(m_look.symbol, s, m_look.color, m_look.weight, devicePixelRatioF()));
}
