#include "LatinReader.h"

#include "SignShapes.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#ifdef _OPENMP
#include <omp.h>
#endif

LatinReader::LatinReader() = default;

LatinReader::~LatinReader() {
    if (m_api)
        m_api->End();
}

void LatinReader::releaseCaches() {
    tesseract::TessBaseAPI::ClearPersistentCache();
}

QString LatinReader::tessdataPath() {
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    return prefix.isEmpty() ? QStringLiteral("/usr/share/tesseract-ocr/5/tessdata") : prefix;
}

bool LatinReader::isWord(const QString &word) const {
    return m_api && !word.isEmpty() && m_api->IsValidWord(word.toUtf8().constData()) != 0;
}

QString LatinReader::readLine(const QImage &line) {
    if (line.isNull() || line.format() != QImage::Format_Grayscale8)
        return {};
    if (!m_tried) {
        m_tried = true;
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        if (api->Init(tessdataPath().toLocal8Bit().constData(), "eng", tesseract::OEM_LSTM_ONLY) == 0) {
            // Tesseract otherwise writes diagnostics to stderr for odd images.
            api->SetVariable("debug_file", "/dev/null");
            api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
            m_api = std::move(api);
        }
    }
    if (!m_api)
        return {};
#ifdef _OPENMP
    // Tesseract's own threads make it several times slower on two cores. Its parallel loops ask
    // for a fixed number of threads, which only a limit on nesting levels overrides: with none
    // allowed, every parallel region runs on the calling thread alone.
    omp_set_num_threads(1);
    omp_set_max_active_levels(0);
#endif
    m_api->SetImage(line.constBits(), line.width(), line.height(), 1, int(line.bytesPerLine()));
    m_api->SetSourceResolution(96);
    const std::unique_ptr<char[]> utf8(m_api->GetUTF8Text());
    QString text = utf8 ? QString::fromUtf8(utf8.get()) : QString();
    // The model has no rupee sign and reads it as the yen sign it looks like; their ink tells.
    if (text.contains(u'¥')) {
        const std::unique_ptr<tesseract::ResultIterator> symbols(m_api->GetIterator());
        qsizetype at = 0;
        if (symbols) {
            do {
                const std::unique_ptr<char[]> symbol(symbols->GetUTF8Text(tesseract::RIL_SYMBOL));
                if (!symbol || QString::fromUtf8(symbol.get()) != u"¥")
                    continue;
                at = text.indexOf(u'¥', at);
                if (at < 0)
                    break;
                int left = 0, top = 0, right = 0, bottom = 0;
                if (symbols->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom) &&
                    SignShapes::isRupee(line, SignShapes::inkAround(line, left, right)))
                    text[at] = u'₹';
                ++at;
            } while (symbols->Next(tesseract::RIL_SYMBOL));
        }
    }
    m_api->Clear();
    return text.simplified();
}
