#include "ReceiptCorpus.h"

#include <QBuffer>
#include <QColor>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace ReceiptCorpus {

namespace {

// All choices of one receipt come from this generator, in a fixed order.
class Dice {
public:
    explicit Dice(quint64 seed, int index) {
        const std::array<quint32, 3> words{quint32(seed), quint32(seed >> 32), quint32(index)};
        m_rng = QRandomGenerator(words.data(), words.data() + words.size());
    }
    int below(int n) { return n <= 1 ? 0 : int(m_rng.bounded(quint32(n))); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    QString pick(std::initializer_list<const char *> texts) {
        return QString::fromUtf8(*(texts.begin() + below(int(texts.size()))));
    }
    template <typename T> const T &pick(const QList<T> &items) { return items.at(below(int(items.size()))); }

private:
    QRandomGenerator m_rng;
};

struct Service {
    const char *name;
    const char *zhPlan;
    const char *enPlan;
    bool isOneTime = false; // sold as a one-off purchase
};

const QList<Service> &services() {
    static const QList<Service> list{
        {"Netflix", "高级套餐", "Premium"},
        {"Netflix", "标准套餐", "Standard"},
        {"Spotify", "个人套餐", "Premium Individual"},
        {"Spotify", "家庭套餐", "Premium Family"},
        {"YouTube Premium", "家庭会员", "Family"},
        {"Disney+", "标准版", "Standard"},
        {"ChatGPT Plus", "", ""},
        {"ChatGPT", "Pro", "Pro"},
        {"Claude Pro", "", ""},
        {"Midjourney", "基础版", "Basic Plan"},
        {"Gemini Advanced", "", ""},
        {"GitHub Copilot", "个人版", "Pro"},
        {"Cursor Pro", "", ""},
        {"Notion", "Plus 套餐", "Plus"},
        {"Figma", "专业版", "Professional"},
        {"Adobe Creative Cloud", "全部应用", "All Apps"},
        {"Microsoft 365", "家庭版", "Family"},
        {"iCloud+", "200GB", "2TB"},
        {"Dropbox Plus", "", ""},
        {"Setapp", "个人版", "Power User"},
        {"Kindle Unlimited", "电子书包月", "Unlimited"},
        {"Xbox Game Pass", "Ultimate", "Ultimate"},
        {"bilibili", "大会员", "Premium"},
        {"爱奇艺", "黄金VIP会员", "VIP"},
        {"腾讯视频", "VIP会员", "VIP"},
        {"优酷", "VIP会员", "VIP"},
        {"网易云音乐", "黑胶VIP", "VIP"},
        {"QQ音乐", "豪华绿钻", "Premium"},
        {"Apple Music", "个人方案", "Voice Plan"},
        {"百度网盘", "超级会员", "SVIP"},
        {"墨墨背单词", "会员", "Membership"},
        {"1Password", "家庭版", "Families"},
        {"WPS", "超级会员", "Premium"},
        {"印象笔记", "高级账户", "Premium"},
        {"Keep", "会员", "Membership"},
        {"喜马拉雅", "VIP会员", "VIP"},
        {"微信读书", "付费会员", "Membership"},
        {"Grammarly", "Premium", "Premium"},
        {"Duolingo", "Super 会员", "Super"},
        {"得到", "年度会员", "Membership"},
        {"Things 3", "", "", true},
        {"Affinity Photo", "终身版", "Lifetime", true},
        {"Typora", "买断授权", "License", true},
        {"Sublime Text", "永久授权", "Perpetual License", true},
        {"Steam", "Hollow Knight", "Hollow Knight", true},
        {"Surge", "Mac 版", "for Mac", true},
    };
    return list;
}

enum class Currency { cny, usd, hkd, eur, gbp, jpy };

struct Price {
    Currency currency = Currency::cny;
    double value = 0;
};

QString number(double value, bool withCents) {
    if (!withCents && value == std::floor(value))
        return QString::number(qint64(value));
    return QString::number(value, 'f', 2);
}

// One price in one of the ways receipts print it.
QString formatPrice(Dice &dice, const Price &price) {
    const bool cents = price.value != std::floor(price.value) || dice.chance(60);
    const QString n = number(price.value, cents);
    switch (price.currency) {
    case Currency::cny:
        switch (dice.below(8)) {
        case 0:
        case 1:
            return QStringLiteral("¥") + n;
        case 2:
            return QStringLiteral("¥ ") + n;
        case 3:
        case 4:
            return QStringLiteral("￥") + n;
        case 5:
            return n + QStringLiteral("元");
        case 6:
            return QStringLiteral("CNY ") + n;
        default:
            return QStringLiteral("RMB ") + n;
        }
    case Currency::usd:
        switch (dice.below(4)) {
        case 0:
        case 1:
            return QStringLiteral("$") + n;
        case 2:
            return QStringLiteral("US$") + n;
        default:
            return QStringLiteral("USD ") + n;
        }
    case Currency::hkd:
        return dice.chance(70)
                   ? QStringLiteral("HK$") + (dice.chance(50) ? QStringLiteral(" ") : QString()) + n
                   : QStringLiteral("HKD ") + n;
    case Currency::eur:
        return dice.chance(70) ? QStringLiteral("€") + n : QStringLiteral("EUR ") + n;
    case Currency::gbp:
        return dice.chance(70) ? QStringLiteral("£") + n : QStringLiteral("GBP ") + n;
    case Currency::jpy:
        return QStringLiteral("JPY ") + QString::number(qint64(price.value));
    }
    return n;
}

Price randomPrice(Dice &dice, bool chinese) {
    static const QList<double> cny{6,  9.9, 12, 15,  18,  19.9, 25,  30,  45, 58,
                                   68, 88,  98, 128, 148, 198,  248, 328, 648};
    static const QList<double> usd{2.99, 4.99, 9.99, 10.99, 11.99, 15.49, 19.99, 20, 29.99, 99, 119.88, 200};
    static const QList<double> hkd{38, 48, 68, 88, 118, 158, 388};
    static const QList<double> jpy{480, 980, 1200, 1500, 3300};
    Price price;
    const int roll = dice.below(100);
    if (chinese ? roll < 70 : roll < 25) {
        price.currency = Currency::cny;
        price.value = dice.pick(cny);
    } else if (roll < (chinese ? 82 : 70)) {
        price.currency = Currency::usd;
        price.value = dice.pick(usd);
    } else if (roll < (chinese ? 90 : 78)) {
        price.currency = Currency::hkd;
        price.value = dice.pick(hkd);
    } else if (roll < (chinese ? 94 : 88)) {
        price.currency = Currency::eur;
        price.value = dice.pick(usd);
    } else if (roll < (chinese ? 97 : 95)) {
        price.currency = Currency::gbp;
        price.value = dice.pick(usd);
    } else {
        price.currency = Currency::jpy;
        price.value = dice.pick(jpy);
    }
    return price;
}

enum class Cycle { none, weekly, monthly, quarterly, yearly };

// A cycle written right after a price, as in "¥68/月"; empty for `none`.
QString cycleSuffix(Dice &dice, Cycle cycle, bool zh) {
    switch (cycle) {
    case Cycle::none:
        return {};
    case Cycle::weekly:
        return zh ? QStringLiteral("/周") : QStringLiteral("/week");
    case Cycle::monthly:
        return zh ? dice.pick({"/月", "/月", " 每月"})
                  : dice.pick({"/month", "/mo", " per month", " / month"});
    case Cycle::quarterly:
        return zh ? QStringLiteral("/季") : QStringLiteral(" per quarter");
    case Cycle::yearly:
        return zh ? dice.pick({"/年", "/年", " 每年"}) : dice.pick({"/year", "/yr", " per year"});
    }
    return {};
}

// A line that names the cycle or the one-off nature of the purchase, or the empty text.
QString cycleLine(Dice &dice, Cycle cycle, bool isOneTime, bool zh) {
    if (isOneTime) {
        if (dice.chance(15))
            return {};
        return zh ? dice.pick({"一次性购买", "买断制，永久使用", "永久授权", "终身会员"})
                  : dice.pick({"One-time purchase", "Lifetime license", "Perpetual license"});
    }
    switch (cycle) {
    case Cycle::none:
        return {};
    case Cycle::weekly:
        return zh ? dice.pick({"每周自动续费", "周卡"}) : QStringLiteral("Billed weekly");
    case Cycle::monthly:
        return zh ? dice.pick({"连续包月", "自动续费 · 每月", "月度会员", "1个月"})
                  : dice.pick({"Billed monthly", "Renews monthly", "Monthly plan"});
    case Cycle::quarterly:
        return zh ? dice.pick({"连续包季", "季度会员", "3个月"})
                  : dice.pick({"Billed quarterly", "Renews every 3 months"});
    case Cycle::yearly:
        return zh ? dice.pick({"连续包年", "年度会员", "12个月", "按年订阅"})
                  : dice.pick({"Billed annually", "Yearly plan", "12 months"});
    }
    return {};
}

enum class DateStyle { iso, slash, dot, chinese, english };

QString formatDate(DateStyle style, QDate date, Dice &dice, bool withTime) {
    QString text;
    switch (style) {
    case DateStyle::iso:
        text = date.toString(QStringLiteral("yyyy-MM-dd"));
        break;
    case DateStyle::slash:
        text = date.toString(dice.chance(50) ? QStringLiteral("yyyy/M/d") : QStringLiteral("yyyy/MM/dd"));
        break;
    case DateStyle::dot:
        text = date.toString(QStringLiteral("yyyy.MM.dd"));
        break;
    case DateStyle::chinese:
        text = QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
        break;
    case DateStyle::english: {
        static const QStringList months{"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
        text = dice.chance(50) ? QStringLiteral("%1 %2, %3")
                                     .arg(months.at(date.month() - 1))
                                     .arg(date.day())
                                     .arg(date.year())
                               : QStringLiteral("%1 %2 %3")
                                     .arg(date.day())
                                     .arg(months.at(date.month() - 1).left(3))
                                     .arg(date.year());
        break;
    }
    }
    if (withTime)
        text += QStringLiteral(" %1:%2")
                    .arg(dice.between(0, 23), 2, 10, QChar(u'0'))
                    .arg(dice.between(0, 59), 2, 10, QChar(u'0'));
    return text;
}

QString orderNumber(Dice &dice) {
    switch (dice.below(3)) {
    case 0: {
        QString digits;
        for (int i = 0; i < 18; ++i)
            digits += QChar(u'0' + dice.below(10));
        return digits;
    }
    case 1: {
        static const QString letters = QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZ23456789");
        QString id;
        for (int i = 0; i < 10; ++i)
            id += letters.at(dice.below(int(letters.size())));
        return id;
    }
    default: {
        static const QString hex = QStringLiteral("0123456789abcdef");
        QString id;
        for (int i = 0; i < 8; ++i)
            id += hex.at(dice.below(16));
        id += u'-';
        for (int i = 0; i < 4; ++i)
            id += hex.at(dice.below(16));
        return id;
    }
    }
}

// ---------------------------------------------------------------------------------------------
// Page model: rows of text drawn top to bottom.

enum class Style { title, heading, body, secondary, amount, button, small };

struct Row {
    QString left;
    QString right; // drawn right-aligned on the same row; one blank joins the two in the text
    Style style = Style::body;
    bool centered = false;
    bool icon = false;    // an app icon before the text
    bool divider = false; // a hairline under the row
    int spaceBefore = 0;  // in units of the body size / 4
};

struct Theme {
    QColor page, window, titleBar, card, text, secondary, accent, price, divider;
};

Theme themeFor(bool isDark, Dice &dice) {
    Theme t;
    if (isDark) {
        t.page = QColor(dice.pick({"#101012", "#1b1d22", "#0b0b0b"}));
        t.window = QColor(dice.pick({"#1c1c1e", "#202124", "#17181c"}));
        t.titleBar = t.window.lighter(125);
        t.card = QColor(dice.pick({"#2c2c2e", "#26272b", "#1c1c1e"}));
        t.text = QColor(dice.pick({"#f5f5f7", "#e8eaed", "#ffffff"}));
        t.secondary = QColor(dice.pick({"#98989d", "#9aa0a6", "#8e8e93"}));
        t.accent = QColor(dice.pick({"#0a84ff", "#30d158", "#5e5ce6"}));
        t.price = QColor(dice.pick({"#ff9f0a", "#ff6961", "#f5f5f7"}));
        t.divider = QColor(dice.pick({"#3a3a3c", "#38383a"}));
    } else {
        t.page = QColor(dice.pick({"#e9e9ee", "#d5d8de", "#f2f2f7"}));
        t.window = QColor(dice.pick({"#ffffff", "#f7f7f8", "#fbfbfd"}));
        t.titleBar = t.window.darker(106);
        t.card = QColor(dice.pick({"#ffffff", "#f5f5f7", "#fafafa"}));
        t.text = QColor(dice.pick({"#1d1d1f", "#202124", "#000000", "#333333"}));
        t.secondary = QColor(dice.pick({"#6e6e73", "#5f6368", "#86868b"}));
        t.accent = QColor(dice.pick({"#0071e3", "#07c160", "#1677ff"}));
        t.price = QColor(dice.pick({"#fa5151", "#ff6a00", "#1d1d1f"}));
        t.divider = QColor(dice.pick({"#e5e5ea", "#dadce0"}));
    }
    return t;
}

struct Typeface {
    QStringList families;
    int body = 14; // pixel size of ordinary text
};

QFont fontFor(const Typeface &face, Style style) {
    QFont font;
    font.setFamilies(face.families);
    font.setHintingPreference(QFont::PreferDefaultHinting);
    int size = face.body;
    QFont::Weight weight = QFont::Normal;
    switch (style) {
    case Style::title:
        size = int(std::lround(face.body * 1.6));
        weight = QFont::Bold;
        break;
    case Style::heading:
        size = int(std::lround(face.body * 1.2));
        weight = QFont::DemiBold;
        break;
    case Style::amount:
        size = int(std::lround(face.body * 2.0));
        weight = QFont::Bold;
        break;
    case Style::button:
        weight = QFont::DemiBold;
        break;
    case Style::small:
        size = std::max(12, face.body - 1);
        break;
    case Style::body:
    case Style::secondary:
        break;
    }
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

QColor colorFor(const Theme &theme, Style style) {
    switch (style) {
    case Style::secondary:
    case Style::small:
        return theme.secondary;
    case Style::amount:
        return theme.price;
    case Style::button:
        return Qt::white;
    default:
        return theme.text;
    }
}

void drawIcon(QPainter &p, const QRectF &box, Dice &dice) {
    static const QList<QColor> colors{QColor("#e50914"), QColor("#1db954"), QColor("#10a37f"),
                                      QColor("#ff0000"), QColor("#0061fe"), QColor("#fb7299"),
                                      QColor("#00be06"), QColor("#6e56cf")};
    QPainterPath path;
    path.addRoundedRect(box, box.width() * 0.22, box.width() * 0.22);
    QLinearGradient gradient(box.topLeft(), box.bottomRight());
    const QColor c = dice.pick(colors);
    gradient.setColorAt(0, c.lighter(115));
    gradient.setColorAt(1, c.darker(115));
    p.fillPath(path, gradient);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    const QRectF inner =
        box.adjusted(box.width() * 0.3, box.height() * 0.3, -box.width() * 0.3, -box.height() * 0.3);
    if (dice.chance(50))
        p.drawEllipse(inner);
    else
        p.drawRoundedRect(inner, 2, 2);
}

// A piece of text drawn on the page, with the box of its line.
struct Written {
    QRectF box;
    QString text;
};

// The text of a page as a reader's eye takes it in, one visual row per line: pieces whose boxes
// overlap by most of the lower one's height share a row, read left to right.
QStringList visualRows(QList<Written> written) {
    std::stable_sort(written.begin(), written.end(), [](const Written &a, const Written &b) {
        return a.box.center().y() < b.box.center().y();
    });
    QList<QList<Written>> rows;
    QRectF span;
    for (const Written &piece : std::as_const(written)) {
        const qreal overlap =
            std::min(span.bottom(), piece.box.bottom()) - std::max(span.top(), piece.box.top());
        if (!rows.isEmpty() && overlap >= 0.6 * std::min(piece.box.height(), span.height())) {
            rows.back().append(piece);
            span = span.united(piece.box);
            continue;
        }
        rows.append(QList<Written>{piece});
        span = piece.box;
    }
    QStringList lines;
    for (QList<Written> &row : rows) {
        std::stable_sort(row.begin(), row.end(),
                         [](const Written &a, const Written &b) { return a.box.left() < b.box.left(); });
        QStringList parts;
        for (const Written &piece : std::as_const(row))
            parts << piece.text;
        lines << parts.join(u' ');
    }
    return lines;
}

// Draws the rows inside `area` and appends their lines to `lines`. Returns the y after the last row.
qreal drawRows(QPainter &p, const QList<Row> &rows, QRectF area, const Typeface &face, const Theme &theme,
               Dice &dice, QList<Written> &lines) {
    qreal y = area.top();
    for (const Row &row : rows) {
        y += row.spaceBefore * face.body / 4.0;
        const QFont font = fontFor(face, row.style);
        const QFontMetricsF fm(font);
        p.setFont(font);
        qreal lineHeight = fm.height() * 1.3;
        qreal x = area.left();
        qreal width = area.width();
        if (row.icon) {
            const qreal side = std::round(std::max(fm.height() * 1.5, face.body * 2.2));
            lineHeight = side + face.body * 0.5;
            drawIcon(p, QRectF(x, y + (lineHeight - side) / 2, side, side), dice);
            x += side + face.body;
            width -= side + face.body;
        }
        if (row.style == Style::button) {
            const qreal w = fm.horizontalAdvance(row.left) + face.body * 3;
            const qreal h = fm.height() + face.body;
            const QRectF box(row.centered ? area.center().x() - w / 2 : x, y, w, h);
            p.setPen(Qt::NoPen);
            p.setBrush(theme.accent);
            p.drawRoundedRect(box, h / 2.5, h / 2.5);
            p.setPen(Qt::white);
            p.drawText(box, Qt::AlignCenter, row.left);
            lines << Written{QRectF(box.center().x() - fm.horizontalAdvance(row.left) / 2,
                                    box.center().y() - fm.height() / 2, fm.horizontalAdvance(row.left),
                                    fm.height()),
                             row.left};
            y += h + face.body * 0.75;
            continue;
        }
        p.setPen(colorFor(theme, row.style));
        const qreal baseline = y + (lineHeight - fm.height()) / 2 + fm.ascent();
        const qreal leftWidth = fm.horizontalAdvance(row.left);
        if (!row.right.isEmpty()) {
            QFont valueFont = font;
            if (row.style == Style::secondary)
                valueFont = fontFor(face, Style::body);
            const QFontMetricsF vfm(valueFont);
            const qreal rightWidth = vfm.horizontalAdvance(row.right);
            if (leftWidth + rightWidth + face.body * 2 > width) {
                // No room on one row: the value goes under its label.
                p.drawText(QPointF(x, baseline), row.left);
                lines << Written{QRectF(x, baseline - fm.ascent(), leftWidth, fm.height()), row.left};
                y += lineHeight;
                p.setFont(valueFont);
                p.setPen(theme.text);
                p.drawText(QPointF(x, y + (lineHeight - vfm.height()) / 2 + vfm.ascent()), row.right);
                lines << Written{QRectF(x, y + (lineHeight - vfm.height()) / 2, rightWidth, vfm.height()),
                                 row.right};
            } else {
                p.drawText(QPointF(x, baseline), row.left);
                p.setFont(valueFont);
                p.setPen(row.style == Style::secondary ? theme.text : colorFor(theme, row.style));
                p.drawText(QPointF(x + width - rightWidth, baseline), row.right);
                lines << Written{QRectF(x, baseline - fm.ascent(), width, fm.height()),
                                 row.left + u' ' + row.right};
            }
        } else {
            const qreal left = row.centered ? area.center().x() - leftWidth / 2 : x;
            p.drawText(QPointF(left, baseline), row.left);
            lines << Written{QRectF(left, baseline - fm.ascent(), leftWidth, fm.height()), row.left};
        }
        y += lineHeight;
        if (row.divider) {
            y += face.body * 0.4;
            p.setPen(QPen(theme.divider, 1));
            p.drawLine(QPointF(area.left(), std::round(y) + 0.5), QPointF(area.right(), std::round(y) + 0.5));
            y += face.body * 0.6;
        }
    }
    return y;
}

// ---------------------------------------------------------------------------------------------
// Content of the four layouts.

struct Purchase {
    Service service;
    QString product; // the line naming what was bought
    QString price;   // as printed, with the cycle suffix when there is one
    QString total;
    QString cycleLine;
    QString date;
    QString renewDate;
    QString order;
};

// Picks the wording of one label: Chinese, English, or either for mixed pages.
struct Words {
    Language language;
    Dice &dice;
    bool zh() { return language == Language::zh || (language == Language::mixed && dice.chance(50)); }
    QString say(std::initializer_list<const char *> zhTexts, std::initializer_list<const char *> enTexts) {
        return zh() ? dice.pick(zhTexts) : dice.pick(enTexts);
    }
};

Purchase makePurchase(Dice &dice, Language language) {
    Purchase purchase;
    const bool zh = language != Language::en;
    purchase.service = dice.pick(services());
    const Service &s = purchase.service;
    const QString plan =
        QString::fromUtf8(zh && (language == Language::zh || dice.chance(50)) ? s.zhPlan : s.enPlan);
    const QString name = QString::fromUtf8(s.name);
    purchase.product = plan.isEmpty() ? name : name + u' ' + plan;

    Cycle cycle = Cycle::none;
    if (!s.isOneTime) {
        const int roll = dice.below(100);
        cycle = roll < 50   ? Cycle::monthly
                : roll < 80 ? Cycle::yearly
                : roll < 90 ? Cycle::quarterly
                : roll < 95 ? Cycle::weekly
                            : Cycle::none;
    }
    const Price price = randomPrice(dice, zh);
    const QString printed = formatPrice(dice, price);
    purchase.price =
        printed + (dice.chance(60) ? cycleSuffix(dice, cycle, zh && dice.chance(80)) : QString());
    purchase.total = dice.chance(70) ? printed : formatPrice(dice, price);
    purchase.cycleLine = cycleLine(dice, cycle, s.isOneTime, zh && dice.chance(85));

    const QDate day = QDate(2023, 1, 1).addDays(dice.below(4 * 365));
    const DateStyle style = DateStyle(dice.below(5));
    purchase.date = formatDate(style, day, dice, dice.chance(30));
    if (!s.isOneTime && dice.chance(40)) {
        const QDate next = cycle == Cycle::yearly      ? day.addYears(1)
                           : cycle == Cycle::quarterly ? day.addMonths(3)
                                                       : day.addMonths(1);
        purchase.renewDate = formatDate(style, next, dice, false);
    }
    purchase.order = orderNumber(dice);
    return purchase;
}

struct Page {
    QList<Row> rows;
    QList<Row> sidebar; // e-mail folders, drawn in a column left of the rows
    QString windowTitle;
    bool isMobile = false;
};

Page storeReceipt(Dice &dice, Words &w, const Purchase &p) {
    Page page;
    page.windowTitle = w.say({"收据", "购买记录"}, {"Receipt", "Purchase History"});
    page.rows << Row{w.say({"收据", "购买凭证", "订单详情"}, {"Receipt", "Your receipt", "Order details"}),
                     {},
                     Style::title};
    page.rows << Row{w.say({"日期", "购买日期", "下单时间"}, {"Date", "Purchase date", "Order date"}),
                     p.date,
                     Style::secondary,
                     false,
                     false,
                     false,
                     2};
    page.rows << Row{w.say({"订单号", "订单编号"}, {"Order ID", "Order number"}),
                     p.order,
                     Style::secondary,
                     false,
                     false,
                     true};
    page.rows << Row{p.product, p.price, Style::heading, false, dice.chance(60), false, 3};
    if (!p.cycleLine.isEmpty())
        page.rows << Row{p.cycleLine, {}, Style::secondary};
    if (!p.renewDate.isEmpty())
        page.rows << Row{w.say({"续订日期 ", "下次续费："}, {"Renews on ", "Next billing: "}) + p.renewDate,
                         {},
                         Style::secondary};
    page.rows.last().divider = true;
    page.rows << Row{w.say({"合计", "实付", "总计"}, {"Total", "Amount paid"}),
                     p.total,
                     Style::heading,
                     false,
                     false,
                     false,
                     2};
    if (dice.chance(50))
        page.rows << Row{w.say({"如有疑问，请联系客服。", "此收据仅供参考。"},
                               {"Questions? Visit our help center.", "Keep this receipt for your records."}),
                         {},
                         Style::small,
                         false,
                         false,
                         false,
                         4};
    return page;
}

Page orderEmail(Dice &dice, Words &w, const Purchase &p) {
    Page page;
    page.windowTitle = w.say({"邮件", "收件箱"}, {"Mail", "Inbox"});
    if (dice.chance(60)) {
        static const QStringList zhFolders{QStringLiteral("收件箱"), QStringLiteral("已发送"),
                                           QStringLiteral("草稿箱"), QStringLiteral("垃圾邮件")};
        static const QStringList enFolders{QStringLiteral("Inbox"), QStringLiteral("Sent"),
                                           QStringLiteral("Drafts"), QStringLiteral("Junk")};
        for (const QString &folder : w.zh() ? zhFolders : enFolders)
            page.sidebar << Row{folder, {}, Style::body, false, false, false, 1};
    }
    const QString service = QString::fromUtf8(p.service.name);
    page.rows << Row{w.zh() ? QStringLiteral("您的%1订单收据").arg(service)
                            : QStringLiteral("Your receipt from %1").arg(service),
                     {},
                     Style::title};
    QString domain = service.toLower();
    domain.remove(QRegularExpression(QStringLiteral("[^a-z0-9]")));
    if (domain.isEmpty())
        domain = QStringLiteral("service");
    page.rows << Row{QStringLiteral("%1 <no-reply@%2.com>").arg(service, domain),
                     {},
                     Style::secondary,
                     false,
                     false,
                     false,
                     1};
    page.rows << Row{p.date, {}, Style::secondary, false, false, true};
    page.rows << Row{w.say({"您好，", "亲爱的用户："}, {"Hi Alex,", "Hello Jamie,", "Dear customer,"}),
                     {},
                     Style::body,
                     false,
                     false,
                     false,
                     3};
    page.rows << Row{w.say({"感谢您的购买，以下是您的订单信息。", "谢谢！您的订阅已生效。"},
                           {"Thanks for your purchase. Here is your order.",
                            "Thank you, your subscription is now active."}),
                     {},
                     Style::body};
    page.rows << Row{w.say({"订单编号 ", "订单号："}, {"Order number: ", "Order #"}) + p.order,
                     {},
                     Style::secondary,
                     false,
                     false,
                     false,
                     2};
    page.rows << Row{p.product, p.price, Style::body, false, false, false, 2};
    if (!p.cycleLine.isEmpty())
        page.rows << Row{p.cycleLine, {}, Style::secondary};
    page.rows.last().divider = true;
    page.rows << Row{w.say({"合计", "实付款", "支付金额"}, {"Total", "Total charged"}), p.total,
                     Style::heading};
    if (!p.renewDate.isEmpty())
        page.rows << Row{w.say({"下次扣费日期 "}, {"Next charge on "}) + p.renewDate, {}, Style::secondary};
    page.rows << Row{w.say({"此邮件由系统自动发送，请勿回复。"}, {"Regards,", "Thanks,"}),
                     {},
                     Style::small,
                     false,
                     false,
                     false,
                     3};
    return page;
}

Page planPage(Dice &dice, Words &w, const Purchase &p) {
    Page page;
    page.windowTitle = w.say({"订阅管理", "账户设置"}, {"Subscriptions", "Account"});
    page.rows << Row{w.say({"< 返回"}, {"< Back"}), {}, Style::secondary};
    page.rows << Row{p.product, {}, Style::title, false, true, false, 2};
    if (!p.cycleLine.isEmpty())
        page.rows << Row{p.cycleLine, {}, Style::secondary};
    page.rows << Row{p.price, {}, Style::amount, false, false, false, 2};
    if (!p.renewDate.isEmpty())
        page.rows << Row{w.say({"下次扣费日期", "到期时间"}, {"Next billing date", "Renews on"}),
                         p.renewDate,
                         Style::body,
                         false,
                         false,
                         false,
                         2};
    page.rows << Row{w.say({"开通时间", "订阅日期"}, {"Start date", "Member since"}),
                     p.date,
                     Style::body,
                     false,
                     false,
                     true};
    if (dice.chance(80))
        page.rows << Row{w.say({"管理订阅", "更改方案"}, {"Manage", "Change plan"}),
                         {},
                         Style::button,
                         false,
                         false,
                         false,
                         4};
    return page;
}

Page paymentResult(Dice &dice, Words &w, const Purchase &p) {
    Page page;
    page.isMobile = true;
    page.rows << Row{
        QStringLiteral("%1:%2").arg(dice.between(8, 23)).arg(dice.between(0, 59), 2, 10, QChar(u'0')),
        {},
        Style::small};
    page.rows << Row{w.say({"支付成功", "购买成功"}, {"Payment successful", "Purchase complete"}),
                     {},
                     Style::title,
                     true,
                     false,
                     false,
                     6};
    page.rows << Row{p.total, {}, Style::amount, true, false, false, 2};
    page.rows << Row{w.say({"商品", "商品名称"}, {"Item", "Product"}),
                     p.product,
                     Style::secondary,
                     false,
                     false,
                     false,
                     6};
    if (!p.cycleLine.isEmpty())
        page.rows << Row{w.say({"类型"}, {"Plan"}), p.cycleLine, Style::secondary};
    page.rows << Row{w.say({"支付时间", "付款时间"}, {"Paid on", "Time"}), p.date, Style::secondary};
    page.rows << Row{w.say({"支付方式"}, {"Payment"}),
                     w.say({"零钱", "招商银行储蓄卡(8812)", "花呗"}, {"Visa 4242", "PayPal", "Apple Pay"}),
                     Style::secondary};
    page.rows << Row{w.say({"交易单号", "商户单号"}, {"Transaction ID", "Order ID"}), p.order,
                     Style::secondary};
    page.rows << Row{w.say({"完成"}, {"Done"}), {}, Style::button, true, false, false, 6};
    return page;
}

const char *cjkFamily = "Noto Sans CJK SC";

Typeface evaluationTypeface(Dice &dice, int scale) {
    Typeface face;
    const QString cjk = dice.pick(
        {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "AR PL UMing CN", "AR PL UKai CN", "Noto Serif CJK SC"});
    const QString latin =
        dice.pick({"DejaVu Serif", "Liberation Mono", "DejaVu Sans", "Liberation Sans", ""});
    face.families = latin.isEmpty() ? QStringList{cjk} : QStringList{latin, cjk};
    face.body = dice.between(11, 20) * scale;
    return face;
}

Typeface randomTypeface(Dice &dice, int scale) {
    Typeface face;
    const QString latin = dice.pick(
        {"DejaVu Sans", "Liberation Sans", "Noto Sans CJK SC", "Noto Sans CJK SC", "Liberation Serif"});
    face.families = {latin, QString::fromLatin1(cjkFamily)};
    if (latin == QLatin1String("Liberation Serif"))
        face.families << QStringLiteral("Noto Serif CJK SC");
    face.body = dice.between(12, 17) * scale;
    return face;
}

void drawPage(QImage &image, const Page &page, const Theme &theme, const Typeface &face, qreal scale,
              Dice &dice, QList<Written> &lines) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF full(0, 0, image.width(), image.height());
    if (page.isMobile) {
        p.fillRect(full, theme.window);
        const QRectF card = full.adjusted(16 * scale, 0, -16 * scale, 0);
        drawRows(p, page.rows, card.adjusted(0, 12 * scale, 0, 0), face, theme, dice, lines);
        return;
    }
    p.fillRect(full, theme.page);
    QRectF window = full.adjusted(dice.between(20, 90) * scale, dice.between(20, 60) * scale,
                                  -dice.between(20, 90) * scale, -dice.between(20, 60) * scale);
    p.setPen(Qt::NoPen);
    p.setBrush(theme.window);
    p.drawRoundedRect(window, 10 * scale, 10 * scale);
    // Title bar with window buttons and the title.
    const qreal barHeight = 36 * scale;
    const QRectF bar(window.left(), window.top(), window.width(), barHeight);
    p.setBrush(theme.titleBar);
    p.drawRoundedRect(bar, 10 * scale, 10 * scale);
    const std::array<QColor, 3> lights{QColor("#ff5f57"), QColor("#febc2e"), QColor("#28c840")};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lights[i]);
        p.drawEllipse(QPointF(bar.left() + (18 + 20 * i) * scale, bar.center().y()), 6 * scale, 6 * scale);
    }
    QFont titleFont = fontFor(face, Style::body);
    titleFont.setWeight(QFont::DemiBold);
    p.setFont(titleFont);
    p.setPen(theme.secondary);
    p.drawText(bar, Qt::AlignCenter, page.windowTitle);

