#include "DelegateHarness.h"

#include "app/DBusMenu.h"
#include "app/MainWindow.h"
#include "app/StatusNotifierItem.h"
#include "app/TrayPanel.h"

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDialog>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>

using Lang = LocalizationManager::Lang;

namespace {

const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");

// A stand-in panel: the StatusNotifierWatcher with a host registered, on a connection of its own as
// a desktop's panel would be in another process.
class StandInWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service) { items.append(service); }
    void RegisterStatusNotifierHost(const QString &) {}
};

// Receives the item's label signal as the host does.
class ItemProxy : public QDBusAbstractInterface {
    Q_OBJECT
public:
    ItemProxy(const QString &service, const QDBusConnection &bus)
        : QDBusAbstractInterface(service, QStringLiteral("/StatusNotifierItem"), "org.kde.StatusNotifierItem",
                                 bus, nullptr) {}
Q_SIGNALS:
    void XAyatanaNewLabel(const QString &label, const QString &guide);
};

Subscription monthly(const QString &name, double amount) {
    return MainWindowHarness::sub({.name = name, .amount = amount});
}

} // namespace

class TestStatusNotifier : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void labelFollowsTheList();
    void clicksOpenThePanelAndTheMenu();
    void menuListsTheActionsInTheCurrentLanguage_data();
    void menuListsTheActionsInTheCurrentLanguage();
    void aPanelStartedLaterTakesTheItem();
    void quitFromTheMenuEndsTheProgram();

private:
    void startWatcher();
    void stopWatcher();
    std::unique_ptr<AppDelegate> launch();
    // Calls the item from the host's side and waits for the answer.
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments);
    QVariant property(const QString &name);
    QString registeredService() const;

    QDBusConnection m_host{QString()};
    std::unique_ptr<StandInWatcher> m_watcher;
    std::unique_ptr<DelegateHarness> m_h;
};

void TestStatusNotifier::initTestCase() {
    if (qEnvironmentVariableIsEmpty("RENEWLY_PRIVATE_SESSION_BUS"))
        QSKIP("needs a private session bus (run through ctest)");
    QVERIFY(QDBusConnection::sessionBus().isConnected());
    m_host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("host"));
    QVERIFY(m_host.isConnected());
}

