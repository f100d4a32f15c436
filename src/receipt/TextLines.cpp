#include "TextLines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

namespace TextLines {

namespace {

// The first column from `left` to `right` at which one of `edges` runs through all rows from
// `top` to `bottom`, give or take a pixel's sway and a tenth of the rows (where text stands close
// to it); -1 when there is none.
int edgeThrough(const QImage &edges, int left, int right, int top, int bottom) {
    if (edges.isNull())
        return -1;
    left = std::max(left, 0);
    right = std::min(right, edges.width() - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, edges.height() - 1);
    if (left > right || top > bottom)
        return -1;
    // Rows with an edge at or beside each column.
    std::vector<int> count(size_t(right - left + 1), 0);
    for (int y = top; y <= bottom; ++y) {
        const uchar *row = edges.constScanLine(y);
        for (int x = left; x <= right; ++x)
            count[size_t(x - left)] +=
                row[x] || (x > 0 && row[x - 1]) || (x + 1 < edges.width() && row[x + 1]);
    }
    const int rows = bottom - top + 1;
    for (int x = left; x <= right; ++x) {
        if (count[size_t(x - left)] * 10 >= rows * 9)
            return x;
    }
    return -1;
}

class Finder {
public:
    Finder(const QImage &page, int lineHeight, const QImage &edges)
        : m_page(page)
        , m_edges(edges)
        , m_lineHeight(std::max(4, lineHeight)) {}

    QList<QRect> run() {
        cut(m_page.rect(), 0);
        return m_lines;
    }

private:
    bool isInk(int x, int y) const { return m_page.constScanLine(y)[x] < inkBelow; }

    // Ink per row (or per column) of `r`.
    std::vector<int> rowInk(const QRect &r) const {
        std::vector<int> ink(size_t(r.height()), 0);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const uchar *row = m_page.constScanLine(y);
            int count = 0;
            for (int x = r.left(); x <= r.right(); ++x)
                count += row[x] < inkBelow;
            ink[size_t(y - r.top())] = count;
        }
        return ink;
    }

    std::vector<int> columnInk(const QRect &r) const {
        std::vector<int> ink(size_t(r.width()), 0);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const uchar *row = m_page.constScanLine(y);
            for (int x = r.left(); x <= r.right(); ++x)
                ink[size_t(x - r.left())] += row[x] < inkBelow;
        }
        return ink;
    }

    // The smallest box holding all ink of `r`; empty when there is none.
    QRect tight(const QRect &r) const {
        const std::vector<int> rows = rowInk(r);
        const auto top = std::find_if(rows.begin(), rows.end(), [](int n) { return n > 0; });
        if (top == rows.end())
            return {};
        const auto bottom = std::find_if(rows.rbegin(), rows.rend(), [](int n) { return n > 0; });
        const QRect band(r.left(), r.top() + int(top - rows.begin()), r.width(),
                         int(rows.rend() - bottom) - int(top - rows.begin()));
        const std::vector<int> columns = columnInk(band);
        const auto left = std::find_if(columns.begin(), columns.end(), [](int n) { return n > 0; });
        const auto right = std::find_if(columns.rbegin(), columns.rend(), [](int n) { return n > 0; });
        return QRect(band.left() + int(left - columns.begin()), band.top(),
                     int(columns.rend() - right) - int(left - columns.begin()), band.height());
    }

