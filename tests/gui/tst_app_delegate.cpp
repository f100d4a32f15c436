#include "DelegateHarness.h"

#include "app/MainWindow.h"
#include "app/TrayPanel.h"
#include "store/SubscriptionFile.h"
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
    void init() { m_h = std::make_unique<DelegateHarness>(); }
    void cleanup() { m_h.reset(); }
    void trayTitleFollowsTheList() {
        TestSupport::LanguageGuard language(Lang::zh);
        auto delegate = makeDelegate(false);
        delegate->applicationDidFinishLaunching();
        QSystemTrayIcon *tray = delegate->statusItem();
        QVERIFY(tray);
        // An empty list shows the formatted zero total.
        QCOMPARE(tray->toolTip(), u" ¥0"_qs);

        // Delivered one event-loop turn after each change, from the list the store holds then: several
        // changes in one turn end on the last total.
        QSignalSpy titles(delegate.get(), &AppDelegate::statusTitleChanged);
        delegate->store().add(monthly(u"ChatGPT Plus"_qs, 20, u"USD"_qs));
        delegate->store().add(monthly(u"iCloud+"_qs, 21, u"CNY"_qs));
        QCOMPARE(tray->toolTip(), u" ¥0"_qs);
        QTRY_COMPARE(titles.size(), 2);
        QCOMPARE(titles.at(0).at(0).toString(), u" ¥165"_qs);
        QCOMPARE(tray->toolTip(), u" ¥165"_qs);
    }

    void backgroundLaunchOpensNoWindow() {
        auto delegate = makeDelegate(false);
        delegate->applicationDidFinishLaunching();
        QVERIFY(!delegate->window());
        QVERIFY(delegate->statusItem());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }

    void mainWindowIsMadeOnceAndOnlyHidden() {
        TestSupport::LanguageGuard language(Lang::zh);
        auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        MainWindow *window = delegate->window();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), u"Renewly · 续费账簿"_qs);
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
        QCOMPARE(window->windowTitle(), u"Renewly · 续费账簿"_qs);
    }

    void mainWindowFrameIsRestored() {
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
        QVERIFY(settings->childGroups().contains(u"RenewlyMainWindow"_qs));
        auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        QVERIFY(QTest::qWaitForWindowExposed(delegate->window()));
        QCOMPARE(delegate->window()->geometry(), frame);
    }

    void corruptSavedFrameFallsBackToTheDefault_data() {
        QTest::addColumn<QByteArray>("geometry");
        QTest::addColumn<bool>("refused"); // else Qt takes what it can read
        QTest::newRow("garbage") << QByteArray("garbage") << true;
        QTest::newRow("truncated") << QByteArray("\x01\xd9\xd0\xcb\x00\x03\x00\x00\xff\xff", 10) << false;
        // Qt's own layout, with rectangles as large as the numbers go.
        QByteArray absurd;
        QDataStream out(&absurd, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_0);
        out << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << INT_MIN << INT_MIN << INT_MAX << INT_MAX
            << INT_MAX << INT_MAX << INT_MIN << INT_MIN << qint32(99) << quint8(1) << quint8(1)
            << qint32(INT_MAX) << -5 << -5 << INT_MAX << 3;
        QTest::newRow("absurd size") << absurd << true;
    }

    void corruptSavedFrameFallsBackToTheDefault() {
        QFETCH(QByteArray, geometry);
        QFETCH(bool, refused);
        Preferences::settings()->setValue(u"RenewlyMainWindow/geometry"_qs, geometry);
        auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        QVERIFY(QTest::qWaitForWindowExposed(delegate->window()));
        if (refused)
            QCOMPARE(delegate->window()->size(), QSize(960, 640));
    }

    // Made in the language of the launch, and left in it; each entry with its keyboard shortcut.
    void applicationMenuKeepsTheLaunchLanguage() {
        TestSupport::LanguageGuard language(Lang::zh);
        auto delegate = makeDelegate();
        LocalizationManager::shared().setLang(Lang::en);
        delegate->applicationDidFinishLaunching();
        QMenuBar *bar = delegate->applicationMenu();
        QCOMPARE(delegate->window()->menuBar(), bar);
        QStringList menus;
        for (const QAction *entry : bar->actions())
            menus << entry->text();
        QCOMPARE(menus, (QStringList{"Renewly", "文件", "编辑"}));
        QCOMPARE(action(*delegate, "quitAction")->text(), u"退出 Renewly"_qs);
        const QStringList keys{"add Ctrl+N",  "settings Ctrl+,", "closeWindow Ctrl+W",  "hide Ctrl+H",
                               "quit Ctrl+Q", "import Ctrl+O",   "export Ctrl+Shift+S", "restore ",
                               "cut Ctrl+X",  "copy Ctrl+C",     "paste Ctrl+V",        "selectAll Ctrl+A"};
        for (const QString &key : keys) {
            const QAction *entry = action(*delegate, qPrintable(key.section(u' ', 0, 0) + u"Action"_qs));
            QVERIFY2(entry && !entry->text().isEmpty(), qPrintable(key));
            QCOMPARE(entry->shortcut().toString(QKeySequence::PortableText), key.section(u' ', 1));
        }
    }

    // Told beforehand that the desktop shows no menus of its own, the bar is drawn in the window, first
    // among its parts, and a later bar is left to Qt's own question again.
    void menuBarToldTheDesktopShowsNoMenus() {
        auto delegate =
            m_h->make({.isTrayAvailable = [] { return true; }, .desktopShowsMenus = [] { return false; }});
        delegate->applicationDidFinishLaunching();
        QMenuBar *bar = delegate->applicationMenu();
        QVERIFY(!bar->isNativeMenuBar());
        QCOMPARE(delegate->window()->menuBar(), bar);
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_DontUseNativeMenuBar));
        const QList<QWidget *> parts =
            delegate->window()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(parts.indexOf(bar) < parts.indexOf(delegate->content()));
    }

    void windowKeysReachTheContent_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("Ctrl+N adds") << int(Qt::Key_N) << "subscriptionForm";
        QTest::newRow("Ctrl+, opens the settings") << int(Qt::Key_Comma) << "settingsSheet";
        // No image on the clipboard: the scan says so.
        QTest::newRow("Ctrl+V scans the clipboard") << int(Qt::Key_V) << "scanAlert";
        QTest::newRow("Ctrl+W hides the window") << int(Qt::Key_W) << "";
    }

    void windowKeysReachTheContent() {
        QFETCH(int, key);
        QFETCH(QString, sheet);
        QGuiApplication::clipboard()->setText(u"no picture here"_qs);
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

    void hideEntryHidesTheWindows() {
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

    void panelTogglesAndIsBuiltAfreshEachTime() {
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
        delegate->store().add(monthly(u"Due"_qs, 5, u"USD"_qs, 1));
        delegate->store().add(monthly(u"Due too"_qs, 5, u"USD"_qs, 2));
        QVERIFY(panel->height() > before);
        QCOMPARE(panel->width(), 300);
    }

    void failedSaveShowsRetryAndGuardsQuit() {
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

        delegate->store().add(monthly(u"Netflix"_qs, 15.49, u"USD"_qs));
        auto *bar = delegate->window()->findChild<NoticeBar *>(u"saveErrorBar"_qs);
        QVERIFY(bar && bar->isVisible());
        QVERIFY(bar->message().startsWith(u"Couldn't save: "_qs));
        QVERIFY(bar->message().endsWith(u". Your changes are kept and Renewly will retry."_qs));
        QCOMPARE(bar->actionButton()->title(), u"Retry"_qs);
        {
            TestSupport::LanguageGuard chinese(Lang::zh);
            QVERIFY(bar->message().startsWith(u"无法保存："_qs));
            QVERIFY(bar->message().endsWith(u"。修改仍在，Renewly 会重试。"_qs));
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

private:
    // With a tray, as most desktops have.
    std::unique_ptr<AppDelegate> makeDelegate(bool showWindow = true,
                                              std::function<bool(const QString &)> confirmQuit = {}) {
        return m_h->make({.showWindowAtLaunch = showWindow,
                          .confirmQuitUnsaved = std::move(confirmQuit),
                          .isTrayAvailable = [] { return true; }});
    }

    std::unique_ptr<DelegateHarness> m_h;
};

QTEST_MAIN(TestAppDelegate)
#include "tst_app_delegate.moc"
