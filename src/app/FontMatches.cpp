#include "FontMatches.h"

#include <QByteArray>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using MatchFunction = FcPattern *(*)(FcConfig *, FcPattern *, FcResult *);
using SubstituteFunction = FcBool (*)(FcConfig *, FcPattern *, FcMatchKind);
using ListFunction = FcFontSet *(*)(FcConfig *, FcPattern *, FcObjectSet *);

// Fontconfig's own functions, which the definitions below stand in front of.
MatchFunction fontconfigMatch() {
    static const auto next = reinterpret_cast<MatchFunction>(dlsym(RTLD_NEXT, "FcFontMatch"));
    return next;
}

SubstituteFunction fontconfigSubstitute() {
    static const auto next = reinterpret_cast<SubstituteFunction>(dlsym(RTLD_NEXT, "FcConfigSubstitute"));
    return next;
}

ListFunction fontconfigList() {
    static const auto next = reinterpret_cast<ListFunction>(dlsym(RTLD_NEXT, "FcFontList"));
    return next;
}

using HasLangFunction = FcLangResult (*)(const FcLangSet *, const FcChar8 *);
using SetDestroyFunction = void (*)(FcFontSet *);
using PatternDestroyFunction = void (*)(FcPattern *);

HasLangFunction fontconfigHasLang() {
    static const auto next = reinterpret_cast<HasLangFunction>(dlsym(RTLD_NEXT, "FcLangSetHasLang"));
    return next;
}

SetDestroyFunction fontconfigSetDestroy() {
    static const auto next = reinterpret_cast<SetDestroyFunction>(dlsym(RTLD_NEXT, "FcFontSetDestroy"));
    return next;
}

PatternDestroyFunction fontconfigPatternDestroy() {
    static const auto next = reinterpret_cast<PatternDestroyFunction>(dlsym(RTLD_NEXT, "FcPatternDestroy"));
    return next;
}

// Fontconfig ranks a face from the file a question names above every face from another file before
// it compares anything else. When only one installed face comes from that file, it is the answer,
// and matching the question against that face alone gives what matching it against every face
// does: the same values, bound as strongly, with the configuration's font rules applied. Other
// questions go to fontconfig's own match.
FcPattern *matchFace(FcConfig *config, FcPattern *pattern, FcResult *result) {
    FcChar8 *file = nullptr;
    FcChar8 *otherFile = nullptr;
    if (!pattern || !result || FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetString(pattern, FC_FILE, 1, &otherFile) == FcResultMatch)
        return fontconfigMatch()(config, pattern, result);
    // Held while its faces are looked through, as fontconfig holds it: another thread may make
    // another configuration the current one meanwhile.
    FcConfig *held = FcConfigReference(config);
    if (!held)
        return fontconfigMatch()(config, pattern, result);
    FcPattern *face = nullptr;
    int faces = 0;
    for (const FcSetName name : {FcSetSystem, FcSetApplication}) {
        const FcFontSet *set = FcConfigGetFonts(held, name);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcChar8 *faceFile = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &faceFile) == FcResultMatch &&
                std::strcmp(reinterpret_cast<const char *>(file), reinterpret_cast<const char *>(faceFile)) ==
                    0) {
                face = set->fonts[i];
                ++faces;
            }
        }
    }
    FcPattern *answer = nullptr;
    FcFontSet *only = faces == 1 ? FcFontSetCreate() : nullptr;
    if (only) {
        FcPatternReference(face);
        if (FcFontSetAdd(only, face))
            answer = FcFontSetMatch(held, &only, 1, pattern, result);
        else
            FcPatternDestroy(face);
        fontconfigSetDestroy()(only);
    }
    const bool matched = only && answer;
    FcConfigDestroy(held);
    return matched ? answer : fontconfigMatch()(config, pattern, result);
}

// One value of a pattern, as it is added to another.
struct Value {
    const char *object = nullptr;
    FcValue value{};
    bool weak = false;
};

// One font's question as Qt asks it, the question after the configuration's and the default
// substitutions, and fontconfig's answer.
struct Entry {
    enum class State { waiting, working, done, skipped };
    FcPattern *asked = nullptr;
    FcPattern *substituted = nullptr;
    // The substituted question's values in the order assign() adds them, read out beforehand:
    // reading a value by its position walks its object's list from the start every time.
    std::vector<Value> values = {};
    FcPattern *answer = nullptr;
    State state = State::waiting;
};

std::mutex lock;
std::condition_variable finished;
std::vector<Entry> entries;
bool open = false;
bool preparing = false;
int answeredCount = 0;
int askedCount = 0;
// Raised by each prepare(): an entry's place is only meaningful in the table it was found in.
int generation = 0;