    // Runs of rows with ink, separated by blank rows; slivers (dots, accents, the loose stroke of
    // a character) are joined to the nearest neighbouring run.
    QList<QRect> bands(const QRect &r) const {
        const std::vector<int> rows = rowInk(r);
        QList<QRect> found;
        int start = -1;
        for (int i = 0; i <= int(rows.size()); ++i) {
            const bool inked = i < int(rows.size()) && rows[size_t(i)] > 0;
            if (inked && start < 0)
                start = i;
            if (!inked && start >= 0) {
                found.append(QRect(r.left(), r.top() + start, r.width(), i - start));
                start = -1;
            }
        }
        // Slivers: a run much lower than its nearest neighbour and close to it (the loose top
        // stroke of 元, the dot of an i) belongs to that neighbour.
        bool merged = true;
        while (merged && found.size() > 1) {
            merged = false;
            for (qsizetype i = 0; i < found.size(); ++i) {
                const int above = i > 0 ? found[i].top() - found[i - 1].bottom() - 1 : INT_MAX;
                const int below = i + 1 < found.size() ? found[i + 1].top() - found[i].bottom() - 1 : INT_MAX;
                const qsizetype n = above <= below ? i - 1 : i + 1;
                const int gap = std::min(above, below);
                if (found[i].height() * 2 < found[n].height() && gap * 10 < found[n].height() * 4) {
                    found[n] |= found[i];
                    found.removeAt(i);
                    merged = true;
                    break;
                }
            }
        }
        // A lone rule or speck, far lower than a line (rules are drawn thicker on HiDPI screens):
        // nothing to read.
        const int rule = std::max(2, m_lineHeight / 5);
        found.removeIf([rule](const QRect &band) { return band.height() <= rule; });
        // Lines set close together touch (a descender meets the next line's capitals): part them
        // at the row with least ink.
        for (qsizetype i = 0; i < found.size(); ++i) {
            const QRect band = found[i];
            if (band.height() * 10 < m_lineHeight * 18)
                continue;
            const std::vector<int> ink = rowInk(band);
            const int from = band.height() / 4;
            const int to = band.height() - band.height() / 4;
            int best = from;
            for (int y = from; y < to; ++y)
                if (ink[size_t(y)] < ink[size_t(best)])
                    best = y;
            // Chinese characters have rows of little ink inside them; only a nearly blank row
            // with a line's height on either side parts two lines.
            const double mean = double(std::accumulate(ink.begin(), ink.end(), 0)) / double(ink.size());
            const int least = m_lineHeight * 7 / 10;
            if (ink[size_t(best)] > std::max(2.0, mean * 0.03) || best < least ||
                band.height() - best < least)
                continue;
            found[i] = QRect(band.left(), band.top(), band.width(), best);
            found.insert(i + 1,
                         QRect(band.left(), band.top() + best + 1, band.width(), band.height() - best - 1));
            --i; // the upper part may hold more than one line still
        }
        return found;
    }

    // The runs of blank columns inside `r` (not touching its sides) at least `minWidth` wide, as
    // [start, end) in page coordinates, left to right.
    std::vector<std::pair<int, int>> blankRuns(const QRect &r, int minWidth) const {
        const std::vector<int> columns = columnInk(r);
        std::vector<std::pair<int, int>> runs;
        int start = -1;
        for (int i = 0; i < int(columns.size()); ++i) {
            if (columns[size_t(i)] == 0) {
                if (start < 0)
                    start = i;
            } else {
                if (start > 0 && i - start >= minWidth)
                    runs.emplace_back(r.left() + start, r.left() + i);
                start = -1;
            }
        }
        return runs;
    }

    // The widest run of blank columns inside `r` (the leftmost of equals), as [start, end);
    // an empty run at the left edge when there is none.
    std::pair<int, int> widestGap(const QRect &r) const {
        std::pair<int, int> best{r.left(), r.left()};
        for (const auto &run : blankRuns(r, 1)) {
            if (run.second - run.first > best.second - best.first)
                best = run;
        }
        return best;
    }

    // Whether the rows of ink on the two sides of a blank corridor line up, as a label and its
    // value do; a sidebar beside a message does not.
    bool rowsLineUp(const QRect &left, const QRect &right) const {
        const QList<QRect> a = bands(tight(left));
        const QList<QRect> b = bands(tight(right));
        const QList<QRect> &fewer = a.size() <= b.size() ? a : b;
        const QList<QRect> &more = a.size() <= b.size() ? b : a;
        if (fewer.isEmpty())
            return true;
        int aligned = 0;
        for (const QRect &x : fewer) {
            aligned += std::any_of(more.begin(), more.end(), [&](const QRect &y) {
                const int slack = std::max(3, std::max(x.height(), y.height()) / 4);
                return std::abs(x.top() - y.top()) <= slack && std::abs(x.bottom() - y.bottom()) <= slack;
            });
        }
        // A single row beside a column is a value, not a column of its own.
        return fewer.size() < 2 || aligned * 2 >= fewer.size();
    }

