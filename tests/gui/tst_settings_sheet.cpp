#include "MainWindowHarness.h"

#include "settings/LoginItem.h"
#include "store/SubscriptionFile.h"
#include "views/CardList.h"
#include "views/SegmentedControl.h"
#include "views/SettingsView.h"
#include "views/SoftButton.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>

using Lang = LocalizationManager::Lang;

namespace {

// Every text a visible label or button inside `widget` shows.
QStringList shownTexts(const QWidget *widget) {
    QStringList texts;
    for (const QLabel *label : widget->findChildren<QLabel *>())
        texts << (label->isVisible() ? label->text() : QString());
    for (const QAbstractButton *button : widget->findChildren<QAbstractButton *>())
        texts << (button->isVisible() ? button->text() : QString());
    return texts;
}

bool hasHan(const QString &text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.script() == QChar::Script_Han; });
}

SegmentedControl *picker(QWidget *sheet, const char *name) {
    auto *control = sheet ? sheet->findChild<SegmentedControl *>(QString::fromLatin1(name)) : nullptr;
    if (!control)
        qWarning("no %s in the sheet", name);
    return control;
}

} // namespace

class TestSettingsSheet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_h = std::make_unique<MainWindowHarness>(); }
    void cleanup() {
        m_h.reset();
        Preferences::settings()->remove(u"remindDaysBefore"_qs);
        Preferences::settings()->remove(u"dataFolder"_qs);
    }

    void leadTimeSelection_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<std::optional<int>>("selected");
        QTest::addColumn<int>("scheduled");
        QTest::newRow("nothing stored") << QVariant() << std::optional<int>(3) << 3;
        QTest::newRow("an offered value") << QVariant(7) << std::optional<int>(7) << 7;
        QTest::newRow("same day") << QVariant(0) << std::optional<int>(0) << 0;
        // Neither rejected nor rounded: it stays in force, and no segment shows it.
        QTest::newRow("not offered") << QVariant(4) << std::optional<int>() << 4;
        QTest::newRow("not an integer") << QVariant(u"soon"_qs) << std::optional<int>(3) << 3;
    }

    void leadTimeSelection() {
        QFETCH(QVariant, stored);
        QFETCH(std::optional<int>, selected);
        QFETCH(int, scheduled);
        if (stored.isValid())
            Preferences::settings()->setValue(u"remindDaysBefore"_qs, stored);
        m_h->store.add(
            MainWindowHarness::sub({.name = u"Netflix"_qs, .amount = 10, .currency = u"USD"_qs, .days = 10}));
        ContentView &content = m_h->show();
        QCOMPARE(content.remindDaysBefore(), scheduled);
        // The reminder of a charge 10 days ahead comes `scheduled` days before it.
        QCOMPARE(m_h->center.pending.size(), 1);
        const auto trigger =
            std::get<NotificationRequest::CalendarTrigger>(m_h->center.pending.constFirst().trigger);
        QCOMPARE(trigger.date, MainWindowHarness::now().date().addDays(10 - scheduled));

        SettingsView *sheet = openSettings();
        QVERIFY(sheet);
        QCOMPARE(picker(sheet, "daysPicker")->value(), selected);
    }

    void pickingALeadTimeStoresItAndReschedulesWhileOpen() {
        m_h->store.add(
            MainWindowHarness::sub({.name = u"Netflix"_qs, .amount = 10, .currency = u"USD"_qs, .days = 10}));
        ContentView &content = m_h->show();
        SettingsView *sheet = openSettings();
        QVERIFY(sheet);
        const qsizetype before = m_h->reschedules();
        QSignalSpy changed(sheet, &SettingsView::remindDaysBeforeChanged);
        QTest::mouseClick(picker(sheet, "daysPicker")->segmentForValue(7), Qt::LeftButton);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(Preferences::storedRemindDaysBefore(), std::optional<int>(7));
        QCOMPARE(content.remindDaysBefore(), 7);
        QCOMPARE(m_h->reschedules(), before + 1);
        QVERIFY(sheet->isVisible());
        const auto trigger =
            std::get<NotificationRequest::CalendarTrigger>(m_h->center.pending.constFirst().trigger);
        QCOMPARE(trigger.date, MainWindowHarness::now().date().addDays(3));

        // The keyboard picks the neighbour segment the same way.
        QPushButton *seven = picker(sheet, "daysPicker")->segmentForValue(7);
        seven->setFocus();
        QTest::keyClick(seven, Qt::Key_Left);
        QCOMPARE(Preferences::storedRemindDaysBefore(), std::optional<int>(5));
        QCOMPARE(m_h->reschedules(), before + 2);
    }

    void testButtonSendsAndConfirmsForThreeSeconds() {
        TestSupport::LanguageGuard language(Lang::en);
        m_h->show();
        SettingsView *sheet = openSettings();
        QVERIFY(sheet);
        auto *test = sheet->findChild<SoftButton *>(u"testButton"_qs);
        QTest::mouseClick(test, Qt::LeftButton);
        QCOMPARE(test->title(), u"Sent — check notifications"_qs);
        QCOMPARE(m_h->center.pending.size(), 1);
        QVERIFY(m_h->center.pending.constFirst().identifier.startsWith(u"test-"_qs));
        // A second press is not blocked: it sends another one.
        QTest::mouseClick(test, Qt::LeftButton);
        QCOMPARE(m_h->center.pending.size(), 2);
        LocalizationManager::shared().setLang(Lang::zh);
        QCOMPARE(test->title(), u"已发送，请留意通知"_qs);

        // The title comes back by itself once the confirmation has been shown.
        QTRY_COMPARE_WITH_TIMEOUT(test->title(), u"发送测试通知"_qs, 4 * SettingsView::testResetMsecs);
    }

    void languageChangeRedrawsEverythingAtOnce() {
        TestSupport::LanguageGuard language(Lang::zh);
        m_h->store.add(
            MainWindowHarness::sub({.name = u"Netflix"_qs, .amount = 10, .currency = u"USD"_qs, .days = 2}));
        ContentView &content = m_h->show();
        SettingsView *sheet = openSettings();
        QVERIFY(sheet);
        const qsizetype before = m_h->reschedules();

        QTest::mouseClick(picker(sheet, "languagePicker")->segmentForValue(int(Lang::en)), Qt::LeftButton);
        QCOMPARE(LocalizationManager::shared().lang(), Lang::en);
        QCOMPARE(Preferences::appLanguage(), std::optional<QString>(u"en"_qs));
        // The open sheet and the window behind it, without waiting for anything: no Chinese is left but
        // the language's own name.
        for (const QString &text : shownTexts(sheet) + shownTexts(&content))
            QVERIFY2(!hasHan(text) || text == u"中文", qPrintable(text));
        QCOMPARE(labelText(sheet, "titleLabel"), u"Settings"_qs);
        QCOMPARE(picker(sheet, "daysPicker")->titles(),
                 QStringList({"Same day", "1d", "2d", "3d", "5d", "7d"}));
        // The cards, money in the English display currency.
        QCOMPARE(content.upcomingList()->model()->index(0, 0).data(CardList::DueRole).toString(),
                 u"in 2 days"_qs);
        QCOMPARE(content.subscriptionList()->model()->index(0, 0).data(CardList::MonthlyRole).toString(),
                 u"≈$10/mo"_qs);
        // A change of language does not reschedule.
        QCOMPARE(m_h->reschedules(), before);

        QTest::mouseClick(picker(sheet, "languagePicker")->segmentForValue(int(Lang::zh)), Qt::LeftButton);
        QCOMPARE(labelText(sheet, "titleLabel"), u"设置"_qs);
        QCOMPARE(labelText(&content, "subscriptionsCount"), u"1 项"_qs);
    }

    void segmentsShowOneFocusLook() {
        m_h->show();
        SettingsView *sheet = openSettings();
        QVERIFY(sheet);
        auto *language = sheet->findChild<SegmentedControl *>(u"languagePicker"_qs);
        auto *days = sheet->findChild<SegmentedControl *>(u"daysPicker"_qs);
        // The sheet opens with the keyboard on the chosen language, drawn as the days segments are:
        // without a ring.
        QWidget *focused = QApplication::focusWidget();
        QCOMPARE(focused->parentWidget(), language);
        const QImage opened = focused->grab().toImage();
        days->segmentForValue(3)->setFocus(Qt::OtherFocusReason);
        QCOMPARE(focused->grab().toImage(), opened);
        // Tab draws the ring, on either control.
        for (SegmentedControl *control : {language, days}) {
            QPushButton *segment = control->segment(0);
            const QImage rest = segment->grab().toImage();
            segment->setFocus(Qt::TabFocusReason);
            QVERIFY2(segment->grab().toImage() != rest, qPrintable(control->objectName()));
            segment->clearFocus();
            QCOMPARE(segment->grab().toImage(), rest);
        }
    }

    void loginSwitchWritesAndRemovesTheEntry() {
        const QString entry = LoginItem::path();
        QVERIFY(entry.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart/"_qs));
        QFile::remove(entry);
        m_h->show();
        SettingsView *sheet = openSettings();
        QVERIFY(sheet);
        auto *login = sheet->findChild<QCheckBox *>(u"loginSwitch"_qs);
        QVERIFY(login && !login->isChecked());

        QTest::mouseClick(login, Qt::LeftButton);
        QVERIFY(login->isChecked());
        QFile written(entry);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QVERIFY2(text.contains("\nExec=") && text.contains(" --background\n"), text.constData());
        const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_qs);
        if (!validator.isEmpty()) {
            QProcess validate;
            validate.start(validator, {entry});
            QVERIFY(validate.waitForFinished());
            QVERIFY2(validate.exitCode() == 0 && validate.readAll().isEmpty(),
                     qPrintable(validate.readAll()));
        }
        // The state comes from the file: a user who deleted it sees the switch off next time.
        QTest::keyClick(sheet, Qt::Key_Escape);
        QVERIFY(m_h->waitForNoSheet());
        QVERIFY(QFile::remove(entry));
        sheet = openSettings();
        login = sheet->findChild<QCheckBox *>(u"loginSwitch"_qs);
        QVERIFY(!login->isChecked());
        QTest::mouseClick(login, Qt::LeftButton);
        QVERIFY(QFile::exists(entry));
        QTest::mouseClick(login, Qt::LeftButton);
        QVERIFY(!QFile::exists(entry));
    }

    void choosingADataFolder_data() {
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<bool>("listThere");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("cancelled") << false << false << QString() << QStringList{u"Here"_qs};
        QTest::newRow("empty folder")
            << true << false << u"The list was moved to this folder."_qs << QStringList{u"Here"_qs};
        QTest::newRow("folder with a list")
            << true << true
            << u"The two lists were merged: 2 records from the folder, 1 from this computer."_qs
            << QStringList{u"There 1"_qs, u"There 2"_qs, u"Here"_qs};
    }

    void choosingADataFolder() {
        QFETCH(bool, chosen);
        QFETCH(bool, listThere);
        const TestSupport::LanguageGuard english(Lang::en);
        m_h->store.add(MainWindowHarness::sub({.name = u"Here"_qs}));
        const QString folder = m_h->dir.filePath(u"shared"_qs);
        QDir().mkpath(folder);
        if (listThere) {
            const QList<Subscription> there{MainWindowHarness::sub({.name = u"There 1"_qs}),
                                            MainWindowHarness::sub({.name = u"There 2"_qs})};
            QVERIFY(
                TestSupport::writeFile(folder + u"/subscriptions.json"_qs, *SubscriptionFile::encode(there)));
        }
        const auto previous = SettingsView::folderChooser();
        SettingsView::folderChooser() = [&](QWidget *, const QString &) {
            return chosen ? folder : QString();
        };
        m_h->show();
        SettingsView *sheet = openSettings();
        QVERIFY(sheet);
        QCOMPARE(labelText(sheet, "folderCaption"), u"Data folder"_qs);
        QTest::mouseClick(sheet->findChild<SoftButton *>(u"folderButton"_qs), Qt::LeftButton);
        SettingsView::folderChooser() = previous;

        QTEST(sheet->dataFolderMessage(), "message");
        QTEST(TestSupport::names(m_h->store.subscriptions()), "names");
        QCOMPARE(Preferences::dataFolder().has_value(), chosen);
        if (chosen) {
            QCOMPARE(labelText(sheet, "folderPath"), QDir::toNativeSeparators(folder));
            QCOMPARE(m_h->store.fileURL(), folder + u"/subscriptions.json"_qs);
            QCOMPARE(Store::defaultFilePath(), m_h->store.fileURL());
        }
    }

private:
    SettingsView *openSettings() {
        ContentView &content = *m_h->content;
        QTest::mouseClick(content.findChild<QAbstractButton *>(u"settingsButton"_qs), Qt::LeftButton);
        return m_h->waitForSheet<SettingsView>();
    }

    std::unique_ptr<MainWindowHarness> m_h;
};

QTEST_MAIN(TestSettingsSheet)
#include "tst_settings_sheet.moc"