// Qt matches a question right after it has substituted it, in the same pattern. The pattern last
// given a worked-out substitution on this thread is remembered with its entry, so that its match
// is recognised without comparing the whole question again; any other substitution, or the
// pattern's destruction, forgets it.
struct Handed {
    const FcPattern *pattern = nullptr;
    std::size_t entry = 0;
    int generation = 0;
    int objects = 0;
};
thread_local Handed handed;

// The question Qt asks when it loads `file` (face `index`) as `family` at `pixelSize`, built as Qt
// builds it.
FcPattern *question(const QByteArray &family, const QByteArray &file, int index, double pixelSize) {
    FcPattern *pattern = FcPatternCreate();
    FcValue value;
    value.type = FcTypeString;
    value.u.s = reinterpret_cast<const FcChar8 *>(family.constData());
    FcPatternAdd(pattern, FC_FAMILY, value, FcTrue);
    value.u.s = reinterpret_cast<const FcChar8 *>(file.constData());
    FcPatternAdd(pattern, FC_FILE, value, FcTrue);
    value.type = FcTypeInteger;
    value.u.i = index;
    FcPatternAdd(pattern, FC_INDEX, value, FcTrue);
    if (pixelSize > 0.1)
        FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
    return pattern;
}

// `from`'s values in the order that makes a pattern they are added to in front, one by one, hold
// them in `from`'s order. They point into `from`.
std::vector<Value> valuesOf(const FcPattern *from) {
    std::vector<Value> values = {};
    FcPatternIter iter;
    FcPatternIterStart(from, &iter);
    while (FcPatternIterIsValid(from, &iter)) {
        const char *object = FcPatternIterGetObject(from, &iter);
        // Last value first, each put in front: adding at the end would walk the list every time.
        for (int i = FcPatternIterValueCount(from, &iter) - 1; i >= 0; --i) {
            Value value{.object = object};
            FcValueBinding binding = FcValueBindingStrong;
            if (FcPatternIterGetValue(from, &iter, i, &value.value, &binding) != FcResultMatch)
                continue;
            value.weak = binding == FcValueBindingWeak;
            values.push_back(value);
        }
        if (!FcPatternIterNext(from, &iter))
            break;
    }
    return values;
}

// Makes `to` hold the values listed by valuesOf().
void assign(FcPattern *to, const std::vector<Value> &values) {
    std::vector<QByteArray> objects;
    FcPatternIter iter;
    FcPatternIterStart(to, &iter);
    while (FcPatternIterIsValid(to, &iter)) {
        objects.emplace_back(FcPatternIterGetObject(to, &iter));
        if (!FcPatternIterNext(to, &iter))
            break;
    }
    for (const QByteArray &object : objects)
        FcPatternDel(to, object.constData());
    for (const Value &value : values) {
        if (value.weak)
            FcPatternAddWeak(to, value.object, value.value, FcFalse);
        else
            FcPatternAdd(to, value.object, value.value, FcFalse);
    }
}

// The file and the size tell most questions apart at a glance; the family lists, which the whole
// comparison starts with, are long and mostly the same.
std::pair<QByteArrayView, double> key(const FcPattern *pattern) {
    FcChar8 *file = nullptr;
    double pixelSize = 0;
    FcPatternGetString(pattern, FC_FILE, 0, &file);
    FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &pixelSize);
    return {QByteArrayView(reinterpret_cast<const char *>(file)), pixelSize};
}

// The entry whose question (as asked, or after the substitutions) is `pattern`, once it has been
// worked out; null when there is none, or it had not begun (it is then left to the caller). Called
// locked; may wait for the preparing thread.
Entry *worked(std::unique_lock<std::mutex> &guard, const FcPattern *pattern, FcPattern *Entry::*question) {
    if (!open)
        return nullptr;
    const auto asked = key(pattern);
    if (asked.first.isEmpty())
        return nullptr;
    for (Entry &entry : entries) {
        if (entry.state == Entry::State::skipped || !(entry.*question) || key(entry.*question) != asked ||
            !FcPatternEqual(entry.*question, pattern))
            continue;
        ++askedCount;
        if (entry.state == Entry::State::waiting) {
            // Not begun yet: worked out by the caller at once, not after the ones before it.
            entry.state = Entry::State::skipped;
            return nullptr;
        }
        finished.wait(guard, [&entry] { return !open || entry.state == Entry::State::done; });
        return open && entry.answer ? &entry : nullptr;
    }
    return nullptr;
}

