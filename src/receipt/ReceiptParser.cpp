#include "ReceiptParser.h"

#include "model/BillingCalendar.h"
#include "model/Clock.h"
#include "settings/LocalizationManager.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numeric>
#include <span>
#include <tuple>

namespace ReceiptParser {
namespace {

using Keywords = std::span<const QStringView>;

// Every list is lower case; entries are tried in the order given.
// Words before a price that is taken off another one.
constexpr QStringView savingKeywords[] = {u"save", u"discount", u"省", u"优惠", u"立减", u"折扣"};
constexpr QStringView amountKeywords[] = {u"实付", u"合计",  u"金额",   u"价格", u"支付",
                                          u"总计", u"total", u"amount", u"应付", u"付款"};

constexpr QStringView yearlyKeywords[] = {u"每年",  u"年度",     u"/年",   u"年付",   u"按年",
                                          u"包年",  u"一年",     u"每 年", u"yearly", u"annual",
                                          u"/year", u"per year", u"/yr"};
constexpr QStringView quarterlyKeywords[] = {u"每季", u"季度", u"季付", u"按季", u"包季", u"quarter"};
constexpr QStringView weeklyKeywords[] = {u"每周",  u"周付",  u"按周",     u"包周",      u"weekly",
                                          u"/week", u"每 周", u"per week", u"every week"};
constexpr QStringView monthlyKeywords[] = {u"每月",  u"月度",    u"/月",    u"月付",      u"按月", u"包月",
                                           u"每 月", u"monthly", u"/month", u"per month", u"/mo"};

constexpr QStringView oneTimeKeywords[] = {u"一次性",   u"单次",    u"买断",     u"永久",     u"终身",
                                           u"one-time", u"onetime", u"lifetime", u"perpetual"};

constexpr QStringView greetingWords[] = {u"你好",   u"您好",    u"亲爱的", u"hi ",  u"hi,",
                                         u"hello",  u"dear",    u"感谢",   u"谢谢", u"thank",
                                         u"thanks", u"regards", u"敬上"};

constexpr QStringView labelWords[] = {
    u"实付",     u"合计",     u"金额",     u"价格",   u"支付",    u"总计",       u"应付",  u"付款",
    u"费用",     u"初始费用", u"最终费用", u"订单",   u"摘要",    u"详情",       u"商品",  u"交易",
    u"用户名",   u"用户",     u"时间",     u"日期",   u"续费",    u"注册",       u"发票",  u"收据",
    u"数量",     u"单价",     u"小计",     u"税",     u"状态",    u"编号",       u"total", u"amount",
    u"order",    u"date",     u"summary",  u"detail", u"invoice", u"receipt",    u"qty",   u"quantity",
    u"subtotal", u"tax",      u"price",    u"id",     u"status",  u"transaction"};

constexpr QStringView brandWords[] = {
    u"netflix",    u"spotify", u"youtube", u"disney", u"hbo",         u"chatgpt", u"openai",   u"claude",
    u"midjourney", u"gemini",  u"copilot", u"cursor", u"notion",      u"figma",   u"adobe",    u"office",
    u"icloud",     u"dropbox", u"setapp",  u"kindle", u"steam",       u"xbox",    u"bilibili", u"爱奇艺",
    u"腾讯视频",   u"优酷",    u"网易云",  u"qq音乐", u"apple music", u"百度网盘"};

constexpr QStringView planWords[] = {u"plus", u"pro",        u"premium",      u"vip",         u"会员",
                                     u"订阅", u"membership", u"套餐",         u"常规",        u"标准",
                                     u"高级", u"plan",       u"subscription", u"professional"};

constexpr QStringView aiToolKeywords[] = {u"chatgpt", u"openai", u"claude", u"gpt",   u"midjourney",
                                          u"copilot", u"gemini", u"ai",     u"cursor"};
constexpr QStringView cloudKeywords[] = {u"icloud",  u"云",   u"storage", u"drive",
                                         u"dropbox", u"网盘", u"百度网盘"};
constexpr QStringView musicKeywords[] = {u"music", u"音乐", u"spotify", u"网易云", u"qq音乐", u"apple music"};
constexpr QStringView videoKeywords[] = {u"video",    u"视频", u"影音",    u"爱奇艺",
                                         u"腾讯视频", u"优酷", u"netflix", u"bilibili",
                                         u"哔哩哔哩", u"b站",  u"youtube", u"disney"};
constexpr QStringView gameKeywords[] = {u"game", u"游戏", u"steam", u"xbox", u"ps plus"};
constexpr QStringView readingKeywords[] = {u"读", u"kindle", u"book", u"阅读"};
constexpr QStringView softwareKeywords[] = {u"软件", u"app", u"software", u"adobe", u"office", u"setapp"};

struct CategoryRule {
    QStringView category;
    Keywords keywords;
};

constexpr std::array categoryRules{
    CategoryRule{u"AI/工具", aiToolKeywords}, CategoryRule{u"云存储", cloudKeywords},
    CategoryRule{u"音乐", musicKeywords},     CategoryRule{u"影音", videoKeywords},
    CategoryRule{u"游戏", gameKeywords},      CategoryRule{u"阅读", readingKeywords},
    CategoryRule{u"软件", softwareKeywords},
};

// Plain substring search, led by the vectorised search for the keyword's first character: Qt's own
// search for short needles hashes every character, which dominates on long texts.
bool containsText(QStringView haystack, QStringView needle) {
    const qsizetype last = haystack.size() - needle.size();
    const QChar first = needle.front();
    const QStringView rest = needle.sliced(1);
    if (haystack.size() <= 64) {
        // A short line: a plain scan costs less than a call per keyword into the vectorised one.
        for (qsizetype at = 0; at <= last; ++at) {
            if (haystack[at] == first && haystack.sliced(at + 1, rest.size()) == rest)
                return true;
        }
        return false;
    }
    for (qsizetype from = 0; from <= last;) {
        const qsizetype at = haystack.indexOf(first, from);
        if (at < 0 || at > last)
            return false;
        if (haystack.sliced(at + 1, rest.size()) == rest)
            return true;
        from = at + 1;
    }
    return false;
}

bool containsAny(QStringView haystack, Keywords keywords) {
    for (QStringView keyword : keywords) {
        if (containsText(haystack, keyword))
            return true;
    }
    return false;
}

// Compiled on first use, once per process (function-local statics), and shared by all threads:
// QRegularExpression compiles under its own lock and matching a const object is thread-safe.
QRegularExpression compiled(const QString &pattern, bool caseInsensitive = false) {
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (caseInsensitive)
        options |= QRegularExpression::CaseInsensitiveOption;
    QRegularExpression re(pattern, options);
    re.optimize();
    Q_ASSERT(re.isValid());
    return re;
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Blanks, tabs and the other space characters, not line breaks.
bool isLineSpace(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

bool isGroupSpace(QChar c) {
    return c == u' ' || c == u'\u00A0' || c == u'\u2009' || c == u'\u202F';
}

// Whether a group of exactly three digits follows the mark at `at`.
bool groupOfThreeAt(const QString &text, qsizetype at) {
    const qsizetype size = text.size();
    return at + 3 < size && isAsciiDigit(text[at + 1]) && isAsciiDigit(text[at + 2]) &&
           isAsciiDigit(text[at + 3]) && (at + 4 == size || !isAsciiDigit(text[at + 4]));
}

// Whether a decimal comma and its two digits, the number's end, follow at `at`.
bool decimalCommaAt(const QString &text, qsizetype at) {
    const qsizetype size = text.size();
    return at + 2 < size && text[at] == u',' && isAsciiDigit(text[at + 1]) && isAsciiDigit(text[at + 2]) &&
           (at + 3 == size || !isAsciiDigit(text[at + 3]));
}

// Whether the euro sign follows at `at`, after a blank at most.
bool euroAt(const QString &text, qsizetype at) {
    if (at < text.size() && isLineSpace(text[at]))
        ++at;
    return at < text.size() && text[at] == u'€';
}

// Where a run of digits ending at `end` ends with the groups of three that belong to it: after
// commas or points ("1,299", "1.299"), or after blanks where a decimal comma ends the number
// ("1 299,00").
qsizetype groupedRunEnd(const QString &text, qsizetype end) {
    while (end < text.size() && (text[end] == u',' || text[end] == u'.') && groupOfThreeAt(text, end))
        end += 4;
    qsizetype spaced = end;
    while (spaced < text.size() && isGroupSpace(text[spaced]) && groupOfThreeAt(text, spaced))
        spaced += 4;
    return spaced > end && (decimalCommaAt(text, spaced) || euroAt(text, spaced)) ? spaced : end;
}

// The leftmost match of `re` at or after `from`, for a pattern that opens with a number
// (amountNumber()) followed by something that is never a digit. Such a match can only start where
// a run of digits, with its groups of three after commas, starts (from any later digit of the run
// the pattern reaches the same end of the run and fails or succeeds alike), so only those positions
// are tried, each anchored. The engine's own search would retry
// from every digit of a long run, which is quadratic when the JIT is unavailable.
// `mayFollowRun(end)` is a cheap necessary condition on what follows a run ending at `end`.
template <typename MayFollow>
QRegularExpressionMatch matchAtDigitRuns(const QRegularExpression &re, const QString &text, qsizetype from,
                                         MayFollow mayFollowRun) {
    const qsizetype size = text.size();
    qsizetype start = from;
    while (start < size) {
        while (start < size && !isAsciiDigit(text[start]))
            ++start;
        if (start >= size)
            break;
        qsizetype end = start;
        while (end < size && isAsciiDigit(text[end]))
            ++end;
        end = groupedRunEnd(text, end);
        if (mayFollowRun(end)) {
            // The text holds no unpaired surrogates (see Text), so the engine's check is skipped:
            // it would scan the rest of the text on every call.
            QRegularExpressionMatch match =
                re.match(text, start, QRegularExpression::NormalMatch,
                         QRegularExpression::AnchorAtOffsetMatchOption |
                             QRegularExpression::DontCheckSubjectStringMatchOption);
            if (match.hasMatch())
                return match;
        }
        start = end;
    }
    return {};
}

// The number of a price, in the ways prices are written:
// - digits in groups of three after commas, with one or two decimals after a point ("1,299.00");
// - groups of three after points, with two decimals after a comma or a point ("1.299,00",
//   "1.960"): no currency has three decimals, so a point before exactly three digits groups them;
// - groups of three after blanks, ended by a decimal comma ("1 299,00") or by the euro sign after
//   the number as Europe writes it ("1 299 €");
// - plain digits, with one or two decimals after a point or two after a comma ("12.5", "12,99").
// A comma before anything but a group of three or two final decimals ends the number ("$5,$7").
const QString &amountNumber() {
    static const QString number = QStringLiteral(
        R"((?:[0-9]{1,3}(?:,[0-9]{3})+(?![0-9]|,[0-9])(?:\.[0-9]{1,2})?)"
        R"(|[0-9]{1,3}(?:\.[0-9]{3}(?![0-9]))+(?:[.,][0-9]{2}(?![0-9]))?)"
        R"(|[0-9]{1,3}(?:[ \x{00A0}\x{2009}\x{202F}][0-9]{3})+(?:,[0-9]{2}(?![0-9])|(?=[^\S\n]?€)))"
        R"(|[0-9]+(?:\.[0-9]{1,2}|,[0-9]{2}(?![0-9]))?))");
    return number;
}

// Amount number texts (amountNumber()) hold ASCII digits and marks between them: a point or a
// comma before its last one or two digits is the decimal mark, every other mark groups digits.
std::optional<double> positiveFiniteNumber(QStringView number) {
    QByteArray ascii = number.toLatin1();
    const qsizetype mark = std::max(ascii.lastIndexOf('.'), ascii.lastIndexOf(','));
    const bool decimals = mark >= 0 && ascii.size() - mark - 1 <= 2;
    QByteArray digits;
    for (qsizetype i = 0; i < ascii.size(); ++i) {
        if (isAsciiDigit(QLatin1Char(ascii[i])))
            digits += ascii[i];
        else if (decimals && i == mark)
            digits += '.';
    }
    ascii = digits;
    double value = 0;
    const char *end = ascii.constData() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.constData(), end, value);
    // A number too large for a double would become infinity, and a record holding it could not be
    // written to the subscription file: such a candidate is dropped.
    if (error != std::errc() || stop != end || !std::isfinite(value) || !(value > 0))
        return std::nullopt;
    return value;
}

// Only ASCII digits convert; `std::nullopt` for anything else or a value beyond qint64.
std::optional<qint64> asciiInteger(QStringView digits) {
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits) {
        if (!isAsciiDigit(c))
            return std::nullopt;
    }
    const QByteArray ascii = digits.toLatin1();
    qint64 value = 0;
    const char *end = ascii.constData() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.constData(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// The codes the amount passes read, as alternatives for a regular expression: the program's own
// and those of other currencies, so that a price in one of those is not read as a bare number.
const QString &currencyCodes() {
    static const QString codes = QStringLiteral(
        "CNY|RMB|USD|EUR|HKD|JPY|GBP|AUD|CAD|CHF|INR|KRW|NZD|SGD|TWD|NTD|RUB|BRL|MXN|SEK|NOK|DKK|PLN|"
        "TRY|THB|IDR|MYR|VND|ZAR|AED|SAR|ILS|CZK|HUF|UAH");
    return codes;
}

// The currency of a sign and the letters written straight before it ("US$", "CN¥", "NT$"), or
// the empty text for a currency the program does not support: the dollars of other countries,
// other signs (₹, ₩, ₽ …). Letters that name no country are taken for a misreading and ignored.
QString currencyOfSymbol(QChar symbol, QStringView prefix) {
    const auto is = [prefix](QStringView letters) {
        return prefix.compare(letters, Qt::CaseInsensitive) == 0;
    };
    switch (symbol.unicode()) {
    case u'$': {
        static constexpr QStringView otherDollars[] = {u"NT", u"S",  u"SG", u"C", u"CA",
                                                       u"A",  u"AU", u"NZ", u"R", u"MX"};
        for (QStringView country : otherDollars) {
            if (prefix == country)
                return {};
        }
        return QStringLiteral("USD");
    }
    case u'€':
        return QStringLiteral("EUR");
    case u'£':
        return QStringLiteral("GBP");
    case u'¥':
    case u'￥':
        return is(u"JP") ? QStringLiteral("JPY") : QStringLiteral("CNY");
    default:
        return {};
    }
}

// The one to three letters written straight before `at` as a word's start ("NT" of "NT$"), or
// the empty text. A mark the recogniser may put between the letters and the sign ("JP?¥") is
// passed over.
QStringView signPrefix(QStringView text, qsizetype at) {
    if (at > 1 && isAsciiLetter(text[at - 2]) && !text[at - 1].isLetterOrNumber() && !text[at - 1].isSpace())
        --at;
    qsizetype start = at;
    while (start > 0 && at - start < 4 && isAsciiLetter(text[start - 1]))
        --start;
    if (start == at || at - start > 3 || (start > 0 && text[start - 1].isLetter()))
        return {};
    return text.sliced(start, at - start);
}

// The code as written in any letter case, in its canonical spelling; the empty text for a code
// of a currency the program does not support. Case folding, as the matcher uses, so that a
// look-alike such as the Kelvin sign in "HKD" still yields the plain code.
QString currencyOfCode(QStringView code) {
    static constexpr QStringView codes[] = {u"CNY", u"RMB", u"USD", u"EUR", u"HKD", u"JPY", u"GBP"};
    for (QStringView known : codes) {
        if (code.compare(known, Qt::CaseInsensitive) == 0)
            return known == u"RMB" ? QStringLiteral("CNY") : known.toString();
    }
    return {};
}

void appendCandidate(std::vector<detail::Cand> &out, const QRegularExpressionMatch &match, int numberGroup,
                     QString currency) {
    if (const auto value = positiveFiniteNumber(match.capturedView(numberGroup)))
        out.push_back({*value, std::move(currency), match.capturedStart(0)});
}

QStringView trimmedLine(QStringView line) {
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isLineSpace(line[begin]))
        ++begin;
    while (end > begin && isLineSpace(line[end - 1]))
        --end;
    return line.sliced(begin, end - begin);
}

bool hasPriceSymbol(QStringView line) {
    for (QChar c : line) {
        switch (c.unicode()) {
        case u'¥':
        case u'￥':
        case u'$':
        case u'€':
        case u'£':
            return true;
        default:
            break;
        }
    }
    return false;
}

// Whether `needle` stands in `haystack` as a word of its own where it begins or ends with a Latin
// letter: "pro" in "Pro plan" but not in "Profile", "id" in "User ID" but not in "Individual".
bool containsWord(QStringView haystack, QStringView needle) {
    const bool letterFirst = isAsciiLetter(needle.front());
    const bool letterLast = isAsciiLetter(needle.back());
    for (qsizetype from = 0;;) {
        const qsizetype at = haystack.indexOf(needle, from);
        if (at < 0)
            return false;
        const qsizetype end = at + needle.size();
        if ((!letterFirst || at == 0 || !isAsciiLetter(haystack[at - 1])) &&
            (!letterLast || end == haystack.size() || !isAsciiLetter(haystack[end])))
            return true;
        from = at + 1;
    }
}

bool containsAnyWord(QStringView haystack, Keywords keywords) {
    for (QStringView keyword : keywords) {
        if (containsWord(haystack, keyword))
            return true;
    }
    return false;
}

bool isCurrencyCode(QStringView token) {
    static const QStringList codes = currencyCodes().split(u'|');
    return token.size() == 3 && codes.contains(token);
}

bool hasCurrencySign(QStringView token) {
    for (QChar c : token) {
        if (c.category() == QChar::Symbol_Currency || c == u'￥')
            return true;
    }
    return false;
}

// The units a price is written in after its number ("180 元").
bool isCurrencyUnit(QChar c) {
    return c == u'元' || c == u'円' || c == u'块';
}

// Date, time and unit characters that count as figures, not as words, in a name line.
bool isFigureCharacter(QChar c) {
    switch (c.unicode()) {
    case u'年':
    case u'月':
    case u'日':
    case u'时':
    case u'分':
    case u'秒':
        return true;
    default:
        return isCurrencyUnit(c);
    }
}

// Letters other than date and unit characters, or characters outside the basic plane (emoji).
bool hasWordCharacter(QStringView token) {
    for (QChar c : token) {
        if ((c.isLetter() && !isFigureCharacter(c)) || c.isSurrogate())
            return true;
    }
    return false;
}

// A currency sign, a code, or a code with its number ("CNY366.00").
// The labels of the field that holds a name, written before it.
constexpr QStringView fieldLabels[] = {u"plan",     u"product",     u"item",     u"service",  u"package",
                                       u"套餐",     u"产品",        u"项目",     u"服务",     u"名称",
                                       u"服务名称", u"产品名称",    u"商品名称", u"扣费服务", u"订阅服务",
                                       u"商品",     u"description", u"商品说明", u"方案"};
// The state of an order or a subscription, written after its name.
constexpr QStringView statusWords[] = {u"selected", u"已选",      u"有效",     u"paid",      u"active",
                                       u"expired",  u"cancelled", u"canceled", u"pending",   u"已开通",
                                       u"生效中",   u"已生效",    u"已支付",   u"已完成",    u"已取消",
                                       u"已过期",   u"待支付",    u"已续费",   u"completed", u"renewed"};

// Labels of other fields, and words that follow a period ("One-time purchase", "按月订阅"), that
// make a line of their own when they head a value below them ("Account", "Document No.", "单据号").
constexpr QStringView headingWords[] = {
    u"billing", u"billed",  u"purchase", u"购买",    u"计费周期", u"计费方式",  u"续费方式",
    u"订阅",    u"account", u"账户",     u"账号",    u"单据号",   u"订单号",    u"document",
    u"no.",     u"no",      u"renews",   u"started", u"starts",   u"purchased", u"续订"};
// The words of a page's own bars and buttons ("‹ Search", "Search Account", "搜索 账户").
constexpr QStringView interfaceWords[] = {u"search", u"back",         u"help",          u"inbox",
                                          u"cancel", u"subscription", u"subscriptions", u"搜索",
                                          u"返回",   u"帮助",         u"收件箱",        u"取消订阅"};

// Text written with the given words only, run together or apart ("支付日期", "会员套餐").
bool isMadeOf(QStringView lowerText, std::initializer_list<Keywords> lists) {
    for (qsizetype pos = 0; pos < lowerText.size();) {
        qsizetype length = 0;
        for (Keywords words : lists) {
            for (QStringView word : words) {
                if (lowerText.sliced(pos).startsWith(word) && word.size() > length)
                    length = word.size();
            }
        }
        if (length == 0)
            return false;
        pos += length;
        while (pos < lowerText.size() && lowerText[pos] == u' ')
            ++pos;
    }
    return true;
}

bool isOneOf(QStringView token, Keywords words) {
    for (QStringView word : words) {
        if (token.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Letters to change, insert or delete to turn `a` into `b` (both short).
int editDistance(QStringView a, QStringView b) {
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            const bool same = a[i - 1].toLower() == b[j - 1].toLower();
            row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

// The label of the name's field, or a longer Latin one with a letter or two misread ("Produc",
// "Servlce"); framing a recogniser reads beside it ("Product:", "Produu]") is ignored.
bool isFieldLabel(QStringView token) {
    while (!token.isEmpty() && !token.back().isLetter())
        token.chop(1);
    if (isOneOf(token, fieldLabels) || token.compare(u"subscription", Qt::CaseInsensitive) == 0)
        return true;
    // A Chinese label with a word or two before it ("订阅项目", "会员套餐").
    for (QStringView label : fieldLabels) {
        if (!isAsciiLetter(label.front()) && token.size() > label.size() &&
            token.size() - label.size() <= 2 && token.endsWith(label) &&
            std::all_of(token.begin(), token.end(), [](QChar c) { return c.script() == QChar::Script_Han; }))
            return true;
    }
    if (token.size() < 5 || token.size() > 13)
        return false;
    for (QStringView label : fieldLabels) {
        if (label.size() >= 6 && isAsciiLetter(label.front()) && token.front().toLower() == label.front() &&
            editDistance(token, label) <= 2)
            return true;
    }
    return false;
}

bool isIconGlyph(QStringView token) {
    static constexpr QStringView shapes = u"OoDQIl|口回曰日田目囗";
    return token.size() == 1 &&
           (shapes.contains(token.front()) || (token.front() >= u'\u2460' && token.front() <= u'\u24ff'));
}

bool isLowerLatinWord(QStringView token) {
    if (token.size() < 2)
        return false;
    for (QChar c : token) {
        if (c < u'a' || c > u'z')
            return false;
    }
    return true;
}

// What may stand before a field's label on its row: an item of a side bar ("推荐", "最近播放") or
// an icon read as a letter or two ("Da").
bool isSideItem(QStringView token) {
    bool han = true;
    for (QChar c : token)
        han = han && c.script() == QChar::Script_Han;
    return han ? token.size() <= 4 : token.size() <= 2;
}

// An English month's name or its abbreviation, as dates write them ("20 Aug 2026", "May 3,").
bool isMonthName(QStringView token) {
    static constexpr QStringView months[] = {u"january",   u"february", u"march",    u"april",
                                             u"may",       u"june",     u"july",     u"august",
                                             u"september", u"october",  u"november", u"december"};
    while (!token.isEmpty() && (token.back() == u'.' || token.back() == u','))
        token.chop(1);
    if (token.size() < 3)
        return false;
    for (QStringView month : months) {
        if (token.size() <= month.size() &&
            (token.size() == 3 || token.size() == month.size() ||
             (token.size() == 4 && month.startsWith(u"sept"))) &&
            month.startsWith(token, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// A month's name beside a number is part of a date.
bool isDateMonth(std::span<const QStringView> tokens, size_t i) {
    if (!isMonthName(tokens[i]))
        return false;
    return (i > 0 && isAsciiDigit(tokens[i - 1].front())) ||
           (i + 1 < tokens.size() && isAsciiDigit(tokens[i + 1].front()));
}

// A price whose sign was read as a letter ("W5,710" for "₩5,710", "f99.00/year" for "£99.00/year"),
// as another mark ("#16,560") or whose code was misread ("IPY4,746"): one letter or mark, or two or
// three capitals, then digits broken by a decimal or thousands mark, or a number with its period
// ("/").
bool isMisreadPrice(QStringView token) {
    qsizetype sign = 1;
    while (sign < 3 && sign < token.size() && token[sign] >= u'A' && token[sign] <= u'Z' &&
           token[0] >= u'A' && token[0] <= u'Z')
        ++sign;
    if (token.size() < sign + 3 || !isAsciiDigit(token[sign]) || !(token[0].isLetter() || token[0] == u'#'))
        return false;
    qsizetype digits = sign + 1;
    while (digits < token.size() && isAsciiDigit(token[digits]))
        ++digits;
    if (digits == token.size())
        return false;
    const QChar after = token[digits];
    if ((after == u',' || after == u'.') && digits + 1 < token.size() && isAsciiDigit(token[digits + 1]))
        return true;
    return token.indexOf(u'/', digits) >= 0;
}

bool isPrice(QStringView token) {
    if (hasCurrencySign(token) || isCurrencyCode(token))
        return true;
    return token.size() > 3 && isAsciiDigit(token[3]) && isCurrencyCode(token.first(3));
}

// A price, a currency, a quantity's price column, a date or time, or a billing remark: where the
// name on a line ends ("Notion Plus (Monthly) 1 US$ 8.00", "优酷 酷喵VIP NT$ 1,770 /年").
// `countAllowed` is false when testing what follows a count, so that the test looks one token
// ahead at most, whatever the row holds ("1 1 1 …").
bool isFigure(std::span<const QStringView> tokens, size_t i, bool countAllowed = true) {
    const QStringView token = tokens[i];
    if (isPrice(token) || token.startsWith(u'/') || isDateMonth(tokens, i))
        return true;
    if (!isAsciiDigit(token.front())) {
        if ((token.front() == u'-' || token.front() == u'+') && token.size() > 1 && isAsciiDigit(token[1]))
            return true;
        return isMisreadPrice(token);
    }
    qsizetype digits = 0;
    while (digits < token.size() && isAsciiDigit(token[digits]))
        ++digits;
    // A count of one or two digits before a price ("1 ¥30") is a figure; "Office 365 ¥30" keeps it.
    // A number before its currency's unit is a price ("180 元 / 年").
    if (digits == token.size()) {
        if (i + 1 < tokens.size() && isCurrencyUnit(tokens[i + 1].front()))
            return true;
        return countAllowed && digits <= 2 && i + 1 < tokens.size() && isFigure(tokens, i + 1, false);
    }
    const QChar after = token[digits];
    return after == u'.' || after == u',' || after == u'-' || after == u'/' || after == u':' ||
           after == u'，' || after == u'。' || after == u'：' || isFigureCharacter(after);
}

// Framing around a name: bullets, icons, separators, quotes and punctuation, but not the "+" of
// names such as "Disney+". Characters outside the basic plane (emoji) are kept.
bool isFraming(QChar c) {
    if (c == u'+')
        return false;
    switch (c.category()) {
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
    case QChar::Symbol_Math:
    case QChar::Symbol_Modifier:
    case QChar::Symbol_Other:
        return true;
    default:
        return isLineSpace(c);
    }
}

// The keywords of the billing periods and of a one-time purchase.
constexpr Keywords remarkKeywords[] = {yearlyKeywords, quarterlyKeywords, monthlyKeywords, weeklyKeywords,
                                       oneTimeKeywords};

// A word naming a billing period or a one-time purchase ("monthly", "连续包年", "lifetime").
bool isBillingRemark(QStringView lowerWord) {
    for (Keywords words : remarkKeywords) {
        if (containsAny(lowerWord, words))
            return true;
    }
    return false;
}

bool isMisreadKeyword(QStringView word, QStringView keyword);

// A word that only names a period or a one-time purchase ("Quarterly", "连续包年", "按月订阅",
// "One-time"), not a plan named after one ("年度会员"), also a Latin one with a letter misread or
// lost ("Monthy").
bool isPeriodWord(QStringView lowerWord) {
    static constexpr QStringView joiners[] = {u"连续", u"订阅",      u"自动续费", u"purchase",
                                              u"购买", u"quarterly", u"annually"};
    if (isMadeOf(lowerWord, {yearlyKeywords, quarterlyKeywords, monthlyKeywords, weeklyKeywords,
                             oneTimeKeywords, joiners}) &&
        isBillingRemark(lowerWord))
        return true;
    for (Keywords words : remarkKeywords) {
        for (QStringView keyword : words) {
            if (isAsciiLetter(keyword.front()) && isMisreadKeyword(lowerWord, keyword))
                return true;
        }
    }
    return false;
}

// A word made of field labels only ("支付日期", "Date:").
bool isLabelToken(QStringView token) {
    while (!token.isEmpty() && (token.back() == u':' || token.back() == u'：'))
        token.chop(1);
    return !token.isEmpty() && isMadeOf(token.toString().toLower(), {labelWords});
}

bool isOpeningBracket(QChar c) {
    return c == u'(' || c == u'（' || c == u'[' || c == u'【';
}

// What a line offers as a name: the words before its figures, without leading figures (dates,
// order numbers), without a bracketed remark after them ("(Monthly)", "（连续包年）"), without
// prices and without the framing around them.
// `stated` tells whether a state followed the name ("有道大会员 已开通").
QString cleanedLine(QStringView line, bool *labelled = nullptr, bool *stated = nullptr) {
    std::vector<QStringView> tokens;
    for (qsizetype pos = 0; pos < line.size();) {
        while (pos < line.size() && isLineSpace(line[pos]))
            ++pos;
        const qsizetype start = pos;
        while (pos < line.size() && !isLineSpace(line[pos]))
            ++pos;
        if (pos > start)
            tokens.push_back(line.sliced(start, pos - start));
    }
    // Dates and numbers may lead a row before its name; a row led by a price holds no name, only
    // what is said of the price ("/mo", "每月", "起按").
    size_t first = 0;
    while (first < tokens.size() && (!hasWordCharacter(tokens[first]) || isDateMonth(tokens, first))) {
        if (isPrice(tokens[first]))
            return {};
        ++first;
    }
    if (first < tokens.size() && isPrice(tokens[first]))
        return {};
    size_t end = first + 1;
    while (end < tokens.size() && !isFigure(tokens, end))
        ++end;
    // A field's label before the name ("Plan Canva Pro", "服务名称 WPS Family"), perhaps misread
    // ("Produc Day One"), perhaps after the items of a side bar or an icon beside the field
    // ("推荐 套餐 优酷 酷喵VIP", "Da Plan Blinkist Premium").
    // A Chinese label may come split by a gap the recogniser saw between its characters ("产 品").
    const auto isHanWord = [](QStringView token) {
        return std::all_of(token.begin(), token.end(),
                           [](QChar c) { return c.script() == QChar::Script_Han; });
    };
    for (size_t at = first; at + 1 < end && at < first + 3; ++at) {
        size_t width = 0;
        if (isFieldLabel(tokens[at]))
            width = 1;
        else if (at + 2 < end && isHanWord(tokens[at]) && isHanWord(tokens[at + 1]) &&
                 isFieldLabel(QString(tokens[at].toString() + tokens[at + 1].toString())))
            width = 2;
        // Words in small letters after a Latin label go on with it ("Subscription starts").
        if (width > 0 && isAsciiLetter(tokens[at].front()) &&
            std::all_of(tokens.begin() + qsizetype(at + width), tokens.begin() + qsizetype(end),
                        [](QStringView token) { return isLowerLatinWord(token); }))
            break;
        // A bracket after it opens a remark on it, not a value: "基本套餐 (12个月)" is a plan's word
        // with its period, however wide the gap before the bracket was read.
        if (width > 0 && at + width < end && isOpeningBracket(tokens[at + width].front()))
            break;
        if (width > 0) {
            first = at + width;
            if (labelled)
                *labelled = true;
            break;
        }
        if (!isSideItem(tokens[at]))
            break;
    }
    // A dash set apart from the name opens a billing remark on it ("Grammarly Premium — Monthly",
    // "WPS 超级会员 —连续包月").
    for (size_t i = first + 1; i < end; ++i) {
        const QStringView token = tokens[i];
        if (token.front().category() != QChar::Punctuation_Dash)
            continue;
        const QStringView remark = token.size() > 1 ? token.sliced(1)
                                   : i + 1 < end    ? tokens[i + 1]
                                                    : QStringView();
        if (!remark.isEmpty() && isBillingRemark(remark.toString().toLower())) {
            end = i;
            break;
        }
    }
    // A label with its value after the name ("迅雷白金会员 开通日期 2026年3月1日") ends it, and so
    // does a state ("Netflix Premium Paid").
    // A label that closes its row stands above its value, as in a corner column ("QQ音乐 支付日期",
    // "Kagi Search Start date"). Only one: a row of them heads the columns of a table ("Description
    // Qty Amount"), and so does a Latin heading written capitalised ("Description Amount").
    const bool valueFollows = end < tokens.size();
    size_t closing = tokens.size();
    if (!valueFollows && end > first + 1 && isLabelToken(tokens[end - 1]) && !isLabelToken(tokens[end - 2]) &&
        (tokens[end - 1].front().isLower() || !isAsciiLetter(tokens[end - 1].front())))
        closing = end - 1;
    for (size_t i = first + 1; i < end; ++i) {
        if ((valueFollows && containsAnyWord(tokens[i].toString().toLower(), labelWords)) ||
            isOneOf(tokens[i], statusWords) || i == closing) {
            end = i;
            if (stated && isOneOf(tokens[i], statusWords))
                *stated = true;
            // Labels are written in sentence case ("Start date", "Order number"), names capitalise
            // every word: a capitalised word before a label in small letters opens the label.
            if (i - first > 1 && tokens[i].front().isLower() && tokens[i - 1].front().isUpper() &&
                isAsciiLetter(tokens[i].front()))
                --end;
            // A Chinese label split by a gap the recogniser saw in it ("开通 日期"): its first
            // characters stand apart before the rest.
            else if (i - first > 1 && isHanWord(tokens[i]) && isHanWord(tokens[i - 1]) &&
                     tokens[i - 1].size() <= 2 && isLabelToken(tokens[i]))
                --end;
            break;
        }
    }
    // The period or the kind of purchase written after the name ("Xmind专业版 连续包年",
    // "Flo Premium Quarterly") is said of it, not part of it; the recogniser sets it on the name's
    // row or the next one as the gaps fall.
    // Only the words before a bracket count: "会员卡（连续包月）" is a name with its remark.
    const auto isRemarkWord = [](QStringView token) {
        for (qsizetype i = 0; i < token.size(); ++i) {
            if (isOpeningBracket(token[i])) {
                token.truncate(i);
                break;
            }
        }
        return token.isEmpty() || isPeriodWord(token.toString().toLower());
    };
    while (end > first + 1 && end <= tokens.size() && isRemarkWord(tokens[end - 1]))
        --end;
    // Also when a middle dot joins it to the name ("钻石会员·连续包年").
    if (end <= tokens.size() && end > first) {
        const QStringView last = tokens[end - 1];
        const qsizetype dot = last.lastIndexOf(u'·');
        if (dot > 0 && dot + 1 < last.size() && isPeriodWord(last.sliced(dot + 1).toString().toLower()))
            tokens[end - 1] = last.first(dot);
    }
    // An app's icon or logo before the name, read as the round or square character it looks like
    // ("O Notion", "回 Gold VIP").
    if (end - first > 1 && isIconGlyph(tokens[first]))
        ++first;
    // What the end of a wrapped label or side item leaves before a name: a word in small letters
    // before capitalised ones ("methods Strava Subscription"); a brand written in small letters
    // before a single word stays ("bilibili Premium").
    if (end - first > 2 && isLowerLatinWord(tokens[first]) && tokens[first + 1].front().isUpper())
        ++first;
    QString text;
    for (size_t i = first; i < std::min(end, tokens.size()); ++i) {
        if (!text.isEmpty())
            text += u' ';
        text += tokens[i];
    }
    // A bracket that opens after the name starts a remark on it.
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isOpeningBracket(c)) {
            text.truncate(i);
            break;
        }
    }
    if (hasPriceSymbol(text)) {
        static const QRegularExpression price = compiled(QStringLiteral(R"([¥￥$€£]\s?)") + amountNumber());
        text.remove(price);
    }
    qsizetype begin = 0;
    qsizetype stop = text.size();
    while (begin < stop && isFraming(text[begin]))
        ++begin;
    while (stop > begin && isFraming(text[stop - 1]))
        --stop;
    return text.sliced(begin, stop - begin);
}

bool isHan(QChar c) {
    return c.script() == QChar::Script_Han;
}

// Chinese is written without spaces, and the gaps a recogniser sees between its characters, and
// between them and Latin words, vary with the typeface: "讯飞 学习卡" is "讯飞学习卡",
// "Evernote 会员" is "Evernote会员", "Plus · 尊享版" is "Plus·尊享版".
QString withoutSpacesInHan(const QString &name) {
    QString text;
    text.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u' ' && i > 0 && i + 1 < name.size()) {
            const QChar before = name[i - 1];
            const QChar after = name[i + 1];
            if (isHan(before) || isHan(after) || before == u'·' || after == u'·')
                continue;
        }
        text += name[i];
    }
    return text;
}

// The name as the page writes it, whatever the recogniser made of small marks: an "l" among
// capitals is an "I" ("MUBl" is "MUBI"), and a dot joining the parts of a name is a middle dot
// however it was read ("芒果TV.Premium" is "芒果TV·Premium"; "kagi.com" keeps its period).
QString normalizedName(const QString &name) {
    QString text = withoutSpacesInHan(name);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar before = i > 0 ? text[i - 1] : QChar();
        const QChar after = i + 1 < text.size() ? text[i + 1] : QChar();
        const bool capitalsBefore = i > 1 && before.isUpper() && text[i - 2].isUpper();
        if (c == u'l' && before.isUpper() && (after.isUpper() || (capitalsBefore && !after.isLetter()))) {
            text[i] = u'I';
        } else if ((c == u'.' || c == u'・' || c == u'•') && before.isLetter() && after.isLetter() &&
                   (isHan(before) || isHan(after) || (c == u'.' && after.isUpper()))) {
            text[i] = u'·';
        }
    }
    return text;
}

// The label of the name's field on a row of its own, perhaps with a word before it: "Plan",
// "Your plan", "Current plan", "当前套餐". It heads the value on the row below. Labels are written
// in sentence case; "Photography Plan" is a name, and "plan" alone ends a name wrapped onto two rows.
bool isStackedLabel(QStringView line) {
    // A blank the recogniser read inside the label ("Current pl an").
    const qsizetype gap = line.lastIndexOf(u' ');
    if (gap > 0 && gap + 1 < line.size() && isAsciiLetter(line[gap - 1]) && isAsciiLetter(line[gap + 1])) {
        const QString joined = line.first(gap).toString() + line.sliced(gap + 1).toString();
        const QStringView last = QStringView(joined).sliced(joined.lastIndexOf(u' ') + 1);
        if (!isOneOf(line.sliced(gap + 1), fieldLabels) && isOneOf(last, fieldLabels))
            return isStackedLabel(joined);
    }
    const qsizetype blank = line.lastIndexOf(u' ');
    const QStringView last = line.sliced(blank + 1);
    if (last.isEmpty() || (blank >= 0 && line.first(blank).contains(u' ')))
        return false;
    if (isAsciiLetter(last.front()))
        return isOneOf(last, fieldLabels) && line.front().isUpper() && (blank < 0 || last.front().isLower());
    for (QStringView label : fieldLabels) {
        if (!isAsciiLetter(label.front()) && last.endsWith(label) && blank < 0 &&
            last.size() - label.size() <= 2) {
            for (QChar c : last.first(last.size() - label.size())) {
                if (!isHan(c))
                    return false;
            }
            return true;
        }
    }
    return false;
}

// The headings of a table's columns led by the name's field ("Item Qty Amount", "项目 数量 金额"):
// the first cell of the row below is the name.
bool isColumnHeadings(QStringView line) {
    const QList<QStringView> cells = line.split(u' ', Qt::SkipEmptyParts);
    if (cells.size() < 2 || !isFieldLabel(cells.front()))
        return false;
    // A heading with a letter misread ("Oty" for "Qty") still heads its column.
    const auto isHeading = [](QStringView cell) {
        if (isLabelToken(cell))
            return true;
        for (QStringView word : labelWords) {
            if (word.size() >= 3 && word.size() == cell.size() && isAsciiLetter(word.front()) &&
                editDistance(cell, word) <= 1)
                return true;
        }
        return false;
    };
    for (qsizetype i = 1; i < cells.size(); ++i) {
        if (!isHeading(cells[i]))
            return false;
    }
    return true;
}

// A row of interface items (a navigation bar, tabs, options): four or more short words with no
// figures, as in "首页 会员 帮助 我的"; Latin rows need five, as product names run to four words.
bool isItemRow(QStringView line) {
    int items = 0;
    bool latinOnly = true;
    qsizetype itemLength = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == u' ') {
            if (itemLength > 0)
                ++items;
            itemLength = 0;
            continue;
        }
        const QChar c = line[i];
        if (c.isDigit() || ++itemLength > 8)
            return false;
        if (c.unicode() >= 0x80)
            latinOnly = false;
        // A mark standing alone joins the words beside it ("喜马拉雅 · 学习卡 家庭版"): no item.
        if (itemLength == 1 && isFraming(c) && (i + 1 == line.size() || line[i + 1] == u' '))
            itemLength = 0;
    }
    return items >= (latinOnly ? 5 : 4);
}

// A row of links or tags joined by marks ("Twitter·YouTube·Instagram", "Blog | Help | Contact"):
// three items or more. A name holds one such mark at most ("Microsoft 365 Plus · 尊享版").
bool isLinkRow(QStringView line) {
    int marks = 0;
    for (QChar c : line)
        marks += c == u'·' || c == u'|' || c == u'•' || c == u'・';
    return marks >= 2;
}

// A line of generic words only ("订阅", "Premium", "会员套餐"): what kind of thing was bought, not
// whose.
// A page's own title is one too, perhaps with a possessive or the word for a centre ("我的会员",
// "会员中心", "Your subscription").
bool isGenericOnly(QStringView lowerLine) {
    static constexpr QStringView pageWords[] = {u"我的", u"my", u"your", u"中心"};
    return isMadeOf(lowerLine, {planWords, pageWords});
}

// User-perceived characters (extended grapheme clusters), counted up to `cap` at most.
int graphemeCount(QStringView text, int cap) {
    // ASCII without carriage returns: every code unit is a cluster of its own.
    bool plainAscii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80 || c == u'\r') {
            plainAscii = false;
            break;
        }
    }
    if (plainAscii)
        return int(std::min<qsizetype>(text.size(), cap));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (count < cap && finder.toNextBoundary() != -1)
        ++count;
    return count;
}

bool isNoiseLine(const QString &line, const QString &lowerLine) {
    if (containsAnyWord(lowerLine, greetingWords) || containsAnyWord(lowerLine, labelWords))
        return true;
    static const QRegularExpression datesAndAmounts =
        compiled(QStringLiteral(R"(^[¥￥$€£0-9\.,:：\-/年月日时分秒 ]+$)"));
    if (datesAndAmounts.match(line).hasMatch())
        return true;
    static const QRegularExpression hexIdentifier =
        compiled(QStringLiteral(R"(^[0-9a-f]{6,}(-[0-9a-f]{4,})+)"));
    if (hexIdentifier.match(line).hasMatch())
        return true;
    // An e-mail address: a sender, a recipient, an account, never what was bought.
    static const QRegularExpression mailAddress =
        compiled(QStringLiteral(R"([^\s@<]+@[^\s@]+\.[A-Za-z]{2,})"));
    if (line.contains(u'@') && mailAddress.match(line).hasMatch())
        return true;
    // A sender's address between angle brackets, its "@" garbled in small type ("<no-replyomail.v.qq.com>").
    static const QRegularExpression bracketedAddress =
        compiled(QStringLiteral(R"(<[^<>\s][^<>]*\.[A-Za-z]{2,}(?![A-Za-z]))"));
    return line.contains(u'<') && bracketedAddress.match(line).hasMatch();
}

// Words of a phrase or sentence rather than a name: a later Latin word in small letters, as in
// "Confirm subscription", "Choose your plan", "Pay now"; names capitalise their words.
bool isPhrase(QStringView line) {
    // A name never opens with a possessive ("Your Adobe Creative Cloud receipt").
    if (line.startsWith(u"Your ") || line.startsWith(u"My ") || line == u"Your")
        return true;
    bool firstWord = true;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (i > 0 && line[i - 1] != u' ')
            continue;
        if (!firstWord && line[i] >= u'a' && line[i] <= u'z')
            return true;
        firstWord = false;
    }
    return false;
}

// A line that says how the purchase is billed ("Monthly", "连续包月", "One-time purchase"), alone,
// as the value of its field ("Plan Monthly", "Billing Annual") or opening a row of options
// ("Monthly Yearly Selected"); or a line of labels and interface words only ("Document No.",
// "Search Account").
bool isRemarkOnly(QStringView line) {
    const QList<QStringView> tokens = line.split(u' ', Qt::SkipEmptyParts);
    if (!tokens.isEmpty() && isPeriodWord(tokens.front().toString().toLower()))
        return true;
    for (QStringView token : tokens) {
        const QString lower = token.toString().toLower();
        if (!isPeriodWord(lower) && !isMadeOf(lower, {labelWords}) && !isOneOf(token, fieldLabels) &&
            !isOneOf(token, headingWords) && !isOneOf(token, interfaceWords))
            return false;
    }
    return true;
}

// An order, document or transaction number written in capitals and digits ("M98W1ETP18WMK",
// "GPA.L1DX4W4406G2", "GPA. TB6XFBX82LRK" with a gap read after its point): a reference, never
// a name.
bool isReference(QStringView line) {
    if (line.size() < 8)
        return false;
    int digits = 0;
    int letters = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (isAsciiDigit(c))
            ++digits;
        else if (c >= u'A' && c <= u'Z')
            ++letters;
        else if (c != u'.' && c != u'·' && c != u'-' && !(c == u' ' && i > 0 && line[i - 1] == u'.'))
            return false;
    }
    // Its digits may be read as the letters they look like ("BZLIEEHGHFWZ" for "BZL1EEHGHFWZ"): a
    // longer run of capitals is one too.
    return letters >= 2 && (digits >= 1 || letters >= 12);
}

