#include "TesseractEngine.h"

#include "TextLines.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <QRect>
#include <QRegularExpression>

#include <algorithm>
#include <thread>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace {

struct Glyph {
    QString text;
    QRect box;
};

struct Word {
    QString text;
    QString before; // what separates the word from the one before it: "" or blanks
    QRect box;
    float confidence = 0;
    bool isLatin = false; // to be read again by the Latin model
    QList<Glyph> glyphs;  // only where asked for
};

using Line = QList<Word>;

bool isHan(QChar c) {
    return c.script() == QChar::Script_Han;
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

const QRegularExpression &isHanRegex() {
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    return han;
}

// Blanks next to Chinese characters are at least this wide, in percent of the line height.
constexpr int blankPercent = 24;
constexpr int mixedBlankPercent = 16;

bool isChinese(QChar c) {
    const char16_t u = c.unicode();
    return isHan(c) || (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
}

// The widest run of blank columns on `sheet` where two words of a line meet; `reach` bounds the
// search around the meeting point, as the boxes of Chinese words are rough. They tend to lie
// right of the ink, often by half a character, so that the box of the word on the left may
// reach well into the word on the right: the search starts from the right word's box.
int blankBetween(const QImage &sheet, const QRect &left, const QRect &right, int reach) {
    const int top = std::max(0, std::min(left.top(), right.top()));
    const int bottom = std::min(sheet.height() - 1, std::max(left.bottom(), right.bottom()));
    const int from = std::max({0, left.center().x(), std::min(left.right(), right.left()) - reach * 6 / 5});
    const int to = std::min({sheet.width() - 1, right.center().x(), right.left() + reach});
    int widest = 0;
    int run = 0;
    for (int x = from; x <= to; ++x) {
        bool blank = true;
        for (int y = top; y <= bottom && blank; ++y)
            blank = sheet.constScanLine(y)[x] >= TextLines::inkBelow;
        run = blank ? run + 1 : 0;
        widest = std::max(widest, run);
    }
    return widest;
}

// What goes between two words of a line. Chinese is written without blanks and the Chinese model
// places them unreliably next to Chinese characters, so there the image decides: a blank where a
// gap as wide as a space shows (a label and its value, "Netflix 高级套餐"), none between close
// characters ("黄金VIP会员", "2025年3月"). Elsewhere the recogniser's own spacing stands.
// `lineHeight` is the height lines have on the sheet.
QString separator(const QImage &sheet, const Word &left, const Word &right, int lineHeight) {
    const QChar a = left.text.back();
    const QChar b = right.text.front();
    if (!isChinese(a) && !isChinese(b))
        return right.before;
    // Dates, counts and amounts hold no blanks ("2025年3月7日", "3个月", "68元"), however wide the
    // unit character's margin.
    if ((isAsciiDigit(a) && QStringView(u"年月日时分秒个元周季天").contains(b)) ||
        (QStringView(u"年月").contains(a) && isAsciiDigit(b)))
        return {};
    const int gap = blankBetween(sheet, left.box, right.box, lineHeight / 2);
    // Between Chinese characters a blank must be wider than their own spacing; next to Latin
    // letters, digits and signs, which sit closer to Chinese characters, a narrower gap is one.
    const int percent = isChinese(a) && isChinese(b) ? blankPercent : mixedBlankPercent;
    return gap * 100 >= lineHeight * percent ? QStringLiteral(" ") : QString();
}

// Words the Chinese model reads worse than the English one: those without Han characters, and a
// currency sign it has no glyph for and takes for a Han character ("¥68" read as "羊68").
bool looksLatin(const QString &word) {
    const qsizetype firstHan = std::find_if(word.begin(), word.end(), isHan) - word.begin();
    if (firstHan == word.size())
        return true;
    return firstHan == 0 && word.size() >= 2 && isAsciiDigit(word.at(1)) &&
           std::none_of(word.begin() + 1, word.end(), isHan);
}

bool configure(tesseract::TessBaseAPI &api, const TesseractEngine::Settings &settings) {
    api.SetVariable("tessedit_do_invert", settings.tryInverted ? "1" : "0");
    // Tesseract otherwise writes diagnostics to stderr for odd images.
    api.SetVariable("debug_file", "/dev/null");
    for (const auto &[name, value] : settings.variables)
        api.SetVariable(name.constData(), value.constData());
    return true;
}

std::unique_ptr<tesseract::TessBaseAPI> initApi(const QByteArray &path, const QString &languages,
                                                const TesseractEngine::Settings &settings) {
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(path.constData(), languages.toLatin1().constData(), tesseract::OEM_LSTM_ONLY) != 0)
        return nullptr;
    configure(*api, settings);
    return api;
}

// Recognises the image set on `api` and returns its lines as words with their boxes.
QList<Line> recognise(tesseract::TessBaseAPI &api, int deadlineMs, bool withGlyphs = false) {
    QList<Line> lines;
    tesseract::ETEXT_DESC monitor;
    monitor.set_deadline_msecs(deadlineMs);
    if (api.Recognize(&monitor) != 0)
        return lines;
    const std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it || it->Empty(tesseract::RIL_WORD))
        return lines;
    QString lineText;
    qsizetype position = 0;
    do {
        if (lines.isEmpty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
            lines.append(Line{});
            // Only the line's text tells where the words are separated by blanks (Chinese words
            // are not).
            const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            lineText = text ? QString::fromUtf8(text.get()).trimmed() : QString();
            position = 0;
        }
        const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
        if (!text)
            continue;
        Word word;
        word.text = QString::fromUtf8(text.get()).trimmed();
        if (word.text.isEmpty())
            continue;
        const qsizetype found = lineText.indexOf(word.text, position);
        if (found >= 0) {
            word.before = lineText.mid(position, found - position);
            position = found + word.text.size();
        } else {
            word.before = QStringLiteral(" ");
        }
        int left = 0, top = 0, right = 0, bottom = 0;
        it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom);
        word.box = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
        word.confidence = it->Confidence(tesseract::RIL_WORD);
        if (withGlyphs) {
            // Step through the word's symbols; the next word follows the last of them.
            do {
                const std::unique_ptr<char[]> symbol(it->GetUTF8Text(tesseract::RIL_SYMBOL));
                it->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom);
                if (symbol)
                    word.glyphs.append(Glyph{QString::fromUtf8(symbol.get()),
                                             QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))});
            } while (!it->IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL) &&
                     it->Next(tesseract::RIL_SYMBOL));
        }
        lines.last().append(word);
    } while (it->Next(tesseract::RIL_WORD));
    lines.removeIf([](const Line &line) { return line.isEmpty(); });
    return lines;
}