// The file and face index of `family`'s upright face of normal width closest to `weight`, the one
// the font database settles on; empty when no such face is installed under that name.
std::pair<QByteArray, int> faceFile(const QByteArray &family, QFont::Weight weight) {
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.constData()));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcObjectSet *objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_WIDTH, nullptr);
    FcFontSet *faces = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    std::pair<QByteArray, int> best{{}, 0};
    if (!faces)
        return best;
    const int wanted = FcWeightFromOpenType(int(weight));
    int bestDistance = 0;
    for (int i = 0; i < faces->nfont; ++i) {
        FcChar8 *file = nullptr;
        int index = 0;
        int faceWeight = 0;
        int width = FC_WIDTH_NORMAL;
        if (FcPatternGetString(faces->fonts[i], FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetInteger(faces->fonts[i], FC_WEIGHT, 0, &faceWeight) != FcResultMatch)
            continue;
        FcPatternGetInteger(faces->fonts[i], FC_INDEX, 0, &index);
        FcPatternGetInteger(faces->fonts[i], FC_WIDTH, 0, &width);
        if (width != FC_WIDTH_NORMAL)
            continue;
        const int distance = qAbs(faceWeight - wanted);
        if (best.first.isEmpty() || distance < bestDistance) {
            best = {QByteArray(reinterpret_cast<const char *>(file)), index};
            bestDistance = distance;
        }
    }
    fontconfigSetDestroy()(faces);
    return best;
}

// The list of installed faces made ahead for the font database (listFontsAhead()), and the
// question it answers: no pattern, and the properties Qt's font database reads, which fontconfig
// keeps in an order of its own.
struct FontList {
    enum class State { none, listing, listed };
    State state = State::none;
    FcConfig *config = nullptr;
    FcPattern *pattern = nullptr;
    FcObjectSet *objects = nullptr;
    FcFontSet *fonts = nullptr;
    bool handedOver = false;
    bool closed = false;
};

// Reading the list, the font database asks fontconfig of every face whether it covers each of some
// thirty languages, one at a time; the faces of a family mostly cover the same languages. The faces
// of the list made ahead are sorted by the languages they cover while it is made, and each language
// is then looked up once for all the faces that cover the same ones. Each face's language set lives
// in the list, which is therefore kept until close() even once the font database has let it go.
struct LanguageAnswers {
    struct Coverage {
        const FcLangSet *languages = nullptr;
        FcChar32 hash = 0;
        // Per language asked (by its place in `asked`): fontconfig's answer, or -1 before the first
        // question.
        std::vector<signed char> answers = {};
    };
    std::vector<Coverage> coverages = {};
    // The list's language sets, each with its place in `coverages`.
    std::unordered_map<const FcLangSet *, std::size_t> coverageOf = {};
    // The languages asked about, as asked and as they read then. The font database asks about the
    // same languages in the same order for every face, so the next question is looked for first.
    std::vector<std::pair<const FcChar8 *, QByteArray>> asked = {};
    std::size_t lastAsked = 0;
    // The language set asked about last, and its place in `coverages`.
    const FcLangSet *lastLanguages = nullptr;
    std::size_t lastCoverage = 0;

    // Sorts the faces of `fonts` by the languages they cover.
    void sort(const FcFontSet *fonts) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcLangSet *languages = nullptr;
            if (FcPatternGetLangSet(fonts->fonts[i], FC_LANG, 0, &languages) != FcResultMatch || !languages)
                continue;
            const FcChar32 hash = FcLangSetHash(languages);
            const auto same = std::find_if(coverages.cbegin(), coverages.cend(), [&](const Coverage &c) {
                return c.hash == hash && FcLangSetEqual(c.languages, languages);
            });
            coverageOf.emplace(languages, std::size_t(same - coverages.cbegin()));
            if (same == coverages.cend())
                coverages.push_back({.languages = languages, .hash = hash});
        }
    }

    // The place of `language` in `asked`, which it joins if it is not there yet.
    std::size_t place(const FcChar8 *language) {
        const auto is = [this, language](std::size_t i) {
            return asked[i].first == language &&
                   std::strcmp(asked[i].second.constData(), reinterpret_cast<const char *>(language)) == 0;
        };
        if (lastAsked + 1 < asked.size() && is(lastAsked + 1))
            return ++lastAsked;
        for (std::size_t i = 0; i < asked.size(); ++i) {
            if (is(i))
                return lastAsked = i;
        }
        asked.emplace_back(language, QByteArray(reinterpret_cast<const char *>(language)));
        return lastAsked = asked.size() - 1;
    }

    // Fontconfig's answer whether `languages` covers `language`; nullopt when `languages` is not one
    // of the list's.
    std::optional<FcLangResult> answer(const FcLangSet *languages, const FcChar8 *language) {
        // The font database asks about one face's languages, then the next face's.
        if (languages != lastLanguages) {
            const auto found = coverageOf.find(languages);
            if (found == coverageOf.end())
                return std::nullopt;
            lastLanguages = languages;
            lastCoverage = found->second;
        }
        Coverage &coverage = coverages[lastCoverage];
        const std::size_t i = place(language);
        if (coverage.answers.size() <= i)
            coverage.answers.resize(asked.size(), -1);
        if (coverage.answers[i] < 0)
            coverage.answers[i] = static_cast<signed char>(fontconfigHasLang()(languages, language));
        return FcLangResult(coverage.answers[i]);
    }
};

