#pragma once

#include <QImage>
#include <QList>
#include <QRect>

// Finds the lines of text on a prepared page (dark text on white) in reading order and lays them
// out on one compact sheet at a common height, which the recogniser reads as one uniform block.
namespace TextLines {

// Grey levels below this count as ink.
inline constexpr int inkBelow = 190;

// The boxes of the text lines, in reading order: top to bottom, and where the page falls into
// columns (a sidebar beside a message), the left column before the right one. A label and its
// value on the same row form one line. `lineHeight` is the page's typical line height.
QList<QRect> find(const QImage &page, int lineHeight);

struct Sheet {
    QImage image;        // Format_Grayscale8, white where nothing is placed
    QList<QRect> places; // where each line sits on the sheet, in the order given
};

// Copies each line onto the sheet, scaled to `height` pixels and with long blank stretches
// inside it shortened, one under the other.
Sheet compose(const QImage &page, const QList<QRect> &lines, int height);

} // namespace TextLines