// The Chinese model now and then gives a Han character a sliver of a box well to the right of its
// strokes, up against the next word ("乐" boxed on the edge of the "<" after it), so that the
// blank before the next word seems to come before the character. Such a character reaches back
// to the word before it.
void widenSlivers(QList<Line> &lines, int lineHeight) {
    for (Line &line : lines) {
        for (qsizetype w = 1; w < line.size(); ++w) {
            Word &word = line[w];
            const int previousEnd = line[w - 1].box.right();
            if (word.text.size() == 1 && isHan(word.text.front()) && word.box.width() * 3 < lineHeight &&
                previousEnd < word.box.left() && word.box.right() - previousEnd < lineHeight) {
                word.box.setLeft(previousEnd + 1);
                for (Glyph &glyph : word.glyphs)
                    glyph.box.setLeft(previousEnd + 1);
            }
        }
    }
}

// A run of words of one line that the English model reads better than the Chinese one.
struct Span {
    qsizetype line = 0, first = 0, last = 0;
    QRect source; // on the sheet
    QRect placed; // on the sheet of Latin parts
    QStringList text;
    float confidence = 0;
};

// Marks the words the English model reads better and returns them as runs.
QList<Span> latinSpans(QList<Line> &lines) {
    QList<Span> spans;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        Line &line = lines[l];
        for (qsizetype w = 0; w < line.size(); ++w) {
            const QString &text = line[w].text;
            const bool gluedToHan =
                (w > 0 && line[w].before.isEmpty() && line[w - 1].text.contains(isHanRegex())) ||
                (w + 1 < line.size() && line[w + 1].before.isEmpty() &&
                 line[w + 1].text.contains(isHanRegex()));
            // Digits inside Chinese text ("2025年3月") stay with the Chinese reading.
            const bool chineseNumber = gluedToHan && std::all_of(text.begin(), text.end(), [](QChar c) {
                                           return isAsciiDigit(c) || QStringView(u".,:-/").contains(c);
                                       });
            // Chinese punctuation alone ("，") is no Latin either.
            const bool chinesePunctuation = std::all_of(text.begin(), text.end(), isChinese);
            line[w].isLatin = looksLatin(text) && !chineseNumber && !chinesePunctuation;
        }
        // A currency sign the Chinese model has no glyph for is often read as a Han character of
        // its own, right before the amount ("羊 12", "人 E29.99"): the English model reads both
        // again. A Han character that ends a Chinese word ("时间 2024") is not one; one set right
        // after capital letters may be ("US和 11.99" for "US$11.99").
        static const QRegularExpression amountStart(QStringLiteral("^[A-Za-z$€£¥]?[0-9]"));
        for (qsizetype w = 0; w + 1 < line.size(); ++w) {
            const Word &sign = line[w];
            const Word &amount = line[w + 1];
            const bool startsWord = w == 0 || !sign.before.isEmpty() ||
                                    (line[w - 1].text.back() >= u'A' && line[w - 1].text.back() <= u'Z');
            if (sign.text.size() == 1 && isHan(sign.text.at(0)) && startsWord &&
                amount.text.contains(amountStart) &&
                amount.box.left() - sign.box.right() < sign.box.height()) {
                line[w].isLatin = true;
                line[w + 1].isLatin = true;
            }
            // Likewise the first capital of a Latin word, read as a Han character it is unsure of
            // and set right against the rest ("上UR" for "EUR").
            if (sign.text.size() == 1 && isHan(sign.text.at(0)) && (w == 0 || !sign.before.isEmpty()) &&
                sign.confidence < 60 && amount.before.isEmpty() && amount.isLatin &&
                amount.text.front() >= u'A' && amount.text.front() <= u'Z')
                line[w].isLatin = true;
        }
        for (qsizetype w = 0; w < line.size(); ++w) {
            if (!line[w].isLatin)
                continue;
            Span span{l, w, w, line[w].box, {}, {}, 0};
            while (span.last + 1 < line.size() && line[span.last + 1].isLatin)
                span.source |= line[++span.last].box;
            spans.append(span);
            w = span.last;
        }
    }
    return spans;
}

