#include "PaintedButton.h"

#include "views/Theme.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double focusRingWidth = 1.5;
} // namespace

PaintedButton::PaintedButton(std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent)
    , m_action(std::move(action)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void PaintedButton::setTitle(const QString &title) {
    setText(title);
    setAccessibleName(title);
    titleChanged();
    updateGeometry();
    update();
}

double PaintedButton::titleAdvance() const {
    if (m_titleAdvance < 0 || m_measuredTitle != text() || m_measuredFont != font()) {
        m_measuredTitle = text();
        m_measuredFont = font();
        m_titleAdvance = QFontMetricsF(m_measuredFont).horizontalAdvance(m_measuredTitle);
    }
    return m_titleAdvance;
}

PaintedButton::State PaintedButton::state() const {
    if (looksPressed())
        return State::pressed;
    return underMouse() ? State::hovered : State::normal;
}

void PaintedButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area(rect());
    const double radius = cornerRadius();
    QPainterPath shape;
    shape.addRoundedRect(area, radius, radius);
    painter.fillPath(shape, fillColor(state()));
    if (m_keyboardFocus) {
        const double inset = focusRingWidth / 2;
        painter.setPen(QPen(Theme::textSecondary(), focusRingWidth));
        painter.drawRoundedRect(area.adjusted(inset, inset, -inset, -inset), radius, radius);
    }
    paintFace(painter, area);
}

void PaintedButton::focusInEvent(QFocusEvent *event) {
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
    QAbstractButton::focusInEvent(event);
}

void PaintedButton::focusOutEvent(QFocusEvent *event) {
    m_keyboardFocus = false;
    update();
    QAbstractButton::focusOutEvent(event);
}
