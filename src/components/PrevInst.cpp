#include "components/PrevInst.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");
// A request is "request " and its bytes in base64 on one line; the answer comes back the same way.
const QByteArray kRequestPrefix = QByteArrayLiteral("request ");
const QByteArray kAnswerPrefix = QByteArrayLiteral("answer ");
constexpr qsizetype kMaxShortLine = 64;
constexpr qsizetype kMaxRequestLine = 4 * 1024 * 1024;
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

// Holds the per-user lock file from construction to destruction, so that one instance at a time
// counts the others and takes its slot. The kernel lets go of it when the process dies. Where the
// file cannot be opened (another user's file of that name in a shared folder) nothing is held.
class SlotLock
{
public:
    explicit SlotLock(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
    {
        while (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~SlotLock()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    SlotLock(const SlotLock&) = delete;
    SlotLock& operator=(const SlotLock&) = delete;

private:
    int m_fd;
};

} // namespace

TPrevInstance::TPrevInstance(QObject* parent, const QString& namePrefix) : QObject(parent), m_namePrefix(namePrefix) {}

TPrevInstance::~TPrevInstance() = default;

QString TPrevInstance::baseName() const
{
    // The same toolkit class and the same title make the same application.
    const QCoreApplication* application = QCoreApplication::instance();
    const QString className = !m_className.isEmpty() ? m_className
                              : application          ? QString::fromLatin1(application->metaObject()->className())
                                                     : QString();
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

TPrevInstance::Probe TPrevInstance::probeSlots() const
{
    Probe found;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (slot == m_ownSlot) {
            continue;
        }
        QLocalSocket probe;
        probe.connectToServer(slotName(slot));
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            if (peerIsSameUser(probe.socketDescriptor())) {
                ++found.others;
                found.lastMatch = slot;
            }
            probe.abort();
        } else {
            found.freeSlots.append(slot);
        }
    }
    return found;
}

void TPrevInstance::CheckInstances()
{
    m_instanceCount = 0;
    const QString base = baseName();
    if (base.isEmpty()) {
        return;
    }
    const QString lockPath = base + QLatin1String(".lock");

    Probe found;
    {
        // Counting and listening under the lock: an instance that starts at the same moment counts
        // this one, and no start takes a slot for free that another has just begun to listen on.
        const SlotLock lock(lockPath);
        found = probeSlots();
        m_instanceCount = found.others + 1;
        if (m_instanceCount <= m_allowedInstances) {
            if (m_ownSlot < 0) {
                listenOnFreeSlot(found.freeSlots);
            }
            return;
        }
    }

    // The handler may wait on the user: the lock is not held meanwhile.
    if (OnAllowedInstancesExceeded) {
        OnAllowedInstancesExceeded(this, m_instanceCount, m_foundAction);
    }
    if ((m_foundAction == TFoundAction::faRestoreAndQuit || m_foundAction == TFoundAction::faRestore) &&
        found.lastMatch >= 0) {
        restoreInstance(found.lastMatch);
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
    if (m_ownSlot < 0) {
        // The slots may have changed while the handler waited: look again before taking one.
        const SlotLock lock(lockPath);
        listenOnFreeSlot(probeSlots().freeSlots);
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
        const QByteArray line = socket->readLine(kMaxRequestLine + 1);
        if (line == kRaiseRequest) {
            Q_EMIT RaiseRequested();
        } else if (line.startsWith(kRequestPrefix) && line.endsWith('\n') && requestHandler) {
            const QByteArray request = QByteArray::fromBase64(line.mid(kRequestPrefix.size()).chopped(1));
            const QByteArray answer = requestHandler(request);
            socket->write(kAnswerPrefix + answer.toBase64() + '\n');
        }
    }
    // A raise is one short line and a request at most a few megabytes: anything else is not ours.
    const qsizetype pending = socket->bytesAvailable();
    if (pending > kMaxRequestLine ||
        (pending > kMaxShortLine && !socket->peek(kRequestPrefix.size()).startsWith(kRequestPrefix))) {
        socket->abort();
    }
}

bool TPrevInstance::sendRequest(const QByteArray& request, QByteArray& answer, int timeoutMs) const
{
    if (baseName().isEmpty()) {
        return false;
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        QLocalSocket socket;
        socket.connectToServer(slotName(slot));
        if (!socket.waitForConnected(kConnectTimeoutMs) || !peerIsSameUser(socket.socketDescriptor())) {
            continue;
        }
        socket.write(kRequestPrefix + request.toBase64() + '\n');
        QByteArray line;
        QDeadlineTimer deadline(timeoutMs);
        while (!line.endsWith('\n') && !deadline.hasExpired()) {
            if (socket.bytesAvailable() == 0 &&
                !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
                break;
            }
            line += socket.readLine(kMaxRequestLine + 1 - line.size());
        }
        socket.abort();
        if (!line.startsWith(kAnswerPrefix) || !line.endsWith('\n')) {
            return false;
        }
        answer = QByteArray::fromBase64(line.mid(kAnswerPrefix.size()).chopped(1));
        return true;
    }
    return false;
}
