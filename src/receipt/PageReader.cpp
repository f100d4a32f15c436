#include "PageReader.h"

#include "LatinReader.h"
#include "ReceiptParser.h"
#include "RecognizedText.h"
#include "SignShapes.h"
#include "TextLines.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <numeric>
#include <optional>
#include <vector>

namespace PageReader {

namespace {

constexpr int height = TextRecognizer::inputHeight;
constexpr int stride = TextRecognizer::stride;
// Paper between pieces packed into one strip; whole steps, so no step reads two pieces.
constexpr int packGap = 3 * stride;
// The least gaps that make a blank, in heights of the piece's ink (about an em for Chinese text,
// less for Latin text without descenders), measured on generated receipts in many typefaces.
constexpr double chineseBlank = 0.25;
constexpr double mixedBlank = 0.2;
constexpr double latinBlank = 0.25;
// After a comma or colon before a number ("June 5, 2024"), after a sign or a bracket ("¥ 98",
// "< Back"), and after a full stop or hyphen before a letter ("purchase. Here", not "no-reply").
constexpr double listBlank = 0.15;
constexpr double signBlank = 0.35;
constexpr double joinerBlank = 0.4;
// A gap that makes a blank whether or not the recogniser saw one.
constexpr double wideBlank = 0.5;
// Between a digit and a letter, neither of them narrow, a gap that makes a blank the recogniser
// did not read: it leaves out the blank of a short piece ("2 TB").
constexpr double unseenBlank = 0.4;
// The most strips read of one page.
constexpr int maxStrips = 64;
// How much wider than the piece's usual gap between characters a blank is at least.
constexpr double standOut = 0.1;
// The odds of a blank against the character or nothing the recogniser read instead, over the
// steps between two characters, from which it saw one there even where it read none.
constexpr float blankSeenOdds = 0.01f;
// Between two Latin letters the recogniser's odds for a blank it did not read are lower than
// this where there is none: paper beside a narrow letter, a ligature's parts.
constexpr float letterBlankSeenOdds = 0.1f;
// The least gap between Chinese characters that makes a blank where the recogniser saw one.
constexpr double seenChineseBlank = 0.2;
// Between a Latin letter and a mark, a blank the recogniser did not read is at least this much
// wider than the usual gap between the piece's letters, and this many times as wide.
constexpr double markStandOut = 0.15;
constexpr double markGapTimes = 1.6;
// The least paper before a full-width opening bracket, in ems: its ink stands at the right of its
// em.
constexpr double fullWidthBearing = 0.5;
// The least paper on either side of a middle dot with blanks beside it, on average, in ems.
constexpr double dotBlank = 0.3;
// The least width of the one stroke of "一", in ems: a hyphen is a third of one.
constexpr double flatStrokeWidth = 0.6;
// How much more than an em apart the middles of two Chinese characters with a blank between them
// stand, in ems (a blank is a quarter to a half of an em in Chinese typefaces).
constexpr double chineseExtraAdvance = 0.2;

// Latin letters set in cells: the advances beside narrow letters are at least this share of the
// usual one, and a blank makes an advance at least this many cells long.
constexpr double cellLike = 0.95;
constexpr double cellBlank = 1.5;

// The ink of a piece fills this share of the recogniser's height, as in the crops it learnt on.
constexpr double inkShare = 0.65;
// The share of a stroke's shades at either end that is made paper or ink.
constexpr double edgeShare = 0.15;
// A piece whose least certain character is read with less confidence than this is read once more,
// its ink filling this share of the height; the second reading is kept where its least certain
// character is surer by this much.
constexpr float unsure = 0.5f;
constexpr double secondInkShare = 0.5;
constexpr float surerBy = 0.2f;

// The least share of the contrast between paper and the darkest shade of faint type (grey
// captions, dimmed labels, small type whose thin strokes never reach black) that counts as its ink:
// about the share the page's own threshold takes of black type's contrast.
constexpr double faintInkShare = 0.3;

// The shade below which the pixels of `r` count as ink: the page's own threshold, or, where the
// darkest shade of `r` is far from black, the same share of its own contrast. Faint type measured
// against the page's threshold would be boxed around its darkest pixels alone and cut apart at
// its lighter strokes.
int inkBelowIn(const QImage &image, const QRect &r) {
    const int darkest = TextLines::darkestIn(image, r);
    return std::max(TextLines::inkBelow, int(255 - (255 - darkest) * faintInkShare));
}

// The rows of `r` holding ink, as the tight band [top, bottom]; empty when there is none.
QRect tightBox(const QImage &image, const QRect &r, int inkBelow = TextLines::inkBelow) {
    int top = -1, bottom = -1, left = -1, right = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (row[x] < inkBelow) {
                if (top < 0)
                    top = y;
                bottom = y;
                left = left < 0 ? x : std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (top < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// `r` tightened to the ink of faint type (see inkBelowIn): its lighter rows above and below,
// which the lines were not measured to hold, are taken in too, up to a quarter of its height, and
// its lighter characters before and after, as far as they follow at the spacing of characters and
// lie within the columns of `within`.
QRect faintBox(const QImage &image, const QRect &r, const QRect &within) {
    const int inkBelow = inkBelowIn(image, r);
    QRect box = tightBox(image, r, inkBelow);
    if (box.isEmpty() || inkBelow <= TextLines::inkBelow)
        return box;
    const auto inked = [&](int y) {
        const uchar *row = image.constScanLine(y);
        return std::any_of(row + box.left(), row + box.right() + 1,
                           [inkBelow](uchar v) { return v < inkBelow; });
    };
    const int most = std::max(1, box.height() / 4);
    // Above, never into ink as dark as the page's threshold: the descenders of the line above,
    // which the lines were parted from.
    const auto lighterOnly = [&](int y) {
        const uchar *row = image.constScanLine(y);
        return inked(y) && std::none_of(row + box.left(), row + box.right() + 1,
                                        [](uchar v) { return v < TextLines::inkBelow; });
    };
    for (int n = 0; n < most && box.top() > 0 && lighterOnly(box.top() - 1); ++n)
        box.setTop(box.top() - 1);
    for (int n = 0; n < most && box.bottom() + 1 < image.height() && inked(box.bottom() + 1); ++n)
        box.setBottom(box.bottom() + 1);

    const auto columnInked = [&](int x) {
        for (int y = box.top(); y <= box.bottom(); ++y) {
            if (image.constScanLine(y)[x] < inkBelow)
                return true;
        }
        return false;
    };
    const int gap = std::max(1, box.height() / 3);
    const int reach = 2 * box.height();
    const QRect core = box;
    for (int x = core.left() - 1, blank = 0;
         x >= std::max(within.left(), core.left() - reach) && blank <= gap; --x) {
        blank = columnInked(x) ? 0 : blank + 1;
        if (blank == 0)
            box.setLeft(x);
    }
    for (int x = core.right() + 1, blank = 0;
         x <= std::min(within.right(), core.right() + reach) && blank <= gap; ++x) {
        blank = columnInked(x) ? 0 : blank + 1;
        if (blank == 0)
            box.setRight(x);
    }
    return box;
}

// `second` renders it for a second reading: smaller, with the soft edges of its strokes kept.
Piece scaled(const QImage &page, const QRect &box, int lineIndex, bool second = false) {
    const double share = second ? secondInkShare : inkShare;
    const double edge = second ? 0.0 : edgeShare;
    const double factor = height * share / box.height();
    const int width = std::max(1, int(std::lround(box.width() * factor)));
    const int inkHeight = std::max(1, int(std::lround(box.height() * factor)));
    const int inkBelow = inkBelowIn(page, box);
    QImage ink = page.copy(box).scaled(width, inkHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Grey text (captions, dimmed labels, the thin strokes of small type) in the contrast of the
    // black text the recogniser learnt on: its darkest shade made black, paper kept white. Small
    // type enlarged many times is blurred, its strokes fading into the paper over several pixels:
    // the faintest and the darkest shades of those edges are made paper and ink, so the strokes
    // stand as sharp as in the crops the recogniser learnt on, no bolder.
    // Each word in its own contrast: a grey word beside a black one (an old price struck out
    // beside the new one, a dimmed label beside its value) is read as well as the black one.
    // Words are the runs of columns with ink between gaps of a quarter of the ink's height.
    std::vector<int> columnDarkest(size_t(width), 255);
    for (int y = 0; y < inkHeight; ++y) {
        const uchar *row = ink.constScanLine(y);
        for (int x = 0; x < width; ++x)
            columnDarkest[size_t(x)] = std::min<int>(columnDarkest[size_t(x)], row[x]);
    }
    const int wordGap = std::max(2, inkHeight / 4);
    // How much lighter than the piece's darkest shade a grey word is at least.
    constexpr int greyerBy = 48;
    const int pieceDarkest = *std::min_element(columnDarkest.begin(), columnDarkest.end());
    for (int x = 0; x < width;) {
        int end = x;
        int darkest = 255;
        for (int paper = 0; end < width && paper < wordGap; ++end) {
            darkest = std::min(darkest, columnDarkest[size_t(end)]);
            paper = columnDarkest[size_t(end)] >= inkBelow ? paper + 1 : 0;
        }
        // Words about as dark as the piece, and faint specks and thin marks between words (a
        // dash, whose one stroke is paler than the strokes of letters), go as the piece's
        // darkest shade has them go.
        if (darkest >= inkBelow || darkest - pieceDarkest < greyerBy || end - x < 2 * inkHeight)
            darkest = pieceDarkest;
        if (darkest < inkBelow) {
            std::array<uchar, 256> level{};
            for (int v = 0; v < 256; ++v) {
                const double f =
                    std::clamp((double(255 - v) / (255 - darkest) - edge) / (1 - 2 * edge), 0.0, 1.0);
                level[size_t(v)] = uchar(std::lround(255 * (1 - f)));
            }
            for (int y = 0; y < inkHeight; ++y) {
                uchar *row = ink.scanLine(y);
                for (int c = x; c < end; ++c)
                    row[c] = level[row[c]];
            }
        }
        x = end;
    }
    const int margin = (height - inkHeight) / 2;
    // A little paper before and after, as around the words the recogniser learnt on.
    const int side = height / 8;
    Piece piece;
    piece.image = QImage(width + 2 * side, height, QImage::Format_Grayscale8);
    piece.image.fill(255);
    for (int y = 0; y < inkHeight && margin + y < height; ++y)
        std::copy_n(ink.constScanLine(y), width, piece.image.scanLine(margin + y) + side);
    piece.textHeight = inkHeight;
    piece.line = lineIndex;
    piece.source = box;
    return piece;
}

// Whether each column of `box` is blank: without ink, or in a leader, the row of dots or the rule
// that leads the eye from a label to its value far to the right. A leader is ink no higher than
// a fifth of the line, at one height, over at least three line heights; no character is that long
// and flat (two "一" side by side are not three).
std::vector<bool> blankColumns(const QImage &page, const QRect &box, int inkBelow) {
    const int width = box.width();
    std::vector<int> top(size_t(width), -1), bottom(size_t(width), -1);
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const uchar *row = page.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (row[box.left() + x] < inkBelow) {
                if (top[size_t(x)] < 0)
                    top[size_t(x)] = y;
                bottom[size_t(x)] = y;
            }
        }
    }
    std::vector<bool> blank(size_t(width), false);
    for (int x = 0; x < width; ++x)
        blank[size_t(x)] = top[size_t(x)] < 0;
    const int flat = std::max(2, box.height() / 5);
    const auto isFlat = [&](int x) {
        return top[size_t(x)] >= 0 && bottom[size_t(x)] - top[size_t(x)] < flat;
    };
    for (int x = 0; x < width;) {
        if (!isFlat(x)) {
            ++x;
            continue;
        }
        int high = top[size_t(x)], low = bottom[size_t(x)], last = x;
        for (int k = x + 1; k < width; ++k) {
            if (blank[size_t(k)])
                continue;
            if (!isFlat(k) || std::max(low, bottom[size_t(k)]) - std::min(high, top[size_t(k)]) >= flat)
                break;
            high = std::min(high, top[size_t(k)]);
            low = std::max(low, bottom[size_t(k)]);
            last = k;
        }
        if (last - x + 1 >= 3 * box.height())
            std::fill(blank.begin() + x, blank.begin() + last + 1, true);
        x = last + 1;
    }
    return blank;
}

// Where a piece holds type of two sizes side by side (a price in large type and its cycle in small
// type after it, "$9.99/mo"; a small sign before a large amount): the column at which the smaller
// type starts or ends. The characters are the runs of columns with ink. The smaller side's ink,
// from its highest to its lowest character, spans at most `smallerBy` of the larger side's, and
// of the larger side's usual character (from the middle of its characters' tops to the middle of
// their bottoms): so a word of small letters is not taken for smaller type beside capitals and
// tall letters of the same type ("Pay now", "settings."). A side of one character (a full stop,
// a footnote mark) or far smaller (a row of dots) is no type of its own. Returns the first and
// the last blank column between the two sides.
std::optional<std::pair<int, int>> sizeChange(const QImage &page, const QRect &box,
                                              const std::vector<bool> &blankAt, int inkBelow) {
    struct Atom {
        int left, right, top, bottom;
    };
    std::vector<Atom> atoms;
    for (int x = 0; x < box.width();) {
        if (blankAt[size_t(x)]) {
            ++x;
            continue;
        }
        Atom atom{x, x, INT_MAX, INT_MIN};
        for (; x < box.width() && !blankAt[size_t(x)]; ++x) {
            atom.right = x;
            for (int y = box.top(); y <= box.bottom(); ++y) {
                if (page.constScanLine(y)[box.left() + x] < inkBelow) {
                    atom.top = std::min(atom.top, y);
                    atom.bottom = std::max(atom.bottom, y);
                }
            }
        }
        if (atom.top <= atom.bottom)
            atoms.push_back(atom);
    }
    const auto n = qsizetype(atoms.size());
    if (n < 3)
        return std::nullopt;
    // Ink span, and the middle height: the median top to the median bottom of its characters.
    const auto measure = [&atoms](qsizetype from, qsizetype to) {
        std::vector<int> tops, bottoms;
        int top = INT_MAX, bottom = INT_MIN;
        for (qsizetype i = from; i < to; ++i) {
            tops.push_back(atoms[size_t(i)].top);
            bottoms.push_back(atoms[size_t(i)].bottom);
            top = std::min(top, atoms[size_t(i)].top);
            bottom = std::max(bottom, atoms[size_t(i)].bottom);
        }
        const auto middle = [](std::vector<int> &v) {
            std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
            return v[v.size() / 2];
        };
        const int high = middle(bottoms) - middle(tops) + 1;
        return std::array<int, 3>{top, bottom, high};
    };
    // Small letters are two thirds as high as capitals and digits of the same type or more: the
    // smaller type's usual character is less than half the larger's, so a word of small letters
    // after capitals ("CHF /year") is not cut at its first small letter.
    constexpr double smallerBy = 0.6;
    constexpr double usuallySmallerBy = 0.45;
    constexpr double leastShare = 0.25;
    constexpr int leastSpan = 6;
    // The longest run of small type at either end; a large side of at least one character and a
    // small one of at least two, and of no more than a few words (a cycle, an old price struck
    // out), which also bounds the work on a page of noise.
    constexpr qsizetype mostSmall = 24;
    for (qsizetype length = std::min(n - 1, mostSmall); length >= 2; --length) {
        for (const bool atEnd : {true, false}) {
            const qsizetype split = atEnd ? n - length : length;
            const auto large = atEnd ? measure(0, split) : measure(split, n);
            const auto small = atEnd ? measure(split, n) : measure(0, split);
            const int largeSpan = large[1] - large[0] + 1;
            const int smallSpan = small[1] - small[0] + 1;
            if (smallSpan > largeSpan * smallerBy ||
                smallSpan < std::max<double>(leastSpan, largeSpan * leastShare) ||
                small[2] > large[2] * usuallySmallerBy || small[0] < large[0] ||
                small[1] > large[1] + smallSpan / 3)
                continue;
            // Written characters: at least two of half its height or more, wider together than
            // high (not specks of a faint stroke, nor the parts of one character).
            const Atom &first = atoms[size_t(atEnd ? split : 0)];
            const Atom &last = atoms[size_t(atEnd ? n - 1 : split - 1)];
            int characters = 0;
            for (qsizetype i = atEnd ? split : 0; i < (atEnd ? n : split); ++i)
                characters += (atoms[size_t(i)].bottom - atoms[size_t(i)].top + 1) * 2 >= smallSpan;
            if (characters < 2 || last.right - first.left + 1 < smallSpan)
                continue;
            const Atom &before = atoms[size_t(split - 1)];
            const Atom &after = atoms[size_t(split)];
            return std::make_pair(box.left() + before.right + 1, box.left() + after.left - 1);
        }
    }
    return std::nullopt;
}

// The columns of `within` on either side of the middle of the gap from `gapLeft` to `gapRight`,
// over the rows of `box`: how far each part of a cut may take in lighter characters beside it.
std::pair<QRect, QRect> sidesOfGap(const QRect &within, const QRect &box, int gapLeft, int gapRight) {
    const int middle = (gapLeft + gapRight) / 2;
    return {QRect(QPoint(within.left(), box.top()), QPoint(middle, box.bottom())),
            QRect(QPoint(middle + 1, box.top()), QPoint(within.right(), box.bottom()))};
}

// Cuts `box` (tight) at blank runs of at least `wide` columns, then any piece still too wide for
// a strip at its widest blank. The parts may take in lighter characters beside them within the
// columns of `within`.
void cutBox(const QImage &page, const QRect &box, const QRect &within, const QRect &line, int lineIndex,
            QList<Piece> &pieces, int depth) {
    const int wide = std::max(4, line.height());
    const int inkBelow = inkBelowIn(page, box);
    const std::vector<bool> blankAt = blankColumns(page, box, inkBelow);
    std::vector<std::pair<int, int>> runs;
    int start = -1;
    for (int x = box.left(); x <= box.right() + 1; ++x) {
        const bool blank = x <= box.right() && blankAt[size_t(x - box.left())];
        if (blank && start < 0)
            start = x;
        if (!blank && start >= 0) {
            runs.emplace_back(start, x);
            start = -1;
        }
    }
    const double factor = height * inkShare / std::max(1, box.height());
    const bool tooWide = (box.width() * factor + height / 4.0) > TextRecognizer::inputWidth;
    std::pair<int, int> at{-1, -1};
    for (const auto &run : runs) {
        if (run.second - run.first >= wide) {
            at = run;
            break;
        }
    }
    if (at.first < 0 && tooWide && depth < 16 && !runs.empty())
        at = *std::max_element(runs.begin(), runs.end(), [](const auto &a, const auto &b) {
            return a.second - a.first < b.second - b.first;
        });
    if (at.first < 0 && depth < 16) {
        // Type of two sizes: each scaled to its own height and read together, side by side as
        // they stand, so that the smaller is read with the larger beside it ("/quarter" after a
        // price: a slash alone at the start of a piece is easily taken for a speck).
        if (const auto change = sizeChange(page, box, blankAt, inkBelow)) {
            const int gap = change->second - change->first + 1;
            // Each side may take in lighter characters up to the middle of the gap between them.
            const auto [leftWithin, rightWithin] = sidesOfGap(within, box, change->first, change->second);
            const QRect left =
                faintBox(page, QRect(QPoint(box.left(), box.top()), QPoint(change->first - 1, box.bottom())),
                         leftWithin);
            const QRect right =
                faintBox(page, QRect(QPoint(change->second + 1, box.top()), box.bottomRight()), rightWithin);
            QList<Piece> parts;
            if (!left.isEmpty())
                cutBox(page, left, leftWithin, left, lineIndex, parts, depth + 1);
            const qsizetype firstRight = parts.size();
            if (!right.isEmpty())
                cutBox(page, right, rightWithin, right, lineIndex, parts, depth + 1);
            if (firstRight == 1 && parts.size() == 2) {
                const Piece &a = parts[0];
                const Piece &b = parts[1];
                // The gap as the smaller type spaces its own characters.
                const double smallFactor = double(std::max(a.textHeight, b.textHeight)) /
                                           std::min(a.source.height(), b.source.height());
                const int side = height / 8;
                const int paper = int(std::lround(gap * smallFactor));
                Piece joined;
                joined.image = QImage(a.image.width() + paper + b.image.width() - 2 * side, height,
                                      QImage::Format_Grayscale8);
                joined.image.fill(255);
                for (int y = 0; y < height; ++y) {
                    std::copy_n(a.image.constScanLine(y), a.image.width() - side, joined.image.scanLine(y));
                    std::copy_n(b.image.constScanLine(y) + side, b.image.width() - side,
                                joined.image.scanLine(y) + a.image.width() - side + paper);
                }
                joined.textHeight = std::max(a.textHeight, b.textHeight);
                joined.line = lineIndex;
                joined.source = a.source | b.source;
                if (joined.image.width() <= TextRecognizer::inputWidth) {
                    pieces.append(joined);
                    return;
                }
            }
            if (firstRight > 0 && firstRight < parts.size())
                parts[firstRight].closeToPrevious = gap * 10 < std::min(left.height(), right.height()) * 3;
            pieces += parts;
            return;
        }
    }
    if (at.first < 0 || depth >= 16) {
        if (!tooWide) {
            // A mark far lower than its line (a middle dot, a hyphen or a full stop set apart) is
            // scaled as the line is, at its height in it: enlarged to the recogniser's height on
            // its own, it would be a blot.
            const bool low = box.height() * 5 < line.height() * 2;
            pieces.append(scaled(page, low ? QRect(box.left(), line.top(), box.width(), line.height()) : box,
                                 lineIndex));
            return;
        }
        // No blank to cut at: halve it.
        at = {box.left() + box.width() / 2, box.left() + box.width() / 2};
    }
    // Each part may take in lighter characters up to the middle of the cut, never beyond it.
    const auto sides = sidesOfGap(within, box, at.first, at.second);
    const bool squeezed = at.second - at.first < wide;
    const qsizetype before = pieces.size();
    for (const bool first : {true, false}) {
        const QRect part = first ? QRect(QPoint(box.left(), box.top()), QPoint(at.first - 1, box.bottom()))
                                 : QRect(QPoint(at.second, box.top()), QPoint(box.right(), box.bottom()));
        if (part.width() <= 0)
            continue;
        const QRect &partWithin = first ? sides.first : sides.second;
        const QRect tight = faintBox(page, part, partWithin);
        const qsizetype firstOfPart = pieces.size();
        if (!tight.isEmpty())
            cutBox(page, tight, partWithin, line, lineIndex, pieces, depth + 1);
        if (!first && squeezed && firstOfPart > before && firstOfPart < pieces.size())
            pieces[firstOfPart].squeezedGap = double(at.second - at.first) / std::max(1, box.height());
    }
}

// The box of the core ink (halfway from the darkest shade to paper) in the columns [left, right)
// of a piece.
QRect inkBox(const QImage &piece, std::pair<int, int> columns) {
    const int below = (TextLines::darkestIn(piece, piece.rect()) + 255) / 2;
    QRect box;
    for (int y = 0; y < piece.height(); ++y) {
        const uchar *row = piece.constScanLine(y);
        for (int x = std::max(0, columns.first); x < std::min(piece.width(), columns.second); ++x) {
            if (row[x] < below)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// Whether the ink in `glyph` of `piece` is the euro sign (SignShapes::isEuro), told on the piece or,
// where given, on `page`, from which the piece was cut at `source` with its ink `textHeight` high:
// where the page holds the sign in more pixels than the piece (a capture at twice or three times
// the size, large type), a small sign's bars, blurred into one when it is scaled to the piece,
// stand apart there.
bool isEuroByInk(const QImage &piece, const QRect &glyph, const QImage *page, const QRect &source,
                 int textHeight) {
    if (glyph.isEmpty())
        return false;
    if (SignShapes::isEuro(piece, glyph))
        return true;
    if (!page || source.height() <= textHeight || !page->rect().contains(source))
        return false;
    const double factor = double(textHeight) / source.height();
    const int side = height / 8;
    const int left = std::max(0, int(std::floor((glyph.left() - side) / factor)));
    const int right = std::min(source.width(), int(std::ceil((glyph.right() + 1 - side) / factor)));
    if (right <= left)
        return false;
    const QImage ink = page->copy(source);
    return SignShapes::isEuro(ink, inkBox(ink, {left, right}));
}

// The Latin marks that Chinese typefaces draw like their full-width ones, in full-width form.
constexpr QStringView fullWidthLatinMarks = u"，．：；";

// The Latin form of a full-width mark.
QChar halfWidth(QChar mark) {
    return QChar(mark.unicode() - 0xFF00 + 0x20);
}

bool isChinese(QChar c) {
    const char16_t u = c.unicode();
    return c.script() == QChar::Script_Han || (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
}

bool isChinesePunctuation(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Characters of one narrow stroke, which stand in wide paper and look alike ("1", "l", "I").
bool isNarrowStroke(QChar c) {
    return QStringView(u"1lIij|!").contains(c);
}

bool isLatinLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isSeparator(QChar c) {
    return QStringView(u".,:/-").contains(c);
}

// Below this the recogniser's reading of a character is a stray one.
constexpr float minConfidence = 0.3f;
// The most letters the Latin model's reading may add where the recogniser was unsure.
constexpr qsizetype maxLettersAdded = 3;
// A Latin letter read with less confidence than this may be another letter: small Latin type in
// Chinese typefaces ("Nor" for "Nov", "Payent" for "Payment"), which the Latin model reads better.
constexpr float unsureLetter = 0.8f;

// Whether a blank goes between characters `a` and `b` read `gap` apart (in text heights), where
// `modelBlank` tells whether the recogniser read one, `blankSeen` whether it read one or gave one
// fair odds, and `letterGap` is the piece's usual gap between Latin letters. Chinese is written
// without blanks, so next to Chinese characters only a gap as wide as a blank makes one; full-width
// punctuation carries its own spacing; dates, counts and amounts hold none ("2025年3月7日", "3个月",
// "68元", "12.04", "2025-03-07").
bool isBlankBetween(QChar a, QChar b, double gap, double letterGap, bool modelBlank, bool blankSeen) {
    if (isChinesePunctuation(a) || isChinesePunctuation(b))
        return false;
    if ((isDigit(a) && QStringView(u"年月日时分秒个元周季天号").contains(b)) ||
        (QStringView(u"年月").contains(a) && isDigit(b)))
        return false;
    // Between digits and between Latin letters the gap alone does not tell a blank: a narrow digit
    // ("1") or letter ("I", "l") stands in wide paper, more so in the loosely set Latin of Chinese
    // typefaces, and letters whose ink reaches the side of their box ("T", "V") leave little paper
    // beside a blank, more so in small type, whose blurred edges narrow every gap. The recogniser
    // sees the blank, though, even where it reads none: without its sign there is none.
    if (isDigit(a) && isDigit(b))
        return blankSeen && gap >= latinBlank;
    // Latin punctuation: closing marks follow a word, opening ones and "@" lead one.
    if (QStringView(u".,:;!?)]}%@").contains(b) || QStringView(u"([{@").contains(a))
        return false;
    if (isSeparator(a) && isSeparator(b))
        return false;
    if ((QStringView(u".-/").contains(a) && isDigit(b)) || (isDigit(a) && isSeparator(b)))
        return false;
    // A colon stands in wide paper in Chinese typefaces, and between the digits of a time
    // ("20:45") it has no blank after it: only where the recogniser saw one.
    if ((a == u',' || a == u':') && isDigit(b))
        return gap >= listBlank && (a == u',' || blankSeen);
    if (QStringView(u"<#$¥€£").contains(a))
        return gap >= signBlank;
    // A sentence after a full stop starts with a capital; a small letter after one continues an
    // address ("icloud.com"), whose full stop small type and loosely set Latin leave in wide paper.
    if (a == u'.' && b.isLower())
        return modelBlank && gap >= wideBlank;
    if ((a == u'.' || a == u'-') && b.isLetter())
        return gap >= joinerBlank || (modelBlank && gap >= latinBlank);
    if (isChinese(a) && isChinese(b))
        return gap >= chineseBlank;
    if (isChinese(a) || isChinese(b))
        return gap >= mixedBlank;
    // The recogniser's own blanks are good between Latin letters and digits.
    if (modelBlank)
        return gap >= std::max(latinBlank / 2, letterGap + standOut);
    // Beside a digit, where "1" (or an "l" read as one) stands in wide paper, the recogniser's sign
    // tells a blank too, unless the gap is wide beyond doubt, or wide between broad characters.
    if (isDigit(a) || isDigit(b)) {
        const bool broad =
            a.isLetterOrNumber() && b.isLetterOrNumber() && !isNarrowStroke(a) && !isNarrowStroke(b);
        return gap >= std::max(latinBlank, letterGap + standOut) &&
               (blankSeen || gap >= wideBlank || (broad && gap >= unseenBlank));
    }
    // A narrow small letter ("l", "i") stands in paper of its own width or more in loosely set
    // Latin ("Copil ot"): after one, only a wide gap shows a blank the recogniser did not read.
    if (a.isLetter() && b.isLetter())
        return blankSeen && gap >= std::max(latinBlank, letterGap + standOut) &&
               (!QStringView(u"lij").contains(a) || gap >= wideBlank);
    // A plus sign after a word is a part of its name ("Disney+", "Apple TV+"), but it stands in
    // paper of its own, as wide as a blank beside the loosely set Latin of Chinese typefaces:
    // where the recogniser saw no blank, only a gap wide beyond doubt is one.
    if (b == u'+' && a.isLetterOrNumber() && !blankSeen && gap < wideBlank)
        return false;
    // Beside a mark, a gap that stands well out against the usual gap between letters.
    return gap >= std::max(latinBlank, letterGap + markStandOut) && gap >= letterGap * markGapTimes;
}

// The letters that look alike in Latin text, each as one of its kind, without case and blanks:
// two readings of a Latin line that agree on this spell the same text.
QString lookAlikeForm(const QString &text) {
    // Typefaces join "f" with a following f, i or l into one ligature, which the recogniser may
    // read as one letter ("Netfix").
    static const QRegularExpression ligature(QStringLiteral("f[fil]+"));
    QString folded = text;
    folded.replace(ligature, QStringLiteral("f"));
    QString form;
    for (QChar c : std::as_const(folded)) {
        if (c.isSpace())
            continue;
        c = c.toLower();
        if (QStringView(u"1il|!I").contains(c))
            c = u'l';
        else if (c == u'0')
            c = u'o';
        else if (c == u'5' || c == u'$')
            c = u's';
        else if (c == u'£')
            c = u'f';
        form += c;
    }
    return form;
}

// The median of `values`, or `otherwise` when there are fewer than `least` of them.
double median(std::vector<double> values, size_t least, double otherwise) {
    if (values.size() < least || values.empty())
        return otherwise;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Where the recogniser is torn between the small and the capital form of a letter, it reads the
// other form with at least these odds.
constexpr float tornCase = 0.1f;

// The parts of the ink of each character of a piece (runs of touching ink, down to its lighter
// shades, which the thin round strokes of small type keep at their ends), each given to the
// character whose columns hold its middle: a capital's arm reaching over the letter after it
// ("Yo", "Te") stays the capital's, and the dot of an "i" is a part of its own. `spans` are the
// columns of each character's ink.
std::vector<QList<QRect>> inkParts(const QImage &piece, const std::vector<std::pair<int, int>> &spans) {
    const int darkest = TextLines::darkestIn(piece, piece.rect());
    const int below = darkest + (255 - darkest) * 3 / 4;
    const int w = piece.width();
    const int h = piece.height();
    std::vector<bool> seen(size_t(w) * size_t(h), false);
    const auto isInk = [&](int x, int y) { return piece.constScanLine(y)[x] < below; };
    std::vector<QList<QRect>> parts(spans.size());
    std::vector<std::pair<int, int>> stack;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (seen[size_t(y0) * size_t(w) + size_t(x0)] || !isInk(x0, y0))
                continue;
            QRect part;
            stack.assign(1, {x0, y0});
            seen[size_t(y0) * size_t(w) + size_t(x0)] = true;
            while (!stack.empty()) {
                const auto [x, y] = stack.back();
                stack.pop_back();
                part |= QRect(x, y, 1, 1);
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h ||
                            seen[size_t(ny) * size_t(w) + size_t(nx)] || !isInk(nx, ny))
                            continue;
                        seen[size_t(ny) * size_t(w) + size_t(nx)] = true;
                        stack.push_back({nx, ny});
                    }
                }
            }
            const int middle = part.center().x();
            for (size_t i = 0; i < spans.size(); ++i) {
                if (middle >= spans[i].first && middle < spans[i].second) {
                    parts[i].append(part);
                    break;
                }
            }
        }
    }
    return parts;
}

// The case of Latin letters told by their ink where the recogniser is torn between their small
// and capital forms, as it is where no word around tells it ("黑胶VIP" read as "黑胶vip"): "i" and
// "j" by their dot, "p" and "y" by whether they reach below the baseline, and letters whose two forms have
// one shape ("c o s u v w x z") by their height against the piece's other letters and digits: a capital
// reaches the height of capitals, digits and tall letters, a small one that of the small letters. Where a
// letter of a word is told by its mark, the letters of one shape in that word are told by their height too,
// the recogniser being as unsure of them. `spans` are the columns of each character's ink in `piece`.
void tellCaseByInk(QString &chars, const QList<std::pair<const TextRecognizer::Glyph *, bool>> &kept,
                   const std::vector<std::pair<int, int>> &spans, const QImage &piece) {
    static constexpr QStringView sameShape = u"cosuvwxz";
    static constexpr QStringView marked = u"ijpy";
    const size_t count = size_t(chars.size());
    std::vector<bool> torn(count, false);
    bool anyTorn = false;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const QChar c = chars[i];
        const TextRecognizer::Glyph &glyph = *kept[i].first;
        torn[size_t(i)] = isLatinLetter(c) && glyph.alternative != c &&
                          glyph.alternative.toLower() == c.toLower() &&
                          glyph.alternativeConfidence >= tornCase &&
                          (sameShape.contains(c.toLower()) || marked.contains(c.toLower()));
        anyTorn |= torn[size_t(i)];
    }
    if (!anyTorn)
        return;
    // The heights of capitals and of small letters, and the baseline, from the characters whose
    // form tells them.
    const std::vector<QList<QRect>> parts = inkParts(piece, spans);
    std::vector<QRect> boxes(count);
    std::vector<double> capitalTops;
    std::vector<double> smallTops;
    std::vector<double> bottoms;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const QChar c = chars[i];
        if (!isLatinLetter(c) && !isDigit(c))
            continue;
        QRect box;
        for (const QRect &part : parts[size_t(i)])
            box |= part;
        boxes[size_t(i)] = box;
        if (box.isEmpty())
            continue;
        if (!QStringView(u"gjpqyJPQY").contains(c))
            bottoms.push_back(box.bottom() + 1);
        if (torn[size_t(i)])
            continue;
        if (isDigit(c) || QStringView(u"ABDEFGHKLMNRTbdfhkl").contains(c))
            capitalTops.push_back(box.top());
        else if (QStringView(u"aegmnqr").contains(c))
            smallTops.push_back(box.top());
    }
    const double baseline = median(bottoms, 1, -1);
    if (baseline < 0)
        return;
    // First the letters with a mark of their own.
    std::vector<bool> changed(count, false);
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const QRect &box = boxes[size_t(i)];
        const QChar lower = chars[i].toLower();
        if (!torn[size_t(i)] || box.isEmpty() || !marked.contains(lower))
            continue;
        bool capital = false;
        if (lower == u'i' || lower == u'j') {
            // A part wholly above another is the dot.
            const QList<QRect> &own = parts[size_t(i)];
            capital = std::none_of(own.begin(), own.end(), [&own](const QRect &dot) {
                return std::any_of(own.begin(), own.end(),
                                   [&dot](const QRect &stem) { return dot.bottom() < stem.top(); });
            });
        } else {
            const double capitalTop = median(capitalTops, 1, -1);
            const double tall =
                capitalTop >= 0 && baseline > capitalTop ? baseline - capitalTop : box.height();
            capital = box.bottom() + 1 - baseline < 0.1 * tall;
        }
        const QChar told = capital ? chars[i].toUpper() : lower;
        changed[size_t(i)] = told != chars[i];
        chars[i] = told;
        if (capital)
            capitalTops.push_back(box.top());
    }
    const double capitalTop = median(capitalTops, 1, -1);
    const double smallTop = median(smallTops, 1, -1);
    for (qsizetype start = 0; start < chars.size();) {
        qsizetype end = start;
        while (end < chars.size() && isLatinLetter(chars[end]))
            ++end;
        const bool wordChanged =
            std::any_of(changed.begin() + start, changed.begin() + end, [](bool c) { return c; });
        for (qsizetype i = start; i < end; ++i) {
            const QRect &box = boxes[size_t(i)];
            const QChar lower = chars[i].toLower();
            if (box.isEmpty() || !sameShape.contains(lower) || !(torn[size_t(i)] || wordChanged))
                continue;
            // A letter of one shape stands on the baseline, at least as high as a small letter:
            // ink that does not was not told apart from its neighbours.
            const double tall = capitalTop >= 0 ? baseline - capitalTop : baseline - smallTop;
            if (std::abs(box.bottom() + 1 - baseline) > 0.15 * tall || box.height() < 0.5 * tall)
                continue;
            const double top = box.top();
            std::optional<bool> capital;
            if (capitalTop >= 0 && smallTop >= 0) {
                if (smallTop - capitalTop >= 2)
                    capital = top - capitalTop < smallTop - top;
            } else if (capitalTop >= 0 && baseline > capitalTop) {
                // Small letters stand at most about three quarters of a capital's height.
                const double below = (top - capitalTop) / (baseline - capitalTop);
                if (below <= 0.1)
                    capital = true;
                else if (below >= 0.2)
                    capital = false;
            } else if (smallTop >= 0 && baseline > smallTop) {
                const double above = (smallTop - top) / (baseline - smallTop);
                if (above >= 0.25)
                    capital = true;
                else if (above <= 0.1)
                    capital = false;
            }
            if (capital)
                chars[i] = *capital ? chars[i].toUpper() : lower;
        }
        start = std::max(end, start + 1);
    }
}

QString digitsOf(const QString &number) {
    QString digits;
    for (QChar c : number) {
        if (isDigit(c))
            digits += c;
    }
    return digits;
}

// Whether `a` and `b` differ in at most one letter left out, added or changed.
bool nearlySame(QStringView a, QStringView b) {
    if (a.size() < b.size())
        std::swap(a, b);
    if (a.size() - b.size() > 1)
        return false;
    qsizetype i = 0;
    while (i < b.size() && a[i] == b[i])
        ++i;
    return a.size() == b.size() ? a.mid(i + 1) == b.mid(i + 1) : a.mid(i + 1) == b.mid(i);
}

// The codes of the currencies receipts are written in.
const QString &currencyCodes() {
    static const QString codes = QStringLiteral("CNY|RMB|USD|HKD|EUR|GBP|JPY|TWD|SGD|AUD|CAD");
    return codes;
}

// `text` with the currency codes that `latinReading` shows before its amounts where `text` shows
// a word of capitals one letter off ("RMIB 97.90", "USO 9.99").
QString restoreCodes(const QString &text, const QString &latinReading) {
    static const QRegularExpression latinCode(
        QStringLiteral("(?<![A-Za-z])(%1) ?([0-9][0-9.,]*)").arg(currencyCodes()));
    // Prices only (with decimals): a word before a count or a card's digits stays as read.
    static const QRegularExpression wordBefore(
        QStringLiteral("(?<![A-Za-z])([A-Z][A-Za-z]{1,4}) ?([0-9][0-9,]*[.,][0-9]{2})(?![0-9])"));
    QString result = text;
    QList<QRegularExpressionMatch> found;
    for (auto it = wordBefore.globalMatch(text); it.hasNext();)
        found.prepend(it.next());
    for (const QRegularExpressionMatch &match : found) {
        const QString word = match.captured(1);
        static const QRegularExpression isCode(QStringLiteral("^(?:%1)$").arg(currencyCodes()));
        if (isCode.match(word).hasMatch())
            continue;
        for (auto it = latinCode.globalMatch(latinReading); it.hasNext();) {
            const auto latin = it.next();
            if (digitsOf(latin.captured(2)) != digitsOf(match.captured(2)) ||
                !nearlySame(word.toUpper(), latin.captured(1)))
                continue;
            result.replace(match.capturedStart(1), word.size(), latin.captured(1));
            break;
        }
    }
    return result;
}

// `text` with the signs that `latinReading` shows after its numbers ("12,99 €", "1 299,00 €") where
// `text` holds the same number without a sign after it: the sign is set after the number, in place
// of one stray character the recogniser read there ("38,90 C Paid", "12,00 E/month").
QString restoreSignsAfter(const QString &text, const QString &latinReading) {
    static const QRegularExpression latinAfter(
        QStringLiteral("(?<![0-9.,])([0-9]{1,3}(?: [0-9]{3})+,[0-9]{2}|[0-9][0-9.,]*[0-9]) ?([€£])"));
    QString result = text;
    for (auto it = latinAfter.globalMatch(latinReading); it.hasNext();) {
        const auto latin = it.next();
        const QString number = latin.captured(1);
        const QRegularExpression here(
            QStringLiteral("(?<![0-9.,])%1(?![0-9.,]*[0-9])").arg(QRegularExpression::escape(number)));
        const QRegularExpressionMatch match = here.match(result);
        if (!match.hasMatch())
            continue;
        const qsizetype end = match.capturedEnd();
        static const QRegularExpression strayAfter(QStringLiteral(" ?([^\\s0-9])(?=\\s|$|/)"));
        const QRegularExpressionMatch stray = strayAfter.match(result, end, QRegularExpression::NormalMatch,
                                                               QRegularExpression::AnchorAtOffsetMatchOption);
        // A character the Latin model reads too, after the sign, is no stray one; nor is the slash
        // before a billing period, which it may leave out beside the sign ("119,99 €/ yr").
        const QString latinRest = latinReading.mid(latin.capturedEnd()).trimmed();
        if (stray.hasMatch() && !latinRest.startsWith(stray.captured(1)) && stray.captured(1) != u"/") {
            const QChar c = stray.captured(1).front();
            if (c == latin.captured(2).front() || !(c.isLetter() || c.isSymbol()))
                continue;
            result.replace(stray.capturedStart(1), 1, latin.captured(2));
            if (stray.capturedLength(0) == 1)
                result.insert(stray.capturedStart(1), u' ');
        } else {
            result.insert(end, u' ' + latin.captured(2));
        }
    }
    return result;
}

// `text` with the sign that `latinReading` shows before a price in the same place: where the two
// readings hold as many words, alike but for that one, and the recogniser read the price with its
// decimals but no sign or code (or the sign as a letter) while the Latin model read a sign it lacks
// and either as many digits but no separator, or the same decimals after whole units with a digit
// more or less: a line struck through a price, or large type, garbles its digits for the Latin
// model ("21.98 Save £10.99" and "£9498 save £10.99"). A Latin number that reads as another
// price of as many digits is another price, not this one garbled.
QString restoreSignsInPlace(const QString &text, const QString &latinReading) {
    // The sign may have been read as a letter ("E3.99").
    static const QRegularExpression bare(QStringLiteral("^([A-Za-z]?)([0-9]{1,6})[.,]([0-9]{2})$"));
    static const QRegularExpression latinPrice(QStringLiteral("^([€£])([0-9]+)$"));
    // Or the Latin model read the sign and the decimals but a digit more or less in the whole units
    // ("€4388.49" for "€438.49").
    static const QRegularExpression latinWithDecimals(QStringLiteral("^([€£])([0-9]{1,7})[.,]([0-9]{2})$"));
    static const QRegularExpression code(QStringLiteral("^(?:%1)$").arg(currencyCodes()));
    const QStringList ours = text.split(u' ', Qt::SkipEmptyParts);
    const QStringList theirs = latinReading.split(u' ', Qt::SkipEmptyParts);
    if (ours.size() != theirs.size() || ours.size() < 2)
        return text;
    qsizetype at = -1;
    QString sign;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        if (lookAlikeForm(ours[i]) == lookAlikeForm(theirs[i]))
            continue;
        const QRegularExpressionMatch number = bare.match(ours[i]);
        const QRegularExpressionMatch latin = latinPrice.match(theirs[i]);
        const QRegularExpressionMatch latinDecimals = latinWithDecimals.match(theirs[i]);
        const bool garbled = latin.hasMatch() && latin.captured(2).size() == digitsOf(ours[i]).size();
        const bool digitMoreOrLess = latinDecimals.hasMatch() && number.hasMatch() &&
                                     latinDecimals.captured(3) == number.captured(3) &&
                                     latinDecimals.captured(2).size() != number.captured(2).size() &&
                                     nearlySame(latinDecimals.captured(2), number.captured(2));
        if (at >= 0 || !number.hasMatch() || !(garbled || digitMoreOrLess) ||
            (i > 0 && code.match(ours[i - 1]).hasMatch()))
            return text;
        at = i;
        sign = (garbled ? latin : latinDecimals).captured(1);
    }
    if (at < 0)
        return text;
    QStringList result = ours;
    // A letter before the number is the sign read as one.
    if (result[at].front().isLetter())
        result[at].remove(0, 1);
    result[at].prepend(sign);
    return result.join(u' ');
}

// Digits and the letters and marks they are read as, each as one of its kind, without separators.
QString digitForm(QStringView text) {
    QString form;
    for (QChar c : text) {
        if (QStringView(u"1lI|").contains(c))
            form += u'l';
        else if (QStringView(u"0Oo").contains(c))
            form += u'o';
        else if (c != u'.' && c != u',')
            form += c;
    }
    return form;
}

// `text` with the prices that `latinReading` shows where `text` holds the same price with its
// digits 1 and 0 read as the letters they look like, and its sign left out or read as a letter or
// two ("ll.99" for "£11.99", "fl0.99" for "€10.99"), after the letters of its code where the Latin
// model reads one ("CNYll0.00" for "CN¥110.00"); whole units too, their sign read as a letter
// ("Yl08" for "¥108").
QString restoreLetteredPrices(const QString &text, const QString &latinReading) {
    static const QRegularExpression latinPrice(
        QStringLiteral("(?<![0-9A-Za-z])([A-Z]{0,3})[€£$¥] ?([0-9]{1,3}(?:[.,][0-9]{3})+(?:[.,][0-9]{2})?|"
                       "[0-9]{1,6}(?:[.,][0-9]{2})?)(?![0-9.,]*[0-9])"));
    // Letters, then a number, its thousands perhaps grouped, with a 1 or a 0 of it read as a letter
    // and at least one digit read as one.
    static const QRegularExpression wholeWithLetters(
        QStringLiteral("(?<![0-9A-Za-z.,])[A-Za-z]{1,5}(?=[0-9lI|Oo,]*[lI|Oo])(?=[0-9lI|Oo,]*[0-9])"
                       "[0-9lI|Oo]+(?:,[0-9lI|Oo]{3})*(?:[.,][0-9]{2})?(?![0-9A-Za-z])"));
    static const QRegularExpression separator(QStringLiteral("[.,][0-9Oo]{2}$"));
    QString result = text;
    QList<QRegularExpressionMatch> found;
    for (const QRegularExpression *price : {&priceWithLetters(), &wholeWithLetters}) {
        for (auto it = price->globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (std::none_of(found.begin(), found.end(), [&match](const QRegularExpressionMatch &other) {
                    return other.capturedStart() < match.capturedEnd() &&
                           match.capturedStart() < other.capturedEnd();
                }))
                found.append(match);
        }
    }
    // Last to first, so that the positions before stay valid.
    std::sort(found.begin(), found.end(),
              [](const QRegularExpressionMatch &a, const QRegularExpressionMatch &b) {
                  return a.capturedStart() > b.capturedStart();
              });
    for (const QRegularExpressionMatch &match : found) {
        const QString ours = digitForm(match.capturedView());
        for (auto it = latinPrice.globalMatch(latinReading); it.hasNext();) {
            const auto latin = it.next();
            const QString theirs = digitForm(latin.capturedView(2));
            // Up to two characters more before the number, after the code's letters, are the sign
            // read as letters; a digit there is one the Latin model left out.
            const QStringView extra = QStringView(ours).left(ours.size() - theirs.size());
            const QString code = latin.captured(1);
            const qsizetype signLetters = extra.startsWith(code) ? extra.size() - code.size() : extra.size();
            if (!ours.endsWith(theirs) || signLetters > 2 ||
                std::any_of(extra.begin(), extra.end(), isDigit) ||
                match.captured().contains(separator) != latin.captured(2).contains(separator))
                continue;
            result.replace(match.capturedStart(), match.capturedLength(), latin.captured().trimmed());
            break;
        }
    }
    return result;
}

// The glyph each character of `text`, spelt from `glyphs`, was read as, in order and regardless of
// case; -1 under blanks. Empty where the text cannot be matched to the characters read.
std::vector<qsizetype> glyphsSpelling(const QString &text, const QList<TextRecognizer::Glyph> &glyphs) {
    std::vector<qsizetype> from(size_t(text.size()), -1);
    qsizetype g = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isSpace())
            continue;
        while (g < glyphs.size() && glyphs[g].character.toLower() != text[i].toLower())
            ++g;
        if (g == glyphs.size())
            return {};
        from[size_t(i)] = g++;
    }
    return from;
}

