#include "ScanImage.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace ScanImage {

namespace {

// Each pixel's grey by the given rule on its colour; transparent parts (window shadows, rounded
// corners) count as white paper.
template <typename GreyOf> QImage greyOnPaper(const QImage &image, GreyOf greyOf) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage grey(argb.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        uchar *out = grey.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            out[x] = uchar((greyOf(in[x]) * alpha + 255 * (255 - alpha)) / 255);
        }
    }
    return grey;
}

QImage toGrey(const QImage &image) {
    if (image.format() == QImage::Format_Grayscale8)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_Grayscale8);
    return greyOnPaper(image, [](QRgb pixel) { return qGray(pixel); });
}

// The grey of coloured text on a light page as dark as its colour stands out: the weakest of a
// pixel's three colours. Light green, orange or sky blue text on white is as plain to the eye as
// grey text, though its plain grey is nearly white. (On a dark page, inverted, such text is dark
// already.)
QImage toContrastGrey(const QImage &image) {
    return greyOnPaper(image, [](QRgb pixel) {
        return std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
    });
}

// The most common grey level, from a histogram of 32 bins.
int backgroundLevel(const QImage &grey) {
    // Four histograms filled in turn: runs of equal pixels would otherwise make every count wait
    // for the one before.
    std::array<std::array<qint64, 32>, 4> bins{};
    const int step = grey.width() * qint64(grey.height()) > 2'000'000 ? 2 : 1;
    for (int y = 0; y < grey.height(); y += step) {
        const uchar *row = grey.constScanLine(y);
        int x = 0;
        for (; x + 3 * step < grey.width(); x += 4 * step) {
            ++bins[0][row[x] >> 3];
            ++bins[1][row[x + step] >> 3];
            ++bins[2][row[x + 2 * step] >> 3];
            ++bins[3][row[x + 3 * step] >> 3];
        }
        for (; x < grey.width(); x += step)
            ++bins[0][row[x] >> 3];
    }
    std::array<qint64, 32> total{};
    for (size_t b = 0; b < total.size(); ++b)
        total[b] = bins[0][b] + bins[1][b] + bins[2][b] + bins[3][b];
    const auto mode = std::max_element(total.begin(), total.end()) - total.begin();
    return int(mode) * 8 + 4;
}

// Whether at least two pixels of the row are darker than `inkBelow`; counted in blocks that the
// compiler vectorises.
bool hasTwoInkPixels(const uchar *row, int width, int inkBelow) {
    constexpr int block = 64;
    int count = 0;
    for (int x = 0; x < width; x += block) {
        const int end = std::min(width, x + block);
        for (int i = x; i < end; ++i)
            count += row[i] < inkBelow;
        if (count >= 2)
            return true;
    }
    return false;
}

// Sliding maximum over the 2 * radius + 1 values around each of a row (fewer at its ends), in
// place (van Herk / Gil-Werman): maxima from the start and from the end of blocks of the window's
// size, then one maximum of two per value, a loop the compiler vectorises.
void slidingMax(uchar *values, int count, int radius, std::vector<uchar> &forward,
                std::vector<uchar> &backward) {
    const int k = 2 * radius + 1;
    forward.resize(size_t(count));
    backward.resize(size_t(count));
    for (int start = 0; start < count; start += k) {
        const int end = std::min(count, start + k);
        forward[size_t(start)] = values[start];
        for (int i = start + 1; i < end; ++i)
            forward[size_t(i)] = std::max(values[i], forward[size_t(i - 1)]);
        backward[size_t(end - 1)] = values[end - 1];
        for (int i = end - 2; i >= start; --i)
            backward[size_t(i)] = std::max(values[i], backward[size_t(i + 1)]);
    }
    // The window [lo, hi] spans at most two blocks: the end of the one holding lo and the start
    // of the one holding hi. Near the row's ends it is cut short and may lie in one block, which
    // then starts at lo or ends at hi.
    const auto windowMax = [&](int i) {
        const int lo = std::max(0, i - radius);
        const int hi = std::min(count - 1, i + radius);
        if (lo / k != hi / k)
            return std::max(backward[size_t(lo)], forward[size_t(hi)]);
        return lo % k == 0 ? forward[size_t(hi)] : backward[size_t(lo)];
    };
    const int head = std::min(count, radius);
    const int tail = std::max(head, count - radius);
    for (int i = 0; i < head; ++i)
        values[i] = windowMax(i);
    for (int i = head; i < tail; ++i)
        values[i] = std::max(backward[size_t(i - radius)], forward[size_t(i + radius)]);
    for (int i = tail; i < count; ++i)
        values[i] = windowMax(i);
}

struct Component {
    int left = 0, top = 0, right = 0, bottom = 0; // inclusive
    qint64 pixels = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    double fill() const { return double(pixels) / (double(width()) * height()); }
};

// Connected components (8-neighbourhood) of the pixels darker than `inkBelow`. `labels` gets the
// component number + 1 of every pixel, 0 for paper.
std::vector<Component> components(const QImage &grey, int inkBelow, std::vector<int> &labels) {
    const int w = grey.width();
    const int h = grey.height();
    labels.assign(size_t(w) * size_t(h), 0);
    std::vector<int> parent{0};
    auto find = [&parent](int a) {
        while (parent[size_t(a)] != a) {
            parent[size_t(a)] = parent[size_t(parent[size_t(a)])];
            a = parent[size_t(a)];
        }
        return a;
    };
    auto unite = [&](int a, int b) {
        a = find(a);
        b = find(b);
        if (a != b)
            parent[size_t(std::max(a, b))] = std::min(a, b);
    };
    for (int y = 0; y < h; ++y) {
        const uchar *row = grey.constScanLine(y);
        int *here = labels.data() + size_t(y) * size_t(w);
        const int *above = y > 0 ? here - w : nullptr;
        for (int x = 0; x < w; ++x) {
            if (row[x] >= inkBelow)
                continue;
            int label = 0;
            auto take = [&](int other) {
                if (other == 0)
                    return;
                if (label == 0)
                    label = other;
                else if (other != label)
                    unite(label, other);
            };
            if (x > 0)
                take(here[x - 1]);
            if (above) {
                take(above[x]);
                if (x > 0)
                    take(above[x - 1]);
                if (x + 1 < w)
                    take(above[x + 1]);
            }
            if (label == 0) {
                label = int(parent.size());
                parent.push_back(label);
            }
            here[x] = label;
        }
    }
    // Renumber the roots densely and gather the boxes.
    std::vector<int> number(parent.size(), 0);
    std::vector<Component> found;
    for (size_t i = 1; i < parent.size(); ++i) {
        const int root = find(int(i));
        if (number[size_t(root)] == 0) {
            found.push_back(Component{w, h, -1, -1, 0});
            number[size_t(root)] = int(found.size());
        }
        number[i] = number[size_t(root)];
    }
    for (int y = 0; y < h; ++y) {
        int *here = labels.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            if (here[x] == 0)
                continue;
            here[x] = number[size_t(here[x])];
            Component &c = found[size_t(here[x] - 1)];
            c.left = std::min(c.left, x);
            c.right = std::max(c.right, x);
            c.top = std::min(c.top, y);
            c.bottom = std::max(c.bottom, y);
            ++c.pixels;
        }
    }
    return found;
}

