#include "ElidedLabel.h"

#include "views/ViewHelpers.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

ElidedLabel::ElidedLabel(const QString &text, QWidget *parent)
    : QFrame(parent)
    , m_text(text) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void ElidedLabel::setText(const QString &text) {
    m_text = text;
    m_advance = -1;
    updateGeometry();
    update();
}

QString ElidedLabel::shownText() const {
    return ViewHelpers::elided(QFontMetricsF(font()), m_text, advance(), contentsRect().width());
}

double ElidedLabel::advance() const {
    if (m_advance < 0)
        m_advance = QFontMetricsF(font()).horizontalAdvance(m_text);
    return m_advance;
}

QSize ElidedLabel::sizeHint() const {
    // Rounded as QFontMetrics rounds its advances.
    return {qRound(advance()), fontMetrics().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, fontMetrics().height()};
}

void ElidedLabel::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange)
        m_advance = -1;
    QFrame::changeEvent(event);
}

void ElidedLabel::paintEvent(QPaintEvent *event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}
