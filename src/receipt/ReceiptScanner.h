#pragma once

#include "ImageFile.h"

#include <QImage>
#include <QString>

class TesseractEngine;
namespace ScanImage {
struct Options;
}

// On-device text recognition of receipt screenshots (Tesseract, Simplified Chinese and English).
// A namespace of static operations: the recognisers behind it are loaded on the first scan, kept
// for later scans, and never shared by two scans at once, so scans may run on several threads.
class ReceiptScanner {
public:
    ReceiptScanner() = delete;

    // Images larger than this are scaled down while decoding, or refused when the format cannot
    // decode at a smaller size.
    static constexpr qint64 maxImagePixels = ImageFile::maxPixels;

    // The recognised lines of the image, each the best reading of one text line, joined with "\n"
    // in reading order. The empty text when the image is empty or nothing can be recognised.
    static QString recognizeText(const QImage &image);
    // The same with a given engine, which must be loaded (benchmarks compare engine settings).
    static QString recognizeText(const QImage &image, TesseractEngine &engine,
                                 const ScanImage::Options &options);

    // Loads the image at `path` (see loadImage) and recognises it; the empty text when the file is
    // not a readable image.
    static QString recognizeFile(const QString &path);

    // Decodes an image file (see ImageFile::load).
    static QImage loadImage(const QString &path);

    // Where the models are read from: $TESSDATA_PREFIX when set, else Debian's tessdata folder.
    static QString tessdataPath();

    // Whether a recogniser can be loaded (the models are installed). Loads one when none is yet.
    static bool isAvailable();
};
