#pragma once

#include "ImageFile.h"

#include <QImage>
#include <QString>

#include <chrono>

class LatinReader;
class TextRecognizer;

// On-device text recognition of receipt screenshots (PP-OCR recognition through OpenCV DNN, with
// Tesseract's English model for the currency signs the recogniser does not know).
// A namespace of static operations: the recognisers behind it are loaded on the first scan, kept
// for later scans, never shared by two scans at once (scans may run on several threads), and
// released once no scan has run for a while.
class ReceiptScanner {
public:
    ReceiptScanner() = delete;

    // Images larger than this are scaled down while decoding, or refused when the format cannot
    // decode at a smaller size.
    static constexpr qint64 maxImagePixels = ImageFile::maxPixels;

    // How long loaded recognisers are kept after the last scan.
    static constexpr std::chrono::milliseconds defaultIdleRelease{30'000};

    // The recognised lines of the image, each the best reading of one text line, joined with "\n"
    // in reading order. The empty text when the image is empty or nothing can be recognised.
    static QString recognizeText(const QImage &image);
    // The same with a given recogniser, which must be loaded, and Latin reader, if any (benchmarks).
    static QString recognizeText(const QImage &image, TextRecognizer &recognizer, LatinReader *latin);

    // Loads the image at `path` (see loadImage) and recognises it; the empty text when the file is
    // not a readable image.
    static QString recognizeFile(const QString &path);

    // Decodes an image file (see ImageFile::load).
    static QImage loadImage(const QString &path);

    // Where the models are read from: $RENEWLY_MODELS when set, else the folder installed beside
    // the recogniser, else the build's.
    static QString modelPath();

    // Whether a recogniser can be loaded (the models are installed). Loads one when none is yet.
    static bool isAvailable();

    // Recognisers are released this long after the last scan ends (tests shorten it).
    static void setIdleRelease(std::chrono::milliseconds delay);
    // Releases every loaded recogniser now, ends the recogniser's own threads and returns the freed
    // memory to the system, so that the code can be unloaded; false, with the recognisers in use
    // kept, while a scan runs.
    static bool releaseAll();
    // How many recognisers are loaded now.
    static int loadedRecognizers();
};
