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
    // A capital I that starts a line is read as a bracket or a bar ("[tem" for "Item").
    static const QRegularExpression capitalI(QStringLiteral("^[\\[|](?=[a-z]{2,}\\b)"));
    text.replace(capitalI, QStringLiteral("I"));
    // Or as a small l or i, in the labels that begin with it.
    static const QRegularExpression label(QStringLiteral("^[li](?=tem\\b|nvoice\\b)"));
    text.replace(label, QStringLiteral("I"));
    // It reads the J of JPY as an I or a bracket.
    static const QRegularExpression yenCode(QStringLiteral("(?<![A-Za-z])[I\\]|l]PY(?=\\s?[0-9])"));
    text.replace(yenCode, QStringLiteral("JPY"));
    // A euro sign between digits is the e of a hexadecimal number ("97e22173").
    static const QRegularExpression hexE(QStringLiteral("(?<=[0-9])€(?=[0-9])"));
    text.replace(hexE, QStringLiteral("e"));
    // A pound sign before digits that run on into hexadecimal letters is an f ("£7166a9b").
    static const QRegularExpression hexF(QStringLiteral("(?<![A-Za-z0-9])£(?=[0-9]+[a-f][0-9a-f]*\\b)"));
    text.replace(hexF, QStringLiteral("f"));
    // A slash between Chinese characters ("元/季") is read as a bar.
    static const QRegularExpression bar(QStringLiteral("(?<=\\p{Han})\\|(?=\\p{Han})"));
    text.replace(bar, QStringLiteral("/"));
    return text;
}

} // namespace RecognizedText
