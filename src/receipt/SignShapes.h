#pragma once

#include <QImage>
#include <QRect>

// Currency signs told apart by the shape of their ink, where the recogniser's dictionary lacks
// one of them and reads it as a look-alike it holds.
namespace SignShapes {

// Whether the ink in `glyph` of `piece` (Format_Grayscale8, dark text on white) is the rupee sign
// "₹", which the recogniser and the Latin model read as "¥": a bar across its whole top and a leg
// that runs down to the right, where the yen sign opens in a V at the top and stands on an upright
// stem.
bool isRupee(const QImage &piece, const QRect &glyph);

// Whether the ink in `glyph` of `piece` (as for isRupee) is the pound sign "£", which neither
// reader may know in a serif or small face (read as nothing, as a "2" or as another sign): a
// base across its whole width, a crossbar about its middle reaching out on both sides of a stem
// that stands left of the middle, and only that stem between the two.
bool isPound(const QImage &piece, const QRect &glyph);

// Whether the ink in `glyph` of `piece` (as for isRupee) is the euro sign "€", which neither reader
// may know where it is set small (read as "c", "e", "«" or nothing): a bowl open to the right,
// its ends reaching right at its top and bottom, crossed by two thin bars that reach out left of
// it and on into its open middle.
bool isEuro(const QImage &piece, const QRect &glyph);

// The ink of the character that columns `left` to `right` (inclusive) of `piece` cover most: the
// run of columns with ink, between columns of paper, that overlaps them most, as a box around
// its ink. Empty when the columns hold none.
QRect inkAround(const QImage &piece, int left, int right);

} // namespace SignShapes
