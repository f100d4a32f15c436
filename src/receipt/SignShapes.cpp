#include "SignShapes.h"

#include "TextLines.h"

#include <algorithm>
#include <vector>

namespace SignShapes {

namespace {

// The share of the glyph's height, at its top and at its bottom, that is looked at.
constexpr double band = 1.0 / 7;
// The share of the top band's middle columns a bar across the top inks at least: the V of the
// yen sign leaves them bare.
constexpr double barCover = 0.8;
// How much further right, in glyph widths, the ink of the bottom band stands than that of the
// rows a little below the middle at least: the rupee's leg runs down to the right, the yen's
// stem stands upright.
constexpr double legSlant = 0.15;

// How far in from either side, as a share of the glyph's width, the pound's base reaches at least.
constexpr double baseReach = 0.2;
// The rows, as shares of the glyph's height from its top, where the pound's crossbar lies, and the
// share of the width it inks at least.
constexpr double crossbarFrom = 0.3;
constexpr double crossbarTo = 0.65;
constexpr double crossbarWidth = 0.55;
// The rows where mostly the pound's stem alone is inked, the most of the width it covers there,
// and where its middle stands at most.
constexpr double stemFrom = 0.5;
constexpr double stemTo = 0.8;
constexpr double stemWidth = 0.5;
constexpr double stemCentre = 0.5;
// How far left of the stem the pound's crossbar reaches at least, as a share of the glyph's width.
constexpr double jut = 0.05;

// The euro's bars: how far left of the bowl they reach at least, as a share of the glyph's width;
// how thick each is at most, as a share of its height; and how far into the bowl's open middle
// they run at least, as a share of its width, from their left ends.
constexpr double barJut = 0.08;
constexpr double barThickness = 0.22;
constexpr double barRun = 0.45;
// The euro's bowl: the share of the width its ends reach right at least, in the top and the bottom
// band, and the share its ink keeps to between the bars.
constexpr double bowlEnds = 0.65;
constexpr double bowlOpen = 0.6;

// The shade halfway between paper and the darkest pixel of `box`: below it a pixel is the sign's ink.
int halfwayToDarkest(const QImage &piece, const QRect &box) {
    return (TextLines::darkestIn(piece, box) + 255) / 2;
}

} // namespace

QRect inkAround(const QImage &piece, int left, int right) {
    if (piece.isNull())
        return {};
    const int inkBelow = halfwayToDarkest(piece, piece.rect());
    const auto inked = [&piece, inkBelow](int x) {
        for (int y = 0; y < piece.height(); ++y) {
            if (piece.constScanLine(y)[x] < inkBelow)
                return true;
        }
        return false;
    };
    left = std::max(0, left);
    right = std::min(piece.width() - 1, right);
    int bestFrom = 0;
    int bestTo = -1;
    int bestOverlap = 0;
    for (int x = 0; x < piece.width();) {
        if (!inked(x)) {
            ++x;
            continue;
        }
        const int from = x;
        while (x < piece.width() && inked(x))
            ++x;
        const int overlap = std::min(x - 1, right) - std::max(from, left) + 1;
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            bestFrom = from;
            bestTo = x - 1;
        }
    }
    QRect box;
    for (int y = 0; y < piece.height(); ++y) {
        const uchar *row = piece.constScanLine(y);
        for (int x = bestFrom; x <= bestTo; ++x) {
            if (row[x] < inkBelow)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

bool isRupee(const QImage &piece, const QRect &glyph) {
    const QRect box = glyph.intersected(piece.rect());
    if (box.width() < 4 || box.height() < 8)
        return false;
    const int inkBelow = halfwayToDarkest(piece, box);
    const int rows = std::max(1, int(box.height() * band));
    // The middle fifth of the columns.
    const int middleFrom = box.left() + box.width() * 2 / 5;
    const int middleTo = std::max(middleFrom + 1, box.left() + (box.width() * 3 + 4) / 5);
    int covered = 0;
    for (int x = middleFrom; x < middleTo; ++x) {
        for (int y = box.top(); y < box.top() + rows; ++y) {
            if (piece.constScanLine(y)[x] < inkBelow) {
                ++covered;
                break;
            }
        }
    }
    // Where the ink of rows `from` to `to` (inclusive) stands on average, from the glyph's left
    // (0) to its right (1); -1 without ink.
    const auto centre = [&piece, &box, inkBelow](int from, int to) {
        double sum = 0;
        int count = 0;
        for (int y = from; y <= to; ++y) {
            const uchar *row = piece.constScanLine(y);
            for (int x = box.left(); x <= box.right(); ++x) {
                if (row[x] < inkBelow) {
                    sum += x - box.left() + 0.5;
                    ++count;
                }
            }
        }
        return count > 0 ? sum / count / box.width() : -1.0;
    };
    const double bottom = centre(box.bottom() - rows + 1, box.bottom());
    const double lower = centre(box.top() + box.height() * 3 / 5, box.top() + box.height() * 3 / 4);
    return covered >= barCover * (middleTo - middleFrom) && lower >= 0 && bottom - lower >= legSlant;
}

bool isPound(const QImage &piece, const QRect &glyph) {
    const QRect box = glyph.intersected(piece.rect());
    if (box.width() < 4 || box.height() < 8)
        return false;
    const int inkBelow = halfwayToDarkest(piece, box);
    // The leftmost and rightmost inked columns of row `y`, from the glyph's left (0) to its right
    // (1); {1, 0} without ink.
    const auto extent = [&piece, &box, inkBelow](int y) {
        const uchar *row = piece.constScanLine(y);
        int first = -1, last = -1;
        for (int x = box.left(); x <= box.right(); ++x) {
            if (row[x] < inkBelow) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        return first < 0 ? std::pair{1.0, 0.0}
                         : std::pair{double(first - box.left()) / box.width(),
                                     double(last - box.left() + 1) / box.width()};
    };
    const auto rowAt = [&box](double share) { return box.top() + int(box.height() * share); };
    // The base: some row of the bottom band inks all but the outer tenths of the columns.
    bool base = false;
    const int rows = std::max(1, int(box.height() * band));
    for (int y = box.bottom() - rows + 1; y <= box.bottom() && !base; ++y) {
        const auto [from, to] = extent(y);
        base = from <= baseReach && to >= 1 - baseReach;
    }
    // The crossbar: a row around the middle inked without a break across most of the width (a
    // 2 inks it only at both ends of its bow).
    bool crossbar = false;
    int crossbarLeft = box.right();
    for (int y = rowAt(crossbarFrom); y <= rowAt(crossbarTo); ++y) {
        const uchar *row = piece.constScanLine(y);
        int run = 0;
        for (int x = box.left(); x <= box.right(); ++x) {
            run = row[x] < inkBelow ? run + 1 : 0;
            if (run >= crossbarWidth * box.width()) {
                crossbar = true;
                crossbarLeft = std::min(crossbarLeft, x - run + 1);
                break;
            }
        }
    }
    // The stem between crossbar and base: most rows of the lower part ink only it, narrow and
    // left of the middle (a plus-minus sign's stands in it); the crossbar, lower in some faces,
    // and the base take the others.
    int stemRows = 0;
    std::vector<double> stemLefts;
    const int from = rowAt(stemFrom);
    const int to = rowAt(stemTo);
    for (int y = from; y <= to; ++y) {
        const auto [left, right] = extent(y);
        if (right > left && right - left <= stemWidth && (left + right) / 2 < stemCentre) {
            ++stemRows;
            stemLefts.push_back(left);
        }
    }
    // The crossbar reaches out left of the stem; the middle bar of an "E" starts at its stem.
    if (stemLefts.empty())
        return false;
    const auto middle = stemLefts.begin() + std::ptrdiff_t(stemLefts.size() / 2);
    std::nth_element(stemLefts.begin(), middle, stemLefts.end());
    const double reach = *middle * box.width() + box.left() - crossbarLeft;
    const bool juts = reach >= std::max(1.0, jut * box.width());
    return base && crossbar && juts && stemRows * 2 >= to - from + 1;
}

bool isEuro(const QImage &piece, const QRect &glyph) {
    const QRect box = glyph.intersected(piece.rect());
    if (box.width() < 5 || box.height() < 9)
        return false;
    const int inkBelow = halfwayToDarkest(piece, box);
    // Per row: the leftmost and rightmost inked columns and the length of the run of ink from the
    // leftmost, from the glyph's left; -1 without ink.
    struct Row {
        int left = -1, right = -1, run = 0;
    };
    std::vector<Row> rows(size_t(box.height()));
    for (int y = 0; y < box.height(); ++y) {
        const uchar *line = piece.constScanLine(box.top() + y) + box.left();
        Row &row = rows[size_t(y)];
        for (int x = 0; x < box.width(); ++x) {
            if (line[x] >= inkBelow)
                continue;
            if (row.left < 0)
                row.left = x;
            row.right = x;
        }
        for (int x = std::max(0, row.left); row.left >= 0 && x < box.width() && line[x] < inkBelow; ++x)
            ++row.run;
    }
    const int w = box.width();
    const int h = box.height();
    // The ends of the bowl reach right in the top and the bottom band.
    const int edge = std::max(1, int(h * band));
    const auto reachesRight = [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            if (rows[size_t(y)].right + 1 >= bowlEnds * w)
                return true;
        }
        return false;
    };
    if (!reachesRight(0, edge) || !reachesRight(h - edge, h))
        return false;
    // The bars: the rows between the bands whose ink starts furthest left, in two thin groups.
    int barLeft = w;
    for (int y = edge; y < h - edge; ++y) {
        if (rows[size_t(y)].left >= 0)
            barLeft = std::min(barLeft, rows[size_t(y)].left);
    }
    const int jut = std::max(1, int(barJut * w + 0.5));
    const auto isBarRow = [&](int y) {
        return rows[size_t(y)].left >= 0 && rows[size_t(y)].left < barLeft + jut;
    };
    std::vector<std::pair<int, int>> bars; // [first, end) rows
    for (int y = 0; y < h; ++y) {
        if (!isBarRow(y))
            continue;
        const int first = y;
        while (y < h && isBarRow(y))
            ++y;
        bars.emplace_back(first, y);
    }
    // A bar's edge rows, which a stroke's slant or a blur sets a little right, run as far.
    for (auto &[first, end] : bars) {
        while (first > edge && rows[size_t(first - 1)].run >= barRun * w)
            --first;
        while (end < h - edge && rows[size_t(end)].run >= barRun * w)
            ++end;
    }
    if (bars.size() != 2 || bars[0].first < edge || bars[1].second > h - edge)
        return false;
    for (const auto &[first, end] : bars) {
        if (end - first > std::max(2.0, barThickness * h))
            return false;
        bool runs = false;
        for (int y = first; y < end; ++y)
            runs = runs || rows[size_t(y)].run >= barRun * w;
        if (!runs)
            return false;
    }
    // Between the bars only the bowl's stroke, right of their left ends and left of its open middle.
    for (int y = bars[0].second; y < bars[1].first; ++y) {
        const Row &row = rows[size_t(y)];
        if (row.left < 0 || row.right + 1 > bowlOpen * w)
            return false;
    }
    return bars[1].first > bars[0].second;
}

} // namespace SignShapes