// Reads the spans with the English model from a sheet of their own, one above the other, so that
// one recognition covers them and no Chinese character beside them misleads it.
void readSpansApart(tesseract::TessBaseAPI &latin, const QList<Line> &lines, QList<Span> &spans,
                    const QImage &grey, const TesseractEngine::Settings &settings) {
    if (spans.isEmpty())
        return;
    int width = 0;
    int height = 0;
    for (Span &span : spans) {
        // Pad into the blank around the words, never into the neighbouring words.
        const Line &line = lines[span.line];
        const int pad = std::max(4, span.source.height() / 4);
        const int left = span.first > 0 ? (span.source.left() - line[span.first - 1].box.right()) / 2 : pad;
        const int right =
            span.last + 1 < line.size() ? (line[span.last + 1].box.left() - span.source.right()) / 2 : pad;
        span.source = span.source.adjusted(-std::clamp(left, 0, pad), -pad, std::clamp(right, 0, pad), pad)
                          .intersected(grey.rect());
        // Word boxes of Chinese text overlap a little; keep the neighbours' strokes out.
        if (span.first > 0 && line[span.first - 1].box.right() >= span.source.left())
            span.source.setLeft(std::min(line[span.first - 1].box.right() + 1, span.source.right()));
        if (span.last + 1 < line.size() && line[span.last + 1].box.left() <= span.source.right())
            span.source.setRight(std::max(line[span.last + 1].box.left() - 1, span.source.left()));
        width = std::max(width, span.source.width());
        span.placed = QRect(QPoint(0, height), span.source.size());
        height += span.source.height() + std::max(8, span.source.height() / 2);
    }
    const int margin = 16;
    QImage sheet(width + 2 * margin, height + 2 * margin, QImage::Format_Grayscale8);
    sheet.fill(255);
    for (Span &span : spans) {
        span.placed.translate(margin, margin);
        for (int y = 0; y < span.source.height(); ++y)
            std::copy_n(grey.constScanLine(span.source.top() + y) + span.source.left(), span.source.width(),
                        sheet.scanLine(span.placed.top() + y) + span.placed.left());
    }
    latin.SetImage(sheet.constBits(), sheet.width(), sheet.height(), 1, int(sheet.bytesPerLine()));
    latin.SetSourceResolution(settings.sourceDpi);
    const QList<Line> read = recognise(latin, settings.deadlineMs);
    latin.Clear();
    for (const Line &line : read) {
        QRect box;
        float confidence = 0;
        QStringList words;
        for (const Word &word : line) {
            box |= word.box;
            confidence += word.confidence;
            words << word.text;
        }
        const int middle = box.center().y();
        for (Span &span : spans) {
            if (middle >= span.placed.top() && middle <= span.placed.bottom()) {
                span.text << words;
                span.confidence = confidence / float(line.size());
                break;
            }
        }
    }
}