// The list handed over to the font database, with its faces' languages sorted, until close().
struct HandedList {
    FcFontSet *fonts = nullptr;
    // The font database has let the list go: close() frees it.
    bool released = false;
    LanguageAnswers languages = {};
};

std::mutex listLock;
std::condition_variable listed;
FontList fontList;
// The faces of the list being made, sorted by the languages they cover.
LanguageAnswers listLanguages;
HandedList handedList;

// Frees what listFontsAhead() made. Called locked.
void freeList() {
    if (fontList.fonts)
        fontconfigSetDestroy()(fontList.fonts);
    if (fontList.objects)
        FcObjectSetDestroy(fontList.objects);
    if (fontList.pattern)
        FcPatternDestroy(fontList.pattern);
    fontList.fonts = nullptr;
    fontList.objects = nullptr;
    fontList.pattern = nullptr;
    fontList.state = FontList::State::none;
    listLanguages = {};
}

// Fontconfig orders a set's properties by where their copies happen to lie in memory; the list
// does not depend on their order.
bool sameObjects(const FcObjectSet *a, const FcObjectSet *b) {
    if (a->nobject != b->nobject)
        return false;
    for (int i = 0; i < a->nobject; ++i) {
        const bool found = std::any_of(b->objects, b->objects + b->nobject, [&](const char *object) {
            return std::strcmp(a->objects[i], object) == 0;
        });
        if (!found)
            return false;
    }
    return true;
}

