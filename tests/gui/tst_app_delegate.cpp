#include "DelegateHarness.h"

#include "app/MainWindow.h"
#include "app/TrayPanel.h"
#include "store/SubscriptionFile.h"
#include "views/AlertSheet.h"
#include "views/CardList.h"
#include "views/ContentView.h"
#include "views/NoticeBar.h"
#include "views/SoftButton.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDataStream>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

using Lang = LocalizationManager::Lang;

namespace {

Subscription monthly(const QString &name, double amount, const QString &currency, int days = 10) {
    return MainWindowHarness::sub({.name = name, .amount = amount, .currency = currency, .days = days});
}

QAction *action(const AppDelegate &delegate, const char *name) {
    return delegate.applicationMenu()->findChild<QAction *>(QString::fromLatin1(name));
}

} // namespace

class TestAppDelegate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void trayTitleFollowsTheList();
    void backgroundLaunchOpensNoWindow();
    void mainWindowIsMadeOnceAndOnlyHidden();
    void mainWindowFrameIsRestored();
    void corruptSavedFrameFallsBackToTheDefault_data();
    void corruptSavedFrameFallsBackToTheDefault();
    void applicationMenuKeepsTheLaunchLanguage_data();
    void applicationMenuKeepsTheLaunchLanguage();
    void windowKeysReachTheContent_data();
    void windowKeysReachTheContent();
    void hideEntryHidesTheWindows();
    void panelTogglesAndIsBuiltAfreshEachTime();
    void failedSaveShowsRetryAndGuardsQuit();
    void withoutATrayTheWindowIsTheWayOut();

private:
    std::unique_ptr<AppDelegate> makeDelegate(bool showWindow = true,
                                              std::function<bool(const QString &)> confirmQuit = {},
                                              bool hasTray = true);

    std::unique_ptr<DelegateHarness> m_h;
};

void TestAppDelegate::init() {
    m_h = std::make_unique<DelegateHarness>();
}

void TestAppDelegate::cleanup() {
    m_h.reset();
}

std::unique_ptr<AppDelegate> TestAppDelegate::makeDelegate(bool showWindow,
                                                           std::function<bool(const QString &)> confirmQuit,
                                                           bool hasTray) {
    return m_h->make({.showWindowAtLaunch = showWindow,
                      .confirmQuitUnsaved = std::move(confirmQuit),
                      .isTrayAvailable = [hasTray] { return hasTray; }});
}

void TestAppDelegate::trayTitleFollowsTheList() {
    TestSupport::LanguageGuard language(Lang::zh);
    auto delegate = makeDelegate(false);
    delegate->applicationDidFinishLaunching();
    QSystemTrayIcon *tray = delegate->statusItem();
    QVERIFY(tray);
    // An empty list shows the formatted zero total.
    QCOMPARE(tray->toolTip(), QStringLiteral(" ¥0"));

    // Delivered one event-loop turn after each change, from the list the store holds then: several
    // changes in one turn end on the last total.
    QSignalSpy titles(delegate.get(), &AppDelegate::statusTitleChanged);
    delegate->store().add(monthly(QStringLiteral("ChatGPT Plus"), 20, QStringLiteral("USD")));
    delegate->store().add(monthly(QStringLiteral("iCloud+"), 21, QStringLiteral("CNY")));
    QCOMPARE(tray->toolTip(), QStringLiteral(" ¥0"));
    QTRY_COMPARE(titles.size(), 2);
    QCOMPARE(titles.at(0).at(0).toString(), QStringLiteral(" ¥165"));
    QCOMPARE(tray->toolTip(), QStringLiteral(" ¥165"));
}

void TestAppDelegate::backgroundLaunchOpensNoWindow() {
    auto delegate = makeDelegate(false);
    delegate->applicationDidFinishLaunching();
    QVERIFY(!delegate->window());
    QVERIFY(delegate->statusItem());
    QVERIFY(!QApplication::quitOnLastWindowClosed());
}

