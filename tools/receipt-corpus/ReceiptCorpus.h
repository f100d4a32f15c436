#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// Generated receipt screenshots together with the text they show, for measuring and testing
// recognition. Every receipt is drawn with QPainter (a QGuiApplication must exist; the offscreen
// platform is enough) and follows from the seed and its index alone, so a corpus is the same on
// every machine with the same fonts (Noto Sans CJK, DejaVu, Liberation).
namespace ReceiptCorpus {

enum class Layout { storeReceipt, orderEmail, planPage, paymentResult };
enum class Language { zh, en, mixed };
// The corpus a receipt belongs to. Recognition is tuned on the first; the second, which no tuning
// looks at, sets other typefaces (WenQuanYi, AR PL Ming and Kai, Noto Serif CJK, DejaVu Serif,
// Liberation Mono), smaller and larger text, phone widths, and more JPEG and HiDPI captures.
enum class Corpus { tuning, evaluation };

struct Receipt {
    int index = 0;
    Layout layout = Layout::storeReceipt;
    Language language = Language::zh;
    bool isDark = false;
    // Pixel size of the ordinary text in the image (after any device scale).
    int bodyPixelSize = 0;
    // The typeface of its Chinese text, and whether it was saved as JPEG.
    QString typeface;
    bool isJpeg = false;
    QImage image;
    // What a perfect recogniser reads: the lines in reading order, joined with "\n". A label and
    // its value on one row form one line, separated by one blank.
    QString text;

    // A file-name friendly description, e.g. "0007-email-en-dark-13px".
    QString label() const;
};

// Fixes parts of a receipt that otherwise vary with its index.
struct Options {
    std::optional<Layout> layout;
    std::optional<Language> language;
    std::optional<bool> isDark;
    // The screenshot's size in pixels; empty: chosen per receipt (mostly 1280×800).
    QSize size;
    Corpus corpus = Corpus::tuning;
};

Receipt make(quint64 seed, int index, const Options &options = {});

// Writes receipts first to first + count - 1 into `folder` as <label>.png with the ground truth in
// <label>.txt, and lists each label's typeface and capture format in styles.tsv. Returns how many
// pairs were written.
int writeFolder(const QString &folder, quint64 seed, int count, const Options &options = {}, int first = 0);

QString layoutName(Layout layout);
QString languageName(Language language);

} // namespace ReceiptCorpus
