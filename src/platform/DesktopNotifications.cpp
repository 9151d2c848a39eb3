#include "platform/DesktopNotifications.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

#include <algorithm>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// Urgency levels of the notification protocol.
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;

} // namespace

/// A picture as the notification protocol's hint "image-data" carries it ("(iiibiiay)").
struct NoticeImage
{
    int width = 0;
    int height = 0;
    int rowStride = 0;
    bool hasAlpha = true;
    int bitsPerSample = 8;
    int channels = 4;
    QByteArray data;
};
Q_DECLARE_METATYPE(NoticeImage)

QDBusArgument& operator<<(QDBusArgument& argument, const NoticeImage& image)
{
    argument.beginStructure();
    argument << image.width << image.height << image.rowStride << image.hasAlpha << image.bitsPerSample
             << image.channels << image.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NoticeImage& image)
{
    argument.beginStructure();
    argument >> image.width >> image.height >> image.rowStride >> image.hasAlpha >> image.bitsPerSample >>
        image.channels >> image.data;
    argument.endStructure();
    return argument;
}

DesktopNotifications::DesktopNotifications(QObject* parent)
    : DesktopNotifications(QDBusConnection::sessionBus(), parent)
{}

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : NotificationService(parent), m_bus(bus), m_watcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    if (!m_bus.isConnected()) {
        return;
    }
    // Any sender: the server's unique name is checked against the one that answered Notify, which
    // costs no blocking look-up of the name's owner.
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString, QDBusMessage)));
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { serverChanged(newOwner); });
}

DesktopNotifications::~DesktopNotifications()
{
    for (const Posted& posted : std::as_const(m_posted)) {
        if (posted.serverId != 0) {
            closeOnServer(posted.server, posted.serverId);
        }
    }
}

QString DesktopNotifications::bodyText(const QString& text, bool serverReadsMarkup)
{
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    body.replace(u'\r', u'\n');
    if (serverReadsMarkup) {
        body.replace(u'&', QLatin1String("&amp;"));
        body.replace(u'<', QLatin1String("&lt;"));
        body.replace(u'>', QLatin1String("&gt;"));
    }
    return body;
}

void DesktopNotifications::setIcon(const QString& iconFile, const QImage& picture)
{
    m_iconFile = iconFile;
    m_picture = picture.isNull() ? QImage()
                                 : picture.scaled(picture.size().boundedTo(QSize(64, 64)), Qt::KeepAspectRatio,
                                                  Qt::SmoothTransformation);
}

QVariantMap DesktopNotifications::iconHints() const
{
    QVariantMap hints;
    // The program folder need not be where any icon theme looks: the notice carries the icon itself.
    if (!m_iconFile.isEmpty() && QFileInfo(m_iconFile).isAbsolute() && QFileInfo::exists(m_iconFile)) {
        hints.insert(QStringLiteral("image-path"), m_iconFile);
    } else if (!m_picture.isNull()) {
        const QImage rgba = m_picture.convertToFormat(QImage::Format_RGBA8888);
        NoticeImage image;
        image.width = rgba.width();
        image.height = rgba.height();
        image.rowStride = int(rgba.bytesPerLine());
        image.data = QByteArray(reinterpret_cast<const char*>(rgba.constBits()), rgba.sizeInBytes());
        qDBusRegisterMetaType<NoticeImage>();
        hints.insert(QStringLiteral("image-data"), QVariant::fromValue(image));
    }
    return hints;
}

quint64 DesktopNotifications::post(const Notice& notice)
{
    const quint64 number = ++m_lastNumber;
    if (!m_bus.isConnected()) {
        return number;
    }
    Posted posted;
    posted.notice = notice;
    m_posted.insert(number, posted);
    if (m_capabilitiesKnown) {
        send(number);
    } else {
        askCapabilities();
    }
    return number;
}

