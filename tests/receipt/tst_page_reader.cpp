// The steps of recognition that need no model: decoding the recogniser's scores, spelling a piece
// of a line with blanks from its gaps, the second reading of currency signs, and the clean-up of
// look-alike characters.
#include "receipt/PageReader.h"
#include "receipt/RecognizedText.h"
#include "receipt/SignShapes.h"
#include "receipt/TextLines.h"
#include "receipt/TextRecognizer.h"

#include <QPainter>
#include <QTest>

#include <vector>

namespace {

QString utf8(const char *text) {
    return QString::fromUtf8(text);
}

using Glyphs = QList<TextRecognizer::Glyph>;
using Blanks = QList<std::pair<int, int>>;

// Characters read one per two steps, starting at step 1, with the blank runs of the piece; `gaps`
// gives, for each character after the first, the width of the blank before it, in pixels. A "_"
// before a character gives it fair odds of a blank before it, a "~" faint ones.
std::pair<Glyphs, Blanks> laidOut(QString characters, const QList<int> &gaps) {
    std::vector<float> seen;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const QChar before = i > 0 ? characters[i - 1] : QChar();
        seen.push_back(before == u'_' ? 0.5f : before == u'~' ? 0.05f : 0.0f);
        if (characters[i] == u'_' || characters[i] == u'~')
            seen.pop_back();
    }
    characters.remove(u'_').remove(u'~');
    Glyphs glyphs;
    Blanks blanks;
    int step = 1;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        if (i > 0) {
            const int x = step * TextRecognizer::stride;
            if (gaps.value(i - 1) > 0)
                blanks.append({x, x + gaps.value(i - 1)});
            step += 1 + gaps.value(i - 1) / TextRecognizer::stride;
        }
        glyphs.append(TextRecognizer::Glyph{characters.at(i), step, 0.99f, seen[size_t(i)]});
        step += 1;
    }
    return {glyphs, blanks};
}

// Characters written as "<character><runner-up or _>@<step>[:<confidence in %>[:<runner-up's>]]"
// each.
Glyphs glyphsWritten(const QString &written) {
    Glyphs glyphs;
    for (const QString &word : written.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = word.mid(3).split(u':');
        const float confidence = parts.size() > 1 ? parts[1].toFloat() / 100 : 0.6f;
        const float runnerUp = parts.size() > 2 ? parts[2].toFloat() / 100 : 0.4f;
        glyphs.append(
            {word[0], parts[0].toInt(), confidence, 0, word[1] == u'_' ? QChar() : word[1], runnerUp});
    }
    return glyphs;
}

// The width of a piece holding `glyphs` with a step of paper after the last one.
int widthOf(const Glyphs &glyphs) {
    return (glyphs.last().step + 2) * TextRecognizer::stride;
}

} // namespace

Q_DECLARE_METATYPE(QList<int>)
Q_DECLARE_METATYPE(QList<QRect>)
Q_DECLARE_METATYPE(Blanks)

class TestPageReader : public QObject {
    Q_OBJECT

private slots:
    // Best class per step, repeats merged unless a blank parts them, the last class a space, the
    // full-width yen sign folded, as a runner-up too; the next likeliest character kept beside each.
    void decodesScores() {
        const QStringList dictionary{utf8("￥"), QStringLiteral("1"), QStringLiteral("a")};
        const int classes = int(dictionary.size()) + 2;
        const std::vector<int> best{0, 1, 1, 0, 2, 0, 2, 2, 4, 3, 0};
        std::vector<float> scores(best.size() * size_t(classes), 0.0f);
        for (size_t step = 0; step < best.size(); ++step)
            scores[step * size_t(classes) + size_t(best[step])] = 5.0f;
        // Between the two "1"s a blank nearly as likely as nothing.
        scores[5 * size_t(classes) + 4] = 4.0f;
        // The first "1" nearly read as an "a".
        scores[4 * size_t(classes) + 3] = 4.0f;
        const Glyphs glyphs = TextRecognizer::decode(scores.data(), int(best.size()), classes, dictionary);
        QString text;
        for (const auto &glyph : glyphs)
            text += glyph.character;
        QCOMPARE(text, utf8("¥11 a"));
        QCOMPARE(glyphs.first().step, 1);
        QCOMPARE(glyphs.last().step, 9);
        QVERIFY(glyphs.first().confidence > 0.5f && glyphs.first().confidence < 1.0f);
        QVERIFY(glyphs[1].blankOdds < 0.01f && glyphs[2].blankOdds > 0.3f && glyphs[2].blankOdds < 0.4f);
        QCOMPARE(glyphs[4].blankOdds, 1.0f);
        QCOMPARE(glyphs[1].alternative, u'a');
        QVERIFY(glyphs[1].alternativeConfidence > 0.2f && glyphs[1].alternativeConfidence < 0.3f);

        // A sign seen faintly on a step read as nothing just before a digit is read, with its odds
        // as its confidence; between two digits it is not, nor after a look-alike ("a" here) that
        // held the sign as runner-up.
        const auto faintly = [&](const std::vector<int> &classOf) {
            std::vector<float> faint(classOf.size() * size_t(classes), 0.0f);
            for (size_t step = 0; step < classOf.size(); ++step) {
                faint[step * size_t(classes) + size_t(classOf[step])] = 5.0f;
                if (classOf[step] == 0 || classOf[step] == 3)
                    faint[step * size_t(classes) + 1] = 3.0f;
            }
            QString read;
            for (const auto &glyph :
                 TextRecognizer::decode(faint.data(), int(classOf.size()), classes, dictionary))
                read += glyph.character + QString::number(qRound(glyph.confidence * 100)) + u' ';
            return read;
        };
        QCOMPARE(faintly({0, 2, 2}), utf8("¥14 197 "));
        QCOMPARE(faintly({2, 0, 2}), u"197 197 "_qs);
        QCOMPARE(faintly({3, 0, 2}), u"a87 197 "_qs);
    }

