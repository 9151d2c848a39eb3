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

// Items of one process tell themselves apart by the number at the end of their bus name.
int s_itemCount = 0;

} // namespace

SniTrayBackend::SniTrayBackend(const QDBusConnection& connection, QObject* parent)
    : TrayBackend(parent), m_connection(connection), m_serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                                                                       .arg(QCoreApplication::applicationPid())
                                                                       .arg(++s_itemCount)),
      m_watcher(kWatcherService, connection, QDBusServiceWatcher::WatchForOwnerChange)
{
    registerDBusTrayTypes();
    m_adaptor = new StatusNotifierItemAdaptor(this);
    m_menu = new DBusMenuExporter(m_connection, menuPath(), this);
    if (!m_connection.registerObject(itemPath(), this, QDBusConnection::ExportAdaptors)) {
        qWarning("Cannot serve the tray icon at %s: %s", qPrintable(itemPath()),
                 qPrintable(m_connection.lastError().message()));
    }
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
    if (m_nameOwned) {
        m_connection.unregisterService(m_serviceName);
    }
    m_connection.unregisterObject(itemPath());
}

void SniTrayBackend::setIcon(const QIcon& icon)
{
    m_iconName = icon.name();
    m_pixmaps = sniIconPixmaps(icon);
    Q_EMIT m_adaptor->NewIcon();
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
    // add in the same turn of the event loop keep the name and only register once more.
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
    Q_EMIT m_adaptor->NewStatus(status());
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
        if (m_nameOwned) {
            // The watcher sees the name go and takes the item out of the panel.
            m_connection.unregisterService(m_serviceName);
            m_nameOwned = false;
        }
        return;
    }
    if (!m_watcherPresent) {
        return;
    }
    if (!m_nameOwned) {
        m_nameOwned = m_connection.registerService(m_serviceName);
        if (!m_nameOwned) {
            qWarning("Cannot take the bus name %s for the tray icon: %s", qPrintable(m_serviceName),
                     qPrintable(m_connection.lastError().message()));
            return;
        }
        m_registrationDue = true;
    }
    if (m_registrationDue) {
        m_registrationDue = false;
        sendRegistration();
    }
}

void SniTrayBackend::sendRegistration()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherInterface,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto* pending = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
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
