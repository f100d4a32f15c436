#include "MainWindowHarness.h"

#include "settings/LoginItem.h"
#include "views/CardList.h"
#include "views/HeroView.h"
#include "views/SegmentedControl.h"
#include "views/SettingsView.h"
#include "views/SoftButton.h"
#include "views/SubscriptionEditView.h"

#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using Lang = LocalizationManager::Lang;

namespace {

SegmentedControl *picker(QWidget *sheet, const char *name) {
    auto *control = sheet ? sheet->findChild<SegmentedControl *>(QString::fromLatin1(name)) : nullptr;
    if (!control)
        qWarning("no %s in the sheet", name);
    return control;
}

QString labelText(QWidget *widget, const char *name) {
    auto *label = widget->findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

} // namespace

class TestSettingsSheet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void leadTimeSelection_data();
    void leadTimeSelection();
    void pickingALeadTimeStoresItAndReschedulesWhileOpen();
    void pickingTheSameLeadTimeChangesNothing();
    void languageChangeRedrawsEverythingAtOnce();
    void testButtonSendsAndConfirmsForThreeSeconds();
    void everyControlIsReachableByKeyboard();
    void loginSwitchWritesAndRemovesTheEntry();

private:
    SettingsView *openSettings();

    std::unique_ptr<MainWindowHarness> m_h;
};

void TestSettingsSheet::init() {
    m_h = std::make_unique<MainWindowHarness>();
}

void TestSettingsSheet::cleanup() {
    m_h.reset();
    Preferences::settings()->remove(QStringLiteral("remindDaysBefore"));
}

SettingsView *TestSettingsSheet::openSettings() {
    ContentView &content = *m_h->content;
    QTest::mouseClick(content.findChild<QAbstractButton *>(QStringLiteral("settingsButton")), Qt::LeftButton);
    return m_h->waitForSheet<SettingsView>();
}

void TestSettingsSheet::leadTimeSelection_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<std::optional<int>>("selected");
    QTest::addColumn<int>("scheduled");
    QTest::newRow("nothing stored") << QVariant() << std::optional<int>(3) << 3;
    QTest::newRow("an offered value") << QVariant(7) << std::optional<int>(7) << 7;
    QTest::newRow("same day") << QVariant(0) << std::optional<int>(0) << 0;
    // Neither rejected nor rounded: it stays in force, and no segment shows it.
    QTest::newRow("not offered") << QVariant(4) << std::optional<int>() << 4;
    QTest::newRow("not an integer") << QVariant(QStringLiteral("soon")) << std::optional<int>(3) << 3;
}