    {
        const QFontMetricsF fm(titleFont);
        const qreal w = fm.horizontalAdvance(page.windowTitle);
        lines << Written{QRectF(bar.center().x() - w / 2, bar.center().y() - fm.height() / 2, w, fm.height()),
                         page.windowTitle};
    }
    // A sidebar beside the card.
    QRectF content = window.adjusted(0, barHeight, 0, 0);
    if (!page.sidebar.isEmpty()) {
        const QRectF side(content.left(), content.top(), 180 * scale, content.height());
        p.fillRect(side, theme.titleBar);
        drawRows(p, page.sidebar, side.adjusted(20 * scale, 20 * scale, -10 * scale, 0), face, theme, dice,
                 lines);
        content.setLeft(side.right());
    }
    // The receipt sits in a card of readable width.
    const qreal cardWidth = std::min(content.width() - 60 * scale, qreal(dice.between(520, 760) * scale));
    const QRectF card(content.center().x() - cardWidth / 2, content.top() + 24 * scale, cardWidth,
                      content.height() - 48 * scale);
    p.setPen(Qt::NoPen);
    p.setBrush(theme.card);
    p.drawRoundedRect(card, 12 * scale, 12 * scale);
    drawRows(p, page.rows, card.adjusted(28 * scale, 24 * scale, -28 * scale, -24 * scale), face, theme, dice,
             lines);
}

QString dropEmpty(const QStringList &lines) {
    QStringList kept;
    for (const QString &line : lines) {
        if (!line.trimmed().isEmpty())
            kept << line;
    }
    return kept.join(u'\n');
}

} // namespace

