#include "SubscriptionFile.h"

#include "model/JsonWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace SubscriptionFile {

namespace {

// One record as JsonWriter would write Subscription::toJson() inside the array, without building
// the JSON object first: saving runs after every change, so it stays cheap for long lists.
bool appendRecord(QByteArray &out, const Subscription &s) {
    const auto key = [&out](const char *name) {
        out += "\n    \"";
        out += name;
        out += "\" : ";
    };
    const auto text = [&](const char *name, QStringView value) {
        key(name);
        JsonWriter::appendString(out, value);
        out += ',';
    };
    out += "  {";
    key("amount");
    if (!JsonWriter::appendNumber(out, s.amount))
        return false;
    out += ',';
    text("billingType", rawValue(s.billingType));
    text("category", s.category);
    text("currency", s.currency);
    text("cycle", rawValue(s.cycle));
    text("id", uuidText(s.id));
    key("isActive");
    out += s.isActive ? "true," : "false,";
    text("name", s.name);
    text("notes", s.notes);
    key("startDate");
    // Only years 0001 to 9999 have the form the loader reads; writing any other would leave a file
    // that does not load.
    const int year = s.startDate.toUTC().date().year();
    if (year < 1 || year > 9999)
        return false;
    JsonWriter::appendString(out, formatInternetDateTime(s.startDate));
    out += "\n  }";
    return true;
}

} // namespace

std::optional<QByteArray> encode(const QList<Subscription> &subscriptions) {
    if (subscriptions.isEmpty())
        return QByteArrayLiteral("[]\n");
    QByteArray out;
    out.reserve(subscriptions.size() * 320);
    out += '[';
    for (qsizetype i = 0; i < subscriptions.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        if (!appendRecord(out, subscriptions[i]))
            return std::nullopt;
    }
    out += "\n]\n";
    return out;
}

namespace {

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF), without byte-order
// marks or noncharacters, whose reading is best left to the JSON parser.
bool isPlainUtf8(QByteArrayView bytes) {
    static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const auto *const end = p + bytes.size();
    while (p != end) {
        const uchar lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int follow = 0;
        char32_t c = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            c = lead & 0x07;
        } else {
            return false;
        }
        if (end - p <= follow)
            return false;
        for (int k = 1; k <= follow; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[k] & 0x3F);
        }
        if (c < least[follow] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF ||
            (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE)
            return false;
        p += follow + 1;
    }
    return true;
}

// Reads the list in the form this program writes it: an array of objects with the ten keys once each,
// strings, numbers, true and false. The records come straight from the text, without a JSON document
// in between, which saves most of the time and memory a long list takes to load. Whatever is not in
// that form, valid or not (other keys, null, a surrogate escape, a byte-order mark, a number out of
// range, a record that does not decode), gets no answer: the JSON parser reads it, so that both read
// every text the same way.
class PlainListReader {
public:
    explicit PlainListReader(const QByteArray &bytes)
        : m_at(bytes.constData())
        , m_end(bytes.constData() + bytes.size())
        , m_mostRecords(countOf('{', bytes)) {}

    std::optional<QList<Subscription>> read() {
        QList<Subscription> list;
        list.reserve(m_mostRecords);
        if (!take('['))
            return std::nullopt;
        if (!next(']')) {
            do {
                auto record = readRecord();
                if (!record)
                    return std::nullopt;
                list.append(std::move(*record));
            } while (take(','));
        }
        if (!take(']'))
            return std::nullopt;
        skipSpace();
        if (m_at != m_end)
            return std::nullopt;
        return list;
    }

private:
    // memchr() steps over the long runs between two braces many bytes at a time, where
    // QByteArray::count() looks at every byte.
    static qsizetype countOf(char c, const QByteArray &bytes) {
        qsizetype count = 0;
        const char *at = bytes.constData();
        const char *const end = at + bytes.size();
        while ((at = static_cast<const char *>(std::memchr(at, c, size_t(end - at))))) {
            ++count;
            ++at;
        }
        return count;
    }

    void skipSpace() {
        // Every byte between two values of a written list is looked at here: one test each.
        static constexpr auto space = [] {
            std::array<bool, 256> table{};
            for (const uchar c : {' ', '\n', '\r', '\t'})
                table[c] = true;
            return table;
        }();
        while (m_at != m_end && space[uchar(*m_at)])
            ++m_at;
    }

