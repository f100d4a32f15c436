#pragma once

#include <QByteArray>

#include <fontconfig/fontconfig.h>

// The file fontconfig matches to `pattern` after the configuration's substitutions, as the font
// database would load it, and its face index in `index`. Takes `pattern` over and destroys it.
inline QByteArray matchedFontFile(FcPattern *pattern, int *index = nullptr) {
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcChar8 *file = nullptr;
    FcPatternGetString(match, FC_FILE, 0, &file);
    if (index)
        FcPatternGetInteger(match, FC_INDEX, 0, index);
    const QByteArray path(reinterpret_cast<const char *>(file));
    FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return path;
}