QString layoutName(Layout layout) {
    switch (layout) {
    case Layout::storeReceipt:
        return QStringLiteral("receipt");
    case Layout::orderEmail:
        return QStringLiteral("email");
    case Layout::planPage:
        return QStringLiteral("plan");
    case Layout::paymentResult:
        return QStringLiteral("payment");
    }
    return {};
}

QString languageName(Language language) {
    switch (language) {
    case Language::zh:
        return QStringLiteral("zh");
    case Language::en:
        return QStringLiteral("en");
    case Language::mixed:
        return QStringLiteral("mixed");
    }
    return {};
}

QString Receipt::label() const {
    return QStringLiteral("%1-%2-%3-%4-%5px")
        .arg(index, 4, 10, QChar(u'0'))
        .arg(layoutName(layout), languageName(language),
             isDark ? QStringLiteral("dark") : QStringLiteral("light"))
        .arg(bodyPixelSize);
}

Receipt make(quint64 seed, int index, const Options &options) {
    Dice dice(seed, index);
    Receipt receipt;
    receipt.index = index;
    receipt.layout = options.layout.value_or(Layout(dice.below(4)));
    const int languageRoll = dice.below(10);
    receipt.language = options.language.value_or(languageRoll < 5   ? Language::zh
                                                 : languageRoll < 8 ? Language::en
                                                                    : Language::mixed);
    receipt.isDark = options.isDark.value_or(dice.chance(40));

    // Screen: mostly a 1280×800 desktop; some larger, some at twice the density, phones at 2× or 3×.
    int scale = 1;
    QSize size = options.size;
    if (receipt.layout == Layout::paymentResult) {
        scale = dice.chance(60) ? 2 : 3;
        if (size.isEmpty())
            size = QSize(390, 844) * scale;
    } else {
        const int roll = dice.below(100);
        if (roll >= 85)
            scale = 2;
        if (size.isEmpty())
            size = roll < 70 ? QSize(1280, 800) : roll < 85 ? QSize(1440, 900) : QSize(1280, 800) * 2;
        else if (size.width() < 1600)
            scale = 1;
    }
    const bool isEvaluation = options.corpus == Corpus::evaluation;
    if (isEvaluation && receipt.layout != Layout::paymentResult && options.size.isEmpty()) {
        // Phone-width shots of every layout, and HiDPI desktops.
        const int roll = dice.below(100);
        if (roll < 25) {
            scale = dice.chance(50) ? 2 : 3;
            size = QSize(dice.pick({"360", "390", "414"}).toInt(), 1400) * scale;
        } else if (roll < 45) {
            scale = 2;
            size = QSize(1280, 800) * 2;
        }
    }
    const Typeface face = isEvaluation ? evaluationTypeface(dice, scale) : randomTypeface(dice, scale);
    receipt.bodyPixelSize = face.body;
    receipt.typeface = face.families.back();
    const Theme theme = themeFor(receipt.isDark, dice);

    Words words{receipt.language, dice};
    const Purchase purchase = makePurchase(dice, receipt.language);
    Page page;
    switch (receipt.layout) {
    case Layout::storeReceipt:
        page = storeReceipt(dice, words, purchase);
        break;
    case Layout::orderEmail:
        page = orderEmail(dice, words, purchase);
        break;
    case Layout::planPage:
        page = planPage(dice, words, purchase);
        break;
    case Layout::paymentResult:
        page = paymentResult(dice, words, purchase);
        break;
    }

    if (isEvaluation && size.width() < 800 * scale)
        page.isMobile = true;
    receipt.image = QImage(size, QImage::Format_RGB32);
    QList<Written> written;
    drawPage(receipt.image, page, theme, face, scale, dice, written);
    receipt.text = dropEmpty(visualRows(written));

    // Some screenshots travel as JPEG.
    receipt.isJpeg = dice.chance(isEvaluation ? 30 : 10);
    if (receipt.isJpeg) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        receipt.image.save(&buffer, "JPEG", dice.between(75, 92));
        receipt.image = QImage::fromData(bytes, "JPEG").convertToFormat(QImage::Format_RGB32);
    }
    return receipt;
}

int writeFolder(const QString &folder, quint64 seed, int count, const Options &options, int first) {
    if (!QDir().mkpath(folder))
        return 0;
    QFile styles(QDir(folder).filePath(QStringLiteral("styles.tsv")));
    if (!styles.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    styles.write("label\ttypeface\tfile\n");
    int written = 0;
    for (int i = first; i < first + count; ++i) {
        const Receipt receipt = make(seed, i, options);
        const QString base = QDir(folder).filePath(receipt.label());
        QFile text(base + QStringLiteral(".txt"));
        if (!receipt.image.save(base + QStringLiteral(".png")) || !text.open(QIODevice::WriteOnly))
            continue;
        text.write(receipt.text.toUtf8() + '\n');
        styles.write((receipt.label() + u'\t' + receipt.typeface + u'\t' +
                      (receipt.isJpeg ? QStringLiteral("JPEG") : QStringLiteral("PNG")) + u'\n')
                         .toUtf8());
        ++written;
    }
    return written;
}

} // namespace ReceiptCorpus
