#pragma once

#include <QImage>
#include <QString>

#include <memory>

namespace tesseract {
class TessBaseAPI;
}

// A second reading of a piece of a line by Tesseract's English model, for the signs the line
// recogniser's dictionary lacks ("€", "£"). Loaded on the first reading it is asked for. Not
// thread-safe: it goes with one TextRecognizer.
class LatinReader {
public:
    LatinReader();
    ~LatinReader();
    LatinReader(const LatinReader &) = delete;
    LatinReader &operator=(const LatinReader &) = delete;

    // Where the model is read from: $TESSDATA_PREFIX when set, else Debian's tessdata folder.
    static QString tessdataPath();

    // Frees what Tesseract keeps for later readers (its dictionaries) that no reader uses now.
    static void releaseCaches();

    // The text of a one-line image (Format_Grayscale8, dark text on white); empty when the model
    // cannot be loaded or nothing is read.
    QString readLine(const QImage &line);

    bool isLoaded() const { return m_api != nullptr; }

    // Whether the model's dictionary holds `word` (as written, or in capitals, or capitalised);
    // false before the model is loaded.
    bool isWord(const QString &word) const;

private:
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    bool m_tried = false;
};
