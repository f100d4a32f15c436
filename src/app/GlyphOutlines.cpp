#include "GlyphOutlines.h"

#include <dlfcn.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace {

using LoadFunction = FT_Error (*)(FT_Face, FT_UInt, FT_Int32);
using DoneFunction = FT_Error (*)(FT_Face);

// FreeType's own functions, which the definitions below stand in front of.
LoadFunction freetypeLoad() {
    static const auto next = reinterpret_cast<LoadFunction>(dlsym(RTLD_NEXT, "FT_Load_Glyph"));
    return next;
}

DoneFunction freetypeDone() {
    static const auto next = reinterpret_cast<DoneFunction>(dlsym(RTLD_NEXT, "FT_Done_Face"));
    return next;
}

// The load options an outline is kept for: hinting or not, by which hinter and for which rendering,
// bitmaps left out or not, and the font's advance widths or the glyphs' own. Any other option
// (rendering at once, font units, the parts of a composite glyph, colour layers, advances alone)
// goes to FreeType; FreeType's own loads from within a load ask for font units.
constexpr FT_Int32 keptOptions = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_FORCE_AUTOHINT |
                                 FT_LOAD_NO_AUTOHINT | FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH |
                                 FT_LOAD_TARGET_(15);

// A glyph loaded from a face at a size with load options.
struct Key {
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    FT_Fixed xScale = 0;
    FT_Fixed yScale = 0;
    FT_UShort xPpem = 0;
    FT_UShort yPpem = 0;
    FT_UInt glyph = 0;
    FT_Int32 options = 0;

    bool operator<(const Key &other) const {
        return std::tie(face, size, xScale, yScale, xPpem, yPpem, glyph, options) <
               std::tie(other.face, other.size, other.xScale, other.yScale, other.xPpem, other.yPpem,
                        other.glyph, other.options);
    }
};

// What a load leaves in the face's glyph slot, with the outline where it lies before it is moved to
// the place the load asked for.
struct Loaded {
    FT_Glyph_Metrics metrics{};
    FT_Fixed linearHoriAdvance = 0;
    FT_Fixed linearVertAdvance = 0;
    FT_Vector advance{};
    FT_Pos lsbDelta = 0;
    FT_Pos rsbDelta = 0;
    std::vector<FT_Vector> points = {};
    std::vector<char> tags = {};
    std::vector<short> contours = {};
    int outlineFlags = 0;
};

// The arrays a face's glyph slot holds a kept outline in, until the face's next load by FreeType.
struct Lent {
    std::vector<FT_Vector> points = {};
    std::vector<char> tags = {};
    std::vector<short> contours = {};
};

// FreeType may be called to let faces go while the program exits, after objects with static
// storage are gone: the state is never freed.
struct State {
    std::mutex lock;
    bool open = true;
    std::map<Key, Loaded> kept;
    std::map<FT_Face, Lent> lent;
    int reusedCount = 0;
};

State &state() {
    static State *const instance = new State;
    return *instance;
}

// The key of a load of `glyph` from `face` with `options`, and where the load moves the outline to;
// false when FreeType is to load it.
bool keyOf(FT_Face face, FT_UInt glyph, FT_Int32 options, Key *key, FT_Vector *delta) {
    if (!face || !face->size || !face->glyph || (options & ~keptOptions) != 0)
        return false;
    FT_Matrix matrix;
    FT_Get_Transform(face, &matrix, delta);
    if (matrix.xx != 0x10000 || matrix.yy != 0x10000 || matrix.xy != 0 || matrix.yx != 0)
        return false;
    const FT_Size_Metrics &size = face->size->metrics;
    *key = {.face = face,
            .size = face->size,
            .xScale = size.x_scale,
            .yScale = size.y_scale,
            .xPpem = size.x_ppem,
            .yPpem = size.y_ppem,
            .glyph = glyph,
            .options = options};
    return true;
}

