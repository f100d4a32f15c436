#pragma once

#include <QImage>
#include <QList>
#include <QRect>

// Finds the lines of text on a prepared page (dark text on white) in reading order.
namespace TextLines {

// Grey levels below this count as ink.
inline constexpr int inkBelow = 190;

// The darkest shade in `r` of `image` (Format_Grayscale8); 255 where `r` is empty.
int darkestIn(const QImage &image, const QRect &r);

// The boxes of the text lines, in reading order: top to bottom, and where the page falls into
// columns (a sidebar beside a message), the left column before the right one. A label and its
// value on the same row form one line. `lineHeight` is the page's typical line height.
// `edges`, when given, marks where two fills of the page meet side by side (ScanImage's
// Prepared::edges): no line runs across such an edge where it stands beside the whole line (a
// sidebar's entry and the row beside it, cards side by side are lines apart).
QList<QRect> find(const QImage &page, int lineHeight, const QImage &edges = {});

// The visual rows of a page whose lines have the boxes `ink` (as find() gives them), as the
// indices of the lines in each, left to right; rows top to bottom. Lines of different columns
// share a row where they stand at the same height, as a reader's eye takes them: a line joins the
// row above it when most of the lower of the two overlaps it.
QList<QList<qsizetype>> rows(const QList<QRect> &ink);

} // namespace TextLines