    // Blanks come from the gaps in the image: the text height here is 40 pixels.
    void spellsBlanksFromGaps_data() {
        QTest::addColumn<QString>("characters");
        QTest::addColumn<QList<int>>("gaps");
        QTest::addColumn<QString>("text");
        QTest::newRow("Chinese then Latin, apart")
            << utf8("会员VIP") << QList<int>{0, 12, 0, 0} << utf8("会员 VIP");
        QTest::newRow("Chinese then loosely set Latin, apart")
            << utf8("会员VIP") << QList<int>{2, 10, 8, 8} << utf8("会员 VIP");
        QTest::newRow("Chinese then Latin, close")
            << utf8("黄金VIP") << QList<int>{0, 4, 0, 0} << utf8("黄金VIP");
        QTest::newRow("Chinese words, apart")
            << utf8("印象高级") << QList<int>{0, 16, 0} << utf8("印象 高级");
        QTest::newRow("Chinese characters, spaced") << utf8("印象") << QList<int>{8} << utf8("印象");
        QTest::newRow("loosely set Chinese then a narrow digit, no blank seen")
            << utf8("证码为169") << QList<int>{10, 10, 16, 0, 0} << utf8("证码为169");
        QTest::newRow("loosely set Chinese then digits, a blank seen")
            << utf8("证码为_169") << QList<int>{10, 10, 16, 0, 0} << utf8("证码为 169");
        QTest::newRow("Chinese words, a narrow blank seen")
            << utf8("京东_黑胶") << QList<int>{0, 8, 0} << utf8("京东 黑胶");
        QTest::newRow("date with units") << utf8("3月15日") << QList<int>{16, 12, 12, 16} << utf8("3月15日");
        QTest::newRow("date then time") << utf8("09_10") << QList<int>{0, 16, 0, 0} << utf8("09 10");
        QTest::newRow("narrow digits in wide paper") << utf8("2011") << QList<int>{0, 16, 0} << utf8("2011");
        QTest::newRow("digit then a letter in wide paper") << utf8("1Pa") << QList<int>{12, 0} << utf8("1Pa");
        QTest::newRow("broad digit then a word apart, no blank seen")
            << utf8("2TB") << QList<int>{18, 4} << utf8("2 TB");
        QTest::newRow("narrow digit then a word apart, no blank seen")
            << utf8("1TB") << QList<int>{18, 4} << utf8("1TB");
        QTest::newRow("broad digit then a word close") << utf8("2TB") << QList<int>{12, 4} << utf8("2TB");
        QTest::newRow("hyphen joining words, a narrow letter's paper before it")
            << utf8("Ful-sc") << QList<int>{2, 2, 11, 2, 2} << utf8("Ful-sc");
        QTest::newRow("hyphen leading a word far apart")
            << utf8("Ful-sc") << QList<int>{2, 2, 22, 2, 2} << utf8("Ful -sc");
        QTest::newRow("digits then a word, a blank seen")
            << utf8("365_Pro") << QList<int>{0, 0, 12, 0, 0} << utf8("365 Pro");
        QTest::newRow("digits then a word far apart")
            << utf8("365Pro") << QList<int>{0, 0, 24, 0, 0} << utf8("365 Pro");
        QTest::newRow("separator with a wide digit") << utf8("12/9") << QList<int>{0, 16, 16} << utf8("12/9");
        QTest::newRow("full-width punctuation") << utf8("谢！您") << QList<int>{0, 24} << utf8("谢！您");
        QTest::newRow("Latin colon after Chinese")
            << utf8("人:li 12:30") << QList<int>{0, 24, 0, 16, 0, 0, 0, 0, 0} << utf8("人：li 12:30");
        QTest::newRow("time") << utf8("20:45") << QList<int>{0, 0, 12, 0} << utf8("20:45");
        QTest::newRow("colon, a blank seen") << utf8("ab:_12") << QList<int>{0, 0, 12, 0} << utf8("ab: 12");
        QTest::newRow("Latin words") << utf8("ID_ab") << QList<int>{6, 16, 0} << utf8("ID ab");
        QTest::newRow("narrow letter in wide paper") << utf8("VIP") << QList<int>{0, 12} << utf8("VIP");
        QTest::newRow("Latin words close, a blank seen")
            << utf8("GPT_VIP") << QList<int>{2, 2, 11, 2, 2} << utf8("GPT VIP");
        QTest::newRow("Latin words close, a blank faintly seen")
            << utf8("GPT~VIP") << QList<int>{2, 2, 11, 2, 2} << utf8("GPTVIP");
        QTest::newRow("narrow letter in wide paper, a blank seen")
            << utf8("Copil_ot") << QList<int>{2, 2, 2, 2, 12, 2} << utf8("Copilot");
        QTest::newRow("narrow letter then a wide blank, seen")
            << utf8("mail_was") << QList<int>{2, 2, 2, 24, 2, 2} << utf8("mail was");
        QTest::newRow("Latin words in a widely spaced piece, a blank seen")
            << utf8("Gold_VIP（1个月）") << QList<int>{2, 2, 2, 12, 2, 2, 20, 20, 20, 20, 20}
            << utf8("Gold VIP (1个月)");
        QTest::newRow("Latin letters close, no blank seen")
            << utf8("GPTVIP") << QList<int>{2, 2, 11, 2, 2} << utf8("GPTVIP");
        QTest::newRow("plus in paper of its own")
            << utf8("Disney+") << QList<int>{2, 2, 2, 2, 2, 12} << utf8("Disney+");
        QTest::newRow("plus after a blank seen")
            << utf8("Disney_+") << QList<int>{2, 2, 2, 2, 2, 12} << utf8("Disney +");
        QTest::newRow("wide spacing throughout")
            << utf8("收件箱ab") << QList<int>{14, 14, 14, 14} << utf8("收件箱ab");
        QTest::newRow("full-width dash between words")
            << utf8("VIP－连续") << QList<int>{0, 0, 16, 16, 0} << utf8("VIP — 连续");
        QTest::newRow("thousands") << utf8("14,191") << QList<int>{0, 8, 8, 0, 0} << utf8("14,191");
        QTest::newRow("list") << utf8("5,2026") << QList<int>{0, 8, 0, 0, 0} << utf8("5, 2026");
        QTest::newRow("decimal comma") << utf8("10,99") << QList<int>{0, 8, 8, 0} << utf8("10,99");
        QTest::newRow("full-width comma in a number")
            << utf8("¥1，400") << QList<int>{0, 8, 8, 0, 0} << utf8("¥1,400");
        QTest::newRow("digits of a Chinese date read as letters")
            << utf8("2026年s月1O日") << QList<int>(10, 0) << utf8("2026年5月10日");
        QTest::newRow("letter before a month that is no date")
            << utf8("会员s月") << QList<int>(3, 0) << utf8("会员s月");
        QTest::newRow("full-width marks in Latin text")
            << utf8("ab，Cd．") << QList<int>{0, 2, 16, 0, 2} << utf8("ab, Cd.");
        QTest::newRow("full-width comma after Latin before Chinese")
            << utf8("ab，会员") << QList<int>{0, 2, 2, 0} << utf8("ab，会员");
        QTest::newRow("full-width brackets around Latin")
            << utf8("Fi（Mo）（按月）") << QList<int>{0, 16, 0, 0, 0, 24, 0, 0, 0} << utf8("Fi (Mo)（按月）");
        QTest::newRow("half-width brackets set close to Chinese")
            << utf8("会员（月付）") << QList<int>{0, 4, 0, 0, 0} << utf8("会员(月付)");
        QTest::newRow("middle dot with its own paper")
            << utf8("ab·大会") << QList<int>{0, 10, 10, 0} << utf8("ab·大会");
        QTest::newRow("middle dot between words")
            << utf8("ab·大会") << QList<int>{0, 16, 16, 0} << utf8("ab · 大会");
        QTest::newRow("dash read as a Han character")
            << utf8("超级会员一连续包月") << QList<int>{0, 0, 0, 24, 24, 0, 0, 0}
            << utf8("超级会员 — 连续包月");
    }

    void spellsBlanksFromGaps() {
        QFETCH(QString, characters);
        QFETCH(QList<int>, gaps);
        QFETCH(QString, text);
        const auto [glyphs, blanks] = laidOut(characters, gaps);
        QCOMPARE(PageReader::spell(glyphs, blanks, 40, widthOf(glyphs)), text);
    }

    // A comma read after a blank the recogniser saw and run into the letters after it leads their
    // word where the recogniser was unsure of it: a letter it could not make out ("34.99 ,er" for
    // "34.99 per"); read surely, it ends the clause before.
    void spellsBlankBeforeUnsureCommaLeadingWord_data() {
        QTest::addColumn<float>("confidence");
        QTest::addColumn<QString>("text");
        QTest::newRow("unsure") << 0.38f << u"99 ,er"_qs;
        QTest::newRow("sure") << 0.99f << u"99,er"_qs;
    }

    void spellsBlankBeforeUnsureCommaLeadingWord() {
        QFETCH(float, confidence);
        QFETCH(QString, text);
        const Glyphs glyphs{{u'9', 1, 0.99f},      {u'9', 3, 0.99f}, {u' ', 5, 0.99f},
                            {u',', 6, confidence}, {u'e', 7, 0.99f}, {u'r', 9, 0.99f}};
        QCOMPARE(PageReader::spell(glyphs, Blanks{{33, 47}}, 40, widthOf(glyphs)), text);
    }

    // Chinese characters stand one em apart from middle to middle whatever their width: a narrow
    // one ("员") leaves wide gaps beside it but no blank; a wider advance is a blank.
    void spellsChineseBlanksFromAdvances() {
        Glyphs glyphs;
        for (const auto &[character, step] : std::vector<std::pair<const char *, int>>{
                 {"黄", 1}, {"金", 5}, {"会", 9}, {"员", 13}, {"年", 17}, {"度", 23}, {"大", 27}, {"会", 31}})
            glyphs.append(TextRecognizer::Glyph{utf8(character).front(), step, 0.99f});
        // Ink 28 pixels wide, 4 apart, except the narrow 员 (12 wide) and a blank before 度.
        const Blanks blanks{{26, 30},   {58, 62},   {90, 102},  {114, 126},
                            {154, 174}, {202, 206}, {234, 238}, {266, 276}};
        QCOMPARE(PageReader::spell(glyphs, blanks, 30, 276), utf8("黄金会员年 度大会"));
    }