// Marks under the Latin letters of `text`, spelt from `glyphs`, that the recogniser read unsurely:
// a string as long as `text`, "^" under each of them and blanks elsewhere; empty where it read none
// or the text cannot be matched to the characters read.
QString unsureLettersOf(const QString &text, const QList<TextRecognizer::Glyph> &glyphs,
                        const std::vector<qsizetype> &from) {
    if (from.size() != size_t(text.size()))
        return {};
    QString marks(text.size(), u' ');
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (from[size_t(i)] >= 0 && isLatinLetter(text[i]) &&
            glyphs[from[size_t(i)]].confidence < unsureLetter) {
            marks[i] = u'^';
            any = true;
        }
    }
    return any ? marks : QString();
}

QString unsureLettersOf(const QString &text, const QList<TextRecognizer::Glyph> &glyphs) {
    return unsureLettersOf(text, glyphs, glyphsSpelling(text, glyphs));
}

// The reading of `latin` of `image` scaled by `numerator` / `denominator`.
QString readScaled(LatinReader &latin, const QImage &image, int numerator, int denominator) {
    return latin.readLine(image.scaled(image.width() * numerator / denominator,
                                       image.height() * numerator / denominator, Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation));
}

// Whether the dictionary of `latin` holds a word.
std::function<bool(const QString &)> isWordOf(const LatinReader &latin) {
    return [&latin](const QString &word) { return latin.isWord(word); };
}