// The list fontconfig's FcFontList() makes of every installed face with `objects` (list()), made
// as it makes it, only quicker. Fontconfig files each face under a hash of its values, which counts
// the characters of the face's character set, and lists the faces in the order of their hashes:
// counting the characters of every face takes most of its time, though the faces of one file mostly
// share one character set. Null when fontconfig names a face's file otherwise than the face does (a
// folder remapped to another, as in sandboxes), or its configuration changed meanwhile.
namespace FaceList {

// Fontconfig's bucket count: faces are listed by their hash modulo it.
constexpr FcChar32 bucketCount = 4099;

FcChar32 bitCount(FcChar32 word) {
    word -= (word >> 1) & 0x55555555u;
    word = (word & 0x33333333u) + ((word >> 2) & 0x33333333u);
    return (((word + (word >> 4)) & 0x0f0f0f0fu) * 0x01010101u) >> 24;
}

// The number of characters in `characters`. The faces of one file mostly share their character
// set, so each set is counted once.
FcChar32 characterCount(const FcCharSet *characters,
                        std::unordered_map<const FcCharSet *, FcChar32> &counted) {
    const auto known = counted.find(characters);
    if (known != counted.end())
        return known->second;
    FcChar32 map[FC_CHARSET_MAP_SIZE];
    FcChar32 next = 0;
    FcChar32 count = 0;
    for (FcChar32 page = FcCharSetFirstPage(characters, map, &next); page != FC_CHARSET_DONE;
         page = FcCharSetNextPage(characters, map, &next)) {
        for (const FcChar32 word : map)
            count += bitCount(word);
    }
    counted.emplace(characters, count);
    return count;
}

// Fontconfig's case-blind string hash over the string as its case walker folds it.
FcChar32 stringHash(const FcChar8 *s) {
    FcChar32 h = 0;
    const FcChar8 *p = s;
    for (; *p && *p < 0x80; ++p) {
        const FcChar8 c = *p >= 'A' && *p <= 'Z' ? FcChar8(*p - 'A' + 'a') : *p;
        h = ((h << 3) ^ (h >> 3)) ^ c;
    }
    if (!*p)
        return h;
    // Beyond ASCII the case walker folds by Unicode's table, as FcStrDowncase() does.
    FcChar8 *folded = FcStrDowncase(s);
    h = 0;
    for (const FcChar8 *q = folded; q && *q; ++q)
        h = ((h << 3) ^ (h >> 3)) ^ *q;
    FcStrFree(folded);
    return h;
}

FcChar32 valueHash(const FcValue &v, std::unordered_map<const FcCharSet *, FcChar32> &counted) {
    switch (v.type) {
    case FcTypeInteger:
        return FcChar32(v.u.i);
    case FcTypeDouble:
        return FcChar32(int(v.u.d));
    case FcTypeString:
        return stringHash(v.u.s);
    case FcTypeBool:
        return FcChar32(v.u.b);
    case FcTypeMatrix:
        return FcChar32(int(v.u.m->xx * 100)) ^ FcChar32(int(v.u.m->xy * 100)) ^
               FcChar32(int(v.u.m->yx * 100)) ^ FcChar32(int(v.u.m->yy * 100));
    case FcTypeCharSet:
        return characterCount(v.u.c, counted);
    case FcTypeFTFace:
        return FcChar32(reinterpret_cast<std::uintptr_t>(v.u.f));
    case FcTypeLangSet:
        return FcLangSetHash(v.u.l);
    case FcTypeRange: {
        double begin = 0;
        double end = 0;
        FcRangeGetDouble(v.u.r, &begin, &end);
        const int b = int(begin * 100);
        const int e = int(end * 100);
        return FcChar32(b ^ (b << 1) ^ (e << 9));
    }
    default:
        return 0;
    }
}

// Fontconfig's comparison of two language tags, which it keeps to itself: the same language, the
// same language in another territory, or another language; "und" (undetermined) is none of them.
FcLangResult languageComparison(const FcChar8 *a, const FcChar8 *b) {
    const auto lower = [](FcChar8 c) { return c >= 'A' && c <= 'Z' ? FcChar8(c - 'A' + 'a') : c; };
    const auto ends = [](FcChar8 c) { return c == '-' || c == '\0'; };
    FcLangResult result = FcLangDifferentLang;
    const FcChar8 *start = a;
    bool undetermined = lower(a[0]) == 'u' && lower(a[1]) == 'n' && lower(a[2]) == 'd' && ends(a[3]);
    for (;;) {
        const FcChar8 c1 = lower(*a++);
        const FcChar8 c2 = lower(*b++);
        if (c1 != c2) {
            if (!undetermined && ends(c1) && ends(c2))
                result = FcLangDifferentTerritory;
            return result;
        }
        if (!c1)
            return undetermined ? result : FcLangEqual;
        if (c1 == '-' && !undetermined)
            result = FcLangDifferentTerritory;
        if (undetermined && a - start == 4)
            undetermined = false;
    }
}

// Fontconfig's choice of the value in the user's language among a name's values in several
// languages, quirks included: a first value is only taken as the one in the language.
std::size_t languageIndex(const FcPattern *font, const char *languagesObject, const FcChar8 *language) {
    int territory = -1;
    int english = -1;
    FcValue value;
    for (int i = 0; FcPatternGet(font, languagesObject, i, &value) == FcResultMatch; ++i) {
        if (value.type != FcTypeString)
            continue;
        const FcLangResult result = languageComparison(value.u.s, language);
        if (result == FcLangEqual)
            return i;
        if (result == FcLangDifferentCountry && territory < 0)
            territory = i;
        if (english < 0 &&
            languageComparison(value.u.s, reinterpret_cast<const FcChar8 *>("en")) == FcLangEqual)
            english = i;
    }
    return std::size_t(territory > 0 ? territory : english > 0 ? english : 0);
}

// A face with its values of the objects listed, read once: object o's values are
// values[starts[o]] up to values[starts[o + 1]].
struct Face {
    const FcPattern *font = nullptr;
    FcChar32 hash = 0;
    std::vector<FcValue> values = {};
    std::vector<std::size_t> starts = {};
};

bool sameValues(const FcValue *a, const FcValue *aEnd, const FcValue *b, const FcValue *bEnd) {
    const auto within = [](const FcValue *these, const FcValue *theseEnd, const FcValue *those,
                           const FcValue *thoseEnd) {
        return std::all_of(these, theseEnd, [those, thoseEnd](const FcValue &v) {
            return std::any_of(those, thoseEnd, [&v](const FcValue &w) { return FcValueEqual(v, w); });
        });
    };
    return within(a, aEnd, b, bEnd) && within(b, bEnd, a, aEnd);
}

// Whether fontconfig would list `face` as what `other` (listed before it) already lists: the same
// values of every object, in any order.
bool sameFace(const Face &face, const Face &other) {
    if (face.hash != other.hash)
        return false;
    for (std::size_t o = 0; o + 1 < face.starts.size(); ++o) {
        const FcValue *values = face.values.data();
        const FcValue *others = other.values.data();
        if (!sameValues(values + face.starts[o], values + face.starts[o + 1], others + other.starts[o],
                        others + other.starts[o + 1]))
            return false;
    }
    return true;
}

// The listed face of `face`: its values of `objects`, the one in the user's language first.
FcPattern *listedFace(const Face &face, const FcObjectSet *objects, const FcChar8 *language) {
    FcPattern *pattern = FcPatternCreate();
    if (!pattern)
        return nullptr;
    for (int o = 0; o < objects->nobject; ++o) {
        const char *object = objects->objects[o];
        std::size_t preferred = 0;
        if (std::strcmp(object, FC_FAMILY) == 0 || std::strcmp(object, FC_FAMILYLANG) == 0)
            preferred = languageIndex(face.font, FC_FAMILYLANG, language);
        else if (std::strcmp(object, FC_FULLNAME) == 0 || std::strcmp(object, FC_FULLNAMELANG) == 0)
            preferred = languageIndex(face.font, FC_FULLNAMELANG, language);
        else if (std::strcmp(object, FC_STYLE) == 0 || std::strcmp(object, FC_STYLELANG) == 0)
            preferred = languageIndex(face.font, FC_STYLELANG, language);
        for (std::size_t i = face.starts[o]; i < face.starts[o + 1]; ++i) {
            if (!FcPatternAdd(pattern, object, face.values[i], preferred != i - face.starts[o])) {
                FcPatternDestroy(pattern);
                return nullptr;
            }
        }
    }
    return pattern;
}

// Whether fontconfig names the faces' files as the faces themselves do: it names them otherwise in
// a directory remapped to another (as sandboxes do). Asked of one face per directory.
bool filesAsNamed(FcConfig *config, const std::vector<Face> &faces) {
    FcFontSet *oneEach = FcFontSetCreate();
    if (!oneEach)
        return false;
    std::vector<QByteArray> directories;
    std::vector<QByteArray> files;
    for (const Face &face : faces) {
        FcChar8 *file = nullptr;
        if (FcPatternGetString(face.font, FC_FILE, 0, &file) != FcResultMatch)
            continue;
        const QByteArray path(reinterpret_cast<const char *>(file));
        const QByteArray directory = path.left(path.lastIndexOf('/'));
        if (std::find(directories.cbegin(), directories.cend(), directory) != directories.cend())
            continue;
        directories.push_back(directory);
        files.push_back(path);
        FcPatternReference(const_cast<FcPattern *>(face.font));
        if (!FcFontSetAdd(oneEach, const_cast<FcPattern *>(face.font)))
            FcPatternDestroy(const_cast<FcPattern *>(face.font));
    }
    FcPattern *any = FcPatternCreate();
    FcObjectSet *fileOnly = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet *named = any && fileOnly ? FcFontSetList(config, &oneEach, 1, any, fileOnly) : nullptr;
    bool same = named && named->nfont == oneEach->nfont;
    for (int i = 0; same && i < named->nfont; ++i) {
        FcChar8 *file = nullptr;
        same = FcPatternGetString(named->fonts[i], FC_FILE, 0, &file) == FcResultMatch &&
               std::find(files.cbegin(), files.cend(), QByteArray(reinterpret_cast<const char *>(file))) !=
                   files.cend();
    }
    if (named)
        fontconfigSetDestroy()(named);
    if (fileOnly)
        FcObjectSetDestroy(fileOnly);
    if (any)
        FcPatternDestroy(any);
    fontconfigSetDestroy()(oneEach);
    return same;
}

FcFontSet *listedFaces(FcConfig *config, const FcObjectSet *objects);

FcFontSet *list(FcConfig *current, const FcObjectSet *objects) {
    // FcFontList() brings the configuration up to date first; should another one be current then,
    // the list is left to fontconfig. The current one is held while its faces are read.
    if (!FcInitBringUptoDate())
        return nullptr;
    FcConfig *config = FcConfigReference(nullptr);
    FcFontSet *fonts = config && config == current ? listedFaces(config, objects) : nullptr;
    if (config)
        FcConfigDestroy(config);
    return fonts;
}

FcFontSet *listedFaces(FcConfig *config, const FcObjectSet *objects) {
    std::vector<Face> faces;
    std::unordered_map<const FcCharSet *, FcChar32> counted;
    for (const FcSetName name : {FcSetSystem, FcSetApplication}) {
        const FcFontSet *set = FcConfigGetFonts(config, name);
        for (int i = 0; set && i < set->nfont; ++i) {
            Face face{.font = set->fonts[i]};
            for (int o = 0; o < objects->nobject; ++o) {
                face.starts.push_back(face.values.size());
                FcPatternIter iter;
                if (!FcPatternFindIter(face.font, &iter, objects->objects[o]))
                    continue;
                const int count = FcPatternIterValueCount(face.font, &iter);
                for (int v = 0; v < count; ++v) {
                    FcValue value;
                    FcValueBinding binding = FcValueBindingWeak;
                    if (FcPatternIterGetValue(face.font, &iter, v, &value, &binding) != FcResultMatch)
                        continue;
                    face.hash ^= valueHash(value, counted);
                    face.values.push_back(value);
                }
            }
            face.starts.push_back(face.values.size());
            faces.push_back(std::move(face));
        }
    }
    if (!filesAsNamed(config, faces))
        return nullptr;
    // Fontconfig lists by hash bucket, and in a bucket in the order it came to the faces.
    std::stable_sort(faces.begin(), faces.end(), [](const Face &a, const Face &b) {
        return a.hash % bucketCount < b.hash % bucketCount;
    });
    FcStrSet *languages = FcGetDefaultLangs();
    FcStrList *languageList = languages ? FcStrListCreate(languages) : nullptr;
    const FcChar8 *language = languageList ? FcStrListNext(languageList) : nullptr;
    FcFontSet *fonts = language ? FcFontSetCreate() : nullptr;
    for (std::size_t i = 0; fonts && i < faces.size(); ++i) {
        bool known = false;
        for (std::size_t j = i; j-- > 0 && faces[j].hash % bucketCount == faces[i].hash % bucketCount;)
            known = known || sameFace(faces[i], faces[j]);
        if (known)
            continue;
        FcPattern *pattern = listedFace(faces[i], objects, language);
        if (!pattern || !FcFontSetAdd(fonts, pattern)) {
            if (pattern)
                FcPatternDestroy(pattern);
            fontconfigSetDestroy()(fonts);
            fonts = nullptr;
        }
    }
    if (languageList)
        FcStrListDone(languageList);
    if (languages)
        FcStrSetDestroy(languages);
    return fonts;
}

} // namespace FaceList

