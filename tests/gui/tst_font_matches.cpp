#include "FontFiles.h"
#include "app/FontMatches.h"
#include "views/Theme.h"

#include <QTest>

#include <cstring>

#include <fontconfig/fontconfig.h>

namespace {
// The file fontconfig gives `family` at `weight`, as the font database would pick it.
QByteArray fileOf(const QString &family, QFont::Weight weight, int *index) {
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.toUtf8().constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(int(weight)));
    return matchedFontFile(pattern, index);
}

// The question Qt asks when it loads a font, with the configuration's substitutions made.
FcPattern *questionAsQtAsks(const QString &family, const QByteArray &file, int index, double pixelSize) {
    const QByteArray name = family.toUtf8();
    FcPattern *pattern = FcPatternCreate();
    FcValue value;
    value.type = FcTypeString;
    value.u.s = reinterpret_cast<const FcChar8 *>(name.constData());
    FcPatternAdd(pattern, FC_FAMILY, value, FcTrue);
    value.u.s = reinterpret_cast<const FcChar8 *>(file.constData());
    FcPatternAdd(pattern, FC_FILE, value, FcTrue);
    value.type = FcTypeInteger;
    value.u.i = index;
    FcPatternAdd(pattern, FC_INDEX, value, FcTrue);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

// What Qt asks when it loads a font: the face's rendering settings, found by a match.
FcPattern *askAsQtDoes(const QString &family, const QByteArray &file, int index, double pixelSize) {
    FcPattern *pattern = questionAsQtAsks(family, file, index, pixelSize);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}
} // namespace

class FontMatchesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // A user language many faces name themselves in besides English: a face is listed with its
        // name in the user's language first.
        qputenv("FC_LANG", "zh-cn");
        Theme::loadFontConfiguration();
    }

    // The configuration loaded at start is the one fontconfig loads itself: the same files and
    // folders, the same fonts, the same answers.
    void configurationAsFontconfigLoadsIt() {
        FcConfig *loaded = FcConfigGetCurrent();
        FcConfig *own = FcInitLoadConfigAndFonts();
        QVERIFY(loaded && own && loaded != own);
        const auto strings = [](FcStrList *list) {
            QStringList all;
            while (const FcChar8 *s = FcStrListNext(list))
                all.append(QString::fromUtf8(reinterpret_cast<const char *>(s)));
            FcStrListDone(list);
            return all;
        };
        QCOMPARE(strings(FcConfigGetConfigFiles(loaded)), strings(FcConfigGetConfigFiles(own)));
        QCOMPARE(strings(FcConfigGetFontDirs(loaded)), strings(FcConfigGetFontDirs(own)));
        QCOMPARE(strings(FcConfigGetCacheDirs(loaded)), strings(FcConfigGetCacheDirs(own)));
        QCOMPARE(FcConfigGetFonts(loaded, FcSetSystem)->nfont, FcConfigGetFonts(own, FcSetSystem)->nfont);
        for (const char *name : {"sans-serif", "serif", "monospace:lang=zh-cn", "Noto Sans CJK SC:bold",
                                 "DejaVu Sans:pixelsize=13", "sans-serif:lang=zh-cn:pixelsize=46"}) {
            FcPattern *questions[] = {FcNameParse(reinterpret_cast<const FcChar8 *>(name)),
                                      FcNameParse(reinterpret_cast<const FcChar8 *>(name))};
            FcPattern *answers[2] = {};
            FcConfig *configs[] = {loaded, own};
            for (int i = 0; i < 2; ++i) {
                FcConfigSubstitute(configs[i], questions[i], FcMatchPattern);
                FcDefaultSubstitute(questions[i]);
                FcResult result = FcResultNoMatch;
                answers[i] = FcFontMatch(configs[i], questions[i], &result);
            }
            QVERIFY2(FcPatternEqual(questions[0], questions[1]), name);
            QVERIFY2(answers[0] && FcPatternEqual(answers[0], answers[1]), name);
            for (FcPattern *pattern : {questions[0], questions[1], answers[0], answers[1]})
                FcPatternDestroy(pattern);
        }
        FcConfigDestroy(own);
    }

    // A prepared question gets fontconfig's own answer; one about another size, or asked once the
    // window is up, goes to fontconfig.
    void answersAsFontconfig_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("weight");
        QTest::addColumn<double>("pixelSize");
        QTest::newRow("latin regular") << "DejaVu Sans" << int(QFont::Normal) << 12.0;
        QTest::newRow("latin bold, large") << "DejaVu Sans" << int(QFont::Bold) << 46.0;
        QTest::newRow("face in a collection") << "Noto Sans CJK SC" << int(QFont::Medium) << 13.0;
    }
    void answersAsFontconfig() {
        QFETCH(QString, family);
        QFETCH(int, weight);
        QFETCH(double, pixelSize);
        int index = 0;
        const QByteArray file = fileOf(family, QFont::Weight(weight), &index);
        QVERIFY(!file.isEmpty());
        FcPattern *expected = askAsQtDoes(family, file, index, pixelSize);
        FcPattern *otherSize = askAsQtDoes(family, file, index, pixelSize + 1);

        FontMatches::prepare({{family, QFont::Weight(weight), pixelSize}});
        const int before = FontMatches::answered();
        FcPattern *handed = askAsQtDoes(family, file, index, pixelSize);
        QCOMPARE(FontMatches::answered(), before + 1);
        QVERIFY(FcPatternEqual(handed, expected));
        FcPattern *forwarded = askAsQtDoes(family, file, index, pixelSize + 1);
        QVERIFY(FcPatternEqual(forwarded, otherSize));
        // A question changed between its substitutions and its match is no longer the one prepared.
        FcPattern *changed = questionAsQtAsks(family, file, index, pixelSize);
        FcPatternAddBool(changed, FC_EMBOLDEN, FcTrue);
        FcResult result = FcResultNoMatch;
        FcPattern *changedAnswer = FcFontMatch(nullptr, changed, &result);
        QCOMPARE(FontMatches::answered(), before + 1);
        FontMatches::close();
        FcPattern *afterClose = askAsQtDoes(family, file, index, pixelSize);
        QCOMPARE(FontMatches::answered(), before + 1);
        QVERIFY(FcPatternEqual(afterClose, expected));
        FcPattern *changedAfterClose = FcFontMatch(nullptr, changed, &result);
        QVERIFY(changedAnswer && FcPatternEqual(changedAnswer, changedAfterClose));

        for (FcPattern *pattern :
             {expected, otherSize, handed, forwarded, changed, changedAnswer, afterClose, changedAfterClose})
            FcPatternDestroy(pattern);
    }

    // The installed faces listed ahead are the list fontconfig makes when the font database asks for
    // it, whatever order the properties come in; it is handed over once, and to no other question.
    // Whether its faces cover a language is fontconfig's answer, asked about faces of the list handed
    // over or of any other, in any order, with the list let go and until it is freed.
    void fontListAsFontconfigMakesIt() {
        const auto list = [](FcPattern *pattern) {
            FcObjectSet *objects = FcObjectSetCreate();
            for (const char *property :
                 {FC_CAPABILITY, FC_FAMILYLANG, FC_WIDTH, FC_PIXEL_SIZE, FC_SCALABLE, FC_FOUNDRY, FC_CHARSET,
                  FC_LANG, FC_INDEX, FC_FILE, FC_SPACING, FC_SLANT, FC_WEIGHT, FC_STYLE, FC_FAMILY})
                FcObjectSetAdd(objects, property);
            FcFontSet *fonts = FcFontList(nullptr, pattern, objects);
            FcObjectSetDestroy(objects);
            return fonts;
        };
        FcPattern *all = FcPatternCreate();
        FcPattern *family = FcNameParse(reinterpret_cast<const FcChar8 *>("DejaVu Sans"));
        FontMatches::listFontsAhead();
        FcFontSet *familyFaces = list(family);
        QVERIFY(!FontMatches::listHandedOver());
        FcFontSet *handed = list(all);
        QVERIFY(FontMatches::listHandedOver());
        FcFontSet *own = list(all);
        QVERIFY(familyFaces && handed && own && handed != own);
        QVERIFY(familyFaces->nfont < own->nfont);
        QCOMPARE(handed->nfont, own->nfont);
        for (int i = 0; i < own->nfont; ++i)
            QVERIFY(FcPatternEqual(handed->fonts[i], own->fonts[i]));

        // Exact, territory-only and missing answers, a language fontconfig has no table of, and a
        // language asked in a buffer that then holds another.
        const char *languages[] = {"en", "zh-cn", "zh-tw", "zh-hk", "ja", "ko", "he", "ar",    "th",   "vi",
                                   "el", "ru",    "hy",    "ka",    "km", "si", "bo", "mn-cn", "xx-yy"};
        char buffer[8] = "de";
        const auto languagesOf = [](const FcFontSet *fonts, int i) {
            FcLangSet *set = nullptr;
            FcPatternGetLangSet(fonts->fonts[i], FC_LANG, 0, &set);
            return set;
        };
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < own->nfont; ++i) {
                const FcLangSet *handedSet = languagesOf(handed, round == 0 ? i : own->nfont - 1 - i);
                const FcLangSet *ownSet = languagesOf(own, round == 0 ? i : own->nfont - 1 - i);
                if (!handedSet || !ownSet)
                    continue;
                for (const char *language : languages) {
                    const auto *asked = reinterpret_cast<const FcChar8 *>(language);
                    QCOMPARE(FcLangSetHasLang(handedSet, asked), FcLangSetHasLang(ownSet, asked));
                }
                std::strcpy(buffer, i % 2 ? "de" : "zh-sg");
                const auto *inBuffer = reinterpret_cast<const FcChar8 *>(buffer);
                QCOMPARE(FcLangSetHasLang(handedSet, inBuffer), FcLangSetHasLang(ownSet, inBuffer));
            }
            // The font database lets the list go once it has read it; it is kept until close().
            if (round == 0)
                FcFontSetDestroy(handed);
        }
        FontMatches::close();
        for (FcFontSet *fonts : {familyFaces, own})
            FcFontSetDestroy(fonts);
        FcPatternDestroy(family);
        FcPatternDestroy(all);
    }

    // Any question naming a face's file, as Qt asks when it loads any installed face, gets the
    // answer fontconfig's matching against every installed face gives.
    void fileQuestionsAnsweredAsFontconfig() {
        FcFontSet *sets[] = {FcConfigGetFonts(nullptr, FcSetSystem),
                             FcConfigGetFonts(nullptr, FcSetApplication)};
        const int setCount = sets[1] ? 2 : 1;
        QVERIFY(sets[0] && sets[0]->nfont > 0);
        for (int i = 0; i < sets[0]->nfont; ++i) {
            FcChar8 *family = nullptr;
            FcChar8 *file = nullptr;
            int index = 0;
            if (FcPatternGetString(sets[0]->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch ||
                FcPatternGetString(sets[0]->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
                continue;
            FcPatternGetInteger(sets[0]->fonts[i], FC_INDEX, 0, &index);
            FcPattern *question =
                questionAsQtAsks(QString::fromUtf8(reinterpret_cast<const char *>(family)),
                                 QByteArray(reinterpret_cast<const char *>(file)), index, 13);
            FcResult answered = FcResultNoMatch;
            FcResult matched = FcResultNoMatch;
            FcPattern *answer = FcFontMatch(nullptr, question, &answered);
            FcPattern *own = FcFontSetMatch(nullptr, sets, setCount, question, &matched);
            QCOMPARE(answered, matched);
            QVERIFY2(FcPatternEqual(answer, own), reinterpret_cast<const char *>(file));
            for (FcPattern *pattern : {question, answer, own})
                FcPatternDestroy(pattern);
        }
    }
};

QTEST_APPLESS_MAIN(FontMatchesTest)
#include "tst_font_matches.moc"