// A button: text on a filled shape, lighter or darker than the fill. Paints the fill white and
// the text dark, whatever its polarity.
void clearButton(QImage &grey, const Component &shape, int id, const std::vector<int> &labels) {
    // A few pixels around the shape hold its soft rim.
    Component c = shape;
    c.left = std::max(0, c.left - 3);
    c.top = std::max(0, c.top - 3);
    c.right = std::min(grey.width() - 1, c.right + 3);
    c.bottom = std::min(grey.height() - 1, c.bottom + 3);
    const int w = c.width();
    const int h = c.height();
    auto isShape = [&](int x, int y) { return labels[size_t(y) * size_t(grey.width()) + size_t(x)] == id; };
    std::array<int, 256> histogram{};
    for (int y = c.top; y <= c.bottom; ++y)
        for (int x = c.left; x <= c.right; ++x)
            if (isShape(x, y))
                ++histogram[grey.constScanLine(y)[x]];
    int fill = 0;
    for (qint64 seen = 0; fill < 255 && (seen += histogram[size_t(fill)]) * 2 < c.pixels;)
        ++fill;
    const int range = std::max({fill, 255 - fill, 1});
    // Paper pixels of the box reachable from its border lie outside the shape (its rounded
    // corners).
    std::vector<uchar> outside(size_t(w) * size_t(h), 0);
    std::vector<std::pair<int, int>> stack;
    auto push = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        uchar &seen = outside[size_t(y) * size_t(w) + size_t(x)];
        if (seen || isShape(c.left + x, c.top + y))
            return;
        seen = 1;
        stack.emplace_back(x, y);
    };
    for (int x = 0; x < w; ++x) {
        push(x, 0);
        push(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        push(0, y);
        push(w - 1, y);
    }
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        push(x + 1, y);
        push(x - 1, y);
        push(x, y + 1);
        push(x, y - 1);
    }
    for (int y = 0; y < h; ++y) {
        uchar *row = grey.scanLine(c.top + y);
        for (int x = 0; x < w; ++x) {
            uchar &v = row[c.left + x];
            const bool isText = isShape(c.left + x, c.top + y) ? v < fill - 40 // darker text on the fill
                                                               : !outside[size_t(y) * size_t(w) + size_t(x)];
            if (isText)
                v = uchar(255 - std::min(255, std::abs(v - fill) * 255 / range));
            else
                v = 255; // the fill, its soft rim, or paper
        }
    }
}

// Whether the component fills the ellipse inscribed in its box and leaves the corners free, as a
// round window button does; letters such as "e", "o" or "a" have gaps inside.
bool isDisc(const Component &c, int id, const std::vector<int> &labels, int width) {
    int inside = 0, insideInk = 0, outside = 0, outsideInk = 0;
    const double cx = (c.left + c.right) / 2.0;
    const double cy = (c.top + c.bottom) / 2.0;
    const double rx = c.width() / 2.0;
    const double ry = c.height() / 2.0;
    for (int y = c.top; y <= c.bottom; ++y) {
        for (int x = c.left; x <= c.right; ++x) {
            const double dx = (x - cx) / rx;
            const double dy = (y - cy) / ry;
            const double d = dx * dx + dy * dy;
            const bool ink = labels[size_t(y) * size_t(width) + size_t(x)] == id;
            if (d <= 0.7) {
                ++inside;
                insideInk += ink;
            } else if (d >= 1.3) {
                ++outside;
                outsideInk += ink;
            }
        }
    }
    return inside > 0 && insideInk * 100 >= inside * 97 && outsideInk * 100 <= outside * 15;
}

void erase(QImage &grey, const Component &c, int margin) {
    const QRect box = QRect(c.left - margin, c.top - margin, c.width() + 2 * margin, c.height() + 2 * margin)
                          .intersected(grey.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        std::fill_n(grey.scanLine(y) + box.left(), box.width(), uchar(255));
}

} // namespace

void flattenBackground(QImage &grey, int radius) {
    if (grey.isNull() || radius < 1)
        return;
    // The local background is the brightest value near each pixel: text strokes are thinner
    // than the window, panels and cards are wider. Dividing by it makes every panel white.
    const int w = grey.width();
    const int h = grey.height();
    QImage background = grey.copy();
    std::vector<uchar> forwardRow;
    std::vector<uchar> backwardRow;
    for (int y = 0; y < h; ++y)
        slidingMax(background.scanLine(y), w, radius, forwardRow, backwardRow);
    // Down the columns whole rows at a time (van Herk / Gil-Werman): maxima from the start and
    // from the end of blocks of the window's size, then one maximum of two per pixel.
    const int k = 2 * radius + 1;
    QImage forward(w, h, QImage::Format_Grayscale8);
    QImage backward(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        const uchar *in = background.constScanLine(y);
        uchar *out = forward.scanLine(y);
        if (y % k == 0) {
            std::copy_n(in, w, out);
        } else {
            const uchar *previous = forward.constScanLine(y - 1);
            for (int x = 0; x < w; ++x)
                out[x] = std::max(in[x], previous[x]);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const uchar *in = background.constScanLine(y);
        uchar *out = backward.scanLine(y);
        if (y == h - 1 || (y + 1) % k == 0) {
            std::copy_n(in, w, out);
        } else {
            const uchar *next = backward.constScanLine(y + 1);
            for (int x = 0; x < w; ++x)
                out[x] = std::max(in[x], next[x]);
        }
    }
    // 255 / background in 16-bit fixed point.
    std::array<int, 256> scale{};
    for (int b = 1; b < 256; ++b)
        scale[size_t(b)] = (255 << 16) / b;
    for (int y = 0; y < h; ++y) {
        const uchar *tail = backward.constScanLine(std::max(0, y - radius));
        const uchar *head = forward.constScanLine(std::min(h - 1, y + radius));
        uchar *row = grey.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int bg = std::max(tail[x], head[x]);
            row[x] = bg == 0 ? 255 : uchar(std::min(255, (row[x] * scale[size_t(bg)]) >> 16));
        }
    }
}