    // A blank corridor through the whole height of `r` that parts two columns, as [start, end).
    std::optional<std::pair<int, int>> columnGap(const QRect &r) const {
        std::vector<std::pair<int, int>> gaps = blankRuns(r, m_lineHeight * 2);
        std::sort(gaps.begin(), gaps.end(),
                  [](const auto &x, const auto &y) { return x.second - x.first > y.second - y.first; });
        for (const auto &[from, to] : gaps) {
            const QRect left(QPoint(r.left(), r.top()), QPoint(from - 1, r.bottom()));
            const QRect right(QPoint(to, r.top()), QPoint(r.right(), r.bottom()));
            if (!rowsLineUp(left, right))
                return std::make_pair(from, to);
        }
        return std::nullopt;
    }

    // The rows of text in `r` beside a tall thing at one end of it (an app's icon beside its name
    // and a caption, an avatar beside a sender's name and address): one block of ink about as wide
    // as it is high and without a blank column (large type, such as a price beside its cycle and a
    // note, has blanks between its characters), set apart by a fifth of its height or by half
    // the height of the rows (a large icon stands as far from its rows as a small one), that the
    // rows do not run through. The parts of a Chinese character beside another ("商品") are not
    // such rows: they are set closer, lower than a line of writing (the strokes of "三") and
    // neither wider than high nor wider than the character beside them. It is drawn, not written.
    std::optional<QRect> besideIcon(const QRect &r) const {
        const std::vector<std::pair<int, int>> gaps = blankRuns(r, 2);
        if (gaps.empty())
            return std::nullopt;
        const QRect left(r.topLeft(), QPoint(gaps.front().first - 1, r.bottom()));
        const QRect right(QPoint(gaps.back().second, r.top()), r.bottomRight());
        for (const QRect &icon : {left, right}) {
            const QList<QRect> one = bands(tight(icon));
            const auto &gap = icon == left ? gaps.front() : gaps.back();
            if (one.size() != 1 || one.front().height() * 5 < r.height() * 4 ||
                icon.width() > 2 * r.height() || !blankRuns(tight(icon), 1).empty())
                continue;
            const QRect rest = icon == left ? QRect(QPoint(gaps.front().second, r.top()), r.bottomRight())
                                            : QRect(r.topLeft(), QPoint(gaps.back().first - 1, r.bottom()));
            // The rows beside it, up to a wide blank (a price further along may stand between them).
            QRect beside = rest;
            if (const auto apart = blankRuns(rest, std::max(2, one.front().height() / 3)); !apart.empty())
                beside = icon == left ? QRect(rest.topLeft(), QPoint(apart.front().first - 1, rest.bottom()))
                                      : QRect(QPoint(apart.back().second, rest.top()), rest.bottomRight());
            const QList<QRect> rows = bands(tight(beside));
            int widest = 0;
            int tallest = 0;
            for (const QRect &row : rows) {
                widest = std::max(widest, tight(row).width());
                tallest = std::max(tallest, row.height());
            }
            const int apart = gap.second - gap.first;
            if (rows.size() >= 2 && widest > tight(icon).width() &&
                (apart * 5 >= one.front().height() || apart * 2 >= tallest) &&
                std::all_of(rows.begin(), rows.end(), [&](const QRect &row) {
                    const QRect ink = tight(row);
                    return row.height() * 3 < one.front().height() * 2 && ink.width() >= 2 * ink.height() &&
                           ink.height() * 3 >= m_lineHeight;
                }))
                return rest;
        }
        return std::nullopt;
    }