// A row with a sentence's full stops or commas, not counting a mark read before its first word or
// after its last (an arrow read as a comma).
bool isSentence(QStringView line) {
    while (!line.isEmpty() && isFraming(line.front()))
        line = line.sliced(1);
    while (!line.isEmpty() && isFraming(line.back()))
        line.chop(1);
    // The recogniser may read a full-width comma or full stop as another full-width mark.
    for (QChar c : line) {
        if (c == u'。' || c == u'，' || c == u'．' || c == u'；' || c == u'、' || c == u'！')
            return true;
    }
    return false;
}

int nameScore(const QString &line, const QString &lowerLine, qsizetype index, bool labelled) {
    static const QRegularExpression domain =
        compiled(QStringLiteral(R"([A-Za-z0-9-]+\.(com|net|io|app|co|cn|org))"));
    static const QRegularExpression han = compiled(QStringLiteral(R"(\p{Han})"));
    static const QRegularExpression latin = compiled(QStringLiteral(R"([A-Za-z])"));
    static const QRegularExpression identifier = compiled(QStringLiteral(R"(^[a-z0-9_.-]{5,}$)"));

    int score = containsAnyWord(lowerLine, brandWords) ? 5 : 0;
    if (labelled || containsAnyWord(lowerLine, planWords))
        score += 3;
    if (labelled)
        score += 2;
    if (isGenericOnly(lowerLine))
        score -= 4;
    if (domain.match(line).hasMatch())
        score += 3;
    if (han.match(line).hasMatch())
        score += 1;
    if (latin.match(line).hasMatch())
        score += 1;
    if (index <= 4)
        score += 1;
    if (identifier.match(line).hasMatch())
        score -= 2;
    if (isItemRow(line))
        score -= 4;
    if (isPhrase(line))
        score -= 2;
    return score;
}