// The reading of `latin` of `image` at three quarters of its size, where `latinReading`, its
// reading at full size, would change letters of `text` that `marks` marks (see
// preferLatinSpelling); nothing otherwise.
std::optional<QString> confirmingReading(const QString &text, const QString &latinReading,
                                         const QString &marks, const QImage &image, LatinReader &latin,
                                         bool endsDoubtful = false) {
    const auto isWord = isWordOf(latin);
    if (marks.isEmpty() || preferLatinSpelling(text, latinReading, endsDoubtful, marks, isWord) ==
                               preferLatinSpelling(text, latinReading, endsDoubtful, {}, isWord))
        return std::nullopt;
    return readScaled(latin, image, 3, 4);
}

// The column between the characters read on steps `before` and `after` of a piece where one may
// be cut from the other: the middle of the widest blank run between their middles (the first
// character's ink may start a step after the step it was read on), or halfway between them where
// the two touch. `before` below zero is the piece's left edge, `after` below zero its right edge.
int cutBetween(const QList<std::pair<int, int>> &blanks, int width, int before, int after) {
    const auto middle = [](int step) { return step * stride + stride / 2; };
    if (before < 0)
        return 0;
    if (after < 0)
        return width;
    const int from = middle(before);
    const int to = middle(after);
    int widest = 0, cut = (from + to) / 2;
    for (const auto &[start, end] : blanks) {
        const int a = std::max(start, from);
        const int b = std::min(end, to);
        if (b - a > widest) {
            widest = b - a;
            cut = (a + b) / 2;
        }
    }
    return cut;
}

} // namespace

