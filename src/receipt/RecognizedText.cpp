#include "RecognizedText.h"

#include <QRegularExpression>

namespace RecognizedText {

namespace {

bool isLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// `text` with each character of `letters` inside what `pattern` matches replaced by the digit at
// the same place in `digits`.
QString withDigitsFor(QString text, const QRegularExpression &pattern, QStringView letters,
                      QStringView digits) {
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        for (qsizetype i = match.capturedStart(); i < match.capturedEnd(); ++i) {
            if (const qsizetype at = letters.indexOf(text[i]); at >= 0)
                text[i] = digits[at];
        }
    }
    return text;
}

// A number with letters that look like digits in it ("2oo", "20.o0", "1l.99"), standing after a
// blank, a sign or the start of the line: the letters are the digits they look like. A number may
// start with a one read as a letter or a bar before its digits ("Oct l4. 2026"): no word starts so.
QString mendNumbers(const QString &text) {
    static const QRegularExpression number(QStringLiteral(
        "(?<![A-Za-z0-9])(?:[lI|](?=[0-9]))?[0-9][0-9oOlI|]*(?:[.,][0-9oOlI]+)?(?![A-Za-z0-9])"));
    return withDigitsFor(text, number, u"oOlI|", u"00111");
}

// An amount right after a currency sign with a digit read as a capital of like shape ("¥Z00",
// "¥9B"): a B is an 8 and a Z a 2 there, and the other look-alikes as in any number. A word after
// a sign holds no digit ("$ZAR").
QString mendSignedNumbers(const QString &text) {
    static const QRegularExpression amount(QStringLiteral(
        "(?<=\\p{Sc}|\\p{Sc} )(?=[0-9BZoOlI]*[0-9])(?=[0-9oOlI]*[BZ])[0-9BZ][0-9BZoOlI]*(?:[.,][0-9BZoOlI]+)?"
        "(?![A-Za-z0-9])"));
    return withDigitsFor(text, amount, u"BZ", u"82");
}

// A word of letters with 0s or 1s between two of its letters ("D0ne", "App1e", "G00gle"), a 1 or 0 ending
// it after a small letter and another letter ("Tota1", "Ju1"), or a 0 starting it before small
// letters ("0rder"): the letter
// it looks like, in the case of its neighbours. Words with other digits and words that may be
// hexadecimal numbers stay as read.
QString mendWords(QString text) {
    static const QRegularExpression word(QStringLiteral("(?<![A-Za-z0-9])[A-Za-z01]{3,}(?![A-Za-z0-9])"));
    const auto isSmall = [](QChar c) { return c >= u'a' && c <= u'z'; };
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const QString found = match.captured();
        const qsizetype letters = std::count_if(found.begin(), found.end(), isLetter);
        // Words of the letters a to f alone may be hexadecimal numbers ("b1c").
        const bool mayBeHex = std::all_of(found.begin(), found.end(), [](QChar c) {
            return !isLetter(c) || QStringView(u"abcdefABCDEF").contains(c);
        });
        if (letters < 2 || letters == found.size() || mayBeHex)
            continue;
        const qsizetype start = match.capturedStart();
        const qsizetype end = match.capturedEnd();
        for (qsizetype i = start; i < end; ++i) {
            QChar &c = text[i];
            if (c != u'0' && c != u'1')
                continue;
            // The letters either side of the run of 0s and 1s it stands in ("G00gle").
            qsizetype first = i;
            while (first > start && (text[first - 1] == u'0' || text[first - 1] == u'1'))
                --first;
            qsizetype last = i;
            while (last + 1 < end && (text[last + 1] == u'0' || text[last + 1] == u'1'))
                ++last;
            if (first > start && last + 1 < end) {
                const QChar before = text[first - 1];
                const QChar after = text[last + 1];
                if (!isLetter(before) || !isLetter(after))
                    continue;
                const bool lower = before.isLower() || after.isLower();
                if (c == u'0')
                    c = lower ? u'o' : u'O';
                else
                    c = lower ? u'l' : u'I';
            } else if (i + 1 == end && isSmall(text[i - 1]) && isLetter(text[i - 2])) {
                c = c == u'0' ? u'o' : u'l';
            } else if (i == start && c == u'0' && isSmall(text[i + 1]) && isSmall(text[i + 2])) {
                c = u'O';
            }
        }
    }
    return text;
}

// Letters whose capital is their small letter enlarged ("PluS", "RenewS", "sVIP"): at the end of
// a word after small letters, the small one; starting a word of capitals, the capital.
QString mendCase(QString text) {
    static const QRegularExpression capitalEnd(QStringLiteral("(?<=[a-z]{2})[COSVWXZ](?![A-Za-z0-9])"));
    for (auto it = capitalEnd.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        text[match.capturedStart()] = text[match.capturedStart()].toLower();
    }
    static const QRegularExpression smallStart(
        QStringLiteral("(?<![A-Za-z0-9])[cosvwxz](?=[A-Z]{2,}(?![a-z]))"));
    for (auto it = smallStart.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        text[match.capturedStart()] = text[match.capturedStart()].toUpper();
    }
    return text;
}

} // namespace

const QString &dollarCountries() {
    static const QString countries = QStringLiteral("US|HK|NT|CA|AU|NZ|SG");
    return countries;
}

