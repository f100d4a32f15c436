#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

class QMenu;

// One entry of a menu as the com.canonical.dbusmenu protocol sends it: (ia{sv}av), the children
// each wrapped in a variant.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};
Q_DECLARE_METATYPE(DBusMenuLayoutItem)

// (ia{sv}): the properties of one entry.
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(DBusMenuItemProperties)
Q_DECLARE_METATYPE(QList<DBusMenuItemProperties>)

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuLayoutItem &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuLayoutItem &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemProperties &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemProperties &item);

// Publishes a flat QMenu on the session bus as com.canonical.dbusmenu, for tray hosts that draw the
// item's menu themselves (GNOME's AppIndicator extension, Plasma). Entry ids are the positions of
// the menu's actions plus one; a click runs the action. Titles follow the actions' changes.
class DBusMenu : public QObject {
    Q_OBJECT
public:
    DBusMenu(QMenu *menu, QObject *parent = nullptr);

    static void registerTypes();
    bool publish(QDBusConnection bus, const QString &path);

    // The D-Bus interface, called through the adaptor.
    uint revision() const { return m_revision; }
    DBusMenuLayoutItem layout(int parentId) const;
    QList<DBusMenuItemProperties> groupProperties(const QList<int> &ids) const;
    bool handleEvent(int id, const QString &eventId);

Q_SIGNALS:
    void layoutUpdated(uint revision, int parent);

private:
    QVariantMap propertiesOf(int id) const;
    void menuChanged();

    QPointer<QMenu> m_menu;
    uint m_revision = 1;
    bool m_updatePending = false;
};
