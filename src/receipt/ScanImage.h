#pragma once

#include <QImage>

// Turns a screenshot into the image the recogniser reads best: 8-bit grey, dark text on a light
// background, text scaled to a comfortable height.
namespace ScanImage {

struct Prepared {
    QImage image;       // Format_Grayscale8, dark text on white; null when there is nothing to read
    double scale = 1;   // prepared size / original size
    int lineHeight = 0; // typical height of a line of text in `image`
    bool wasInverted = false;
    // Where two fills of `image` meet side by side (a sidebar, a panel or a card ends): 255 where
    // the shade of the fill nearest to the pixels a little to the left and to the right of a pixel
    // differs plainly, 0 elsewhere. Null when the fills were not told apart.
    QImage edges;
};

struct Options {
    // Make panels and cards of every shade plain white around their text.
    bool flatten = true;
    // Paint icons and window buttons white; turn buttons into dark text on white.
    bool clearGraphics = true;
    // The height in pixels that text lines are scaled to for recognition.
    int targetLineHeight = 40;
};
// Larger images are scaled down first.
inline constexpr qint64 maxPreparedPixels = 16'000'000;

Prepared prepare(const QImage &image, const Options &options = {});

// Makes the background of dark-on-light text white wherever it is lighter than the text, using
// the brightest value within `radius` pixels as the local background.
void flattenBackground(QImage &grey, int radius);

// Makes every fill of the page white (the page, cards, panels, buttons, the dimmed margin around a
// dialog) and its text dark, read against that fill's own shade and polarity.
// `edges`, when given, gets where two fills meet side by side (see Prepared::edges).
void flattenRegions(QImage &grey, int lineHeight, QImage *edges = nullptr);

// Removes what is drawn but not written on a flattened image: icons, avatars and window buttons
// are painted white, buttons become dark text on white.
void clearGraphics(QImage &grey, int lineHeight);

// Whether the text of the image is mostly lighter than the paper it stands on, as in a dark-mode
// screenshot.
bool hasDarkBackground(const QImage &grey);

// The typical height of the text lines in a grey image with dark text on a light background: the
// median height of the runs of rows with ink; 0 when no line is found.
int typicalLineHeight(const QImage &grey);

} // namespace ScanImage