void TestAppDelegate::mainWindowIsMadeOnceAndOnlyHidden() {
    TestSupport::LanguageGuard language(Lang::zh);
    auto delegate = makeDelegate();
    delegate->applicationDidFinishLaunching();
    MainWindow *window = delegate->window();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("Renewly · 续费账簿"));
    QCOMPARE(window->size(), QSize(960, 640));
    auto *content = qobject_cast<ContentView *>(window->centralWidget());
    QVERIFY(content);
    QCOMPARE(&content->store(), &delegate->store());

    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QCoreApplication::processEvents();
    QCOMPARE(quitting.size(), 0);

    // The same window and content come back; the title keeps the language it was made in.
    LocalizationManager::shared().setLang(Lang::en);
    delegate->applicationShouldHandleReopen();
    QVERIFY(window->isVisible());
    QCOMPARE(delegate->window(), window);
    QCOMPARE(window->centralWidget(), content);
    QCOMPARE(window->windowTitle(), QStringLiteral("Renewly · 续费账簿"));
}

void TestAppDelegate::applicationMenuKeepsTheLaunchLanguage_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("zh") << Lang::zh
                        << QStringList{"添加订阅…", "设置…", "关闭窗口", "隐藏 Renewly", "退出 Renewly",
                                       "文件",      "导入…", "导出…",    "从备份恢复…",  "编辑",
                                       "剪切",      "拷贝",  "粘贴",     "全选"};
}

void TestAppDelegate::applicationMenuKeepsTheLaunchLanguage() {
    QFETCH(Lang, lang);
    QFETCH(QStringList, titles);
    TestSupport::LanguageGuard language(lang);
    auto delegate = makeDelegate();
    LocalizationManager::shared().setLang(lang == Lang::zh ? Lang::en : Lang::zh);
    delegate->applicationDidFinishLaunching();
    QCOMPARE(delegate->window()->menuBar(), delegate->applicationMenu());

    const QStringList names{"addAction",     "settingsAction", "closeWindowAction", "hideAction",
                            "quitAction",    "fileMenu",       "importAction",      "exportAction",
                            "restoreAction", "editMenu",       "cutAction",         "copyAction",
                            "pasteAction",   "selectAllAction"};
    const QStringList keys{"Ctrl+N",       "Ctrl+,", "Ctrl+W", "Ctrl+H", "Ctrl+Q", "",       "Ctrl+O",
                           "Ctrl+Shift+S", "",       "",       "Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+A"};
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).endsWith(u"Menu")) {
            QCOMPARE(delegate->applicationMenu()->findChild<QMenu *>(names.at(i))->title(), titles.at(i));
            continue;
        }
        QAction *entry = action(*delegate, names.at(i).toLatin1().constData());
        QVERIFY2(entry, qPrintable(names.at(i)));
        QCOMPARE(entry->text(), titles.at(i));
        QCOMPARE(entry->shortcut().toString(QKeySequence::PortableText), keys.at(i));
    }
    QCOMPARE(delegate->applicationMenu()->actions().size(), 3);
    QCOMPARE(delegate->applicationMenu()->actions().at(1)->menu()->objectName(), u"fileMenu"_qs);
}

void TestAppDelegate::windowKeysReachTheContent_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("sheet");
    QTest::newRow("Ctrl+N adds") << int(Qt::Key_N) << "subscriptionForm";
    QTest::newRow("Ctrl+, opens the settings") << int(Qt::Key_Comma) << "settingsSheet";
    // No image on the clipboard: the scan says so.
    QTest::newRow("Ctrl+V scans the clipboard") << int(Qt::Key_V) << "scanAlert";
    QTest::newRow("Ctrl+W hides the window") << int(Qt::Key_W) << "";
}

