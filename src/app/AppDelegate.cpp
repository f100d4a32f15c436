#include "AppDelegate.h"

#include "app/MainWindow.h"
#include "app/StatusNotifierItem.h"
#include "app/TrayPanel.h"
#include "model/Clock.h"
#include "model/Format.h"
#include "reminders/NotificationManager.h"
#include "settings/LocalizationManager.h"
#include "settings/Preferences.h"
#include "store/Store.h"
#include "views/ContentView.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QThread>
#include <QToolTip>
#include <QWindow>

#include <algorithm>
#include <future>
#include <utility>

AppDelegate::AppDelegate(Options options)
    : m_options(std::move(options))
    , m_store(makeStore()) {
    // Closing the main window leaves the process running with its tray icon.
    QApplication::setQuitOnLastWindowClosed(false);
}

std::unique_ptr<Store> AppDelegate::makeStore() {
    const Options &options = m_options;
    if (!options.storePath.isEmpty())
        return std::make_unique<Store>(options.storePath);
    if (!options.listReadAhead)
        return std::make_unique<Store>();
    auto [path, loaded, overview] = options.listReadAhead();
    m_preparedOverview = std::move(overview);
    // The sync bookkeeping learns of the read once the window is on screen (finishLaunching).
    auto store = std::make_unique<Store>(path, std::move(loaded), Store::ReadTracking::later);
    store->keepBackups(Backups::defaultFolder());
    return store;
}

std::function<AppDelegate::ListReadAhead()> AppDelegate::readListAhead() {
    // Qt takes the first thread that uses it for its main thread. Were that the reader, the real
    // main thread would lose what only the main thread gets, such as application-wide event filters.
    QThread::currentThread();
    auto reading = std::make_shared<std::future<ListReadAhead>>(std::async(std::launch::async, [] {
        const QString path = Store::defaultFilePath();
        SubscriptionFile::LoadResult loaded = SubscriptionFile::load(path);
        const Clock &clock = Clock::current();
        ListOverview overview =
            listOverview(loaded.subscriptions, ContentView::upcomingDays, clock.now(), clock.zone());
        return ListReadAhead{path, std::move(loaded), std::move(overview)};
    }));
    return [reading] { return reading->get(); };
}

bool AppDelegate::askDesktopShowsMenus() {
    const QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QStringLiteral("com.canonical.AppMenu.Registrar")).value();
}

void AppDelegate::onPrepareForSleep(bool sleeping) {
    if (!sleeping)
        m_store->checkForExternalChange();
}

AppDelegate::~AppDelegate() {
    if (m_window)
        m_window->removeEventFilter(this);
    if (m_statusItem)
        m_statusItem->hide();
    if (m_popover)
        m_popover->hide();
}

void AppDelegate::applyDarkLook() {
    QApplication::setStyle(Theme::createStyle());
    QApplication::setPalette(Theme::palette());
    QApplication::setFont(Theme::applicationFont(QApplication::font()));
    // Tips keep a palette of their own, which the application palette does not reach.
    QToolTip::setPalette(Theme::palette());
}

QString AppDelegate::windowTitle(bool isZh) {
    return isZh ? QStringLiteral("Renewly · 续费账簿") : QStringLiteral("Renewly · Subscription Manager");
}

ContentView *AppDelegate::content() const {
    return m_window ? qobject_cast<ContentView *>(m_window->centralWidget()) : nullptr;
}

QMenuBar *AppDelegate::applicationMenu() const {
    return m_menuBar;
}

