#include "DelegateHarness.h"

#include "app/DBusMenu.h"
#include "app/MainWindow.h"
#include "app/StatusNotifierItem.h"
#include "app/TrayPanel.h"

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDialog>
#include <QMenu>
#include <QSignalSpy>

using Lang = LocalizationManager::Lang;

namespace {

const QString watcherName = u"org.kde.StatusNotifierWatcher"_qs;
const QString itemInterface = u"org.kde.StatusNotifierItem"_qs;

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
        : QDBusAbstractInterface(service, u"/StatusNotifierItem"_qs, "org.kde.StatusNotifierItem", bus,
                                 nullptr) {}
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
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("RENEWLY_PRIVATE_SESSION_BUS"))
            QSKIP("needs a private session bus (run through ctest)");
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        m_host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"host"_qs);
        QVERIFY(m_host.isConnected());
    }

    void init() { m_h = std::make_unique<DelegateHarness>(); }

    void cleanup() {
        stopWatcher();
        m_h.reset();
    }

    void labelFollowsTheList() {
        TestSupport::LanguageGuard language(Lang::zh);
        startWatcher();
        auto delegate = launch();
        QTRY_VERIFY(!registeredService().isEmpty());
        QVERIFY(!delegate->statusItem());
        QVERIFY(delegate->isTrayAvailable());
        QCOMPARE(property(u"XAyatanaLabel"_qs).toString(), u" ¥0"_qs);
        QCOMPARE(qdbus_cast<SniToolTip>(property(u"ToolTip"_qs).value<QDBusArgument>()).title, u" ¥0"_qs);
        QVERIFY(!qdbus_cast<QList<SniPixmap>>(property(u"IconPixmap"_qs).value<QDBusArgument>()).isEmpty());
        QCOMPARE(property(u"Menu"_qs).value<QDBusObjectPath>().path(), u"/MenuBar"_qs);

        ItemProxy item(registeredService(), m_host);
        QSignalSpy labels(&item, &ItemProxy::XAyatanaNewLabel);
        Store &store = delegate->store();
        Subscription chatgpt = monthly(u"ChatGPT Plus"_qs, 20);
        const auto expectLabel = [&](const QString &label) {
            QVERIFY(labels.wait());
            QCOMPARE(labels.takeLast().value(0).toString(), label);
            QCOMPARE(property(u"XAyatanaLabel"_qs).toString(), label);
            QCOMPARE(qdbus_cast<SniToolTip>(property(u"ToolTip"_qs).value<QDBusArgument>()).title, label);
            QCOMPARE(delegate->statusTitle(), label);
        };
        store.add(chatgpt);
        expectLabel(u" ¥144"_qs);
        chatgpt.amount = 10;
        store.update(chatgpt);
        expectLabel(u" ¥72"_qs);
        // Another language shows its display currency from the next change of the list on.
        LocalizationManager::shared().setLang(Lang::en);
        store.add(monthly(u"Claude Pro"_qs, 20));
        expectLabel(u" $30"_qs);
        store.remove(chatgpt);
        expectLabel(u" $20"_qs);
    }

    void clicksOpenThePanelAndTheMenu() {
        startWatcher();
        auto delegate = launch();
        QTRY_VERIFY(!registeredService().isEmpty());
        const QString path = u"/StatusNotifierItem"_qs;
        QCOMPARE(call(path, itemInterface, u"Activate"_qs, {200, 10}).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY(delegate->popover()->isOpen());
        call(path, itemInterface, u"Activate"_qs, {200, 10});
        QTRY_VERIFY(!delegate->popover()->isOpen());

        // A host that leaves the menu to the item asks for it with ContextMenu.
        call(path, itemInterface, u"ContextMenu"_qs, {200, 10});
        QTRY_VERIFY(delegate->trayMenu()->isVisible());
        delegate->trayMenu()->close();
    }

    void menuListsTheActionsInTheCurrentLanguage_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("zh") << Lang::zh
                            << QStringList{"打开 Renewly", "添加订阅…", "从剪贴板识别截图", "退出"};
        QTest::newRow("en") << Lang::en
                            << QStringList{"Open Renewly", "Add subscription…", "Scan from clipboard",
                                           "Quit"};
    }

    void menuListsTheActionsInTheCurrentLanguage() {
        QFETCH(Lang, lang);
        QFETCH(QStringList, labels);
        // Launched in the other language: the menu follows a change made while it runs.
        TestSupport::LanguageGuard language(lang == Lang::zh ? Lang::en : Lang::zh);
        startWatcher();
        auto delegate = launch();
        QTRY_VERIFY(!registeredService().isEmpty());
        LocalizationManager::shared().setLang(lang);

        const QDBusMessage reply =
            call(u"/MenuBar"_qs, u"com.canonical.dbusmenu"_qs, u"GetLayout"_qs, {0, -1, QStringList()});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        const auto layout = qdbus_cast<DBusMenuLayoutItem>(reply.arguments().value(1).value<QDBusArgument>());
        QStringList shown;
        for (const DBusMenuLayoutItem &entry : layout.children) {
            if (entry.properties.value(u"type"_qs) != u"separator"_qs)
                shown.append(entry.properties.value(u"label"_qs).toString());
        }
        QCOMPARE(shown, labels);

        // "Add subscription…" opens the main window with the form.
        call(u"/MenuBar"_qs, u"com.canonical.dbusmenu"_qs, u"Event"_qs,
             {layout.children.at(1).id, u"clicked"_qs, QVariant::fromValue(QDBusVariant(QString())), 0u});
        QTRY_VERIFY(delegate->window() && delegate->window()->isVisible());
        QTRY_VERIFY(delegate->window()->findChild<QDialog *>(u"subscriptionForm"_qs));
    }

    void aPanelStartedLaterTakesTheItem() {
        auto delegate = launch();
        QVERIFY(delegate->statusItem());
        QVERIFY(!delegate->notifierItem());
        startWatcher();
        QTRY_VERIFY(!registeredService().isEmpty());
        QVERIFY(delegate->notifierItem());
        QVERIFY(!delegate->statusItem());
        QCOMPARE(registeredService(), delegate->notifierItem()->serviceName());
    }

    void quitFromTheMenuEndsTheProgram() {
        startWatcher();
        auto delegate = launch();
        QTRY_VERIFY(!registeredService().isEmpty());
        const int quitId = int(delegate->trayMenu()->actions().size());
        QMetaObject::invokeMethod(
            this,
            [this, quitId] {
                m_host.asyncCall(QDBusMessage::createMethodCall(registeredService(), u"/MenuBar"_qs,
                                                                u"com.canonical.dbusmenu"_qs, u"Event"_qs)
                                 << quitId << u"clicked"_qs << QVariant::fromValue(QDBusVariant(QString()))
                                 << 0u);
            },
            Qt::QueuedConnection);
        // Returns only when the program is told to quit.
        QCOMPARE(QCoreApplication::exec(), 0);
    }

