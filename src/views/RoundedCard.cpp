#include "RoundedCard.h"

#include <QPainter>
#include <QPainterPath>

RoundedCard::RoundedCard(const QColor &fill, double radius, QWidget *parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_radius(radius) {}

void RoundedCard::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_radius, m_radius);
    painter.fillPath(shape, m_fill);
}