void AppDelegate::buildApplicationMenu(MenuEntries entries) {
    m_menuZh = LocalizationManager::shared().isZh();
    // Qt asks the session bus whether the desktop shows menus itself when the first menu bar is made,
    // on the way to the window's first frame. Told beforehand that it does not, the bar is made as Qt
    // would then make it, drawn in the window, without the question.
    const bool askQt = !m_options.desktopShowsMenus || m_options.desktopShowsMenus() ||
                       QCoreApplication::testAttribute(Qt::AA_DontUseNativeMenuBar);
    if (!askQt)
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    // Made in the window when there is one: moved there afterwards, the bar and its menus would work
    // out their style sheet a second time.
    auto menuBar = std::make_unique<QMenuBar>(m_window.get());
    if (!askQt)
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, false);
    menuBar->setObjectName(QStringLiteral("applicationMenu"));
    // Given before the bar is first polished, the sheet costs no second polish. With the entries,
    // after the first frame, when they are made then.
    if (entries == MenuEntries::now)
        menuBar->setStyleSheet(Theme::menuStyleSheet());
    else
        Theme::holdMenuSheet(menuBar.get());
    // Linux desktops have no application-name menu, so the first menu carries the product name.
    m_appMenu = menuBar->addMenu(QStringLiteral("Renewly"));
    m_appMenu->setObjectName(QStringLiteral("appMenu"));
    m_fileMenu = menuBar->addMenu(m_menuZh ? QStringLiteral("文件") : QStringLiteral("File"));
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_editMenu = menuBar->addMenu(m_menuZh ? QStringLiteral("编辑") : QStringLiteral("Edit"));
    m_editMenu->setObjectName(QStringLiteral("editMenu"));
    m_menuBar = menuBar.get();
    m_pendingMenuBar = std::move(menuBar);
    if (m_window) {
        // First among the window's parts, where the reading order meets it.
        if (QWidget *content = m_window->centralWidget())
            m_pendingMenuBar->stackUnder(content);
        m_window->setMenuBar(m_pendingMenuBar.release());
    }
    m_menuEntriesMade = false;
    if (entries == MenuEntries::now) {
        makeMenuEntries();
        return;
    }
    // A menu opened before the launch made the entries makes them itself.
    for (QMenu *menu : {m_appMenu.data(), m_fileMenu.data(), m_editMenu.data()})
        connect(menu, &QMenu::aboutToShow, this, &AppDelegate::makeMenuEntries);
}

void AppDelegate::buildApplicationMenuWithWindow(MenuEntries entries) {
    if (m_window)
        buildApplicationMenu(entries);
    else
        m_menuWithWindow = entries;
}

