#include "TestSupport.h"
#include "model/CurrencyRates.h"
#include "model/Format.h"

#include <QTest>

#include <limits>

class TestFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rates_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("CNY") << u"CNY"_qs << 1.0 << u"¥"_qs;
        QTest::newRow("usd lower case") << u"usd"_qs << 7.2 << u"$"_qs;
        QTest::newRow("Usd mixed case") << u"Usd"_qs << 7.2 << u"$"_qs;
        QTest::newRow("EUR") << u"EUR"_qs << 7.8 << u"€"_qs;
        QTest::newRow("HKD") << u"HKD"_qs << 0.92 << u"HK$"_qs;
        QTest::newRow("JPY shares the yen sign") << u"JPY"_qs << 0.048 << u"¥"_qs;
        QTest::newRow("gbp") << u"gbp"_qs << 9.1 << u"£"_qs;
        QTest::newRow("unknown code is its own symbol, unchanged") << u"sgd"_qs << 1.0 << u"sgd"_qs;
        QTest::newRow("empty code") << u""_qs << 1.0 << u""_qs;
    }

    void rates() {
        QFETCH(QString, code);
        QFETCH(double, rate);
        QFETCH(QString, symbol);
        QCOMPARE(CurrencyRates::rate(code), rate);
        QCOMPARE(CurrencyRates::symbol(code), symbol);
    }

    void money_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("text");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("whole amount") << 20.0 << u"USD"_qs << u"$20"_qs;
        QTest::newRow("zero") << 0.0 << u"CNY"_qs << u"¥0"_qs;
        QTest::newRow("half a cent rounds up") << 0.005 << u"USD"_qs << u"$0.01"_qs;
        QTest::newRow("below half a cent") << 0.004 << u"USD"_qs << u"$0"_qs;
        QTest::newRow("rounds to a whole amount") << 9.999 << u"USD"_qs << u"$10"_qs;
        QTest::newRow("negative") << -5.5 << u"CNY"_qs << u"¥-5.50"_qs;
        QTest::newRow("negative half cent away from zero") << -0.025 << u"CNY"_qs << u"¥-0.03"_qs;
        QTest::newRow("tiny negative is not -0") << -0.001 << u"CNY"_qs << u"¥0"_qs;
        QTest::newRow("cents") << 2.99 << u"USD"_qs << u"$2.99"_qs;
        QTest::newRow("trailing zero kept") << 15.5 << u"EUR"_qs << u"€15.50"_qs;
        QTest::newRow("no grouping") << 1234567.25 << u"GBP"_qs << u"£1234567.25"_qs;
        QTest::newRow("unknown code") << 12.5 << u"SGD"_qs << u"SGD12.50"_qs;
        QTest::newRow("JPY like CNY") << 100.0 << u"JPY"_qs << u"¥100"_qs;
        QTest::newRow("largest int64 range") << 9.0e18 << u"CNY"_qs << u"¥9000000000000000000"_qs;
        QTest::newRow("2^63 does not fit")
            << 9223372036854775808.0 << u"CNY"_qs << u"¥9223372036854775808.00"_qs;
        QTest::newRow("beyond int64") << 1.0e19 << u"CNY"_qs << u"¥10000000000000000000.00"_qs;
        QTest::newRow("infinity") << inf << u"CNY"_qs << u"¥inf"_qs;
        QTest::newRow("minus infinity") << -inf << u"CNY"_qs << u"¥-inf"_qs;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << u"USD"_qs << u"$nan"_qs;
    }

    void money() {
        QFETCH(double, amount);
        QFETCH(QString, currency);
        QFETCH(QString, text);
        QCOMPARE(Format::money(amount, currency), text);
    }

    void baseFollowsTheLanguage_data() {
        QTest::addColumn<double>("cny");
        QTest::addColumn<QString>("zh");
        QTest::addColumn<QString>("en");
        QTest::newRow("36") << 36.0 << u"¥36"_qs << u"$5"_qs;
        QTest::newRow("72") << 72.0 << u"¥72"_qs << u"$10"_qs;
        QTest::newRow("244 a month") << 244.0 << u"¥244"_qs << u"$33.89"_qs;
        QTest::newRow("244 a year") << 244.0 * 12 << u"¥2928"_qs << u"$406.67"_qs;
        QTest::newRow("zero") << 0.0 << u"¥0"_qs << u"$0"_qs;
    }

    void baseFollowsTheLanguage() {
        QFETCH(double, cny);
        QFETCH(QString, zh);
        QFETCH(QString, en);
        {
            TestSupport::LanguageGuard guard(LocalizationManager::Lang::zh);
            QCOMPARE(Format::base(cny), zh);
        }
        TestSupport::LanguageGuard guard(LocalizationManager::Lang::en);
        QCOMPARE(Format::base(cny), en);
    }

    void categoryDisplay_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("english");
        QTest::newRow("AI") << u"AI/工具"_qs << u"AI & Tools"_qs;
        QTest::newRow("legacy video") << u"视频"_qs << u"Video"_qs;
        QTest::newRow("other") << u"其他"_qs << u"Other"_qs;
        QTest::newRow("outside the table") << u"Fitness"_qs << u"Fitness"_qs;
        QTest::newRow("near miss") << u"AI/工具 "_qs << u"AI/工具 "_qs;
    }

    void categoryDisplay() {
        QFETCH(QString, stored);
        QFETCH(QString, english);
        QCOMPARE(Format::categoryDisplay(stored, false), english);
        QCOMPARE(Format::categoryDisplay(stored, true), stored);
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