// Takes the spans' English reading from the English model's reading of the whole sheet: the
// characters it read within each span, so that a word it runs on into a Chinese neighbour
// ("VIP会" read as "VIPAA") gives only its part.
void takeSpansFrom(const QList<Line> &english, const QList<Line> &lines, QList<Span> &spans) {
    for (Span &span : spans) {
        QRect lineBox;
        for (const Word &word : lines[span.line])
            lineBox |= word.box;
        // Each English glyph goes with the Chinese model's glyph nearest to it: the Chinese
        // model's word boxes are rough, its glyph positions less so.
        const Line &own = lines[span.line];
        const int reach = lineBox.height() / 2;
        auto belongs = [&](int middle) {
            if (middle < span.source.left() - reach || middle > span.source.right() + reach)
                return false;
            qsizetype nearestWord = -1;
            int nearest = INT_MAX;
            for (qsizetype w = 0; w < own.size(); ++w) {
                for (const Glyph &glyph : own[w].glyphs) {
                    // Inside a wide Chinese character counts as nearest to it.
                    const int distance = middle < glyph.box.left()    ? glyph.box.left() - middle
                                         : middle > glyph.box.right() ? middle - glyph.box.right()
                                                                      : 0;
                    if (distance < nearest) {
                        nearest = distance;
                        nearestWord = w;
                    }
                }
            }
            return nearestWord < 0 || (nearestWord >= span.first && nearestWord <= span.last);
        };
        float confidence = 0;
        QString text;
        int count = 0;
        for (const Line &line : english) {
            for (const Word &word : line) {
                if (word.box.center().y() < lineBox.top() || word.box.center().y() > lineBox.bottom())
                    continue;
                QString part;
                for (const Glyph &glyph : word.glyphs) {
                    if (belongs(glyph.box.center().x()))
                        part += glyph.text;
                }
                if (part.isEmpty())
                    continue;
                text += (text.isEmpty() ? QString() : word.before) + part;
                confidence += word.confidence;
                ++count;
            }
        }
        if (count > 0) {
            span.text = QStringList{text};
            span.confidence = confidence / float(count);
        }
    }
}