QString tidyLine(const QString &line) {
    QString text = line.simplified();
    // A separator read twice between digits ("119..88").
    static const QRegularExpression doubled(QStringLiteral("(?<=[0-9])([.,])\\1(?=[0-9])"));
    text.replace(doubled, QStringLiteral("\\1"));
    // A comma between thousands read as a full stop, before the full stop of the decimals
    // ("1.703.90").
    static const QRegularExpression thousandsStop(
        QStringLiteral("(?<=[0-9])\\.(?=[0-9]{3}\\.[0-9]{1,2}(?![0-9]))"));
    text.replace(thousandsStop, QStringLiteral(","));
    // The S of a dollar sign read twice, once as the letter, after the letters of its code ("HKS$").
    static const QRegularExpression doubledDollar(QStringLiteral("(?<=[A-Z]{2})S(?=\\$[0-9])"));
    text.remove(doubledDollar);
    // The dollar sign of a country's dollar read as an S before the amount ("USS9.99", "HKS 78").
    static const QRegularExpression dollarAsS(
        QStringLiteral("(?<![A-Za-z])(%1)S(?= ?[0-9])").arg(dollarCountries()));
    text.replace(dollarAsS, QStringLiteral("\\1$"));
    // A capital I inside a word before small letters is a small l ("PIus", "BiIled").
    static const QRegularExpression capitalI(QStringLiteral("(?<=[A-Za-z])I(?=[a-z])"));
    text.replace(capitalI, QStringLiteral("l"));
    // A capital I at the start of a word read as a bracket or a small l: a bracket opening small
    // letters that it does not close ("[ssued", "[nbox"), or an l before a consonant no English
    // word starts with after an l ("lssued", "lnvoice"); not in addresses or codes.
    static const QRegularExpression bracketI(
        QStringLiteral("(?<![\\w@.\\-])\\[(?=[a-z]{2,}(?![\\w\\]@.\\-]))"));
    text.replace(bracketI, QStringLiteral("I"));
    static const QRegularExpression smallLI(
        QStringLiteral("(?<![\\w@.\\-])l(?=[cdfgmnrstv][a-z]*(?![\\w@.\\-]))"));
    text.replace(smallLI, QStringLiteral("I"));
    // The Chinese zero among digits is the digit ("¥77.0〇").
    static const QRegularExpression chineseZero(
        QStringLiteral("(?<=[0-9])〇|(?<=[0-9][.,])〇|〇(?=[.,]?[0-9])"));
    text.replace(chineseZero, QStringLiteral("0"));
    // A round opening bracket read as a square one, which a round one closes ("[1 month)").
    static const QRegularExpression squareForRound(QStringLiteral("[\\[【](?=[^\\[【\\]】()（）]*[)）])"));
    for (auto it = squareForRound.globalMatch(text); it.hasNext();) {
        const qsizetype at = it.next().capturedStart();
        text[at] = text[at] == u'[' ? u'(' : u'（';
    }
    // A 1 with a flag and a foot (serif and monospaced type) read as an opening bracket that
    // nothing closes before the next one opens, leading digits ("【2 months", "[5.00").
    static const QRegularExpression bracketOne(QStringLiteral("[【\\[](?=[0-9])(?![^【\\[】\\]]*[】\\]])"));
    text.replace(bracketOne, QStringLiteral("1"));
    // A small l or capital I between a digit and a digit or the "@" of an address is a 1
    // ("nberg3l@", "ID 4l7"): no word has them there.
    static const QRegularExpression oneAfterDigit(QStringLiteral("(?<=[0-9])[lI|](?=[0-9@])"));
    text.replace(oneAfterDigit, QStringLiteral("1"));
    // The minutes of a time ("9:ll") and a day before its year ("Mar ll, 2026") with digits read
    // as the letters they look like: no word stands there.
    static const QRegularExpression minutesOrDay(
        QStringLiteral("(?<=[0-9]:)[0-9oOlI|]{2}(?![A-Za-z0-9])|(?<![\\w@.\\-])[0-9lI|][0-9oOlI|]?(?=, "
                       "?[0-9]{4}(?![0-9]))"));
    text = withDigitsFor(text, minutesOrDay, u"oOlI|", u"00111");
    // The slash between a price and its billing period read as a one-like stroke ("¥16l月"), or
    // read once more as one after the decimals, which no price has a third of ("$20.99l/mo").
    static const QRegularExpression slashAsOne(
        QStringLiteral("(\\p{Sc} ?[0-9]+(?:[.,][0-9]{2})?)[lI|](?=[月年季周天])"));
    text.replace(slashAsOne, QStringLiteral("\\1/"));
    static const QRegularExpression slashTwice(QStringLiteral("(?<=[0-9][.,][0-9]{2})[lI|](?=/)"));
    text.remove(slashTwice);
    // Icons beside a line's text (a back arrow, a menu, an avatar) read as quotation marks set
    // apart at its ends ("‘ Google Play 取消 \""), or a bar after it, or as a mark and a letter
    // alone ("＇i"): a quote with nothing it quotes.
    static const QRegularExpression strayQuotes(
        QStringLiteral("^(?:[‘’“”\"'＇`]+ )+|(?: [‘’“”\"'＇`丨]+)+$"));
    text.remove(strayQuotes);
    static const QRegularExpression iconAlone(
        QStringLiteral("^(?:[‘’“”\"'＇`]+[A-Za-z]?|[A-Za-z][‘’“”\"'＇`]+)$"));
    if (iconAlone.match(text).hasMatch())
        return {};
    return mendCase(mendWords(mendNumbers(mendSignedNumbers(text))));
}

} // namespace RecognizedText