namespace {

// Drawn shapes have a flat core: a square of the component's ink of one shade. Strokes of
// letters, even bold ones, are too thin for it or shaded at their edges.
bool hasFlatCore(const QImage &grey, const Component &c, int id, const std::vector<int> &labels) {
    const int side = std::max(5, std::min(c.width(), c.height()) / 4);
    const int w = c.width();
    const int h = c.height();
    if (w < side || h < side)
        return false;
    // Ink counts of the component in rectangles of its box.
    std::vector<int> sums(size_t(w + 1) * size_t(h + 1), 0);
    auto at = [&](int x, int y) -> int & { return sums[size_t(y) * size_t(w + 1) + size_t(x)]; };
    const int width = grey.width();
    for (int y = 0; y < h; ++y) {
        int rowSum = 0;
        const int *row = labels.data() + size_t(c.top + y) * size_t(width) + size_t(c.left);
        for (int x = 0; x < w; ++x) {
            rowSum += row[x] == id;
            at(x + 1, y + 1) = at(x + 1, y) + rowSum;
        }
    }
    for (int y = 0; y + side <= h; ++y) {
        for (int x = 0; x + side <= w; ++x) {
            if (at(x + side, y + side) - at(x, y + side) - at(x + side, y) + at(x, y) != side * side)
                continue;
            int low = 255;
            int high = 0;
            for (int yy = y; yy < y + side; ++yy) {
                const uchar *row = grey.constScanLine(c.top + yy) + c.left;
                for (int xx = x; xx < x + side; ++xx) {
                    low = std::min(low, int(row[xx]));
                    high = std::max(high, int(row[xx]));
                }
            }
            if (high - low <= 40)
                return true;
        }
    }
    return false;
}

// Whether `c` stands in a row of glyphs as tall as itself, set close beside it: a glyph of large
// bold text (the "8" of an amount in a heading) that is solid enough to pass for an icon. An icon
// stands beside text of another height or beside other icons, which are solid with a flat core.
bool standsInTextRow(const QImage &grey, const std::vector<Component> &found, const Component &c,
                     const std::vector<int> &labels) {
    const int slack = c.height() / 8 + 1;
    for (size_t i = 0; i < found.size(); ++i) {
        const Component &o = found[i];
        if (&o == &c || o.pixels < 10)
            continue;
        const int gap = std::max(o.left - c.right, c.left - o.right) - 1;
        if (gap >= 0 && gap * 2 <= c.height() && std::abs(o.top - c.top) <= slack &&
            std::abs(o.bottom - c.bottom) <= slack &&
            (o.fill() < 0.7 || !hasFlatCore(grey, o, int(i) + 1, labels)))
            return true;
    }
    return false;
}

// Whether `c` (component `id`) is the rim of a tile: an app's icon whose fill the flattening took
// for a card, leaving its edge and its emblem as outlines, which read as "口" and join the rows of
// text beside it into one block. About as wide as high, larger than a line, its rim encloses
// nearly its whole box (a round letter such as "O" encloses far less), and what it holds is an
// emblem of one or two shapes, not a word (a letter such as "口" or a digit holds none).
bool isFramedTile(const std::vector<Component> &found, const Component &c, int id,
                  const std::vector<int> &labels, int width, int lineHeight) {
    const double aspect = double(c.width()) / c.height();
    // A solid shape is judged as the icons are (see clearGraphics).
    if (c.pixels < 25 || c.fill() >= 0.7 || aspect <= 0.5 || aspect >= 2.0 || c.height() > lineHeight * 5 ||
        std::min(c.width(), c.height()) * 10 < lineHeight * 13)
        return false;
    qint64 enclosed = 0;
    for (int y = c.top; y <= c.bottom; ++y) {
        const int *row = labels.data() + size_t(y) * size_t(width);
        int first = -1, last = -1;
        for (int x = c.left; x <= c.right; ++x) {
            if (row[x] == id) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        enclosed += first < 0 ? 0 : last - first + 1;
    }
    constexpr double rimEncloses = 0.85;
    if (enclosed < rimEncloses * c.width() * c.height())
        return false;
    // A tile's corners are square or slightly rounded: near its top its rim already runs across
    // most of its width, as a round digit's or letter's does not.
    const int *nearTop = labels.data() + size_t(c.top + c.height() / 8) * size_t(width);
    const int across = int(std::count(nearTop + c.left, nearTop + c.right + 1, id));
    int first = c.right + 1, last = c.left - 1;
    for (int x = c.left; x <= c.right; ++x) {
        if (nearTop[x] == id) {
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    if (across == 0 || (last - first + 1) * 10 < c.width() * 6)
        return false;
    int held = 0;
    for (const Component &o : found) {
        if (&o != &c && o.pixels >= 10 && o.left > c.left && o.right < c.right && o.top > c.top &&
            o.bottom < c.bottom)
            ++held;
    }
    constexpr int mostShapes = 2;
    return held >= 1 && held <= mostShapes;
}

// Pixels darker than this are ink for the clearing of drawn lines and filled areas.
constexpr int drawnInkBelow = 190;

// The length of the run of ink through each pixel, across and down, capped.
struct InkRuns {
    std::vector<quint16> across;
    std::vector<quint16> down;
};

InkRuns inkRuns(const QImage &grey) {
    const int w = grey.width();
    const int h = grey.height();
    constexpr int ink = drawnInkBelow;
    InkRuns runs{std::vector<quint16>(size_t(w) * size_t(h), 0),
                 std::vector<quint16>(size_t(w) * size_t(h), 0)};
    const auto capped = [](int n) { return quint16(std::min(n, 65535)); };
    for (int y = 0; y < h; ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < w;) {
            if (row[x] >= ink) {
                ++x;
                continue;
            }
            int end = x;
            while (end < w && row[end] < ink)
                ++end;
            std::fill(runs.across.begin() + qsizetype(y) * w + x,
                      runs.across.begin() + qsizetype(y) * w + end, capped(end - x));
            x = end;
        }
    }
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h;) {
            if (grey.constScanLine(y)[x] >= ink) {
                ++y;
                continue;
            }
            int end = y;
            while (end < h && grey.constScanLine(end)[x] < ink)
                ++end;
            for (int k = y; k < end; ++k)
                runs.down[size_t(k) * size_t(w) + size_t(x)] = capped(end - y);
            y = end;
        }
    }
    return runs;
}

// Paints white the pixels of `grey` for which `drawn` holds, given the runs of ink across and
// down through each.
template <typename Drawn> void clearDrawn(QImage &grey, Drawn drawn) {
    const InkRuns runs = inkRuns(grey);
    const int w = grey.width();
    for (int y = 0; y < grey.height(); ++y) {
        uchar *row = grey.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            if (drawn(int(runs.across[i]), int(runs.down[i])))
                row[x] = 255;
        }
    }
}