// The English model's glyphs on the row of `box`, left to right.
QList<Glyph> englishRow(const QList<Line> &english, const QRect &box) {
    QList<Glyph> row;
    for (const Line &line : english) {
        for (const Word &word : line) {
            if (word.box.center().y() >= box.top() && word.box.center().y() <= box.bottom())
                row.append(word.glyphs);
        }
    }
    std::stable_sort(row.begin(), row.end(),
                     [](const Glyph &a, const Glyph &b) { return a.box.center().x() < b.box.center().x(); });
    return row;
}

// A currency sign that the Chinese model dropped altogether: the English model's sign right
// before the digit that starts a number goes in front of it. The Chinese model's box of such a
// number often takes in the sign it dropped, so the English digits place the sign, not the box.
void restoreSigns(const QList<Line> &english, QList<Line> &lines, int lineHeight) {
    for (Line &line : lines) {
        for (qsizetype w = 0; w < line.size(); ++w) {
            Word &number = line[w];
            if (!isAsciiDigit(number.text.front()))
                continue;
            if (w > 0 && QStringView(u"¥￥$€£").contains(line[w - 1].text.back()))
                continue;
            const QList<Glyph> row = englishRow(english, number.box);
            const int previousEnd = w > 0 ? line[w - 1].box.right() : INT_MIN;
            const int from = std::max(previousEnd, number.box.left() - lineHeight * 8 / 10);
            // The first English digit within the number's box, and the glyph before it.
            for (qsizetype g = 0; g < row.size(); ++g) {
                const int middle = row[g].box.center().x();
                if (middle < number.box.left() - lineHeight / 4 || middle > number.box.right() ||
                    row[g].text.size() != 1 || !isAsciiDigit(row[g].text.front()))
                    continue;
                // A lone Y is the English model's yen sign.
                const Glyph *sign = g > 0 ? &row[g - 1] : nullptr;
                if (sign && sign->text.size() == 1 && QStringView(u"¥$€£Y").contains(sign->text.front()) &&
                    sign->box.center().x() > from)
                    number.text.prepend(sign->text == u"Y" ? QStringLiteral("¥") : sign->text);
                break;
            }
        }
    }
}

// Inside a number the English model now and then takes a digit for a letter ("HK$8s.00") where
// the Chinese model read the digit. Where both read as many characters, a letter next to a digit
// or a decimal point in the English reading gives way to the Chinese digit; and a decimal comma
// or point between digits gives way to the Chinese model's other one where that model is surer
// ("¥9,90" against "9.90"). The characters are compared word by word where both read as many
// words, else all together, as the Chinese model may part a sign it misread from its number.
void keepDigits(QString &english, float englishConfidence, const QList<Word> &chinese) {
    struct Source {
        QChar c;
        float confidence;
    };
    QList<Source> other;
    QList<qsizetype> wordStarts;
    for (const Word &word : chinese) {
        wordStarts << other.size();
        for (QChar c : word.text)
            other << Source{c, word.confidence};
    }
    // Where each English character stands among the Chinese ones; -1 where there is none.
    QList<qsizetype> position(english.size(), -1);
    const QStringList tokens = english.split(u' ');
    if (tokens.size() == chinese.size()) {
        qsizetype at = 0;
        for (qsizetype t = 0; t < tokens.size(); ++t) {
            if (tokens[t].size() == chinese[t].text.size())
                for (qsizetype i = 0; i < tokens[t].size(); ++i)
                    position[at + i] = wordStarts[t] + i;
            at += tokens[t].size() + 1;
        }
    } else {
        if (english.size() - english.count(u' ') != other.size())
            return;
        qsizetype next = 0;
        for (qsizetype i = 0; i < english.size(); ++i)
            if (english.at(i) != u' ')
                position[i] = next++;
    }
    auto isNumeral = [](QChar c) { return isAsciiDigit(c) || c == u'.' || c == u','; };
    for (qsizetype i = 0; i < english.size(); ++i) {
        if (position[i] < 0)
            continue;
        const Source &source = other[position[i]];
        const QChar c = english.at(i);
        const QChar before = i > 0 ? english.at(i - 1) : QChar();
        const QChar after = i + 1 < english.size() ? english.at(i + 1) : QChar();
        if (c.isLetter() && isAsciiDigit(source.c) && (isNumeral(before) || isNumeral(after)) &&
            !before.isLetter() && !after.isLetter())
            english[i] = source.c;
        else if ((c == u'.' || c == u',') && (source.c == u'.' || source.c == u',') && isAsciiDigit(before) &&
                 isAsciiDigit(after) && source.confidence > englishConfidence)
            english[i] = source.c;
    }
}

