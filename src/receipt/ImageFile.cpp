#include "ImageFile.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>

QImage ImageFile::load(const QString &path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // A header may promise a size the file cannot back; check before anything is allocated.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return {};
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > maxPixels) {
        // Only formats that decode at a reduced size (JPEG) are scaled; others would need the
        // whole image in memory first.
        if (!reader.supportsOption(QImageIOHandler::ScaledSize))
            return {};
        const double factor = std::sqrt(double(maxPixels) / double(pixels));
        reader.setScaledSize(
            QSize(std::max(1, int(size.width() * factor)), std::max(1, int(size.height() * factor))));
    }
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}