    bool next(char c) {
        skipSpace();
        return m_at != m_end && *m_at == c;
    }

    bool take(char c) {
        if (!next(c))
            return false;
        ++m_at;
        return true;
    }

    std::optional<Subscription> readRecord() {
        if (!take('{'))
            return std::nullopt;
        Subscription::StoredValues values;
        using Values = Subscription::StoredValues;
        static constexpr std::pair<QLatin1StringView, QString Values::*> texts[] = {
            {QLatin1StringView("id"), &Values::id},
            {QLatin1StringView("name"), &Values::name},
            {QLatin1StringView("currency"), &Values::currency},
            {QLatin1StringView("billingType"), &Values::billingType},
            {QLatin1StringView("cycle"), &Values::cycle},
            {QLatin1StringView("startDate"), &Values::startDate},
            {QLatin1StringView("category"), &Values::category},
            {QLatin1StringView("notes"), &Values::notes},
        };
        // The id and the start date are read straight from the file's bytes when they are plain ASCII.
        std::optional<QUuid> id;
        std::optional<QDateTime> startDate;
        bool idRead = false;
        bool startDateRead = false;
        constexpr int amountBit = std::size(texts);
        constexpr int activeBit = amountBit + 1;
        constexpr unsigned allKeys = (1u << (activeBit + 1)) - 1;
        unsigned seen = 0;
        do {
            const auto key = readKey();
            if (!key || !take(':'))
                return std::nullopt;
            int bit = -1;
            bool read = false;
            if (*key == QLatin1StringView("amount")) {
                bit = amountBit;
                read = readNumber(values.amount);
            } else if (*key == QLatin1StringView("isActive")) {
                bit = activeBit;
                read = readBool(values.isActive);
            } else {
                for (int i = 0; i < amountBit && bit < 0; ++i) {
                    if (*key != texts[i].first)
                        continue;
                    bit = i;
                    const bool parsed = i == idField || i == startDateField;
                    if (const auto ascii = parsed ? readPlainAscii() : std::nullopt) {
                        read = true;
                        if (i == idField) {
                            id = parseUuid(*ascii);
                            idRead = true;
                        } else {
                            startDate = parseInternetDateTime(*ascii);
                            startDateRead = true;
                        }
                    } else {
                        read = readString(values.*texts[i].second, repeats(i) ? &m_recent[i] : nullptr);
                    }
                }
            }
            if (bit < 0 || !read || (seen & (1u << bit)))
                return std::nullopt;
            seen |= 1u << bit;
        } while (take(','));
        if (!take('}') || seen != allKeys)
            return std::nullopt;
        if (!idRead)
            id = parseUuid(values.id);
        if (!startDateRead)
            startDate = parseInternetDateTime(values.startDate);
        return Subscription::fromStoredValues(std::move(values), id, startDate);
    }

    // A key of plain ASCII letters, without escapes.
    std::optional<QLatin1StringView> readKey() {
        if (!take('"'))
            return std::nullopt;
        const char *const start = m_at;
        while (m_at != m_end && *m_at != '"') {
            const auto c = uchar(*m_at);
            if (c < 0x20 || c >= 0x80 || c == '\\')
                return std::nullopt;
            ++m_at;
        }
        if (m_at == m_end)
            return std::nullopt;
        return QLatin1StringView(start, m_at++);
    }

    // The texts a field had in the last records, as they stand in the file: the few currencies,
    // categories, cycles and types of a long list are converted once and then shared.
    struct RecentTexts {
        static constexpr int kept = 8;
        std::array<QByteArrayView, kept> raw{};
        std::array<QString, kept> text{};
        int next = 0;

        const QString *find(QByteArrayView bytes) const {
            for (int i = 0; i < kept; ++i) {
                if (raw[i].size() == bytes.size() && raw[i].data() &&
                    std::memcmp(raw[i].data(), bytes.data(), size_t(bytes.size())) == 0)
                    return &text[i];
            }
            return nullptr;
        }
        void keep(QByteArrayView bytes, const QString &value) {
            raw[next] = bytes;
            text[next] = value;
            next = (next + 1) % kept;
        }
    };

