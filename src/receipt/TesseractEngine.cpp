#include "TesseractEngine.h"

#include "TextLines.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <QRect>
#include <QRegularExpression>

#include <algorithm>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace {

struct Word {
    QString text;
    QString before; // what separates the word from the one before it: "" or blanks
    QRect box;
    float confidence = 0;
    bool isLatin = false; // to be read again by the Latin model
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

bool isChinese(QChar c) {
    const char16_t u = c.unicode();
    return isHan(c) || (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
}

// Chinese is written without blanks, so a blank between Chinese and Chinese or a digit stands
// only where the image shows a real gap (a label and its value), not between close characters.
bool isSpuriousBlank(const Word &left, const Word &right) {
    const QChar a = left.text.back();
    const QChar b = right.text.front();
    const bool chinesePair =
        (isChinese(a) && (isChinese(b) || isAsciiDigit(b))) || (isAsciiDigit(a) && isChinese(b));
    if (!chinesePair)
        return false;
    const int height = std::max(left.box.height(), right.box.height());
    return right.box.left() - left.box.right() < height / 2;
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
QList<Line> recognise(tesseract::TessBaseAPI &api, int deadlineMs) {
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
        lines.last().append(word);
    } while (it->Next(tesseract::RIL_WORD));
    lines.removeIf([](const Line &line) { return line.isEmpty(); });
    return lines;
}

// Reads the Latin parts of the lines once more with the English model, which knows more
// currency signs and Latin spacing than the Chinese one. All parts go into one image, one above
// the other, so that one recognition covers them.
void rereadLatin(tesseract::TessBaseAPI &latin, QList<Line> &lines, const QImage &grey,
                 const TesseractEngine::Settings &settings) {
    struct Span {
        qsizetype line = 0, first = 0, last = 0;
        QRect source;
        QRect placed;
        QStringList text;
        float confidence = 0;
    };
    QList<Span> spans;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        Line &line = lines[l];
        for (qsizetype w = 0; w < line.size(); ++w) {
            const QString &text = line[w].text;
            const bool gluedToHan =
                (w > 0 && line[w].before.isEmpty() && line[w - 1].text.contains(isHanRegex())) ||
                (w + 1 < line.size() && line[w + 1].before.isEmpty() &&
                 line[w + 1].text.contains(isHanRegex()));
            // A lone Han character before an amount is a misread currency sign too, unless it
            // belongs to a Chinese date or number ("2025 年 3").
            const bool loneSign = text.size() == 1 && isHan(text.at(0)) && w + 1 < line.size() &&
                                  isAsciiDigit(line[w + 1].text.at(0)) &&
                                  line[w + 1].box.left() - line[w].box.right() < line[w].box.height() &&
                                  (w == 0 || !line[w].before.isEmpty());
            const bool chineseNumber = gluedToHan && std::all_of(text.begin(), text.end(), [](QChar c) {
                                           return isAsciiDigit(c) || QStringView(u".,:-/").contains(c);
                                       });
            line[w].isLatin = (looksLatin(text) && !chineseNumber) || loneSign;
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
        Word merged;
        merged.before = line[span.first].before;
        merged.text = span.text.join(u' ');
        merged.box = span.source;
        merged.confidence = span.confidence;
        line.erase(line.begin() + span.first, line.begin() + span.last + 1);
        line.insert(span.first, merged);
    }
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
#ifdef _OPENMP
    // The setting belongs to the calling thread, and pool threads change.
    omp_set_num_threads(m_settings.threads);
#endif
    m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    m_api->SetSourceResolution(m_settings.sourceDpi);
    QList<Line> lines = recognise(*m_api, m_settings.deadlineMs);
    m_api->Clear();
    if (m_latin)
        rereadLatin(*m_latin, lines, grey, m_settings);
    for (const Line &line : lines) {
        QString text;
        for (qsizetype w = 0; w < line.size(); ++w) {
            if (w > 0 && !isSpuriousBlank(line[w - 1], line[w]))
                text += line[w].before;
            text += line[w].text;
        }
        out << text;
    }
    return out;
}
