#include "FuzzEntries.h"

#include "receipt/ReceiptParser.h"
#include "receipt/ReceiptScanner.h"
#include "receipt/ScanImage.h"

#include <QFile>
#include <QTemporaryDir>

namespace FuzzEntries {

void scanImage(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid(), "a temporary folder");
    // The scanner reads files whatever their extension, as a dropped file arrives.
    const QString path = dir.filePath(QStringLiteral("dropped"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input file is opened");
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
                   "the input file is written");
    }
    const QImage image = ReceiptScanner::loadImage(path);
    if (image.isNull())
        return;
    const qint64 pixels = qint64(image.width()) * image.height();
    FUZZ_CHECK(pixels > 0 && pixels <= ReceiptScanner::maxImagePixels, "a decoded image within the size cap");
    if (pixels > maxRecognizedPixels)
        return;
    const ScanImage::Prepared prepared = ScanImage::prepare(image);
    if (!prepared.image.isNull())
        FUZZ_CHECK(prepared.image.format() == QImage::Format_Grayscale8 &&
                       qint64(prepared.image.width()) * prepared.image.height() <=
                           ScanImage::maxPreparedPixels,
                   "the prepared image is grey and within its cap");
    const QString text = ReceiptScanner::recognizeText(image);
    (void)ReceiptParser::parse(text, fixedNow(), fixedZone());
}

} // namespace FuzzEntries