    void cut(const QRect &area, int depth) {
        const QRect r = tight(area);
        if (r.isEmpty())
            return;
        if (depth < 12) {
            if (const auto gap = columnGap(r)) {
                cut(QRect(QPoint(r.left(), r.top()), QPoint(gap->first - 1, r.bottom())), depth + 1);
                cut(QRect(QPoint(gap->second, r.top()), QPoint(r.right(), r.bottom())), depth + 1);
                return;
            }
        }
        for (const QRect &band : bands(r)) {
            const QRect b = tight(band);
            if (b.isEmpty())
                continue;
            if (depth < 12) {
                if (const auto apart = edgeApart(b)) {
                    cut(QRect(QPoint(b.left(), b.top()), QPoint(apart->first - 1, b.bottom())), depth + 1);
                    cut(QRect(QPoint(apart->second, b.top()), QPoint(b.right(), b.bottom())), depth + 1);
                    continue;
                }
            }
            const bool tall = b.height() * 10 > m_lineHeight * 18 && depth < 12;
            const auto gap = widestGap(b);
            const int from = gap.first;
            const int to = gap.second;
            const auto split = [&] {
                cut(QRect(QPoint(b.left(), b.top()), QPoint(from - 1, b.bottom())), depth + 1);
                cut(QRect(QPoint(to, b.top()), QPoint(b.right(), b.bottom())), depth + 1);
            };
            // Taller than a line: columns whose rows do not line up. Split at the widest blank gap
            // that is wide enough to part columns rather than words.
            if (tall && to - from >= std::max(m_lineHeight * 3 / 2, b.height() / 2)) {
                split();
                continue;
            }
            if (depth < 12) {
                if (const auto text = besideIcon(b)) {
                    cut(*text, depth + 1);
                    continue;
                }
            }
            // A narrower gap parts columns too where its two sides hold different numbers of rows:
            // two rows of text beside one price set between them.
            const auto rowsOf = [this](const QRect &side) { return bands(tight(side)).size(); };
            if (tall && to - from >= m_lineHeight && from > b.left() &&
                rowsOf(QRect(b.topLeft(), QPoint(from - 1, b.bottom()))) !=
                    rowsOf(QRect(QPoint(to, b.top()), b.bottomRight()))) {
                split();
                continue;
            }
            if (depth < 12) {
                if (const auto apart = besideRows(b)) {
                    cut(QRect(QPoint(b.left(), b.top()), QPoint(apart->first - 1, b.bottom())), depth + 1);
                    cut(QRect(QPoint(apart->second, b.top()), QPoint(b.right(), b.bottom())), depth + 1);
                    continue;
                }
            }
            m_lines.append(b);
        }
    }

    // The rows of written text in `r`: its bands when there are two or more and each is a line of
    // writing, wider than high and not much lower than a line, one of them at least three times
    // as wide as high (the strokes of one character one above the other, as in "品" or "三", are
    // none of that); otherwise 1.
    qsizetype textRows(const QRect &r) const {
        const QList<QRect> rows = bands(tight(r));
        if (rows.size() < 2)
            return rows.size();
        bool long_ = false;
        for (const QRect &row : rows) {
            const QRect ink = tight(row);
            if (ink.width() < 2 * ink.height() || ink.height() * 3 < m_lineHeight)
                return 1;
            long_ = long_ || ink.width() >= 3 * ink.height();
        }
        return long_ ? rows.size() : 1;
    }

    // A blank in band `r` with two or more rows of text on one side and one row on the other:
    // small rows beside a price in large type ("per month" over "billed yearly" beside "$9.99"),
    // a wrapped value beside its label, the name and caption beside an app's icon. The widest such
    // blank, at least a third of a line wide (blanks between words of the one row are narrower
    // than those apart from the rows beside it), as [start, end).
    std::optional<std::pair<int, int>> besideRows(const QRect &r) const {
        std::vector<std::pair<int, int>> gaps = blankRuns(r, std::max(3, m_lineHeight / 3));
        std::stable_sort(gaps.begin(), gaps.end(), [](const auto &x, const auto &y) {
            return x.second - x.first > y.second - y.first;
        });
        if (gaps.size() > 4)
            gaps.resize(4);
        for (const auto &gap : gaps) {
            const qsizetype left =
                textRows(QRect(QPoint(r.left(), r.top()), QPoint(gap.first - 1, r.bottom())));
            const qsizetype right = textRows(QRect(QPoint(gap.second, r.top()), r.bottomRight()));
            if (left != right && std::min(left, right) == 1 && std::max(left, right) >= 2)
                return gap;
        }
        return std::nullopt;
    }

    // A blank through `r` along which two fills meet, as [start, end): the sides are read apart.
    // The edge of a sidebar or a card runs on past the line; that of a box around one value
    // (a price in a field of its own shade) ends with the value's row.
    std::optional<std::pair<int, int>> edgeApart(const QRect &r) const {
        if (m_edges.isNull())
            return std::nullopt;
        const auto onEdge = [this](int x, int y) {
            const uchar *row = m_edges.constScanLine(y);
            return row[x] || (x > 0 && row[x - 1]) || (x + 1 < m_edges.width() && row[x + 1]);
        };
        for (const auto &run : blankRuns(r, 1)) {
            const int x = edgeThrough(m_edges, run.first - 1, run.second, r.top(), r.bottom());
            if (x < 0)
                continue;
            int beyond = 0;
            for (int y = r.top() - 1; y >= 0 && onEdge(x, y) && beyond < m_lineHeight; --y)
                ++beyond;
            for (int y = r.bottom() + 1; y < m_edges.height() && onEdge(x, y) && beyond < m_lineHeight; ++y)
                ++beyond;
            if (beyond >= m_lineHeight)
                return run;
        }
        return std::nullopt;
    }

