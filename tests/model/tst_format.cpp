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
        QTest::newRow("CNY") << "CNY" << 1.0 << "¥";
        QTest::newRow("usd lower case") << "usd" << 7.2 << "$";
        QTest::newRow("Usd mixed case") << "Usd" << 7.2 << "$";
        QTest::newRow("EUR") << "EUR" << 7.8 << "€";
        QTest::newRow("HKD") << "HKD" << 0.92 << "HK$";
        QTest::newRow("JPY shares the yen sign") << "JPY" << 0.048 << "¥";
        QTest::newRow("gbp") << "gbp" << 9.1 << "£";
        QTest::newRow("unknown code is its own symbol, unchanged") << "sgd" << 1.0 << "sgd";
        QTest::newRow("empty code") << "" << 1.0 << "";
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
        QTest::newRow("whole amount") << 20.0 << "USD"
                                      << "$20";
        QTest::newRow("zero") << 0.0 << "CNY"
                              << "¥0";
        QTest::newRow("half a cent rounds up") << 0.005 << "USD"
                                               << "$0.01";
        QTest::newRow("below half a cent") << 0.004 << "USD"
                                           << "$0";
        QTest::newRow("rounds to a whole amount") << 9.999 << "USD"
                                                  << "$10";
        QTest::newRow("negative") << -5.5 << "CNY"
                                  << "¥-5.50";
        QTest::newRow("negative half cent away from zero") << -0.025 << "CNY"
                                                           << "¥-0.03";
        QTest::newRow("tiny negative is not -0") << -0.001 << "CNY"
                                                 << "¥0";
        QTest::newRow("cents") << 2.99 << "USD"
                               << "$2.99";
        QTest::newRow("trailing zero kept") << 15.5 << "EUR"
                                            << "€15.50";
        QTest::newRow("no grouping") << 1234567.25 << "GBP"
                                     << "£1234567.25";
        QTest::newRow("unknown code") << 12.5 << "SGD"
                                      << "SGD12.50";
        QTest::newRow("JPY like CNY") << 100.0 << "JPY"
                                      << "¥100";
        QTest::newRow("largest int64 range") << 9.0e18 << "CNY"
                                             << "¥9000000000000000000";
        QTest::newRow("2^63 does not fit") << 9223372036854775808.0 << "CNY"
                                           << "¥9223372036854775808.00";
        QTest::newRow("beyond int64") << 1.0e19 << "CNY"
                                      << "¥10000000000000000000.00";
        QTest::newRow("infinity") << inf << "CNY"
                                  << "¥inf";
        QTest::newRow("minus infinity") << -inf << "CNY"
                                        << "¥-inf";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "USD"
                             << "$nan";
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
        QTest::newRow("36") << 36.0 << "¥36"
                            << "$5";
        QTest::newRow("72") << 72.0 << "¥72"
                            << "$10";
        QTest::newRow("244 a month") << 244.0 << "¥244"
                                     << "$33.89";
        QTest::newRow("244 a year") << 244.0 * 12 << "¥2928"
                                    << "$406.67";
        QTest::newRow("zero") << 0.0 << "¥0"
                              << "$0";
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
        QTest::newRow("AI") << "AI/工具"
                            << "AI & Tools";
        QTest::newRow("legacy video") << "视频"
                                      << "Video";
        QTest::newRow("other") << "其他"
                               << "Other";
        QTest::newRow("outside the table") << "Fitness"
                                           << "Fitness";
        QTest::newRow("near miss") << "AI/工具 "
                                   << "AI/工具 ";
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
