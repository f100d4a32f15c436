#include "RecognizedText.h"

#include <QRegularExpression>

namespace RecognizedText {

QString tidyLine(const QString &line) {
    QString text = line.simplified();
    // The English model reads a yen sign as a capital Y.
    static const QRegularExpression yen(QStringLiteral("(?<![A-Za-z0-9])Y(?=\\s?[0-9])"));
    text.replace(yen, QStringLiteral("¥"));
    // It reads the dollar sign after "US" or "HK" as an S.
    static const QRegularExpression dollar(QStringLiteral("\\b(US|HK)S\\$?(?=\\s?[0-9])"),
                                           QRegularExpression::CaseInsensitiveOption);
    for (auto match = dollar.match(text); match.hasMatch(); match = dollar.match(text, match.capturedStart()))
        text.replace(match.capturedStart(), match.capturedLength(), match.captured(1).toUpper() + u'$');
    // A slash between Chinese characters ("元/季") is read as a bar.
    static const QRegularExpression bar(QStringLiteral("(?<=\\p{Han})\\|(?=\\p{Han})"));
    text.replace(bar, QStringLiteral("/"));
    return text;
}

} // namespace RecognizedText
