#pragma once

#include <QByteArray>
#include <QJsonValue>

#include <optional>

// Writes JSON the way the subscription file stores it: keys of every object in sorted order, one
// per line when indented, "/" escaped as "\/", characters outside ASCII left unescaped, numbers in
// the shortest form that reads back to the same double.
namespace JsonWriter {

enum class Layout { indented, compact };

// Appends `text` as a JSON string literal.
void appendString(QByteArray &out, QStringView text);
// Appends a finite number in its shortest round-trip form; returns false, appending nothing, for
// NaN and infinities.
bool appendNumber(QByteArray &out, double number);

// Nothing when the value holds a number JSON cannot carry (NaN or an infinity).
std::optional<QByteArray> write(const QJsonValue &value, Layout layout = Layout::indented);

} // namespace JsonWriter