// Marks in `mask` (one byte a pixel, rows of `w`) only the runs of marked pixels along rows
// (`step` 1) or columns (`step` w) at least `side` long, shrunk by `side` / 2 at both ends.
void erodeRuns(std::vector<uchar> &mask, int w, int h, int side, bool rows) {
    const int lines = rows ? h : w;
    const int length = rows ? w : h;
    const size_t stride = rows ? 1 : size_t(w);
    const int r = side / 2;
    for (int l = 0; l < lines; ++l) {
        uchar *first = mask.data() + (rows ? size_t(l) * size_t(w) : size_t(l));
        for (int i = 0; i < length;) {
            if (!first[size_t(i) * stride]) {
                ++i;
                continue;
            }
            int end = i;
            while (end < length && first[size_t(end) * stride])
                ++end;
            for (int k = i; k < end; ++k)
                first[size_t(k) * stride] = (k - i >= r && end - 1 - k >= r) ? 1 : 0;
            i = end;
        }
    }
}

// Grows the marked pixels of `mask` by `side` / 2 along rows or columns.
void dilateRuns(std::vector<uchar> &mask, int w, int h, int side, bool rows) {
    const int lines = rows ? h : w;
    const int length = rows ? w : h;
    const size_t stride = rows ? 1 : size_t(w);
    const int r = side / 2;
    std::vector<uchar> line(static_cast<size_t>(length));
    for (int l = 0; l < lines; ++l) {
        uchar *first = mask.data() + (rows ? size_t(l) * size_t(w) : size_t(l));
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = first[size_t(i) * stride];
        for (int i = 0; i < length; ++i) {
            if (!line[size_t(i)])
                continue;
            for (int k = std::max(0, i - r); k <= std::min(length - 1, i + r); ++k)
                first[size_t(k) * stride] = 1;
        }
    }
}

// Paints white the ink of `grey` that lies in a square of `side` pixels of
// ink: filled areas, not strokes.
void clearSolids(QImage &grey, int side) {
    const int w = grey.width();
    const int h = grey.height();
    std::vector<uchar> mask(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < w; ++x)
            mask[size_t(y) * size_t(w) + size_t(x)] = row[x] < drawnInkBelow;
    }
    erodeRuns(mask, w, h, side, true);
    erodeRuns(mask, w, h, side, false);
    if (std::none_of(mask.begin(), mask.end(), [](uchar m) { return m != 0; }))
        return;
    dilateRuns(mask, w, h, side, true);
    dilateRuns(mask, w, h, side, false);
    for (int y = 0; y < h; ++y) {
        uchar *row = grey.scanLine(y);
        for (int x = 0; x < w; ++x) {
            if (mask[size_t(y) * size_t(w) + size_t(x)])
                row[x] = 255;
        }
    }
}

// Steps between neighbouring pixels up to this are the shading of one fill: gradients, the noise
// of lossy compression. The edges of strokes and of cards are steeper.
constexpr int fillStep = 6;
// Pixels this close to the shade of their fill are that fill: the ringing of lossy compression
// around edges, not the faintest text.
constexpr int fillNoise = 16;
// Fills whose shades differ by this much are told apart by the eye where they meet.
constexpr int edgeContrast = 8;

// The nearest fill of a pixel as one number, the distance first, so that the nearer of two is the
// smaller: distance (from bit 40), region (bits 8 to 39), shade (bits 0 to 7).
constexpr int regionOfFill(quint64 fill) {
    return int((fill >> 8) & 0xffffffffu);
}
constexpr int shadeOfFill(quint64 fill) {
    return int(fill & 0xffu);
}

} // namespace