// FcPatternEqual() holds two empty patterns different.
bool samePattern(const FcPattern *a, const FcPattern *b) {
    return FcPatternObjectCount(a) == 0 ? FcPatternObjectCount(b) == 0 : FcPatternEqual(a, b);
}

} // namespace

// Qt's font loading calls fontconfig's FcConfigSubstitute, FcFontMatch and FcFontList through the
// dynamic linker, which finds these definitions in the program first.
extern "C" FcBool FcConfigSubstitute(FcConfig *config, FcPattern *pattern, FcMatchKind kind) {
    handed = {};
    if (config == nullptr && pattern && kind == FcMatchPattern) {
        std::unique_lock guard(lock);
        if (const Entry *entry = worked(guard, pattern, &Entry::asked)) {
            // With the default substitutions made too, which Qt's own then leave as they are.
            assign(pattern, entry->values);
            handed = {.pattern = pattern,
                      .entry = std::size_t(entry - entries.data()),
                      .generation = generation,
                      .objects = FcPatternObjectCount(pattern)};
            return FcTrue;
        }
    }
    return fontconfigSubstitute()(config, pattern, kind);
}

extern "C" FcPattern *FcFontMatch(FcConfig *config, FcPattern *pattern, FcResult *result) {
    if (config == nullptr && pattern) {
        std::unique_lock guard(lock);
        // The pattern just given its substitutions, as they were given: the entry's own question.
        const Entry *same = nullptr;
        if (handed.pattern == pattern && open && handed.generation == generation &&
            handed.entry < entries.size() && FcPatternObjectCount(pattern) == handed.objects) {
            const Entry &entry = entries[handed.entry];
            if (entry.state == Entry::State::done && entry.answer && key(pattern) == key(entry.substituted))
                same = &entry;
        }
        handed = {};
        if (const Entry *entry = same ? same : worked(guard, pattern, &Entry::substituted)) {
            ++answeredCount;
            if (result)
                *result = FcResultMatch;
            return FcPatternDuplicate(entry->answer);
        }
    }
    return matchFace(config, pattern, result);
}

