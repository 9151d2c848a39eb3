#include "components/DBusMenuExporter.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace {

// Qt marks a mnemonic with "&", dbusmenu with "_".
QString dbusMenuLabel(const QString& text)
{
    QString label;
    label.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'_') {
            label += QStringLiteral("__");
        } else if (c == u'&' && i + 1 < text.size()) {
            ++i;
            label += text.at(i) == u'&' ? QStringLiteral("&") : QString(u'_' + QString(text.at(i)));
        } else {
            label += c;
        }
    }
    return label;
}

// Only the properties that differ from the protocol's defaults travel.
QVariantMap actionProperties(QAction* action)
{
    QVariantMap properties;
    if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        properties.insert(QStringLiteral("label"), dbusMenuLabel(action->text()));
        if (!action->icon().name().isEmpty()) {
            properties.insert(QStringLiteral("icon-name"), action->icon().name());
        }
        if (action->isCheckable()) {
            const bool radio = action->actionGroup() && action->actionGroup()->isExclusive();
            properties.insert(QStringLiteral("toggle-type"),
                              radio ? QStringLiteral("radio") : QStringLiteral("checkmark"));
            properties.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
        }
        if (action->menu<QMenu*>()) {
            properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        }
    }
    if (!action->isEnabled()) {
        properties.insert(QStringLiteral("enabled"), false);
    }
    if (!action->isVisible()) {
        properties.insert(QStringLiteral("visible"), false);
    }
    return properties;
}

QVariantMap onlyNamed(QVariantMap properties, const QStringList& names)
{
    if (names.isEmpty()) {
        return properties;
    }
    for (auto it = properties.begin(); it != properties.end();) {
        it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
    }
    return properties;
}

} // namespace

DBusMenuExporter::DBusMenuExporter(const QString& path, QObject* parent) : QObject(parent), m_path(path)
{
    registerDBusTrayTypes();
    m_adaptor = new DBusMenuAdaptor(this);
}

DBusMenuExporter::~DBusMenuExporter()
{
    withdraw();
}

bool DBusMenuExporter::exportOn(const QDBusConnection& connection)
{
    withdraw();
    m_connection = connection;
    if (!m_connection.registerObject(m_path, this, QDBusConnection::ExportAdaptors)) {
        qWarning("Cannot serve the tray menu at %s: %s", qPrintable(m_path),
                 qPrintable(m_connection.lastError().message()));
        m_connection = QDBusConnection(QString());
        return false;
    }
    return true;
}

void DBusMenuExporter::withdraw()
{
    if (m_connection.isConnected()) {
        m_connection.unregisterObject(m_path);
    }
    m_connection = QDBusConnection(QString());
}

void DBusMenuExporter::setMenu(QMenu* menu)
{
    if (menu == m_menu) {
        return;
    }
    if (m_menu) {
        m_menu->removeEventFilter(this);
    }
    m_menu = menu;
    if (m_menu) {
        watch(m_menu);
        connect(m_menu, &QObject::destroyed, this, &DBusMenuExporter::scheduleLayoutUpdate, Qt::UniqueConnection);
    }
    scheduleLayoutUpdate();
}

DBusMenuLayoutItem DBusMenuExporter::layout(int id, int depth, const QStringList& names)
{
    DBusMenuLayoutItem item;
    item.id = id;
    item.properties = properties(id, names);
    QMenu* menu = menuOf(id);
    if (!menu || depth == 0) {
        return item;
    }
    watch(menu);
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions) {
        item.children.append(layout(idOf(action), depth < 0 ? depth : depth - 1, names));
    }
    return item;
}

QVariantMap DBusMenuExporter::properties(int id, const QStringList& names) const
{
    if (id == 0) {
        return onlyNamed({{QStringLiteral("children-display"), QStringLiteral("submenu")}}, names);
    }
    QAction* action = actionOf(id);
    return action ? onlyNamed(actionProperties(action), names) : QVariantMap();
}

bool DBusMenuExporter::knows(int id) const
{
    return id == 0 || actionOf(id) != nullptr;
}

