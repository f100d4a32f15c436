#include "TestSupport.h"
#include "settings/LocalizationManager.h"
#include "settings/Preferences.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using Lang = LocalizationManager::Lang;

class TestLocalization : public QObject {
    Q_OBJECT

private:
    static void store(const QVariant &value) {
        auto settings = Preferences::settings();
        if (value.isValid())
            settings->setValue(u"appLanguage"_qs, value);
        else
            settings->remove(u"appLanguage"_qs);
        settings->sync();
    }

private Q_SLOTS:
    void cleanup() {
        LocalizationManager::setPreferredLanguagesSource({});
        store(QVariant());
        LocalizationManager::shared().reload();
    }

    void storedChoiceAndSystemLanguage_data() {
        QTest::addColumn<QVariant>("stored"); // invalid: nothing stored
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("lang");
        QTest::addColumn<bool>("isZh");
        const QStringList zhCN{u"zh-Hans-CN"_qs}, enUS{u"en-US"_qs};
        QTest::newRow("nothing stored, Chinese system") << QVariant() << zhCN << int(Lang::system) << true;
        QTest::newRow("nothing stored, no preferred languages")
            << QVariant() << QStringList() << int(Lang::system) << false;
        QTest::newRow("zh on an English system") << QVariant(u"zh"_qs) << enUS << int(Lang::zh) << true;
        QTest::newRow("en on a Chinese system") << QVariant(u"en"_qs) << zhCN << int(Lang::en) << false;
        QTest::newRow("the word english means system")
            << QVariant(u"english"_qs) << zhCN << int(Lang::system) << true;
        QTest::newRow("English first, Chinese second")
            << QVariant(u"system"_qs) << QStringList{u"en-GB"_qs, u"zh-Hans"_qs} << int(Lang::system)
            << false;
        QTest::newRow("traditional Chinese counts")
            << QVariant(u"system"_qs) << QStringList{u"zh-Hant-TW"_qs} << int(Lang::system) << true;
        QTest::newRow("upper-case region code")
            << QVariant() << QStringList{u"ZH-HK"_qs} << int(Lang::system) << true;
    }

    void storedChoiceAndSystemLanguage() {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, preferred);
        QFETCH(int, lang);
        QFETCH(bool, isZh);
        store(stored);
        LocalizationManager::setPreferredLanguagesSource([preferred] { return preferred; });
        LocalizationManager::shared().reload();
        QCOMPARE(int(LocalizationManager::shared().lang()), lang);
        QCOMPARE(LocalizationManager::shared().isZh(), isZh);
        // Reading never writes the choice back.
        QCOMPARE(Preferences::settings()->value(u"appLanguage"_qs), stored);
    }

    void choosingPersistsAndNotifies() {
        auto &manager = LocalizationManager::shared();
        QSignalSpy before(&manager, &LocalizationManager::aboutToChange);
        QSignalSpy after(&manager, &LocalizationManager::langChanged);
        bool zhSeenBefore = true;
        QObject context;
        connect(&manager, &LocalizationManager::aboutToChange, &context,
                [&] { zhSeenBefore = manager.lang() == Lang::zh; });

        manager.setLang(Lang::zh);
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QVERIFY(!zhSeenBefore); // observers are told before the value changes
        QCOMPARE(Preferences::appLanguage(), u"zh"_qs);

        manager.setLang(Lang::system); // stored as a string, not a removal
        QCOMPARE(Preferences::appLanguage(), u"system"_qs);
        manager.setLang(Lang::en);
        QCOMPARE(Preferences::appLanguage(), u"en"_qs);
    }

    void systemChoiceIsReadAfresh() {
        QString first = u"en-US"_qs;
        LocalizationManager::setPreferredLanguagesSource([&first] { return QStringList{first}; });
        LocalizationManager::shared().setLang(Lang::system);
        QVERIFY(!LocalizationManager::shared().isZh());
        first = u"zh-CN"_qs;
        QVERIFY(LocalizationManager::shared().isZh());
    }
};

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