    const QImage &m_page;
    const QImage &m_edges;
    const int m_lineHeight;
    QList<QRect> m_lines;
};

} // namespace

QList<QRect> find(const QImage &page, int lineHeight, const QImage &edges) {
    if (page.isNull() || page.format() != QImage::Format_Grayscale8)
        return {};
    const QImage sides =
        edges.size() == page.size() && edges.format() == QImage::Format_Grayscale8 ? edges : QImage();
    QList<QRect> lines = Finder(page, lineHeight, sides).run();
    // A page's line height taken across its whole width comes out too large where a sidebar's
    // entries and icons stand between the rows of the text beside them: its columns and rows
    // are then not told apart. The lines found give the height of the text itself.
    std::vector<int> heights;
    for (const QRect &line : std::as_const(lines))
        heights.push_back(line.height());
    if (heights.size() >= 4) {
        std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2),
                         heights.end());
        const int typical = heights[heights.size() / 2];
        if (typical * 4 < lineHeight * 3)
            lines = Finder(page, typical, sides).run();
    }
    return lines;
}

QList<QList<qsizetype>> rows(const QList<QRect> &ink) {
    // The ink of a line fills about four fifths of the height of its type (ascent and descent),
    // by which rows are judged as the eye judges them.
    QList<QRect> lines;
    for (const QRect &box : ink)
        lines.append(box.adjusted(0, -box.height() / 8, 0, box.height() / 8));
    std::vector<qsizetype> order(size_t(lines.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    const auto middle2 = [&lines](qsizetype i) { return lines[i].top() + lines[i].bottom(); };
    std::stable_sort(order.begin(), order.end(),
                     [&middle2](qsizetype a, qsizetype b) { return middle2(a) < middle2(b); });
    // Lines one above the other share no row, however tall a thing beside them both stands (an
    // app's icon beside its name and the caption under it): the block beside it is read top to
    // bottom. Lines of one row stand side by side; a few columns' overlap is a box's slack, and
    // boxes mostly at the same height are parts of one line.
    const auto stacked = [&ink](qsizetype a, qsizetype b) {
        const QRect &x = ink[a];
        const QRect &y = ink[b];
        const int across = std::min(x.right(), y.right()) - std::max(x.left(), y.left()) + 1;
        const int level = std::min(x.bottom(), y.bottom()) - std::max(x.top(), y.top()) + 1;
        return across * 4 > std::min(x.width(), y.width()) && level * 2 < std::min(x.height(), y.height());
    };
    QList<QList<qsizetype>> found;
    int top = 0, bottom = 0; // of the last row
    for (const qsizetype i : order) {
        const QRect &line = lines[i];
        const int overlap = std::min(bottom, line.bottom()) - std::max(top, line.top()) + 1;
        if (!found.isEmpty() && overlap * 10 >= std::min(line.height(), bottom - top + 1) * 6 &&
            std::none_of(found.back().begin(), found.back().end(),
                         [&](qsizetype other) { return stacked(i, other); })) {
            found.back().append(i);
            top = std::min(top, line.top());
            bottom = std::max(bottom, line.bottom());
            continue;
        }
        found.append(QList<qsizetype>{i});
        top = line.top();
        bottom = line.bottom();
    }
    for (QList<qsizetype> &row : found)
        std::stable_sort(row.begin(), row.end(),
                         [&lines](qsizetype a, qsizetype b) { return lines[a].left() < lines[b].left(); });
    return found;
}

int darkestIn(const QImage &image, const QRect &r) {
    int darkest = 255;
    if (r.isEmpty())
        return darkest;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar *row = image.constScanLine(y);
        darkest = std::min<int>(darkest, *std::min_element(row + r.left(), row + r.right() + 1));
    }
    return darkest;
}

} // namespace TextLines