// Puts the English reading of the spans in place of the Chinese one.
void replaceSpans(QList<Line> &lines, const QList<Span> &spans, const TesseractEngine::Settings &settings) {
    // Replace back to front so that word positions stay valid.
    for (auto it = spans.crbegin(); it != spans.crend(); ++it) {
        const Span &span = *it;
        if (span.text.isEmpty())
            continue;
        Line &line = lines[span.line];
        float mainConfidence = 0;
        for (qsizetype w = span.first; w <= span.last; ++w)
            mainConfidence += line[w].confidence;
        mainConfidence /= float(span.last - span.first + 1);
        if (span.confidence + settings.latinConfidenceMargin < mainConfidence)
            continue;
        // Where the Chinese model read the words as Latin text too, and is sure of them while the
        // English one is not ("HK$3s8s.00" against "HK$388.00"), its reading stands, unless the
        // English one holds a currency sign it missed ("E4.99" for "€4.99").
        static const QRegularExpression sign(QStringLiteral("[¥￥$€£]"));
        bool readAsLatin = true;
        qsizetype signs = 0;
        for (qsizetype w = span.first; w <= span.last; ++w) {
            readAsLatin = readAsLatin && !line[w].text.contains(isHanRegex());
            signs += line[w].text.count(sign);
        }
        if (readAsLatin && span.confidence + settings.latinDoubtMargin < mainConfidence &&
            span.text.join(QString()).count(sign) <= signs)
            continue;
        // Letters set right against Chinese characters ("黄金VIP会员"): the Chinese model, which
        // learnt such mixed text, reads them better than the English one, which the Chinese
        // characters beside them confuse. Amounts and signs still go to the English model.
        const bool gluedBefore = span.first > 0 && line[span.first].before.isEmpty() &&
                                 isChinese(line[span.first - 1].text.back());
        const bool gluedAfter = span.last + 1 < line.size() && line[span.last + 1].before.isEmpty() &&
                                isChinese(line[span.last + 1].text.front());
        bool lettersOnly = true;
        for (qsizetype w = span.first; w <= span.last; ++w)
            lettersOnly = lettersOnly && std::all_of(line[w].text.begin(), line[w].text.end(), [](QChar c) {
                              return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
                          });
        if ((gluedBefore || gluedAfter) && lettersOnly)
            continue;
        Word merged;
        merged.before = line[span.first].before;
        merged.text = span.text.join(u' ');
        // Where the Chinese reading ends a word at a slash before a Chinese character ("¥98/"
        // before "月"), the English one tends to read the edge of that character as a glyph or two
        // more. The Chinese model may also take the slash for another sign whose box runs into the
        // character ("30.00)" for "30.00/"); then the English word, cut after its slash, has as
        // many characters as the Chinese one.
        const QString &lastWord = line[span.last].text;
        const qsizetype slash = merged.text.lastIndexOf(u'/');
        const qsizetype wordStart = merged.text.lastIndexOf(u' ') + 1;
        const bool edgeAfterSlash = gluedAfter && slash >= wordStart && merged.text.size() - slash - 1 <= 2 &&
                                    lastWord.size() == slash + 1 - wordStart &&
                                    !lastWord.back().isLetterOrNumber();
        if ((lastWord.endsWith(u'/') || edgeAfterSlash) && slash >= 0)
            merged.text.truncate(slash + 1);
        keepDigits(merged.text, span.confidence, line.mid(span.first, span.last - span.first + 1));
        for (qsizetype w = span.first; w <= span.last; ++w)
            merged.box |= line[w].box;
        merged.confidence = span.confidence;
        line.erase(line.begin() + span.first, line.begin() + span.last + 1);
        line.insert(span.first, merged);
    }
}

