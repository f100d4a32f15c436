#include "RecognizedText.h"

#include <QRegularExpression>

namespace RecognizedText {

QString tidyLine(const QString &line) {
    QString text = line.simplified();
    // The English model reads a yen sign as a capital Y.
    static const QRegularExpression yen(QStringLiteral("(?<![A-Za-z0-9])Y(?=\\s?[0-9])"));
    text.replace(yen, QStringLiteral("¥"));
    static const QRegularExpression hongKong(QStringLiteral("\\bHKS\\$"));
    text.replace(hongKong, QStringLiteral("HK$"));
    return text;
}

} // namespace RecognizedText
