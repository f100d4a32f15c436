#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QFontMetricsF;

class QLabel;
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

// `text` cut with an ellipsis at the right to fit `width` in `metrics`' font, as
// QFontMetricsF::elidedText cuts it, given the whole text's advance in that font: text that fits is
// returned as it is instead of being laid out again.
QString elided(const QFontMetricsF &metrics, const QString &text, double advance, double width);

// Blanks (Unicode space separators and the tab, not line breaks) cut from both ends.
QString trimmedBlanks(const QString &text);

} // namespace ViewHelpers