void DBusMenuExporter::event(int id, const QString& eventId)
{
    if (eventId != QLatin1String("clicked")) {
        return;
    }
    QAction* action = actionOf(id);
    if (!action || action->isSeparator() || !action->isEnabled() || action->menu<QMenu*>()) {
        return;
    }
    // The panel waits for the answer: the item runs after it, from the event loop, so that what
    // it opens (a modal window, the end of the program) never holds up the call.
    QTimer::singleShot(0, action, &QAction::trigger);
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ActionAdded:
    case QEvent::ActionRemoved:
    case QEvent::ActionChanged:
        scheduleLayoutUpdate();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

int DBusMenuExporter::idOf(QAction* action)
{
    const auto known = m_ids.constFind(action);
    // An address seen before may belong to a new action now: the old one's pointer is null then.
    if (known != m_ids.cend() && m_actions.value(*known) == action) {
        return *known;
    }
    const int id = m_nextId++;
    m_ids.insert(action, id);
    m_actions.insert(id, action);
    return id;
}

QAction* DBusMenuExporter::actionOf(int id) const
{
    return m_actions.value(id).data();
}

QMenu* DBusMenuExporter::menuOf(int id) const
{
    if (id == 0) {
        return m_menu;
    }
    QAction* action = actionOf(id);
    return action ? action->menu<QMenu*>() : nullptr;
}

void DBusMenuExporter::watch(QMenu* menu)
{
    // Installing a filter twice moves it to the front; it is still called once.
    menu->installEventFilter(this);
}

void DBusMenuExporter::scheduleLayoutUpdate()
{
    if (m_updateQueued) {
        return;
    }
    m_updateQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_updateQueued = false;
        ++m_revision;
        Q_EMIT m_adaptor->LayoutUpdated(m_revision, 0);
    });
}

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenuExporter* exporter) : QDBusAbstractAdaptor(exporter), m_exporter(exporter) {}

QString DBusMenuAdaptor::TextDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                DBusMenuLayoutItem& layout)
{
    if (!m_exporter->knows(parentId)) {
        m_exporter->sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No menu item %1").arg(parentId));
        return 0;
    }
    layout = m_exporter->layout(parentId, recursionDepth, propertyNames);
    return m_exporter->revision();
}

QList<DBusMenuItem> DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames)
{
    QList<DBusMenuItem> items;
    for (const int id : ids) {
        if (m_exporter->knows(id)) {
            items.append({id, m_exporter->properties(id, propertyNames)});
        }
    }
    return items;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name)
{
    // Properties left out of a layout have the protocol's default values.
    static const QVariantMap defaults{{QStringLiteral("type"), QStringLiteral("standard")},
                                      {QStringLiteral("label"), QString()},
                                      {QStringLiteral("enabled"), true},
                                      {QStringLiteral("visible"), true},
                                      {QStringLiteral("icon-name"), QString()},
                                      {QStringLiteral("toggle-type"), QString()},
                                      {QStringLiteral("toggle-state"), -1},
                                      {QStringLiteral("children-display"), QString()}};
    const QVariant value = m_exporter->properties(id, {name}).value(name, defaults.value(name));
    if (!m_exporter->knows(id) || !value.isValid()) {
        m_exporter->sendErrorReply(QDBusError::InvalidArgs,
                                   QStringLiteral("No property %1 on menu item %2").arg(name).arg(id));
        return QDBusVariant(QVariant(0));
    }
    return QDBusVariant(value);
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    m_exporter->event(id, eventId);
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent>& events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events) {
        if (m_exporter->knows(event.id)) {
            m_exporter->event(event.id, event.eventId);
        } else {
            idErrors.append(event.id);
        }
    }
    return idErrors;
}

bool DBusMenuAdaptor::AboutToShow(int)
{
    // The layout is always current: nothing to bring up to date before the menu opens.
    return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    idErrors.clear();
    for (const int id : ids) {
        if (!m_exporter->knows(id)) {
            idErrors.append(id);
        }
    }
    return {};
}
