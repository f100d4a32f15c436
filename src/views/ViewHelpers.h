#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QMargins>
#include <QString>
#include <QTextLayout>

#include <optional>

class QFontMetricsF;
class QPainter;
class QRectF;

class QWidget;

// Small helpers every view of the main window and the panel shares.
namespace ViewHelpers {

// Whether texts are shown in Chinese at this moment.
bool isZh();

struct LabelOptions {
    QFont font = {};
    QColor color = {};
    const char *name = "";
    QString text = {};
    bool wrap = false;
    // One line at most 1.3 times the font size, so Chinese faces with tall line boxes take the same
    // height as Latin ones.
    bool compactLine = false;
};
// A plain-text label with its font, colour and object name.
QLabel *makeLabel(const LabelOptions &options, QWidget *parent);

// A label that lays its text out once to work out its size hints. QLabel lays it out three times (as
// wide as it likes, as wide as the screen allows, as narrow as it may be), which for a text it does
// not wrap, set from the left, gives one and the same rectangle each time. Any other label (wrapped,
// rich text, no text, an image, a frame, margin or indent, a buddy, set from the right) is measured
// by QLabel.
class MeasuredLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    bool measuredHere() const;
    QSize measured() const;

    mutable QString m_text;
    mutable QFont m_font;
    mutable QMargins m_margins;
    mutable QSize m_minimum;
    mutable int m_flags = 0;
    mutable QSize m_size{-1, -1};
};

// `text` cut with an ellipsis at the right to fit `width` in `metrics`' font, as
// QFontMetricsF::elidedText cuts it, given the whole text's advance in that font: text that fits is
// returned as it is instead of being laid out again.
QString elided(const QFontMetricsF &metrics, const QString &text, double advance, double width);

// One line of a card's text, shaped once both to measure it and to draw it: a painted card would
// otherwise shape each text twice, once for its width and once more in QPainter::drawText. Texts
// that QPainter::drawText treats in ways of its own (control characters, line separators, length
// variants, blanks at an end) and right-to-left texts take drawText's own way.
class ShapedLine {
public:
    // `text` in `font`, as `painter` would draw it.
    ShapedLine(const QPainter &painter, const QFont &font, const QString &text);

    const QString &text() const { return m_text; }
    // As QFontMetricsF::horizontalAdvance gives it.
    double advance() const { return m_advance; }
    // Draws the text, cut with an ellipsis at the right to `width` as QFontMetricsF::elidedText cuts
    // it, in the font and the painter's pen, where and as QPainter::drawText(rect, flags, ...) draws
    // it. `flags`: Qt::AlignVCenter with Qt::AlignLeft or Qt::AlignRight.
    void draw(QPainter &painter, const QRectF &rect, int flags, double width) const;

private:
    QFont m_font;
    QString m_text;
    double m_advance = 0;
    std::optional<QTextLayout> m_layout;
};

// Blanks (Unicode space separators and the tab, not line breaks) cut from both ends.
QString trimmedBlanks(const QString &text);

} // namespace ViewHelpers
