#pragma once

#include <QImage>
#include <QList>
#include <QRect>

// Finds the lines of text on a prepared page (dark text on white) in reading order.
namespace TextLines {

// Grey levels below this count as ink.
inline constexpr int inkBelow = 190;

// The boxes of the text lines, in reading order: top to bottom, and where the page falls into
// columns (a sidebar beside a message), the left column before the right one. A label and its
// value on the same row form one line. `lineHeight` is the page's typical line height.
// `edges`, when given, marks where two fills of the page meet side by side (ScanImage's
// Prepared::edges): no line runs across such an edge where it stands beside the whole line.
// `blocks`, when given, gets for each line where it stands in the reading order of the columns
// such edges part (see rows()).
QList<QRect> find(const QImage &page, int lineHeight, const QImage &edges = {},
                  QList<QList<int>> *blocks = nullptr);

// The visual rows of a page whose lines have the boxes `ink` (as find() gives them), as the
// indices of the lines in each, left to right; rows top to bottom. Lines of different columns
// share a row where they stand at the same height, as a reader's eye takes them: a line joins the
// row above it when most of the lower of the two overlaps it. Where `blocks` (as find() gives
// them) tell columns parted by the edge of a fill (a sidebar beside a message, cards side by
// side), their lines share no row, and each column's rows come before those of the next.
QList<QList<qsizetype>> rows(const QList<QRect> &ink, const QList<QList<int>> &blocks = {});

} // namespace TextLines