const QRegularExpression &priceWithLetters() {
    // Up to two letters or signs (the euro's look-alikes "ε" and "∈" among them), then digits with
    // a 1 or a 0 among them read as a letter or a bar, then the decimals; or digits, then decimals
    // with such a letter ("100.o0"), which a word of the billing period may follow without the
    // slash the recogniser left out ("ε30.o0yr").
    static const QRegularExpression price(QStringLiteral(
        "(?<![0-9A-Za-z.,])[A-Za-z\\p{Sc}ε∈]{0,2}(?:[0-9lI|Oo]*[lI|Oo][0-9lI|Oo]*[.,][0-9]{2}(?![0-9])|"
        "[0-9lI|Oo]*[0-9][0-9lI|Oo]*[.,](?:[lI|Oo][0-9lI|Oo]|[0-9][lI|Oo])"
        "(?!(?!per|year|yr\\b|month|mo\\b|week|quarter)[0-9A-Za-z]))"));
    return price;
}

QString restoreSigns(const QString &text, const QString &latinText, bool unreadBeforeNumber) {
    // The Latin model may set a blank before or after a number's separator ("¥172. 00",
    // "€29 .99"), or between the digits of large type after a sign ("¥3 78.00"); numbers hold none.
    static const QRegularExpression blankInNumber(
        QStringLiteral("(?<=[0-9][.,]) (?=[0-9])|(?<=[0-9]) (?=[.,][0-9])|"
                       "(?:(?<=[€£$¥₹][0-9])|(?<=[€£$¥₹][0-9]{2})|(?<=[€£$¥₹][0-9]{3})) "
                       "(?=[0-9]{1,3}[.,][0-9]{2}(?![0-9]))"));
    // It may read a decimal point as a blank ("€8 53" for "€8.53").
    static const QRegularExpression blankForPoint(
        QStringLiteral("(?:(?<=[€£$¥₹][0-9])|(?<=[€£$¥₹][0-9]{2})|(?<=[€£$¥₹][0-9]{3})|(?<=[€£$¥₹][0-9]{4})) "
                       "(?=[0-9]{2}(?![0-9.,]))"));
    const QString latinReading =
        QString(latinText).remove(blankInNumber).replace(blankForPoint, QStringLiteral("."));
    // A speck between the sign and its number may be read as a point or a comma ("£.1168.49").
    static const QRegularExpression latinAmount(
        QStringLiteral("([A-Z]{0,3})([€£$¥₹])(?:\\s|[.,](?=[0-9]))?([0-9][0-9.,]*)"));
    // The countries whose dollars are written with their letters before the sign.
    static const QRegularExpression dollarCountry(
        QStringLiteral("^(?:%1)$").arg(RecognizedText::dollarCountries()));
    QString result = text;
    // A price whose sign and decimals the recogniser left out, the number ending at its decimal
    // separator ("-7." for "-£7.00"): the Latin model's price with the same whole units.
    const QRegularExpressionMatch unfinished = cutShort().match(text);
    if (unfinished.hasMatch()) {
        for (auto it = latinAmount.globalMatch(latinReading); it.hasNext();) {
            const auto latin = it.next();
            static const QRegularExpression withDecimals(QStringLiteral("^([0-9]+)[.,][0-9]{2}$"));
            const auto number = withDecimals.match(latin.captured(3));
            if (number.hasMatch() && number.captured(1) == unfinished.captured(1))
                return result.left(unfinished.capturedStart(1)) + latin.captured();
        }
    }
    // Last to first, so that the positions before stay valid.
    QList<QRegularExpressionMatch> found;
    for (auto it = amountWithoutSign().globalMatch(text); it.hasNext();)
        found.prepend(it.next());
    for (const QRegularExpressionMatch &match : found) {
        const QString prefix = match.captured(1);
        const QString number = match.captured(3);
        const QString digits = digitsOf(number);
        // The Latin model may read a Chinese character right after a price as a digit more
        // ("135.49每月" as "135.494 A"); a price with its decimals is whole without it.
        static const QRegularExpression withDecimals(QStringLiteral("[.,][0-9]{2}$"));
        const bool whole = number.contains(withDecimals);
        const bool firstNumber = unreadBeforeNumber && prefix.isEmpty() &&
                                 std::none_of(text.begin(), text.begin() + match.capturedStart(3),
                                              [](QChar c) { return c.isLetterOrNumber(); });
        for (auto it = latinAmount.globalMatch(latinReading); it.hasNext();) {
            const auto latin = it.next();
            QString latinNumber = latin.captured(3);
            while (latinNumber.endsWith(u'.') || latinNumber.endsWith(u','))
                latinNumber.chop(1);
            const QString sign = latin.captured(2);
            // The recogniser may take a sign and the digit after it for one character, and drop
            // both or read a Chinese one ("¥172.00" as "72.00" or "到72.00"): the Latin model's
            // price, one digit longer at the front, where the recogniser read no sign or letters.
            if (whole && prefix.isEmpty() && latin.captured(1).isEmpty() && latinNumber.endsWith(number) &&
                latinNumber.size() == number.size() + 1 && isDigit(latinNumber.front())) {
                result.replace(match.capturedStart(3), number.size(), sign + latinNumber);
                break;
            }
            // Or read the two as one Latin letter set close before the rest ("i5" for "€15", "l49"
            // for "€149").
            if (prefix.size() == 1 && match.captured(2).isEmpty() && latin.captured(1).isEmpty() &&
                sign != u"$" && latinNumber.endsWith(number) && latinNumber.size() == number.size() + 1 &&
                isDigit(latinNumber.front())) {
                result.replace(match.capturedStart(1), 1 + number.size(), sign + latinNumber);
                break;
            }
            // Where the recogniser read nothing on a character before the piece's first number,
            // the Latin model's sign there is taken though small type garbled one of its digits
            // for it ("£204.09" for "£204.99").
            if (firstNumber && latin.captured(1).isEmpty() && sign != u"$" &&
                latinNumber.size() == number.size() && nearlySame(digitsOf(latinNumber), digits)) {
                result.insert(match.capturedStart(3), sign);
                break;
            }
            // The Latin model garbles what follows a number that it cannot read ("¥30/月" as
            // "¥30,5"): a sign read as a letter before the same number is still told.
            const bool sameUnits = latinNumber.startsWith(number) && latinNumber.size() > number.size() &&
                                   !isDigit(latinNumber[number.size()]) &&
                                   match.capturedEnd(3) < text.size() &&
                                   !text[match.capturedEnd(3)].isLetterOrNumber();
            const bool signAsLetter = !prefix.isEmpty() && prefix.chopped(1) == latin.captured(1);
            if (digitsOf(latinNumber) != digits && !(whole && latinNumber.startsWith(number)) &&
                !(signAsLetter && sameUnits))
                continue;
            if (signAsLetter) {
                // A sign read as a letter ("HKS388", "f10.99", "Y 148.00").
                result.replace(match.capturedStart(1) + prefix.size() - 1, 1, sign);
            } else if (sign != u"$" && (prefix.isEmpty() || !match.captured(2).isEmpty())) {
                // A sign the recogniser's dictionary lacks, dropped before the number; unless the
                // recogniser read the number between brackets and the Latin model did not read
                // the opening one: its sign is that bracket ("(4801)" read as "£4801)").
                const qsizetype before = match.capturedStart(3) - 1;
                const qsizetype after = match.capturedEnd(3);
                const qsizetype latinBefore = latin.capturedStart(0) - 1;
                if (prefix.isEmpty() && before >= 0 && text[before].category() == QChar::Punctuation_Open &&
                    after < text.size() && text[after].category() == QChar::Punctuation_Close &&
                    !(latinBefore >= 0 && latinReading[latinBefore].category() == QChar::Punctuation_Open))
                    break;
                result.insert(match.capturedStart(3), sign);
            } else if (!prefix.isEmpty() && prefix == latin.captured(1) &&
                       (sign != u"$" || dollarCountry.match(prefix).hasMatch())) {
                // The sign of a code and a sign ("CN¥", "HK$") dropped after the code's letters.
                result.insert(match.capturedStart(1) + prefix.size(), sign);
            }
            break;
        }
    }
    result = restoreSignsInPlace(restoreLetteredPrices(result, latinReading), latinReading);
    return restoreCodes(restoreSignsAfter(result, latinReading), latinReading);
}

bool mayMistakeLetters(const QString &text) {
    // Latin text only (the Latin model cannot read Chinese), with a digit 0 or 1 or a bar touching
    // a letter, a one-letter word beside a word, which may be a split one ("Grammarl y"), or a
    // capital between small letters that is its small letter enlarged ("IsSued").
    static const QRegularExpression doubtful(
        QStringLiteral("[A-Za-z][01|]|[01|][A-Za-z]|(?<=[A-Za-z]) "
                       "[A-Za-z](?![A-Za-z0-9])|(?<![A-Za-z0-9])[A-Za-z] (?=[a-z])|[a-z][COSVWXZ][a-z]"));
    return !text.isEmpty() && std::none_of(text.begin(), text.end(), isChinese) && text.contains(doubtful);
}

// `latinReading` with the blanks that `text`, spelt with the same characters, sets between a number
// and the word after it, where both read a digit and a letter there: the Latin model leaves out
// the blank of a short piece ("2TB" for "2 TB").
QString withBlanksAfterNumbers(const QString &latinReading, const QString &text) {
    const auto inked = [](const QString &s) { return s.size() - s.count(u' '); };
    if (inked(latinReading) != inked(text))
        return latinReading;
    QString result;
    qsizetype j = 0;
    for (qsizetype i = 0; i < latinReading.size(); ++i) {
        const QChar c = latinReading[i];
        if (c != u' ') {
            while (text[j] == u' ')
                ++j;
            if (j > 1 && text[j - 1] == u' ' && isDigit(text[j - 2]) && text[j].isLetter() && i > 0 &&
                isDigit(latinReading[i - 1]) && c.isLetter())
                result += u' ';
            ++j;
        }
        result += c;
    }
    return result;
}

QString preferLatinSpelling(const QString &text, const QString &latinReading, bool endsDoubtful,
                            const QString &unsureLetters, const std::function<bool(const QString &)> &isWord,
                            const std::optional<QString> &confirming) {
    // The Latin model tells l, 1 and I apart and places blanks between Latin words better; where
    // the two readings differ only in that, its spelling is the better one.
    // It splits no word the recogniser read whole, though: small Latin letters in Chinese
    // typefaces stand far apart for it ("pl indqvist56@al iyun. com").
    if (latinReading.isEmpty())
        return text;
    const QString ours = lookAlikeForm(text);
    const QString theirs = lookAlikeForm(latinReading);
    // A price in small Latin type read as letters ("uss8o0/year" for "US$8.00/year", "f99.o0/year"
    // for "£99.00 /year"): the Latin reading with the price, where the two differ in look-alikes,
    // separators and blanks alone.
    static const QRegularExpression price(QStringLiteral("[$€£¥][0-9]+[.,][0-9]{2}(?![0-9])"));
    const auto withoutSeparators = [](QString form) { return form.remove(u'.').remove(u','); };
    if (latinReading.contains(price) && !text.contains(price) &&
        withoutSeparators(ours) == withoutSeparators(theirs))
        return latinReading;
    if (latinReading.count(u' ') > text.count(u' '))
        return text;
    // A sign the Latin model reads for a letter is taken only where it starts a price: in a code
    // ("£49-faa6" for "f49-faa6") the letter stays.
    static const QRegularExpression signOutsidePrice(
        QStringLiteral("[$€£¥](?! ?[0-9][0-9.,]*(?![0-9.,]*[0-9A-Za-z\\-]))"));
    if (latinReading.contains(signOutsidePrice) && !text.contains(signOutsidePrice))
        return text;
    if (ours == theirs)
        return withBlanksAfterNumbers(latinReading, text);
    // Words with letters the recogniser was unsure of that the Latin model reads as other letters,
    // the rest of each word read alike: its letters there, word by word, whatever else of the
    // piece the two read differently.
    if (unsureLetters.size() == text.size()) {
        QStringList words = text.split(u' ');
        const QStringList latinWords = latinReading.split(u' ');
        const QStringList confirmingWords = confirming ? confirming->split(u' ') : QStringList();
        bool mended = false;
        qsizetype start = 0;
        for (qsizetype w = 0; w < words.size() && words.size() == latinWords.size(); ++w) {
            const QString word = words[w];
            const QString &latinWord = latinWords[w];
            const qsizetype at = start;
            start += word.size() + 1;
            // A word with a letter the recogniser was unsure of, which it spelt with a letter more
            // or less than a word of the Latin model's dictionary that the model reads there
            // ("Undlimited" for "Unlimited"): small type blurs a letter's edge into a stroke of
            // its own, or two narrow letters into one.
            const auto letters = [](const QString &s) {
                return std::all_of(s.begin(), s.end(), isLatinLetter);
            };
            if (isWord && word.size() != latinWord.size() && std::min(word.size(), latinWord.size()) >= 4 &&
                letters(word) && letters(latinWord) && nearlySame(word, latinWord) &&
                unsureLetters.mid(at, word.size()).contains(u'^') && isWord(latinWord) && !isWord(word)) {
                words[w] = latinWord;
                mended = true;
                continue;
            }
            // A lone letter is as often an icon or a mark read as one, which neither reads right.
            if (word == latinWord || word.size() != latinWord.size() || word.size() < 2)
                continue;
            bool alike = true;
            for (qsizetype i = 0; i < word.size() && alike; ++i) {
                alike = word[i] == latinWord[i] || (isLatinLetter(word[i]) && isLatinLetter(latinWord[i]) &&
                                                    unsureLetters[at + i] == u'^');
            }
            // Either reader may mistake a letter of small type: where the recogniser's letters spell
            // a word of the Latin model's dictionary and the model's own do not, the word stays
            // ("Paid", not "Puid"). Each run of letters with a letter read otherwise is weighed.
            for (qsizetype i = 0; i < word.size() && alike && isWord; ++i) {
                if (!isLatinLetter(word[i]))
                    continue;
                qsizetype end = i;
                bool differs = false;
                for (; end < word.size() && isLatinLetter(word[end]); ++end)
                    differs = differs || word[end] != latinWord[end];
                if (differs && isWord(word.mid(i, end - i)) && !isWord(latinWord.mid(i, end - i)))
                    alike = false;
                i = end;
            }
            // Small type may make the model read a letter otherwise at one size alone ("Pra" for
            // "Pro"); its reading at another size bears its letters out.
            if (confirming &&
                (confirmingWords.size() != latinWords.size() || confirmingWords[w] != latinWord))
                alike = false;
            if (alike) {
                words[w] = latinWord;
                mended = true;
            }
        }
        if (mended)
            return words.join(u' ');
    }
    // Where the recogniser was unsure of the letters at an end of the piece, and so left them
    // out, the Latin model's reading that holds the same letters and a few more at that end.
    const qsizetype more = theirs.size() - ours.size();
    if (!endsDoubtful || ours.isEmpty() || more <= 0 || more > maxLettersAdded)
        return text;
    const QString added = theirs.startsWith(ours) ? theirs.right(more)
                          : theirs.endsWith(ours) ? theirs.left(more)
                                                  : QString();
    return !added.isEmpty() &&
                   std::all_of(added.begin(), added.end(), [](QChar c) { return c.isLetterOrNumber(); })
               ? latinReading
               : text;
}

