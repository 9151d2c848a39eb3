#include "components/PrevInst.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");
// A unix socket path holds at most 107 bytes.
constexpr qsizetype kMaxSocketPath = 100;

bool peerIsSameUser(qintptr descriptor)
{
    ucred credentials = {};
    socklen_t length = sizeof(credentials);
    if (descriptor < 0 || ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return false;
    }
    return credentials.uid == ::getuid();
}

// $XDG_RUNTIME_DIR belongs to the user alone (0700), so no other user can see or reach a socket there.
QString socketFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith('/')) {
        struct stat info = {};
        if (::stat(runtime.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
            (info.st_mode & 077) == 0) {
            return QFile::decodeName(runtime);
        }
    }
    return QDir::tempPath();
}

QString safePart(const QString& text)
{
    // Percent-encoding with "_" in place of "%" (and "_" itself encoded) keeps different texts apart.
    return QString::fromLatin1(QUrl::toPercentEncoding(text, QByteArray(), QByteArrayLiteral("_")).replace('%', '_'));
}

} // namespace

TPrevInstance::TPrevInstance(QObject* parent, const QString& namePrefix) : QObject(parent), m_namePrefix(namePrefix) {}

TPrevInstance::~TPrevInstance() = default;

QString TPrevInstance::baseName() const
{
    // The same toolkit class and the same title make the same application.
    const QCoreApplication* application = QCoreApplication::instance();
    const QString className = application ? QString::fromLatin1(application->metaObject()->className()) : QString();
    const QString title = QGuiApplication::applicationDisplayName();
    if (className.isEmpty() || title.isEmpty()) {
        return QString();
    }
    const QString folder = socketFolder();
    const QString uid = QString::number(::getuid());
    QString name = folder + u'/' + safePart(m_namePrefix) + QLatin1String("instance-") + uid + u'-' + className + u'-' +
                   safePart(title);
    if (name.toUtf8().size() + 3 > kMaxSocketPath) {
        // Too long for a socket path: a digest of the title tells it apart just as well.
        const QByteArray digest = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        name = folder + u'/' + safePart(m_namePrefix).left(16) + QLatin1String("instance-") + uid + u'-' + className +
               u'-' + QString::fromLatin1(digest);
    }
    return name;
}

QString TPrevInstance::slotName(int slot) const
{
    const QString base = baseName();
    return base.isEmpty() ? QString() : base + u'.' + QString::number(slot);
}

void TPrevInstance::CheckInstances()
{
    m_instanceCount = 0;
    if (baseName().isEmpty()) {
        return;
    }

    int lastMatch = -1;
    int others = 0;
    QList<int> freeSlots;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (slot == m_ownSlot) {
            continue;
        }
        QLocalSocket probe;
        probe.connectToServer(slotName(slot));
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            if (peerIsSameUser(probe.socketDescriptor())) {
                ++others;
                lastMatch = slot;
            }
            probe.abort();
        } else {
            freeSlots.append(slot);
        }
    }
    m_instanceCount = others + 1;

    if (m_instanceCount > m_allowedInstances) {
        if (OnAllowedInstancesExceeded) {
            OnAllowedInstancesExceeded(this, m_instanceCount, m_foundAction);
        }
        if ((m_foundAction == TFoundAction::faRestoreAndQuit || m_foundAction == TFoundAction::faRestore) &&
            lastMatch >= 0) {
            restoreInstance(lastMatch);
        }
        if (m_foundAction == TFoundAction::faRestoreAndQuit || m_foundAction == TFoundAction::faQuit) {
            if (quitHook) {
                quitHook();
            } else {
                std::fflush(nullptr);
                std::_Exit(0);
            }
            return;
        }
    }
    if (m_ownSlot < 0) {
        listenOnFreeSlot(freeSlots);
    }
}

bool TPrevInstance::listenOnFreeSlot(const QList<int>& freeSlots)
{
    if (!m_server) {
        // No socket options: with them listen() silently replaces the socket of a live instance,
        // without them it fails and the next slot is tried.
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &TPrevInstance::onNewConnection);
    }
    for (const int slot : freeSlots) {
        const QString name = slotName(slot);
        // Nobody answered there: whatever file is left belongs to an instance that has ended.
        QLocalServer::removeServer(name);
        if (m_server->listen(name)) {
            // Only this user may connect; the peer is checked again on each connection.
            QFile::setPermissions(m_server->fullServerName(), QFile::ReadOwner | QFile::WriteOwner);
            m_ownSlot = slot;
            return true;
        }
    }
    return false;
}

void TPrevInstance::restoreInstance(int slot)
{
    QLocalSocket socket;
    socket.connectToServer(slotName(slot));
    if (!socket.waitForConnected(kConnectTimeoutMs) || !peerIsSameUser(socket.socketDescriptor())) {
        return;
    }
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
}

void TPrevInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!peerIsSameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
        serve(socket);
    }
}

void TPrevInstance::serve(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(64);
        if (line == kRaiseRequest) {
            Q_EMIT RaiseRequested();
        }
    }
    // A request is one short line: anything else is not ours.
    if (socket->bytesAvailable() > 64) {
        socket->abort();
    }
}
