#pragma once

#include <QString>

// Clean-up of what the recogniser reads, so the text keeps what the receipt parser looks for.
namespace RecognizedText {

// One recognised line: white space collapsed and trimmed; in a number, letters that look like
// digits read as those digits ("2oo" as "200") and a separator read twice as one; in a word of
// letters, a 0 or 1 between letters read as the letter it looks like ("D0ne" as "Done"), and a
// capital I between a letter and small letters as a small l ("PIus"), and an opening bracket
// that nothing closes, before digits, as a 1 ("【2 months").
QString tidyLine(const QString &line);

// The letters of the countries whose dollars are written with them before the sign ("US$",
// "HK$"), as alternatives for a regular expression.
const QString &dollarCountries();

} // namespace RecognizedText