void flattenRegions(QImage &grey, int lineHeight, QImage *edges) {
    if (grey.isNull() || lineHeight <= 0)
        return;
    const int w = grey.width();
    const int h = grey.height();
    const qsizetype stride = grey.bytesPerLine();
    uchar *const pixels = grey.bits();
    // A region is a fill that holds a square as wide as a line is high: the page, a card, a
    // panel, a button, the dimmed margin around a dialog, a filled icon. Strokes of text, even
    // bold ones, are too narrow. The region is all of the fill connected to such a square.
    // Fill pixels have no steeper step to any neighbour. Their runs along each row are joined to
    // the runs they touch in the row above; a run holds a square's bottom row where a column of
    // `side` fill pixels, each with half a square's width of fill on both sides, ends in it.
    const int side = std::max(4, lineHeight);
    const int half = side / 2;
    struct Run {
        int left, right; // [left, right)
        int parent;
        bool core;
    };
    std::vector<Run> runs;
    std::vector<size_t> rowStart(size_t(h) + 1, 0);
    auto root = [&runs](int a) {
        while (runs[size_t(a)].parent != a) {
            runs[size_t(a)].parent = runs[size_t(runs[size_t(a)].parent)].parent;
            a = runs[size_t(a)].parent;
        }
        return a;
    };
    // Whether the step from a to b is gentle, by one unsigned comparison.
    const auto gentle = [](int a, int b) { return unsigned(a - b + fillStep) <= unsigned(2 * fillStep); };
    std::vector<uchar> flat(static_cast<size_t>(w));
    std::vector<uchar> gentleBelow(static_cast<size_t>(w), 1);
    std::vector<uchar> gentleAbove(static_cast<size_t>(w), 1);
    std::vector<int> column(static_cast<size_t>(w), 0);
    std::vector<uchar> wide(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        const uchar *row = pixels + y * stride;
        std::swap(gentleAbove, gentleBelow);
        if (y + 1 < h) {
            const uchar *below = row + stride;
            for (int x = 0; x < w; ++x)
                gentleBelow[size_t(x)] = gentle(row[x], below[x]);
        } else {
            std::fill(gentleBelow.begin(), gentleBelow.end(), uchar(1));
        }
        uchar right = 1;
        for (int x = w - 1; x >= 0; --x) {
            const uchar left = x > 0 ? uchar(gentle(row[x], row[x - 1])) : uchar(1);
            flat[size_t(x)] = left & right & gentleAbove[size_t(x)] & gentleBelow[size_t(x)];
            right = left;
        }
        rowStart[size_t(y)] = runs.size();
        std::fill(wide.begin(), wide.end(), uchar(0));
        for (int x = 0; x < w;) {
            if (!flat[size_t(x)]) {
                ++x;
                continue;
            }
            int end = x;
            while (end < w && flat[size_t(end)])
                ++end;
            if (end - x > 2 * half)
                std::fill(wide.begin() + x + half, wide.begin() + end - half, uchar(1));
            runs.push_back(Run{x, end, int(runs.size()), false});
            x = end;
        }
        size_t run = rowStart[size_t(y)];
        for (int x = 0; x < w; ++x) {
            column[size_t(x)] = wide[size_t(x)] ? column[size_t(x)] + 1 : 0;
            if (column[size_t(x)] > 2 * half) {
                while (runs[run].right <= x)
                    ++run;
                runs[run].core = true;
            }
        }
        if (y == 0)
            continue;
        size_t previous = rowStart[size_t(y - 1)];
        const size_t previousEnd = rowStart[size_t(y)];
        for (size_t i = rowStart[size_t(y)]; i < runs.size(); ++i) {
            while (previous < previousEnd && runs[previous].right <= runs[i].left)
                ++previous;
            for (size_t j = previous; j < previousEnd && runs[j].left < runs[i].right; ++j) {
                const int a = root(int(i));
                const int b = root(int(j));
                if (a != b)
                    runs[size_t(std::max(a, b))].parent = std::min(a, b);
            }
        }
    }
    rowStart[size_t(h)] = runs.size();
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].core)
            runs[size_t(root(int(i)))].core = true;
    }
    // Only the runs of regions stay, numbered by region.
    std::vector<int> regionOf(runs.size(), 0);
    int regions = 0;
    {
        std::vector<int> regionOfRoot(runs.size(), 0);
        size_t kept = 0;
        for (int y = 0; y < h; ++y) {
            const size_t first = kept;
            for (size_t i = rowStart[size_t(y)]; i < rowStart[size_t(y) + 1]; ++i) {
                const int r = root(int(i));
                if (!runs[size_t(r)].core)
                    continue;
                if (regionOfRoot[size_t(r)] == 0)
                    regionOfRoot[size_t(r)] = ++regions;
                regionOf[kept] = regionOfRoot[size_t(r)];
                runs[kept].left = runs[i].left;
                runs[kept].right = runs[i].right;
                ++kept;
            }
            rowStart[size_t(y)] = first;
        }
        rowStart[size_t(h)] = kept;
        runs.resize(kept);
        regionOf.resize(kept);
    }
    if (edges)
        *edges = QImage();
    if (regions == 0) {
        flattenBackground(grey, std::clamp(lineHeight * 2, 8, 96));
        return;
    }
    // The stretches of each row between its runs of fill: text, icons, edges.
    const auto forGaps = [&](int y, auto &&visit) {
        int from = 0;
        for (size_t i = rowStart[size_t(y)]; i < rowStart[size_t(y) + 1]; ++i) {
            if (runs[i].left > from)
                visit(from, runs[i].left);
            from = runs[i].right;
        }
        if (from < w)
            visit(from, w);
    };
    // Every other pixel lies on the fill nearest to it, and its background is that fill's shade
    // there: cards and gradients keep their own. Nearest in steps across and down: rows from the
    // top, each from the row above and then along itself both ways, and again from the bottom.
    // The nearest fill is one number (regionOfFill, shadeOfFill).
    const size_t n = size_t(w) * size_t(h);
    constexpr quint64 step = quint64(1) << 40;
    constexpr quint64 far = step << 23; // beyond any distance within an image
    std::vector<quint64> nearest(n, far);
    const auto sweepRow = [&](int y, int fromRow) {
        quint64 *here = nearest.data() + size_t(y) * size_t(w);
        const quint64 *other =
            fromRow >= 0 && fromRow < h ? nearest.data() + size_t(fromRow) * size_t(w) : nullptr;
        forGaps(y, [&](int left, int right) {
            if (other) {
                for (int x = left; x < right; ++x)
                    here[x] = std::min(here[x], other[x] + step);
            }
            for (int x = std::max(1, left); x < right; ++x)
                here[x] = std::min(here[x], here[x - 1] + step);
            for (int x = std::min(w - 2, right - 1); x >= left; --x)
                here[x] = std::min(here[x], here[x + 1] + step);
        });
    };
    for (int y = 0; y < h; ++y) {
        const uchar *row = pixels + y * stride;
        quint64 *here = nearest.data() + size_t(y) * size_t(w);
        for (size_t i = rowStart[size_t(y)]; i < rowStart[size_t(y) + 1]; ++i) {
            for (int x = runs[i].left; x < runs[i].right; ++x)
                here[x] = quint64(regionOf[i]) << 8 | row[x];
        }
        sweepRow(y, y - 1);
    }
    for (int y = h - 2; y >= 0; --y)
        sweepRow(y, y + 1);
    // Each region's text is lighter or darker than its fill, whatever the page around it does:
    // white text on a coloured card of a light page.
    constexpr int apart = 48;
    std::vector<qint64> darker(size_t(regions) + 1, 0);
    std::vector<qint64> lighter(size_t(regions) + 1, 0);
    for (int y = 0; y < h; ++y) {
        const uchar *row = pixels + y * stride;
        const quint64 *here = nearest.data() + size_t(y) * size_t(w);
        forGaps(y, [&](int left, int right) {
            for (int x = left; x < right; ++x) {
                const int d = row[x] - shadeOfFill(here[x]);
                const size_t r = size_t(regionOfFill(here[x]));
                darker[r] += d <= -apart;
                lighter[r] += d >= apart;
            }
        });
    }
    std::vector<uchar> lightText(size_t(regions) + 1, 0);
    for (size_t r = 1; r < lightText.size(); ++r)
        lightText[r] = lighter[r] > darker[r];
    // 255 / span in 16-bit fixed point.
    std::array<int, 256> scale{};
    for (int b = 1; b < 256; ++b)
        scale[size_t(b)] = (255 << 16) / b;
    scale[0] = scale[1];
    // Where two fills meet, the pixels between them of a shade between theirs are their edge,
    // not text: the rim of a filled icon, the border of a card. A stroke darker (or lighter) than
    // both is text, however close to the edge it is set: a heading at the top of its card, or a
    // letter beside the counter of a large one.
    constexpr int seam = 2;
    std::vector<uchar> out(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        uchar *row = pixels + y * stride;
        const size_t offset = size_t(y) * size_t(w);
        const quint64 *here = nearest.data() + offset;
        std::fill(out.begin(), out.end(), uchar(255));
        forGaps(y, [&](int left, int right) {
            for (int x = left; x < right; ++x) {
                const int r = regionOfFill(here[x]);
                const int b = shadeOfFill(here[x]);
                const int v = row[x];
                bool edge = false;
                for (int yy = std::max(0, y - seam); yy <= std::min(h - 1, y + seam) && !edge; ++yy) {
                    const size_t near = size_t(yy) * size_t(w);
                    for (int xx = std::max(0, x - seam); xx <= std::min(w - 1, x + seam); ++xx) {
                        const quint64 other = nearest[near + size_t(xx)];
                        if (regionOfFill(other) == r)
                            continue;
                        const int o = shadeOfFill(other);
                        edge |= v >= std::min(b, o) - fillNoise && v <= std::max(b, o) + fillNoise;
                    }
                }
                if (edge || std::abs(v - b) <= fillNoise)
                    continue;
                if (lightText[size_t(r)])
                    out[size_t(x)] =
                        v <= b ? 255 : uchar(255 - std::min(255, ((v - b) * scale[size_t(255 - b)]) >> 16));
                else
                    out[size_t(x)] = v >= b ? 255 : uchar(std::min(255, (v * scale[size_t(b)]) >> 16));
            }
        });
        std::copy(out.begin(), out.end(), row);
    }
    // A region about as wide as high and no larger than a few lines, of another shade than the
    // fill around it, is an icon, a logo or an avatar: what is drawn on it is no text to read.
    // Badges and buttons with words on them are far wider than high.
    struct Box {
        int left = std::numeric_limits<int>::max(), top = -1, right = -1, bottom = -1;
        qint64 shade = 0, count = 0;
    };
    std::vector<Box> boxes(size_t(regions) + 1);
    for (int y = 0; y < h; ++y) {
        for (size_t i = rowStart[size_t(y)]; i < rowStart[size_t(y) + 1]; ++i) {
            Box &box = boxes[size_t(regionOf[i])];
            box.left = std::min(box.left, runs[i].left);
            box.right = std::max(box.right, runs[i].right - 1);
            if (box.top < 0)
                box.top = y;
            box.bottom = y;
            const quint64 *here = nearest.data() + size_t(y) * size_t(w);
            for (int x = runs[i].left; x < runs[i].right; ++x)
                box.shade += shadeOfFill(here[x]);
            box.count += runs[i].right - runs[i].left;
        }
    }
    const auto shadeAround = [&](const Box &box, int r) {
        // The fill met first going out from the middle of each side.
        const int midX = (box.left + box.right) / 2;
        const int midY = (box.top + box.bottom) / 2;
        const std::array<QPoint, 4> outside{
            QPoint(box.left - seam - 1, midY), QPoint(box.right + seam + 1, midY),
            QPoint(midX, box.top - seam - 1), QPoint(midX, box.bottom + seam + 1)};
        for (const QPoint &p : outside) {
            if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h)
                continue;
            const quint64 v = nearest[size_t(p.y()) * size_t(w) + size_t(p.x())];
            if (regionOfFill(v) != r)
                return shadeOfFill(v);
        }
        return -1;
    };
    std::vector<uchar> drawn(size_t(regions) + 1, 0);
    for (int r = 1; r <= regions; ++r) {
        const Box &box = boxes[size_t(r)];
        const int bw = box.right - box.left + 1;
        const int bh = box.bottom - box.top + 1;
        if (box.count == 0 || bw * 2 < bh || bh * 2 < bw || bh > 5 * lineHeight || bw > 5 * lineHeight)
            continue;
        const int around = shadeAround(box, r);
        if (around < 0 || std::abs(around - int(box.shade / box.count)) <= 2 * fillNoise)
            continue;
        drawn[size_t(r)] = 1;
        const QRect clear =
            QRect(QPoint(box.left - seam, box.top - seam), QPoint(box.right + seam, box.bottom + seam))
                .intersected(grey.rect());
        for (int y = clear.top(); y <= clear.bottom(); ++y)
            std::fill_n(pixels + y * stride + clear.left(), clear.width(), uchar(255));
    }
    if (!edges)
        return;
    // Where one fill gives way to another along a row, the page falls apart into columns for the
    // reader (a sidebar beside a message, cards side by side), though both are white now. An
    // icon's edge parts nothing.
    *edges = QImage(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        uchar *row = edges->scanLine(y);
        const quint64 *here = nearest.data() + size_t(y) * size_t(w);
        // Soft edges step from one shade to the other over a few pixels, each step gentle.
        constexpr int soft = 2;
        for (int x = 0; x < w; ++x) {
            const quint64 a = here[std::max(0, x - soft)];
            const quint64 b = here[std::min(w - 1, x + soft)];
            row[x] = !drawn[size_t(regionOfFill(a))] && !drawn[size_t(regionOfFill(b))] &&
                             std::abs(shadeOfFill(a) - shadeOfFill(b)) >= edgeContrast
                         ? 255
                         : 0;
        }
    }
}