void DesktopNotifications::withdraw(quint64 notice)
{
    const auto it = m_posted.constFind(notice);
    if (it == m_posted.cend()) {
        return;
    }
    // A notice still on its way is closed when the server's answer brings its id.
    if (it->serverId != 0) {
        closeOnServer(it->server, it->serverId);
    }
    m_posted.erase(it);
}

void DesktopNotifications::askCapabilities()
{
    if (m_askingCapabilities) {
        return;
    }
    m_askingCapabilities = true;
    const quint64 lastAsked = m_lastNumber;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, lastAsked] {
        watcher->deleteLater();
        m_askingCapabilities = false;
        const QDBusPendingReply<QStringList> reply = *watcher;
        QList<quint64> waiting;
        for (auto it = m_posted.cbegin(); it != m_posted.cend(); ++it) {
            if (!it->sent) {
                waiting.append(it.key());
            }
        }
        if (reply.isError()) {
            // No server when asked: the notices of then are dropped; a server may have come since
            // for the later ones.
            bool later = false;
            for (const quint64 number : std::as_const(waiting)) {
                if (number <= lastAsked) {
                    m_posted.remove(number);
                } else {
                    later = true;
                }
            }
            if (later) {
                askCapabilities();
            }
            return;
        }
        m_capabilitiesKnown = true;
        m_readsMarkup = reply.value().contains(QStringLiteral("body-markup"));
        std::sort(waiting.begin(), waiting.end());
        for (const quint64 number : std::as_const(waiting)) {
            send(number);
        }
    });
}

void DesktopNotifications::send(quint64 number)
{
    Posted& posted = m_posted[number];
    posted.sent = true;
    const Notice& notice = posted.notice;
    QStringList actions;
    for (const auto& [key, label] : notice.actions) {
        actions << key << label;
    }
    QVariantMap hints = iconHints();
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(notice.critical ? kCritical : kNormal));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("nudgelark"));
    const QString appIcon = hints.value(QStringLiteral("image-path"), QStringLiteral("nudgelark")).toString();
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // A critical notice stays until it is withdrawn; others go when the server's time is up.
    call << QCoreApplication::applicationName() << uint(0) << appIcon << notice.summary
         << bodyText(notice.body, m_readsMarkup) << actions << hints << int(notice.critical ? 0 : -1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, number] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        const auto it = m_posted.find(number);
        if (reply.isError()) {
            if (it != m_posted.end()) {
                m_posted.erase(it);
            }
            return;
        }
        const QString server = reply.reply().service();
        if (it == m_posted.end()) {
            closeOnServer(server, reply.value()); // withdrawn while on its way
            return;
        }
        it->serverId = reply.value();
        it->server = server;
    });
}

void DesktopNotifications::closeOnServer(const QString& server, uint serverId)
{
    // Addressed to the server that gave the id, never to a successor that may use it for another notice.
    QDBusMessage call = QDBusMessage::createMethodCall(server, kPath, kInterface, QStringLiteral("CloseNotification"));
    call << serverId;
    m_bus.asyncCall(call);
}

quint64 DesktopNotifications::numberOf(uint serverId, const QString& server) const
{
    for (auto it = m_posted.cbegin(); it != m_posted.cend(); ++it) {
        if (it->serverId == serverId && it->server == server) {
            return it.key();
        }
    }
    return 0;
}

void DesktopNotifications::onActionInvoked(uint id, const QString& actionKey, const QDBusMessage& message)
{
    if (const quint64 number = numberOf(id, message.service())) {
        Q_EMIT actionInvoked(number, actionKey);
    }
}

void DesktopNotifications::onNotificationClosed(uint id, uint, const QDBusMessage& message)
{
    if (const quint64 number = numberOf(id, message.service())) {
        m_posted.remove(number);
    }
}

void DesktopNotifications::serverChanged(const QString& newOwner)
{
    // Another server may read markup differently; notices of the one that went went with it.
    m_capabilitiesKnown = false;
    for (auto it = m_posted.begin(); it != m_posted.end();) {
        if (it->serverId != 0 && it->server != newOwner) {
            it = m_posted.erase(it);
        } else {
            ++it;
        }
    }
}