QString withoutUnpairedSurrogates(const QString &raw) {
    QString text = raw;
    const qsizetype size = raw.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = raw[i];
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < size && raw[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

// `text` with the letters and marks that a number after a currency sign holds for the digits 1 and 0
// they look like ("¥l90", "$I2.O0") as those digits; only in a run of such characters and digits,
// with a digit among them, that no letter ends. A run of two or more ones alone, which spells no
// word, reads as digits too ("¥ll"). An S between a dollar country's letters and a number is the
// dollar sign ("HKS8.35"). Positions stay as they were.
QString withDigitsAfterSigns(const QString &text) {
    // The dollar sign after a dollar country's letters, read as an S ("HKS8.35", "USSl.22").
    static const QRegularExpression dollarAsS(
        QStringLiteral("(?<![A-Za-z])(?:[Uu][Ss]|[Hh][Kk])(S)(?=[0-9lIO|])"));
    QString result = text;
    for (auto it = dollarAsS.globalMatch(text); it.hasNext();)
        result[it.next().capturedStart(1)] = u'$';
    const QString signs = result;
    const qsizetype size = signs.size();
    const auto digitOf = [](QChar c) -> QChar {
        if (isAsciiDigit(c))
            return c;
        if (c == u'l' || c == u'I' || c == u'|')
            return u'1';
        if (c == u'O' || c == u'o')
            return u'0';
        return {};
    };
    for (qsizetype i = 0; i < size; ++i) {
        // After a sign, or after the code of a supported currency written in capitals straight
        // before the number ("CNY4OO" for "CN¥400").
        const bool code = i >= 2 && i + 1 < size && isAsciiDigit(signs[i + 1]) && signs[i].isUpper() &&
                          (i < 3 || !isAsciiLetter(signs[i - 3])) &&
                          !currencyOfCode(QStringView(signs).sliced(i - 2, 3)).isEmpty();
        if (signs[i].category() != QChar::Symbol_Currency && !code)
            continue;
        const qsizetype start = i + 1 < size && signs[i + 1] == u' ' ? i + 2 : i + 1;
        qsizetype end = start;
        bool digit = false;
        bool lookAlike = false;
        bool onesOnly = true;
        while (end < size) {
            const QChar c = signs[end];
            if (isAsciiDigit(c)) {
                digit = true;
            } else if (!digitOf(c).isNull()) {
                lookAlike = true;
                onesOnly = onesOnly && digitOf(c) == u'1';
            } else if (!((c == u'.' || c == u',') && end > start && end + 1 < size &&
                         !digitOf(signs[end + 1]).isNull())) {
                break;
            }
            ++end;
        }
        if (!(digit || (onesOnly && end - start >= 2)) || !lookAlike ||
            (end < size && signs[end].isLetter() && signs[end] < u'\u0250'))
            continue;
        for (qsizetype j = start; j < end; ++j) {
            if (!digitOf(signs[j]).isNull())
                result[j] = digitOf(signs[j]);
        }
        i = end - 1;
    }
    return result;
}

// What the words around a date say of it: the day a purchase was made or a period started, or a
// day still to come (a renewal, the next charge, the end of a period of validity).
enum class DateRole { unsaid, start, end };

// `text` without the blanks a recogniser sees between Chinese characters ("下次 扣费"), so that a
// Chinese keyword read apart still matches whole; with `rowBreaks`, also without the ends of rows
// that cut a Chinese word ("连续包\n季", "单\n次购买").
QString withoutBlanksInHan(QStringView text, bool rowBreaks = false) {
    const auto isBlank = [rowBreaks](QChar c) { return isLineSpace(c) || (rowBreaks && c == u'\n'); };
    QString compact;
    compact.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isBlank(text[i]) && !compact.isEmpty() && isHan(compact.back())) {
            qsizetype next = i;
            while (next < text.size() && isBlank(text[next]))
                ++next;
            if (next < text.size() && isHan(text[next])) {
                i = next - 1;
                continue;
            }
        }
        compact += text[i];
    }
    return compact;
}

