#include "FittedLabel.h"

#include "views/ViewHelpers.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

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
    m_fitValid = false;
    m_naturalAdvance = -1;
    updateGeometry();
    update();
}

void FittedLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

int FittedLabel::fittedPixelSize() const {
    return fitted().pixelSize();
}

QString FittedLabel::shownText() const {
    const QFont &font = fitted();
    return ViewHelpers::elided(QFontMetricsF(font), m_text, m_fittedAdvance, width());
}

QSize FittedLabel::sizeHint() const {
    return {qCeil(naturalAdvance()) + 1, qCeil(QFontMetricsF(m_font).height())};
}

double FittedLabel::naturalAdvance() const {
    if (m_naturalAdvance < 0)
        m_naturalAdvance = QFontMetricsF(m_font).horizontalAdvance(m_text);
    return m_naturalAdvance;
}

QSize FittedLabel::minimumSizeHint() const {
    return {0, qCeil(QFontMetricsF(m_font).height())};
}

const QFont &FittedLabel::fitted() const {
    // Fitted when first needed: before the layout gives the label its width, any fit is wasted.
    if (!m_fitValid || m_fittedWidth != width())
        refit();
    return m_fitted;
}

void FittedLabel::refit() const {
    m_fitValid = true;
    m_fittedWidth = width();
    m_fitted = m_font;
    const double available = m_fittedWidth;
    const double advance = naturalAdvance();
    m_fittedAdvance = advance;
    if (advance <= available)
        return;
    const int full = qMax(1, m_font.pixelSize());
    const int smallest = qMax(1, full / 2);
    // Each size tried loads a font of its own. The advance grows about in proportion to the size,
    // so the search starts at the size that proportion gives and steps to the largest that fits.
    const auto advanceAt = [&](int size) {
        m_fitted.setPixelSize(size);
        return QFontMetricsF(m_fitted).horizontalAdvance(m_text);
    };
    int size = std::clamp(int(full * available / advance), smallest, qMax(smallest, full - 1));
    double sized = advanceAt(size);
    if (sized <= available) {
        while (size + 1 < full) {
            const double larger = advanceAt(size + 1);
            if (larger > available)
                break;
            ++size;
            sized = larger;
        }
    } else {
        while (size > smallest) {
            sized = advanceAt(--size);
            if (sized <= available)
                break;
        }
    }
    m_fitted.setPixelSize(size);
    m_fittedAdvance = sized;
}

void FittedLabel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(fitted());
    painter.setPen(m_color);
    painter.drawText(rect(), int(m_alignment), shownText());
}
