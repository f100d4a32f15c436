#include "IconButton.h"

#include "views/Theme.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

IconButton::IconButton(const Look &look, QWidget *parent)
    : QAbstractButton(parent)
    , m_look(look) {
    const int side = qRound(look.side);
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void IconButton::setTitle(const QString &title) {
    setAccessibleName(title);
    setToolTip(title);
}

QSize IconButton::sizeHint() const {
    const int side = qRound(m_look.side);
    return {side, side};
}

void IconButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(rect());
    QPainterPath shape;
    shape.addRoundedRect(area, m_look.radius, m_look.radius);
    painter.fillPath(shape, Theme::whiteAlpha(m_look.fillOpacity * (isDown()       ? 1.8
                                                                    : underMouse() ? 1.4
                                                                                   : 1.0)));
    if (m_keyboardFocus) {
        painter.setPen(QPen(Theme::textSecondary(), 1.5));
        painter.drawPath(shape);
    }
    const double s = m_look.symbolSize;
    painter.drawPixmap(QPointF((area.width() - s) / 2, (area.height() - s) / 2),
                       Symbols::pixmap(m_look.symbol, s, m_look.color, m_look.weight, devicePixelRatioF()));
}

void IconButton::focusInEvent(QFocusEvent *event) {
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
    QAbstractButton::focusInEvent(event);
}

void IconButton::focusOutEvent(QFocusEvent *event) {
    m_keyboardFocus = false;
    update();
    QAbstractButton::focusOutEvent(event);
}
