#include "FittedLabel.h"

#include <QFontMetricsF>
#include <QPainter>

FittedLabel::FittedLabel(const QFont &font, const QColor &color, QWidget *parent)
    : QWidget(parent)
    , m_font(font)
    , m_fitted(font)
    , m_color(color) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FittedLabel::setText(const QString &text) {
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    refit();
    updateGeometry();
    update();
}

void FittedLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

int FittedLabel::fittedPixelSize() const {
    return m_fitted.pixelSize();
}

QString FittedLabel::shownText() const {
    return QFontMetricsF(m_fitted).elidedText(m_text, Qt::ElideRight, width());
}

QSize FittedLabel::sizeHint() const {
    const QFontMetricsF metrics(m_font);
    return {qCeil(metrics.horizontalAdvance(m_text)) + 1, qCeil(metrics.height())};
}

QSize FittedLabel::minimumSizeHint() const {
    return {0, qCeil(QFontMetricsF(m_font).height())};
}

void FittedLabel::refit() {
    const int full = qMax(1, m_font.pixelSize());
    const int smallest = qMax(1, full / 2);
    const double available = width();
    m_fitted = m_font;
    for (int size = full; size >= smallest; --size) {
        m_fitted.setPixelSize(size);
        if (QFontMetricsF(m_fitted).horizontalAdvance(m_text) <= available)
            return;
    }
}

void FittedLabel::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    refit();
}

void FittedLabel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_fitted);
    painter.setPen(m_color);
    painter.drawText(rect(), int(m_alignment), shownText());
}