// Tesseract asks OpenMP for four threads per step of its networks, whatever thread count is set;
// on two cores their start-up and spinning cost more than they bring. Without room for an active
// level, every parallel region runs on the calling thread alone. The setting belongs to the
// calling thread, so each thread that recognises makes it.
void keepOnThisThread(const TesseractEngine::Settings &settings) {
#ifdef _OPENMP
    if (settings.threads <= 1)
        omp_set_max_active_levels(0);
#else
    Q_UNUSED(settings);
#endif
}

} // namespace

TesseractEngine::TesseractEngine(Settings settings)
    : m_settings(std::move(settings)) {}

TesseractEngine::~TesseractEngine() {
    if (m_latin)
        m_latin->End();
    if (m_api)
        m_api->End();
}

bool TesseractEngine::load(const QString &tessdataPath) {
    if (m_loaded)
        return true;
    const QByteArray path = tessdataPath.toLocal8Bit();
    m_api = initApi(path, m_settings.languages, m_settings);
    if (!m_api)
        return false;
    m_api->SetPageSegMode(tesseract::PageSegMode(m_settings.pageSegMode));
    if (!m_settings.latinLanguage.isEmpty()) {
        m_latin = initApi(path, m_settings.latinLanguage, m_settings);
        if (!m_latin) {
            m_api.reset();
            return false;
        }
        m_latin->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    }
    m_loaded = true;
    return true;
}

QStringList TesseractEngine::readLines(const QImage &page, int lineHeight, int sheetLineHeight) {
    QStringList out;
    if (!m_loaded || page.isNull() || page.format() != QImage::Format_Grayscale8)
        return out;
    const TextLines::Sheet sheet =
        TextLines::compose(page, TextLines::find(page, lineHeight), sheetLineHeight);
    if (sheet.image.isNull())
        return out;
    const QImage &grey = sheet.image;
    // With the English model reading the whole sheet too, both run at once on two threads.
    QList<Line> english;
    std::thread second;
    if (m_latin && m_settings.latinAlongside) {
        second = std::thread([&] {
            keepOnThisThread(m_settings);
            m_latin->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
            m_latin->SetSourceResolution(m_settings.sourceDpi);
            english = recognise(*m_latin, m_settings.deadlineMs, true);
            m_latin->Clear();
        });
    }
    keepOnThisThread(m_settings);
    m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    m_api->SetSourceResolution(m_settings.sourceDpi);
    QList<Line> lines = recognise(*m_api, m_settings.deadlineMs, m_settings.latinAlongside);
    m_api->Clear();
    widenSlivers(lines, sheetLineHeight);
    if (second.joinable())
        second.join();
    if (m_latin) {
        QList<Span> spans = latinSpans(lines);
        if (m_settings.latinAlongside)
            takeSpansFrom(english, lines, spans);
        else
            readSpansApart(*m_latin, lines, spans, grey, m_settings);
        replaceSpans(lines, spans, m_settings);
        if (m_settings.latinAlongside) {
            restoreSigns(english, lines, sheetLineHeight);
        }
    }
    for (const Line &line : lines) {
        QString text;
        for (qsizetype w = 0; w < line.size(); ++w) {
            if (w > 0)
                text += separator(grey, line[w - 1], line[w], sheetLineHeight);
            text += line[w].text;
        }
        out << text;
    }
    return out;
}
