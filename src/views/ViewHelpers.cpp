#include "ViewHelpers.h"

#include "settings/LocalizationManager.h"
#include "views/Theme.h"

#include <QFontMetricsF>
#include <QLabel>

namespace ViewHelpers {

bool isZh() {
    return LocalizationManager::shared().isZh();
}

QLabel *makeLabel(const LabelOptions &options, QWidget *parent) {
    auto *label = new QLabel(options.text, parent);
    label->setObjectName(QString::fromLatin1(options.name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(options.wrap);
    if (options.compactLine)
        label->setFixedHeight(qCeil(options.font.pixelSize() * 1.3));
    Theme::style(label, options.font, options.color);
    return label;
}

QString elided(const QFontMetricsF &metrics, const QString &text, double advance, double width) {
    // A text holding U+009C is a list of variants, of which elidedText keeps the first.
    if (advance <= width && !text.contains(QChar(0x9c)))
        return text;
    return metrics.elidedText(text, Qt::ElideRight, width);
}

QString trimmedBlanks(const QString &text) {
    const auto isBlank = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace ViewHelpers