QString withCaseOf(const QString &text, const QString &latinReading) {
    // Whether a word's letters take one of the shapes words are written in: all small, all
    // capitals, or a capital and small letters.
    const auto oneCase = [](QStringView word) {
        bool small = false, capitalAfterFirst = false;
        qsizetype letters = 0;
        for (const QChar c : word) {
            if (!isLatinLetter(c))
                continue;
            small = small || c.isLower();
            capitalAfterFirst = capitalAfterFirst || (letters > 0 && c.isUpper());
            ++letters;
        }
        return !(small && capitalAfterFirst);
    };
    const QStringList ours = text.split(u' ');
    QStringList theirs = latinReading.split(u' ');
    if (ours.size() != theirs.size())
        return latinReading;
    for (qsizetype w = 0; w < ours.size(); ++w) {
        QString &word = theirs[w];
        if (word.size() != ours[w].size() || (oneCase(word) && !oneCase(ours[w])))
            continue;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word[i] != ours[w][i] && word[i].toLower() == ours[w][i].toLower())
                word[i] = ours[w][i];
        }
    }
    return theirs.join(u' ');
}

QList<LatinRun> unsureLatinRuns(const QString &text, const QList<TextRecognizer::Glyph> &glyphs,
                                const QList<std::pair<int, int>> &blanks, int width) {
    const std::vector<qsizetype> from = glyphsSpelling(text, glyphs);
    const QString marks = unsureLettersOf(text, glyphs, from);
    if (marks.isEmpty())
        return {};
    const auto inRun = [](QChar c) { return isLatinLetter(c) || isDigit(c); };
    QList<LatinRun> runs;
    for (qsizetype start = 0; start < text.size();) {
        if (!inRun(text[start])) {
            ++start;
            continue;
        }
        qsizetype end = start;
        while (end < text.size() &&
               (inRun(text[end]) || (text[end] == u' ' && end + 1 < text.size() && inRun(text[end + 1]))))
            ++end;
        if (QStringView(marks).mid(start, end - start).contains(u'^')) {
            const qsizetype first = from[size_t(start)];
            const qsizetype last = from[size_t(end - 1)];
            const int left =
                cutBetween(blanks, width, first > 0 ? glyphs[first - 1].step : -1, glyphs[first].step);
            const int right = cutBetween(blanks, width, glyphs[last].step,
                                         last + 1 < glyphs.size() ? glyphs[last + 1].step : -1);
            // The steps of characters read on the paper after a piece's ink may lie past its edge.
            const int cutLeft = std::clamp(left, 0, width);
            const int cutRight = std::clamp(right, 0, width);
            if (cutRight - cutLeft > stride)
                runs.append({start, end, cutLeft, cutRight});
        }
        start = end;
    }
    return runs;
}

QString withPlusByInk(const QString &text, const QImage &piece) {
    const qsizetype n = text.size();
    if (n < 3 || text.back() != u'4' || !text[n - 2].isLetter() || !text[n - 3].isLetter() ||
        isChinese(text[n - 2]) || piece.isNull())
        return text;
    // The last character's ink, and the bottoms and tops of the characters before it.
    int last = piece.width() - 1;
    const QRect sign = [&] {
        for (; last >= 0; --last) {
            const QRect ink = SignShapes::inkAround(piece, last, last);
            if (!ink.isEmpty())
                return ink;
        }
        return QRect();
    }();
    if (sign.isEmpty())
        return text;
    std::vector<double> bottoms;
    int top = piece.height();
    for (int x = sign.left() - 1; x >= 0;) {
        const QRect ink = SignShapes::inkAround(piece, x, x);
        if (ink.isEmpty() || ink.right() >= sign.left()) {
            --x;
            continue;
        }
        bottoms.push_back(ink.bottom());
        top = std::min(top, ink.top());
        x = ink.left() - 1;
    }
    // Most letters stand on the baseline; a few reach below it.
    const double baseline = median(bottoms, 2, -1);
    const int height = int(baseline) - top + 1;
    if (baseline < 0 || height <= 0 || sign.top() - top < height / 8 ||
        baseline - sign.bottom() < height / 10)
        return text;
    return text.chopped(1) + u'+';
}

const QRegularExpression &cutShort() {
    static const QRegularExpression number(QStringLiteral("(?<![0-9A-Za-z.,])([0-9]+)[.,]$"));
    return number;
}

const QRegularExpression &amountWithoutSign() {
    // A number that may be an amount (not part of a date, a time or a code, not a count of Chinese
    // units) with no currency sign or code before it: (1) a short run of letters before it, which
    // may end in a sign read as a letter ("HKS388", "f10.99", "Y 148.00"), (2) the blank after
    // them, (3) the number. A minus sign may lead it ("-18.50" paid); a hyphen after a letter or
    // digit joins it to a date or a code. A point or a comma after it ends a sentence or a clause
    // ("支付Y183.90, 单次购买") unless a digit or a letter follows. A word of the billing period
    // may follow without the blank or slash the recogniser left out ("119.99year", "264perquarter").
    static const QRegularExpression amount(
        QStringLiteral(
            "(?<![0-9A-Za-z.,:/\\p{Sc}])(?<![0-9A-Za-z.,:/]-)(?<!\\p{Sc} "
            ")(?<!(?:%1) )"
            "(?:(?!(?:%1)\\b)([A-Za-z]{1,3})( "
            "?))?([0-9]{1,3}(?:,[0-9]{3})+(?:\\.[0-9]{1,2})?|[0-9]{1,6}(?:[.,][0-9]{1,2})?)(?!(?!per|"
            "year|month|week|quarter|mo\\b|yr\\b)[0-9A-Za-z:\\-]|[.,][0-9A-Za-z]|(?<![.,][0-9]{2})/"
            "[0-9]|\\s?[年月日个天周季时分秒号])")
            .arg(currencyCodes()));
    return amount;
}

bool mayHoldUnreadSign(const QString &text, bool unreadInk) {
    if (unreadInk || text.contains(priceWithLetters()))
        return true;
    for (auto it = amountWithoutSign().globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(1).size() == 1 && match.captured(2).isEmpty())
            return true;
    }
    return false;
}

bool addsOnlySignsUnreadable(const QString &text, const QString &reading, const QString &readable) {
    return std::none_of(readable.begin(), readable.end(),
                        [&](QChar sign) { return reading.count(sign) > text.count(sign); });
}

QList<Piece> cut(const QImage &page, const QRect &line, int lineIndex) {
    QList<Piece> pieces;
    const QRect box = faintBox(page, line.intersected(page.rect()), page.rect());
    if (box.isEmpty() || box.height() < 3)
        return pieces;
    cutBox(page, box, page.rect(), box, lineIndex, pieces, 0);
    return pieces;
}

QList<std::pair<int, int>> blankRuns(const QImage &piece) {
    QList<std::pair<int, int>> runs;
    int start = -1;
    // Only the core of the strokes counts, halfway from the piece's darkest shade to paper: the
    // faint edges that smoothing adds to small text would close the gaps between words.
    const int darkest = TextLines::darkestIn(piece, piece.rect());
    const int coreInkBelow = (darkest + 255) / 2;
    // The thin flat strokes of Ming type ("一", the bars of "三"), paler than its upright ones,
    // may not reach the core: a long flat run of lighter ink beside no core is a stroke too,
    // longer than the faint edges and corners of strokes that blurring spreads into a gap.
    const int strokeInkBelow = 255 - (255 - darkest) / 4;
    const int leastStroke = std::max(4, piece.height() / 4);
    std::vector<bool> inked(size_t(piece.width()), false);
    for (int y = 0; y < piece.height(); ++y) {
        const uchar *row = piece.constScanLine(y);
        for (int x = 0, run = 0; x <= piece.width(); ++x) {
            const int shade = x < piece.width() ? row[x] : 255;
            if (shade < coreInkBelow)
                inked[size_t(x)] = true;
            else if (shade < strokeInkBelow) {
                ++run;
                continue;
            }
            if (run >= leastStroke)
                std::fill_n(inked.begin() + (x - run), run, true);
            run = 0;
        }
    }
    const auto isBlank = [&inked](int x) { return !inked[size_t(x)]; };
    for (int x = 0; x <= piece.width(); ++x) {
        const bool blank = x < piece.width() && isBlank(x);
        if (blank && start < 0)
            start = x;
        if (!blank && start >= 0) {
            runs.append({start, x});
            start = -1;
        }
    }
    return runs;
}

namespace {

// The first and the end column of a piece that hold any ink, down to a quarter of the contrast
// between its darkest shade and paper; [0, 0) when it holds none.
std::pair<int, int> lightInkColumns(const QImage &piece) {
    const int darkest = TextLines::darkestIn(piece, piece.rect());
    const int below = 255 - (255 - darkest) / 4;
    if (below >= 255 - 1)
        return {0, 0};
    int first = piece.width(), end = 0;
    for (int y = 0; y < piece.height(); ++y) {
        const uchar *row = piece.constScanLine(y);
        for (int x = 0; x < piece.width(); ++x) {
            if (row[x] < below) {
                first = std::min(first, x);
                end = std::max(end, x + 1);
            }
        }
    }
    return first < end ? std::pair{first, end} : std::pair{0, 0};
}

} // namespace