private:
    void startWatcher() {
        m_watcher = std::make_unique<StandInWatcher>();
        QVERIFY(
            m_host.registerObject(u"/StatusNotifierWatcher"_qs, m_watcher.get(),
                                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(m_host.registerService(watcherName));
    }
    void stopWatcher() {
        if (!m_watcher)
            return;
        m_host.unregisterService(watcherName);
        m_host.unregisterObject(u"/StatusNotifierWatcher"_qs);
        m_watcher.reset();
    }
    std::unique_ptr<AppDelegate> launch() {
        auto delegate = m_h->make({.showWindowAtLaunch = false});
        delegate->applicationDidFinishLaunching();
        return delegate;
    }
    // Calls the item from the host's side and waits for the answer.
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(registeredService(), path, interface, method);
        message.setArguments(arguments);
        // The item answers from this thread's event loop, so the call must not block it.
        QDBusPendingCall pending = m_host.asyncCall(message);
        if (!QTest::qWaitFor([&pending] { return pending.isFinished(); }))
            return {};
        return pending.reply();
    }
    QVariant property(const QString &name) {
        const QDBusMessage reply = call(u"/StatusNotifierItem"_qs, u"org.freedesktop.DBus.Properties"_qs,
                                        u"Get"_qs, {itemInterface, name});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {};
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QString registeredService() const {
        const QStringList items = m_watcher ? m_watcher->items : QStringList();
        return items.isEmpty() ? QString() : items.constLast();
    }

    QDBusConnection m_host{QString()};
    std::unique_ptr<StandInWatcher> m_watcher;
    std::unique_ptr<DelegateHarness> m_h;
};

QTEST_MAIN(TestStatusNotifier)
#include "tst_status_notifier.moc"