void TestSettingsSheet::leadTimeSelection() {
    QFETCH(QVariant, stored);
    QFETCH(std::optional<int>, selected);
    QFETCH(int, scheduled);
    if (stored.isValid())
        Preferences::settings()->setValue(QStringLiteral("remindDaysBefore"), stored);
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Netflix"), 10, QStringLiteral("USD"), 10));
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

void TestSettingsSheet::pickingALeadTimeStoresItAndReschedulesWhileOpen() {
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Netflix"), 10, QStringLiteral("USD"), 10));
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

void TestSettingsSheet::pickingTheSameLeadTimeChangesNothing() {
    m_h->show();
    SettingsView *sheet = openSettings();
    QVERIFY(sheet);
    const qsizetype before = m_h->reschedules();
    QTest::mouseClick(picker(sheet, "daysPicker")->segmentForValue(3), Qt::LeftButton);
    QCOMPARE(m_h->reschedules(), before);
    QCOMPARE(Preferences::storedRemindDaysBefore(), std::nullopt);
}

void TestSettingsSheet::languageChangeRedrawsEverythingAtOnce() {
    TestSupport::LanguageGuard language(Lang::zh);
    m_h->store.add(MainWindowHarness::sub(QStringLiteral("Netflix"), 10, QStringLiteral("USD"), 2));
    ContentView &content = m_h->show();
    SettingsView *sheet = openSettings();
    QVERIFY(sheet);
    QCOMPARE(picker(sheet, "daysPicker")->titles(),
             QStringList({"当天", "1 天", "2 天", "3 天", "5 天", "7 天"}));
    const qsizetype before = m_h->reschedules();

    QTest::mouseClick(picker(sheet, "languagePicker")->segmentForValue(int(Lang::en)), Qt::LeftButton);
    QCOMPARE(LocalizationManager::shared().lang(), Lang::en);
    QCOMPARE(Preferences::appLanguage(), std::optional<QString>(QStringLiteral("en")));
    // The open sheet, without waiting for anything.
    QCOMPARE(labelText(sheet, "titleLabel"), QStringLiteral("Settings"));
    QCOMPARE(labelText(sheet, "languageCaption"), QStringLiteral("Language"));
    QCOMPARE(picker(sheet, "languagePicker")->titles(), QStringList({"System", "中文", "English"}));
    QCOMPARE(labelText(sheet, "remindersCaption"), QStringLiteral("Renewal reminders"));
    QCOMPARE(labelText(sheet, "daysQuestion"), QStringLiteral("Remind me how many days ahead"));
    QCOMPARE(picker(sheet, "daysPicker")->titles(), QStringList({"Same day", "1d", "2d", "3d", "5d", "7d"}));
    QCOMPARE(sheet->findChild<SoftButton *>(QStringLiteral("testButton"))->title(),
             QStringLiteral("Send test notification"));
    QCOMPARE(
        labelText(sheet, "hintLabel"),
        QStringLiteral("If you don't see notifications, allow them for Renewly in your desktop's Settings → "
                       "Notifications."));
    QCOMPARE(sheet->findChild<QCheckBox *>(QStringLiteral("loginSwitch"))->text(),
             QStringLiteral("Start at login"));
    // The window behind it, money in the English display currency.
    QCOMPARE(labelText(&content, "appSubtitle"), QStringLiteral("Subscription manager"));
    QCOMPARE(labelText(&content, "subscriptionsTitle"), QStringLiteral("All subscriptions"));
    QCOMPARE(labelText(&content, "subscriptionsCount"), QStringLiteral("1 items"));
    QCOMPARE(labelText(&content, "upcomingTitle"), QStringLiteral("Upcoming charges"));
    QCOMPARE(content.upcomingList()->model()->index(0, 0).data(CardList::DueRole).toString(),
             QStringLiteral("in 2 days"));
    QCOMPARE(content.subscriptionList()->model()->index(0, 0).data(CardList::MonthlyRole).toString(),
             QStringLiteral("≈$10/mo"));
    QCOMPARE(content.hero()->addButton()->title(), QStringLiteral("Add"));
    // A change of language does not reschedule.
    QCOMPARE(m_h->reschedules(), before);

    QTest::mouseClick(picker(sheet, "languagePicker")->segmentForValue(int(Lang::zh)), Qt::LeftButton);
    QCOMPARE(labelText(sheet, "titleLabel"), QStringLiteral("设置"));
    QCOMPARE(labelText(sheet, "hintLabel"),
             QStringLiteral("若收不到通知，请到「系统设置 → 通知」中允许 Renewly 的通知。"));
    QCOMPARE(sheet->findChild<QCheckBox *>(QStringLiteral("loginSwitch"))->text(),
             QStringLiteral("登录时启动"));
    QCOMPARE(labelText(&content, "subscriptionsCount"), QStringLiteral("1 项"));
}

void TestSettingsSheet::testButtonSendsAndConfirmsForThreeSeconds() {
    TestSupport::LanguageGuard language(Lang::en);
    m_h->show();
    SettingsView *sheet = openSettings();
    QVERIFY(sheet);
    auto *test = sheet->findChild<SoftButton *>(QStringLiteral("testButton"));
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(test, Qt::LeftButton);
    QCOMPARE(test->title(), QStringLiteral("Sent — check notifications"));
    QCOMPARE(m_h->center.pending.size(), 1);
    QVERIFY(m_h->center.pending.constFirst().identifier.startsWith(QStringLiteral("test-")));
    // A second press is not blocked: it sends another one.
    QTest::qWait(500);
    QTest::mouseClick(test, Qt::LeftButton);
    QCOMPARE(m_h->center.pending.size(), 2);
    LocalizationManager::shared().setLang(Lang::zh);
    QCOMPARE(test->title(), QStringLiteral("已发送，请留意通知"));

    // The first reset restores the title, three seconds after the first press.
    QTRY_COMPARE_WITH_TIMEOUT(test->title(), QStringLiteral("发送测试通知"), 6000);
    QVERIFY2(clock.elapsed() >= SettingsView::testResetMsecs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(clock.elapsed() < SettingsView::testResetMsecs + 500 + 2000);
}

void TestSettingsSheet::everyControlIsReachableByKeyboard() {
    m_h->show();
    SettingsView *sheet = openSettings();
    QVERIFY(sheet);
    // Tab visits every control of the sheet once, each with a name for accessibility tools.
    QSet<QWidget *> visited;
    for (int i = 0; i < 20; ++i) {
        QWidget *focus = QApplication::focusWidget();
        if (focus && sheet->isAncestorOf(focus))
            visited.insert(focus);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet, Qt::Key_Tab);
    }
    // A segmented control is one stop, like a group of radio buttons; the arrows move inside it.
    for (QAbstractButton *b : sheet->findChildren<QAbstractButton *>()) {
        QVERIFY2(!b->text().isEmpty() || !b->accessibleName().isEmpty(), qPrintable(b->objectName()));
        if (!qobject_cast<SegmentedControl *>(b->parentWidget()))
            QVERIFY2(visited.contains(b), qPrintable(b->objectName()));
    }
    for (SegmentedControl *control : sheet->findChildren<SegmentedControl *>()) {
        QVERIFY(!control->accessibleName().isEmpty());
        bool reached = false;
        for (int i = 0; i < control->count(); ++i)
            reached |= visited.contains(control->segment(i));
        QVERIFY2(reached, qPrintable(control->objectName()));
    }
    auto *close = sheet->findChild<QAbstractButton *>(QStringLiteral("closeButton"));
    close->setFocus(Qt::TabFocusReason);
    QTest::keyClick(close, Qt::Key_Space);
    QVERIFY(m_h->waitForNoSheet());
}

void TestSettingsSheet::loginSwitchWritesAndRemovesTheEntry() {
    const QString entry = LoginItem::path();
    QVERIFY(entry.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/")));
    QFile::remove(entry);
    m_h->show();
    SettingsView *sheet = openSettings();
    QVERIFY(sheet);
    auto *login = sheet->findChild<QCheckBox *>(QStringLiteral("loginSwitch"));
    QVERIFY(login && !login->isChecked());

    QTest::mouseClick(login, Qt::LeftButton);
    QVERIFY(login->isChecked());
    QFile written(entry);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    QVERIFY2(text.contains("\nExec=") && text.contains(" --background\n"), text.constData());
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.start(validator, {entry});
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0 && validate.readAll().isEmpty(), qPrintable(validate.readAll()));
    }
    // The state comes from the file: a user who deleted it sees the switch off next time.
    QTest::keyClick(sheet, Qt::Key_Escape);
    QVERIFY(m_h->waitForNoSheet());
    QVERIFY(QFile::remove(entry));
    sheet = openSettings();
    login = sheet->findChild<QCheckBox *>(QStringLiteral("loginSwitch"));
    QVERIFY(!login->isChecked());
    QTest::mouseClick(login, Qt::LeftButton);
    QVERIFY(QFile::exists(entry));
    QTest::mouseClick(login, Qt::LeftButton);
    QVERIFY(!QFile::exists(entry));
}

QTEST_MAIN(TestSettingsSheet)
#include "tst_settings_sheet.moc"