void TestStatusNotifier::startWatcher() {
    m_watcher = std::make_unique<StandInWatcher>();
    QVERIFY(m_host.registerObject(QStringLiteral("/StatusNotifierWatcher"), m_watcher.get(),
                                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    QVERIFY(m_host.registerService(watcherName));
}

void TestStatusNotifier::stopWatcher() {
    if (!m_watcher)
        return;
    m_host.unregisterService(watcherName);
    m_host.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    m_watcher.reset();
}

void TestStatusNotifier::init() {
    m_h = std::make_unique<DelegateHarness>();
}

void TestStatusNotifier::cleanup() {
    stopWatcher();
    m_h.reset();
}

std::unique_ptr<AppDelegate> TestStatusNotifier::launch() {
    auto delegate = m_h->make({.showWindowAtLaunch = false});
    delegate->applicationDidFinishLaunching();
    return delegate;
}

QString TestStatusNotifier::registeredService() const {
    const QStringList items = m_watcher ? m_watcher->items : QStringList();
    return items.isEmpty() ? QString() : items.constLast();
}

QDBusMessage TestStatusNotifier::call(const QString &path, const QString &interface, const QString &method,
                                      const QVariantList &arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(registeredService(), path, interface, method);
    message.setArguments(arguments);
    // The item answers from this thread's event loop, so the call must not block it.
    QDBusPendingCall pending = m_host.asyncCall(message);
    if (!QTest::qWaitFor([&pending] { return pending.isFinished(); }))
        return {};
    return pending.reply();
}

QVariant TestStatusNotifier::property(const QString &name) {
    const QDBusMessage reply =
        call(QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.freedesktop.DBus.Properties"),
             QStringLiteral("Get"), {itemInterface, name});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void TestStatusNotifier::labelFollowsTheList() {
    TestSupport::LanguageGuard language(Lang::zh);
    startWatcher();
    auto delegate = launch();
    QTRY_VERIFY(!registeredService().isEmpty());
    QVERIFY(!delegate->statusItem());
    QVERIFY(delegate->isTrayAvailable());
    QCOMPARE(property(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral(" ¥0"));
    QCOMPARE(qdbus_cast<SniToolTip>(property(QStringLiteral("ToolTip")).value<QDBusArgument>()).title,
             QStringLiteral(" ¥0"));
    QVERIFY(!qdbus_cast<QList<SniPixmap>>(property(QStringLiteral("IconPixmap")).value<QDBusArgument>())
                 .isEmpty());
    QCOMPARE(property(QStringLiteral("Menu")).value<QDBusObjectPath>().path(), QStringLiteral("/MenuBar"));

    ItemProxy item(registeredService(), m_host);
    QSignalSpy labels(&item, &ItemProxy::XAyatanaNewLabel);
    Store &store = delegate->store();
    Subscription chatgpt = monthly(QStringLiteral("ChatGPT Plus"), 20);
    const auto expectLabel = [&](const QString &label) {
        QVERIFY(labels.wait());
        QCOMPARE(labels.takeLast().value(0).toString(), label);
        QCOMPARE(property(QStringLiteral("XAyatanaLabel")).toString(), label);
        QCOMPARE(qdbus_cast<SniToolTip>(property(QStringLiteral("ToolTip")).value<QDBusArgument>()).title,
                 label);
        QCOMPARE(delegate->statusTitle(), label);
    };
    store.add(chatgpt);
    expectLabel(QStringLiteral(" ¥144"));
    chatgpt.amount = 10;
    store.update(chatgpt);
    expectLabel(QStringLiteral(" ¥72"));
    store.toggleActive(chatgpt);
    expectLabel(QStringLiteral(" ¥0"));
    store.toggleActive(store.subscriptions().constFirst());
    expectLabel(QStringLiteral(" ¥72"));
    // Another language shows its display currency from the next change of the list on.
    LocalizationManager::shared().setLang(Lang::en);
    store.add(monthly(QStringLiteral("Claude Pro"), 20));
    expectLabel(QStringLiteral(" $30"));
    store.remove(chatgpt);
    expectLabel(QStringLiteral(" $20"));
}

void TestStatusNotifier::clicksOpenThePanelAndTheMenu() {
    startWatcher();
    auto delegate = launch();
    QTRY_VERIFY(!registeredService().isEmpty());
    const QString path = QStringLiteral("/StatusNotifierItem");
    QCOMPARE(call(path, itemInterface, QStringLiteral("Activate"), {200, 10}).type(),
             QDBusMessage::ReplyMessage);
    QTRY_VERIFY(delegate->popover()->isOpen());
    call(path, itemInterface, QStringLiteral("Activate"), {200, 10});
    QTRY_VERIFY(!delegate->popover()->isOpen());

    // A host that leaves the menu to the item asks for it with ContextMenu.
    call(path, itemInterface, QStringLiteral("ContextMenu"), {200, 10});
    QTRY_VERIFY(delegate->trayMenu()->isVisible());
    delegate->trayMenu()->close();
}

void TestStatusNotifier::menuListsTheActionsInTheCurrentLanguage_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("zh") << Lang::zh << QStringList{"打开 Renewly", "添加订阅…", "从剪贴板识别截图", "退出"};
    QTest::newRow("en") << Lang::en
                        << QStringList{"Open Renewly", "Add subscription…", "Scan from clipboard", "Quit"};
}

void TestStatusNotifier::menuListsTheActionsInTheCurrentLanguage() {
    QFETCH(Lang, lang);
    QFETCH(QStringList, labels);
    // Launched in the other language: the menu follows a change made while it runs.
    TestSupport::LanguageGuard language(lang == Lang::zh ? Lang::en : Lang::zh);
    startWatcher();
    auto delegate = launch();
    QTRY_VERIFY(!registeredService().isEmpty());
    LocalizationManager::shared().setLang(lang);

    const QDBusMessage reply = call(QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
                                    QStringLiteral("GetLayout"), {0, -1, QStringList()});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    const auto layout = qdbus_cast<DBusMenuLayoutItem>(reply.arguments().value(1).value<QDBusArgument>());
    QStringList shown;
    for (const DBusMenuLayoutItem &entry : layout.children) {
        if (entry.properties.value(QStringLiteral("type")) != QStringLiteral("separator"))
            shown.append(entry.properties.value(QStringLiteral("label")).toString());
    }
    QCOMPARE(shown, labels);

    // "Add subscription…" opens the main window with the form.
    call(QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
         {layout.children.at(1).id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QString())),
          0u});
    QTRY_VERIFY(delegate->window() && delegate->window()->isVisible());
    QTRY_VERIFY(delegate->window()->findChild<QDialog *>(QStringLiteral("subscriptionForm")));
}

void TestStatusNotifier::aPanelStartedLaterTakesTheItem() {
    auto delegate = launch();
    QVERIFY(delegate->statusItem());
    QVERIFY(!delegate->notifierItem());
    startWatcher();
    QTRY_VERIFY(!registeredService().isEmpty());
    QVERIFY(delegate->notifierItem());
    QVERIFY(!delegate->statusItem());
    QCOMPARE(registeredService(), delegate->notifierItem()->serviceName());
}

void TestStatusNotifier::quitFromTheMenuEndsTheProgram() {
    startWatcher();
    auto delegate = launch();
    QTRY_VERIFY(!registeredService().isEmpty());
    const int quitId = int(delegate->trayMenu()->actions().size());
    QMetaObject::invokeMethod(
        this,
        [this, quitId] {
            m_host.asyncCall(QDBusMessage::createMethodCall(registeredService(), QStringLiteral("/MenuBar"),
                                                            QStringLiteral("com.canonical.dbusmenu"),
                                                            QStringLiteral("Event"))
                             << quitId << QStringLiteral("clicked")
                             << QVariant::fromValue(QDBusVariant(QString())) << 0u);
        },
        Qt::QueuedConnection);
    // Returns only when the program is told to quit.
    QCOMPARE(QCoreApplication::exec(), 0);
}

QTEST_MAIN(TestStatusNotifier)
#include "tst_status_notifier.moc"
