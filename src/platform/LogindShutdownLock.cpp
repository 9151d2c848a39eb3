#include "platform/LogindShutdownLock.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>

#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
// The lock goes a little before logind stops waiting for it.
constexpr qint64 kSafetyMSecs = 500;

} // namespace

LogindShutdownLock::LogindShutdownLock(SessionEnd& session, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_session(session), m_bus(bus)
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &LogindShutdownLock::release);
    if (!m_bus.isConnected() || !m_bus.interface() || !m_bus.interface()->isServiceRegistered(kService)) {
        return;
    }
    m_bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForShutdown"), this,
                  SLOT(onPrepareForShutdown(bool)));
    take();
    if (isHeld()) {
        m_session.setLink(this);
    }
}

LogindShutdownLock::~LogindShutdownLock()
{
    m_session.setLink(nullptr);
    release();
}

void LogindShutdownLock::take()
{
    if (isHeld()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call.setArguments({QStringLiteral("shutdown"), QStringLiteral("Nudgelark"),
                       QStringLiteral("Shows the reminders for the end of the session"), QStringLiteral("delay")});
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        std::fprintf(stderr, "nudgelark: no shutdown lock: %s\n", qPrintable(reply.errorMessage()));
        return;
    }
    const auto fd = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().first());
    if (fd.isValid()) {
        m_fd = ::dup(fd.fileDescriptor());
    }
}

void LogindShutdownLock::release()
{
    m_limit.stop();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void LogindShutdownLock::onPrepareForShutdown(bool starting)
{
    if (!starting) {
        // The shutdown was called off: the program runs on, ready for the next one.
        m_session.handleShutdownCancelled();
        take();
        return;
    }
    if (!isHeld()) {
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({kManager, QStringLiteral("InhibitDelayMaxUSec")});
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, 2000);
    qint64 allowedMSecs = 5000; // logind's own default
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        allowedMSecs = qint64(qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toULongLong() / 1000);
    }
    m_limit.start(int(qBound(qint64(0), allowedMSecs - kSafetyMSecs, qint64(std::numeric_limits<int>::max()))));
    m_session.handleSaveYourself(true, true);
}

bool LogindShutdownLock::requestInteraction()
{
    QMetaObject::invokeMethod(&m_session, &SessionEnd::handleInteract, Qt::QueuedConnection);
    return true;
}

void LogindShutdownLock::saveDone(bool)
{
    // A checkpoint never comes from logind: this is the end of the shutdown reminders.
    release();
}