void TestAppDelegate::windowKeysReachTheContent() {
    QFETCH(int, key);
    QFETCH(QString, sheet);
    QGuiApplication::clipboard()->setText(QStringLiteral("no picture here"));
    auto delegate = makeDelegate();
    delegate->applicationDidFinishLaunching();
    MainWindow *window = delegate->window();
    QVERIFY(QTest::qWaitForWindowActive(window));
    // With the keyboard on the list, as after clicking into the window.
    delegate->content()->subscriptionList()->setFocus();
    QTest::keyClick(window, Qt::Key(key), Qt::ControlModifier);
    if (sheet.isEmpty()) {
        QTRY_VERIFY(!window->isVisible());
        return;
    }
    QTRY_VERIFY(delegate->content()->presented() && delegate->content()->presented()->isVisible());
    QCOMPARE(delegate->content()->presented()->objectName(), sheet);
    delegate->content()->presented()->reject();
}

void TestAppDelegate::hideEntryHidesTheWindows() {
    auto delegate = makeDelegate();
    delegate->applicationDidFinishLaunching();
    // The tray comes once the window's first frame is on screen.
    QVERIFY(!delegate->popover());
    QVERIFY(QTest::qWaitForWindowExposed(delegate->window()));
    QTRY_VERIFY(delegate->popover());
    delegate->togglePopover();
    QVERIFY(delegate->popover()->isOpen());
    action(*delegate, "hideAction")->trigger();
    QVERIFY(!delegate->window()->isVisible());
    QVERIFY(!delegate->popover()->isOpen());
}

void TestAppDelegate::panelTogglesAndIsBuiltAfreshEachTime() {
    TestSupport::LanguageGuard language(Lang::en);
    auto delegate = makeDelegate(false);
    delegate->applicationDidFinishLaunching();
    TrayPanel *panel = delegate->popover();
    QVERIFY(panel && !panel->isOpen());

    delegate->togglePopover();
    QVERIFY(panel->isOpen());
    QPointer<MenuBarView> first = panel->view();
    QVERIFY(first);
    QCOMPARE(panel->width(), 300);
    delegate->togglePopover();
    QVERIFY(!panel->isOpen());

    // A click on the icon right after a click outside closed the panel means "close", not "open".
    delegate->togglePopover();
    QVERIFY(!panel->isOpen());
    m_h->clock.advance(350);
    delegate->togglePopover();
    QVERIFY(panel->isOpen());
    // The closed panel's view goes once control is back in the event loop.
    QTRY_VERIFY(!first);
    QVERIFY(panel->view());

    // Escape closes it too.
    QTest::keyClick(panel, Qt::Key_Escape);
    QVERIFY(!panel->isOpen());
    m_h->clock.advance(350);
    delegate->togglePopover();
    QVERIFY(panel->isOpen());

    // The open panel grows with the list.
    const int before = panel->height();
    delegate->store().add(monthly(QStringLiteral("Due"), 5, QStringLiteral("USD"), 1));
    delegate->store().add(monthly(QStringLiteral("Due too"), 5, QStringLiteral("USD"), 2));
    QVERIFY(panel->height() > before);
    QCOMPARE(panel->width(), 300);
}

void TestAppDelegate::failedSaveShowsRetryAndGuardsQuit() {
    TestSupport::LanguageGuard language(Lang::en);
    QStringList asked;
    auto delegate = makeDelegate(true, [&asked](const QString &reason) {
        asked.append(reason);
        return false;
    });
    delegate->showMainWindow();
    const QString path = delegate->store().fileURL();
    const QString staging = SubscriptionFile::stagingPath(path);
    QVERIFY(QDir().mkpath(staging));

    delegate->store().add(monthly(QStringLiteral("Netflix"), 15.49, QStringLiteral("USD")));
    auto *bar = delegate->window()->findChild<NoticeBar *>(QStringLiteral("saveErrorBar"));
    QVERIFY(bar && bar->isVisible());
    QVERIFY(bar->message().startsWith(QStringLiteral("Couldn't save: ")));
    QVERIFY(bar->message().endsWith(QStringLiteral(". Your changes are kept and Renewly will retry.")));
    QCOMPARE(bar->actionButton()->title(), QStringLiteral("Retry"));
    {
        TestSupport::LanguageGuard chinese(Lang::zh);
        QVERIFY(bar->message().startsWith(QStringLiteral("无法保存：")));
        QVERIFY(bar->message().endsWith(QStringLiteral("。修改仍在，Renewly 会重试。")));
    }

    // Still failing at quit: the user is asked, and says no.
    delegate->requestQuit();
    QCOMPARE(asked.size(), 1);
    QVERIFY(!asked.first().isEmpty());
    QVERIFY(bar->isVisible());

    QVERIFY(QDir(staging).removeRecursively());
    QTest::mouseClick(bar->actionButton(), Qt::LeftButton);
    QVERIFY(!bar->isVisible());
    QCOMPARE(SubscriptionFile::decode(TestSupport::readFile(path))->size(), 1);
    delegate->requestQuit();
    QCOMPARE(asked.size(), 1);
}

