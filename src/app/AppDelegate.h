#pragma once

#include "store/Aggregates.h"
#include "store/SubscriptionFile.h"

#include "app/MenuBarView.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class ContentView;
class MainWindow;
class NotificationManager;
class QDBusServiceWatcher;
class QMenu;
class QMenuBar;
class QSystemTrayIcon;
class StatusNotifierItem;
class Store;
class TrayPanel;

// Owns everything that is not a view for the life of the process: the store, the main window, the
// tray icon with its panel and the application menu.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // The default list file and what was read of it.
    struct ListReadAhead {
        QString path;
        SubscriptionFile::LoadResult loaded;
        // What the window shows of the list read, worked out beside the reading.
        std::optional<ListOverview> overview;
    };

    struct Options {
        // Empty: the store's default file in the XDG data folder.
        QString storePath{};
        // False for a start at login: only the tray icon appears.
        bool showWindowAtLaunch = true;
        // The reminder scheduler asked for permission and given the list at launch; empty means
        // NotificationManager::shared().
        NotificationManager *reminders = nullptr;
        // Asked, with the reason, whether to quit although the list could not be saved; empty: a
        // message box on the main window.
        std::function<bool(const QString &reason)> confirmQuitUnsaved{};
        // Whether a tray shows the icon, so that closing the window may leave the process running;
        // empty: asked of the session bus and the X server.
        std::function<bool()> isTrayAvailable{};
        // The default list file and what was read of it ahead of time (see readListAhead); empty: the
        // store reads the file itself.
        std::function<ListReadAhead()> listReadAhead{};
        // Whether the desktop shows the application's menus itself, e.g. asked ahead on another thread
        // with askDesktopShowsMenus(); empty: Qt asks the session bus when the menu bar is made.
        std::function<bool()> desktopShowsMenus{};
    };

    // Starts reading the default list file on a thread of its own, e.g. while the application reaches
    // the display; the result is for Options::listReadAhead. Called on the main thread.
    static std::function<ListReadAhead()> readListAhead();
    // Asks the session bus, as Qt's desktop integration asks it before it makes a menu bar, whether a
    // global menu shows the application's menus; false without a bus. Any thread.
    static bool askDesktopShowsMenus();

    // Creates the store, which loads the subscription file at once.
    explicit AppDelegate(Options options);
    AppDelegate()
        : AppDelegate(Options{}) {}
    ~AppDelegate() override;

    // Fusion style with the project's menus and tips, and the dark palette.
    static void applyDarkLook();
    // When the application menu's entries, with their shortcuts, are made: at once, or once the
    // window's first frame is on screen (which shows only the menus' titles) or a menu first opens.
    enum class MenuEntries { now, afterFirstFrame };
    // The application menu in the language of this moment; installed on the main window when it is
    // made.
    void buildApplicationMenu(MenuEntries entries = MenuEntries::now);
    // Has the main window's first build make the application menu once the window's content is
    // made. Making the menu bar waits for the session bus (it asks whether the desktop shows menus
    // itself), which a start connects to on another thread meanwhile.
    void buildApplicationMenuWithWindow(MenuEntries entries);

    // Launch sequence: main window (unless started in the background, and a tray shows the icon),
    // tray icon, reminder permission and schedule, and the tray title kept equal to the monthly
    // total. Everything after the window waits until its first frame is on screen.
    void applicationDidFinishLaunching();
    // Creates the main window the first time, then shows, raises and activates it.
    void showMainWindow();
    void setupStatusItem();
    void togglePopover();
    // Opens or closes the panel near `at` (a point on the screen; the cursor when null).
    void togglePopoverAt(const QPoint &at);
    // Whether the tray icon is on show somewhere; without it, closing the window quits.
    bool isTrayAvailable() const;
    // The main window, brought forward with the detail sheet of the subscription `id` (a reminder's
    // open action). Only the window when the subscription is gone.
    void showSubscription(const QUuid &id);
    // A second launch of the program asked this one to come forward.
    void applicationShouldHandleReopen() { showMainWindow(); }
    // Hides every window of the application (the application menu's Hide).
    void hideApplication();
    // Quits, after one more attempt to save a list whose last save failed; if that fails too, only
    // when the user agrees to lose the changes.
    void requestQuit();

    Store &store() const { return *m_store; }
    MainWindow *window() const { return m_window.get(); }
    // The XEmbed tray icon, used where no StatusNotifierWatcher is on the session bus.
    QSystemTrayIcon *statusItem() const { return m_statusItem.get(); }
    // The StatusNotifierItem, used where a watcher is on the bus.
    StatusNotifierItem *notifierItem() const { return m_notifierItem.get(); }
    // Open Renewly, Add subscription…, Scan from clipboard, Quit: the tray icon's right-click menu.
    QMenu *trayMenu() const { return m_trayMenu.get(); }
    TrayPanel *popover() const { return m_popover.get(); }
    QMenuBar *applicationMenu() const;
    // The main window's content, once the window exists.
    ContentView *content() const;

    // " " followed by the monthly total in the display currency: the tray icon's title.
    QString statusTitle() const;
    static QString windowTitle(bool isZh);
    // "creditcard.fill" as the tray shows it.
    static QIcon trayIcon();

Q_SIGNALS:
    void statusTitleChanged(const QString &title);
    // The launch sequence is done: the window's first frame is on screen, the tray icon is set up.
    void launchFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    // logind's signal around suspend; after waking, the list may have changed on another computer.
    void onPrepareForSleep(bool sleeping);

private:
    std::unique_ptr<Store> makeStore();
    void updateStatusTitle();
    bool confirmQuitUnsaved(const QString &reason);
    void finishLaunching();
    void makeMenuEntries();
    void buildTrayMenu();
    void retranslateTrayMenu();
    void useNotifierItem();
    void useSystemTrayIcon();

    Options m_options;
    // Given to the window's first build, then let go: it holds on to the list it describes.
    std::optional<ListOverview> m_preparedOverview;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<StatusNotifierItem> m_notifierItem;
    std::unique_ptr<QMenu> m_trayMenu;
    QDBusServiceWatcher *m_trayWatcher = nullptr;
    std::unique_ptr<TrayPanel> m_popover;
    QMenuBar *m_menuBar = nullptr;
    std::unique_ptr<QMenuBar> m_pendingMenuBar;
    std::optional<MenuEntries> m_menuWithWindow;
    QPointer<QMenu> m_appMenu;
    QPointer<QMenu> m_fileMenu;
    QPointer<QMenu> m_editMenu;
    bool m_menuZh = false;
    bool m_menuEntriesMade = false;
    bool m_titleSubscribed = false;
    bool m_launchWaitsForFrame = false;
};
