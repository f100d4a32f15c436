#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

namespace tesseract {
class TessBaseAPI;
}

// One loaded Tesseract recogniser for Simplified Chinese and English. Not thread-safe: a thread
// uses an engine alone while it recognises (ReceiptScanner hands them out).
class TesseractEngine {
public:
    struct Settings {
        QString languages = QStringLiteral("chi_sim");
        // The model that reads the Latin parts of the lines once more; none when empty.
        QString latinLanguage = QStringLiteral("eng");
        // The English reading replaces the Chinese one unless its confidence is lower by more.
        float latinConfidenceMargin = 1000;
        // The same where the Chinese model read the words as Latin text too.
        float latinDoubtMargin = 50;
        // The English model reads the whole sheet on a second thread while the Chinese one reads
        // it, instead of reading the Latin parts afterwards: faster on two cores and more
        // accurate, as it sees the words in their line.
        bool latinAlongside = true;
        // Tesseract's page segmentation mode (tesseract::PageSegMode).
        int pageSegMode = 6;
        // 1: Tesseract runs on the scanning thread alone; more: Tesseract's own OpenMP threads.
        int threads = 1;
        // Let Tesseract read poorly recognised lines a second time, inverted.
        bool tryInverted = false;
        int sourceDpi = 96;
        // Recognition is abandoned after this long (pathological images).
        int deadlineMs = 30'000;
        // Further Tesseract variables, name and value.
        QList<QPair<QByteArray, QByteArray>> variables;
    };

    explicit TesseractEngine(Settings settings);
    TesseractEngine()
        : TesseractEngine(Settings{}) {}
    ~TesseractEngine();
    TesseractEngine(const TesseractEngine &) = delete;
    TesseractEngine &operator=(const TesseractEngine &) = delete;

    // Loads the models from `tessdataPath`; false when they cannot be loaded.
    bool load(const QString &tessdataPath);
    bool isLoaded() const { return m_loaded; }

    // The lines of a prepared page (Format_Grayscale8, dark text on white, see ScanImage), each
    // as Tesseract reads it (untidied), in reading order. Empty when nothing is read or
    // recognition fails. `lineHeight` is the page's typical line height, `sheetLineHeight` the
    // height lines are scaled to for recognition.
    QStringList readLines(const QImage &page, int lineHeight, int sheetLineHeight);

    const Settings &settings() const { return m_settings; }

private:
    Settings m_settings;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    std::unique_ptr<tesseract::TessBaseAPI> m_latin;
    bool m_loaded = false;
};