QString spell(const QList<TextRecognizer::Glyph> &glyphs, const QList<std::pair<int, int>> &blanks,
              int textHeight, int pieceWidth, const QImage *piece, const QImage *page, const QRect &source) {
    // The characters kept, with whether the recogniser read a blank before each.
    QList<std::pair<const TextRecognizer::Glyph *, bool>> kept;
    bool modelBlank = false;
    for (const TextRecognizer::Glyph &glyph : glyphs) {
        if (glyph.character.isSpace()) {
            modelBlank = !kept.isEmpty();
        } else {
            kept.append({&glyph, modelBlank});
            modelBlank = false;
        }
    }
    // A doubtful character at either end is a stray reading of a speck or an edge beside the text.
    while (!kept.isEmpty() && kept.back().first->confidence < minConfidence)
        kept.removeLast();
    // A sign before a digit may be read faintly (see TextRecognizer::decode) and is kept; so is a
    // euro sign, which the recogniser lacks, read faintly as a letter or a mark: its ink tells.
    const TextRecognizer::Glyph *faintEuro = nullptr;
    if (piece && kept.size() > 1 && kept[0].first->confidence < minConfidence &&
        kept[0].first->character.category() != QChar::Symbol_Currency && isDigit(kept[1].first->character)) {
        const int at = kept[0].first->step * stride;
        if (isEuroByInk(*piece, SignShapes::inkAround(*piece, at, at + stride - 1), page, source, textHeight))
            faintEuro = kept[0].first;
    }
    while (!kept.isEmpty() && kept.front().first->confidence < minConfidence &&
           kept.front().first != faintEuro &&
           !(kept.size() > 1 && kept[0].first->character.category() == QChar::Symbol_Currency &&
             isDigit(kept[1].first->character)))
        kept.removeFirst();
    const auto centreOf = [](const TextRecognizer::Glyph *glyph) {
        return glyph->step * stride + stride / 2;
    };
    // A character read over the paper beyond the piece's ink is a stray reading of the strip's
    // gap between pieces; but the recogniser may read a narrow character at the end of a piece
    // (the last "l" of "All", a full stop) a step after its ink, or one at its start a step
    // before it: a step beside the ink is still the ink's.
    int firstInk = !blanks.isEmpty() && blanks.front().first == 0 ? blanks.front().second : 0;
    int lastInk = !blanks.isEmpty() && blanks.back().second >= pieceWidth ? blanks.back().first : pieceWidth;
    // The blank runs count only the core of the strokes; a word in smaller and paler type at an
    // end of the piece (a price's cycle in grey after it, "¥25.00/月") may hold none, its ink all
    // lighter than that core: its characters are no stray readings of paper.
    if (piece) {
        const auto [first, end] = lightInkColumns(*piece);
        if (first < end) {
            firstInk = std::min(firstInk, first);
            lastInk = std::max(lastInk, end);
        }
    }
    while (!kept.isEmpty() && centreOf(kept.back().first) - stride / 2 >= lastInk + stride)
        kept.removeLast();
    while (!kept.isEmpty() && centreOf(kept.front().first) + stride / 2 + stride < firstInk)
        kept.removeFirst();
    if (kept.isEmpty())
        return {};
    // Between neighbours, the widest blank lying between the steps where the two were read (the
    // blank after the last character of a piece, or before its first, is not one between
    // characters); where there is none, they touch halfway.
    std::vector<std::pair<int, int>> parting;
    std::vector<double> gaps; // in text heights
    for (qsizetype i = 1; i < kept.size(); ++i) {
        const int from = centreOf(kept[i - 1].first);
        const int to = centreOf(kept[i].first);
        std::pair<int, int> widest{(from + to) / 2, (from + to) / 2};
        for (const auto &[start, end] : blanks) {
            const int a = std::max(start, from);
            const int b = std::min(end, to);
            if (b - a > widest.second - widest.first)
                widest = {a, b};
        }
        parting.push_back(widest);
        gaps.push_back(double(widest.second - widest.first) / textHeight);
    }
    // Each character's ink lies between the partings on either side, so the distance between
    // the middles of two Chinese characters is their advance: one em, more with a blank between
    // them, whatever the width of their strokes (narrow characters in Kai type leave wide gaps).
    std::vector<double> middles;
    std::vector<std::pair<int, int>> spans; // the columns of each character's ink, [left, right)
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const int left = i == 0 ? firstInk : parting[size_t(i - 1)].second;
        const int right = i + 1 == kept.size() ? std::max(left + 1, lastInk) : parting[size_t(i)].first;
        middles.push_back((left + right) / 2.0);
        spans.emplace_back(left, right);
    }
    // Values over the neighbours whose characters are of one kind.
    const auto over = [&kept](auto isPair, auto valueAt) {
        std::vector<double> values;
        for (qsizetype i = 1; i < kept.size(); ++i) {
            if (isPair(kept[i - 1].first->character, kept[i].first->character))
                values.push_back(valueAt(i));
        }
        return values;
    };
    const auto advanceAt = [&middles](qsizetype i) { return middles[size_t(i)] - middles[size_t(i - 1)]; };
    const auto gapAt = [&gaps](qsizetype i) { return gaps[size_t(i - 1)]; };
    const auto isHan = [](QChar c) { return isChinese(c) && !isChinesePunctuation(c); };
    // Chinese ink fills about nine tenths of the em.
    const double em =
        median(over([&](QChar a, QChar b) { return isHan(a) && isHan(b); }, advanceAt), 2, textHeight / 0.9);
    // The usual gap between characters of this piece: a blank must stand out against it too,
    // as spacing is wide in some typefaces (Kai, monospaced Latin). A piece of two or three
    // characters has no usual spacing to go by.
    const double usual = median(gaps, 3, 0);
    // Between a Chinese character and a Latin one, a blank stands out against the usual gap
    // between the piece's Chinese characters where that is narrower: the loosely set Latin
    // letters of Chinese typefaces would otherwise raise the usual gap above the blank.
    const double hanGap =
        median(over([&](QChar a, QChar b) { return isHan(a) && isHan(b); }, gapAt), 1, usual);
    const auto isNonChineseLetter = [](QChar c) { return c.isLetter() && !isChinese(c); };
    const double letterGap =
        median(over([&](QChar a, QChar b) { return isNonChineseLetter(a) && isNonChineseLetter(b); }, gapAt),
               3, usual);
    // Chinese typefaces set Latin letters in cells of one width, a narrow letter in as wide a cell
    // as an "n", and not always in its middle: the paper beside it, wide and often on one side
    // only, looks like a blank, and a letter is split off the word ("norepl y"). Where the advances
    // beside the piece's narrow small letters are as long as those between its other small letters
    // (in proportional type they are about two thirds to five sixths of them), the letters stand
    // in cells. Neighbours without a blank read between them tell.
    const auto isNarrow = [](QChar c) { return QStringView(u"iljfrt").contains(c); };
    std::vector<double> besideNarrow, besideOthers;
    for (qsizetype i = 1; i < kept.size(); ++i) {
        const QChar a = kept[i - 1].first->character;
        const QChar b = kept[i].first->character;
        if (a >= u'a' && a <= u'z' && b >= u'a' && b <= u'z' && a != u'm' && b != u'm' && a != u'w' &&
            b != u'w' && !kept[i].second)
            (isNarrow(a) || isNarrow(b) ? besideNarrow : besideOthers).push_back(advanceAt(i));
    }
    const double cell = median(besideOthers, 2, 0);
    const bool inCells = cell > 0 && median(besideNarrow, 2, 0) >= cellLike * cell;
    // The recogniser reads a dash between words as the full-width one of its Chinese text, a
    // slash or an angle bracket as full-width or Chinese ones, and brackets around Latin text as
    // full-width ones; they are spelt, and spaced, as they are.
    QString chars;
    for (const auto &read : kept) {
        const QChar c = read.first->character;
        chars += read.first == faintEuro ? u'€'
                 : c == u'－'            ? u'—'
                 : c == u'／'            ? u'/'
                 : c == u'〈'            ? u'<'
                 : c == u'〉'            ? u'>'
                                         : c;
    }
    const auto isLatinOrDigit = [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); };
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (chars[i] == u'（' && i + 1 < chars.size() && isLatinOrDigit(chars[i + 1]))
            chars[i] = u'(';
        else if (chars[i] == u'）' && i > 0 && isLatinOrDigit(chars[i - 1]))
            chars[i] = u')';
        // Chinese text is punctuated with full-width marks, which the recogniser may read as their
        // Latin look-alikes ("收件人:").
        else if (i > 0 && isHan(chars[i - 1]) && QStringView(u",:;!?").contains(chars[i]))
            chars[i] = QChar(chars[i].unicode() - 0x20 + 0xFF00);
        // Numbers are written with Latin marks, which the recogniser may read as their full-width
        // look-alikes in Chinese typefaces, whose Latin marks stand in as wide a cell ("¥1，400").
        else if (i > 0 && i + 1 < chars.size() && isDigit(chars[i - 1]) && isDigit(chars[i + 1]) &&
                 QStringView(u"，．：").contains(chars[i]))
            chars[i] = halfWidth(chars[i]);
        // So is Latin text, whose marks Chinese typefaces draw like their full-width ones
        // ("Netflix, Inc.", "Stockholm, Sweden", "in your settings.").
        else if (i > 0 && isLatinLetter(chars[i - 1]) &&
                 ((i + 1 < chars.size() && isLatinOrDigit(chars[i + 1]) &&
                   fullWidthLatinMarks.contains(chars[i])) ||
                  chars[i] == u'．'))
            chars[i] = halfWidth(chars[i]);
    }
    if (piece)
        tellCaseByInk(chars, kept, spans, *piece);
    // A bracket's width is told by the paper before it: a full-width one stands at the right of
    // its em, half an em or more from the character before it; a half-width one stands close to
    // it, or a blank's width away. A closing bracket takes the width of the one it closes, or
    // where that is not in the piece, of the paper after it.
    const double emInHeights = em / textHeight;
    std::vector<QChar> openers;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (chars[i] == u'(' || chars[i] == u'（') {
            // Between Latin words and numbers it is a half-width one, spaced or not.
            const bool besideChinese =
                (i > 0 && isHan(chars[i - 1])) || (i + 1 < chars.size() && isHan(chars[i + 1]));
            if (i > 0 && besideChinese)
                chars[i] = gaps[size_t(i - 1)] >= fullWidthBearing * emInHeights ? u'（' : u'(';
            openers.push_back(chars[i]);
        } else if (chars[i] == u')' || chars[i] == u'）') {
            if (!openers.empty())
                chars[i] = openers.back() == u'（' ? u'）' : u')';
            else if (i > 0 && i + 1 < chars.size() && (isHan(chars[i - 1]) || isHan(chars[i + 1])))
                chars[i] = gaps[size_t(i)] >= fullWidthBearing * emInHeights ? u'）' : u')';
            if (!openers.empty())
                openers.pop_back();
        }
    }
    // A dot or dash standing apart between words is told by its ink: the recogniser reads the
    // middle dot that parts links and labels ("Privacy · Terms") as a full stop or a hyphen. A
    // small dot about as high as it is wide, well above the baseline of the characters on either
    // side (the higher of their bottoms, as one of them may have a descender), is a middle dot.
    // Between digits, which have no descenders, a full stop whose ink reaches well below theirs,
    // taller than wide, is the tail of a comma ("¥5,646" read as "¥5.646").
    if (piece) {
        for (qsizetype i = 1; i + 1 < chars.size(); ++i) {
            const bool betweenDigits = isDigit(chars[i - 1]) && isDigit(chars[i + 1]);
            // Set apart between words, or between letters beside Chinese text, where a full stop
            // or a hyphen may stand as well. Chinese typefaces set the middle dot between Latin
            // words as close as a hyphen: set close, only a round dot is taken for one, as a short
            // hyphen in small type, blurred when enlarged, is barely wider than high.
            const bool spaced = (gaps[size_t(i - 1)] >= latinBlank && gaps[size_t(i)] >= latinBlank) ||
                                (chars[i - 1].isLetterOrNumber() && chars[i + 1].isLetterOrNumber() &&
                                 (isHan(chars[i - 1]) || isHan(chars[i + 1])));
            const bool close = !spaced && chars[i - 1].isLetterOrNumber() && chars[i + 1].isLetterOrNumber();
            const bool apart = spaced || close;
            if (!(betweenDigits ? chars[i] == u'.' : apart && QStringView(u".-·•").contains(chars[i])))
                continue;
            // The baseline beside it from the nearest characters without descenders on either side
            // ("help.gotokeep.com": "p" and "g" both reach below it).
            const auto standing = [&](qsizetype j, qsizetype step) {
                for (qsizetype k = j; k >= 0 && k < chars.size() && chars[k].isLetterOrNumber(); k += step) {
                    if (!QStringView(u"gjpqyQ").contains(chars[k]))
                        return k;
                }
                return j;
            };
            const QRect before = inkBox(*piece, spans[size_t(standing(i - 1, -1))]);
            const QRect after = inkBox(*piece, spans[size_t(standing(i + 1, 1))]);
            if (betweenDigits) {
                const QRect dot = inkBox(*piece, spans[size_t(i)]);
                // A comma's tail makes its ink taller than wide; a full stop is about as wide as
                // high, though some typefaces set it low (Kai).
                if (!dot.isEmpty() && !before.isEmpty() && !after.isEmpty() &&
                    dot.bottom() - std::max(before.bottom(), after.bottom()) >=
                        std::max(2, textHeight / 10) &&
                    dot.height() * 4 > dot.width() * 5)
                    chars[i] = u',';
                continue;
            }
            // The mark's whole ink, between paper on either side: where the recogniser read it a
            // step off, the columns between the partings hold only a part of a hyphen, which then
            // looks as short as a dot ("Full-screen").
            const QRect dot =
                SignShapes::inkAround(*piece, spans[size_t(i)].first, spans[size_t(i)].second - 1);
            if (dot.isEmpty() || before.isEmpty() || after.isEmpty())
                continue;
            const int baseline = std::min(before.bottom(), after.bottom());
            if (dot.height() * 3 <= textHeight &&
                dot.width() <= (close ? dot.height() + 1 : dot.height() * 3 / 2 + 1) &&
                baseline - dot.bottom() >= textHeight / 6)
                chars[i] = u'·';
        }
    }
    // The rupee sign, which the recogniser's dictionary lacks, is read as the yen sign it looks
    // like; its ink tells them apart.
    if (piece) {
        for (qsizetype i = 0; i + 1 < chars.size(); ++i) {
            if (chars[i] == u'¥' && isDigit(chars[i + 1]) &&
                SignShapes::isRupee(*piece, inkBox(*piece, spans[size_t(i)])))
                chars[i] = u'₹';
        }
    }
    // Nor does it hold the euro sign, which it reads where the sign is set small as a letter or a
    // mark it looks like ("c30.00", "«30.00", "ε30.00"); its ink tells.
    if (piece) {
        for (qsizetype i = 0; i + 1 < chars.size(); ++i) {
            if (!isDigit(chars[i]) && chars[i].category() != QChar::Symbol_Currency &&
                isDigit(chars[i + 1]) && (i == 0 || !chars[i - 1].isLetterOrNumber()) &&
                isEuroByInk(*piece, inkBox(*piece, spans[size_t(i)]), page, source, textHeight))
                chars[i] = u'€';
        }
    }
    // A plus sign closing a word of Latin letters ("Disney+"), which some Chinese typefaces draw
    // like their "4", may be read as that digit. A digit reaches the height of the word's capitals
    // and stands on its baseline; a plus floats between the two.
    if (piece) {
        for (qsizetype i = 2; i < chars.size(); ++i) {
            if (chars[i] != u'4' ||
                (i + 1 < chars.size() && chars[i + 1].isLetterOrNumber() && gaps[size_t(i)] < latinBlank))
                continue;
            int top = piece->height();
            int baseline = -1;
            qsizetype letters = 0;
            for (qsizetype k = i - 1; k >= 0 && isNonChineseLetter(chars[k]); --k, ++letters) {
                const QRect ink = inkBox(*piece, spans[size_t(k)]);
                if (ink.isEmpty())
                    continue;
                top = std::min(top, ink.top());
                if (!QStringView(u"gjpqyQ").contains(chars[k]))
                    baseline = std::max(baseline, ink.bottom());
            }
            const QRect sign = inkBox(*piece, spans[size_t(i)]);
            if (letters >= 2 && !sign.isEmpty() && baseline >= 0 && sign.top() - top >= textHeight / 8 &&
                baseline - sign.bottom() >= textHeight / 10)
                chars[i] = u'+';
        }
    }
    // A dash or dot that starts a word of Chinese characters, set close before them, is the Han
    // character of one flat stroke ("一次性购买"), which the recogniser reads as a mark of the
    // same shape: a dash parts two words and a middle dot two names, and neither opens one. Its
    // stroke is about as wide as the characters after it.
    if (piece) {
        for (qsizetype i = 0; i + 1 < chars.size(); ++i) {
            const bool startsWord = i == 0 || gaps[size_t(i - 1)] >= chineseBlank;
            if (!startsWord || !QStringView(u"—-·").contains(chars[i]) || !isHan(chars[i + 1]) ||
                gaps[size_t(i)] >= chineseBlank)
                continue;
            const QRect stroke = inkBox(*piece, spans[size_t(i)]);
            if (!stroke.isEmpty() && stroke.width() >= em * flatStrokeWidth &&
                stroke.height() * 3 <= stroke.width())
                chars[i] = u'一';
        }
    }
    // A comma between a digit and three more ends a group of thousands ("14,191"), not a list.
    const auto isThousands = [&chars](qsizetype comma) {
        const auto digitAt = [&chars](qsizetype at) {
            return at >= 0 && at < chars.size() && isDigit(chars[at]);
        };
        return chars[comma] == u',' && digitAt(comma - 1) && digitAt(comma + 1) && digitAt(comma + 2) &&
               digitAt(comma + 3) && !digitAt(comma + 4);
    };
    // Nor does one between a digit and two more that end the number: the decimal comma of a price
    // ("12,99"), which Chinese typefaces set in as wide a cell as a digit.
    const auto isDecimalComma = [&chars](qsizetype comma) {
        const auto digitAt = [&chars](qsizetype at) {
            return at >= 0 && at < chars.size() && isDigit(chars[at]);
        };
        return chars[comma] == u',' && digitAt(comma - 1) && digitAt(comma + 1) && digitAt(comma + 2) &&
               !digitAt(comma + 3) &&
               !(comma + 3 < chars.size() && QStringView(u".,").contains(chars[comma + 3]) &&
                 digitAt(comma + 4));
    };
    QString text;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (i > 0) {
            const double gap = gaps[size_t(i - 1)];
            const QChar a = chars[i - 1];
            const QChar b = chars[i];
            const bool mixed = (isHan(a) && isLatinOrDigit(b)) || (isLatinOrDigit(a) && isHan(b));
            const bool letters = isNonChineseLetter(a) && isNonChineseLetter(b);
            const bool seen =
                kept[i].second || kept[i].first->blankOdds >= (letters ? letterBlankSeenOdds : blankSeenOdds);
            // Some Chinese typefaces set their characters loosely and Latin letters and digits
            // more loosely still beside them, a narrow one ("1", "l") in wide paper: where the
            // recogniser saw no blank, the gap stands out against twice their spacing.
            // Between two Latin letters, a blank stands out against the usual gap between the
            // piece's Latin letters where that is narrower: brackets and Chinese characters in the
            // piece ("Gold VIP（1个月）") would otherwise raise the usual gap to the blank's width.
            const double spacing = mixed     ? std::min(usual, hanGap)
                                   : letters ? std::min(usual, letterGap)
                                             : usual;
            bool blank = gap >= (mixed && !seen ? 2 : 1) * spacing + standOut && !isThousands(i - 1) &&
                         !isDecimalComma(i - 1) && isBlankBetween(a, b, gap, letterGap, kept[i].second, seen);
            // In cells, a letter split off beside an "l", "i" or "j" that ends or starts a word
            // stands a cell's advance from it, no more; the English words of one letter ("a",
            // "I") stand alone.
            if (blank && inCells && isNonChineseLetter(a) && isNonChineseLetter(b)) {
                const auto isLetterAt = [&chars, &isNonChineseLetter](qsizetype at) {
                    return at >= 0 && at < chars.size() && isNonChineseLetter(chars[at]);
                };
                const bool aloneAfter = QStringView(u"lij").contains(a) && isLetterAt(i - 2) &&
                                        !isLetterAt(i + 1) && b != u'a' && b != u'I';
                const bool aloneBefore = QStringView(u"lij").contains(b) && isLetterAt(i + 1) &&
                                         !isLetterAt(i - 2) && a != u'a' && a != u'I';
                if (aloneAfter || aloneBefore)
                    blank = advanceAt(i) >= cellBlank * cell;
            }
            if (blank && isChinese(a) && isChinese(b))
                blank = advanceAt(i) >= em * (1 + chineseExtraAdvance);
            // The blank of a Chinese typeface is narrow beside its loosely set characters, and
            // where the recogniser saw one, less paper tells it.
            if (!blank && seen && isHan(a) && isHan(b))
                blank = gap >= seenChineseBlank;
            // A middle dot beside Chinese text has blanks on both sides or on neither, and Chinese
            // typefaces give it paper of its own: the paper on its two sides together tells.
            const qsizetype dot = b == u'·' ? i : a == u'·' ? i - 1 : -1;
            if (dot > 0 && dot + 1 < chars.size() && (isHan(chars[dot - 1]) || isHan(chars[dot + 1])))
                blank = gaps[size_t(dot - 1)] + gaps[size_t(dot)] >= 2 * dotBlank * emInHeights;
            // A comma read unsurely after a blank the recogniser saw, run into the letters after
            // it, leads their word: a letter it could not make out ("34.99 ,er quarter" for
            // "£34.99 per quarter"), not a clause's end, which a blank follows.
            // (A mark runs into the letter after it where no blank stands between them.)
            const bool runsIntoNext = i + 1 < chars.size() && chars[i + 1].isLetter() &&
                                      !kept[i + 1].second && gaps[size_t(i)] < latinBlank;
            if (!blank && b == u',' && kept[i].second && kept[i].first->confidence < unsureLetter &&
                gap >= latinBlank && runsIntoNext)
                blank = true;
            // A hyphen run into the Latin word after it joins two words ("Full-screen"): where the
            // recogniser saw no blank before it, the paper there is a narrow letter's, unless wide
            // beyond doubt.
            if (blank && b == u'-' && !seen && gap < wideBlank && isNonChineseLetter(a) && runsIntoNext &&
                isNonChineseLetter(chars[i + 1]))
                blank = false;
            if (blank)
                text += u' ';
        }
        text += chars[i];
    }
    // A dash set apart between words, which the recogniser may take for the Han character of the
    // same shape ("VIP 一 连续包月").
    static const QRegularExpression dashApart(QStringLiteral("(?<= )一(?= )"));
    text.replace(dashApart, QStringLiteral("—"));
    // A Chinese date holds digits alone before its units: a letter there, beside a digit or alone,
    // is a digit read as the letter it looks like ("2026年s月9日").
    static const QRegularExpression letterInDate(
        QStringLiteral("(?<=[0-9]年|[0-9]月)(?:[0-9]?[sSoOlIzZbBg]|[sSoOlIzZbBg][0-9])(?=[月日号])"));
    static const QString letters = QStringLiteral("sSoOlIzZbBg");
    static const QString digits = QStringLiteral("55001122689");
    // One unit after another: a month read so tells the day after it.
    for (QRegularExpressionMatch match = letterInDate.match(text); match.hasMatch();
         match = letterInDate.match(text, match.capturedEnd())) {
        for (qsizetype i = match.capturedStart(); i < match.capturedEnd(); ++i) {
            if (const qsizetype k = letters.indexOf(text[i]); k >= 0)
                text[i] = digits[k];
        }
    }
    return text;
}

