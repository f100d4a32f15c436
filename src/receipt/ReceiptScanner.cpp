#include "ReceiptScanner.h"

#include "ImageFile.h"
#include "RecognizedText.h"
#include "ScanImage.h"
#include "TesseractEngine.h"

#include <QStringList>
#include <QThread>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Loaded engines not in use. A scan takes one, or loads a new one when all are busy, and gives it
// back afterwards; at most as many stay loaded as scans have overlapped (bounded by the cores).
class EnginePool {
public:
    std::unique_ptr<TesseractEngine> take() {
        {
            std::lock_guard lock(m_mutex);
            if (!m_idle.empty()) {
                auto engine = std::move(m_idle.back());
                m_idle.pop_back();
                return engine;
            }
        }
        auto engine = std::make_unique<TesseractEngine>();
        if (!engine->load(ReceiptScanner::tessdataPath()))
            return nullptr;
        return engine;
    }

    void giveBack(std::unique_ptr<TesseractEngine> engine) {
        std::lock_guard lock(m_mutex);
        if (qsizetype(m_idle.size()) < std::max(2, QThread::idealThreadCount()))
            m_idle.push_back(std::move(engine));
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<TesseractEngine>> m_idle;
};

EnginePool &pool() {
    static EnginePool instance;
    return instance;
}

} // namespace

QString ReceiptScanner::tessdataPath() {
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    return prefix.isEmpty() ? QStringLiteral("/usr/share/tesseract-ocr/5/tessdata") : prefix;
}

bool ReceiptScanner::isAvailable() {
    auto engine = pool().take();
    if (!engine)
        return false;
    pool().giveBack(std::move(engine));
    return true;
}

QString ReceiptScanner::recognizeText(const QImage &image) {
    if (image.isNull())
        return {};
    auto engine = pool().take();
    if (!engine)
        return {};
    const QString text = recognizeText(image, *engine, ScanImage::Options{});
    pool().giveBack(std::move(engine));
    return text;
}

QString ReceiptScanner::recognizeText(const QImage &image, TesseractEngine &engine,
                                      const ScanImage::Options &options) {
    const ScanImage::Prepared prepared = ScanImage::prepare(image, options);
    if (prepared.image.isNull())
        return {};
    QStringList lines;
    for (const QString &line :
         engine.readLines(prepared.image, prepared.lineHeight, options.targetLineHeight)) {
        const QString tidy = RecognizedText::tidyLine(line);
        if (!tidy.isEmpty())
            lines << tidy;
    }
    return lines.join(u'\n');
}

QImage ReceiptScanner::loadImage(const QString &path) {
    return ImageFile::load(path);
}

QString ReceiptScanner::recognizeFile(const QString &path) {
    return recognizeText(loadImage(path));
}
