#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

class DBusMenu;
class QDBusServiceWatcher;
class QMenu;

// One icon image as the StatusNotifierItem protocol sends it: (iiay), ARGB32 in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray data;
};
Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(QList<SniPixmap>)

// (sa(iiay)ss): icon name, icon images, title and text of the tooltip.
struct SniToolTip {
    QString iconName;
    QList<SniPixmap> pixmaps;
    QString title;
    QString text;
};
Q_DECLARE_METATYPE(SniToolTip)

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip);

// The tray item on the org.kde.StatusNotifierItem protocol, which most panels speak (Plasma, GNOME
// with the AppIndicator extension, XFCE, Cinnamon, Budgie). Unlike QSystemTrayIcon it carries a
// text label beside the icon (XAyatanaLabel) for hosts that show one. It registers with the
// StatusNotifierWatcher, and again whenever a watcher appears on the bus.
class StatusNotifierItem : public QObject {
    Q_OBJECT
public:
    static constexpr const char *watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char *itemPath = "/StatusNotifierItem";
    static constexpr const char *menuPath = "/MenuBar";

    StatusNotifierItem(QDBusConnection bus, QMenu *menu, QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    static bool isWatcherPresent(const QDBusConnection &bus);
    static void registerTypes();

    // Claims the item's bus name, publishes it and asks the watcher to show it.
    bool publish();
    QString serviceName() const { return m_serviceName; }
    // Whether a watcher is on the bus and, when last asked, said a host shows its items.
    bool isShown() const;

    void setIcon(const QIcon &icon);
    // The label beside the icon and the tooltip's title.
    void setLabel(const QString &label);
    QString label() const { return m_label; }

    // The D-Bus properties, read through the adaptor.
    QList<SniPixmap> iconPixmaps() const { return m_pixmaps; }
    SniToolTip toolTip() const;

Q_SIGNALS:
    // A click on the icon, at the point on the screen the host gives (0, 0 when it gives none).
    void activated(const QPoint &at);
    // A right click on a host that leaves the menu to the item.
    void contextMenuRequested(const QPoint &at);
    void iconChanged();
    void toolTipChanged();
    void labelChanged(const QString &label, const QString &guide);
    void registered();

private:
    void registerWithWatcher();
    void askWhetherAHostShowsItems();

    QDBusConnection m_bus;
    DBusMenu *m_dbusMenu;
    QDBusServiceWatcher *m_watcher;
    QString m_serviceName;
    QString m_label;
    QList<SniPixmap> m_pixmaps;
    bool m_hostRegistered = true;
};
