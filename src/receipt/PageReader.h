#pragma once

#include "TextRecognizer.h"

class LatinReader;

#include <QImage>
#include <QList>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Reads a prepared page (see ScanImage) with the line recogniser: finds its lines, cuts them into
// pieces at wide blanks, scales the pieces to the recogniser's height, packs several into each
// strip it reads, and spells each line from the characters read, with blanks placed where the
// image shows a gap.
namespace PageReader {

// A piece of a line scaled to the recogniser's height, with what is needed to spell it.
struct Piece {
    QImage image;   // Format_Grayscale8, TextRecognizer::inputHeight high
    int textHeight; // height of its ink in `image`
    int line = 0;   // the index of the line it belongs to
    QRect source;   // its ink on the page
    // Set close after the piece before it, without a blank: the smaller type of a price's cycle
    // after it ("/mo").
    bool closeToPrevious = false;
    // Where it was cut from the piece before it only to fit a strip, at a gap narrower than a
    // line's height: that gap, in heights of the ink it was cut from (a blank or only the
    // spacing of the characters either side); otherwise below zero.
    double squeezedGap = -1;
};

// The pieces of one line box of `page` (dark text on white): cut at blanks wider than the line is
// high, and where one would not fit in a recogniser strip, at its widest blank.
QList<Piece> cut(const QImage &page, const QRect &line, int lineIndex);

// The blank column runs of a piece, as [start, end) pairs.
QList<std::pair<int, int>> blankRuns(const QImage &piece);

// The text of a piece from the characters read on it (their steps counted from the piece's left
// edge): blanks only where the image shows a gap wide enough for one next to the characters on
// either side, and between digits or Latin letters only where the recogniser saw one too; none
// inside numbers, and none between Chinese characters set close together.
// `piece`, when given, is the piece's image, to tell a middle dot from a full stop or a hyphen;
// `page`, when given, the page it was cut from at `source`, where small signs may be told by more
// pixels than the piece holds.
QString spell(const QList<TextRecognizer::Glyph> &glyphs, const QList<std::pair<int, int>> &blanks,
              int textHeight, int pieceWidth, const QImage *piece = nullptr, const QImage *page = nullptr,
              const QRect &source = {});

// Numbers in a piece's text that may be amounts written without a currency sign or code: the
// recogniser's dictionary lacks some signs ("€", "£"), and it may read "$" as an "S".
const QRegularExpression &amountWithoutSign();

// A number at the end of a piece's text that ends at its decimal separator: the recogniser left
// out what follows ("-7." for "-£7.00").
const QRegularExpression &cutShort();

// Prices in a piece's text whose digits 1 or 0 were read as letters, their sign left out or read
// as a letter ("ll.99" for "£11.99", "fl0.99" for "€10.99", "100.o0" for "€100.00").
const QRegularExpression &priceWithLetters();

// The text of a piece with the currency signs that `latinReading`, a reading of the same piece by
// a Latin model, shows before the numbers that amountWithoutSign() finds in it, and with the prices
// it shows where priceWithLetters() finds one read with letters. `unreadBeforeNumber`: the piece
// shows a character the recogniser read nothing on before its first number, where the Latin
// model's sign is taken more readily.
QString restoreSigns(const QString &text, const QString &latinReading, bool unreadBeforeNumber = false);

// `latinReading`, another reading of a run of Latin words read as `text`, with the case of `text`
// where the two differ in case alone, unless `text` mixes cases within a word where
// `latinReading` does not ("vIP" for "VIP"): cut out of a line, a run of a few letters shows no
// others to tell capitals from small letters of one shape by ("US" is not made "us", nor "TV" "Tv").
QString withCaseOf(const QString &text, const QString &latinReading);

// A run of Latin words in a piece's text: its characters [start, end) and the columns
// [left, right) of the piece that hold them.
struct LatinRun {
    qsizetype start = 0;
    qsizetype end = 0;
    int left = 0;
    int right = 0;
};

// The runs of Latin words in `text` (letters and digits, single blanks between them), spelt from
// `glyphs` on a piece `width` wide whose blank column runs are `blanks`, that hold a letter the
// recogniser read unsurely: in a line that holds Chinese, what the Latin model is asked about on
// its own. Each is cut from the characters beside it at the widest blank between their steps, or
// halfway between them where they touch.
QList<LatinRun> unsureLatinRuns(const QString &text, const QList<TextRecognizer::Glyph> &glyphs,
                                const QList<std::pair<int, int>> &blanks, int width);

// `text` with the "4" that ends it after Latin letters made a plus sign ("Disney4" for "Disney+"),
// where the last character's ink in `piece` floats as a plus does: below the top of the characters
// before it and above their baseline, where a digit reaches both.
QString withPlusByInk(const QString &text, const QImage &piece);

// Whether a piece's text may hold a currency sign the recogniser missed before an amount, which
// the Latin model is asked about at twice the size where it saw none at first: ink read as nothing
// before the number (`unreadInk`), the sign read as a letter set close before it ("e12.99"), or the
// sign and a digit read as letters ("l70.00").
bool mayHoldUnreadSign(const QString &text, bool unreadInk);
// Whether `reading` holds no more of any of the currency signs in `readable` than `text` does: a
// larger reading may add only signs the recogniser cannot read itself ("£", "€"), since one it
// reads ("¥", "$") it would not have missed, and the Latin model takes other signs for it ("₩" as "¥").
bool addsOnlySignsUnreadable(const QString &text, const QString &reading, const QString &readable);

// Whether a piece's text is Latin with letters the recogniser may have mistaken for look-alikes
// ("Tota1", "A1 1 Apps", "Grammarl y").
bool mayMistakeLetters(const QString &text);

// `latinReading`, a Latin model's reading of the same piece, where it differs from `text` only in
// look-alike letters (l, 1, I; O and 0), case and blanks, or, when the recogniser left out letters
// it was unsure of at an end of the piece (`endsDoubtful`), also in a few letters more at one end;
// or, word by word, in the letters of `text` that `unsureLetters` marks with a "^" under them
// (those the recogniser read unsurely) read as other letters, unless `isWord`, when given, tells
// that the recogniser's letters spell a word of the Latin model's dictionary and its own do not,
// or `confirming`, when given, the Latin model's reading of the piece at another size, reads the
// word otherwise; otherwise `text`.
QString preferLatinSpelling(const QString &text, const QString &latinReading, bool endsDoubtful = false,
                            const QString &unsureLetters = {},
                            const std::function<bool(const QString &)> &isWord = {},
                            const std::optional<QString> &confirming = std::nullopt);

// `glyphs` without the second reading of a character read twice, as itself and as one it looks like:
// two characters on neighbouring steps, each the other's runner-up, where no two characters of
// their kind stand so close. Of a currency sign read also as the letter it looks like ("S$694.99"
// for "$694.99") the sign is kept; a letter read beside a sign on ink of its own ("US$") stands a
// step or more apart. Of a letter read also as the digit it looks like ("Google 0One"), or a
// Chinese character read as two, the surer reading is kept. Two Latin letters of small type, or
// a digit and a letter of one narrow stroke ("1l"), may stand a step apart and are both kept,
// unless `blanks`, the piece's blank column runs, show them read on one run of ink no wider than
// half of `textHeight`: one narrow character read as both ("(1l month)" for "(1 month)").
QList<TextRecognizer::Glyph> withoutCharactersReadTwice(QList<TextRecognizer::Glyph> glyphs,
                                                        const QList<std::pair<int, int>> &blanks = {},
                                                        int textHeight = 0);

// `glyphs` with the Chinese characters the recogniser took for a look-alike mended where its runner-up
// for them, fairly likely too, spells with the characters around them a word the parser knows
// (ReceiptParser::chineseWords()): "哗哩哗哩" for "哔哩哔哩", each "哗" read with "哔" next likeliest.
// Where at least as many of the word's characters are read as themselves, a fainter runner-up will do.
// A character of one of those words is kept ("每周" is not made "每月").
QList<TextRecognizer::Glyph> withKnownWords(QList<TextRecognizer::Glyph> glyphs);

// The line boxes of a prepared page, as TextLines::find() gives them, with those of faint type
// (grey text whose thin strokes never reach the ink threshold) as its own contrast has them: the
// bands of one line that the threshold parted joined, and a band far lower than a line grown by
// the rows of its lighter strokes. `edges` as for read().
QList<QRect> lines(const QImage &page, int lineHeight, const QImage &edges = {});

// The lines of the page, as `recognizer` reads them, top to bottom; `latin`, when given, reads
// the pieces with amounts without a sign once more. `edges`, when given, marks where fills of the
// page meet side by side (see TextLines::find), which no line runs across.
QStringList read(const QImage &page, int lineHeight, TextRecognizer &recognizer, LatinReader *latin,
                 const QImage &edges = {});

} // namespace PageReader