    // A "4" the Latin model reads after a word, where the recogniser read nothing sure, is a plus
    // sign where its ink floats between the word's top and baseline. Three letters 40 pixels high
    // on row 43 (one reaching below it), then the last character's ink.
    void tellsPlusByInk_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("last");
        QTest::addColumn<QString>("told");
        QTest::newRow("plus") << u"Dey4"_qs << QRect(50, 16, 12, 20) << u"Dey+"_qs;
        QTest::newRow("digit") << u"Dey4"_qs << QRect(50, 4, 12, 40) << u"Dey4"_qs;
        QTest::newRow("after a digit") << u"De84"_qs << QRect(50, 16, 12, 20) << u"De84"_qs;
    }

    void tellsPlusByInk() {
        QFETCH(QString, text);
        QFETCH(QRect, last);
        QFETCH(QString, told);
        QImage piece(80, TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        piece.fill(255);
        QPainter painter(&piece);
        painter.fillRect(4, 4, 8, 40, Qt::black);
        painter.fillRect(18, 14, 8, 30, Qt::black);
        painter.fillRect(32, 14, 8, 34, Qt::black);
        painter.fillRect(last, Qt::black);
        painter.end();
        QCOMPARE(PageReader::withPlusByInk(text, piece), told);
    }

    // Latin letters set in cells of one width, as Chinese typefaces set them, a narrow letter in as
    // wide a cell as any: the paper beside it is no blank before a letter split off the word,
    // though the recogniser read one ("norepl y"); a cell more between two middles is, and so is
    // the paper before a word of one letter or between two words. In proportional type a blank
    // after a narrow letter stays. Ink as [left, right) per character, a blank read where the
    // text has one.
    void spellsLatinBlanksFromCells_data() {
        QTest::addColumn<QString>("characters");
        QTest::addColumn<QList<int>>("ink");
        QTest::addColumn<QString>("text");
        const QList<int> cells{2, 14, 18, 30, 34, 46, 50, 62, 66, 78, 82, 86, 98, 110};
        QTest::newRow("narrow letter in its cell") << u"norepl y"_qs << cells << u"noreply"_qs;
        QTest::newRow("word of one letter") << u"norepl a"_qs << cells << u"norepl a"_qs;
        QTest::newRow("two words") << u"norel ii"_qs
                                   << QList<int>{2, 14, 18, 30, 34, 46, 50, 62, 70, 74, 86, 90, 94, 98}
                                   << u"norel ii"_qs;
        QTest::newRow("blank between cells")
            << u"rel ye"_qs << QList<int>{2, 14, 18, 30, 34, 38, 66, 78, 82, 94} << u"rel ye"_qs;
        QTest::newRow("proportional type, narrow letters nearly as wide")
            << u"per year"_qs << QList<int>{2, 12, 14, 24, 26, 34, 42, 52, 54, 64, 66, 76, 78, 86}
            << u"per year"_qs;
        QTest::newRow("proportional type")
            << u"Your plan"_qs << QList<int>{2, 14, 16, 26, 28, 38, 40, 45, 56, 66, 68, 71, 73, 83, 85, 95}
            << u"Your plan"_qs;
    }

    void spellsLatinBlanksFromCells() {
        QFETCH(QString, characters);
        QFETCH(QList<int>, ink);
        QFETCH(QString, text);
        Glyphs glyphs;
        Blanks blanks;
        int paper = 0;
        for (qsizetype i = 0, k = 0; i < characters.size(); ++i) {
            if (characters[i] == u' ') {
                glyphs.append({u' ', (ink[2 * k - 1] + ink[2 * k]) / 2 / TextRecognizer::stride, 0.9f});
                continue;
            }
            blanks.append({paper, ink[2 * k]});
            glyphs.append({characters[i], (ink[2 * k] + ink[2 * k + 1]) / 2 / TextRecognizer::stride, 0.99f});
            paper = ink[2 * k + 1];
            ++k;
        }
        blanks.append({paper, paper + 16});
        QCOMPARE(PageReader::spell(glyphs, blanks, 30, paper + 16), text);
    }

    // A mark read between two characters is told by its ink: a small dot clear of the baseline
    // between words or letters, however close, is a middle dot, a stop reaching below the baseline
    // between digits a comma, and a flat stroke as wide as a character that opens a word of Chinese
    // characters is "一".
    void tellsMarksByTheirInk_data() {
        QTest::addColumn<QString>("characters");
        QTest::addColumn<QList<int>>("gaps");
        QTest::addColumn<QRect>("mark"); // left and width from the middle of its cell; the characters
                                         // stand on row 43
        QTest::addColumn<QString>("text");
        const QList<int> apart{0, 16, 16, 0, 0};
        const QList<int> close{0, 2, 2, 0};
        const QRect dot(-3, 20, 6, 6);
        QTest::newRow("middle dot") << utf8("ab.cde") << apart << dot << utf8("ab · cde");
        QTest::newRow("full stop") << utf8("ab.Cde") << apart << dot.translated(0, 18) << utf8("ab. Cde");
        QTest::newRow("full stop in an address")
            << utf8("ab.cde") << apart << dot.translated(0, 18) << utf8("ab.cde");
        QTest::newRow("comma") << utf8("12.345") << QList<int>{0, 8, 8, 0, 0} << QRect(-3, 38, 5, 10)
                               << utf8("12,345");
        QTest::newRow("full stop set low")
            << utf8("12.345") << QList<int>{0, 8, 8, 0, 0} << dot.translated(0, 22) << utf8("12.345");
        QTest::newRow("decimal point")
            << utf8("12.345") << QList<int>{0, 8, 8, 0, 0} << dot.translated(0, 18) << utf8("12.345");
        QTest::newRow("close middle dot") << utf8("ab-cd") << close << dot << utf8("ab·cd");
        QTest::newRow("close hyphen") << utf8("ab-cd") << close << QRect(-5, 22, 10, 3) << utf8("ab-cd");
        QTest::newRow("close short hyphen") << utf8("ab-cd") << close << QRect(-3, 22, 7, 5) << utf8("ab-cd");
        QTest::newRow("close hyphen read a step off")
            << utf8("ab-cd") << close << QRect(-1, 22, 9, 5) << utf8("ab-cd");
        QTest::newRow("close full stop") << utf8("ab.cd") << close << dot.translated(0, 18) << utf8("ab.cd");
        QTest::newRow("close full stop between descenders")
            << utf8("lp.gk") << close << dot.translated(0, 16) << utf8("lp.gk");
        QTest::newRow("flat stroke opening a word")
            << utf8("—次性购") << QList<int>{0, 0, 0} << QRect(-7, 22, 14, 3) << utf8("一次性购");
        QTest::newRow("dot opening a word")
            << utf8("·次性购") << QList<int>{0, 0, 0} << QRect(-7, 22, 14, 3) << utf8("一次性购");
        QTest::newRow("short dash opening a word")
            << utf8("-次性购") << QList<int>{0, 0, 0} << QRect(-3, 22, 6, 3) << utf8("-次性购");
        QTest::newRow("plus after a word")
            << utf8("ney4") << QList<int>{0, 0, 0} << QRect(-5, 12, 10, 20) << utf8("ney+");
        QTest::newRow("plus after a word, a number apart")
            << utf8("ney4_2") << QList<int>{0, 0, 0, 16} << QRect(-5, 12, 10, 20) << utf8("ney+ 2");
        QTest::newRow("four after a word")
            << utf8("ney4") << QList<int>{0, 0, 0} << QRect(-3, 4, 6, 40) << utf8("ney4");
        QTest::newRow("dash after a word")
            << utf8("会员—年卡") << QList<int>{0, 0, 0, 0} << QRect(-7, 22, 14, 3) << utf8("会员—年卡");
    }

    void tellsMarksByTheirInk() {
        QFETCH(QString, characters);
        QFETCH(QList<int>, gaps);
        QFETCH(QRect, mark);
        QFETCH(QString, text);
        const auto [glyphs, blanks] = laidOut(characters, gaps);
        QImage piece(widthOf(glyphs), TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        piece.fill(255);
        QPainter painter(&piece);
        for (const auto &glyph : glyphs) {
            const int middle = glyph.step * TextRecognizer::stride + 4;
            if (QStringView(u".-—·4").contains(glyph.character))
                painter.fillRect(mark.translated(middle, 0), Qt::black);
            else if (QStringView(u"gp").contains(glyph.character))
                painter.fillRect(middle - 3, 14, 6, 34, Qt::black);
            else
                painter.fillRect(middle - 3, 4, 6, 40, Qt::black);
        }
        painter.end();
        QCOMPARE(PageReader::spell(glyphs, blanks, 40, piece.width(), &piece), text);
    }

    // Where the recogniser is torn between the two forms of "i" or "p", their dot and tail tell the
    // case, and the letters of one shape in their word ("v") follow their height. Ink per
    // character: "C" as high as a capital, "s" as a small letter, "i" a small stem under a dot, "d"
    // a small letter reaching below the baseline (row 40), "H" a Chinese character.
    void tellsCaseByInk_data() {
        QTest::addColumn<QString>("characters");
        QTest::addColumn<QString>("ink");
        QTest::addColumn<QString>("text");
        QTest::newRow("capitals") << utf8("Nvip") << utf8("CCCC") << utf8("NVIP");
        QTest::newRow("small letters") << utf8("NVIP") << utf8("Csid") << utf8("Nvip");
        QTest::newRow("after Chinese") << utf8("黑vip") << utf8("HCCC") << utf8("黑VIP");
        QTest::newRow("no word told") << utf8("Nvab") << utf8("CCCC") << utf8("Nvab");
    }

    void tellsCaseByInk() {
        QFETCH(QString, characters);
        QFETCH(QString, ink);
        QFETCH(QString, text);
        auto [glyphs, blanks] = laidOut(characters, QList<int>(characters.size() - 1, 0));
        QImage piece(widthOf(glyphs), TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        piece.fill(255);
        QPainter painter(&piece);
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            TextRecognizer::Glyph &glyph = glyphs[i];
            if (QStringView(u"ipIP").contains(glyph.character)) {
                const QChar other =
                    glyph.character.isUpper() ? glyph.character.toLower() : glyph.character.toUpper();
                glyph.alternative = other;
                glyph.alternativeConfidence = 0.4f;
            }
            const int left = glyph.step * TextRecognizer::stride + 1;
            const QChar shape = ink[i];
            if (shape == u'H')
                painter.fillRect(left - 2, 8, 10, 36, Qt::black);
            else if (shape == u'i')
                painter.fillRect(left, 10, 6, 3, Qt::black);
            painter.fillRect(left, shape == u'C' ? 10 : 18, 6,
                             (shape == u'd' ? 46 : 40) - (shape == u'C' ? 10 : 18), Qt::black);
        }
        painter.end();
        QCOMPARE(PageReader::spell(glyphs, blanks, 40, piece.width(), &piece), text);
    }

    // The euro sign, which the recogniser lacks, read as a letter or a mark before a number, surely
    // or faintly, is told by its ink; a letter read there stays a letter, and one read faintly is a
    // speck.
    void tellsEuroSignByInk_data() {
        QTest::addColumn<QString>("drawn");
        QTest::addColumn<float>("confidence");
        QTest::addColumn<QString>("text");
        QTest::newRow("read as a letter") << utf8("€30") << 0.9f << utf8("€30");
        QTest::newRow("read faintly") << utf8("€30") << 0.2f << utf8("€30");
        QTest::newRow("a letter") << utf8("c30") << 0.9f << utf8("c30");
        QTest::newRow("a letter read faintly") << utf8("c30") << 0.2f << utf8("30");
    }

    void tellsEuroSignByInk() {
        QFETCH(QString, drawn);
        QFETCH(float, confidence);
        QFETCH(QString, text);
        constexpr int stride = TextRecognizer::stride;
        QImage piece(12 * stride, TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        piece.fill(255);
        QPainter painter(&piece);
        QFont font(u"DejaVu Sans"_qs);
        font.setPixelSize(34);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QFontMetrics metrics(font);
        int x = stride;
        Glyphs glyphs;
        for (qsizetype i = 0; i < drawn.size(); ++i) {
            const int advance = metrics.horizontalAdvance(drawn[i]);
            painter.drawText(x, 40, QString(drawn[i]));
            glyphs.append(
                {i == 0 ? u'c' : drawn[i], (x + advance / 2) / stride, i == 0 ? confidence : 0.99f});
            x += advance + 3;
        }
        painter.end();
        QCOMPARE(PageReader::spell(glyphs, PageReader::blankRuns(piece), 34, piece.width(), &piece), text);
    }

    // A narrow character at the end of a piece may be read a step after its ink; one read further
    // out is a stray reading of the paper, unless paler ink lies there (smaller grey type after a
    // price, lighter than the core of the strokes that blank runs count).
    void keepsCharactersBesideTheInk_data() {
        QTest::addColumn<int>("stepsAfter");
        QTest::addColumn<int>("shade");
        QTest::addColumn<QString>("text");
        QTest::newRow("a step after") << 1 << 255 << utf8("All");
        QTest::newRow("far after") << 3 << 255 << utf8("Al");
        QTest::newRow("far after, on paler ink") << 3 << 170 << utf8("All");
    }

    void keepsCharactersBesideTheInk() {
        QFETCH(int, stepsAfter);
        QFETCH(int, shade);
        QFETCH(QString, text);
        constexpr int stride = TextRecognizer::stride;
        const int last = 6 + stepsAfter;
        const Glyphs glyphs{{u'A', 1, 0.99f}, {u'l', 4, 0.99f}, {u'l', last, 0.99f}};
        const int width = (last + 4) * stride;
        // Ink up to the end of step 6, paper after it but for the last character's shade.
        QImage piece(width, TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        piece.fill(255);
        QPainter painter(&piece);
        painter.fillRect(QRect(stride, 8, 6 * stride, 30), Qt::black);
        painter.fillRect(QRect(last * stride, 8, 4, 30), QColor(shade, shade, shade));
        painter.end();
        QCOMPARE(PageReader::spell(glyphs, PageReader::blankRuns(piece), 40, width, &piece), text);
    }

    // Lines of two columns at the same height share a row, read left to right; a line standing
    // lower than most of its height starts the next row. Lines one above the other never share a
    // row, though a tall mark beside them both (what is left of an app's icon) overlaps them.
    void groupsLinesIntoRows_data() {
        QTest::addColumn<QList<QRect>>("lines");
        QTest::addColumn<QList<QList<qsizetype>>>("rows");
        QTest::newRow("two columns") << QList<QRect>{{300, 10, 200, 20},
                                                     {10, 14, 80, 14},
                                                     {10, 40, 80, 14},
                                                     {300, 48, 200, 20},
                                                     {300, 80, 200, 20}}
                                     << QList<QList<qsizetype>>{{1, 0}, {2}, {3}, {4}};
        QTest::newRow("mark beside a name and its caption")
            << QList<QRect>{{10, 14, 30, 30}, {60, 10, 120, 18}, {60, 32, 90, 14}, {10, 70, 200, 14}}
            << QList<QList<qsizetype>>{{0, 1}, {2}, {3}};
        QTest::newRow("a line's two parts at one height")
            << QList<QRect>{{10, 10, 100, 16}, {80, 12, 60, 14}} << QList<QList<qsizetype>>{{0, 1}};
    }

    void groupsLinesIntoRows() {
        QFETCH(QList<QRect>, lines);
        QFETCH(QList<QList<qsizetype>>, rows);
        QCOMPARE(TextLines::rows(lines), rows);
    }

    // An app's icon beside its name and caption is no text: the two rows beside it are lines of
    // their own, also beside a large icon set as close to them as a small one. A row of dots
    // leading from a label to its price parts the two like a blank. Two rows beside one price set
    // between them are lines of their own, and so is the price.
    void findsRowsBesideIconsAndLeaders() {
        QImage page(400, 260, QImage::Format_Grayscale8);
        page.fill(255);
        QPainter painter(&page);
        painter.fillRect(10, 10, 48, 48, Qt::black);
        painter.fillRect(70, 14, 150, 14, Qt::black);
        painter.fillRect(70, 40, 110, 12, Qt::black);
        painter.fillRect(10, 90, 40, 14, Qt::black);
        for (int x = 56; x < 300; x += 4)
            painter.fillRect(x, 101, 2, 2, Qt::black);
        painter.fillRect(306, 90, 60, 14, Qt::black);
        painter.fillRect(70, 130, 150, 14, Qt::black);
        painter.fillRect(70, 156, 110, 12, Qt::black);
        painter.fillRect(238, 138, 80, 20, Qt::black);
        painter.fillRect(10, 190, 60, 60, Qt::black);
        painter.fillRect(80, 198, 70, 16, Qt::black);
        painter.fillRect(80, 226, 64, 14, Qt::black);
        painter.end();
        const QList<QRect> lines = TextLines::find(page, 14);
        QCOMPARE(lines,
                 (QList<QRect>{QRect(70, 14, 150, 14), QRect(70, 40, 110, 12), QRect(10, 90, 356, 14),
                               QRect(70, 130, 150, 14), QRect(70, 156, 110, 12), QRect(238, 138, 80, 20),
                               QRect(80, 198, 70, 16), QRect(80, 226, 64, 14)}));
        QCOMPARE(PageReader::cut(page, lines[2], 0).size(), 2);
    }

    // Grey type whose strokes reach the page's ink threshold only in a band across their middle,
    // or in a band at their top and one at their bottom, is one line of its full height, and its
    // lighter characters beside it are cut with it. Black type keeps the box of its own ink,
    // without the faint marks about it.
    void findsFaintTypeWhole_data() {
        QTest::addColumn<QList<QRect>>("strokes"); // in `core`
        QTest::addColumn<int>("core");
        QTest::addColumn<QList<QRect>>("characters"); // in `rim`, under the strokes
        QTest::addColumn<int>("rim");
        QTest::addColumn<QRect>("line");
        QTest::addColumn<QRect>("source");
        QTest::newRow("grey, middle band")
            << QList<QRect>{{10, 16, 38, 4}} << 170
            << QList<QRect>{{10, 10, 10, 16}, {24, 10, 10, 16}, {38, 10, 10, 16}, {52, 10, 10, 16}} << 215
            << QRect(10, 10, 38, 16) << QRect(10, 10, 52, 16);
        QTest::newRow("grey, top and bottom bands")
            << QList<QRect>{{10, 10, 46, 4}, {10, 21, 46, 4}} << 170 << QList<QRect>{{10, 10, 46, 15}} << 215
            << QRect(10, 10, 46, 15) << QRect(10, 10, 46, 15);
        QTest::newRow("black, faint marks about it")
            << QList<QRect>{{10, 14, 40, 8}} << 0 << QList<QRect>{{10, 8, 40, 3}, {54, 14, 6, 8}} << 235
            << QRect(10, 14, 40, 8) << QRect(10, 14, 40, 8);
    }

    void findsFaintTypeWhole() {
        QFETCH(QList<QRect>, strokes);
        QFETCH(int, core);
        QFETCH(QList<QRect>, characters);
        QFETCH(int, rim);
        QFETCH(QRect, line);
        QFETCH(QRect, source);
        QImage page(120, 40, QImage::Format_Grayscale8);
        page.fill(255);
        QPainter painter(&page);
        for (const QRect &character : characters)
            painter.fillRect(character, QColor(rim, rim, rim));
        for (const QRect &stroke : strokes)
            painter.fillRect(stroke, QColor(core, core, core));
        painter.end();
        const QList<QRect> found = PageReader::lines(page, 16);
        QCOMPARE(found, QList<QRect>{line});
        QRect cut;
        for (const PageReader::Piece &piece : PageReader::cut(page, found.front(), 0))
            cut |= piece.source;
        QCOMPARE(cut, source);
    }

    // Rows of small text beside one row of large type, closer than a line's height, are lines of
    // their own; the parts of one character one above the other ("品") are no rows.
    void findsRowsBesideOneRow() {
        QImage page(300, 110, QImage::Format_Grayscale8);
        page.fill(255);
        QPainter painter(&page);
        for (int x = 10; x < 70; x += 21)
            painter.fillRect(x, 10, 18, 30, Qt::black);
        painter.fillRect(78, 12, 100, 10, Qt::black);
        painter.fillRect(78, 28, 80, 10, Qt::black);
        for (const QRect &stroke : {QRect(14, 70, 8, 6), QRect(10, 78, 7, 7), QRect(19, 78, 7, 7)})
            painter.fillRect(stroke, Qt::black);
        for (int x = 32; x < 120; x += 18)
            painter.fillRect(x, 70, 14, 15, Qt::black);
        painter.end();
        QCOMPARE(TextLines::find(page, 14), (QList<QRect>{QRect(10, 10, 60, 30), QRect(78, 12, 100, 10),
                                                          QRect(78, 28, 80, 10), QRect(10, 70, 108, 15)}));
    }

    // Type of two sizes set close in one line is read in one piece with each scaled to its own
    // height: the ink at both ends of the piece fills the height of its text. Small letters after
    // capitals of the same type, and specks after a word, are scaled with the line.
    void readsTypeSizesAtTheirHeights_data() {
        QTest::addColumn<QList<QRect>>("ink");
        QTest::addColumn<bool>("ownHeights");
        QTest::newRow("price and its cycle")
            << QList<QRect>{{10, 10, 12, 24}, {25, 10, 12, 24}, {40, 10, 12, 24}, {55, 10, 12, 24},
                            {70, 23, 3, 11},  {75, 24, 8, 10},  {85, 24, 8, 10}}
            << true;
        QTest::newRow("small sign before an amount")
            << QList<QRect>{{10, 24, 6, 10},  {18, 24, 6, 10},  {26, 23, 6, 11},
                            {35, 10, 12, 24}, {50, 10, 12, 24}, {65, 10, 12, 24}}
            << true;
        QTest::newRow("small letters after capitals")
            << QList<QRect>{{10, 14, 10, 20}, {23, 20, 9, 14}, {35, 20, 9, 18},
                            {50, 20, 9, 14},  {62, 20, 9, 14}, {74, 20, 12, 14}}
            << false;
        QTest::newRow("specks after a word")
            << QList<QRect>{{10, 14, 10, 20}, {23, 14, 10, 20}, {36, 14, 10, 20},
                            {49, 30, 2, 2},   {53, 30, 2, 2},   {57, 30, 2, 2}}
            << false;
    }

    void readsTypeSizesAtTheirHeights() {
        QFETCH(QList<QRect>, ink);
        QFETCH(bool, ownHeights);
        QImage page(120, 50, QImage::Format_Grayscale8);
        page.fill(255);
        QPainter painter(&page);
        QRect line;
        for (const QRect &character : ink) {
            painter.fillRect(character, Qt::black);
            line |= character;
        }
        painter.end();
        const QList<PageReader::Piece> pieces = PageReader::cut(page, line, 0);
        QCOMPARE(pieces.size(), 1);
        const QImage &image = pieces.front().image;
        // The rows of ink in the first and the last fifth of the piece.
        const auto inkHeight = [&image](int from, int to) {
            int top = image.height(), bottom = -1;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = from; x < to; ++x) {
                    if (image.constScanLine(y)[x] < 128) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
                }
            }
            return bottom - top + 1;
        };
        const int fifth = image.width() / 5;
        const int least = std::min(inkHeight(0, fifth), inkHeight(image.width() - fifth, image.width()));
        QCOMPARE(least * 10 >= pieces.front().textHeight * 8, ownHeights);
    }

    // Signs a reader lacks or misreads are told by their ink: the rupee sign, which the
    // recogniser reads as the yen sign, in the typefaces that hold it, in small type enlarged and
    // in large type; the pound sign in sans faces, Ming and large serif type (the pounds of Kai
    // and Zen Hei, and the thin strokes of small serif ones, go untold). No other sign, and no
    // digit 2 (the Latin model reads a small pound so), is taken for either.
    void tellsSignsByInk_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QString>("sign");
        const auto poundTold = [](QString family, int pixels) {
            // Small Roboto draws the crossbar from the stem, as an "E" has its middle bar.
            return !family.contains(u"Kai"_qs) && !family.contains(u"Zen Hei"_qs) &&
                   (pixels >= 24 || !family.contains(u"Serif"_qs)) && (pixels > 11 || family != u"Roboto"_qs);
        };
        for (const char *family : {"DejaVu Sans", "DejaVu Serif", "FreeSans", "Lato", "Roboto", "FreeSerif",
                                   "Noto Sans CJK SC", "Noto Serif CJK SC", "AR PL UKai CN", "AR PL UMing CN",
                                   "WenQuanYi Zen Hei", "Liberation Sans", "Liberation Serif"}) {
            // The rupee sign only in the faces that hold it.
            const bool rupee = QStringView(u"DejaVu FreeSans Lato Roboto")
                                   .contains(QString::fromUtf8(family).section(u' ', 0, 0));
            for (int pixels : {11, 14, 24}) {
                for (const char *sign :
                     {"₹", "¥", "£", "€", "$", "2", "E", "c", "C", "e", "«", "(", "ε", "∈", "G", "6"}) {
                    if ((utf8(sign) == u"₹"_qs && !rupee) ||
                        (utf8(sign) == u"£"_qs && !poundTold(utf8(family), pixels)))
                        continue;
                    QTest::addRow("%s %d px %s", family, pixels, sign)
                        << utf8(family) << pixels << utf8(sign);
                }
            }
        }
    }

    void tellsSignsByInk() {
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(QString, sign);
        QImage page(pixels * 8, pixels * 3, QImage::Format_Grayscale8);
        page.fill(255);
        QPainter painter(&page);
        QFont font(family);
        font.setPixelSize(pixels);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(page.rect(), Qt::AlignCenter, sign + u"48.00"_qs);
        painter.end();
        QRect line;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (page.constScanLine(y)[x] < 128)
                    line |= QRect(x, y, 1, 1);
            }
        }
        const QList<PageReader::Piece> pieces = PageReader::cut(page, line, 0);
        QCOMPARE(pieces.size(), 1);
        const QImage &image = pieces.front().image;
        int first = 0;
        for (; first < image.width(); ++first) {
            bool inked = false;
            for (int y = 0; y < image.height(); ++y)
                inked = inked || image.constScanLine(y)[first] < 128;
            if (inked)
                break;
        }
        const QRect glyph = SignShapes::inkAround(image, first, first);
        // The rupee's ink is judged only where a yen sign was read.
        if (sign == u"₹"_qs || sign == u"¥"_qs)
            QCOMPARE(SignShapes::isRupee(image, glyph), sign == u"₹"_qs);
        QCOMPARE(SignShapes::isPound(image, glyph), sign == u"£"_qs);
        // The euro's two bars run into one in small serif and Chinese type enlarged; where they
        // stand apart it is told, and nothing else is taken for it.
        const bool euroTold =
            pixels >= 24 || (pixels == 14 && QStringView(u"DejaVu FreeSans Roboto Liberation Sans Noto Sans")
                                                 .contains(family.section(u' ', 0, 1)));
        if (sign != u"€"_qs || euroTold)
            QCOMPARE(SignShapes::isEuro(image, glyph), sign == u"€"_qs);
    }

    // The paper between words is where no column holds the core of a stroke: the faint edges of
    // upright strokes close no gap, but a long flat stroke paler than the core (the one stroke of
    // "一" in small Ming type) is ink.
    void findsBlanksBetweenStrokes_data() {
        QTest::addColumn<QRect>("pale"); // drawn in grey 150 between two black stems
        QTest::addColumn<Blanks>("runs");
        QTest::newRow("flat pale stroke")
            << QRect(20, 24, 20, 2) << Blanks{{0, 10}, {14, 20}, {40, 46}, {50, 60}};
        QTest::newRow("faint edges beside a stem")
            << QRect(16, 10, 3, 30) << Blanks{{0, 10}, {14, 46}, {50, 60}};
    }

    void findsBlanksBetweenStrokes() {
        QFETCH(QRect, pale);
        QFETCH(Blanks, runs);
        QImage piece(60, TextRecognizer::inputHeight, QImage::Format_Grayscale8);
        piece.fill(255);
        QPainter painter(&piece);
        painter.fillRect(10, 8, 4, 32, Qt::black);
        painter.fillRect(46, 8, 4, 32, Qt::black);
        painter.fillRect(pale, QColor(150, 150, 150));
        painter.end();
        QCOMPARE(PageReader::blankRuns(piece), runs);
    }

    // A line too long for one strip is cut at its widest blank: a gap narrower than the line is
    // high may be a blank or only the spacing of characters, and is passed on to be told so; a
    // gap as wide as the line's height is a blank.
    void passesOnGapsOfLinesCutToFit_data() {
        QTest::addColumn<int>("gap");
        QTest::addColumn<double>("squeezed");
        QTest::newRow("spacing of characters") << 8 << 0.4;
        QTest::newRow("wide blank") << 24 << -1.0;
    }

    void passesOnGapsOfLinesCutToFit() {
        QFETCH(int, gap);
        QFETCH(double, squeezed);
        QImage page(900, 60, QImage::Format_Grayscale8);
        page.fill(255);
        QPainter painter(&page);
        QRect line;
        for (int i = 0, x = 10; i < 36; ++i) {
            const QRect character(x, 20, 18, 20);
            painter.fillRect(character, Qt::black);
            line |= character;
            x += 18 + (i == 17 ? gap : 4);
        }
        painter.end();
        const QList<PageReader::Piece> pieces = PageReader::cut(page, line, 0);
        QCOMPARE(pieces.size(), 2);
        QCOMPARE(pieces[0].squeezedGap, -1.0);
        QCOMPARE(pieces[1].squeezedGap, squeezed);
    }

    // Doubtful readings at the ends of a piece are specks; inside it they are characters.
    void dropsStrayReadings() {
        auto [glyphs, blanks] = laidOut(utf8("飲会.员飲"), {0, 0, 0, 0});
        glyphs[0].confidence = 0.1f;
        glyphs[2].confidence = 0.1f;
        glyphs[4].confidence = 0.1f;
        QCOMPARE(PageReader::spell(glyphs, blanks, 40, widthOf(glyphs)), utf8("会.员"));
    }

    // The Latin model's reading gives back the signs the recogniser cannot read, and only for
    // the amount it stands before.
    void restoresSigns_data() {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("latin");
        QTest::addColumn<QString>("text");
        QTest::newRow("euro dropped")
            << utf8("喜马拉雅 VIP 19.99") << utf8("VIP €19.99") << utf8("喜马拉雅 VIP €19.99");
        QTest::newRow("pound before a cycle")
            << utf8("15.49/year") << utf8("£15.49/year") << utf8("£15.49/year");
        QTest::newRow("dollar read as S") << utf8("HKS388") << utf8("HK$388") << utf8("HK$388");
        QTest::newRow("dollar read as S twice") << utf8("HKS388") << utf8("HKS$388") << utf8("HKS388");
        QTest::newRow("pound read as f") << utf8("f10.99 每月") << utf8("£10.99") << utf8("£10.99 每月");
        QTest::newRow("code") << utf8("c5e9f909") << utf8("£5e9f909") << utf8("c5e9f909");
        QTest::newRow("other digits") << utf8("Total 20.00") << utf8("Total £21.00") << utf8("Total 20.00");
        QTest::newRow("sign already read") << utf8("¥68") << utf8("£68") << utf8("¥68");
        QTest::newRow("rupee dropped")
            << utf8("Plus 504 per month") << utf8("Plus ₹504 per month") << utf8("Plus ₹504 per month");
        QTest::newRow("sign the recogniser lacks, already read")
            << utf8("Total ₹414 /mo") << utf8("Total ¥414 /mo") << utf8("Total ₹414 /mo");
        QTest::newRow("code before it") << utf8("EUR 19.99") << utf8("EUR €19.99") << utf8("EUR 19.99");
        QTest::newRow("date") << utf8("2026/11/3") << utf8("£2026/11/3") << utf8("2026/11/3");
        QTest::newRow("yen read as Y")
            << utf8("Total Y 148.00") << utf8("Total ¥ 148.00") << utf8("Total ¥ 148.00");
        QTest::newRow("sign apart from its number")
            << utf8("Things 3 HKS 38.00") << utf8("Things 3 HK$ 38.00") << utf8("Things 3 HK$ 38.00");
        QTest::newRow("sign read, blank after it") << utf8("合计 ¥ 68") << utf8("¥68") << utf8("合计 ¥ 68");
        QTest::newRow("sign after a code's letters")
            << utf8("CN77.99（买断）") << utf8("CN¥77.99") << utf8("CN¥77.99（买断）");
        QTest::newRow("dollar after a country's letters")
            << utf8("Total HK222.99") << utf8("Total HK$222.99") << utf8("Total HK$222.99");
        QTest::newRow("thousands") << utf8("JPY14,191 yearly") << utf8("JP¥14,191 yearly")
                                   << utf8("JP¥14,191 yearly");
        QTest::newRow("after a minus") << utf8("-18.50") << utf8("-€18.50") << utf8("-€18.50");
        QTest::newRow("date after a hyphen") << utf8("2026-11") << utf8("2026-£11") << utf8("2026-11");
        QTest::newRow("Chinese after a price read as a digit")
            << utf8("价格 135.49每月") << utf8("€ 135.494 A") << utf8("价格 €135.49每月");
        QTest::newRow("number without decimals read longer")
            << utf8("Total 12") << utf8("£123") << utf8("Total 12");
        QTest::newRow("price for months")
            << utf8("Y87.00/3个月") << utf8("¥ 87.00/34") << utf8("¥87.00/3个月");
        QTest::newRow("sign and decimals left out") << utf8("-7.") << utf8("-£7.00") << utf8("-£7.00");
        QTest::newRow("other units left out") << utf8("-7.") << utf8("-£17.00") << utf8("-7.");
        QTest::newRow("sign and first digit taken for one character")
            << utf8("支付的 到72.00。") << utf8("¥172. 00. A") << utf8("支付的 到¥172.00。");
        QTest::newRow("digit more before a count") << utf8("Plan 72") << utf8("$172") << utf8("Plan 72");
        QTest::newRow("code one letter off")
            << utf8("-RMIB 97.90") << utf8("-RMB 97.90") << utf8("-RMB 97.90");
        QTest::newRow("word one letter off a code before a number")
            << utf8("CARD 1926") << utf8("CAD 1926") << utf8("CARD 1926");
        QTest::newRow("yen read as Y before a clause's comma")
            << utf8("支付Y183.90,") << utf8("xX ff ¥183.90,") << utf8("支付¥183.90,");
        QTest::newRow("yen read as Y before a period the Latin model garbles")
            << utf8("Y30/月") << utf8("¥30,5") << utf8("¥30/月");
        QTest::newRow("letter before a number that the Latin model reads longer")
            << utf8("Y30 GB") << utf8("¥305 GB") << utf8("Y30 GB");
        QTest::newRow("euro read as the slash of a period")
            << utf8("119,99/ yr") << utf8("119,99 € yr") << utf8("119,99 €/ yr");
        QTest::newRow("yen read as Y, whole units with a 1 read as a letter")
            << utf8("Yl08 per month") << utf8("¥108>er month") << utf8("¥108 per month");
        QTest::newRow("whole units read with decimals")
            << utf8("Yl08 per month") << utf8("¥1.08 per month") << utf8("Yl08 per month");
        QTest::newRow("sign after a code's letters read as a letter, digits as letters")
            << utf8("CNYll0.00.") << utf8("CN¥110.00.") << utf8("CN¥110.00.");
        QTest::newRow("sign after a code's letters read as a letter, thousands grouped")
            << utf8("CNYl,680.00") << utf8("CN¥1,680.00") << utf8("CN¥1,680.00");
        QTest::newRow("euro after a decimal comma")
            << utf8("Standard 38,90 Paid") << utf8("Standard 38,90 € Paid") << utf8("Standard 38,90 € Paid");
        QTest::newRow("euro after blanks between groups read as a letter")
            << utf8("Pro 7 530,00 C Paid") << utf8("Pro 7 530,00€ Paid") << utf8("Pro 7 530,00 € Paid");
        QTest::newRow("word after a sign the recogniser left out")
            << utf8("12,99 a month") << utf8("12,99 € a month") << utf8("12,99 € a month");
        QTest::newRow("euro read as a letter before a cycle")
            << utf8("12,00 E/month") << utf8("12, 00 €, month") << utf8("12,00 €/month");
        QTest::newRow("sign after other digits")
            << utf8("Total 12,90 C") << utf8("Total 12,99 €") << utf8("Total 12,90 C");
        QTest::newRow("code for other digits")
            << utf8("RMIB 97.90") << utf8("RMB 98.90") << utf8("RMIB 97.90");
        QTest::newRow("blank between large digits after a sign")
            << utf8("378.00 per quarter") << utf8("¥3 78.00 per quarter") << utf8("¥378.00 per quarter");
        QTest::newRow("price run into its period")
            << utf8("Y264perquarter") << utf8("¥264 per quarter") << utf8("¥264perquarter");
        QTest::newRow("blank before the decimal point")
            << utf8("应付金额 29.99") << utf8("€29 .99") << utf8("应付金额 €29.99");
        QTest::newRow("sign and digits read as letters")
            << utf8("fl0.99 paid, ll.99 due") << utf8("€10.99 paid, £11.99 due")
            << utf8("€10.99 paid, £11.99 due");
        QTest::newRow("struck price, its digits garbled for the Latin model")
            << utf8("21.98 Save E10.99") << utf8("£9498 save £10.99") << utf8("£21.98 Save £10.99");
        QTest::newRow("other words beside a garbled price")
            << utf8("21.98 Saved 10.99") << utf8("£9498 save 10.99") << utf8("21.98 Saved 10.99");
        QTest::newRow("digits read as letters, a digit the Latin model left out")
            << utf8("Total ¥25O.00") << utf8("Total ¥50.00") << utf8("Total ¥25O.00");
        QTest::newRow("decimals read as letters")
            << utf8("100.o0 per year") << utf8("€ 100.00 per year") << utf8("€ 100.00 per year");
        QTest::newRow("sign and first digit read as one letter")
            << utf8("Amount paid i5, l49") << utf8("Amount paid €15, €149") << utf8("Amount paid €15, €149");
        QTest::newRow("decimal point read as a blank") << utf8("8.53") << utf8("€8 53") << utf8("€8.53");
        QTest::newRow("speck after the sign")
            << utf8("Total 1168.49") << utf8("Total £.1168.49") << utf8("Total £1168.49");
        QTest::newRow("large price, a digit more for the Latin model")
            << utf8("Tota1 due today 438.49") << utf8("Total due today €4388.49")
            << utf8("Tota1 due today €438.49");
        QTest::newRow("large price, sign read as a letter")
            << utf8("Tota1 E3.99") << utf8("Total €38.99") << utf8("Tota1 €3.99");
        QTest::newRow("lettered decimals run into the period")
            << utf8("Annual ε30.o0yr") << utf8("Annual €30.00,,") << utf8("Annual €30.00yr");
        QTest::newRow("opening bracket read as a sign")
            << utf8("信用卡(4801)") << utf8("LiiBT18 £4801)") << utf8("信用卡(4801)");
        QTest::newRow("sign read as an opening bracket")
            << utf8("Total (4.99 due") << utf8("Total £4.99 due") << utf8("Total (£4.99 due");
        QTest::newRow("sign after an opening bracket")
            << utf8("Refund (12.99)") << utf8("Refund (€12.99)") << utf8("Refund (€12.99)");
        QTest::newRow("digits read as letters, other price")
            << utf8("Vol.12 lo.99") << utf8("Vol.12 $10.98") << utf8("Vol.12 lo.99");
    }

    void restoresSigns() {
        QFETCH(QString, read);
        QFETCH(QString, latin);
        QFETCH(QString, text);
        QCOMPARE(PageReader::restoreSigns(read, latin), text);
    }

    // Characters written as glyphsWritten() reads them.
    void dropsCharacterReadTwice_data() {
        QTest::addColumn<QString>("glyphs");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<Blanks>("blanks");
        QTest::newRow("dollar read as S and $")
            << utf8("p_@1 a_@3 S$@5 $S@6 6_@7") << utf8("pa$6") << Blanks{};
        QTest::newRow("sign first") << utf8("$S@5 S$@6 1_@7") << utf8("$1") << Blanks{};
        QTest::newRow("letter on its own ink") << utf8("U_@1 S$@3 $S@5 8_@6") << utf8("US$8") << Blanks{};
        QTest::newRow("no runner-up between them") << utf8("S_@5 $_@6 1_@7") << utf8("S$1") << Blanks{};
        QTest::newRow("letter read as digit too")
            << utf8("e_@11 0O@14:53 O0@15:55 n_@17") << utf8("eOn") << Blanks{};
        QTest::newRow("digit surer") << utf8("10@1 0O@3:90 O0@4:10 0_@6") << utf8("100") << Blanks{};
        QTest::newRow("Chinese character read as two")
            << utf8("哗哔@1:57 哔哗@2:40 哩_@5") << utf8("哗哩") << Blanks{};
        QTest::newRow("look-alikes spelling a known word")
            << utf8("哗哔@2:67 哩喱@6 哗哔@11:62 哩喱@15 大_@20") << utf8("哔哩哔哩大") << Blanks{};
        QTest::newRow("look-alike runner-up too faint")
            << utf8("哗哔@2:80:1 哩_@6 哗哔@11:95:1 哩_@15") << utf8("哗哩哗哩") << Blanks{};
        QTest::newRow("faint look-alikes borne out by the rest of the word")
            << utf8("哗哔@2:88:8 哩_@6 哗哔@11:90:6 哩_@15") << utf8("哔哩哔哩") << Blanks{};
        QTest::newRow("faint look-alikes making most of a word")
            << utf8("衬初@1:88:8 始_@5 贾费@9:88:8 甩用@13:88:8") << utf8("衬始贾甩") << Blanks{};
        QTest::newRow("character of a known word") << utf8("每_@1 周月@5") << utf8("每周") << Blanks{};
        QTest::newRow("two letters of small type") << utf8("er@1:60 re@2:40 p_@3") << utf8("erp") << Blanks{};
        QTest::newRow("narrow digit beside a letter") << utf8("1l@1:60 l1@2:40") << utf8("1l") << Blanks{};
        QTest::newRow("narrow digit and letter on one stroke")
            << utf8("(_@1 1l@3:83:14 l1@4:71:26 m_@7") << utf8("(1m") << Blanks{{0, 8}, {12, 26}, {36, 60}};
        QTest::newRow("narrow digit and letter, two strokes")
            << utf8("(_@1 1l@3:83:14 l1@4:71:26 m_@7") << utf8("(1lm")
            << Blanks{{0, 8}, {12, 26}, {30, 32}, {36, 60}};
        QTest::newRow("letter read in both cases") << utf8("o_@1 Xx@3:50 xX@4:75") << utf8("ox") << Blanks{};
        // Steps 3 and 4 span columns 24 to 40; the "l" is read on a stroke from 26 to 34.
        QTest::newRow("bracket beside a narrow letter on its stroke")
            << utf8("a_@1 ]_@3:42 l_@4:66") << utf8("al") << Blanks{{0, 6}, {18, 26}, {34, 60}};
        QTest::newRow("bracket beside a letter on a wide run of ink")
            << utf8("a_@1 ]_@3:42 l_@4:66") << utf8("a]l") << Blanks{{0, 6}, {18, 20}, {44, 60}};
    }

    void dropsCharacterReadTwice() {
        QFETCH(QString, glyphs);
        QFETCH(Blanks, blanks);
        QString kept;
        for (const TextRecognizer::Glyph &glyph : PageReader::withKnownWords(
                 PageReader::withoutCharactersReadTwice(glyphsWritten(glyphs), blanks, 40)))
            kept += glyph.character;
        QTEST(kept, "kept");
    }

    // Where the recogniser read nothing on a character before the first number, the Latin
    // model's sign is taken though it garbled a digit.
    void restoresSignsOnUnreadInk_data() {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("latin");
        QTest::addColumn<bool>("unread");
        QTest::addColumn<QString>("text");
        QTest::newRow("a 2 is no sign: the rupee reads so too")
            << utf8("8,273") << utf8("28,273") << true << utf8("8,273");
        QTest::newRow("a digit garbled")
            << utf8("204.99 per year") << utf8("£204.09 per year") << true << utf8("£204.99 per year");
        QTest::newRow("a digit garbled without unread ink")
            << utf8("204.99 per year") << utf8("£204.09 per year") << false << utf8("204.99 per year");
        QTest::newRow("not the first number")
            << utf8("Total 20.00") << utf8("Total £21.00") << true << utf8("Total 20.00");
        QTest::newRow("two digits garbled") << utf8("204.99") << utf8("£284.09") << true << utf8("204.99");
    }

    void restoresSignsOnUnreadInk() {
        QFETCH(QString, read);
        QFETCH(QString, latin);
        QFETCH(bool, unread);
        QFETCH(QString, text);
        QCOMPARE(PageReader::restoreSigns(read, latin, unread), text);
    }

    // The Latin model's spelling is taken where the two readings differ in look-alikes alone.
    void prefersLatinSpelling_data() {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("latin");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unsureEnds");
        QTest::addColumn<QString>("unsureLetters");
        // The Latin model's dictionary, where given.
        QTest::addColumn<QStringList>("words");
        // Its reading at another size, where given.
        QTest::addColumn<QString>("confirming");
        QTest::newRow("split word") << utf8("Grammarl y Premi um") << utf8("Grammarly Premium")
                                    << utf8("Grammarly Premium") << false << QString() << QStringList()
                                    << QString();
        QTest::newRow("blank after a count left out")
            << utf8("2 TB (l month)") << utf8("2TB (1 month)") << utf8("2 TB (1 month)") << false << QString()
            << QStringList() << QString();
        QTest::newRow("ones for ells")
            << utf8("Bi11ed annua11y") << utf8("Billed annually") << utf8("Billed annually") << false
            << QString() << QStringList() << QString();
        QTest::newRow("ligature read as one letter")
            << utf8("Netfix <no-reply@netfix.com>") << utf8("Netflix <no-reply@netflix.com>")
            << utf8("Netflix <no-reply@netflix.com>") << false << QString() << QStringList() << QString();
        QTest::newRow("other letters")
            << utf8("Netflux Premium") << utf8("Netflix Premium") << utf8("Netflux Premium") << false
            << QString() << QStringList() << QString();
        QTest::newRow("nothing read") << utf8("A1 1 Apps") << QString() << utf8("A1 1 Apps") << false
                                      << QString() << QStringList() << QString();
        QTest::newRow("words split") << utf8("p1indqvist@a1iyun.com") << utf8("pl indqvist@al iyun. com")
                                     << utf8("p1indqvist@a1iyun.com") << false << QString() << QStringList()
                                     << QString();
        QTest::newRow("unsure letter read as another")
            << utf8("Renews Nor 3, Payrent") << utf8("Renews Nov 3, Payment") << utf8("Renews Nov 3, Payment")
            << false << utf8("         ^       ^   ") << QStringList() << QString();
        QTest::newRow("sure letter read as another")
            << utf8("Renews Nor 3") << utf8("Renews Nov 3") << utf8("Renews Nor 3") << false
            << utf8(" ^          ") << QStringList() << QString();
        QTest::newRow("lone letter read unsurely")
            << utf8("I Obsidian") << utf8("j Obsidian") << utf8("I Obsidian") << false << utf8("^         ")
            << QStringList() << QString();
        QTest::newRow("unsure letter read as a mark")
            << utf8("Renews Nor 3") << utf8("Renews No/ 3") << utf8("Renews Nor 3") << false
            << utf8("         ^  ") << QStringList() << QString();
        QTest::newRow("letters left out where unsure") << utf8("Produc") << utf8("Product") << utf8("Product")
                                                       << true << QString() << QStringList() << QString();
        QTest::newRow("letters added where sure") << utf8("Produc") << utf8("Product") << utf8("Produc")
                                                  << false << QString() << QStringList() << QString();
        QTest::newRow("price read as letters")
            << utf8("Total uss8o0/year") << utf8("Total US$8.00/year") << utf8("Total US$8.00/year") << false
            << QString() << QStringList() << QString();
        QTest::newRow("pound and price read as letters, a blank more")
            << utf8("f99.o0/year") << utf8("£99.00 /year") << utf8("£99.00 /year") << false << QString()
            << QStringList() << QString();
        QTest::newRow("sign for a letter in a code")
            << utf8("f49-faa6-5020-8a5f3d9f0bc3") << utf8("£49-faa6-5020-8a5f3d9f0bc3")
            << utf8("f49-faa6-5020-8a5f3d9f0bc3") << false << QString() << QStringList() << QString();
        QTest::newRow("price with other digits")
            << utf8("f99.o0/year") << utf8("£98.00 /year") << utf8("f99.o0/year") << false << QString()
            << QStringList() << QString();
        QTest::newRow("unsure letter making no word of a word")
            << utf8("Paid in full") << utf8("Puid in full") << utf8("Paid in full") << false
            << utf8(" ^          ") << QStringList{utf8("Paid"), utf8("in"), utf8("full")} << QString();
        QTest::newRow("unsure letter making one word of another")
            << utf8("Renews Nor 3") << utf8("Renews Nov 3") << utf8("Renews Nov 3") << false
            << utf8("         ^  ") << QStringList{utf8("Renews"), utf8("Nor"), utf8("Nov")} << QString();
        QTest::newRow("unsure letter making a word of none")
            << utf8("Pa1d Paynent") << utf8("Pa1d Payment") << utf8("Pa1d Payment") << false
            << utf8("        ^   ") << QStringList{utf8("Payment")} << QString();
        QTest::newRow("unsure letter more than a word")
            << utf8("Kindle Undlimited") << utf8("Kindle Unlimited") << utf8("Kindle Unlimited") << false
            << utf8("         ^       ") << QStringList{utf8("Kindle"), utf8("Unlimited")} << QString();
        QTest::newRow("sure letter more than a word")
            << utf8("Kindle Undlimited") << utf8("Kindle Unlimited") << utf8("Kindle Undlimited") << false
            << utf8("^                ") << QStringList{utf8("Kindle"), utf8("Unlimited")} << QString();
        QTest::newRow("unsure letter more than a name")
            << utf8("Kindle Undlimited") << utf8("Kindle Unlimited") << utf8("Kindle Undlimited") << false
            << utf8("         ^       ") << QStringList{utf8("Kindle")} << QString();
        QTest::newRow("unsure letter read otherwise at another size")
            << utf8("Perplexity Pro") << utf8("Perplexity Pra") << utf8("Perplexity Pro") << false
            << utf8("             ^") << QStringList() << utf8("Perplexity Pro");
        QTest::newRow("unsure letter read alike at another size")
            << utf8("Perplexity Pra") << utf8("Perplexity Pro") << utf8("Perplexity Pro") << false
            << utf8("             ^") << QStringList() << utf8("Perplexity Pro");
    }

    void prefersLatinSpelling() {
        QFETCH(QString, read);
        QFETCH(QString, latin);
        QFETCH(QString, text);
        QFETCH(bool, unsureEnds);
        QFETCH(QString, unsureLetters);
        QFETCH(QStringList, words);
        QFETCH(QString, confirming);
        const auto isWord = [&words](const QString &word) { return words.contains(word); };
        QCOMPARE(PageReader::preferLatinSpelling(
                     read, latin, unsureEnds, unsureLetters,
                     words.isEmpty() ? std::function<bool(const QString &)>() : isWord,
                     confirming.isNull() ? std::nullopt : std::optional<QString>(confirming)),
                 text);
    }

    // Latin words with letters read unsurely in a line that holds Chinese, cut from the characters
    // beside them to be read on their own. Each character sits on the step given for it; "^" marks
    // those read unsurely. Blanks are [start, end) columns; runs are start, end, left, right.
    void findsUnsureLatinRuns_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<QString>("unsure");
        QTest::addColumn<QList<int>>("blanks");
        QTest::addColumn<QList<int>>("runs");
        QTest::newRow("after Chinese, cut in the blank")
            << utf8("2024年Nor") << QList<int>{0, 1, 2, 3, 5, 8, 9, 10} << utf8("       ^")
            << QList<int>{58, 64} << QList<int>{5, 8, 61, 100};
        QTest::newRow("touching Chinese, cut halfway")
            << utf8("2024年Nor") << QList<int>{0, 1, 2, 3, 5, 8, 9, 10} << utf8("       ^") << QList<int>{}
            << QList<int>{5, 8, 56, 100};
        QTest::newRow("read surely") << utf8("2024年Nor") << QList<int>{0, 1, 2, 3, 5, 8, 9, 10}
                                     << utf8("        ") << QList<int>{58, 64} << QList<int>{};
        QTest::newRow("two words between Chinese")
            << utf8("开通Pro Plan会员") << QList<int>{0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12}
            << utf8("    ^       ") << QList<int>{26, 32, 60, 62, 86, 90} << QList<int>{2, 10, 29, 88};
        QTest::newRow("a mark read past the edge")
            << utf8("会员Pro。") << QList<int>{1, 3, 10, 11, 13, 15} << utf8("    ^ ") << QList<int>{}
            << QList<int>{2, 5, 56, 100};
        QTest::newRow("unsure Chinese only")
            << utf8("会员Pro") << QList<int>{1, 3, 5, 6, 7} << utf8("^    ") << QList<int>{} << QList<int>{};
    }

    void findsUnsureLatinRuns() {
        QFETCH(QString, text);
        QFETCH(QList<int>, steps);
        QFETCH(QString, unsure);
        QFETCH(QList<int>, blanks);
        QFETCH(QList<int>, runs);
        Glyphs glyphs;
        for (qsizetype i = 0, k = 0; i < text.size(); ++i) {
            if (!text[i].isSpace())
                glyphs.append(TextRecognizer::Glyph{text[i], steps[k++], unsure[i] == u'^' ? 0.5f : 0.95f});
        }
        QList<std::pair<int, int>> blankRuns;
        for (qsizetype i = 0; i + 1 < blanks.size(); i += 2)
            blankRuns.append({blanks[i], blanks[i + 1]});
        QList<int> found;
        for (const PageReader::LatinRun &run : PageReader::unsureLatinRuns(text, glyphs, blankRuns, 100))
            found << int(run.start) << int(run.end) << run.left << run.right;
        QCOMPARE(found, runs);
    }

    // A run of Latin words cut out of a line keeps its case unless it mixed cases within a word.
    void keepsCaseOfLatinRuns_data() {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("latin");
        QTest::addColumn<QString>("text");
        QTest::newRow("capitals made small") << utf8("US") << utf8("us") << utf8("US");
        QTest::newRow("capitals made a capital and small letters") << utf8("TV") << utf8("Tv") << utf8("TV");
        QTest::newRow("mixed cases made capitals") << utf8("vIP") << utf8("VIP") << utf8("VIP");
        QTest::newRow("words apart") << utf8("ChatGPT Pl us") << utf8("ChatGPT Plus") << utf8("ChatGPT Plus");
    }

    void keepsCaseOfLatinRuns() {
        QFETCH(QString, read);
        QFETCH(QString, latin);
        QFETCH(QString, text);
        QCOMPARE(PageReader::withCaseOf(read, latin), text);
    }

    void asksLatinModelOnlyForDoubtfulLatin_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("doubtful");
        QTest::newRow("digit in a word") << utf8("Tota1") << true;
        QTest::newRow("one-letter word") << utf8("Grammarl y") << true;
        QTest::newRow("capital between small letters") << utf8("Billed to IsSued") << true;
        QTest::newRow("clean words") << utf8("Billed annually") << false;
        QTest::newRow("number beside a word") << utf8("12 months") << false;
        QTest::newRow("Chinese") << utf8("会员 VIP1") << false;
    }

    void asksLatinModelOnlyForDoubtfulLatin() {
        QFETCH(QString, text);
        QFETCH(bool, doubtful);
        QCOMPARE(PageReader::mayMistakeLetters(text), doubtful);
    }

    void asksLargerReadingOnlyForMissedSigns_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unreadInk");
        QTest::addColumn<bool>("larger");
        QTest::newRow("sign read as a letter") << utf8("Total e12.99") << false << true;
        QTest::newRow("sign and a one read as letters") << utf8("l70.00") << false << true;
        QTest::newRow("ink read as nothing") << utf8("170.00") << true << true;
        QTest::newRow("word before an amount") << utf8("Pro 12.99 元") << false << false;
        QTest::newRow("plain amount") << utf8("90.00元") << false << false;
    }

    void asksLargerReadingOnlyForMissedSigns() {
        QFETCH(QString, text);
        QFETCH(bool, unreadInk);
        QFETCH(bool, larger);
        QCOMPARE(PageReader::mayHoldUnreadSign(text, unreadInk), larger);
    }

    void takesLargerReadingOnlyForSignsUnreadable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<bool>("taken");
        QTest::newRow("pound the recogniser lacks") << utf8("l70.00") << utf8("£170.00") << true;
        QTest::newRow("euro beside a yen already read") << utf8("¥5 e12.99") << utf8("¥5 €12.99") << true;
        QTest::newRow("yen it would have read") << utf8("#5,710") << utf8("¥5,710") << false;
        QTest::newRow("dollar it would have read") << utf8("170.00") << utf8("$170.00") << false;
    }

    void takesLargerReadingOnlyForSignsUnreadable() {
        QFETCH(QString, text);
        QFETCH(QString, reading);
        QFETCH(bool, taken);
        QCOMPARE(PageReader::addsOnlySignsUnreadable(text, reading, utf8("¥$")), taken);
    }

    void tidiesLookAlikes_data() {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("tidy");
        QTest::newRow("letters in an amount") << utf8("$2oo 20.o0 1l.99") << utf8("$200 20.00 11.99");
        QTest::newRow("capitals in an amount after a sign")
            << utf8("¥Z00 ¥9B ¥ 1Z.5o $ZAR ID 9B ¥BZ") << utf8("¥200 ¥98 ¥ 12.50 $ZAR ID 9B ¥BZ");
        QTest::newRow("digits in a word") << utf8("D0ne App1e G00gle") << utf8("Done Apple Google");
        QTest::newRow("digits at a word's ends")
            << utf8("Tota1 0rder 12 Apps Ju1 7") << utf8("Total Order 12 Apps Jul 7");
        QTest::newRow("one opening a number")
            << utf8("Oct l4. 2026 |2 I2C l4b") << utf8("Oct 14. 2026 12 I2C l4b");
        QTest::newRow("case of look-alike letters")
            << utf8("ChatGPT PluS iOS macOS sVIP wPS") << utf8("ChatGPT Plus iOS macOS SVIP WPS");
        QTest::newRow("capital I in a word") << utf8("PIus Item iPad") << utf8("Plus Item iPad");
        QTest::newRow("separator read twice") << utf8("EUR 119..88 a..b") << utf8("EUR 119.88 a..b");
        QTest::newRow("thousands read as a full stop, dollar as S$")
            << utf8("HKS$1.703.90 1.703,90 S$5 USS9.99 HKS 78")
            << utf8("HK$1,703.90 1.703,90 S$5 US$9.99 HK$ 78");
        QTest::newRow("hexadecimal code") << utf8("a3f9c2e1-3le5 b1c") << utf8("a3f9c2e1-3le5 b1c");
        QTest::newRow("word and plan size") << utf8("Pro 10 lo") << utf8("Pro 10 lo");
        QTest::newRow("capital I read as a bracket or an l")
            << utf8("Billed to [ssued lnbox [ab] lsilva@x.com last")
            << utf8("Billed to Issued Inbox [ab] lsilva@x.com last");
        QTest::newRow("Chinese zero among digits")
            << utf8("¥77.0〇 〇.99 二〇二六年") << utf8("¥77.00 0.99 二〇二六年");
        QTest::newRow("one read as a bracket")
            << utf8("【2 months [5.00 [2] 【3个月】") << utf8("12 months 15.00 [2] 【3个月】");
        QTest::newRow("round bracket read as a square one")
            << utf8("Pro [1 month) 会员【1年）") << utf8("Pro (1 month) 会员（1年）");
        QTest::newRow("one after a digit") << utf8("nberg3l@x.com ID4l7") << utf8("nberg31@x.com ID417");
        QTest::newRow("minutes and a day read as letters")
            << utf8("9:ll Mar ll, 2026 Re:lo All, 2026") << utf8("9:11 Mar 11, 2026 Re:lo All, 2026");
        QTest::newRow("slash before the period read as a one")
            << utf8("¥16l月 $20.99l/mo 2026年1l月 ID 12.34l")
            << utf8("¥16/月 $20.99/mo 2026年11月 ID 12.341");
        QTest::newRow("icons read as quotes apart")
            << utf8("‘ Google Play 'Pro' 取消 \" 丨") << utf8("Google Play 'Pro' 取消");
        QTest::newRow("icon read as a quote and a letter") << utf8("＇i") << QString();
        QTest::newRow("blanks collapsed") << utf8("  Netflix \t 标准套餐  ") << utf8("Netflix 标准套餐");
    }

    void tidiesLookAlikes() {
        QFETCH(QString, read);
        QFETCH(QString, tidy);
        QCOMPARE(RecognizedText::tidyLine(read), tidy);
    }
};

QTEST_MAIN(TestPageReader)

#include "tst_page_reader.moc"