namespace {

// Whether the recogniser read a character at either end of a piece with too little confidence to
// keep it, over the piece's ink rather than the paper beside it: a letter it could not make out.
bool hasDoubtfulEnds(const QList<TextRecognizer::Glyph> &glyphs, const QImage &piece) {
    const QList<std::pair<int, int>> blanks = blankRuns(piece);
    const int firstInk = !blanks.isEmpty() && blanks.front().first == 0 ? blanks.front().second : 0;
    const int lastInk =
        !blanks.isEmpty() && blanks.back().second >= piece.width() ? blanks.back().first : piece.width();
    const auto doubtful = [&](const TextRecognizer::Glyph &glyph) {
        const int centre = glyph.step * stride + stride / 2;
        return glyph.confidence < minConfidence && centre >= firstInk && centre < lastInk;
    };
    qsizetype first = 0, last = glyphs.size() - 1;
    while (first <= last && glyphs[first].character.isSpace())
        ++first;
    while (last >= first && glyphs[last].character.isSpace())
        --last;
    return first <= last && (doubtful(glyphs[first]) || doubtful(glyphs[last]));
}

// `text`, spelt from `glyphs` on `piece`, with its unsureLatinRuns() spelt as a piece of Latin alone
// would be (preferLatinSpelling), with the reading of `latin` of their columns ("2024年Nor" for
// "2024年Nov").
QString withLatinRunsMended(const QString &text, const QList<TextRecognizer::Glyph> &glyphs,
                            const QImage &piece, LatinReader &latin) {
    const QString marks = unsureLettersOf(text, glyphs);
    QString result;
    qsizetype copied = 0;
    for (const LatinRun &run : unsureLatinRuns(text, glyphs, blankRuns(piece), piece.width())) {
        // Paper either side, as around a piece of its own.
        const int margin = piece.height() / 4;
        QImage crop(run.right - run.left + 2 * margin, piece.height(), QImage::Format_Grayscale8);
        crop.fill(255);
        for (int y = 0; y < piece.height(); ++y)
            std::copy_n(piece.constScanLine(y) + run.left, run.right - run.left, crop.scanLine(y) + margin);
        const QString ours = text.mid(run.start, run.end - run.start);
        const QString latinRun = latin.readLine(crop);
        const QString runMarks = marks.mid(run.start, run.end - run.start);
        QString mended = preferLatinSpelling(ours, latinRun, false, runMarks, isWordOf(latin),
                                             confirmingReading(ours, latinRun, runMarks, crop, latin));
        mended = withCaseOf(ours, mended);
        if (mended != ours) {
            result += QStringView(text).mid(copied, run.start - copied);
            result += mended;
            copied = run.end;
        }
    }
    if (copied == 0)
        return text;
    result += QStringView(text).mid(copied);
    return result;
}

// Whether the piece shows the ink of a character the recogniser read nothing on just before the
// first digit it read, with no letter or digit read before that: a sign its dictionary lacks
// ("£10.99" read as "10.99"). The character stands apart between columns of paper, a third of the
// type's height at least (no hyphen or speck; some typefaces set the sign small), and no
// character read is placed on it. The box around its ink; empty where there is none.
QRect unreadBeforeDigits(const QList<TextRecognizer::Glyph> &glyphs, const QImage &piece, int textHeight) {
    const auto firstDigit =
        std::find_if(glyphs.begin(), glyphs.end(),
                     [](const TextRecognizer::Glyph &glyph) { return isDigit(glyph.character); });
    if (firstDigit == glyphs.end() ||
        std::any_of(glyphs.begin(), firstDigit,
                    [](const TextRecognizer::Glyph &g) { return g.character.isLetter(); }))
        return {};
    const auto centre = [](const TextRecognizer::Glyph &glyph) { return glyph.step * stride + stride / 2; };
    // The columns with ink, as [start, end) runs between the blank ones.
    QList<std::pair<int, int>> inked;
    int from = 0;
    for (const auto &[start, end] : blankRuns(piece)) {
        if (start > from)
            inked.append({from, start});
        from = end;
    }
    if (from < piece.width())
        inked.append({from, piece.width()});
    // The run the digit is placed on, or the first after it where it is placed in a gap.
    const int digitAt = centre(*firstDigit);
    const auto digitRun = std::find_if(inked.begin(), inked.end(), [digitAt](const std::pair<int, int> &run) {
        return digitAt < run.second;
    });
    if (digitRun == inked.begin() || digitRun == inked.end())
        return {};
    const int start = (digitRun - 1)->first;
    const int end = (digitRun - 1)->second;
    if (std::any_of(glyphs.begin(), firstDigit, [&](const TextRecognizer::Glyph &glyph) {
            return centre(glyph) >= start - stride / 2 && centre(glyph) < end + stride / 2;
        }))
        return {};
    const int inkBelow = (TextLines::darkestIn(piece, piece.rect()) + 255) / 2;
    int top = piece.height(), bottom = -1;
    for (int y = 0; y < piece.height(); ++y) {
        const uchar *row = piece.constScanLine(y);
        if (std::any_of(row + start, row + end, [inkBelow](uchar v) { return v < inkBelow; })) {
            top = std::min(top, y);
            bottom = y;
        }
    }
    if (bottom - top + 1 < textHeight / 3 || end - start < textHeight / 4)
        return {};
    return QRect(start, top, end - start, bottom - top + 1);
}

// `text` with `sign` before its first number, in place of any other sign either reader set there:
// the ink of an unread character before it was told to be that sign's.
QString withSignBeforeFirstNumber(QString text, QChar sign) {
    const auto digit = std::find_if(text.begin(), text.end(), isDigit);
    if (digit == text.end() || std::any_of(text.begin(), digit, [](QChar c) { return c.isLetter(); }))
        return text;
    qsizetype at = digit - text.begin();
    if (at > 0 && text[at - 1] == u' ')
        --at;
    if (at > 0 && text[at - 1].category() == QChar::Symbol_Currency)
        text[at - 1] = sign;
    else
        text.insert(digit - text.begin(), sign);
    return text;
}

} // namespace

namespace {

struct Strip {
    QList<std::pair<qsizetype, int>> placed; // piece, left column
    int used = 0;
};

// Packs `which` of `pieces` into strips as wide as the recogniser reads, widest first, each into
// the first strip with room for it: every strip costs the same to read however much of it is
// paper, and this fills them better than packing in reading order. The strips filled to half
// their width or less (the last ones) are made narrow. At most `most` strips; the
// pieces beyond them are not read.
std::vector<Strip> pack(const QList<Piece> &pieces, std::vector<qsizetype> which, int most,
                        QList<QImage> &images) {
    const auto widthOf = [&pieces](qsizetype i) {
        return std::min<int>(pieces[i].image.width(), TextRecognizer::inputWidth);
    };
    std::stable_sort(which.begin(), which.end(),
                     [&widthOf](qsizetype a, qsizetype b) { return widthOf(a) > widthOf(b); });
    std::vector<Strip> strips;
    for (const qsizetype index : which) {
        const int width = widthOf(index);
        auto strip = std::find_if(strips.begin(), strips.end(), [width](const Strip &s) {
            return s.used + width <= TextRecognizer::inputWidth;
        });
        if (strip == strips.end()) {
            if (int(strips.size()) >= most)
                continue;
            strip = strips.insert(strips.end(), Strip{});
        }
        strip->placed.append({index, strip->used});
        strip->used += (width + packGap + stride - 1) / stride * stride;
    }
    for (const Strip &packed : strips) {
        // A strip with room to spare for half its width is read by the narrower graph.
        const int stripWidth = packed.used <= TextRecognizer::narrowWidth ? TextRecognizer::narrowWidth
                                                                          : TextRecognizer::inputWidth;
        QImage strip(stripWidth, height, QImage::Format_Grayscale8);
        strip.fill(255);
        for (const auto &[index, left] : packed.placed) {
            const QImage &image = pieces[index].image;
            const int width = widthOf(index);
            for (int y = 0; y < height; ++y)
                std::copy_n(image.constScanLine(y), width, strip.scanLine(y) + left);
        }
        images.append(strip);
    }
    return strips;
}

// The characters of a strip read over the piece placed at column `left`, with their steps
// counted from the piece's left edge.
QList<TextRecognizer::Glyph> glyphsOf(const QList<TextRecognizer::Glyph> &glyphs, const Piece &piece,
                                      int left) {
    const int firstStep = left / stride;
    const int endStep = (left + piece.image.width() + packGap / 2) / stride;
    QList<TextRecognizer::Glyph> own;
    for (TextRecognizer::Glyph glyph : glyphs) {
        if (glyph.step >= firstStep - 1 && glyph.step < endStep) {
            glyph.step = std::max(0, glyph.step - firstStep);
            own.append(glyph);
        }
    }
    return own;
}

// Whether `second`, another reading of a piece, reads the characters that `first` read surely the
// same, in the same order, and differs only in those it was unsure of: a reading that leaves out
// or adds characters, or changes sure ones, is no surer reading of the same text.
bool changesOnlyUnsure(const QList<TextRecognizer::Glyph> &first,
                       const QList<TextRecognizer::Glyph> &second) {
    const auto characters = [](const QList<TextRecognizer::Glyph> &glyphs) {
        QList<TextRecognizer::Glyph> found;
        for (const TextRecognizer::Glyph &glyph : glyphs) {
            if (!glyph.character.isSpace())
                found.append(glyph);
        }
        return found;
    };
    const QList<TextRecognizer::Glyph> a = characters(first);
    const QList<TextRecognizer::Glyph> b = characters(second);
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].confidence >= unsure && a[i].character != b[i].character)
            return false;
    }
    return true;
}

// How surely the recogniser read a piece: the confidence of its least certain character, 0 when
// it read nothing.
float sureness(const QList<TextRecognizer::Glyph> &glyphs) {
    float least = 1;
    bool any = false;
    for (const TextRecognizer::Glyph &glyph : glyphs) {
        if (!glyph.character.isSpace()) {
            least = std::min(least, glyph.confidence);
            any = true;
        }
    }
    return any ? least : 0;
}

} // namespace

QList<QRect> lines(const QImage &page, int lineHeight, const QImage &edges) {
    QList<QRect> lines = TextLines::find(page, lineHeight, edges);
    if (lineHeight <= 0)
        return lines;
    // The bands of one line of faint type: two lines mostly over the same columns, together no
    // higher than a line and a quarter, with ink of their own contrast (see inkBelowIn) in every
    // row between them. Two lines of text have paper between them at any contrast.
    // The parts of a line follow each other closely in reading order.
    constexpr qsizetype nearBy = 4;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (qsizetype j = i + 1; j < std::min(lines.size(), i + 1 + nearBy); ++j) {
            const QRect &a = lines[i];
            const QRect &b = lines[j];
            const int left = std::max(a.left(), b.left());
            const int right = std::min(a.right(), b.right());
            const QRect both = a | b;
            if ((right - left + 1) * 2 < std::min(a.width(), b.width()) || both.height() * 4 > lineHeight * 5)
                continue;
            const int inkBelow = inkBelowIn(page, both);
            if (inkBelow <= TextLines::inkBelow)
                continue;
            // The rows between them; none where one stands beside the other's value on its row.
            bool joined = true;
            for (int y = std::min(a.bottom(), b.bottom()) + 1; y < std::max(a.top(), b.top()) && joined;
                 ++y) {
                const uchar *row = page.constScanLine(y);
                joined =
                    std::any_of(row + left, row + right + 1, [inkBelow](uchar v) { return v < inkBelow; });
            }
            if (joined) {
                lines[i] = both;
                lines.removeAt(j);
                j = i;
            }
        }
    }
    // A line of which the threshold found only a band (the darker strokes across the middle of
    // its characters), far lower than a line, takes in the rows of its lighter strokes above and
    // below, up to the height of a line and a quarter, and never rows of another line over the
    // same columns.
    std::vector<QRect> byTop(lines.begin(), lines.end());
    std::sort(byTop.begin(), byTop.end(), [](const QRect &a, const QRect &b) { return a.top() < b.top(); });
    const int most = lineHeight * 5 / 4;
    for (QRect &line : lines) {
        const int inkBelow = inkBelowIn(page, line);
        if (inkBelow <= TextLines::inkBelow || line.height() * 4 >= lineHeight * 3)
            continue;
        const QRect reach(line.left(), line.bottom() - most, line.width(), 2 * most + 1);
        std::vector<QRect> others;
        for (auto it = std::lower_bound(byTop.begin(), byTop.end(), reach.top() - 2 * most,
                                        [](const QRect &r, int top) { return r.top() < top; });
             it != byTop.end() && it->top() <= reach.bottom(); ++it) {
            if (*it != line && it->intersects(reach))
                others.push_back(*it);
        }
        const auto faintOnly = [&](int y) {
            const uchar *row = page.constScanLine(y);
            return std::any_of(row + line.left(), row + line.right() + 1,
                               [inkBelow](uchar v) { return v < inkBelow; }) &&
                   std::none_of(others.begin(), others.end(), [&line, y](const QRect &other) {
                       return other.top() <= y && y <= other.bottom() && other.left() <= line.right() &&
                              line.left() <= other.right();
                   });
        };
        while (line.height() < most && line.top() > 0 && faintOnly(line.top() - 1))
            line.setTop(line.top() - 1);
        while (line.height() < most && line.bottom() + 1 < page.height() && faintOnly(line.bottom() + 1))
            line.setBottom(line.bottom() + 1);
    }
    return lines;
}