extern "C" FcFontSet *FcFontList(FcConfig *config, FcPattern *pattern, FcObjectSet *objects) {
    if (config == nullptr && pattern && objects) {
        std::unique_lock guard(listLock);
        // Only once the question is known to be the same does the caller wait for the list.
        if ((fontList.state == FontList::State::listing || fontList.state == FontList::State::listed) &&
            samePattern(pattern, fontList.pattern) && sameObjects(objects, fontList.objects)) {
            listed.wait(guard, [] { return fontList.state != FontList::State::listing; });
            // A configuration made current meanwhile may list other faces.
            if (fontList.state == FontList::State::listed && fontList.fonts &&
                fontList.config == FcConfigGetCurrent()) {
                FcFontSet *fonts = std::exchange(fontList.fonts, nullptr);
                fontList.handedOver = true;
                if (!handedList.fonts)
                    handedList = {.fonts = fonts, .languages = std::move(listLanguages)};
                freeList();
                return fonts;
            }
        }
    }
    return fontconfigList()(config, pattern, objects);
}

extern "C" FcLangResult FcLangSetHasLang(const FcLangSet *languages, const FcChar8 *language) {
    if (languages && language) {
        std::lock_guard guard(listLock);
        if (handedList.fonts) {
            if (const std::optional<FcLangResult> known = handedList.languages.answer(languages, language))
                return *known;
        }
    }
    return fontconfigHasLang()(languages, language);
}

extern "C" void FcPatternDestroy(FcPattern *pattern) {
    if (pattern && pattern == handed.pattern)
        handed = {};
    fontconfigPatternDestroy()(pattern);
}

extern "C" void FcFontSetDestroy(FcFontSet *fonts) {
    if (fonts) {
        std::lock_guard guard(listLock);
        // Kept while its languages may still be asked about; freed by close(), after the first frame.
        if (fonts == handedList.fonts) {
            handedList.released = true;
            return;
        }
    }
    fontconfigSetDestroy()(fonts);
}

