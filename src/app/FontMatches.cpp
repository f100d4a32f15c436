#include "FontMatches.h"

#include <QByteArray>

#include <condition_variable>
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace {

using MatchFunction = FcPattern *(*)(FcConfig *, FcPattern *, FcResult *);

MatchFunction fontconfigMatch() {
    static const auto next = reinterpret_cast<MatchFunction>(dlsym(RTLD_NEXT, "FcFontMatch"));
    return next;
}

struct Entry {
    enum class State { waiting, working, done, skipped };
    FcPattern *question = nullptr;
    FcPattern *answer = nullptr;
    State state = State::waiting;
};

std::mutex lock;
std::condition_variable finished;
std::vector<Entry> entries;
bool open = false;
bool preparing = false;
int answeredCount = 0;

// The question Qt asks when it loads `file` (face `index`) as `family` at `pixelSize`, with the
// configuration's and the default substitutions made, as Qt makes them.
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
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
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
    FcFontSetDestroy(faces);
    return best;
}

} // namespace

// Qt's font loading calls fontconfig's FcFontMatch through the dynamic linker, which finds this
// definition in the program first.
extern "C" FcPattern *FcFontMatch(FcConfig *config, FcPattern *pattern, FcResult *result) {
    if (config == nullptr && pattern) {
        std::unique_lock guard(lock);
        if (open) {
            for (Entry &entry : entries) {
                if (entry.state == Entry::State::skipped || !FcPatternEqual(entry.question, pattern))
                    continue;
                if (entry.state == Entry::State::waiting) {
                    // Not begun yet: worked out here at once, not after the ones before it.
                    entry.state = Entry::State::skipped;
                    break;
                }
                finished.wait(guard, [&entry] { return entry.state == Entry::State::done || !open; });
                if (!open || !entry.answer)
                    break;
                ++answeredCount;
                if (result)
                    *result = FcResultMatch;
                return FcPatternDuplicate(entry.answer);
            }
        }
    }
    return fontconfigMatch()(config, pattern, result);
}

namespace FontMatches {

namespace {
// Frees the table once neither the preparing thread nor the hand-over needs it. Called locked.
void freeEntries() {
    for (const Entry &entry : entries) {
        FcPatternDestroy(entry.question);
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
        if (!file.isEmpty())
            questions.push_back(question(font.family.toUtf8(), file, known->second.second, font.pixelSize));
    }
    {
        std::lock_guard guard(lock);
        for (FcPattern *asked : questions)
            entries.push_back({asked, nullptr, Entry::State::waiting});
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
            asked = entries[i].question;
        }
        FcResult result = FcResultNoMatch;
        FcPattern *answer = fontconfigMatch()(nullptr, asked, &result);
        if (answer && result != FcResultMatch) {
            FcPatternDestroy(answer);
            answer = nullptr;
        }
        {
            std::lock_guard guard(lock);
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
}

int answered() {
    std::lock_guard guard(lock);
    return answeredCount;
}

} // namespace FontMatches
