#include "components/SniTrayBackend.h"

#include "components/DBusMenuExporter.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QIcon>
#include <QPointer>
#include <QTimer>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kWatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");

// Each connection of an item gets a name of its own within the process.
int s_itemBusCount = 0;

} // namespace

SniTrayBackend::SniTrayBackend(const QDBusConnection& bus, const QString& itemBusAddress, QObject* parent)
    : TrayBackend(parent), m_connection(bus), m_itemBusAddress(itemBusAddress),
      m_watcher(kWatcherService, bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    registerDBusTrayTypes();
    m_adaptor = new StatusNotifierItemAdaptor(this);
    m_menu = new DBusMenuExporter(menuPath(), this);
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                // A new owner straight after the old one is a restarted panel as well.
                if (!oldOwner.isEmpty()) {
                    watcherVanished();
                }
                if (!newOwner.isEmpty()) {
                    watcherAppeared();
                }
            });
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"}) {
        m_connection.connect(kWatcherService, kWatcherPath, kWatcherInterface, QString::fromLatin1(signal), this,
                             SLOT(readHostRegistered()));
    }
    if (m_connection.interface() && m_connection.interface()->isServiceRegistered(kWatcherService)) {
        watcherAppeared();
    }
}

SniTrayBackend::~SniTrayBackend()
{
    closeItemBus();
}

QString SniTrayBackend::serviceName() const
{
    return m_itemBus.isConnected() ? m_itemBus.baseService() : QString();
}

void SniTrayBackend::setIcon(const QIcon& icon)
{
    m_iconName = icon.name();
    m_pixmaps = sniIconPixmaps(icon);
    m_attentionPixmaps = sniIconPixmaps(markedForAttention(icon));
    Q_EMIT m_adaptor->NewIcon();
    if (m_needsAttention) {
        Q_EMIT m_adaptor->NewAttentionIcon();
    }
}

void SniTrayBackend::setToolTip(const QString& tip)
{
    if (tip == m_tip) {
        return;
    }
    m_tip = tip;
    Q_EMIT m_adaptor->NewToolTip();
}

void SniTrayBackend::setVisible(bool visible)
{
    m_wanted = visible;
    // Every add is told to the watcher again, as the tray is told every write; a remove and an
    // add in the same turn of the event loop keep the connection and only register once more.
    m_registrationDue = visible;
    queueSync();
}

void SniTrayBackend::setMenu(QMenu* menu)
{
    m_menu->setMenu(menu);
}

void SniTrayBackend::setNeedsAttention(bool attention)
{
    if (attention == m_needsAttention) {
        return;
    }
    m_needsAttention = attention;
    // The attention icon is there only while attention is asked for: Xfce's tray draws it whenever
    // there is one, whatever the status says, and reads it again only when told it changed. So it
    // comes before the status that uses it, and goes after the status that no longer does.
    if (attention) {
        Q_EMIT m_adaptor->NewAttentionIcon();
    }
    Q_EMIT m_adaptor->NewStatus(status());
    if (!attention) {
        Q_EMIT m_adaptor->NewAttentionIcon();
    }
}

SniIconPixmapList SniTrayBackend::attentionPixmaps() const
{
    return m_needsAttention ? m_attentionPixmaps : SniIconPixmapList();
}

QString SniTrayBackend::status() const
{
    return m_needsAttention ? QStringLiteral("NeedsAttention") : QStringLiteral("Active");
}

SniToolTip SniTrayBackend::toolTip() const
{
    return SniToolTip{QString(), m_pixmaps, m_tip, QString()};
}

void SniTrayBackend::activate()
{
    // Panels report a left click as Activate and never report a double click, so Activate
    // stands for the double click of an XEmbed tray: its first click, then the double click.
    // Both come from the event loop, after the panel has its answer.
    QTimer::singleShot(0, this, [this] {
        const QPointer<SniTrayBackend> alive(this);
        Q_EMIT activated(QSystemTrayIcon::Trigger);
        if (alive) {
            Q_EMIT activated(QSystemTrayIcon::DoubleClick);
        }
    });
}

void SniTrayBackend::secondaryActivate()
{
    QTimer::singleShot(0, this, [this] { Q_EMIT activated(QSystemTrayIcon::MiddleClick); });
}

