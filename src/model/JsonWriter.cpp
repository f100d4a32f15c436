#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace JsonWriter {
namespace {

// The UTF-8 of a text without unpaired surrogates, escaped as JSON wants it.
void appendEscaped(QByteArray &out, QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    const char *begin = utf8.constData();
    const char *const end = begin + utf8.size();
    // Copy runs that need no escape in one go.
    const char *run = begin;
    for (const char *p = begin; p != end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\' && c != '/')
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            out.append(escape, sizeof escape);
        }
        }
    }
    out.append(run, end - run);
}

} // namespace

void appendString(QByteArray &out, QStringView text) {
    out += '"';
    // An unpaired surrogate has no UTF-8 form: toUtf8() would put U+FFFD in its place, and a text read
    // from a file would change on the next save. It is written as the escape it was read from.
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        appendEscaped(out, text.sliced(from, i - from));
        static constexpr char hex[] = "0123456789abcdef";
        const char16_t u = c.unicode();
        const char escape[] = {'\\',        'u', hex[u >> 12], hex[(u >> 8) & 0xF], hex[(u >> 4) & 0xF],
                               hex[u & 0xF]};
        out.append(escape, sizeof escape);
        from = i + 1;
    }
    appendEscaped(out, text.sliced(from));
    out += '"';
}

bool appendNumber(QByteArray &out, double number) {
    if (!std::isfinite(number))
        return false;
    out += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
    return true;
}

namespace {

class Writer {
public:
    explicit Writer(Layout layout)
        : m_indented(layout == Layout::indented) {}

    bool write(const QJsonValue &value, int depth) {
        switch (value.type()) {
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            m_out += "null";
            return true;
        case QJsonValue::Bool:
            m_out += value.toBool() ? "true" : "false";
            return true;
        case QJsonValue::Double: {
            return appendNumber(m_out, value.toDouble());
        }
        case QJsonValue::String:
            appendString(m_out, value.toString());
            return true;
        case QJsonValue::Array:
            return writeArray(value.toArray(), depth);
        case QJsonValue::Object:
            return writeObject(value.toObject(), depth);
        }
        return false;
    }

    QByteArray take() { return std::move(m_out); }

private:
    void newline(int depth) {
        if (!m_indented)
            return;
        m_out += '\n';
        m_out.append(depth * 2, ' ');
    }

    bool writeArray(const QJsonArray &array, int depth) {
        if (array.isEmpty()) {
            m_out += "[]";
            return true;
        }
        m_out += '[';
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0)
                m_out += ',';
            newline(depth + 1);
            if (!write(array.at(i), depth + 1))
                return false;
        }
        newline(depth);
        m_out += ']';
        return true;
    }

    bool writeObject(const QJsonObject &object, int depth) {
        if (object.isEmpty()) {
            m_out += "{}";
            return true;
        }
        QStringList keys = object.keys();
        std::sort(keys.begin(), keys.end());
        m_out += '{';
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (i > 0)
                m_out += ',';
            newline(depth + 1);
            appendString(m_out, keys.at(i));
            m_out += m_indented ? " : " : ":";
            if (!write(object.value(keys.at(i)), depth + 1))
                return false;
        }
        newline(depth);
        m_out += '}';
        return true;
    }

    QByteArray m_out;
    bool m_indented;
};

} // namespace

std::optional<QByteArray> write(const QJsonValue &value, Layout layout) {
    Writer writer(layout);
    if (!writer.write(value, 0))
        return std::nullopt;
    QByteArray out = writer.take();
    if (layout == Layout::indented)
        out += '\n';
    return out;
}

} // namespace JsonWriter