void clearGraphics(QImage &grey, int lineHeight) {
    if (grey.isNull() || lineHeight <= 0)
        return;
    // The straight thin strokes far longer than a line is high: the frames of cards and fields,
    // the outline of a chosen option, table rules, underlines, and the line through a price struck
    // out, between its characters. A frame's sides would join the rows of text inside it into one
    // block. Where a rule crosses a character's stroke, the stroke is thicker than the rule and
    // stays.
    const int longest = 3 * lineHeight;
    const int thin = std::max(2, lineHeight / 4);
    clearDrawn(grey, [&](int across, int down) {
        return (across >= longest && down <= thin) || (down >= longest && across <= thin);
    });
    // Anything visibly drawn, however light its colour.
    std::vector<int> labels;
    const std::vector<Component> found = components(grey, 200, labels);
    // Round window buttons come in rows of equal discs, as large as letters.
    std::vector<size_t> discs;
    for (size_t i = 0; i < found.size(); ++i) {
        const Component &c = found[i];
        const double aspect = double(c.width()) / c.height();
        if (c.pixels >= 25 && aspect > 0.85 && aspect < 1.18 && c.fill() > 0.68 && c.fill() < 0.9 &&
            c.height() <= lineHeight * 2 && isDisc(c, int(i) + 1, labels, grey.width()))
            discs.push_back(i);
    }
    std::vector<Component> erased;
    std::vector<Component> tiles;
    for (size_t a : discs) {
        int alike = 0;
        for (size_t b : discs) {
            const Component &p = found[a];
            const Component &q = found[b];
            alike += std::abs(p.top - q.top) <= 2 && std::abs(p.height() - q.height()) <= 2 &&
                     std::abs(p.left - q.left) <= 4 * p.width();
        }
        if (alike >= 2) // itself and a neighbour
            erased.push_back(found[a]);
    }
    for (size_t i = 0; i < found.size(); ++i) {
        const Component &c = found[i];
        if (isFramedTile(found, c, int(i) + 1, labels, grey.width(), lineHeight) &&
            !standsInTextRow(grey, found, c, labels)) {
            // With the soft shadow or lighter edge a tile may have around its rim.
            tiles.push_back(c);
            continue;
        }
        if (c.pixels < 25 || c.fill() < 0.7 || c.height() > lineHeight * 5)
            continue;
        const double aspect = double(c.width()) / c.height();
        const bool isIcon = c.fill() >= 0.72 && aspect > 0.5 && aspect < 2.0 &&
                            std::min(c.width(), c.height()) * 10 >= lineHeight * 13;
        // A button: a filled shape of a line's height or more, far wider than high, text inside.
        // As wide as the page or not: phones draw their buttons from edge to edge.
        const bool isButton = aspect >= 2.0 && c.height() >= lineHeight;
        if ((isIcon || isButton) && hasFlatCore(grey, c, int(i) + 1, labels) &&
            !(isIcon && standsInTextRow(grey, found, c, labels))) {
            if (isIcon)
                erased.push_back(c);
            else
                clearButton(grey, c, int(i) + 1, labels);
        }
    }
    for (const Component &c : erased)
        erase(grey, c, 2);
    for (const Component &c : tiles)
        erase(grey, c, std::max(2, std::min(c.width(), c.height()) / 8));
    // Ink that holds a square as wide as a line is high is no stroke of text but a filled area
    // (dense bold characters hold smaller ones):
    // the margin of a dimmed page beside a light dialog, which stays darker than the dialog nearby.
    clearSolids(grey, std::max(4, lineHeight));
}