// Copies what the load of `face`'s slot left, with its outline moved back by `delta`.
Loaded copyOf(FT_GlyphSlot slot, const FT_Vector &delta) {
    const FT_Outline &outline = slot->outline;
    Loaded loaded{.metrics = slot->metrics,
                  .linearHoriAdvance = slot->linearHoriAdvance,
                  .linearVertAdvance = slot->linearVertAdvance,
                  .advance = slot->advance,
                  .lsbDelta = slot->lsb_delta,
                  .rsbDelta = slot->rsb_delta,
                  .points = std::vector<FT_Vector>(outline.points, outline.points + outline.n_points),
                  .tags = std::vector<char>(outline.tags, outline.tags + outline.n_points),
                  .contours = std::vector<short>(outline.contours, outline.contours + outline.n_contours),
                  .outlineFlags = outline.flags};
    for (FT_Vector &point : loaded.points) {
        point.x -= delta.x;
        point.y -= delta.y;
    }
    return loaded;
}

// Gives `face`'s slot the kept load, its outline moved by `delta`, as FreeType's load leaves it.
// Called locked.
void restore(FT_Face face, const Loaded &loaded, FT_UInt glyph, const FT_Vector &delta) {
    Lent &arrays = state().lent[face];
    arrays.points = loaded.points;
    arrays.tags = loaded.tags;
    arrays.contours = loaded.contours;
    for (FT_Vector &point : arrays.points) {
        point.x += delta.x;
        point.y += delta.y;
    }
    FT_GlyphSlot slot = face->glyph;
    slot->glyph_index = glyph;
    slot->metrics = loaded.metrics;
    slot->linearHoriAdvance = loaded.linearHoriAdvance;
    slot->linearVertAdvance = loaded.linearVertAdvance;
    slot->advance = loaded.advance;
    slot->lsb_delta = loaded.lsbDelta;
    slot->rsb_delta = loaded.rsbDelta;
    slot->format = FT_GLYPH_FORMAT_OUTLINE;
    slot->num_subglyphs = 0;
    slot->subglyphs = nullptr;
    slot->outline.n_points = static_cast<short>(arrays.points.size());
    slot->outline.n_contours = static_cast<short>(arrays.contours.size());
    slot->outline.points = arrays.points.data();
    slot->outline.tags = arrays.tags.data();
    slot->outline.contours = arrays.contours.data();
    slot->outline.flags = loaded.outlineFlags;
}

} // namespace

// Qt's font engines load glyphs through the dynamic linker, which finds these definitions in the
// program first; so do FreeType's own loads from within a load, which ask for options kept for none.
extern "C" FT_Error FT_Load_Glyph(FT_Face face, FT_UInt glyph, FT_Int32 options) {
    Key key;
    FT_Vector delta{};
    const bool keepable = keyOf(face, glyph, options, &key, &delta);
    State &s = state();
    if (keepable) {
        std::lock_guard guard(s.lock);
        if (!s.open)
            return freetypeLoad()(face, glyph, options);
        if (const auto found = s.kept.find(key); found != s.kept.end()) {
            restore(face, found->second, glyph, delta);
            ++s.reusedCount;
            return FT_Err_Ok;
        }
    }
    const FT_Error error = freetypeLoad()(face, glyph, options);
    if (!keepable || error || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || face->glyph->num_subglyphs)
        return error;
    Loaded loaded = copyOf(face->glyph, delta);
    std::lock_guard guard(s.lock);
    if (s.open)
        s.kept.emplace(key, std::move(loaded));
    return error;
}

extern "C" FT_Error FT_Done_Face(FT_Face face) {
    if (face) {
        State &s = state();
        std::lock_guard guard(s.lock);
        for (auto it = s.kept.lower_bound({.face = face}); it != s.kept.end() && it->first.face == face;)
            it = s.kept.erase(it);
        if (const auto arrays = s.lent.find(face); arrays != s.lent.end()) {
            // The slot, should the face live on, no longer holds the arrays about to be freed.
            if (face->glyph && face->glyph->outline.points == arrays->second.points.data())
                face->glyph->outline = FT_Outline{};
            s.lent.erase(arrays);
        }
    }
    return freetypeDone()(face);
}

namespace GlyphOutlines {

void close() {
    State &s = state();
    std::lock_guard guard(s.lock);
    s.open = false;
    s.kept.clear();
}

int reused() {
    State &s = state();
    std::lock_guard guard(s.lock);
    return s.reusedCount;
}

} // namespace GlyphOutlines