void SniTrayBackend::contextMenu()
{
    QTimer::singleShot(0, this, [this] { Q_EMIT activated(QSystemTrayIcon::Context); });
}

void SniTrayBackend::watcherAppeared()
{
    ++m_watcherGeneration;
    m_watcherPresent = true;
    m_hostRegistered = false;
    if (m_wanted) {
        m_registrationDue = true;
        queueSync();
    }
    readHostRegistered();
    Q_EMIT availableChanged();
}

void SniTrayBackend::watcherVanished()
{
    ++m_watcherGeneration;
    m_watcherPresent = false;
    m_hostRegistered = false;
    Q_EMIT availableChanged();
}

void SniTrayBackend::readHostRegistered()
{
    if (!m_watcherPresent) {
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* call = new QDBusPendingCallWatcher(m_connection.asyncCall(get), this);
    const quint64 generation = m_watcherGeneration;
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, generation] {
        call->deleteLater();
        if (generation != m_watcherGeneration) {
            return;
        }
        const QDBusPendingReply<QDBusVariant> reply = *call;
        setHostRegistered(reply.isValid() && reply.value().variant().toBool());
    });
}

void SniTrayBackend::setHostRegistered(bool registered)
{
    if (registered == m_hostRegistered) {
        return;
    }
    m_hostRegistered = registered;
    Q_EMIT availableChanged();
}

void SniTrayBackend::queueSync()
{
    if (m_syncQueued) {
        return;
    }
    m_syncQueued = true;
    QTimer::singleShot(0, this, &SniTrayBackend::syncRegistration);
}

void SniTrayBackend::syncRegistration()
{
    m_syncQueued = false;
    if (!m_wanted) {
        // The watcher sees the connection's name go and takes the item out of the panel.
        closeItemBus();
        return;
    }
    if (!m_itemBus.isConnected()) {
        if (!openItemBus()) {
            return;
        }
        m_registrationDue = true;
    }
    if (m_watcherPresent && m_registrationDue) {
        m_registrationDue = false;
        sendRegistration();
    }
}

bool SniTrayBackend::openItemBus()
{
    const QString name = QStringLiteral("nudgelark-tray-%1").arg(++s_itemBusCount);
    m_itemBus = m_itemBusAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                                           : QDBusConnection::connectToBus(m_itemBusAddress, name);
    if (!m_itemBus.isConnected()) {
        qWarning("Cannot connect to the bus for the tray icon: %s", qPrintable(m_itemBus.lastError().message()));
        m_itemBus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(name);
        return false;
    }
    if (!m_itemBus.registerObject(itemPath(), this, QDBusConnection::ExportAdaptors)) {
        qWarning("Cannot serve the tray icon at %s: %s", qPrintable(itemPath()),
                 qPrintable(m_itemBus.lastError().message()));
    }
    m_menu->exportOn(m_itemBus);
    return true;
}

void SniTrayBackend::closeItemBus()
{
    if (!m_itemBus.isConnected()) {
        return;
    }
    m_menu->withdraw();
    m_itemBus.unregisterObject(itemPath());
    const QString name = m_itemBus.name();
    m_itemBus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(name);
}

void SniTrayBackend::sendRegistration()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherInterface,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_itemBus.baseService();
    // From the item's own connection: a watcher may take the sender for the item.
    auto* pending = new QDBusPendingCallWatcher(m_itemBus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [pending] {
        pending->deleteLater();
        if (pending->isError()) {
            qWarning("The panel did not take the tray icon: %s", qPrintable(pending->error().message()));
        }
    });
}

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(SniTrayBackend* item) : QDBusAbstractAdaptor(item), m_item(item) {}

QString StatusNotifierItemAdaptor::Id() const
{
    return QCoreApplication::applicationName();
}

QString StatusNotifierItemAdaptor::Title() const
{
    return QCoreApplication::applicationName();
}

void StatusNotifierItemAdaptor::ContextMenu(int, int)
{
    m_item->contextMenu();
}

void StatusNotifierItemAdaptor::Activate(int, int)
{
    m_item->activate();
}

void StatusNotifierItemAdaptor::SecondaryActivate(int, int)
{
    m_item->secondaryActivate();
}

void StatusNotifierItemAdaptor::Scroll(int, const QString&)
{
    // The icon has nothing to change by scrolling.
}
