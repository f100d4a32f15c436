#include "receipt/ReceiptParser.h"

#include "TestSupport.h"

#include <QTest>

#include <cmath>
#include <thread>

Q_DECLARE_METATYPE(BillingCycle)
Q_DECLARE_METATYPE(BillingType)

using ReceiptParser::detail::Text;
using Lang = LocalizationManager::Lang;

namespace {

QTimeZone zone() {
    return QTimeZone::systemTimeZone();
}

QDateTime now() {
    return TestSupport::at(zone(), 2025, 6, 1, 12, 0);
}

Subscription parse(const QString &text) {
    return ReceiptParser::parse(text, now(), zone());
}

QString lines(std::initializer_list<const char *> pieces) {
    QStringList list;
    for (const char *piece : pieces)
        list << QString::fromUtf8(piece);
    return list.join(u'\n');
}

QString utf8(const char *text) {
    return QString::fromUtf8(text);
}

} // namespace

class TestReceiptParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        LocalizationManager::setPreferredLanguagesSource([] { return QStringList{u"en-US"_qs}; });
    }

    void wholeReceipts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<BillingCycle>("cycle");
        QTest::addColumn<BillingType>("type");
        QTest::addColumn<QDate>("start"); // null: the current moment
        QTest::addColumn<QString>("category");

        QTest::newRow("netflix, chinese page") << lines({"Netflix", "高级套餐", "¥68.00/月", "2025年3月7日"})
                                               << u"Netflix"_qs << 68.0 << u"CNY"_qs << BillingCycle::monthly
                                               << BillingType::recurring << QDate(2025, 3, 7) << u"影音"_qs;
        QTest::newRow("spotify, paid price after list price")
            << lines({"Spotify", "Premium", "原价 ¥15.00", "实付 ¥9.90"}) << u"Spotify"_qs << 9.9 << u"CNY"_qs
            << BillingCycle::monthly << BillingType::recurring << QDate() << u"音乐"_qs;
        QTest::newRow("english invoice e-mail")
            << lines({"Hello Anna,", "Your ChatGPT Plus subscription", "Invoice #4411", "Total: $20.00",
                      "Billed yearly on 2024-11-30", "Thanks, the team"})
            << u"Your ChatGPT Plus subscription"_qs << 20.0 << u"USD"_qs << BillingCycle::yearly
            << BillingType::recurring << QDate(2024, 11, 30) << u"AI/工具"_qs;
        QTest::newRow("one-time purchase")
            << lines({"Setapp", "终身买断版", "HK$ 388", "2023/1/5"}) << u"Setapp"_qs << 388.0 << u"HKD"_qs
            << BillingCycle::monthly << BillingType::oneTime << QDate(2023, 1, 5) << u"软件"_qs;
        QTest::newRow("empty text") << QString() << QString() << 0.0 << u"CNY"_qs << BillingCycle::monthly
                                    << BillingType::recurring << QDate() << u"其他"_qs;
        QTest::newRow("nothing recognisable")
            << lines({"¥", "--:--", "---"}) << QString() << 0.0 << u"CNY"_qs << BillingCycle::monthly
            << BillingType::recurring << QDate() << u"其他"_qs;
    }

    void wholeReceipts() {
        QFETCH(QString, text);
        const Subscription proposal = parse(text);
        QTEST(proposal.name, "name");
        QTEST(proposal.amount, "amount");
        QTEST(proposal.currency, "currency");
        QTEST(proposal.cycle, "cycle");
        QTEST(proposal.billingType, "type");
        QFETCH(QDate, start);
        QCOMPARE(proposal.startDate, start.isNull() ? now() : start.startOfDay(zone()));
        QTEST(proposal.category, "category");
        QVERIFY(proposal.isActive);
        QVERIFY(!proposal.id.isNull());
    }

    void amount_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("currency");

        QTest::newRow("greatest value without keywords")
            << u"Plan A $9.99\nPlan B ¥68"_qs << 68.0 << u"CNY"_qs;
        QTest::newRow("keyword beats a larger value")
            << utf8("原价 ¥15.00 (list)\n实付 ¥9.90") << 9.9 << u"CNY"_qs;
        // The window runs two units past the match start, so it reaches into the next line here.
        QTest::newRow("window reaches the next line") << utf8("原价 ¥15.00\n实付 ¥9.90") << 15.0 << u"CNY"_qs;
        QTest::newRow("line feed counts as the blank") << utf8("¥\n12") << 12.0 << u"CNY"_qs;
        QTest::newRow("keyword window ignores case") << u"LIST $50\nTOTAL $45"_qs << 45.0 << u"USD"_qs;
        // The window starts 20 code units before the match and ends 2 after it.
        QTest::newRow("keyword twenty units before")
            << (u"实付"_qs + QString(18, u' ') + u"¥5\n¥50"_qs) << 5.0 << u"CNY"_qs;
        QTest::newRow("keyword twenty-one units before")
            << (u"实付"_qs + QString(19, u' ') + u"¥5\n¥50"_qs) << 50.0 << u"CNY"_qs;
        QTest::newRow("sum paid after a larger list price")
            << u"List price $100.00 Save $20.00\nDiscount -$20.00\nAmount paid $80.00"_qs << 80.0
            << u"USD"_qs;
        // The sum paid is the largest price less a saving where its keyword was misread.
        QTest::newRow("list price less a saving")
            << u"HK$507.00\nList price HK$608.40 Save HK$101.40\nDiscount -HK$101.40\nIotal HK$507.00"_qs
            << 507.0 << u"HKD"_qs;
        QTest::newRow("list price less a discount") << utf8("原价 ¥30\n优惠券 -¥5\n¥25") << 25.0 << u"CNY"_qs;
        QTest::newRow("tax is no saving") << u"Subtotal $10.00\nTax $0.80\n$10.80"_qs << 10.8 << u"USD"_qs;
        QTest::newRow("subtotal is not the sum paid")
            << utf8("Subtotal 132,12 €\nTax 11,88 €\nTotal due 144,00 €") << 144.0 << u"EUR"_qs;
        QTest::newRow("keyword just after the match") << utf8("¥50\nfoo ¥5 合计") << 50.0 << u"CNY"_qs;
        QTest::newRow("window near the start runs 12 units")
            << (u"$5     total"_qs + QString(10, u'\n') + u"$50"_qs) << 5.0 << u"USD"_qs;
        QTest::newRow("window near the start ends after 12 units")
            << (u"$5      total"_qs + QString(10, u'\n') + u"$50"_qs) << 50.0 << u"USD"_qs;
        // Pass order decides before text order.
        QTest::newRow("symbol pass listed before unit pass") << utf8("合计 30元 ¥20") << 20.0 << u"CNY"_qs;
        QTest::newRow("equal values: earliest in the list") << utf8("5元 $5") << 5.0 << u"USD"_qs;
        QTest::newRow("equal values: text order in a pass") << u"€7 £7"_qs << 7.0 << u"EUR"_qs;
        QTest::newRow("HK$") << u"HK$ 88"_qs << 88.0 << u"HKD"_qs;
        QTest::newRow("hk$ lower case") << u"hk$88"_qs << 88.0 << u"HKD"_qs;
        QTest::newRow("$ with blank") << u"$ 88"_qs << 88.0 << u"USD"_qs;
        QTest::newRow("pound") << u"£4.5"_qs << 4.5 << u"GBP"_qs;
        QTest::newRow("full-width yen") << utf8("￥12") << 12.0 << u"CNY"_qs;
        QTest::newRow("unit 元") << utf8("88元") << 88.0 << u"CNY"_qs;
        QTest::newRow("unit after cents and a blank") << utf8("88.99 元") << 88.99 << u"CNY"_qs;
        QTest::newRow("unit 块 after blank") << utf8("88 块") << 88.0 << u"CNY"_qs;
        QTest::newRow("unit 圆 with decimals") << utf8("1.5圆") << 1.5 << u"CNY"_qs;
        QTest::newRow("unit after digits grouped by a point") << utf8("12.345元") << 12345.0 << u"CNY"_qs;
        QTest::newRow("unit after a point and four digits") << utf8("1.2345元") << 2345.0 << u"CNY"_qs;
        QTest::newRow("unit after a long run") << utf8("1234567元") << 1234567.0 << u"CNY"_qs;
        QTest::newRow("rmb") << u"rmb 88"_qs << 88.0 << u"CNY"_qs;
        QTest::newRow("JPY") << u"JPY 1200"_qs << 1200.0 << u"JPY"_qs;
        QTest::newRow("usd lower case") << u"usd12"_qs << 12.0 << u"USD"_qs;
        QTest::newRow("Kelvin sign in HKD") << utf8("H\u212AD 30") << 30.0 << u"HKD"_qs;
        QTest::newRow("thousands grouped by commas") << utf8("¥1,299.00") << 1299.0 << u"CNY"_qs;
        QTest::newRow("two groups") << u"$1,234,567"_qs << 1234567.0 << u"USD"_qs;
        QTest::newRow("grouped before a unit") << utf8("1,299.50 元") << 1299.5 << u"CNY"_qs;
        QTest::newRow("grouped before a code") << u"2,400 JPY"_qs << 2400.0 << u"JPY"_qs;
        // Decimal and grouping marks as the countries of each currency write them.
        QTest::newRow("decimal comma") << u"€12,99"_qs << 12.99 << u"EUR"_qs;
        QTest::newRow("euro sign after a decimal comma") << utf8("Total 12,99 € /mo") << 12.99 << u"EUR"_qs;
        QTest::newRow("points group, a comma ends") << utf8("1.299,00 €") << 1299.0 << u"EUR"_qs;
        QTest::newRow("blanks group, a comma ends") << utf8("1 299,50 €") << 1299.5 << u"EUR"_qs;
        QTest::newRow("narrow blanks group") << utf8("€1\u202F299,50") << 1299.5 << u"EUR"_qs;
        QTest::newRow("blanks group before the euro sign") << utf8("Total 1 299 €") << 1299.0 << u"EUR"_qs;
        QTest::newRow("blanks without a decimal comma or euro sign do not group")
            << utf8("2 299 EUR") << 299.0 << u"EUR"_qs;
        QTest::newRow("a point before three digits groups them") << utf8("JP¥1.960") << 1960.0 << u"JPY"_qs;
        QTest::newRow("points grouping millions") << u"$1.234.567"_qs << 1234567.0 << u"USD"_qs;
        QTest::newRow("points group, a point ends") << utf8("¥1.299.00") << 1299.0 << u"CNY"_qs;
        QTest::newRow("a point before four digits") << u"$12.3456"_qs << 12.34 << u"USD"_qs;
        QTest::newRow("a comma before three digits, then two") << u"$1,299,00"_qs << 1.0 << u"USD"_qs;
        QTest::newRow("a comma before four digits ends the number") << u"$1,2345"_qs << 1.0 << u"USD"_qs;
        QTest::newRow("a comma before one digit ends the number") << u"$12,5"_qs << 12.0 << u"USD"_qs;
        QTest::newRow("a list of prices") << u"$5,$7"_qs << 7.0 << u"USD"_qs;
        QTest::newRow("point-grouped yen") << utf8("JPY 1.960") << 1960.0 << u"JPY"_qs;
        QTest::newRow("zero is no amount") << utf8("¥0.00") << 0.0 << u"CNY"_qs;
        QTest::newRow("zero leaves other amounts") << utf8("¥0.00 $3") << 3.0 << u"USD"_qs;
        QTest::newRow("ideographic space counts as a blank") << utf8("¥\u30005") << 5.0 << u"CNY"_qs;
        QTest::newRow("two blanks are too many") << utf8("¥  5") << 0.0 << u"CNY"_qs;
        QTest::newRow("non-ASCII digits are no number") << utf8("¥٥ ¥５") << 0.0 << u"CNY"_qs;
        QTest::newRow("twenty-digit price")
            << u"$99999999999999999999.99"_qs << 99999999999999999999.99 << u"USD"_qs;
        // A value beyond the range of a double would make the record unsaveable.
        QTest::newRow("overflowing price is dropped")
            << (u"$"_qs + QString(400, u'9') + u" ¥5"_qs) << 5.0 << u"CNY"_qs;
        QTest::newRow("overflowing price alone") << (u"¥"_qs + QString(400, u'9')) << 0.0 << u"CNY"_qs;
        // Currencies the program does not support give no amount rather than one in another currency.
        QTest::newRow("rupee sign") << utf8("Total ₹414") << 0.0 << u"CNY"_qs;
        QTest::newRow("won sign beside a smaller dollar price")
            << utf8("₩12000\nPlan $9") << 0.0 << u"CNY"_qs;
        QTest::newRow("rupee code") << u"INR 414"_qs << 0.0 << u"CNY"_qs;
        QTest::newRow("rupees abbreviated") << u"Rs. 414"_qs << 0.0 << u"CNY"_qs;
        QTest::newRow("won code after the number") << u"12000 KRW"_qs << 0.0 << u"CNY"_qs;
        QTest::newRow("New Taiwan dollars") << u"NT$ 499"_qs << 0.0 << u"CNY"_qs;
        QTest::newRow("Singapore dollars") << u"S$49.00"_qs << 0.0 << u"CNY"_qs;
        QTest::newRow("Australian dollars") << u"AU$12"_qs << 0.0 << u"CNY"_qs;
        QTest::newRow("keyword on an unsupported price") << utf8("Total ₹921\n$5 off") << 0.0 << u"CNY"_qs;
        QTest::newRow("price in another currency elsewhere")
            << utf8("Total $9.99\nAbout ₹830") << 9.99 << u"USD"_qs;
        // Supported currencies in their other spellings.
        QTest::newRow("US$") << u"US$5"_qs << 5.0 << u"USD"_qs;
        QTest::newRow("CN¥") << utf8("CN¥30") << 30.0 << u"CNY"_qs;
        QTest::newRow("JP¥") << utf8("JP¥1200") << 1200.0 << u"JPY"_qs;
        QTest::newRow("JP¥ with a mark between") << utf8("JP?¥699") << 699.0 << u"JPY"_qs;
        // A sign lost between a country's letters and the number.
        QTest::newRow("CN¥ without its sign") << utf8("CN490.90/年付") << 490.9 << u"CNY"_qs;
        QTest::newRow("US$ without its sign") << u"Total US1,299"_qs << 1299.0 << u"USD"_qs;
        QTest::newRow("CN¥ with its sign misread") << utf8("续费金额 CN乳16.00/月") << 16.0 << u"CNY"_qs;
        // A sign read as a look-alike, where nothing else reads as a price.
        QTest::newRow("yen read as Y") << utf8("Premium\nY75.00,er quarter") << 75.0 << u"CNY"_qs;
        QTest::newRow("euro read as e") << utf8("e5.99 perweek") << 5.99 << u"EUR"_qs;
        QTest::newRow("euro read as epsilon") << utf8("ε29.99 Paid") << 29.99 << u"EUR"_qs;
        QTest::newRow("dollar read as s") << utf8("Paid\ns54.99") << 54.99 << u"USD"_qs;
        QTest::newRow("euro read as element of") << utf8("Thank you!\n120,00 ∈") << 120.0 << u"EUR"_qs;
        QTest::newRow("euro read as element of, apart") << utf8("Renews at ∈ 100.00") << 100.0 << u"EUR"_qs;
        QTest::newRow("yuan sign lost after paying")
            << utf8("尾号4130的账户于2026年6月28日 05:03支付6.99，每月自动续费") << 6.99 << u"CNY"_qs;
        QTest::newRow("look-alike beside a price") << utf8("S99.00 Total $12.00") << 12.0 << u"USD"_qs;
        QTest::newRow("look-alike inside a word or without decimals")
            << utf8("Model XY5.00 S12 e5") << 0.0 << u"CNY"_qs;
        // Digits 1 and 0 read as look-alike letters after a sign.
        QTest::newRow("ones and noughts read as letters after a sign")
            << utf8("续费 ¥l90/年\n共 ¥2.00") << 190.0 << u"CNY"_qs;
        QTest::newRow("letters after a sign starting a word") << utf8("$lOO off\n$l0ss") << 0.0 << u"CNY"_qs;
        QTest::newRow("ones alone read as letters after a sign")
            << utf8("List price ¥22 Save Yll\nTotal due ¥ll") << 11.0 << u"CNY"_qs;
        QTest::newRow("sign and digits read as look-alikes") << utf8("el31.99/ year") << 131.99 << u"EUR"_qs;
        QTest::newRow("noughts read as letters after a code")
            << utf8("Total CNY4OO\nUSD OK 2") << 400.0 << u"CNY"_qs;
        // An E may be a euro or a pound sign.
        QTest::newRow("sign read as E") << utf8("Total E3.99") << 0.0 << u"CNY"_qs;
        QTest::newRow("dollar read as S after a country's letters")
            << utf8("Paid HkS8.35") << 8.35 << u"HKD"_qs;
        QTest::newRow("dollar read as S, ones as letters") << utf8("Due USSl.22") << 1.22 << u"USD"_qs;
        QTest::newRow("code one letter off beside the code")
            << utf8("Plan IKD 1,437.80 HKD 718.90") << 1437.8 << u"HKD"_qs;
        QTest::newRow("code one letter off alone") << utf8("Plan IKD 1,437.80 $5") << 5.0 << u"USD"_qs;
        QTest::newRow("code inside a reference") << u"s99.99\nReference R8V9RS1T4S"_qs << 99.99 << u"USD"_qs;
        QTest::newRow("country letters before a bare count") << u"CN2026 HK 12.00"_qs << 0.0 << u"CNY"_qs;
        QTest::newRow("code after the number") << utf8("883.99 CNY 每年") << 883.99 << u"CNY"_qs;
        QTest::newRow("letters of no country before a sign") << u"IE$35.50"_qs << 35.5 << u"USD"_qs;
        QTest::newRow("dollar sign inside a word") << u"PLUS$9"_qs << 9.0 << u"USD"_qs;
        QTest::newRow("code does not reach the next line")
            << utf8("应付金额 11.00 USD\n2026-07-20") << 11.0 << u"USD"_qs;
        QTest::newRow("largest finite price") << (u"¥1"_qs + QString(300, u'0')) << 1e300 << u"CNY"_qs;
    }

    void amount() {
        QFETCH(QString, text);
        const Subscription proposal = parse(text);
        QVERIFY(std::isfinite(proposal.amount));
        QTEST(proposal.amount, "amount");
        QTEST(proposal.currency, "currency");
    }

    void candidatesArePassByPass() {
        const auto candidates = ReceiptParser::detail::amountCandidates(Text(utf8("CNY 30元 ¥2 HK$3 $4")));
        QStringList seen;
        for (const auto &candidate : candidates)
            seen << u"%1 %2 @%3"_qs.arg(candidate.value).arg(candidate.currency).arg(candidate.location);
        QCOMPARE(seen, (QStringList{u"2 CNY @8"_qs, u"4 USD @16"_qs, u"3 HKD @11"_qs, u"30 CNY @4"_qs,
                                    u"30 CNY @0"_qs}));
    }

    void cycle_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<BillingCycle>("cycle");

        QTest::newRow("nothing: monthly") << u"Netflix"_qs << BillingCycle::monthly;
        QTest::newRow("yearly before monthly") << utf8("每月 ¥10，每年 ¥100") << BillingCycle::yearly;
        QTest::newRow("quarterly before weekly")
            << u"weekly digest, quarterly plan"_qs << BillingCycle::quarterly;
        QTest::newRow("weekly before monthly") << u"Weekly / monthly"_qs << BillingCycle::weekly;
        QTest::newRow("per year") << u"$99 PER YEAR"_qs << BillingCycle::yearly;
        QTest::newRow("/yr") << u"$99/yr"_qs << BillingCycle::yearly;
        QTest::newRow("slash apart from its unit") << utf8("¥190.00/ 年") << BillingCycle::yearly;
        QTest::newRow("slash read as a letter") << u"$9,610lyear"_qs << BillingCycle::yearly;
        QTest::newRow("slash read as a letter after a gap") << u"$9.99 |yr"_qs << BillingCycle::yearly;
        QTest::newRow("year cut at the row's end")
            << u"CHF 215.90 per yea\nNext 3 weeks"_qs << BillingCycle::yearly;
        QTest::newRow("year cut after a slash") << u"4,370/ ye"_qs << BillingCycle::yearly;
        QTest::newRow("a cut year ends its row") << u"per ye x 3 weeks"_qs << BillingCycle::weekly;
        QTest::newRow("a letter after a word is no slash") << u"bulyear 3 weeks"_qs << BillingCycle::weekly;
        QTest::newRow("blank inside 每 周") << utf8("每 周") << BillingCycle::weekly;
        QTest::newRow("every week in words") << u"Renews every week"_qs << BillingCycle::weekly;
        QTest::newRow("keyword far into a long text")
            << (QString(5000, u'x') + u"每年"_qs) << BillingCycle::yearly;
        QTest::newRow("keyword wins over number and unit") << utf8("包月 12个月") << BillingCycle::monthly;
        QTest::newRow("12个月") << utf8("12个月") << BillingCycle::yearly;
        QTest::newRow("6个月") << utf8("6个月") << BillingCycle::quarterly;
        QTest::newRow("3 months") << u"3 months"_qs << BillingCycle::quarterly;
        QTest::newRow("3 MONTHS") << u"3 MONTHS"_qs << BillingCycle::quarterly;
        QTest::newRow("11 months") << u"11 months"_qs << BillingCycle::quarterly;
        QTest::newRow("2 months") << u"2 months"_qs << BillingCycle::monthly;
        QTest::newRow("1个月") << utf8("1个月") << BillingCycle::monthly;
        QTest::newRow("0个月") << utf8("0个月") << BillingCycle::monthly;
        QTest::newRow("2年") << utf8("2年") << BillingCycle::yearly;
        QTest::newRow("4 weeks") << u"4 weeks"_qs << BillingCycle::weekly;
        QTest::newRow("2季") << utf8("2季") << BillingCycle::quarterly;
        QTest::newRow("blanks and tabs before the unit") << u"3 \t  months"_qs << BillingCycle::quarterly;
        // Of the periods a page offers, the one written after the price paid.
        QTest::newRow("period after the price paid")
            << utf8("连续包月 已选 连续包年\n应付金额 RMB 51.90\nRMB 51.90/月 RMB 155.99/年")
            << BillingCycle::monthly;
        QTest::newRow("period after a unit")
            << utf8("48.99元 每月 146.99元 每年\n应付金额 48.99元") << BillingCycle::monthly;
        QTest::newRow("period after a slash read apart")
            << utf8("连续包年\n应付金额 ¥ 120.00\n¥ 120.00/ 每月") << BillingCycle::monthly;
        QTest::newRow("period in words after the price")
            << u"Total due GBP 9.99\nGBP 9.99 a month GBP 29.90 per year"_qs << BillingCycle::monthly;
        QTest::newRow("first number and unit decides")
            << u"3 months, then 1 year"_qs << BillingCycle::quarterly;
        QTest::newRow("digits without a unit are skipped")
            << u"order 20250307 for 6 months"_qs << BillingCycle::quarterly;
        QTest::newRow("count too large for 64 bits")
            << u"99999999999999999999 months"_qs << BillingCycle::monthly;
        QTest::newRow("full-width digits are no count") << utf8("１２个月") << BillingCycle::monthly;
        QTest::newRow("a date's year and month are no counts")
            << utf8("购买时间 2026年5月12日") << BillingCycle::monthly;
        QTest::newRow("the billing field over the name's remark")
            << utf8("咪咕Pro【年付】\n扣费方式 按季续费") << BillingCycle::quarterly;
        QTest::newRow("keyword cut by the row's end") << utf8("连续包\n季") << BillingCycle::quarterly;
        QTest::newRow("a card names its period") << utf8("樊登读书 年卡") << BillingCycle::yearly;
        QTest::newRow("a period word with a letter misread") << u"Billed annuilly"_qs << BillingCycle::yearly;
        QTest::newRow("a misread letter at a period word's end")
            << u"Plan Monthiy"_qs << BillingCycle::monthly;
        QTest::newRow("a misread first letter names no period")
            << u"Billed nearly"_qs << BillingCycle::monthly;
        QTest::newRow("two letters misread name no period") << u"Weakiy news"_qs << BillingCycle::monthly;
        QTest::newRow("a misread keyword after an exact one")
            << u"Quartarly plan, billed monthly"_qs << BillingCycle::monthly;
    }

    void cycle() {
        QFETCH(QString, text);
        QTEST(parse(text).cycle, "cycle");
    }

    // Every keyword of each list, alone in a text, and upper-cased.
    void keywords_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("kind");
        const std::pair<const char *, const char *> lists[] = {
            {"yearly", "每年 年度 /年 年付 按年 包年 一年 每|年 yearly annual /year per|year /yr"},
            {"quarterly", "每季 季度 季付 按季 包季 quarter"},
            {"weekly", "每周 周付 按周 包周 weekly /week 每|周"},
            {"monthly", "每月 月度 /月 月付 按月 包月 每|月 monthly /month per|month /mo"},
            {"oneTime", "一次性 单次 买断 永久 终身 one-time onetime lifetime perpetual"},
            {"amount", "实付 合计 金额 价格 支付 总计 total amount 应付 付款"},
        };
        for (const auto &[kind, words] : lists) {
            for (const QString &word : utf8(words).split(u' '))
                QTest::addRow("%s %s", kind, qPrintable(word))
                    << QString(word).replace(u'|', u' ') << utf8(kind);
        }
    }

    void keywords() {
        QFETCH(QString, keyword);
        QFETCH(QString, kind);
        for (const QString &text : {keyword, keyword.toUpper()}) {
            if (kind == u"amount") {
                const Subscription proposal = parse(u"¥50"_qs + QString(12, u'\n') + text + u" ¥5"_qs);
                QCOMPARE(proposal.amount, 5.0);
                continue;
            }
            // A count and unit of another cycle, which only decides when no keyword does.
            const QString otherCycle = kind == u"yearly" ? u"2 weeks"_qs : u"5 years"_qs;
            const Subscription proposal = parse(u"x "_qs + text + u" x "_qs + otherCycle);
            QCOMPARE(proposal.billingType,
                     kind == u"oneTime" ? BillingType::oneTime : BillingType::recurring);
            QCOMPARE(rawValue(proposal.cycle), kind == u"oneTime" ? u"yearly"_qs : kind);
        }
    }

    void type_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<BillingType>("type");

        QTest::newRow("plain") << u"¥30/月"_qs << BillingType::recurring;
        QTest::newRow("终身 with a cycle") << utf8("终身会员 每年") << BillingType::oneTime;
        QTest::newRow("Lifetime upper case") << u"LIFETIME licence"_qs << BillingType::oneTime;
        QTest::newRow("one-time") << u"One-Time purchase"_qs << BillingType::oneTime;
        QTest::newRow("a letter misread") << u"Lifrtime licence"_qs << BillingType::oneTime;
        QTest::newRow("blanks beside the hyphen") << u"One- time purchase"_qs << BillingType::oneTime;
        QTest::newRow("cut by the row's end") << utf8("单\n次购买") << BillingType::oneTime;
        QTest::newRow("the first letter misread") << u"Wifetime"_qs << BillingType::recurring;
    }

    void type() {
        QFETCH(QString, text);
        QTEST(parse(text).billingType, "type");
    }

    void startDate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("day"); // null: the current moment

        QTest::newRow("dashes") << u"2025-03-07"_qs << QDate(2025, 3, 7);
        QTest::newRow("slashes, short") << u"2025/3/7"_qs << QDate(2025, 3, 7);
        QTest::newRow("points") << u"2025.03.07"_qs << QDate(2025, 3, 7);
        QTest::newRow("chinese") << utf8("2025年3月7日") << QDate(2025, 3, 7);
        QTest::newRow("month named first") << u"Paid Oct. 4, 2026"_qs << QDate(2026, 10, 4);
        QTest::newRow("month named after the day") << u"Starts 4 September 2026"_qs << QDate(2026, 9, 4);
        QTest::newRow("named month, its comma read full-width")
            << utf8("购买日期 Jun 28，2025") << QDate(2025, 6, 28);
        QTest::newRow("named month, its comma read as a point, before a later date")
            << u"Start date March 9.2026 | Renews 2026-04-09"_qs << QDate(2026, 3, 9);
        QTest::newRow("named month, a blank before its full-width comma")
            << utf8("Paid Jun 8 ，2025") << QDate(2025, 6, 8);
        QTest::newRow("named month without a year") << u"Tue, Oct 4, 9:41"_qs << QDate();
        QTest::newRow("first date in reading order")
            << u"2025-09-01, then 2025-08-01"_qs << QDate(2025, 9, 1);
        // Which date is the start is said by its label, before it or, in Chinese, after it.
        QTest::newRow("labelled start after a date to come")
            << u"next 2025-09-01, paid 2025-08-01"_qs << QDate(2025, 8, 1);
        QTest::newRow("valid-until before the purchase")
            << utf8("有效期至 2027/03/14\n购买时间 2026/03/14") << QDate(2026, 3, 14);
        QTest::newRow("unlabelled date before a renewal")
            << u"Date Jun 13, 2026\nRenews Jun 13, 2027"_qs << QDate(2026, 6, 13);
        QTest::newRow("a renewal alone: a period before it")
            << u"Renews Oct. 4, 2026 yearly"_qs << QDate(2025, 10, 4);
        QTest::newRow("renewal verb after the date") << utf8("2026/2/10 续订 每月") << QDate(2026, 1, 10);
        QTest::newRow("renewal label on the row above")
            << utf8("下次扣费日期：\n2026.11.03\n每季") << QDate(2026, 8, 3);
        QTest::newRow("one-time purchase keeps its end date")
            << u"Expires 2026-05-01 lifetime"_qs << QDate(2026, 5, 1);
        QTest::newRow("paying verb on the next row of the sentence")
            << utf8("短信 · 2026-10-09\n您尾号6574的账户于2026年10月12日 04:37向Kagi\n支付¥39.50，连续包月")
            << QDate(2026, 10, 12);
        QTest::newRow("a sender's bracket opens another message")
            << utf8("信息 · 2026年9月25日\n【支付宝】您的验证码为837379\n2026/09/28 支付¥13.90")
            << QDate(2026, 9, 28);
        QTest::newRow("a row led by a label is another field")
            << utf8("2025-01-02\n日期 2026-09-10\n续订方式 连续包年") << QDate(2025, 1, 2);
        // A label read imperfectly still says what its date is; where none does, reading order decides.
        QTest::newRow("label read apart")
            << utf8("2026-01-01\n下次 扣费日期 2026-02-01") << QDate(2026, 1, 1);
        QTest::newRow("label with a letter misread")
            << u"Renevs 2026-02-01\nDate 2026-01-01"_qs << QDate(2026, 1, 1);
        QTest::newRow("a word of its own is no label with its last letter lost")
            << u"Order date Apr 4, 2026\nNext charge Apr 4, 2027"_qs << QDate(2026, 4, 4);
        QTest::newRow("the day's mark does not carry its row on")
            << utf8("2026年1月1日\n下次续费 2026年2月1日") << QDate(2026, 1, 1);
        QTest::newRow("nor does a time of day")
            << utf8("2026-01-01 10:30 PM\n下次续费 2026-02-01") << QDate(2026, 1, 1);
        QTest::newRow("a remark above is no label")
            << utf8("按年续费\n2026年3月24日\n下次扣费 2027-03-24") << QDate(2026, 3, 24);
        QTest::newRow("headings over columns of dates")
            << u"Renews Started\n2026-02-01 2026-01-01"_qs << QDate(2026, 1, 1);
        QTest::newRow("fewer headings than columns")
            << u"Date Renews\n2026-01-01 2026-02-01"_qs << QDate(2026, 1, 1);
        QTest::newRow("second date of a range ends it")
            << u"Next 2026-03-01\n2026-01-01 – 2026-12-31"_qs << QDate(2026, 1, 1);
        // Day and month in figures before the year, in the order the page writes them.
        QTest::newRow("day first by a figure above 12")
            << u"Paid 04/05/2026 Next 15/06/2026"_qs << QDate(2026, 5, 4);
        QTest::newRow("month first by a figure above 12")
            << u"Paid 04/05/2026 Next 06/15/2026"_qs << QDate(2026, 4, 5);
        QTest::newRow("day order from the same day named")
            << u"Sun, Apr 5, 3:14 PM\nDate 04/05/2026"_qs << QDate(2026, 4, 5);
        QTest::newRow("day read as a letter after the month's name")
            << u"Next 03/02/2026\nPaid Feb l, 2026"_qs << QDate(2026, 2, 1);
        QTest::newRow("ambiguous figures: day first") << u"Date 04.05.2026"_qs << QDate(2026, 5, 4);
        QTest::newRow("date cut at the row's end") << u"started on 2026-01-\n16."_qs << QDate(2026, 1, 16);
        QTest::newRow("date cut after a hyphen read as a dash")
            << utf8("于2026-05—\n26 支付") << QDate(2026, 5, 26);
        QTest::newRow("date cut after its year") << utf8("账户于2026\n年01月03日 支付") << QDate(2026, 1, 3);
        QTest::newRow("1899 is no date") << u"1899-12-31"_qs << QDate();
        QTest::newRow("2100 is no date") << u"2100-01-01"_qs << QDate();
        QTest::newRow("1900 is") << u"1900-01-01"_qs << QDate(1900, 1, 1);
        QTest::newRow("month 13 carries over") << u"2025-13-01"_qs << QDate(2026, 1, 1);
        QTest::newRow("day 30 of February") << u"2025-02-30"_qs << QDate(2025, 3, 2);
        QTest::newRow("leap February") << u"2024-02-30"_qs << QDate(2024, 3, 1);
        QTest::newRow("month 0") << u"2025-00-10"_qs << QDate(2024, 12, 10);
        QTest::newRow("day 0") << u"2025-03-00"_qs << QDate(2025, 2, 28);
        QTest::newRow("99/99") << u"2025-99-99"_qs << QDate(2033, 3, 1).addDays(98);
        QTest::newRow("arabic-indic year falls back to 2026") << utf8("20٢٥-03-07") << QDate(2026, 3, 7);
        QTest::newRow("arabic-indic month falls back to 1") << utf8("2025-٣-07") << QDate(2025, 1, 7);
        QTest::newRow("mixed separators") << utf8("2025/3月7") << QDate(2025, 3, 7);
        QTest::newRow("no separator") << u"20250307"_qs << QDate();
    }

    void startDate() {
        QFETCH(QString, text);
        QFETCH(QDate, day);
        const Subscription proposal = parse(text);
        QCOMPARE(proposal.startDate, day.isNull() ? now() : day.startOfDay(zone()));
        QCOMPARE(proposal.startDate.timeSpec(), Qt::UTC);
    }

    void startDateIsTheFirstMomentOfTheDayInTheGivenZone() {
        // São Paulo skipped midnight on 4 November 2018: the day started at 01:00 (-02:00).
        const QTimeZone saoPaulo("America/Sao_Paulo");
        const Subscription proposal = ReceiptParser::parse(u"2018-11-04"_qs, now(), saoPaulo);
        QCOMPARE(proposal.startDate, QDateTime(QDate(2018, 11, 4), QTime(3, 0), Qt::UTC));
        const Subscription shanghai =
            ReceiptParser::parse(u"2025-03-07"_qs, now(), QTimeZone("Asia/Shanghai"));
        QCOMPARE(shanghai.startDate, QDateTime(QDate(2025, 3, 6), QTime(16, 0), Qt::UTC));
    }

    void name_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");

        QTest::newRow("brand over plan") << lines({"高级套餐", "Netflix"}) << u"Netflix"_qs;
        QTest::newRow("brand over an earlier plan") << lines({"Bravo Pro", "Netflix"}) << u"Netflix"_qs;
        QTest::newRow("equal scores keep the earlier line") << lines({"Alpha", "Bravo"}) << u"Alpha"_qs;
        QTest::newRow("plan word outscores") << lines({"Alpha", "Bravo Pro"}) << u"Bravo Pro"_qs;
        QTest::newRow("domain scores despite the identifier penalty")
            << lines({"Alpha", "kagi.com"}) << u"kagi.com"_qs;
        QTest::newRow("domain with capital") << lines({"Alpha", "Kagi.com"}) << u"Kagi.com"_qs;
        // Lines 0 to 4 get the early bonus, line 5 does not.
        QTest::newRow("early bonus ends after the fifth line")
            << lines({"¥1", "¥2", "¥3", "¥4", "Alpha", "Bravo 中"}) << u"Alpha"_qs;
        QTest::newRow("prices and framing removed") << lines({"  — Netflix ¥68.00： "}) << u"Netflix"_qs;
        QTest::newRow("tabs and ideographic spaces trimmed")
            << utf8("\t\u3000Netflix\u3000") << u"Netflix"_qs;
        QTest::newRow("greeting is noise") << lines({"Hello Anna", "Kagi"}) << u"Kagi"_qs;
        // A period word read with a letter lost is no name either, even above a price.
        QTest::newRow("period word with a letter lost")
            << lines({"Microsoft 365 Family", "Monthy", "GBP 8.00/ month"}) << u"Microsoft 365 Family"_qs;
        QTest::newRow("label inside a word is no label")
            << lines({"Premium Individual"}) << u"Premium Individual"_qs;
        QTest::newRow("plan word inside a word scores nothing")
            << lines({"Profile", "Settings", "Plan Audible Premium Plus"}) << u"Audible Premium Plus"_qs;
        // What a row says after its name: prices, counts, billing remarks.
        QTest::newRow("count, price and remark end the name")
            << lines({"Bear Pro (Yearly) 1 ₹10,094"}) << u"Bear Pro"_qs;
        QTest::newRow("period after the name") << lines({"Flo Premium Quarterly"}) << u"Flo Premium"_qs;
        QTest::newRow("period joined by a middle dot")
            << lines({"商品 微信读书+钻石会员·连续包年"}) << utf8("微信读书+钻石会员");
        QTest::newRow("plan named after a period stays")
            << lines({"爱奇艺 年度会员卡（连续包月）"}) << utf8("爱奇艺年度会员卡");
        QTest::newRow("period alone is no name")
            << lines({"Plan Monthly", "Billing Annual", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("row of period options is no name")
            << lines({"Monthly Yearly Slected", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("heading of another field is no name")
            << lines({"Document No.", "账户", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("order reference is no name") << lines({"GPA.L1DX4W4406G2", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("reference with its digits misread") << lines({"BZLIEEHGHFWZ", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("name beside its price") << lines({"Alpha", "Bravo $5"}) << u"Bravo"_qs;
        QTest::newRow("name above its price") << lines({"Alpha", "Bravo", "$5 /mo"}) << u"Bravo"_qs;
        QTest::newRow("name above a labelled price")
            << lines({"Alpha", "Bravo", "下次扣费日期： ¥ 136.99 每月"}) << u"Bravo"_qs;
        QTest::newRow("a sentence's price scores nothing")
            << lines({"Alpha Beta", "Bravo ¥140.00/月，自动续订"}) << u"Alpha Beta"_qs;
        QTest::newRow("a sentence's misread comma")
            << lines({"Alpha Beta", "Bravo ¥140.00/月．自动续订"}) << u"Alpha Beta"_qs;
        QTest::newRow("code misread before a price")
            << lines({"Obsidian Sync IPY4,746"}) << u"Obsidian Sync"_qs;
        QTest::newRow("sign misread as a mark")
            << lines({"Blinkist Premium #16,560"}) << u"Blinkist Premium"_qs;
        QTest::newRow("state is no name") << lines({"有效", "美团"}) << utf8("美团");
        QTest::newRow("date heading is no name") << lines({"Renews", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("bar led by a back button")
            << lines({"< Back Purchase History Help", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("interface words are no name") << lines({"Search", "Alpha"}) << u"Alpha"_qs;
        QTest::newRow("letter read for an icon") << lines({"I Obsidian Sync"}) << u"Obsidian Sync"_qs;
        QTest::newRow("subscription labels the name")
            << lines({"Subscription Toggl Track Starter"}) << u"Toggl Track Starter"_qs;
        QTest::newRow("small letters go on with a label")
            << lines({"Subscription starts", "Plan Bravo"}) << u"Bravo"_qs;
        QTest::newRow("chinese label with a word before it")
            << lines({"订阅项目 全民K歌 VIP"}) << utf8("全民K歌VIP");
        QTest::newRow("chinese label split by a gap")
            << lines({"QQ音乐豪华绿钻 开通 日期 2026-05-11"}) << utf8("QQ音乐豪华绿钻");
        QTest::newRow("selected option ends the name") << lines({"Alpha Selected Beta"}) << u"Alpha"_qs;
        QTest::newRow("price of another country ends the name")
            << utf8("优酷 酷喵VIP NT$ 1,770 /年") << utf8("优酷酷喵VIP");
        QTest::newRow("code glued to its number ends the name")
            << utf8("哔哩哔哩尊享会员 CNY366.00") << utf8("哔哩哔哩尊享会员");
        QTest::newRow("date and order number lead the name")
            << utf8("2026-10-27 2692683588 爱奇艺 黄金VIP会员 ￥289.50 已支付") << utf8("爱奇艺黄金VIP会员");
        QTest::newRow("long row of counts")
            << (u"Kagi\nPlan "_qs + u"1 "_qs.repeated(200000) + u"$5"_qs) << u"Kagi"_qs;
        QTest::newRow("English date and order number lead the name")
            << utf8("20 Aug 2026 3755576293 Figma Professional 728円 Paid") << u"Figma Professional"_qs;
        QTest::newRow("field label before the name and state after it")
            << utf8("服务名称 WPS Family 已开通") << u"WPS Family"_qs;
        QTest::newRow("labelled product outscores a heading")
            << utf8("扣费凭证\n商品 Evernote 会员") << utf8("Evernote会员");
        QTest::newRow("label and value end the name")
            << utf8("迅雷白金会员 开通日期 2026年3月1日") << utf8("迅雷白金会员");
        QTest::newRow("label closing its row ends the name")
            << utf8("喜马拉雅 支付日期\n2026年3月1日") << utf8("喜马拉雅");
        QTest::newRow("row of column headings is no name")
            << lines({"Description Qty Amount", "Duolingo Super (Yearly) 1 $8.56"}) << u"Duolingo Super"_qs;
        // Page structure around the name: a label above it, a table's headings, remarks after it.
        QTest::newRow("field label on a row of its own heads the name")
            << lines({"Subscription", "Your plan", "Tencent Video SVIP", "¥250.00 per year", "Change plan"})
            << u"Tencent Video SVIP"_qs;
        QTest::newRow("Chinese field label heads the name")
            << utf8("当前套餐\n微信读书 付费会员\n季度会员\n¥51.00/季\n更改套餐") << utf8("微信读书付费会员");
        QTest::newRow("label heading a misread price")
            << lines(
                   {"Current plan", "Kagi Search", "Y75.00,er quarter", "Change plan", "Cancel subscription"})
            << u"Kagi Search"_qs;
        QTest::newRow("label read with a blank inside")
            << utf8("Canva Pro 首页 发现 Account\nCurrent pl an\nCanva Pro\n月度会员\nCN¥35/ 月")
            << u"Canva Pro"_qs;
        QTest::newRow("capitalised plan is a name, not a label")
            << lines({"Lightroom", "Photography Plan", "$9.99/month"}) << u"Photography Plan"_qs;
        QTest::newRow("column headings head the name below")
            << utf8("吴思远 2026-11-04\n项目 数量 金额\nReadwise Reader 1 $37.90") << u"Readwise Reader"_qs;
        QTest::newRow("misread column heading") << lines({"Evernote Date paid", "Descriptlon Oty Amount",
                                                          "Evernote Personal (Monthly) 1 ¥ 109.09"})
                                                << u"Evernote Personal"_qs;
        QTest::newRow("billing remark after a spaced dash")
            << lines({"Nintendo Switch Online Family — Annual 1 $15.00"})
            << u"Nintendo Switch Online Family"_qs;
        QTest::newRow("Chinese billing remark after a dash")
            << utf8("WPS 超级会员 —连续包月 1 RMB 47.90") << utf8("WPS超级会员");
        QTest::newRow("dash inside a name stays") << utf8("掌阅Pro-连续包月 ¥12") << utf8("掌阅Pro-连续包月");
        QTest::newRow("description label")
            << lines({"Hello Ana,", "Description Readwise Reader"}) << u"Readwise Reader"_qs;
        QTest::newRow("state alone is no name") << utf8("已完成\nNetlix SVIP HK$611.80") << u"Netlix SVIP"_qs;
        QTest::newRow("gap between Chinese characters")
            << utf8("会员中心\n小林同学\n蜻蜓FM超级会 员") << utf8("蜻蜓FM超级会员");
        QTest::newRow("possessive opens a phrase")
            << lines({"Your WeChat Reading receipt", "WeChat Reading"}) << u"WeChat Reading"_qs;
        QTest::newRow("title bar of a sheet is no name")
            << lines({"App Store Cancel", "Keep", "Premium (1 year)", "Premium ¥228.00/yr"}) << u"Keep"_qs;
        QTest::newRow("two small letters are an icon")
            << lines({"il", "Youku", "SVIP (1 week)"}) << u"Youku"_qs;
        QTest::newRow("narrow strokes after the clock are an icon")
            << lines({"13:41 Il", "< Order details", "Google One 2 TB", "Monthly", "Total £1.99"})
            << u"Google One 2 TB"_qs;
        QTest::newRow("number before its currency's unit")
            << utf8("Green Diamond 180 元 / 年") << u"Green Diamond"_qs;
        QTest::newRow("addressee of an e-mail is no name")
            << utf8("发送至 我\nKeep\n刘洋，您好：") << u"Keep"_qs;
        QTest::newRow("sentence before its price scores as a phrase")
            << utf8("9:41\nApp Store 取消\nKeep\n会员（12个月）\n订阅 ¥190 / 年\n订阅将以 ¥190 / 年 "
                    "自动续订，直至取消。")
            << u"Keep"_qs;
        QTest::newRow("plan's word with its period in brackets set apart")
            << utf8("9:41\nApp Store 取消\nNetflix\n基本套餐 (12个月)\nSubscription ¥1,296/年")
            << u"Netflix"_qs;
        QTest::newRow("phrase scores lower than a name")
            << lines({"Confirm subscription", "Plan Canva Pro"}) << u"Canva Pro"_qs;
        // What stands around a name on a page and is no part of it.
        QTest::newRow("e-mail address is no name") << lines({"zoe.w@icloud.com", "Kagi"}) << u"Kagi"_qs;
        QTest::newRow("sender with a garbled @ is no name")
            << utf8("芒果TV <no-repl yemail.mgtv.com> 2026年10月19日\n全屏影视会员") << utf8("全屏影视会员");
        QTest::newRow("row of links is no name") << lines({"Blog·Help·Contact", "Kagi"}) << u"Kagi"_qs;
        QTest::newRow("generic words alone are no name") << utf8("订阅\nKagi") << u"Kagi"_qs;
        QTest::newRow("person billed is no name")
            << lines({"Billed to Issued", "Lucia Silva 10 October 2026", "Kagi Search 1 $10"})
            << u"Kagi Search"_qs;
        QTest::newRow("side items before a field's label")
            << utf8("确认订阅\n推荐 套餐 优酷 酷喵VIP") << utf8("优酷酷喵VIP");
        QTest::newRow("field label split by a gap")
            << utf8("印象笔记\n产 品 印象笔记 专业版\n计费方式 按年订阅") << utf8("印象笔记专业版");
        QTest::newRow("misread field label") << lines({"Produu] Day One Premium"}) << u"Day One Premium"_qs;
        QTest::newRow("sentence-case label after the name")
            << lines({"Figma Professional Start date 2026-10-17"}) << u"Figma Professional"_qs;
        QTest::newRow("price with a misread sign")
            << lines({"Strava Subscription W142,200/y"}) << u"Strava Subscription"_qs;
        QTest::newRow("end of a wrapped label")
            << lines({"methods Strava Subscription £18.99"}) << u"Strava Subscription"_qs;
        QTest::newRow("brand in small letters")
            << lines({"Subscription & billing", "Your plan", "bilibili Premium", "GBP 2.99 per month"})
            << u"bilibili Premium"_qs;
        QTest::newRow("icon read as a letter") << lines({"O Notion Plus"}) << u"Notion Plus"_qs;
        QTest::newRow("l among capitals") << lines({"MUBl Standard"}) << u"MUBI Standard"_qs;
        QTest::newRow("small l stays") << lines({"Al Jazeera Plus"}) << u"Al Jazeera Plus"_qs;
        QTest::newRow("dot between parts") << utf8("芒果TV.Premium") << utf8("芒果TV·Premium");
        QTest::newRow("a row led by a price holds no name") << utf8("￥71.50/月 每月\nKagi") << u"Kagi"_qs;
        QTest::newRow("bullet and chevron") << utf8("● Netflix ›") << u"Netflix"_qs;
        QTest::newRow("numbers in a name stay") << u"Office 365 $9"_qs << u"Office 365"_qs;
        QTest::newRow("plus sign of a name stays") << u"Disney+ $9"_qs << u"Disney+"_qs;
        QTest::newRow("spaces around a middle dot")
            << utf8("Microsoft 365 Plus · 尊享版") << utf8("Microsoft 365 Plus·尊享版");
        QTest::newRow("row of interface items scores lower")
            << utf8("爱奇艺 首页 会员 帮助 我的\n¥1\n¥2\n¥3\n¥4\n爱奇艺 黄金VIP会员 ¥25")
            << utf8("爱奇艺黄金VIP会员");
        // Chinese pages: the page's title, a list of subscriptions with their states, a labelled name
        // joined by dots, the one paid in a bank's message.
        QTest::newRow("page title is generic")
            << utf8("我的会员\n阿泽\n饿了么 学习卡\n支付金额 ¥21.90") << utf8("饿了么学习卡");
        QTest::newRow("a name with its state, a lone dot in it")
            << utf8("自动续费项目\n喜马拉雅 · 学习卡 家庭版 生效中\n开通时间 2026-02-02\n下次扣费 2026-03-04")
            << utf8("喜马拉雅·学习卡家庭版");
        QTest::newRow("labelled name with two dots")
            << utf8("扣费凭证\n付款金额\nCN¥192.00\n扣费服务 Adobe · VIP会员·200GB")
            << utf8("Adobe·VIP会员·200GB");
        QTest::newRow("payee of a payment sentence") << utf8("交通银行\n【交通银行】您尾号5654的账户于2026年0"
                                                             "5月06日\n22:39向央视频白金会员·2TB支付US$98.90")
                                                     << utf8("央视频白金会员·2TB");
        QTest::newRow("date line is noise") << lines({"2025-03-07 12:30", "Kagi"}) << u"Kagi"_qs;
        QTest::newRow("hex identifier is noise") << lines({"9f8e7d6c-1a2b Pro", "Kagi"}) << u"Kagi"_qs;
        QTest::newRow("identifier penalty") << lines({"john_doe99", "Kagi"}) << u"Kagi"_qs;
        QTest::newRow("identifier alone through the fallback") << lines({"john_doe99"}) << u"john_doe99"_qs;
        QTest::newRow("fallback takes an emoji line")
            << lines({"¥1", "¥2", "¥3", "¥4", "¥5", "🎬🍿"}) << utf8("🎬🍿");
        QTest::newRow("one character is too short") << lines({"X", "Kagi"}) << u"Kagi"_qs;
        QTest::newRow("one cluster is too short") << utf8("👨‍👩‍👧") << QString();
        QTest::newRow("30 characters") << u"Ab"_qs.repeated(15) << u"Ab"_qs.repeated(15);
        QTest::newRow("31 characters") << u"Ab"_qs.repeated(15) + u'A' << QString();
        QTest::newRow("30 clusters of 2 code units")
            << utf8("e\u0301").repeated(30) << utf8("e\u0301").repeated(30);
        QTest::newRow("31 clusters of 2 code units") << utf8("e\u0301").repeated(31) << QString();
        QTest::newRow("25 letters only in the first pass")
            << lines({"¥1", "¥2", "¥3", "¥4", "¥5", "1111", "abcdefghijklmnopqrstuvwxy"}) << QString();
        QTest::newRow("right-to-left text") << utf8("اشتراك نتفليكس") << utf8("اشتراك نتفليكس");
        QTest::newRow("only noise") << lines({"Total", "¥68", "2025-01-01"}) << QString();
    }

    void name() {
        QFETCH(QString, text);
        QTEST(parse(text).name, "name");
    }

    void noise_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("noise");

        QTest::newRow("brand") << u"Netflix"_qs << false;
        QTest::newRow("hi without blank") << u"Sushi"_qs << false;
        QTest::newRow("hi and blank inside a word") << u"Sushi bar"_qs << false;
        QTest::newRow("greeting hi, ") << u"Hi, Anna"_qs << true;
        QTest::newRow("greeting 您好") << utf8("尊敬的用户您好") << true;
        QTest::newRow("label upper case") << u"ORDER 12"_qs << true;
        QTest::newRow("label id inside a word") << u"Premium Individual"_qs << false;
        QTest::newRow("label id as a word") << u"User ID"_qs << true;
        QTest::newRow("label 税") << utf8("含税") << true;
        QTest::newRow("amount") << utf8("￥68.00") << true;
        QTest::newRow("clock") << u"12:30"_qs << true;
        QTest::newRow("chinese date and time") << utf8("2025年3月7日 10时5分") << true;
        QTest::newRow("letters among digits") << u"12:30 pm"_qs << false;
        QTest::newRow("hex identifier") << u"2f9c1a7e-4b2d"_qs << true;
        QTest::newRow("hex identifier with tail") << u"abcdef-1234-xyz"_qs << true;
        QTest::newRow("upper-case hex") << u"2F9C1A7E-4B2D"_qs << false;
        QTest::newRow("hex without group") << u"2f9c1a7e"_qs << false;
    }

    void noise() {
        QFETCH(QString, line);
        QTEST(ReceiptParser::detail::isNoise(line), "noise");
    }

    void category_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("category");

        QTest::newRow("nothing") << QString() << u"Kagi search"_qs << u"其他"_qs;
        QTest::newRow("ai inside paid") << u"Netflix"_qs << u"Netflix\npaid"_qs << u"AI/工具"_qs;
        QTest::newRow("ai inside email") << QString() << u"EMAIL receipt"_qs << u"AI/工具"_qs;
        QTest::newRow("cloud before music") << QString() << utf8("云音乐") << u"云存储"_qs;
        QTest::newRow("app inside apple") << QString() << u"Apple"_qs << u"软件"_qs;
        QTest::newRow("reading") << QString() << utf8("微信读书") << u"阅读"_qs;
        QTest::newRow("game") << QString() << u"Steam"_qs << u"游戏"_qs;
        QTest::newRow("keyword across name and text") << u"PS"_qs << u"Plus"_qs << u"游戏"_qs;
        QTest::newRow("name alone") << u"YouTube"_qs << u"x"_qs << u"影音"_qs;
    }

    void category() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QTEST(ReceiptParser::detail::guessCategory(name, Text(text)), "category");
    }

    void notes_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("notes");

        QTest::newRow("english") << Lang::en << u"Netflix\n¥68"_qs << utf8("📷 Scanned text:\nNetflix / ¥68");
        QTest::newRow("chinese") << Lang::zh << u"Netflix\n¥68"_qs << utf8("📷 识别原文：\nNetflix / ¥68");
        QTest::newRow("first six lines, blank lines count")
            << Lang::en << u"a\n\n  \nb\nc\nd\ne\nf\ng"_qs << utf8("📷 Scanned text:\na /    / b / c / d / e");
        QTest::newRow("lines are not trimmed")
            << Lang::en << u" a \n\tb"_qs << utf8("📷 Scanned text:\n a  / \tb");
        QTest::newRow("only line feeds") << Lang::en << u"\n\n\n"_qs << utf8("📷 Scanned text:\n");
        QTest::newRow("empty") << Lang::zh << QString() << QString();
    }

    void notes() {
        QFETCH(Lang, lang);
        QFETCH(QString, text);
        const TestSupport::LanguageGuard language(lang);
        QTEST(parse(text).notes, "notes");
    }

    // Regular expressions refuse a subject with unpaired surrogates; the rest of the text still counts.
    void unpairedSurrogatesDisableNothing() {
        const QString text =
            u"Netflix\n"_qs + QChar(0xD800) + u"¥68.00/月 "_qs + QChar(0xDC00) + u"\n2025年3月7日"_qs;
        const Subscription proposal = parse(text);
        QCOMPARE(proposal.name, u"Netflix"_qs);
        QCOMPARE(proposal.amount, 68.0);
        QCOMPARE(proposal.startDate, QDate(2025, 3, 7).startOfDay(zone()));
        QVERIFY(!proposal.notes.contains(QChar(0xD800)));
        QVERIFY(proposal.notes.contains(QChar::ReplacementCharacter));
    }

    void concurrentCallsAgree() {
        const QString text =
            lines({"Spotify", "Premium", "原价 ¥15.00", "实付 ¥9.90", "2025-03-07", "12个月"});
        const Subscription expected = parse(text);
        std::vector<Subscription> results(4);
        std::vector<std::thread> workers;
        for (auto &result : results)
            workers.emplace_back([&result, &text] {
                for (int i = 0; i < 50; ++i)
                    result = ReceiptParser::parse(text, now(), zone());
            });
        for (auto &worker : workers)
            worker.join();
        for (Subscription &result : results) {
            result.id = expected.id;
            QCOMPARE(result, expected);
        }
    }

    void withoutNowUsesTheClock() {
        const QDateTime moment = TestSupport::at("America/New_York", 2025, 3, 6, 21, 30);
        ManualClock clock(moment, QTimeZone("America/New_York"), ManualClock::Scope::installed);
        QCOMPARE(ReceiptParser::parse(u"Kagi"_qs).startDate, moment.toUTC());
        QCOMPARE(ReceiptParser::parse(u"2025-03-07"_qs).startDate,
                 TestSupport::at("America/New_York", 2025, 3, 7, 0, 0));
    }
};

QTEST_GUILESS_MAIN(TestReceiptParser)
#include "tst_receipt_parser.moc"
