#include "platform/GnomeSessionClient.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

#include <cstdio>

namespace {

const QString kService = QStringLiteral("org.gnome.SessionManager");
const QString kPath = QStringLiteral("/org/gnome/SessionManager");
const QString kManager = QStringLiteral("org.gnome.SessionManager");
const QString kClientPrivate = QStringLiteral("org.gnome.SessionManager.ClientPrivate");
constexpr uint kInhibitLogout = 1;

QDBusMessage managerCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kManager, method);
    message.setArguments(arguments);
    return message;
}

} // namespace

GnomeSessionClient::GnomeSessionClient(SessionEnd& session, const QString& appId, const QDBusConnection& bus,
                                       QObject* parent)
    : QObject(parent), m_session(session), m_bus(bus), m_appId(appId)
{
    if (!m_bus.isConnected() || !m_bus.interface() || !m_bus.interface()->isServiceRegistered(kService)) {
        return;
    }
    // The id the manager started the program with; a child started later must not reuse it.
    const QString startupId = QString::fromLocal8Bit(qgetenv("DESKTOP_AUTOSTART_ID"));
    qunsetenv("DESKTOP_AUTOSTART_ID");
    const QDBusMessage reply =
        m_bus.call(managerCall(QStringLiteral("RegisterClient"), {m_appId, startupId}), QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        std::fprintf(stderr, "nudgelark: GNOME session manager: %s\n", qPrintable(reply.errorMessage()));
        return;
    }
    m_clientPath = qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path();
    m_bus.connect(kService, m_clientPath, kClientPrivate, QStringLiteral("QueryEndSession"), this,
                  SLOT(onQueryEndSession(uint)));
    m_bus.connect(kService, m_clientPath, kClientPrivate, QStringLiteral("EndSession"), this, SLOT(onEndSession(uint)));
    m_bus.connect(kService, m_clientPath, kClientPrivate, QStringLiteral("CancelEndSession"), this,
                  SLOT(onCancelEndSession()));
    m_bus.connect(kService, m_clientPath, kClientPrivate, QStringLiteral("Stop"), this, SLOT(onStop()));
    m_session.setLink(this);
}

GnomeSessionClient::~GnomeSessionClient()
{
    if (!isConnected()) {
        return;
    }
    m_session.setLink(nullptr);
    if (m_cookie) {
        uninhibit(m_cookie);
    }
    // The files are written: the end may go on.
    if (m_queryOpen || m_endOpen) {
        respond(true);
    }
    m_bus.call(managerCall(QStringLiteral("UnregisterClient"), {QVariant::fromValue(QDBusObjectPath(m_clientPath))}),
               QDBus::Block, 2000);
}

void GnomeSessionClient::onQueryEndSession(uint)
{
    m_queryOpen = true;
    m_session.handleSaveYourself(true, true);
}

bool GnomeSessionClient::requestInteraction()
{
    // The program may show its windows at once. The answer follows as soon as the first shutdown
    // alert has put its hold in place: the hold, not a late answer, keeps the end waiting.
    QMetaObject::invokeMethod(&m_session, &SessionEnd::handleInteract, Qt::QueuedConnection);
    QTimer::singleShot(0, this, [this] {
        if (m_queryOpen) {
            respond(false);
        }
    });
    return true;
}

void GnomeSessionClient::saveDone(bool)
{
    // The program never refuses the end of the session, even when its files could not be written.
    if (m_queryOpen) {
        respond(false);
    }
}

void GnomeSessionClient::onEndSession(uint)
{
    m_queryOpen = false;
    m_endOpen = true;
    m_session.handleDie(); // answered once the files are written, as the program ends
}

void GnomeSessionClient::onCancelEndSession()
{
    m_queryOpen = false;
    m_session.handleShutdownCancelled();
    holdEnd(QString());
}

void GnomeSessionClient::onStop()
{
    m_session.handleDie();
}

void GnomeSessionClient::respond(bool block)
{
    m_queryOpen = false;
    m_endOpen = false;
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, m_clientPath, kClientPrivate, QStringLiteral("EndSessionResponse"));
    message.setArguments({true, QString()});
    if (block) {
        m_bus.call(message, QDBus::Block, 2000);
    } else {
        m_bus.asyncCall(message);
    }
}

void GnomeSessionClient::holdEnd(const QString& reason)
{
    if (!isConnected() || reason == m_reason) {
        return;
    }
    m_reason = reason;
    const quint64 hold = ++m_holds;
    if (reason.isEmpty()) {
        if (m_cookie) {
            uninhibit(m_cookie);
            m_cookie = 0;
        }
        return;
    }
    const QDBusPendingCall call =
        m_bus.asyncCall(managerCall(QStringLiteral("Inhibit"), {m_appId, 0u, reason, kInhibitLogout}));
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, hold](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError()) {
            std::fprintf(stderr, "nudgelark: GNOME session manager: %s\n", qPrintable(reply.error().message()));
            return;
        }
        if (hold != m_holds) {
            uninhibit(reply.value()); // a later hold or the release came first
            return;
        }
        // The new hold is in place before the one it follows goes: the end never slips between.
        if (m_cookie) {
            uninhibit(m_cookie);
        }
        m_cookie = reply.value();
    });
}

void GnomeSessionClient::uninhibit(uint cookie)
{
    m_bus.asyncCall(managerCall(QStringLiteral("Uninhibit"), {cookie}));
}