void TestAppDelegate::mainWindowFrameIsRestored() {
    const QRect frame(40, 50, 820, 700);
    {
        auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        MainWindow *window = delegate->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->setGeometry(frame);
        QTRY_COMPARE(window->geometry(), frame);
        window->close();
    }
    auto settings = Preferences::settings();
    QVERIFY(settings->childGroups().contains(QStringLiteral("RenewlyMainWindow")));
    auto delegate = makeDelegate();
    delegate->applicationDidFinishLaunching();
    QVERIFY(QTest::qWaitForWindowExposed(delegate->window()));
    QCOMPARE(delegate->window()->geometry(), frame);
}

void TestAppDelegate::corruptSavedFrameFallsBackToTheDefault_data() {
    QTest::addColumn<QByteArray>("geometry");
    QTest::addColumn<bool>("refused"); // else Qt takes what it can read
    QTest::newRow("garbage") << QByteArray("garbage") << true;
    QTest::newRow("truncated") << QByteArray("\x01\xd9\xd0\xcb\x00\x03\x00\x00\xff\xff", 10) << false;
    // Qt's own layout, with rectangles as large as the numbers go.
    QByteArray absurd;
    QDataStream out(&absurd, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << INT_MIN << INT_MIN << INT_MAX << INT_MAX
        << INT_MAX << INT_MAX << INT_MIN << INT_MIN << qint32(99) << quint8(1) << quint8(1) << qint32(INT_MAX)
        << -5 << -5 << INT_MAX << 3;
    QTest::newRow("absurd size") << absurd << true;
}

void TestAppDelegate::corruptSavedFrameFallsBackToTheDefault() {
    QFETCH(QByteArray, geometry);
    QFETCH(bool, refused);
    Preferences::settings()->setValue(QStringLiteral("RenewlyMainWindow/geometry"), geometry);
    auto delegate = makeDelegate();
    delegate->applicationDidFinishLaunching();
    QVERIFY(QTest::qWaitForWindowExposed(delegate->window()));
    if (refused)
        QCOMPARE(delegate->window()->size(), QSize(960, 640));
}

void TestAppDelegate::withoutATrayTheWindowIsTheWayOut() {
    // Started at login on a desktop without a tray: the window opens, since nothing else would.
    auto delegate = makeDelegate(false, {}, false);
    delegate->applicationDidFinishLaunching();
    QVERIFY(delegate->window() && delegate->window()->isVisible());
    delegate->store().add(monthly(QStringLiteral("Netflix"), 15.49, QStringLiteral("USD")));

    // Closing it ends the program, with the list on disk.
    QMetaObject::invokeMethod(delegate->window(), &QWidget::close, Qt::QueuedConnection);
    QCOMPARE(QCoreApplication::exec(), 0);
    const auto saved = SubscriptionFile::decode(TestSupport::readFile(delegate->store().fileURL()));
    QVERIFY(saved.has_value());
    QCOMPARE(saved->size(), 1);
}

QTEST_MAIN(TestAppDelegate)
#include "tst_app_delegate.moc"