// A Latin word of a text: letters, perhaps joined by hyphens, with the blanks a recogniser may read
// beside a hyphen dropped ("one- time" is "one-time"); `end` is where it ends in the text.
struct LatinWord {
    QString letters;
    qsizetype end = 0;
};

// Only words of six to twenty characters, as long as the keywords read with a letter misread.
std::vector<LatinWord> latinWords(QStringView lowerText) {
    std::vector<LatinWord> words;
    for (qsizetype i = 0; i < lowerText.size();) {
        if (!isAsciiLetter(lowerText[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        qsizetype length = 0;
        for (;;) {
            while (i < lowerText.size() && isAsciiLetter(lowerText[i]))
                ++i, ++length;
            qsizetype next = i;
            while (next < lowerText.size() && lowerText[next] == u' ')
                ++next;
            if (next >= lowerText.size() || lowerText[next] != u'-' || next - i > 1)
                break;
            const qsizetype hyphen = next++;
            while (next < lowerText.size() && lowerText[next] == u' ')
                ++next;
            if (next >= lowerText.size() || !isAsciiLetter(lowerText[next]) || next - hyphen > 2)
                break;
            ++length;
            i = next;
        }
        if (length < 6 || length > 20)
            continue;
        LatinWord word;
        word.end = i;
        for (qsizetype at = start; at < i; ++at) {
            if (isAsciiLetter(lowerText[at]) || lowerText[at] == u'-')
                word.letters += lowerText[at];
        }
        words.push_back(std::move(word));
    }
    return words;
}

// Letters at the same places that differ, for words of one length.
int lettersApart(QStringView a, QStringView b) {
    int apart = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        apart += a[i] != b[i];
    return apart;
}

// Labels written before a date, lower case.
constexpr QStringView startLabels[] = {
    u"start",  u"started", u"starts",     u"since",  u"purchase",  u"purchased", u"paid",     u"ordered",
    u"issued", u"charged", u"subscribed", u"joined", u"activated", u"开通",      u"订阅日期", u"订阅时间",
    u"购买",   u"支付",    u"付款",       u"下单",   u"订购",      u"交易",      u"生效",     u"开始",
    u"扣款",   u"扣费",    u"消费",       u"激活",   u"充值"};
constexpr QStringView endLabels[] = {
    u"until",    u"till",   u"through", u"expires", u"expiry",   u"expiration", u"expire",   u"expiring",
    u"next",     u"renews", u"renewal", u"renew",   u"ends",     u"due",        u"将于",     u"将在",
    u"有效期至", u"有效期", u"到期",    u"下次",    u"下次扣费", u"下次扣款",   u"下次续费", u"下次付款",
    u"下次支付", u"续费",   u"续订",    u"续期",    u"截止",     u"过期"};
// Chinese puts the verb after the time: "于 2026-01-02 开通", "将于 2027-02-10 到期", "2027/2/10 续订".
constexpr QStringView startVerbs[] = {u"开通", u"购买", u"支付", u"付款", u"扣款", u"扣费",
                                      u"消费", u"生效", u"起",   u"充值", u"激活"};
constexpr QStringView endVerbs[] = {u"续订", u"续费", u"续期", u"到期", u"过期", u"失效", u"止"};

// Whether `word` is `keyword` with one letter misread ("lifrtime" for "lifetime"): as long, of six
// characters or more, the first letter right and one other letter wrong. Only for keywords that no
// other keyword of the parser lies within two letters of, so that a word misread cannot be nearer
// to a keyword it does not mean.
bool isMisreadKeyword(QStringView word, QStringView keyword) {
    if (keyword.size() < 6 || word.isEmpty() || word.front() != keyword.front())
        return false;
    if (word.size() == keyword.size()) {
        if (lettersApart(word, keyword) != 1)
            return false;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word[i] != keyword[i] && (!isAsciiLetter(word[i]) || !isAsciiLetter(keyword[i])))
                return false;
        }
    } else {
        // A letter lost inside the word ("Monthy"): the rest in order, all Latin letters. Not the
        // last one: without it a keyword is often a word of its own ("charge", "subscribe").
        if (word.size() + 1 != keyword.size() || !std::all_of(word.begin(), word.end(), isAsciiLetter))
            return false;
        qsizetype same = 0;
        while (same < word.size() && word[same] == keyword[same])
            ++same;
        if (same == word.size() || word.sliced(same) != keyword.sliced(same + 1))
            return false;
    }
    struct Crowd {
        QList<QStringView> latin;
        // Keywords with another of the same length within two letters of them.
        QList<QStringView> near;
    };
    static const Crowd crowd = [] {
        Crowd c;
        for (Keywords list :
             {Keywords(savingKeywords), Keywords(amountKeywords), Keywords(yearlyKeywords),
              Keywords(quarterlyKeywords), Keywords(weeklyKeywords), Keywords(monthlyKeywords),
              Keywords(oneTimeKeywords), Keywords(greetingWords), Keywords(labelWords), Keywords(brandWords),
              Keywords(planWords), Keywords(fieldLabels), Keywords(statusWords), Keywords(headingWords),
              Keywords(interfaceWords), Keywords(startLabels), Keywords(endLabels)}) {
            for (QStringView entry : list) {
                if (isAsciiLetter(entry.front()) && !c.latin.contains(entry))
                    c.latin.append(entry);
            }
        }
        for (QStringView a : c.latin) {
            for (QStringView b : c.latin) {
                if (a != b && a.size() == b.size() && lettersApart(a, b) <= 2)
                    c.near.append(a);
            }
        }
        return c;
    }();
    // A word that is a keyword of its own is that keyword ("renew" is no "renews" with a letter lost).
    return !crowd.near.contains(keyword) && !crowd.latin.contains(word);
}

// The keyword of either list that ends nearest the end of `lowerText` (the longest of those ending
// at one place: "下次扣费" over "扣费"); Latin keywords only as words of their own, perhaps with a
// letter misread ("renevs"), Chinese ones also read apart ("下次 扣费").
DateRole nearestLabel(QStringView lowerText) {
    const QString compact = withoutBlanksInHan(lowerText);
    qsizetype bestEnd = -1;
    qsizetype bestLength = 0;
    DateRole role = DateRole::unsaid;
    const auto consider = [&](qsizetype end, qsizetype length, DateRole kind) {
        if (end > bestEnd || (end == bestEnd && length > bestLength)) {
            bestEnd = end;
            bestLength = length;
            role = kind;
        }
    };
    const auto look = [&](Keywords words, DateRole kind) {
        for (QStringView word : words) {
            const bool latin = isAsciiLetter(word.front());
            // A negative start counts from the end: the search stops before the text's start.
            for (qsizetype from = compact.size(); from >= 0;) {
                const qsizetype at = compact.lastIndexOf(word, from);
                if (at < 0)
                    break;
                const qsizetype end = at + word.size();
                from = at - 1;
                if (latin && ((at > 0 && isAsciiLetter(compact[at - 1])) ||
                              (end < compact.size() && isAsciiLetter(compact[end]))))
                    continue;
                consider(end, word.size(), kind);
                break;
            }
        }
    };
    look(startLabels, DateRole::start);
    look(endLabels, DateRole::end);
    for (const LatinWord &word : latinWords(compact)) {
        for (const auto &[words, kind] : {std::pair{Keywords(startLabels), DateRole::start},
                                          std::pair{Keywords(endLabels), DateRole::end}}) {
            for (QStringView keyword : words) {
                if (isMisreadKeyword(word.letters, keyword))
                    consider(word.end, keyword.size(), kind);
            }
        }
    }
    return role;
}

// The labels of either list in `lowerText`, left to right: at each place the longest that starts
// there ("下次扣费" rather than "下次"), Latin ones as words of their own.
std::vector<DateRole> labelsInOrder(QStringView lowerText) {
    const QString compact = withoutBlanksInHan(lowerText);
    std::vector<DateRole> roles;
    for (qsizetype at = 0; at < compact.size();) {
        qsizetype length = 0;
        DateRole role = DateRole::unsaid;
        for (const auto &[words, kind] : {std::pair{Keywords(startLabels), DateRole::start},
                                          std::pair{Keywords(endLabels), DateRole::end}}) {
            for (QStringView word : words) {
                const qsizetype end = at + word.size();
                if (word.size() <= length || !QStringView(compact).sliced(at).startsWith(word))
                    continue;
                if (isAsciiLetter(word.front()) && ((at > 0 && isAsciiLetter(compact[at - 1])) ||
                                                    (end < compact.size() && isAsciiLetter(compact[end]))))
                    continue;
                length = word.size();
                role = kind;
            }
        }
        if (length == 0) {
            ++at;
            continue;
        }
        roles.push_back(role);
        at += length;
    }
    return roles;
}

// The first Chinese verb of either list in `lowerText`, before the end of its clause.
DateRole firstVerb(QStringView lowerText) {
    const QString compact = withoutBlanksInHan(lowerText);
    for (qsizetype i = 0; i < compact.size(); ++i) {
        const QChar c = compact[i];
        if (c == u'，' || c == u'。' || c == u'；' || c == u'！' || c == u';')
            break;
        for (QStringView verb : startVerbs) {
            if (QStringView(compact).sliced(i).startsWith(verb))
                return DateRole::start;
        }
        for (QStringView verb : endVerbs) {
            if (QStringView(compact).sliced(i).startsWith(verb))
                return DateRole::end;
        }
    }
    return DateRole::unsaid;
}

// Where a date stands among the others: the end of the date before it and the start of the one
// after it, where its row starts, and which of the dates written on that row it is.
struct DatePlace {
    qsizetype at = 0;
    qsizetype end = 0;
    qsizetype previousEnd = 0;
    qsizetype nextStart = 0;
    // The start of the row, and the end of the last date on a row before it (0 if none).
    qsizetype rowStart = 0;
    qsizetype earlierRowsEnd = 0;
    int column = 0;
    int columns = 1;
};

// Whether a sentence goes on after a date on its row: words follow it, other than its day's mark
// and a time of day ("2026年1月2日 下午3:45", "Jan 2, 2026 10:30 PM").
bool sentenceGoesOn(QStringView rest) {
    static const QRegularExpression dateTail = compiled(QStringLiteral(
        R"(^\s*[日号]?\s*(?:(?:上午|下午|凌晨|晚上)?\s*\d{1,2}[:：]\d{2}(?:[:：]\d{2})?\s*(?:[ap]\.?m\.?(?![a-z]))?)?)"));
    const QRegularExpressionMatch tail = dateTail.match(rest.toString());
    const QStringView words = rest.sliced(tail.capturedLength());
    return std::any_of(words.begin(), words.end(), [](QChar c) { return c.isLetter(); });
}

// Whether a row heads the value on the row below as a date's label does: led by a label
// ("下次扣费日期：", "Next billing date"), or ending as a heading does, with a colon, a word for
// the day ("Your plan renews on", "订阅时间") or a Latin label ("Valid until"). A remark such as
// "按年续费" holds a keyword but heads nothing.
bool headsValue(QStringView row) {
    static constexpr QStringView dayWords[] = {u"日期", u"时间", u"日", u"于",
                                               u"至",   u"date", u"on", u"since"};
    const QString compact = withoutBlanksInHan(row);
    QStringView text = compact;
    if (text.endsWith(u':') || text.endsWith(u'：'))
        return true;
    const auto isWordAt = [&text](qsizetype at, QStringView word) {
        const qsizetype end = at + word.size();
        return !isAsciiLetter(word.front()) || ((at == 0 || !isAsciiLetter(text[at - 1])) &&
                                                (end == text.size() || !isAsciiLetter(text[end])));
    };
    for (Keywords words : {Keywords(startLabels), Keywords(endLabels)}) {
        for (QStringView word : words) {
            if ((text.startsWith(word) && isWordAt(0, word)) ||
                (isAsciiLetter(word.front()) && text.endsWith(word) &&
                 isWordAt(text.size() - word.size(), word)))
                return true;
        }
    }
    for (QStringView word : dayWords) {
        if (text.endsWith(word) && isWordAt(text.size() - word.size(), word))
            return true;
    }
    return false;
}

// The role of a date written at [at, end) in `lower`, from its label before it on its row (after
// the date before it), else from the verb after it in its clause (up to the next date), else from
// a row above it that holds its label only ("下次扣费日期：" above "2026.11.03"), or the headings of
// the columns that the dates of its row stand in ("开通时间 下次续费" above two dates).
DateRole dateRole(const QString &lower, const DatePlace &place) {
    const auto [at, end, previousEnd, nextStart, rowStart, earlierRowsEnd, column, columns] = place;
    const qsizetype lineStart = std::max(rowStart, previousEnd);
    const bool previousOnRow = column > 0;
    const qsizetype from = std::max(lineStart, at - 32);
    const QStringView before = QStringView(lower).sliced(from, at - from);
    // The second date of a range ends it ("2026-01-01 – 2026-02-01", "2026年1月1日至2026年12月31日").
    static constexpr QStringView rangeMarks[] = {u"-", u"–", u"—", u"~", u"至", u"到", u"to"};
    if (previousOnRow && isOneOf(trimmedLine(before), rangeMarks))
        return DateRole::end;
    if (const DateRole role = nearestLabel(before); role != DateRole::unsaid)
        return role;
    // The verb stands on the date's row, or on the next one where the sentence wraps, its verb
    // perhaps cut in two ("于2026/08/16 02:22向…支" above "付$553.00"). After the date and its time
    // alone, a row led by a label is another field ("订阅日期 2026-09-10" above "下次续费 …").
    // Only the text up to the next date is looked at, so that each date costs what lies before its
    // successor.
    const QStringView upTo = QStringView(lower).first(std::max(nextStart, end));
    qsizetype stop = upTo.indexOf(u'\n', end);
    if (stop < 0)
        stop = upTo.size();
    const QStringView rest = upTo.sliced(end, stop - end);
    if (stop < upTo.size()) {
        qsizetype nextRowEnd = upTo.indexOf(u'\n', stop + 1);
        if (nextRowEnd < 0)
            nextRowEnd = upTo.size();
        const QStringView nextRow = trimmedLine(upTo.sliced(stop + 1, nextRowEnd - stop - 1));
        const auto leads = [nextRow](Keywords words) {
            return std::any_of(words.begin(), words.end(),
                               [nextRow](QStringView word) { return nextRow.startsWith(word); });
        };
        // A row led by a sender's name in black brackets is another message ("【支付宝】您的验证码…").
        if ((sentenceGoesOn(rest) ||
             !(leads(startLabels) || leads(endLabels) || leads(startVerbs) || leads(endVerbs))) &&
            !nextRow.startsWith(u'【'))
            stop = nextRowEnd;
    }
    QString after = lower.sliced(end, std::max<qsizetype>(0, stop - end));
    after.remove(u'\n');
    if (const DateRole role = firstVerb(after); role != DateRole::unsaid)
        return role;
    if (!trimmedLine(before).isEmpty() || rowStart < 2 || rowStart - 1 < earlierRowsEnd)
        return DateRole::unsaid;
    // A row above that holds the date before holds no label of this one.
    const qsizetype aboveNewline =
        QStringView(lower).sliced(earlierRowsEnd, rowStart - 1 - earlierRowsEnd).lastIndexOf(u'\n');
    if (aboveNewline < 0 && earlierRowsEnd > 0)
        return DateRole::unsaid;
    const qsizetype aboveStart = aboveNewline < 0 ? 0 : earlierRowsEnd + aboveNewline + 1;
    const QStringView above = QStringView(lower).sliced(aboveStart, rowStart - 1 - aboveStart);
    if (above.size() > 24 * columns ||
        std::any_of(above.begin(), above.end(), [](QChar c) { return isAsciiDigit(c); }))
        return DateRole::unsaid;
    if (!headsValue(trimmedLine(above)))
        return DateRole::unsaid;
    if (columns == 1)
        return nearestLabel(above);
    // Headings over columns: each date takes its own, where they pair off.
    const std::vector<DateRole> headings = labelsInOrder(above);
    return int(headings.size()) == columns ? headings[size_t(column)] : DateRole::unsaid;
}

// A date read from the text, with its place.
struct FoundDate {
    qsizetype at = 0;
    qsizetype end = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    // For a date whose day and month are figures before the year ("03/04/2026"), the two figures
    // as written: which is the day is settled by the page (settleDayOrder()).
    int firstFigure = 0;
    int secondFigure = 0;
    bool figuresFirst = false;
    DateRole role = DateRole::unsaid;
};

// Pages write day and month before the year in one order throughout: a date whose first figure
// exceeds 12 puts the day first, one whose second does puts the month first, and so does the same
// day written otherwise elsewhere ("Sun, Apr 5" or "2026/4/5" beside "04/05/2026"). Failing those,
// the day comes first, as most of the world writes it.
void settleDayOrder(const QString &lower, std::vector<FoundDate> &dates, const QString &monthName) {
    int dayFirstVotes = 0;
    int monthFirstVotes = 0;
    for (const FoundDate &date : dates) {
        if (!date.figuresFirst)
            continue;
        dayFirstVotes += date.firstFigure > 12 && date.secondFigure <= 12;
        monthFirstVotes += date.secondFigure > 12 && date.firstFigure <= 12;
    }
    if (dayFirstVotes == 0 && monthFirstVotes == 0) {
        static const QRegularExpression nameThenDay =
            compiled(monthName + QStringLiteral(R"( ?(\d{1,2})(?!\d))"));
        static const QRegularExpression dayThenName =
            compiled(QStringLiteral(R"((?<!\d)(\d{1,2}) ?)") + monthName);
        static constexpr QStringView months = u"janfebmaraprmayjunjulaugsepoctnovdec";
        // The days written otherwise, as a table of month and day (figures of two digits at most).
        std::array<bool, 100 * 100> written{};
        const auto note = [&written](int month, int day) {
            if (month >= 0 && month < 100 && day >= 0 && day < 100)
                written[size_t(month * 100 + day)] = true;
        };
        for (const auto &[re, monthGroup, dayGroup] :
             {std::tuple{&nameThenDay, 1, 2}, std::tuple{&dayThenName, 2, 1}}) {
            for (auto it = re->globalMatch(lower); it.hasNext();) {
                const QRegularExpressionMatch match = it.next();
                note(int(months.indexOf(match.capturedView(monthGroup).left(3)) / 3 + 1),
                     int(asciiInteger(match.capturedView(dayGroup)).value_or(0)));
            }
        }
        for (const FoundDate &date : dates) {
            if (!date.figuresFirst)
                note(date.month, date.day);
        }
        for (const FoundDate &date : dates) {
            if (!date.figuresFirst)
                continue;
            monthFirstVotes += written[size_t(date.firstFigure * 100 + date.secondFigure)];
            dayFirstVotes += written[size_t(date.secondFigure * 100 + date.firstFigure)];
        }
    }
    const bool monthFirst = monthFirstVotes > dayFirstVotes;
    for (FoundDate &date : dates) {
        if (!date.figuresFirst)
            continue;
        date.month = monthFirst ? date.firstFigure : date.secondFigure;
        date.day = monthFirst ? date.secondFigure : date.firstFigure;
    }
}

// The one paid in a Chinese sentence "…向<payee>支付…" or "…向<payee>付款…", its rows joined;
// empty if none or not a name.
QString payeeInSentence(const QString &text) {
    if (!text.contains(u'向'))
        return {};
    QString joined;
    joined.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n') {
            joined += text[i];
        } else if (!joined.isEmpty() && i + 1 < text.size() && joined.back().unicode() < 0x80 &&
                   joined.back().isLetterOrNumber() && text[i + 1].unicode() < 0x80 &&
                   text[i + 1].isLetterOrNumber()) {
            joined += u' ';
        }
    }
    static const QRegularExpression paidTo =
        compiled(QStringLiteral(R"(向([^，。,；;！!：:]{2,40}?)(?:支付|付款))"));
    for (auto it = paidTo.globalMatch(joined); it.hasNext();) {
        const QString name = cleanedLine(it.next().capturedView(1));
        const QString lower = name.toLower();
        if (graphemeCount(name, 31) >= 2 && graphemeCount(name, 31) <= 30 && !name.contains(u'您') &&
            !isNoiseLine(name, lower) && !isGenericOnly(lower))
            return name;
    }
    return {};
}

} // namespace

