#include "StatusNotifierItem.h"

#include "app/DBusMenu.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusAbstractInterface>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QMenu>
#include <QtEndian>

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.data;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip) {
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip) {
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

namespace {

const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString watcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");

// The watcher's signals about panels that come and go.
class WatcherSignals : public QDBusAbstractInterface {
    Q_OBJECT
public:
    WatcherSignals(const QDBusConnection &bus, QObject *parent)
        : QDBusAbstractInterface(QString::fromLatin1(StatusNotifierItem::watcherService), watcherPath,
                                 "org.kde.StatusNotifierWatcher", bus, parent) {}
Q_SIGNALS:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();
};

class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category CONSTANT)
    Q_PROPERTY(QString Id READ id CONSTANT)
    Q_PROPERTY(QString Title READ title CONSTANT)
    Q_PROPERTY(QString Status READ status CONSTANT)
    Q_PROPERTY(int WindowId READ windowId CONSTANT)
    Q_PROPERTY(QString IconName READ empty CONSTANT)
    Q_PROPERTY(QList<SniPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ empty CONSTANT)
    Q_PROPERTY(QList<SniPixmap> OverlayIconPixmap READ noPixmaps CONSTANT)
    Q_PROPERTY(QString AttentionIconName READ empty CONSTANT)
    Q_PROPERTY(QList<SniPixmap> AttentionIconPixmap READ noPixmaps CONSTANT)
    Q_PROPERTY(QString AttentionMovieName READ empty CONSTANT)
    Q_PROPERTY(QString IconThemePath READ empty CONSTANT)
    Q_PROPERTY(SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu CONSTANT)
    Q_PROPERTY(QDBusObjectPath Menu READ menu CONSTANT)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ label)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex CONSTANT)
public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem *item)
        : QDBusAbstractAdaptor(item)
        , m_item(item) {
        setAutoRelaySignals(false);
        connect(item, &StatusNotifierItem::iconChanged, this, &StatusNotifierItemAdaptor::NewIcon);
        connect(item, &StatusNotifierItem::toolTipChanged, this, &StatusNotifierItemAdaptor::NewToolTip);
        connect(item, &StatusNotifierItem::labelChanged, this, &StatusNotifierItemAdaptor::XAyatanaNewLabel);
    }

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("renewly"); }
    QString title() const { return QStringLiteral("Renewly"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString empty() const { return {}; }
    QList<SniPixmap> iconPixmap() const { return m_item->iconPixmaps(); }
    QList<SniPixmap> noPixmaps() const { return {}; }
    SniToolTip toolTip() const { return m_item->toolTip(); }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const {
        return QDBusObjectPath(QString::fromLatin1(StatusNotifierItem::menuPath));
    }
    QString label() const { return m_item->label(); }
    uint orderingIndex() const { return 0; }

public Q_SLOTS:
    void Activate(int x, int y) { Q_EMIT m_item->activated(QPoint(x, y)); }
    void SecondaryActivate(int x, int y) { Q_EMIT m_item->activated(QPoint(x, y)); }
    void ContextMenu(int x, int y) { Q_EMIT m_item->contextMenuRequested(QPoint(x, y)); }
    void Scroll(int delta, const QString &orientation) {
        Q_UNUSED(delta)
        Q_UNUSED(orientation)
    }

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString &status);
    void XAyatanaNewLabel(const QString &label, const QString &guide);

private:
    StatusNotifierItem *m_item;
};

} // namespace

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_dbusMenu(new DBusMenu(menu, this))
    , m_watcher(new QDBusServiceWatcher(QString::fromLatin1(watcherService), m_bus,
                                        QDBusServiceWatcher::WatchForRegistration, this))
    // One item per process, named as the protocol suggests.
    , m_serviceName(
          QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid())) {
    registerTypes();
    new StatusNotifierItemAdaptor(this);
    // A panel started (or restarted) after the program: show the item there too.
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierItem::registerWithWatcher);
    if (m_bus.isConnected()) {
        auto *watcherSignals = new WatcherSignals(m_bus, this);
        connect(watcherSignals, &WatcherSignals::StatusNotifierHostRegistered, this,
                [this] { m_hostRegistered = true; });
        connect(watcherSignals, &WatcherSignals::StatusNotifierHostUnregistered, this,
                &StatusNotifierItem::askWhetherAHostShowsItems);
    }
}

StatusNotifierItem::~StatusNotifierItem() {
    m_bus.unregisterObject(QString::fromLatin1(itemPath));
    m_bus.unregisterObject(QString::fromLatin1(menuPath));
    m_bus.unregisterService(m_serviceName);
}

void StatusNotifierItem::registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<QList<SniPixmap>>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    Q_UNUSED(registered)
}

bool StatusNotifierItem::isWatcherPresent(const QDBusConnection &bus) {
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(QString::fromLatin1(watcherService));
}

bool StatusNotifierItem::isShown() const {
    return m_hostRegistered && isWatcherPresent(m_bus);
}

bool StatusNotifierItem::publish() {
    if (!m_bus.isConnected())
        return false;
    if (!m_bus.registerObject(QString::fromLatin1(itemPath), this, QDBusConnection::ExportAdaptors))
        return false;
    m_dbusMenu->publish(m_bus, QString::fromLatin1(menuPath));
    m_bus.registerService(m_serviceName);
    if (isWatcherPresent(m_bus))
        registerWithWatcher();
    return true;
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(watcherService), watcherPath, watcherInterface,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        if (done->isError())
            return;
        Q_EMIT registered();
        askWhetherAHostShowsItems();
    });
}

void StatusNotifierItem::askWhetherAHostShowsItems() {
    // Asked without waiting: the panel is another program, and the window must not wait for it.
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(watcherService), watcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        const QDBusMessage reply = done->reply();
        // A watcher that does not answer the question is taken at its word that it shows items.
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            m_hostRegistered = reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    });
}

void StatusNotifierItem::setIcon(const QIcon &icon) {
    m_pixmaps.clear();
    for (const int side : {16, 22, 24, 32, 48}) {
        const QImage image = icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        SniPixmap pixmap{.width = image.width(), .height = image.height(), .data = {}};
        pixmap.data.resize(qsizetype(image.width()) * image.height() * 4);
        auto *out = reinterpret_cast<quint32 *>(pixmap.data.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto *line = reinterpret_cast<const quint32 *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(line[x]);
        }
        m_pixmaps.append(pixmap);
    }
    Q_EMIT iconChanged();
}

void StatusNotifierItem::setLabel(const QString &label) {
    if (label == m_label)
        return;
    m_label = label;
    Q_EMIT labelChanged(m_label, m_label);
    Q_EMIT toolTipChanged();
}

SniToolTip StatusNotifierItem::toolTip() const {
    return {.iconName = QString(), .pixmaps = {}, .title = m_label, .text = QString()};
}

#include "StatusNotifierItem.moc"