namespace {

// The shades of one square of a page: the bin (of eight shades) most common in it, which is its
// paper, and how many of its pixels are well lighter or well darker than that.
struct TileShades {
    int paperBin = 0;
    int lighter = 0;
    int darker = 0;
    int area = 0;

    // Whether `ink` pixels of the square can be strokes of text, not the edge of a panel.
    bool holdsText(int ink) const { return ink * 50 >= area && ink * 5 <= area * 2; }
};

// Calls `visit` with the shades of each square of 32 pixels of `grey` (those at the edges at least
// half as wide).
template <typename Visit> void forEachTile(const QImage &grey, Visit &&visit) {
    constexpr int tile = 32;
    constexpr int apart = 48;
    for (int top = 0; top + tile / 2 <= grey.height(); top += tile) {
        for (int left = 0; left + tile / 2 <= grey.width(); left += tile) {
            const int bottom = std::min(grey.height(), top + tile);
            const int right = std::min(grey.width(), left + tile);
            std::array<int, 32> bins{};
            for (int y = top; y < bottom; ++y) {
                const uchar *row = grey.constScanLine(y);
                for (int x = left; x < right; ++x)
                    ++bins[row[x] >> 3];
            }
            TileShades shades;
            shades.paperBin = int(std::max_element(bins.begin(), bins.end()) - bins.begin());
            const int paper = shades.paperBin * 8 + 4;
            for (int b = 0; b < 32; ++b) {
                shades.lighter += b * 8 + 4 >= paper + apart ? bins[size_t(b)] : 0;
                shades.darker += b * 8 + 4 <= paper - apart ? bins[size_t(b)] : 0;
            }
            shades.area = (bottom - top) * (right - left);
            visit(shades);
        }
    }
}

} // namespace

