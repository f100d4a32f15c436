#include "ViewHelpers.h"

#include "settings/LocalizationManager.h"
#include "views/Theme.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace ViewHelpers {

bool isZh() {
    return LocalizationManager::shared().isZh();
}

QLabel *makeLabel(const LabelOptions &options, QWidget *parent) {
    auto *label = options.wrap ? new QLabel(options.text, parent) : new MeasuredLabel(options.text, parent);
    label->setObjectName(QString::fromLatin1(options.name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(options.wrap);
    if (options.compactLine)
        label->setFixedHeight(qCeil(options.font.pixelSize() * 1.3));
    Theme::style(label, options.font, options.color);
    return label;
}

namespace {
// The alignment a label lays its text out with: left and right as its text's direction reads them.
Qt::Alignment visualAlignment(const QLabel &label) {
    return QStyle::visualAlignment(label.text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight,
                                   label.alignment());
}
} // namespace

bool MeasuredLabel::measuredHere() const {
    if (text().isEmpty() || textFormat() != Qt::PlainText || wordWrap() || !pixmap().isNull() || movie() ||
        frameWidth() != 0 || margin() != 0 || indent() > 0 || buddy())
        return false;
    return !(visualAlignment(*this) & Qt::AlignRight);
}

// As QLabel measures a text label that does not wrap: its text's bounding rectangle in the label's
// font, with the alignment (less the centring, which only moves the text), within the label's
// contents margins, at least its minimum size.
QSize MeasuredLabel::measured() const {
    const QMargins margins = contentsMargins();
    const int flags =
        int(visualAlignment(*this) & ~(Qt::AlignVCenter | Qt::AlignHCenter)) | Qt::TextExpandTabs;
    if (m_size.isValid() && m_text == text() && m_font == font() && m_margins == margins &&
        m_minimum == minimumSize() && m_flags == flags)
        return m_size;
    m_text = text();
    m_font = font();
    m_margins = margins;
    m_minimum = minimumSize();
    m_flags = flags;
    const QSize around(margins.left() + margins.right(), margins.top() + margins.bottom());
    const int width = qMax(2000, minimumWidth()) - around.width();
    const QRect bounds = fontMetrics().boundingRect(0, 0, width, 2000, flags, m_text);
    m_size = (bounds.size() + around).expandedTo(m_minimum);
    return m_size;
}

QSize MeasuredLabel::sizeHint() const {
    ensurePolished();
    return measuredHere() ? measured() : QLabel::sizeHint();
}

QSize MeasuredLabel::minimumSizeHint() const {
    ensurePolished();
    return measuredHere() ? measured() : QLabel::minimumSizeHint();
}

QString elided(const QFontMetricsF &metrics, const QString &text, double advance, double width) {
    // A text holding U+009C is a list of variants, of which elidedText keeps the first.
    if (advance <= width && !text.contains(QChar(0x9c)))
        return text;
    return metrics.elidedText(text, Qt::ElideRight, width);
}

namespace {

// Whether QPainter::drawText draws `text` on one line exactly as a plain text layout draws it.
bool isPlainLine(const QString &text) {
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.unicode() == 0x9c || c.isSurrogate() ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;
        switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            return false;
        default:
            break;
        }
    }
    return true;
}

} // namespace

ShapedLine::ShapedLine(const QPainter &painter, const QFont &font, const QString &text)
    : m_font(font)
    , m_text(text) {
    if (!isPlainLine(text)) {
        m_advance = QFontMetricsF(font).horizontalAdvance(text);
        return;
    }
    // As QPainter::drawText lays out a line that does not wrap.
    QTextLayout &layout = m_layout.emplace(text, QFont(font, painter.device()));
    QTextOption option;
    option.setTextDirection(painter.layoutDirection());
    option.setAlignment(Qt::AlignLeft);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(0x01000000);
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    m_advance = line.horizontalAdvance();
}

void ShapedLine::draw(QPainter &painter, const QRectF &rect, int flags, double width) const {
    painter.setFont(m_font);
    // Drawn with the layout only in the very font the painter draws with.
    if (!m_layout || m_advance > width || painter.font() != m_layout->font()) {
        painter.drawText(rect, flags, elided(QFontMetricsF(m_font), m_text, m_advance, width));
        return;
    }
    const QTextLine line = m_layout->lineAt(0);
    const double height = line.ascent() + line.descent();
    const double yOffset = flags & Qt::AlignVCenter ? (rect.height() - height) / 2 : 0;
    const double xOffset = flags & Qt::AlignRight ? rect.width() - m_advance : 0;
    // Text that reaches past the rectangle is clipped to it.
    const bool clip = !rect.contains(QRectF(rect.x() + xOffset, rect.y() + yOffset, m_advance, height));
    if (clip) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    line.draw(&painter, QPointF(rect.x() + xOffset, rect.y() + yOffset));
    if (clip)
        painter.restore();
}

QString trimmedBlanks(const QString &text) {
    const auto isBlank = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace ViewHelpers
