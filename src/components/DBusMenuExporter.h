#pragma once

#include "components/DBusTrayTypes.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QMenu>
#include <QObject>
#include <QPointer>

class QAction;
class DBusMenuAdaptor;

/// Serves a QMenu over com.canonical.dbusmenu, so that a panel can draw it and report the chosen
/// item. Item 0 is the menu itself; every action gets an id of its own for as long as it lives.
/// (QtDBus keeps the context of a call on the object served, not on its adaptor.)
class DBusMenuExporter final : public QObject, public QDBusContext
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBusMenuExporter)

public:
    /// The menu is not owned; it may be null or go away at any time. Nothing is served until exportOn().
    explicit DBusMenuExporter(const QString& path, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    /// Serves the menu on connection (and no longer on the one before); false when the path is taken.
    bool exportOn(const QDBusConnection& connection);
    /// Serves the menu nowhere.
    void withdraw();

    void setMenu(QMenu* menu);
    QMenu* menu() const { return m_menu; }
    QString path() const { return m_path; }
    uint revision() const { return m_revision; }

    /// The item and its children down to depth levels (-1: all); names empty means every property.
    DBusMenuLayoutItem layout(int id, int depth, const QStringList& names);
    QVariantMap properties(int id, const QStringList& names) const;
    bool knows(int id) const;
    /// A panel's event on an item: "clicked" triggers the item's action from the event loop.
    void event(int id, const QString& eventId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int idOf(QAction* action);
    QAction* actionOf(int id) const;
    QMenu* menuOf(int id) const;
    void watch(QMenu* menu);
    void scheduleLayoutUpdate();

    QDBusConnection m_connection{QString()};
    QString m_path;
    QPointer<QMenu> m_menu;
    DBusMenuAdaptor* m_adaptor = nullptr;
    QHash<int, QPointer<QAction>> m_actions;
    QHash<const QAction*, int> m_ids;
    int m_nextId = 1;
    uint m_revision = 1;
    bool m_updateQueued = false;
};

/// The com.canonical.dbusmenu interface of a DBusMenuExporter.
class DBusMenuAdaptor final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBusMenuAdaptor)
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ Version)
    Q_PROPERTY(QString TextDirection READ TextDirection)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(QStringList IconThemePath READ IconThemePath)

Q_SIGNALS:
    void ItemsPropertiesUpdated(const QList<DBusMenuItem>& updatedProps, const QList<DBusMenuItemKeys>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, DBusMenuLayoutItem& layout);
    QList<DBusMenuItem> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

public:
    explicit DBusMenuAdaptor(DBusMenuExporter* exporter);

    uint Version() const { return 3; }
    QString TextDirection() const;
    QString Status() const { return QStringLiteral("normal"); }
    QStringList IconThemePath() const { return {}; }

private:
    DBusMenuExporter* m_exporter;
};