void AppDelegate::makeMenuEntries() {
    if (m_menuBar)
        Theme::giveMenuSheet(m_menuBar);
    if (m_menuEntriesMade || !m_appMenu || !m_fileMenu || !m_editMenu)
        return;
    m_menuEntriesMade = true;
    const bool zh = m_menuZh;
    QMenu *app = m_appMenu;
    QMenu *file = m_fileMenu;
    QMenu *edit = m_editMenu;
    // The main window's own commands; each brings the window forward first.
    QAction *add = app->addAction(zh ? QStringLiteral("添加订阅…") : QStringLiteral("Add Subscription…"));
    add->setObjectName(QStringLiteral("addAction"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(add, &QAction::triggered, this, [this] {
        showMainWindow();
        content()->attemptAdd();
    });
    QAction *settings = app->addAction(zh ? QStringLiteral("设置…") : QStringLiteral("Settings…"));
    settings->setObjectName(QStringLiteral("settingsAction"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, [this] {
        showMainWindow();
        content()->openSettings();
    });
    app->addSeparator();
    QAction *close = app->addAction(zh ? QStringLiteral("关闭窗口") : QStringLiteral("Close Window"));
    close->setObjectName(QStringLiteral("closeWindowAction"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(close, &QAction::triggered, this, [this] {
        if (m_window)
            m_window->close();
    });
    QAction *hide = app->addAction(zh ? QStringLiteral("隐藏 Renewly") : QStringLiteral("Hide Renewly"));
    hide->setObjectName(QStringLiteral("hideAction"));
    hide->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    hide->setShortcutContext(Qt::ApplicationShortcut);
    connect(hide, &QAction::triggered, this, &AppDelegate::hideApplication);
    app->addSeparator();
    QAction *quit = app->addAction(zh ? QStringLiteral("退出 Renewly") : QStringLiteral("Quit Renewly"));
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &AppDelegate::requestQuit, Qt::QueuedConnection);

    struct FileEntry {
        const char *objectName;
        QString title;
        void (ContentView::*run)();
    };
    const FileEntry files[] = {
        {"importAction", zh ? QStringLiteral("导入…") : QStringLiteral("Import…"), &ContentView::importFile},
        {"exportAction", zh ? QStringLiteral("导出…") : QStringLiteral("Export…"), &ContentView::exportList},
        {"restoreAction", zh ? QStringLiteral("从备份恢复…") : QStringLiteral("Restore from backup…"),
         &ContentView::restoreFromBackup},
    };
    for (const FileEntry &entry : files) {
        QAction *action = file->addAction(entry.title);
        action->setObjectName(QString::fromLatin1(entry.objectName));
        connect(action, &QAction::triggered, this, [this, run = entry.run] {
            showMainWindow();
            if (auto *content = qobject_cast<ContentView *>(m_window->centralWidget()))
                (content->*run)();
        });
    }
    file->actions().constFirst()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    file->actions().at(1)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));

    struct EditEntry {
        const char *objectName;
        QString title;
        Qt::Key key;
        const char *slot;
    };
    const EditEntry entries[] = {
        {"cutAction", zh ? QStringLiteral("剪切") : QStringLiteral("Cut"), Qt::Key_X, "cut"},
        {"copyAction", zh ? QStringLiteral("拷贝") : QStringLiteral("Copy"), Qt::Key_C, "copy"},
        {"pasteAction", zh ? QStringLiteral("粘贴") : QStringLiteral("Paste"), Qt::Key_V, "paste"},
        {"selectAllAction", zh ? QStringLiteral("全选") : QStringLiteral("Select All"), Qt::Key_A,
         "selectAll"},
    };
    for (const EditEntry &entry : entries) {
        QAction *action = edit->addAction(entry.title);
        action->setObjectName(QString::fromLatin1(entry.objectName));
        action->setShortcut(QKeySequence(Qt::CTRL | entry.key));
        const QByteArray slot(entry.slot);
        // Sent to whatever has keyboard focus, as the platform's first responder would be; text
        // fields, text editors and editable combo boxes all have these slots.
        connect(action, &QAction::triggered, this, [this, slot] {
            QWidget *focus = QApplication::focusWidget();
            if (focus && focus->metaObject()->indexOfMethod(slot + "()") >= 0) {
                QMetaObject::invokeMethod(focus, slot.constData());
                return;
            }
            // Pasting in the main window with no text field focused scans the clipboard's image.
            if (slot == "paste" && m_window && m_window->isActiveWindow())
                content()->scanFromClipboard();
        });
    }
}

void AppDelegate::applicationDidFinishLaunching() {
    if (m_options.showWindowAtLaunch) {
        showMainWindow();
        // The tray, the reminder service and the session bus wait until the window's first frame
        // is on screen: the user sees the window sooner, and nothing of theirs needs them before.
        if (QWindow *handle = m_window->windowHandle(); handle && !handle->isExposed()) {
            m_launchWaitsForFrame = true;
            handle->installEventFilter(this);
            return;
        }
    }
    finishLaunching();
}

void AppDelegate::finishLaunching() {
    m_launchWaitsForFrame = false;
    m_preparedOverview.reset();
    m_store->trackReadInBackground();
    makeMenuEntries();
    setupStatusItem();
    // Started in the background where no tray shows the icon: nothing would be on screen at all.
    if (!m_options.showWindowAtLaunch && !isTrayAvailable())
        showMainWindow();
    NotificationManager &reminders =
        m_options.reminders ? *m_options.reminders : NotificationManager::shared();
    reminders.setOpenHandler([self = QPointer<AppDelegate>(this)](const QUuid &id) {
        if (self)
            self->showSubscription(id);
    });
    reminders.requestAuthorization();
    reminders.reschedule(m_store->subscriptions(), Preferences::remindDaysBefore());
    if (!m_titleSubscribed) {
        m_titleSubscribed = true;
        // Waking from sleep looks for changes made elsewhere meanwhile. QDBusConnection::connect
        // takes the receiving slot by its signature only.
        if (QDBusConnection system = QDBusConnection::systemBus(); system.isConnected())
            system.connect(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
        // Delivered one event-loop turn after the change; the total is read from the store then.
        connect(m_store.get(), &Store::subscriptionsChanged, this, &AppDelegate::updateStatusTitle,
                Qt::QueuedConnection);
    }
    Q_EMIT launchFinished();
}

void AppDelegate::showMainWindow() {
    if (!m_window) {
        auto window = std::make_unique<MainWindow>(windowTitle(LocalizationManager::shared().isZh()));
        auto *content =
            new ContentView(*m_store, window.get(), m_preparedOverview ? &*m_preparedOverview : nullptr);
        m_preparedOverview.reset();
        content->setReminders(m_options.reminders);
        window->setCentralWidget(content);
        m_window = std::move(window);
        if (!m_menuBar)
            buildApplicationMenu(std::exchange(m_menuWithWindow, std::nullopt).value_or(MenuEntries::now));
        if (m_pendingMenuBar) {
            // First among the window's parts, where the reading order meets it.
            m_pendingMenuBar->setParent(m_window.get());
            m_pendingMenuBar->stackUnder(content);
            m_window->setMenuBar(m_pendingMenuBar.release());
        }
        m_window->placeInitially();
        m_window->installEventFilter(this);
    }
    if (m_window->isMinimized())
        m_window->showNormal();
    else
        m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void AppDelegate::showSubscription(const QUuid &id) {
    showMainWindow();
    auto *content = qobject_cast<ContentView *>(m_window->centralWidget());
    const QList<Subscription> &list = m_store->subscriptions();
    const auto it =
        std::find_if(list.cbegin(), list.cend(), [&](const Subscription &s) { return s.id == id; });
    if (!content || it == list.cend())
        return;
    if (content->detailSub() && content->detailSub()->id == id && content->presented())
        return;
    // Another subscription's detail sheet gives way; any other sheet is finished first.
    if (content->detailSub() && content->presented())
        content->presented()->done(QDialog::Rejected);
    content->openDetail(*it);
}

void AppDelegate::hideApplication() {
    if (m_popover)
        m_popover->hide();
    if (m_window) {
        m_window->saveFrame();
        m_window->hide();
    }
}

void AppDelegate::requestQuit() {
    if (m_store->hasUnsavedChanges()) {
        const SaveResult saved = m_store->save();
        if (!saved && !confirmQuitUnsaved(saved.reason()))
            return;
    }
    QCoreApplication::quit();
}

bool AppDelegate::confirmQuitUnsaved(const QString &reason) {
    if (m_options.confirmQuitUnsaved)
        return m_options.confirmQuitUnsaved(reason);
    const bool zh = LocalizationManager::shared().isZh();
    QMessageBox box(
        QMessageBox::Warning, zh ? QStringLiteral("无法保存") : QStringLiteral("Couldn't save"),
        zh ? QStringLiteral("你的修改还没有保存：%1。\n现在退出，这些修改就会丢失。").arg(reason)
           : QStringLiteral("Your changes haven't been saved: %1.\nIf you quit now, they will be lost.")
                 .arg(reason),
        QMessageBox::NoButton, m_window && m_window->isVisible() ? m_window.get() : nullptr);
    QPushButton *quit = box.addButton(zh ? QStringLiteral("仍然退出") : QStringLiteral("Quit Anyway"),
                                      QMessageBox::DestructiveRole);
    QPushButton *cancel =
        box.addButton(zh ? QStringLiteral("取消") : QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == quit;
}

QString AppDelegate::statusTitle() const {
    return QStringLiteral(" ") + Format::base(m_store->totalMonthlyCNY());
}

QIcon AppDelegate::trayIcon() {
    // The panel behind the icon may be dark or light, and the tray does not say which: the light
    // symbol gets a thin dark rim so it reads on both.
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48}) {
        const double inset = side / 12.0;
        const double symbolSide = side - 2 * inset;
        const QPixmap rim = Symbols::pixmap(QStringLiteral("creditcard.fill"), symbolSide,
                                            QColor(0, 0, 0, 150), Symbols::Weight::bold);
        const QPixmap face = Symbols::pixmap(QStringLiteral("creditcard.fill"), symbolSide, Theme::text(),
                                             Symbols::Weight::bold);
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
            painter.drawPixmap(QPointF(inset, inset) + offset, rim);
        painter.drawPixmap(QPointF(inset, inset), face);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void AppDelegate::setupStatusItem() {
    if (m_popover)
        return;
    m_popover = std::make_unique<TrayPanel>(
        *m_store,
        [self = QPointer<AppDelegate>(this)] {
            if (!self)
                return;
            if (self->m_popover)
                self->m_popover->close();
            self->showMainWindow();
        },
        [self = QPointer<AppDelegate>(this)] {
            if (self)
                self->requestQuit();
        });
    buildTrayMenu();

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (StatusNotifierItem::isWatcherPresent(bus)) {
        useNotifierItem();
        return;
    }
    useSystemTrayIcon();
    // A panel that speaks the StatusNotifierItem protocol may start later (or restart): the item
    // moves there, with its label.
    if (bus.isConnected()) {
        m_trayWatcher = new QDBusServiceWatcher(QString::fromLatin1(StatusNotifierItem::watcherService), bus,
                                                QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_trayWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            m_trayWatcher->deleteLater();
            m_trayWatcher = nullptr;
            useNotifierItem();
        });
    }
}

void AppDelegate::useSystemTrayIcon() {
    m_statusItem = std::make_unique<QSystemTrayIcon>();
    m_statusItem->setObjectName(QStringLiteral("statusItem"));
    m_statusItem->setIcon(trayIcon());
    m_statusItem->setToolTip(statusTitle());
    m_statusItem->setContextMenu(m_trayMenu.get());
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    togglePopover();
            });
    m_statusItem->show();
}

void AppDelegate::useNotifierItem() {
    if (m_statusItem) {
        m_statusItem->hide();
        m_statusItem.reset();
    }
    m_notifierItem = std::make_unique<StatusNotifierItem>(QDBusConnection::sessionBus(), m_trayMenu.get());
    m_notifierItem->setIcon(trayIcon());
    m_notifierItem->setLabel(statusTitle());
    connect(m_notifierItem.get(), &StatusNotifierItem::activated, this, &AppDelegate::togglePopoverAt);
    connect(m_notifierItem.get(), &StatusNotifierItem::contextMenuRequested, this, [this](const QPoint &at) {
        if (m_popover)
            m_popover->close();
        m_trayMenu->popup(at.isNull() ? QCursor::pos() : at);
    });
    m_notifierItem->publish();
}

void AppDelegate::buildTrayMenu() {
    m_trayMenu = std::make_unique<QMenu>();
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    const auto content = [this]() -> ContentView * {
        showMainWindow();
        return qobject_cast<ContentView *>(m_window->centralWidget());
    };
    QAction *open = m_trayMenu->addAction(QString());
    open->setObjectName(QStringLiteral("trayOpenAction"));
    connect(open, &QAction::triggered, this, &AppDelegate::showMainWindow);
    QAction *add = m_trayMenu->addAction(QString());
    add->setObjectName(QStringLiteral("trayAddAction"));
    connect(add, &QAction::triggered, this, [content] {
        if (ContentView *view = content())
            view->attemptAdd();
    });
    QAction *scan = m_trayMenu->addAction(QString());
    scan->setObjectName(QStringLiteral("trayScanAction"));
    connect(scan, &QAction::triggered, this, [content] {
        if (ContentView *view = content())
            view->scanFromClipboard();
    });
    m_trayMenu->addSeparator();
    QAction *quit = m_trayMenu->addAction(QString());
    quit->setObjectName(QStringLiteral("trayQuitAction"));
    connect(quit, &QAction::triggered, this, &AppDelegate::requestQuit, Qt::QueuedConnection);
    retranslateTrayMenu();
    connect(&LocalizationManager::shared(), &LocalizationManager::langChanged, m_trayMenu.get(),
            [this] { retranslateTrayMenu(); });
}

void AppDelegate::retranslateTrayMenu() {
    const bool zh = LocalizationManager::shared().isZh();
    const QList<QAction *> actions = m_trayMenu->actions();
    actions.at(0)->setText(zh ? QStringLiteral("打开 Renewly") : QStringLiteral("Open Renewly"));
    actions.at(1)->setText(zh ? QStringLiteral("添加订阅…") : QStringLiteral("Add subscription…"));
    actions.at(2)->setText(zh ? QStringLiteral("从剪贴板识别截图") : QStringLiteral("Scan from clipboard"));
    actions.at(4)->setText(zh ? QStringLiteral("退出") : QStringLiteral("Quit"));
}

bool AppDelegate::isTrayAvailable() const {
    if (m_options.isTrayAvailable)
        return m_options.isTrayAvailable();
    if (m_notifierItem && m_notifierItem->isShown())
        return true;
    return m_statusItem && QSystemTrayIcon::isSystemTrayAvailable();
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event) {
    if (m_launchWaitsForFrame && m_window && watched == m_window->windowHandle() &&
        event->type() == QEvent::Expose && m_window->windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        // The expose paints the frame; the rest of the launch runs once that is done.
        QMetaObject::invokeMethod(this, &AppDelegate::finishLaunching, Qt::QueuedConnection);
        return false;
    }
    // With no tray to come back from, a closed window would leave a process nobody can reach. The
    // question is asked at each close, so a tray that appeared since counts.
    if (watched == m_window.get() && event->type() == QEvent::Close && !isTrayAvailable())
        QMetaObject::invokeMethod(this, &AppDelegate::requestQuit, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void AppDelegate::togglePopover() {
    togglePopoverAt(QPoint());
}

void AppDelegate::togglePopoverAt(const QPoint &at) {
    if (!m_popover)
        return;
    if (m_popover->isOpen()) {
        m_popover->close();
        return;
    }
    // The click on the icon that closed the open panel (a click outside it) arrives here next;
    // it means close, not open again. A click elsewhere that closed it does not count.
    QRect icon = m_statusItem ? m_statusItem->geometry() : QRect();
    if (icon.isEmpty() && !at.isNull())
        icon = QRect(at, QSize(1, 1));
    if (m_popover->justClosedBy(m_notifierItem ? QRect() : icon))
        return;
    m_popover->open(icon);
}

void AppDelegate::updateStatusTitle() {
    if (!m_statusItem && !m_notifierItem)
        return;
    const QString title = statusTitle();
    if (m_statusItem)
        m_statusItem->setToolTip(title);
    if (m_notifierItem)
        m_notifierItem->setLabel(title);
    Q_EMIT statusTitleChanged(title);
}
