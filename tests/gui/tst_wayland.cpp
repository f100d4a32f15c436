#include "DelegateHarness.h"

#include "app/MainWindow.h"
#include "app/TrayPanel.h"
#include "views/ContentView.h"
#include "views/SettingsView.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

// The program under a real Wayland compositor (wayland_e2e.sh starts a headless weston): the window,
// the tray panel and a sheet appear and go away again. With RENEWLY_SHOTS_DIR set, the compositor
// takes a picture of each.
class TestWayland : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowPanelAndSheetWork();

private:
    void shoot(const QString &name, QWidget *onScreen);
};

void TestWayland::shoot(const QString &name, QWidget *onScreen) {
    const QString dir = qEnvironmentVariable("RENEWLY_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    // weston-screenshooter writes wayland-screenshot-<time>.png into its working folder.
    QTemporaryDir scratch;
    QProcess shooter;
    shooter.setWorkingDirectory(scratch.path());
    shooter.start(u"weston-screenshooter"_qs, {});
    // The compositor takes the picture with its next repaint.
    QVERIFY(QTest::qWaitFor([&shooter, onScreen] {
        onScreen->update();
        return shooter.state() == QProcess::NotRunning;
    }));
    const QStringList shots = QDir(scratch.path()).entryList({u"*.png"_qs});
    QVERIFY2(!shots.isEmpty(), qPrintable(shooter.readAllStandardError()));
    QDir().mkpath(dir);
    QFile::remove(dir + QLatin1Char('/') + name);
    QVERIFY(QFile::copy(scratch.filePath(shots.first()), dir + QLatin1Char('/') + name));
}

void TestWayland::windowPanelAndSheetWork() {
    QCOMPARE(QGuiApplication::platformName(), u"wayland"_qs);
    DelegateHarness h;
    AppDelegate::applyDarkLook();
    const auto owned = h.make();
    AppDelegate &delegate = *owned;
    delegate.applicationDidFinishLaunching();
    MainWindow *window = delegate.window();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    shoot(u"wayland-window.png"_qs, window);

    // The panel, as a click on the tray icon opens it; Escape closes it.
    QTRY_VERIFY(delegate.popover());
    delegate.togglePopover();
    TrayPanel *panel = delegate.popover();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QCOMPARE(panel->width(), 300);
    shoot(u"wayland-panel.png"_qs, panel);
    QTest::keyClick(panel, Qt::Key_Escape);
    QTRY_VERIFY(!panel->isVisible());
    // A click on the icon right after Escape opens it again; a second one closes it.
    delegate.togglePopover();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    delegate.togglePopover();
    QTRY_VERIFY(!panel->isVisible());

    // A sheet over the window.
    auto *content = qobject_cast<ContentView *>(window->centralWidget());
    content->openSettings();
    QDialog *sheet = nullptr;
    QTRY_VERIFY((sheet = window->findChild<SettingsView *>()) && sheet->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    shoot(u"wayland-settings.png"_qs, sheet);
    sheet->reject();
    QTRY_VERIFY(!content->showingSettings());
}

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