    bool readString(QString &out, RecentTexts *recent = nullptr) {
        if (!take('"'))
            return false;
        const char *const start = m_at;
        // Most texts hold no escape: the first quote ends them, and their bytes are checked in one
        // pass.
        const auto *quote = static_cast<const char *>(std::memchr(start, '"', size_t(m_end - start)));
        if (!quote)
            return false;
        bool control = false;
        bool backslash = false;
        uchar bits = 0;
        for (const char *p = start; p != quote; ++p) {
            const auto c = uchar(*p);
            control |= c < 0x20;
            backslash |= c == '\\';
            bits |= c;
        }
        bool ascii = bits < 0x80;
        bool escaped = backslash;
        if (!backslash) {
            if (control)
                return false;
            m_at = quote;
        } else {
            ascii = true;
            for (; m_at != m_end && *m_at != '"'; ++m_at) {
                const auto c = uchar(*m_at);
                if (c < 0x20)
                    return false;
                if (c >= 0x80)
                    ascii = false;
                if (c == '\\') {
                    // The escaped character cannot end the string.
                    if (++m_at == m_end)
                        return false;
                }
            }
            if (m_at == m_end)
                return false;
        }
        const QByteArrayView raw(start, m_at++);
        if (!escaped && recent) {
            if (const QString *known = recent->find(raw)) {
                out = *known;
                return true;
            }
        }
        if (!ascii && !isPlainUtf8(raw))
            return false;
        QString text = ascii ? QString::fromLatin1(raw) : QString::fromUtf8(raw);
        if (!escaped) {
            if (recent)
                recent->keep(raw, text);
            out = std::move(text);
            return true;
        }
        // Escapes are ASCII, and no byte of a multi-byte UTF-8 character is a backslash: every
        // backslash of the text starts an escape.
        out.clear();
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u'\\') {
                out += text[i];
                continue;
            }
            switch (text[++i].unicode()) {
            case u'"':
            case u'\\':
            case u'/':
                out += text[i];
                break;
            case u'b':
                out += u'\b';
                break;
            case u'f':
                out += u'\f';
                break;
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            case u't':
                out += u'\t';
                break;
            case u'u': {
                if (i + 4 >= text.size())
                    return false;
                char16_t code = 0;
                for (const QChar digit : QStringView(text).sliced(i + 1, 4)) {
                    const char16_t d = digit.unicode();
                    const char16_t lower = d | 0x20;
                    if (d >= u'0' && d <= u'9')
                        code = char16_t(code * 16 + (d - u'0'));
                    else if (lower >= u'a' && lower <= u'f')
                        code = char16_t(code * 16 + (lower - u'a' + 10));
                    else
                        return false;
                }
                if (QChar::isSurrogate(code))
                    return false;
                out += QChar(code);
                i += 4;
                break;
            }
            default:
                return false;
            }
        }
        return true;
    }

    // A number as JSON writes it. The parser reads a negative zero, "-0" or "-0.0", as 0.
    bool readNumber(double &out) {
        skipSpace();
        const char *p = m_at;
        const auto digits = [&p, this] {
            const char *const first = p;
            while (p != m_end && *p >= '0' && *p <= '9')
                ++p;
            return p != first;
        };
        if (p != m_end && *p == '-')
            ++p;
        if (p != m_end && *p == '0')
            ++p;
        else if (p == m_end || *p < '1' || *p > '9' || !digits())
            return false;
        if (p != m_end && *p == '.') {
            ++p;
            if (!digits())
                return false;
        }
        if (p != m_end && (*p == 'e' || *p == 'E')) {
            ++p;
            if (p != m_end && (*p == '+' || *p == '-'))
                ++p;
            if (!digits())
                return false;
        }
        double value = 0;
        const auto [end, error] = std::from_chars(m_at, p, value);
        // Out of range, and the tiny numbers near it, are the parser's to judge.
        if (error != std::errc() || end != p || (value != 0 && !std::isnormal(value)))
            return false;
        out = value == 0 ? 0.0 : value;
        m_at = p;
        return true;
    }

    bool readBool(bool &out) {
        skipSpace();
        const QByteArrayView rest(m_at, m_end);
        for (const bool literal : {true, false}) {
            const QByteArrayView text = literal ? QByteArrayView("true") : QByteArrayView("false");
            if (rest.startsWith(text)) {
                out = literal;
                m_at += text.size();
                return true;
            }
        }
        return false;
    }

    // Ids, names and start dates differ from record to record; the other texts repeat.
    static constexpr int idField = 0;
    static constexpr int startDateField = 5;
    static constexpr bool repeats(int field) { return field >= 2 && field != startDateField; }

    // A string of printable ASCII without escapes, as it stands in the file; any other string is left
    // unread.
    std::optional<QLatin1StringView> readPlainAscii() {
        const char *const before = m_at;
        if (!take('"'))
            return std::nullopt;
        const char *const start = m_at;
        for (; m_at != m_end && *m_at != '"'; ++m_at) {
            const auto c = uchar(*m_at);
            if (c < 0x20 || c >= 0x80 || c == '\\') {
                m_at = before;
                return std::nullopt;
            }
        }
        if (m_at == m_end) {
            m_at = before;
            return std::nullopt;
        }
        return QLatin1StringView(start, m_at++);
    }

    const char *m_at;
    const char *const m_end;
    const qsizetype m_mostRecords;
    std::array<RecentTexts, 8> m_recent;
};

} // namespace

