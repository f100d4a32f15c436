#include "CurrencyRates.h"

#include <array>

namespace CurrencyRates {
namespace {

struct Entry {
    QStringView code;
    double toCNY;
    QStringView symbol;
};

constexpr std::array<Entry, 6> toCNYTable{{
    {u"CNY", 1.0, u"¥"},
    {u"USD", 7.2, u"$"},
    {u"EUR", 7.8, u"€"},
    {u"HKD", 0.92, u"HK$"},
    {u"JPY", 0.048, u"¥"},
    {u"GBP", 9.1, u"£"},
}};

constexpr quint64 packed(char16_t a, char16_t b, char16_t c) {
    return quint64(a) << 32 | quint64(b) << 16 | c;
}

constexpr std::array<quint64, toCNYTable.size()> packedCodes = [] {
    std::array<quint64, toCNYTable.size()> codes{};
    for (std::size_t i = 0; i < toCNYTable.size(); ++i)
        codes[i] = packed(toCNYTable[i].code[0].unicode(), toCNYTable[i].code[1].unicode(),
                          toCNYTable[i].code[2].unicode());
    return codes;
}();

const Entry *find(const QString &code) {
    if (code.size() != 3)
        return nullptr;
    // Totals and the list order look up every record's code: an ASCII code is upper-cased by hand
    // and compared as one number, which costs far less than a case-insensitive string comparison.
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; };
    const char16_t *c = reinterpret_cast<const char16_t *>(code.constData());
    if (c[0] < 0x80 && c[1] < 0x80 && c[2] < 0x80) {
        const quint64 key = packed(upper(c[0]), upper(c[1]), upper(c[2]));
        for (std::size_t i = 0; i < packedCodes.size(); ++i) {
            if (packedCodes[i] == key)
                return &toCNYTable[i];
        }
        return nullptr;
    }
    for (const Entry &entry : toCNYTable) {
        if (entry.code.compare(code, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

} // namespace

const QStringList &supportedCurrencies() {
    static const QStringList codes = [] {
        QStringList list;
        for (const Entry &entry : toCNYTable)
            list << entry.code.toString();
        return list;
    }();
    return codes;
}

double rate(const QString &code) {
    const Entry *entry = find(code);
    return entry ? entry->toCNY : 1.0;
}

double convert(double amount, const QString &from, const QString &to) {
    return amount * rate(from) / rate(to);
}

QString symbol(const QString &code) {
    const Entry *entry = find(code);
    return entry ? entry->symbol.toString() : code;
}

} // namespace CurrencyRates