// Prices whose sign the recogniser read as a look-alike it knows: "Y75.00" for "¥75.00", "e5.99"
// or "ε5.99" for "€5.99", "f10.99" for "£10.99", "S12.99" or "s12.99" for "$12.99", "120,00 ∈"
// for "120,00 €", "∈ 100.00" for "€100.00" (its dictionary lacks the euro and pound signs; marks
// that spell no word may stand apart from the number), also with the digits 1 and 0
// read as the letters they look like ("el31.99" for "€131.99"). Taken only with the decimals or
// groups that make a number a price, and only where nothing else on the page reads as one.
std::vector<detail::Cand> lookAlikeCandidates(const QString &s) {
    static const QString number = u'(' + amountNumber() + u')';
    static const QRegularExpression before =
        compiled(QStringLiteral(R"((?<![\p{L}\p{N}.,])([YefsS]|[ε∈][^\S\n]?))") + number);
    static const QRegularExpression lettered = compiled(QStringLiteral(
        R"((?<![\p{L}\p{N}.,])([YefsSε∈])([0-9lIO|]*[lIO|][0-9lIO|]*[.,][0-9]{2})(?![\p{L}\p{N}]))"));
    static const QRegularExpression after = compiled(number + QStringLiteral(R"([^\S\n]?∈)"));
    const auto currencyOf = [](QChar sign) {
        switch (sign.unicode()) {
        case u'Y':
            return QStringLiteral("CNY");
        case u'f':
            return QStringLiteral("GBP");
        case u's':
        case u'S':
            return QStringLiteral("USD");
        default:
            return QStringLiteral("EUR");
        }
    };
    const auto isPriceNumber = [](QStringView digits) {
        return digits.contains(u'.') || digits.contains(u',');
    };
    std::vector<detail::Cand> candidates;
    for (auto it = before.globalMatch(s); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (isPriceNumber(match.capturedView(2)))
            appendCandidate(candidates, match, 2, currencyOf(match.capturedView(1).front()));
    }
    for (auto it = after.globalMatch(s); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (isPriceNumber(match.capturedView(1)))
            appendCandidate(candidates, match, 1, QStringLiteral("EUR"));
    }
    for (auto it = lettered.globalMatch(s); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString digits = match.captured(2);
        for (QChar &c : digits)
            c = c == u'O' ? u'0' : QStringView(u"lI|").contains(c) ? u'1' : c;
        if (const auto value = positiveFiniteNumber(digits))
            candidates.push_back({*value, currencyOf(match.capturedView(1).front()), match.capturedStart(0)});
    }
    return candidates;
}