bool hasDarkBackground(const QImage &grey) {
    if (grey.isNull())
        return false;
    // What decides is whether text is lighter or darker than the paper it stands on, not how dark
    // the paper is: a light dialog over an app dimmed to a middle grey is dark text on both. Each
    // square of the page with text in it votes: its most common shade is its paper, and its text
    // is the pixels well apart from that, lighter or darker. Squares where those pixels are too
    // many to be strokes of text hold the edge of a panel and do not vote.
    int lighter = 0;
    int darker = 0;
    forEachTile(grey, [&](const TileShades &shades) {
        if (shades.holdsText(std::max(shades.lighter, shades.darker)))
            (shades.lighter > shades.darker ? lighter : darker) += 1;
    });
    if (lighter + darker == 0)
        return backgroundLevel(grey) < 112;
    return lighter > darker;
}

namespace {

// The value in the middle of `values` (the upper one of an even count), which must not be empty.
int middleValue(std::vector<int> &values) {
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The median height of the runs of rows of `grey` with ink in the columns [left, right); 0 when
// there is none.
int medianRowRun(const QImage &grey, int left, int right, int inkBelow) {
    std::vector<int> heights;
    int run = 0;
    for (int y = 0; y <= grey.height(); ++y) {
        const bool inked =
            y < grey.height() && hasTwoInkPixels(grey.constScanLine(y) + left, right - left, inkBelow);
        if (inked) {
            ++run;
            continue;
        }
        // Hairlines and whole panels are not text.
        if (run >= 5 && run <= 400)
            heights.push_back(run);
        run = 0;
    }
    return heights.empty() ? 0 : middleValue(heights);
}

} // namespace

namespace {

// The shade of the paper that text stands on (text darker than its paper): the most common shade
// of the squares of the page that hold text, as hasDarkBackground() finds them. -1 where no square
// holds any.
int textPaperLevel(const QImage &grey) {
    std::array<int, 32> papers{};
    forEachTile(grey, [&](const TileShades &shades) {
        if (shades.holdsText(shades.darker))
            ++papers[size_t(shades.paperBin)];
    });
    const auto most = std::max_element(papers.begin(), papers.end());
    return *most > 0 ? int(most - papers.begin()) * 8 + 4 : -1;
}

// typicalLineHeight() with the pixels darker than `inkBelow` as ink; with `orStrips`, the line
// height of the narrow strips also where no row across the whole width is measured.
int lineHeightWith(const QImage &grey, int inkBelow, bool orStrips = false) {
    // Rows of ink across the whole width: a label and its value far apart still make one row.
    const int whole = medianRowRun(grey, 0, grey.width(), inkBelow);
    // But the sides of frames around cards and panels join all the rows beside them into one run:
    // where the rows of narrow strips of the page are far lower, those are the lines.
    constexpr int strips = 8;
    if (grey.width() < strips * 16)
        return whole;
    std::vector<int> narrow;
    for (int i = 0; i < strips; ++i) {
        if (const int height =
                medianRowRun(grey, grey.width() * i / strips, grey.width() * (i + 1) / strips, inkBelow))
            narrow.push_back(height);
    }
    if (narrow.empty())
        return whole;
    const int middle = middleValue(narrow);
    return whole > 3 * middle || (orStrips && whole == 0) ? middle : whole;
}

} // namespace

int typicalLineHeight(const QImage &grey) {
    if (grey.isNull())
        return 0;
    return lineHeightWith(grey, backgroundLevel(grey) - 60);
}

Prepared prepare(const QImage &image, const Options &options) {
    Prepared prepared;
    if (image.isNull() || image.width() < 4 || image.height() < 4)
        return prepared;
    QImage grey = toGrey(image);
    if (grey.isNull())
        return prepared;
    const bool dark = hasDarkBackground(grey);
    if (!dark && !image.isGrayscale())
        grey = toContrastGrey(image);
    if (dark) {
        grey.invertPixels();
        prepared.wasInverted = true;
    }
    // Shrink pages with large text (phone screenshots) or of huge size before the work below;
    // enlarging small text is left to the line sheet.
    // Wide dark fills, such as the dimmed app around a tall dialog, join every row of the page
    // into one: there the lines are measured once each fill is flat.
    const auto measure = [&options](const QImage &page) {
        const int height = typicalLineHeight(page);
        if (height > 0 || !options.flatten)
            return height;
        QImage flat = page.copy();
        flattenRegions(flat, std::max(8, std::min(page.width(), page.height()) / 40));
        return typicalLineHeight(flat);
    };
    int lineHeight = measure(grey);
    // Where the page's commonest shade is not the paper its text stands on (a light dialog over an
    // app dimmed to a middle grey), thin or grey type (small Kai) may never reach the threshold
    // that shade gives, and the lines measured are the frames and panels of the dimmed app: the
    // text is measured against its own paper before the page is shrunk for large text.
    if (lineHeight > options.targetLineHeight * 3 / 2) {
        const int paper = textPaperLevel(grey);
        if (paper > backgroundLevel(grey)) {
            const int onPaper = lineHeightWith(grey, paper - 60, true);
            if (onPaper > 0 && onPaper < lineHeight)
                lineHeight = onPaper;
        }
    }
    double scale = 1;
    if (lineHeight > options.targetLineHeight * 3 / 2)
        scale = double(options.targetLineHeight) * 1.2 / lineHeight;
    const double pixels = double(grey.width()) * grey.height();
    scale = std::min(scale, std::sqrt(double(maxPreparedPixels) / pixels));
    scale = std::max(scale, 0.25);
    if (scale < 0.95) {
        const QSize size(std::max(1, int(std::lround(grey.width() * scale))),
                         std::max(1, int(std::lround(grey.height() * scale))));
        grey = grey.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        lineHeight = measure(grey);
    } else {
        scale = 1;
    }
    if (options.flatten) {
        flattenRegions(grey, lineHeight, &prepared.edges);
        lineHeight = typicalLineHeight(grey);
    }
    if (options.clearGraphics)
        clearGraphics(grey, lineHeight);
    prepared.image = grey;
    prepared.scale = scale;
    prepared.lineHeight = lineHeight;
    return prepared;
}

} // namespace ScanImage
