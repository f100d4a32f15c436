#include "DBusMenu.h"

#include <QAction>
#include <QDBusAbstractAdaptor>
#include <QDBusMetaType>
#include <QMenu>
#include <QTimer>

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuLayoutItem &item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayoutItem &child : item.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuLayoutItem &item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    item.children.clear();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children.append(qdbus_cast<DBusMenuLayoutItem>(child.variant().value<QDBusArgument>()));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemProperties &item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemProperties &item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

namespace {

class DBusMenuAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version CONSTANT)
    Q_PROPERTY(QString TextDirection READ textDirection CONSTANT)
    Q_PROPERTY(QString Status READ status CONSTANT)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath CONSTANT)
public:
    explicit DBusMenuAdaptor(DBusMenu *menu)
        : QDBusAbstractAdaptor(menu)
        , m_menu(menu) {
        setAutoRelaySignals(false);
        connect(menu, &DBusMenu::layoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
    }
    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                   DBusMenuLayoutItem &layout) {
        Q_UNUSED(recursionDepth)
        Q_UNUSED(propertyNames)
        layout = m_menu->layout(parentId);
        return m_menu->revision();
    }
    QList<DBusMenuItemProperties> GetGroupProperties(const QList<int> &ids,
                                                     const QStringList &propertyNames) {
        Q_UNUSED(propertyNames)
        return m_menu->groupProperties(ids);
    }
    QDBusVariant GetProperty(int id, const QString &name) {
        const QList<DBusMenuItemProperties> found = m_menu->groupProperties({id});
        return QDBusVariant(found.isEmpty() ? QVariant() : found.first().properties.value(name));
    }
    void Event(int id, const QString &eventId, const QDBusVariant &data, uint timestamp) {
        Q_UNUSED(data)
        Q_UNUSED(timestamp)
        m_menu->handleEvent(id, eventId);
    }
    bool AboutToShow(int id) {
        Q_UNUSED(id)
        return false;
    }

Q_SIGNALS:
    void LayoutUpdated(uint revision, int parent);

private:
    DBusMenu *m_menu;
};

} // namespace

DBusMenu::DBusMenu(QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_menu(menu) {
    registerTypes();
    new DBusMenuAdaptor(this);
    for (QAction *action : menu->actions())
        connect(action, &QAction::changed, this, &DBusMenu::menuChanged);
}

void DBusMenu::registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItemProperties>();
        qDBusRegisterMetaType<QList<DBusMenuItemProperties>>();
        return true;
    }();
    Q_UNUSED(registered)
}

bool DBusMenu::publish(QDBusConnection bus, const QString &path) {
    return bus.registerObject(path, this, QDBusConnection::ExportAdaptors);
}

QVariantMap DBusMenu::propertiesOf(int id) const {
    QVariantMap properties;
    if (id == 0) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return properties;
    }
    const QList<QAction *> actions = m_menu ? m_menu->actions() : QList<QAction *>();
    if (id < 1 || id > actions.size())
        return properties;
    const QAction *action = actions.at(id - 1);
    if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        // The protocol marks mnemonics with "_" where Qt uses "&".
        QString label = action->text();
        label.replace(QLatin1Char('_'), QStringLiteral("__"));
        label.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        label.replace(QLatin1Char('&'), QLatin1Char('_'));
        label.replace(QLatin1Char('\x01'), QLatin1Char('&'));
        properties.insert(QStringLiteral("label"), label);
    }
    if (!action->isEnabled())
        properties.insert(QStringLiteral("enabled"), false);
    if (!action->isVisible())
        properties.insert(QStringLiteral("visible"), false);
    return properties;
}

DBusMenuLayoutItem DBusMenu::layout(int parentId) const {
    DBusMenuLayoutItem root{.id = parentId, .properties = propertiesOf(parentId), .children = {}};
    if (parentId != 0 || !m_menu)
        return root;
    const qsizetype count = m_menu->actions().size();
    for (int id = 1; id <= count; ++id)
        root.children.append({.id = id, .properties = propertiesOf(id), .children = {}});
    return root;
}

QList<DBusMenuItemProperties> DBusMenu::groupProperties(const QList<int> &ids) const {
    QList<DBusMenuItemProperties> found;
    for (const int id : ids)
        found.append({.id = id, .properties = propertiesOf(id)});
    return found;
}

bool DBusMenu::handleEvent(int id, const QString &eventId) {
    const QList<QAction *> actions = m_menu ? m_menu->actions() : QList<QAction *>();
    if (eventId != QLatin1String("clicked") || id < 1 || id > actions.size())
        return false;
    // Run once the D-Bus call has returned: the action may quit the program.
    QTimer::singleShot(0, actions.at(id - 1), &QAction::trigger);
    return true;
}

void DBusMenu::menuChanged() {
    // Several titles change at once on a change of language: one update for all of them.
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        m_updatePending = false;
        ++m_revision;
        Q_EMIT layoutUpdated(m_revision, 0);
    });
}

#include "DBusMenu.moc"
