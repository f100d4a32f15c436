#include "RecognizedText.h"

namespace RecognizedText {

QString tidyLine(const QString &line) {
    return line.simplified();
}

} // namespace RecognizedText