QList<TextRecognizer::Glyph> withoutCharactersReadTwice(QList<TextRecognizer::Glyph> glyphs,
                                                        const QList<std::pair<int, int>> &blanks,
                                                        int textHeight) {
    // Whether the steps `a` and `b` are read on one narrow run of ink, with no other ink about
    // them: the columns of the two steps and a half step either side.
    const auto oneStroke = [&blanks, textHeight](int a, int b) {
        if (textHeight <= 0 || blanks.isEmpty())
            return false;
        const int from = a * stride - stride / 2;
        const int to = (b + 1) * stride + stride / 2;
        int runs = 0, width = 0;
        for (qsizetype k = 0; k + 1 < blanks.size(); ++k) {
            const int start = blanks[k].second;
            const int end = blanks[k + 1].first;
            if (start < to && end > from) {
                ++runs;
                width = end - start;
            }
        }
        return runs == 1 && width * 2 <= textHeight;
    };
    // Latin letters of small type may stand a step apart, each the other's runner-up ("er"); a
    // letter and a digit that look alike only where neither is of one narrow stroke ("1l").
    const auto han = [](QChar c) { return isChinese(c) && !isChinesePunctuation(c); };
    const auto digitAndLetter = [&han](QChar a, QChar b) {
        return ((isDigit(a) && b.isLetter() && !han(b)) || (isDigit(b) && a.isLetter() && !han(a))) &&
               !isNarrowStroke(a) && !isNarrowStroke(b);
    };
    // A bracket or bar read on the step beside a narrow letter, within a step of the narrow run of
    // ink the letter is read on, is a second reading of the letter's upright ("Professiona]l"),
    // whatever the runners-up.
    const auto upright = [](QChar c) { return QStringView(u"[]|").contains(c); };
    const auto narrowLetter = [](QChar c) { return QStringView(u"lIij").contains(c); };
    // (A narrow letter at the end of a piece may be read a step after its ink.)
    const auto onStrokeOf = [&blanks, textHeight](int mark, int letter) {
        const int at = letter * stride + stride / 2;
        const int markAt = mark * stride + stride / 2;
        for (qsizetype k = 0; k + 1 < blanks.size(); ++k) {
            const int start = blanks[k].second;
            const int end = blanks[k + 1].first;
            if (start - stride <= at && at < end + stride)
                return (end - start) * 2 <= textHeight && markAt >= start - stride && markAt < end + stride;
        }
        return false;
    };
    for (qsizetype i = glyphs.size() - 1; i > 0; --i) {
        const TextRecognizer::Glyph &a = glyphs[i - 1];
        const TextRecognizer::Glyph &b = glyphs[i];
        if (b.step - a.step != 1)
            continue;
        if (upright(a.character) && narrowLetter(b.character) && onStrokeOf(a.step, b.step))
            glyphs.removeAt(i - 1);
        else if (upright(b.character) && narrowLetter(a.character) && onStrokeOf(b.step, a.step))
            glyphs.removeAt(i);
    }
    for (qsizetype i = glyphs.size() - 1; i > 0; --i) {
        const TextRecognizer::Glyph &a = glyphs[i - 1];
        const TextRecognizer::Glyph &b = glyphs[i];
        if (b.step - a.step != 1 || a.alternative != b.character || b.alternative != a.character)
            continue;
        const bool aSign = a.character.category() == QChar::Symbol_Currency;
        const bool bSign = b.character.category() == QChar::Symbol_Currency;
        if (bSign && a.character.isLetter())
            glyphs.removeAt(i - 1);
        else if (aSign && b.character.isLetter())
            glyphs.removeAt(i);
        // Nor does a letter stand beside itself in the other case.
        else if ((han(a.character) && han(b.character)) || digitAndLetter(a.character, b.character) ||
                 (isLatinLetter(a.character) && a.character != b.character &&
                  a.character.toLower() == b.character.toLower()) ||
                 (isNarrowStroke(a.character) && isNarrowStroke(b.character) && oneStroke(a.step, b.step)))
            glyphs.removeAt(a.confidence < b.confidence ? i - 1 : i);
    }
    return glyphs;
}

QList<TextRecognizer::Glyph> withKnownWords(QList<TextRecognizer::Glyph> glyphs) {
    // The least probability of the runner-up taken instead. Where at least as many of the word's
    // characters are read as themselves as are mended, they bear the runner-ups out, and a fainter
    // runner-up will do: the recogniser leans towards the commoner of two look-alikes at every size
    // and in every rendering of the line, giving the other odds as low as a tenth.
    constexpr float likelyToo = 0.15f;
    constexpr float likelyInWord = 0.05f;
    const QStringList &words = ReceiptParser::chineseWords();
    static const QString ofWords = words.join(QString());
    const auto han = [](QChar c) { return isChinese(c) && !isChinesePunctuation(c); };
    const auto mayMend = [&](const TextRecognizer::Glyph &g) {
        return han(g.character) && han(g.alternative) && g.alternativeConfidence >= likelyInWord &&
               !ofWords.contains(g.character) && ofWords.contains(g.alternative);
    };
    if (std::none_of(glyphs.begin(), glyphs.end(), mayMend))
        return glyphs;
    // The characters without the blanks read between them.
    std::vector<qsizetype> at;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        if (!glyphs[i].character.isSpace())
            at.push_back(i);
    }
    for (const QString &word : words) {
        for (size_t start = 0; start + size_t(word.size()) <= at.size(); ++start) {
            bool spells = true;
            qsizetype mended = 0;
            float faintest = 1;
            for (qsizetype k = 0; k < word.size() && spells; ++k) {
                const TextRecognizer::Glyph &g = glyphs[at[start + size_t(k)]];
                if (g.character == word[k])
                    continue;
                spells = mayMend(g) && g.alternative == word[k];
                faintest = std::min(faintest, g.alternativeConfidence);
                ++mended;
            }
            if (!spells || mended == 0 || faintest < (2 * mended <= word.size() ? likelyInWord : likelyToo))
                continue;
            for (qsizetype k = 0; k < word.size(); ++k) {
                TextRecognizer::Glyph &g = glyphs[at[start + size_t(k)]];
                // The confidence stays: that a character stands there.
                if (g.character != word[k])
                    std::swap(g.character, g.alternative);
            }
        }
    }
    return glyphs;
}

QStringList read(const QImage &page, int lineHeight, TextRecognizer &recognizer, LatinReader *latin,
                 const QImage &edges) {
    const QList<QRect> boxes = lines(page, lineHeight, edges);
    QList<Piece> pieces;
    for (qsizetype i = 0; i < boxes.size(); ++i)
        pieces += cut(page, boxes[i], int(i));
    std::vector<qsizetype> all(size_t(pieces.size()));
    std::iota(all.begin(), all.end(), qsizetype(0));
    // A page of noise may hold thousands of specks that look like lines; reading them all would
    // take minutes. A receipt fills far fewer strips than this.
    QList<QImage> images;
    const std::vector<Strip> strips = pack(pieces, all, maxStrips, images);
    // Each strip's pieces are spelt, and read again by the Latin reader where needed, on the
    // thread that read the strip as soon as it is read: the Latin readings then share both cores
    // with the strips still to be read instead of following them all on one. The Latin reader
    // reads for one thread at a time.
    std::vector<QString> texts(size_t(pieces.size()));
    std::mutex latinInUse;
    const auto spellPiece = [&](const Piece &piece, const QList<TextRecognizer::Glyph> &readGlyphs) {
        const QList<std::pair<int, int>> blanks = blankRuns(piece.image);
        const QList<TextRecognizer::Glyph> own =
            withKnownWords(withoutCharactersReadTwice(readGlyphs, blanks, piece.textHeight));
        QString text =
            spell(own, blanks, piece.textHeight, piece.image.width(), &piece.image, &page, piece.source);
        const bool latinOnly = std::none_of(text.begin(), text.end(), isChinese);
        const bool endsDoubtful = latinOnly && hasDoubtfulEnds(own, piece.image);
        if (latin && !latinOnly && !unsureLettersOf(text, own).isEmpty()) {
            std::lock_guard lock(latinInUse);
            text = withLatinRunsMended(text, own, piece.image, *latin);
        }
        const QString unsure = latinOnly ? unsureLettersOf(text, own) : QString();
        if (latin && (text.contains(amountWithoutSign()) || text.contains(cutShort()) ||
                      text.contains(priceWithLetters()) || mayMistakeLetters(text) || endsDoubtful ||
                      !unsure.isEmpty())) {
            std::lock_guard lock(latinInUse);
            const QString latinReading = latin->readLine(piece.image);
            const QRect unread = unreadBeforeDigits(own, piece.image, piece.textHeight);
            const std::optional<QString> confirming =
                confirmingReading(text, latinReading, unsure, piece.image, *latin, endsDoubtful);
            const auto mend = [&](const QString &reading) {
                return restoreSigns(withPlusByInk(preferLatinSpelling(text, reading, endsDoubtful, unsure,
                                                                      isWordOf(*latin), confirming),
                                                  piece.image),
                                    reading, !unread.isEmpty());
            };
            QString mended = mend(latinReading);
            // A sign the recogniser missed or read as a letter ("l70.00" for "£170.00", "e12.99"
            // for "€12.99") that the Latin model did not make out either: small signs it reads
            // better at twice the size, where their strokes stand apart.
            if (mayHoldUnreadSign(text, !unread.isEmpty()) && mended.contains(amountWithoutSign())) {
                const QString other = mend(readScaled(*latin, piece.image, 2, 1));
                if (!other.contains(amountWithoutSign()) &&
                    addsOnlySignsUnreadable(mended, other, recognizer.signs()))
                    mended = other;
            }
            text = mended;
            if (!unread.isEmpty() && SignShapes::isPound(piece.image, unread))
                text = withSignBeforeFirstNumber(text, u'£');
            else if (isEuroByInk(piece.image, unread, &page, piece.source, piece.textHeight))
                text = withSignBeforeFirstNumber(text, u'€');
        } else if (latin && piece.image.width() <= 2 * height &&
                   std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); })) {
            // A short piece read as nothing or a mark alone may hold a sign the recogniser's
            // dictionary lacks, set apart from its amount by a wide blank ("€  78.90",
            // "-€  85.90").
            std::lock_guard lock(latinInUse);
            const QString latinReading = latin->readLine(piece.image);
            QString marks = latinReading;
            marks.remove(u'€').remove(u'£');
            if (marks.size() < latinReading.size() && marks.remove(u' ') == QString(text).remove(u' '))
                text = latinReading;
        }
        return text;
    };
    // Pieces read unsurely are read once more in another rendering (small type blurs when it is
    // enlarged, and the recogniser reads it better at one size than another).
    std::vector<QList<TextRecognizer::Glyph>> doubtful(size_t(pieces.size()));
    std::vector<qsizetype> again;
    std::mutex againInUse;
    recognizer.readAll(images, [&](qsizetype s, const QList<TextRecognizer::Glyph> &glyphs) {
        for (const auto &[index, left] : strips[size_t(s)].placed) {
            const Piece &piece = pieces[index];
            QList<TextRecognizer::Glyph> own = glyphsOf(glyphs, piece, left);
            if (sureness(own) < unsure) {
                std::lock_guard lock(againInUse);
                doubtful[size_t(index)] = std::move(own);
                again.push_back(index);
                continue;
            }
            texts[size_t(index)] = spellPiece(piece, own);
        }
    });
    if (!again.empty()) {
        // In reading order, not in the order the two threads read them: the pieces a strip holds
        // side by side sway how each is read, and a page is read the same every time.
        std::sort(again.begin(), again.end());
        QList<Piece> other;
        std::vector<qsizetype> which;
        for (const qsizetype index : again) {
            which.push_back(other.size());
            other.append(scaled(page, pieces[index].source, pieces[index].line, true));
        }
        QList<QImage> otherImages;
        const std::vector<Strip> otherStrips = pack(other, which, maxStrips, otherImages);
        std::vector<bool> done(again.size(), false);
        recognizer.readAll(otherImages, [&](qsizetype s, const QList<TextRecognizer::Glyph> &glyphs) {
            for (const auto &[k, left] : otherStrips[size_t(s)].placed) {
                const qsizetype index = again[size_t(k)];
                const QList<TextRecognizer::Glyph> own = glyphsOf(glyphs, other[k], left);
                const QList<TextRecognizer::Glyph> &first = doubtful[size_t(index)];
                texts[size_t(index)] =
                    changesOnlyUnsure(first, own) && sureness(own) >= sureness(first) + surerBy
                        ? spellPiece(other[k], own)
                        : spellPiece(pieces[index], first);
                done[size_t(k)] = true;
            }
        });
        for (size_t k = 0; k < again.size(); ++k) {
            if (!done[k])
                texts[size_t(again[k])] = spellPiece(pieces[again[k]], doubtful[size_t(again[k])]);
        }
    }
    // A mark set apart between two pieces of a line, small, about as wide as it is high and well
    // above their baseline, is the middle dot that parts links and labels ("Privacy · Terms"),
    // whatever the recogniser made of it on its own.
    for (qsizetype i = 1; i + 1 < pieces.size(); ++i) {
        const QString &text = texts[size_t(i)];
        if (pieces[i - 1].line != pieces[i].line || pieces[i + 1].line != pieces[i].line ||
            !(text.isEmpty() || (text.size() == 1 && QStringView(u".-·•。一—").contains(text.front()))))
            continue;
        const QRect dot = tightBox(page, pieces[i].source);
        const QRect before = tightBox(page, pieces[i - 1].source);
        const QRect after = tightBox(page, pieces[i + 1].source);
        const int rowHeight = boxes[pieces[i].line].height();
        if (!dot.isEmpty() && dot.height() * 3 <= rowHeight && dot.width() <= dot.height() * 3 / 2 + 1 &&
            std::min(before.bottom(), after.bottom()) - dot.bottom() >= rowHeight / 6)
            texts[size_t(i)] = QStringLiteral("·");
    }
    // The pieces of each line, left to right, as they were cut; the lines of each row of the page.
    struct Word {
        QString text;
        bool close;
        double squeezedGap;
    };
    QList<QList<Word>> words(boxes.size());
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (!texts[size_t(i)].isEmpty())
            words[pieces[i].line].append(
                {texts[size_t(i)], pieces[i].closeToPrevious, pieces[i].squeezedGap});
    }
    // Pieces apart are words apart, but full-width punctuation carries its own spacing: a gap
    // beside it ("超级会员，本邮件") is no blank. Pieces are cut at gaps wider than the spacing a
    // bracket carries, though: one after a closing bracket or before an opening one is a blank
    // ("【个人版】 生效中").
    const auto carriesSpacing = [](QChar before, QChar after) {
        return (isChinesePunctuation(before) && !QStringView(u"）】」』》").contains(before)) ||
               (isChinesePunctuation(after) && !QStringView(u"（【「『《").contains(after));
    };
    // Rows are told by the text read: a line of nothing read (an icon, a rule, a speck) holds no
    // row together, and a line's ink read as nothing (what is left of an icon's frame beside its
    // caption) does not make it higher than its text. Rows are told by the ink the lines were
    // found by, without the lighter rows taken in with faint type.
    QList<QRect> readInk(boxes.size());
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (!texts[size_t(i)].isEmpty()) {
            const QRect core = tightBox(page, pieces[i].source);
            readInk[pieces[i].line] |= core.isEmpty() ? pieces[i].source : core;
        }
    }
    QList<QRect> readBoxes;
    QList<qsizetype> readLine;
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        if (!readInk[i].isEmpty()) {
            readBoxes.append(readInk[i]);
            readLine.append(i);
        }
    }
    QStringList lines;
    for (const QList<qsizetype> &row : TextLines::rows(readBoxes)) {
        QString text;
        for (const qsizetype index : row) {
            const qsizetype line = readLine[index];
            for (const Word &word : std::as_const(words[line])) {
                // A Latin word's mark read as a full-width one, at the end of a piece before
                // another Latin one (see spell).
                if (text.size() >= 2 && fullWidthLatinMarks.contains(text.back()) &&
                    isLatinLetter(text[text.size() - 2]) && word.text.front().unicode() < 0x80 &&
                    word.text.front().isLetterOrNumber())
                    text.back() = halfWidth(text.back());
                // A piece cut off only to fit a strip may have been cut between the characters
                // of a word, or after a bracket that carries its own spacing: its gap tells a
                // blank as the gaps inside a piece do.
                if (!text.isEmpty() &&
                    (word.squeezedGap >= 0 ? isBlankBetween(text.back(), word.text.front(), word.squeezedGap,
                                                            0, word.squeezedGap >= latinBlank, true)
                                           : !word.close && !carriesSpacing(text.back(), word.text.front())))
                    text += u' ';
                text += word.text;
            }
        }
        if (!text.isEmpty())
            lines.append(text);
    }
    return lines;
}

} // namespace PageReader