// A price with its decimals written straight after the Chinese word for paying or the sum, its
// sign lost ("支付6.99" for "支付¥6.99"): read as yuan, where nothing else on the page reads as a
// price.
std::vector<detail::Cand> paidWithoutSign(const QString &s) {
    static const QRegularExpression paid(QStringLiteral(
        "(?:实付|合计|金额|支付|总计|应付|付款)[:：]?[^\\S\n]?([0-9]{1,6}[.][0-9]{2})(?![0-9])"));
    std::vector<detail::Cand> candidates;
    for (auto it = paid.globalMatch(s); it.hasNext();)
        appendCandidate(candidates, it.next(), 1, QStringLiteral("CNY"));
    return candidates;
}

namespace detail {

Text::Text(const QString &raw)
    : original(withoutUnpairedSurrogates(raw))
    , lower(original.toLower()) {}

std::vector<Cand> amountCandidates(const Text &text) {
    const QString s = withDigitsAfterSigns(text.original);
    static const QString number = u'(' + amountNumber() + u')';
    static const QRegularExpression symbolBefore = compiled(QStringLiteral(R"((\p{Sc})\s?)") + number, true);
    static const QRegularExpression hongKongDollars = compiled(QStringLiteral(R"((HK\$)\s?)") + number, true);
    static const QRegularExpression unitAfter = compiled(number + QStringLiteral(R"(\s?(元|圆|块))"), true);
    static const QRegularExpression euroAfter = compiled(number + QStringLiteral(R"([^\S\n]?€)"));
    static const QRegularExpression codeBefore =
        compiled(QStringLiteral(R"((?<![A-Za-z0-9])(%1|Rs\.?)[^\S\n]?)").arg(currencyCodes()) + number, true);
    static const QRegularExpression codeAfter =
        compiled(number + QStringLiteral(R"([^\S\n]?(%1)(?![A-Za-z]))").arg(currencyCodes()), true);

    std::vector<Cand> candidates;

    for (auto it = symbolBefore.globalMatch(s); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QChar symbol = match.capturedView(1).front();
        const qsizetype location = match.capturedStart(0);
        const QStringView prefix = signPrefix(s, location);
        // HK$ is read by the Hong Kong pass.
        if (symbol == u'$' && location >= 2 &&
            QStringView(s).sliced(location - 2, 2).compare(u"hk", Qt::CaseInsensitive) == 0)
            continue;
        appendCandidate(candidates, match, 2, currencyOfSymbol(symbol, prefix));
    }

    for (auto it = hongKongDollars.globalMatch(s); it.hasNext();)
        appendCandidate(candidates, it.next(), 2, QStringLiteral("HKD"));

    // A number followed by a unit or a code: found only where a character `marks` accepts follows
    // the number within four code units (".dd" and one blank at most), a cheap test before the
    // pattern is tried (see matchAtDigitRuns).
    const auto eachFollowed = [&s, &candidates](const QRegularExpression &re, auto marks, auto currencyOf) {
        const auto markNear = [&s, marks](qsizetype runEnd) {
            const qsizetype last = std::min(runEnd + 4, s.size() - 1);
            for (qsizetype i = runEnd; i <= last; ++i) {
                if (marks(s[i]))
                    return true;
            }
            return false;
        };
        for (qsizetype from = 0;;) {
            const QRegularExpressionMatch match = matchAtDigitRuns(re, s, from, markNear);
            if (!match.hasMatch())
                break;
            appendCandidate(candidates, match, 1, currencyOf(match));
            from = match.capturedEnd(0);
        }
    };
    eachFollowed(
        unitAfter, [](QChar c) { return c == u'元' || c == u'圆' || c == u'块'; },
        [](const QRegularExpressionMatch &) { return QStringLiteral("CNY"); });
    // The euro sign after the number, as much of Europe writes it ("12,99 €").
    eachFollowed(
        euroAfter, [](QChar c) { return c == u'€'; },
        [](const QRegularExpressionMatch &) { return QStringLiteral("EUR"); });

    // A code and its number stand on one line: a code that ends a line ("11.00 USD") is not read
    // with the date that may start the next.
    QStringList codesWritten;
    for (auto it = codeBefore.globalMatch(s); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        appendCandidate(candidates, match, 2, currencyOfCode(match.capturedView(1)));
        const QString code = match.captured(1).toUpper();
        if (code.size() == 3 && !currencyOfCode(code).isEmpty() && !codesWritten.contains(code))
            codesWritten << code;
    }
    // Capitals one letter off the code of a supported currency that the page writes before another
    // number, straight before a price with its decimals, are that code with a letter misread
    // ("IKD 1,437.80 HKD 718.90").
    static const QRegularExpression capitalsBefore =
        compiled(QStringLiteral(R"((?<![A-Za-z0-9])([A-Z]{3})[^\S\n]?)") + number);
    for (auto it = capitalsBefore.globalMatch(codesWritten.isEmpty() ? QString() : s); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QStringView word = match.capturedView(1);
        if (!match.capturedView(2).contains(u'.') && !match.capturedView(2).contains(u','))
            continue;
        for (const QString &code : std::as_const(codesWritten)) {
            const auto differing = std::inner_product(word.begin(), word.end(), code.begin(), 0,
                                                      std::plus<>(), std::not_equal_to<>());
            if (differing == 1) {
                appendCandidate(candidates, match, 2, currencyOfCode(code));
                break;
            }
        }
    }

    // A country's letters straight before a number with its decimals or groups are what is left of
    // a sign written after them, a sign too small or too close to the number to be read, or read
    // as some other character ("CN490.90", "CN乳16.00" for "CN¥490.90", "CN¥16.00").
    static const QRegularExpression countryBefore =
        compiled(QStringLiteral(R"((?<![A-Za-z])(CN|JP|US|HK)[^\s0-9A-Za-z\p{Sc}]?)") + number);
    for (auto it = countryBefore.globalMatch(s); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (!match.capturedView(2).contains(u'.') && !match.capturedView(2).contains(u','))
            continue;
        const QStringView country = match.capturedView(1);
        appendCandidate(candidates, match, 2,
                        country == u"CN"   ? QStringLiteral("CNY")
                        : country == u"JP" ? QStringLiteral("JPY")
                        : country == u"US" ? QStringLiteral("USD")
                                           : QStringLiteral("HKD"));
    }

    // A code after the number ("883.99 CNY"): at most one space between, as codes go before the
    // number far more often and a number of one field may stand before the code of the next.
    eachFollowed(
        codeAfter, [](QChar c) { return c.isLetter(); },
        [](const QRegularExpressionMatch &match) { return currencyOfCode(match.capturedView(2)); });
    return candidates;
}

std::optional<Amount> detectAmount(const Text &text) {
    std::vector<Cand> candidates = amountCandidates(text);
    if (candidates.empty())
        candidates = lookAlikeCandidates(text.original);
    if (candidates.empty())
        candidates = paidWithoutSign(text.original);
    const QString &s = text.original;
    // The first price named the sum paid by the words shortly before it ("Amount paid $80.00",
    // "Total due £9.99", "实付 ¥30") is the amount, whatever list prices and savings stand before
    // it. The words are looked for up to 10 code units before the price, and up to 20 on its own
    // line.
    for (const Cand &candidate : candidates) {
        const qsizetype lineStart = s.lastIndexOf(u'\n', std::max<qsizetype>(0, candidate.location - 1)) + 1;
        const qsizetype start = std::min(std::max(lineStart, candidate.location - 20),
                                         std::max<qsizetype>(0, candidate.location - 10));
        const qsizetype end =
            std::min<qsizetype>(std::max<qsizetype>(0, candidate.location - 10) + 12, s.size());
        QString before = s.sliced(start, end - start).toLower();
        // "Total" only as a word of its own: "Subtotal" (or "Suhtotal", misread) is not the sum.
        static const QRegularExpression partOfWord(QStringLiteral("[a-z]+total"));
        before.replace(partOfWord, QStringLiteral(" "));
        if (containsAny(before, amountKeywords)) {
            if (candidate.currency.isEmpty())
                return std::nullopt;
            return Amount{candidate.value, candidate.currency};
        }
    }
    const Cand *best = nullptr;
    for (const Cand &candidate : candidates) {
        if (!best || candidate.value > best->value)
            best = &candidate;
    }
    if (!best)
        return std::nullopt;
    // The largest price may be the one before a discount ("List price HK$608.40 Save HK$101.40",
    // "原价 ¥30 省 ¥5", "Discount -HK$101.40"): where it less a saving is another price of the
    // page, that one was paid.
    const auto isSaving = [&s](const Cand &candidate) {
        qsizetype at = candidate.location;
        // The letters of a code or a country before the sign ("-US$3.75", "-RMB 528.00").
        while (at > 0 && candidate.location - at < 3 && isAsciiLetter(s[at - 1]))
            --at;
        if (at > 0 && (s[at - 1] == u'-' || s[at - 1] == u'−'))
            return true;
        const qsizetype lineStart = s.lastIndexOf(u'\n', std::max<qsizetype>(0, at - 1)) + 1;
        const qsizetype from = std::max(lineStart, at - 12);
        return containsAny(s.sliced(from, at - from).toLower(), savingKeywords);
    };
    for (const Cand &saving : candidates) {
        if (&saving == best || saving.currency != best->currency || !isSaving(saving))
            continue;
        for (const Cand &paid : candidates) {
            if (&paid != best && &paid != &saving && paid.currency == best->currency &&
                std::abs(best->value - saving.value - paid.value) < 0.005 && !isSaving(paid))
                return Amount{paid.value, paid.currency};
        }
    }
    // A price in a currency the program does not support is not proposed in another one.
    if (best->currency.isEmpty())
        return std::nullopt;
    return Amount{best->value, best->currency};
}

namespace {

std::optional<BillingCycle> keywordCycle(QStringView s) {
    if (containsAny(s, yearlyKeywords))
        return BillingCycle::yearly;
    if (containsAny(s, quarterlyKeywords))
        return BillingCycle::quarterly;
    if (containsAny(s, weeklyKeywords))
        return BillingCycle::weekly;
    if (containsAny(s, monthlyKeywords))
        return BillingCycle::monthly;
    // A membership card for a period ("年卡", "月卡") is a product, not a remark on one: it names
    // the period where nothing else does.
    static constexpr std::pair<QStringView, BillingCycle> cards[] = {{u"年卡", BillingCycle::yearly},
                                                                     {u"季卡", BillingCycle::quarterly},
                                                                     {u"周卡", BillingCycle::weekly},
                                                                     {u"月卡", BillingCycle::monthly}};
    for (const auto &[card, cycle] : cards) {
        if (containsText(s, card))
            return cycle;
    }
    return std::nullopt;
}

// The period named in the field that says how the purchase is billed ("扣费方式 按季续费",
// "续费方式\n连续包月", "Billing period: Yearly"): the page's own word on it, whatever periods the
// name or an offer mentions.
std::optional<BillingCycle> billingFieldCycle(const QString &text) {
    static constexpr QStringView billingLabels[] = {u"续费方式",       u"扣费方式",     u"计费方式",
                                                    u"计费周期",       u"订阅周期",     u"续订方式",
                                                    u"billing period", u"billing cycle"};
    for (QStringView label : billingLabels) {
        for (qsizetype at = text.indexOf(label); at >= 0; at = text.indexOf(label, at + 1)) {
            const qsizetype from = at + label.size();
            qsizetype end = text.indexOf(u'\n', from);
            // A label alone on its row heads the value on the next.
            if (end >= 0 && trimmedLine(QStringView(text).sliced(from, end - from)).size() <= 1)
                end = text.indexOf(u'\n', end + 1);
            if (end < 0)
                end = text.size();
            if (const auto cycle = keywordCycle(QStringView(text).sliced(from, end - from)))
                return cycle;
        }
    }
    return std::nullopt;
}

// The period named by a Latin keyword with a letter misread, alone or as the start of a longer
// word ("Billed annuilly", "Monthiy"), in the keywords' order.
std::optional<BillingCycle> misreadKeywordCycle(QStringView lowerText) {
    const std::vector<LatinWord> words = latinWords(lowerText);
    for (const auto &[keywords, cycle] : {std::pair{Keywords(yearlyKeywords), BillingCycle::yearly},
                                          std::pair{Keywords(quarterlyKeywords), BillingCycle::quarterly},
                                          std::pair{Keywords(weeklyKeywords), BillingCycle::weekly},
                                          std::pair{Keywords(monthlyKeywords), BillingCycle::monthly}}) {
        for (QStringView keyword : keywords) {
            for (const LatinWord &word : words) {
                if (isMisreadKeyword(word.letters, keyword) ||
                    (word.letters.size() > keyword.size() &&
                     isMisreadKeyword(QStringView(word.letters).first(keyword.size()), keyword)))
                    return cycle;
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<BillingCycle> detectCycle(const Text &text) {
    // The slash before a period as the recogniser may read it: apart from the unit after a gap it
    // saw ("¥190.00/ 年", "USD 50.00/ year"), or as the letter it looks like after the price
    // ("¥9,610lyear").
    QString periods;
    const QString &lower = text.lower;
    static constexpr QStringView misreadSlashes[] = {u"lyear", u"lyr", u"lmonth", u"lmo", u"lweek",
                                                     u"|year", u"|yr", u"|month", u"|mo", u"|week"};
    if (lower.contains(u"/ ") || containsAny(lower, misreadSlashes)) {
        static const QRegularExpression slash = compiled(QStringLiteral(
            R"(/[^\S\n]+(?=[年月季周]|year|yr|month|mo|week)|(?<=[0-9]|[0-9] )[l|](?=year|yr|month|mo|week))"));
        periods = lower;
        periods.replace(slash, QStringLiteral("/"));
    }
    // A period cut at the page's right edge, where the row ends ("per ye", "US$ 9.99/yea").
    static const QRegularExpression cutYear =
        compiled(QStringLiteral(R"((?m)(?:/|(?<![a-z])per )[^\S\n]?(?:y|ye|yea)$)"));
    if (cutYear.match(periods.isNull() ? lower : periods).hasMatch()) {
        if (periods.isNull())
            periods = lower;
        periods.replace(cutYear, QStringLiteral("/year"));
    }
    const QString s = withoutBlanksInHan(periods.isNull() ? lower : periods, true);
    if (const auto field = billingFieldCycle(s))
        return field;
    if (const auto anywhere = keywordCycle(s))
        return anywhere;
    if (const auto misread = misreadKeywordCycle(s))
        return misread;
    return detectNumberUnitCycle(text);
}

std::optional<BillingCycle> detectPriceCycle(const Text &text, const Amount &amount) {
    // The period written straight after the price, before any other figure on its row: "¥71.50/月",
    // "48.99元 每月", "GBP 9.99 a month", "$9.99/yr".
    static const QRegularExpression number = compiled(amountNumber());
    static constexpr QStringView yearly[] = {u"年", u"year", u"yr", u"annual"};
    static constexpr QStringView quarterly[] = {u"季", u"quarter"};
    static constexpr QStringView weekly[] = {u"周", u"week", u"wk"};
    static constexpr QStringView monthly[] = {u"月", u"month", u"mo"};
    const QString &s = text.lower;
    for (const Cand &candidate : amountCandidates(text)) {
        if (candidate.value != amount.value || candidate.currency != amount.currency)
            continue;
        qsizetype at = candidate.location;
        while (at < s.size() && at - candidate.location < 6 && !isAsciiDigit(s[at]))
            ++at;
        const QRegularExpressionMatch match = number.match(s, at, QRegularExpression::NormalMatch,
                                                           QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch())
            continue;
        qsizetype end = match.capturedEnd();
        qsizetype stop = end;
        while (stop < s.size() && stop - end < 16 && s[stop] != u'\n' && !isAsciiDigit(s[stop]))
            ++stop;
        const QStringView tail = QStringView(s).sliced(end, stop - end);
        // A unit or a code may stand between ("元/月", "USD per year"); the period opens with a
        // slash, perhaps read apart or as a letter ("/ 月", "lmonth"), "per", "a", "every" or "每"
        // ("each").
        static const QRegularExpression opening = compiled(QStringLiteral(
            R"(^\s?(?:[元円块]|[a-z]{3})?\s?(?:(?:/|／|[l|](?=[a-z]))\s?每?|per\s|a\s|every\s|每|billed\s)\s?)"));
        const QRegularExpressionMatch open = opening.match(tail);
        if (!open.hasMatch())
            continue;
        const QStringView period = tail.sliced(open.capturedEnd());
        const auto startsWithAny = [period](Keywords words) {
            return std::any_of(words.begin(), words.end(),
                               [period](QStringView word) { return period.startsWith(word); });
        };
        if (startsWithAny(yearly))
            return BillingCycle::yearly;
        if (startsWithAny(quarterly))
            return BillingCycle::quarterly;
        if (startsWithAny(weekly))
            return BillingCycle::weekly;
        if (startsWithAny(monthly))
            return BillingCycle::monthly;
    }
    return std::nullopt;
}

std::optional<BillingCycle> detectNumberUnitCycle(const Text &text) {
    // Not the parts of a date ("2026年5月12日", "2026年12月"): a year or a month before more figures,
    // or a figure after a year.
    static const QRegularExpression numberAndUnit = compiled(QStringLiteral(
        R"((?<![0-9年/.\-])([0-9]+)\s*(个月|月(?!\s*[0-9])|年(?!\s*[0-9])|季|周|year|years|month|months|week|weeks))"));

    const QString &s = text.lower;
    // After any white space the unit's first character must follow.
    const auto unitNext = [&s](qsizetype runEnd) {
        qsizetype i = runEnd;
        while (i < s.size() && s[i].isSpace())
            ++i;
        if (i >= s.size())
            return false;
        switch (s[i].unicode()) {
        case u'个':
        case u'月':
        case u'年':
        case u'季':
        case u'周':
        case u'y':
        case u'm':
        case u'w':
            return true;
        default:
            return false;
        }
    };
    const QRegularExpressionMatch match = matchAtDigitRuns(numberAndUnit, s, 0, unitNext);
    if (!match.hasMatch())
        return std::nullopt;

    const QStringView unit = match.capturedView(2);
    if (unit.contains(u"年") || unit.contains(u"year"))
        return BillingCycle::yearly;
    if (unit.contains(u"周") || unit.contains(u"week"))
        return BillingCycle::weekly;
    if (unit.contains(u"季"))
        return BillingCycle::quarterly;
    const qint64 count = asciiInteger(match.capturedView(1)).value_or(0);
    if (count >= 12)
        return BillingCycle::yearly;
    if (count <= 2)
        return BillingCycle::monthly;
    return BillingCycle::quarterly;
}

BillingType detectType(const Text &text) {
    if (containsAny(withoutBlanksInHan(text.lower, true), oneTimeKeywords))
        return BillingType::oneTime;
    // A Latin keyword with a letter misread, or read with blanks beside its hyphen ("One- time").
    for (const LatinWord &word : latinWords(text.lower)) {
        for (QStringView keyword : oneTimeKeywords) {
            if (isAsciiLetter(keyword.front()) &&
                (word.letters == keyword || isMisreadKeyword(word.letters, keyword)))
                return BillingType::oneTime;
        }
    }
    return BillingType::recurring;
}

std::optional<QDateTime> detectDate(const Text &text, const QTimeZone &zone) {
    return detectDate(text, zone, detectCycle(text).value_or(BillingCycle::monthly), detectType(text));
}

std::optional<QDateTime> detectDate(const Text &text, const QTimeZone &zone, BillingCycle cycle,
                                    BillingType type) {
    // A date may be cut by the end of a row between its parts ("started on 2026-01-\n16",
    // "于2026\n年01月03日"), its hyphens read as longer dashes.
    static const QRegularExpression numeric = compiled(QStringLiteral(
        R"(((?:19|20)\d{2})(?:\n?年\n?|[\-–—/\.])(\d{1,2})(?:[\-–—/]\n?|\n?月\n?|\.)(\d{1,2}))"));
    // English dates name their month, before the day ("Oct 4, 2026", "September 4 2026") or after
    // it ("4 Oct 2026", "4 October, 2026"), abbreviated with or without a point. The comma after
    // the day may be read as a point, or as a full-width or enumeration comma beside the wide
    // Latin of Chinese typefaces, a blank perhaps read before it.
    static const QString monthName = QStringLiteral(
        R"((?<![a-z])(jan(?:uary)?|feb(?:ruary)?|mar(?:ch)?|apr(?:il)?|may|june?|july?|aug(?:ust)?|)"
        R"(sep(?:t(?:ember)?)?|oct(?:ober)?|nov(?:ember)?|dec(?:ember)?)\.?(?![a-z]))");
    static const QRegularExpression monthFirst =
        compiled(monthName + QStringLiteral(R"( ?(\d{1,2})(?!\d) ?[,.，、]? ?((?:19|20)\d{2})(?!\d))"));
    static const QRegularExpression dayFirst =
        compiled(QStringLiteral(R"((?<!\d)(\d{1,2}) ?)") + monthName +
                 QStringLiteral(R"( ?[,，]? ?((?:19|20)\d{2})(?!\d))"));
    // Day and month in figures before the year ("15/02/2026", "07/20/2025", "15.02.2026").
    static const QRegularExpression figuresFirst =
        compiled(QStringLiteral(R"((?<![\d/.\-])(\d{1,2})([/.\-])(\d{1,2})\2((?:19|20)\d{2})(?![\d/]))"));
    static constexpr QStringView months = u"janfebmaraprmayjunjulaugsepoctnovdec";
    // \d also takes digits of other scripts; such a group does not convert.
    const auto number = [](QStringView digits, int fallback) {
        return int(asciiInteger(digits).value_or(fallback));
    };
    const auto monthOf = [&number](QStringView monthText) {
        const qsizetype named = months.indexOf(monthText.left(3));
        return named >= 0 ? int(named / 3 + 1) : number(monthText, 1);
    };
    // Matched in lower case, so that month names match in any case. A day after a month's name
    // read as the letters its digits look like ("feb l, 2026", "mar 1o 2026") is that day, so
    // that the date and the order of day and month it shows are not lost.
    static const QRegularExpression letterDay = compiled(
        monthName + QStringLiteral(R"( ([0-9lio|]{1,2})(?![a-z0-9]) ?[,.，、]? ?(?:19|20)\d{2}(?!\d))"));
    QString lower = text.lower;
    for (auto it = letterDay.globalMatch(text.lower); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (qsizetype at = match.capturedStart(2); at < match.capturedEnd(2); ++at)
            lower[at] = lower[at] == u'o' ? u'0' : isAsciiDigit(lower[at]) ? lower[at] : u'1';
    }
    std::vector<FoundDate> found;
    const auto collect = [&](const QRegularExpression &re, int yearGroup, int monthGroup, int dayGroup) {
        for (auto it = re.globalMatch(lower); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            FoundDate date;
            date.at = match.capturedStart();
            date.end = match.capturedEnd();
            date.year = number(match.capturedView(yearGroup), 2026);
            date.month = monthOf(match.capturedView(monthGroup));
            date.day = number(match.capturedView(dayGroup), 1);
            found.push_back(date);
        }
    };
    collect(numeric, 1, 2, 3);
    collect(monthFirst, 3, 1, 2);
    collect(dayFirst, 3, 2, 1);
    for (auto it = figuresFirst.globalMatch(lower); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        FoundDate date;
        date.at = match.capturedStart();
        date.end = match.capturedEnd();
        date.year = number(match.capturedView(4), 2026);
        date.firstFigure = number(match.capturedView(1), 1);
        date.secondFigure = number(match.capturedView(3), 1);
        date.figuresFirst = true;
        found.push_back(date);
    }
    if (found.empty())
        return std::nullopt;
    std::stable_sort(found.begin(), found.end(),
                     [](const FoundDate &a, const FoundDate &b) { return a.at < b.at; });
    // Where two ways of writing a date read the same characters, the one that starts first holds them.
    std::vector<FoundDate> dates;
    for (const FoundDate &date : found) {
        if (dates.empty() || date.at >= dates.back().end)
            dates.push_back(date);
    }
    settleDayOrder(lower, dates, monthName);
    // The dates of each row, in turn: a row's first date finds the row's start between it and the
    // date before, so that each date costs what lies between it and its neighbours.
    for (size_t first = 0; first < dates.size();) {
        const qsizetype earlierRowsEnd = first > 0 ? dates[first - 1].end : 0;
        const qsizetype rowStart =
            QStringView(lower).sliced(earlierRowsEnd, dates[first].at - earlierRowsEnd).lastIndexOf(u'\n') +
            1 + earlierRowsEnd;
        size_t last = first + 1;
        while (last < dates.size() &&
               QStringView(lower)
                       .sliced(dates[last - 1].end, dates[last].at - dates[last - 1].end)
                       .indexOf(u'\n') < 0)
            ++last;
        for (size_t i = first; i < last; ++i) {
            DatePlace place;
            place.at = dates[i].at;
            place.end = dates[i].end;
            place.previousEnd = i > 0 ? dates[i - 1].end : 0;
            place.nextStart = i + 1 < dates.size() ? dates[i + 1].at : lower.size();
            place.rowStart = rowStart;
            place.earlierRowsEnd = earlierRowsEnd;
            place.column = int(i - first);
            place.columns = int(last - first);
            dates[i].role = dateRole(lower, place);
        }
        first = last;
    }
    // The day of the purchase or the start, named so; else the first date nothing names as one to
    // come; else the first of those, a period before it (the date of a renewal ends the period paid).
    const auto firstOf = [&dates](DateRole role) {
        return std::find_if(dates.begin(), dates.end(),
                            [role](const FoundDate &date) { return date.role == role; });
    };
    auto chosen = firstOf(DateRole::start);
    if (chosen == dates.end())
        chosen = firstOf(DateRole::unsaid);
    const bool periodBefore = chosen == dates.end();
    if (periodBefore)
        chosen = dates.begin();
    // Month and day beyond their ranges carry over, as calendar date construction does: month 13
    // is January of the next year, day 0 the last day of the month before.
    QDate date = QDate(chosen->year, 1, 1).addMonths(chosen->month - 1).addDays(chosen->day - 1);
    if (periodBefore && type == BillingType::recurring)
        date = BillingCalendar::addPeriods(date, cycle, -1);
    const QDateTime start = date.startOfDay(zone.isValid() ? zone : QTimeZone::systemTimeZone());
    if (!start.isValid())
        return std::nullopt;
    return start.toUTC();
}

std::optional<QString> detectName(const Text &text) {
    struct Line {
        QString cleaned;
        int graphemes = 0;
        bool labelled = false;  // the value of a field labelled as the plan or product
        bool recipient = false; // a person or the interface: the label of the person billed, the
                                // line after it, an e-mail's addressee, a sheet's title bar
        bool heading = false;   // the label of the name's field, alone on its row
        bool priced = false;    // a row holding a price
        bool prose = false;     // a row of sentences, with their commas or full stops
        bool stated = false;    // a name followed by its state, as lists of subscriptions show them
    };
    std::vector<Line> lines;
    // Who was billed stands under or beside its label ("Billed to", "收件人"): a person, not a product.
    static constexpr QStringView recipientLabels[] = {u"billed to", u"bill to", u"sold to", u"收件人"};
    bool recipientNext = false;
    const QStringView s = text.original;
    for (qsizetype pos = 0; pos < s.size();) {
        qsizetype next = s.indexOf(u'\n', pos);
        if (next < 0)
            next = s.size();
        if (next > pos) {
            bool labelled = false;
            bool stated = false;
            const QStringView raw = trimmedLine(s.sliced(pos, next - pos));
            QString cleaned = cleanedLine(raw, &labelled, &stated);
            const int graphemes = graphemeCount(cleaned, 31);
            const bool labelHere = containsAny(raw.toString().toLower(), recipientLabels);
            // The addressee of an e-mail as mail clients show it ("发送至 我", "to me").
            static const QRegularExpression addressee =
                compiled(QStringLiteral(R"(^(?:to:?|发送至|发送给)\s*(?:me|我)$)"), true);
            const bool toMe = addressee.match(raw).hasMatch();
            const bool heading = (!cleaned.isEmpty() && isStackedLabel(cleaned)) || isColumnHeadings(raw);
            // The title bar of a sheet, closed by its button ("App Store Cancel", "Google Play 取消").
            static constexpr QStringView sheetButtons[] = {u"cancel", u"取消",  u"done",
                                                           u"完成",   u"close", u"关闭"};
            const qsizetype lastBlank = raw.lastIndexOf(u' ');
            // A page's top bar led by its back button ("< Back Purchase History Help", "返回 收据").
            static const QRegularExpression backButton =
                compiled(QStringLiteral(R"(^(?:[<‹]\s*)?(?:back|返回)\s)"), true);
            const bool titleBar = (lastBlank > 0 && isOneOf(raw.sliced(lastBlank + 1), sheetButtons)) ||
                                  backButton.match(raw).hasMatch();
            bool priced = false;
            for (qsizetype at = 0; at < raw.size() && !priced;) {
                qsizetype stop = at;
                while (stop < raw.size() && !isLineSpace(raw[stop]))
                    ++stop;
                priced = stop > at &&
                         (isPrice(raw.sliced(at, stop - at)) || isMisreadPrice(raw.sliced(at, stop - at)));
                at = stop + 1;
            }
            lines.push_back({std::move(cleaned), graphemes, labelled,
                             labelHere || recipientNext || titleBar || toMe, heading, priced, isSentence(raw),
                             stated});
            recipientNext = labelHere;
        }
        pos = next + 1;
    }

    // A field's label on a row of its own above the price heads the name on the row below it; after
    // the price such rows are buttons and links ("Change plan", "更改套餐").
    bool abovePrice = true;
    for (size_t i = 0; i < lines.size(); ++i) {
        abovePrice = abovePrice && !lines[i].priced;
        lines[i].heading = lines[i].heading && abovePrice;
        if (lines[i].heading && i + 1 < lines.size() && !lines[i + 1].heading)
            lines[i + 1].labelled = true;
    }

    // Where no field is labelled as the product, a sentence may name who was paid: "…向网易云音乐会员
    // 支付¥15.00" ("paid to …"), perhaps wrapped onto the next row.
    if (std::none_of(lines.begin(), lines.end(), [](const Line &line) { return line.labelled; })) {
        if (const QString payee = payeeInSentence(text.original); !payee.isEmpty())
            return normalizedName(payee);
    }

    const Line *best = nullptr;
    int bestScore = 0;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const Line &line = lines[size_t(i)];
        if (line.graphemes < 2 || line.graphemes > 30 || line.recipient || line.heading)
            continue;
        // Two small letters or narrow strokes alone are an icon read as letters ("il", "Il" or "|l"
        // for a signal meter).
        if (line.cleaned.size() == 2 && (isLowerLatinWord(line.cleaned) ||
                                         std::all_of(line.cleaned.begin(), line.cleaned.end(), [](QChar c) {
                                             return QStringView(u"iIl|1!").contains(c);
                                         })))
            continue;
        // Words are looked up as Chinese writes them, whatever gaps the recogniser saw between its
        // characters ("超级会 员").
        const QString lower = withoutSpacesInHan(line.cleaned).toLower();
        if (isNoiseLine(line.cleaned, lower) || (!line.labelled && isLinkRow(line.cleaned)) ||
            isOneOf(line.cleaned, statusWords) || isRemarkOnly(line.cleaned) || isReference(line.cleaned))
            continue;
        // What a sentence says before its price ("订阅将以 ¥190/年 自动续订，直至取消。") scores as a phrase.
        int score = nameScore(line.cleaned, lower, i, line.labelled) - (line.prose ? 2 : 0);
        // A name beside its price, as lists of purchases and plans set them.
        // The price may stand on the row below, led by it, as the recogniser splits the gaps.
        const Line *below = size_t(i) + 1 < lines.size() ? &lines[size_t(i) + 1] : nullptr;
        const bool priceBelow =
            below && below->priced && !below->prose &&
            (below->cleaned.isEmpty() || isNoiseLine(below->cleaned, below->cleaned.toLower()) ||
             isRemarkOnly(below->cleaned));
        if ((line.priced || priceBelow || line.stated) && !line.prose)
            score += 1;
        if (score < 1)
            continue;
        if (!best || score > bestScore) {
            best = &line;
            bestScore = score;
        }
    }
    if (best)
        return normalizedName(best->cleaned);

    for (const Line &line : lines) {
        if (line.graphemes >= 2 && line.graphemes <= 24 && !isNoiseLine(line.cleaned, line.cleaned.toLower()))
            return normalizedName(line.cleaned);
    }
    return std::nullopt;
}

bool isNoise(const QString &line) {
    return isNoiseLine(line, line.toLower());
}

QString guessCategory(const QString &name, const Text &text) {
    // Lower-casing maps each character on its own, so the joined text need not be lowered again.
    const QString joined = name.toLower() + u' ' + text.lower;
    for (const CategoryRule &rule : categoryRules) {
        if (containsAny(joined, rule.keywords))
            return rule.category.toString();
    }
    return QStringLiteral("其他");
}

QString scannedTextNote(const QString &text, bool isZh) {
    if (text.isEmpty())
        return {};
    QString note = isZh ? QStringLiteral("📷 识别原文：\n") : QStringLiteral("📷 Scanned text:\n");
    int taken = 0;
    for (qsizetype pos = 0; pos < text.size() && taken < 6;) {
        qsizetype next = text.indexOf(u'\n', pos);
        if (next < 0)
            next = text.size();
        if (next > pos) {
            if (taken > 0)
                note += u" / ";
            note += QStringView(text).sliced(pos, next - pos);
            ++taken;
        }
        pos = next + 1;
    }
    return note;
}

} // namespace detail

Subscription parse(const QString &rawText, const QDateTime &now, const QTimeZone &zone) {
    const detail::Text text(rawText);
    const std::optional<detail::Amount> amount = detail::detectAmount(text);
    const QString name = detail::detectName(text).value_or(QString());
    // Of the periods a page names, the one written after the price paid is what it was paid for.
    std::optional<BillingCycle> cycle = amount ? detail::detectPriceCycle(text, *amount) : std::nullopt;
    if (!cycle)
        cycle = detail::detectCycle(text);
    const BillingType type = detail::detectType(text);
    return Subscription{
        .name = name,
        .amount = amount ? amount->value : 0.0,
        .currency = amount ? amount->currency : QStringLiteral("CNY"),
        .billingType = type,
        .cycle = cycle.value_or(BillingCycle::monthly),
        .startDate =
            detail::detectDate(text, zone, cycle.value_or(BillingCycle::monthly), type).value_or(now.toUTC()),
        .category = detail::guessCategory(name, text),
        .notes = detail::scannedTextNote(text.original, LocalizationManager::shared().isZh()),
    };
}

const QStringList &chineseWords() {
    static const QStringList words = [] {
        QStringList all;
        for (Keywords list :
             {Keywords(brandWords), Keywords(videoKeywords), Keywords(musicKeywords), Keywords(cloudKeywords),
              Keywords(planWords), Keywords(labelWords), Keywords(amountKeywords), Keywords(yearlyKeywords),
              Keywords(quarterlyKeywords), Keywords(monthlyKeywords), Keywords(weeklyKeywords),
              Keywords(oneTimeKeywords), Keywords(fieldLabels), Keywords(statusWords), Keywords(headingWords),
              Keywords(startLabels), Keywords(endLabels)}) {
            for (QStringView word : list) {
                if (word.size() >= 3 && std::all_of(word.begin(), word.end(),
                                                    [](QChar c) { return c.script() == QChar::Script_Han; }))
                    all.append(word.toString());
            }
        }
        all.removeDuplicates();
        return all;
    }();
    return words;
}

Subscription parse(const QString &text) {
    return parse(text, Clock::current().now(), Clock::current().zone());
}

} // namespace ReceiptParser
