#pragma once

#include <QString>

// Clean-up of what the recogniser reads, so the text keeps what the receipt parser looks for.
namespace RecognizedText {

// One recognised line: white space collapsed and trimmed, and currency signs that the recogniser
// is known to misread before an amount written as they stand ("Y68" as "¥68", "HKS$" as "HK$").
QString tidyLine(const QString &line);

} // namespace RecognizedText