namespace FontMatches {

namespace {
// Frees the table once neither the preparing thread nor the hand-over needs it. Called locked.
void freeEntries() {
    for (const Entry &entry : entries) {
        FcPatternDestroy(entry.asked);
        if (entry.substituted)
            FcPatternDestroy(entry.substituted);
        if (entry.answer)
            FcPatternDestroy(entry.answer);
    }
    entries.clear();
}
} // namespace

void prepare(const QList<Font> &fonts) {
    {
        std::lock_guard guard(lock);
        if (open || preparing)
            return;
        open = true;
        preparing = true;
        ++generation;
    }
    // The questions first, so that the main thread recognises each from the start.
    std::map<std::pair<QString, int>, std::pair<QByteArray, int>> files;
    std::vector<FcPattern *> questions;
    for (const Font &font : fonts) {
        const std::pair key{font.family, int(font.weight)};
        auto known = files.find(key);
        if (known == files.end())
            known = files.emplace(key, faceFile(font.family.toUtf8(), font.weight)).first;
        const QByteArray &file = known->second.first;
        if (file.isEmpty())
            continue;
        // Weights the family has no face of are drawn with another weight's face: the same question.
        FcPattern *asked = question(font.family.toUtf8(), file, known->second.second, font.pixelSize);
        if (std::any_of(questions.cbegin(), questions.cend(),
                        [asked](const FcPattern *earlier) { return FcPatternEqual(earlier, asked); }))
            FcPatternDestroy(asked);
        else
            questions.push_back(asked);
    }
    {
        std::lock_guard guard(lock);
        for (FcPattern *asked : questions)
            entries.push_back({.asked = asked});
    }
    for (std::size_t i = 0;; ++i) {
        FcPattern *asked = nullptr;
        {
            std::lock_guard guard(lock);
            if (!open || i >= entries.size()) {
                preparing = false;
                if (!open)
                    freeEntries();
                return;
            }
            if (entries[i].state != Entry::State::waiting)
                continue;
            entries[i].state = Entry::State::working;
            asked = entries[i].asked;
        }
        FcPattern *substituted = FcPatternDuplicate(asked);
        fontconfigSubstitute()(nullptr, substituted, FcMatchPattern);
        FcDefaultSubstitute(substituted);
        FcResult result = FcResultNoMatch;
        FcPattern *answer = matchFace(nullptr, substituted, &result);
        if (answer && result != FcResultMatch) {
            FcPatternDestroy(answer);
            answer = nullptr;
        }
        std::vector<Value> values = valuesOf(substituted);
        {
            std::lock_guard guard(lock);
            entries[i].substituted = substituted;
            entries[i].values = std::move(values);
            entries[i].answer = answer;
            entries[i].state = Entry::State::done;
        }
        finished.notify_all();
    }
}

void close() {
    {
        std::lock_guard guard(lock);
        open = false;
        if (!preparing)
            freeEntries();
    }
    finished.notify_all();
    // A list still being made is freed once it is made.
    std::lock_guard guard(listLock);
    if (fontList.state == FontList::State::listing)
        fontList.closed = true;
    else
        freeList();
    // A list the font database still holds is its own to free.
    if (handedList.released)
        fontconfigSetDestroy()(handedList.fonts);
    handedList = {};
}

void listFontsAhead() {
    FcPattern *pattern = FcPatternCreate();
    FcObjectSet *objects = FcObjectSetCreate();
    if (!pattern || !objects) {
        if (pattern)
            FcPatternDestroy(pattern);
        if (objects)
            FcObjectSetDestroy(objects);
        return;
    }
    // The properties Qt's font database reads.
    for (const char *property :
         {FC_FAMILY, FC_STYLE, FC_WEIGHT, FC_SLANT, FC_SPACING, FC_FILE, FC_INDEX, FC_LANG, FC_CHARSET,
          FC_FOUNDRY, FC_SCALABLE, FC_PIXEL_SIZE, FC_WIDTH, FC_FAMILYLANG, FC_CAPABILITY})
        FcObjectSetAdd(objects, property);
    {
        std::lock_guard guard(listLock);
        if (fontList.state != FontList::State::none) {
            FcPatternDestroy(pattern);
            FcObjectSetDestroy(objects);
            return;
        }
        fontList.state = FontList::State::listing;
        fontList.closed = false;
        fontList.handedOver = false;
        fontList.config = FcConfigGetCurrent();
        fontList.pattern = pattern;
        fontList.objects = objects;
    }
    FcFontSet *fonts = FaceList::list(fontList.config, objects);
    if (!fonts)
        fonts = fontconfigList()(nullptr, pattern, objects);
    LanguageAnswers languages;
    if (fonts)
        languages.sort(fonts);
    {
        std::lock_guard guard(listLock);
        fontList.fonts = fonts;
        listLanguages = std::move(languages);
        fontList.state = FontList::State::listed;
        if (fontList.closed)
            freeList();
    }
    listed.notify_all();
}

bool listHandedOver() {
    std::lock_guard guard(listLock);
    return fontList.handedOver;
}

int answered() {
    std::lock_guard guard(lock);
    return answeredCount;
}

int asked() {
    std::lock_guard guard(lock);
    return askedCount;
}

} // namespace FontMatches