std::optional<QList<Subscription>> decode(const QByteArray &bytes) {
    if (auto list = PlainListReader(bytes).read())
        return list;
    return decodeDocument(bytes);
}

std::optional<QList<Subscription>> decodeDocument(const QByteArray &bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<Subscription> subscriptions;
    subscriptions.reserve(array.size());
    for (const QJsonValue &value : array) {
        auto subscription = Subscription::fromJson(value);
        if (!subscription)
            return std::nullopt;
        subscriptions.append(std::move(*subscription));
    }
    return subscriptions;
}

LoadResult load(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {LoadStatus::missing, {}, {}};
    // Only a regular file is read: opening a pipe would block the start, and a device may never end.
    if (!info.isFile() || info.size() > maxFileBytes)
        return {LoadStatus::unreadable, {}, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {LoadStatus::unreadable, {}, {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {LoadStatus::unreadable, {}, {}};
    auto subscriptions = decode(bytes);
    if (!subscriptions)
        return {LoadStatus::unreadable, {}, bytes};
    return {LoadStatus::loaded, std::move(*subscriptions), bytes};
}

QString stagingPath(const QString &path) {
    const QFileInfo info(path);
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving");
}

namespace {

// The file a save replaces: the end of a chain of symbolic links, so that a link the user made stays
// a link. The path itself when the chain loops.
QString replacedFile(const QString &path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

} // namespace

SaveResult writeAtomically(const QString &path, const QByteArray &bytes, WaitForDisk wait) {
    // The new content goes to a staging file of a fixed name beside the file, which rename(2) then
    // moves over it. A save interrupted at any point leaves the old file whole and at most that one
    // staging file, which the next save reuses. (QSaveFile leaves a randomly named copy behind when
    // killed between linking its temporary file in and renaming it, so such copies pile up.)
    const QString target = replacedFile(path);
    const QString staging = stagingPath(target);
    QFile file(staging);
    // Unbuffered, so that every short write shows here; truncating drops what an interrupted save left.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return SaveResult::failure(file.errorString());
    if (QFileInfo::exists(target))
        file.setPermissions(QFile::permissions(target));
    QString failure;
    if (file.write(bytes) != bytes.size())
        failure = file.errorString();
    else if (wait == WaitForDisk::yes && ::fsync(file.handle()) != 0)
        failure = qt_error_string(errno);
    file.close();
    if (failure.isEmpty() && file.error() != QFileDevice::NoError)
        failure = file.errorString();
    if (failure.isEmpty() &&
        ::rename(QFile::encodeName(staging).constData(), QFile::encodeName(target).constData()) != 0)
        failure = qt_error_string(errno);
    if (failure.isEmpty())
        return SaveResult::success();
    QFile::remove(staging);
    return SaveResult::failure(failure);
}

std::optional<QString> setAside(const QString &path, const QDateTime &now) {
    const QString stamp = now.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'");
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    if (!QFile::rename(path, target))
        return std::nullopt;
    return target;
}

} // namespace SubscriptionFile
