#pragma once

#include <QImage>
#include <QString>

// Reading image files for recognition. Needs only Qt Gui, so the desktop program can open dropped
// and chosen files without loading the recogniser.
namespace ImageFile {

// Images larger than this are scaled down while decoding, or refused when the format cannot
// decode at a smaller size.
inline constexpr qint64 maxPixels = 40'000'000;

// Decodes an image file, whatever its extension, without exhausting memory: a null image for
// missing, empty, truncated or fake files and for images too large to decode safely.
QImage load(const QString &path);

} // namespace ImageFile
