#include "platform/XsmpClient.h"

#include <QCoreApplication>
#include <QList>
#include <QSocketNotifier>

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

SmcConn connectionOf(void* connection)
{
    return static_cast<SmcConn>(connection);
}

// libICE's own handler ends the process when the manager goes away; the program goes on without it.
void ignoreIoError(IceConn) {}

// Each message is handled from the event loop, not inside libICE's dispatch: the end of the
// session runs modal windows, and the answers may go much later.
template <typename Handler> void later(SmPointer session, Handler handler)
{
    auto* target = static_cast<SessionEnd*>(session);
    QMetaObject::invokeMethod(
        target, [target, handler] { handler(*target); }, Qt::QueuedConnection);
}

void onSaveYourself(SmcConn, SmPointer session, int, Bool shutdown, int interactStyle, Bool)
{
    const bool ends = shutdown != False;
    const bool interaction = interactStyle == SmInteractStyleAny;
    later(session, [ends, interaction](SessionEnd& s) { s.handleSaveYourself(ends, interaction); });
}

void onInteract(SmcConn, SmPointer session)
{
    later(session, [](SessionEnd& s) { s.handleInteract(); });
}

void onDie(SmcConn, SmPointer session)
{
    later(session, [](SessionEnd& s) { s.handleDie(); });
}

void onSaveComplete(SmcConn, SmPointer) {}

void onShutdownCancelled(SmcConn, SmPointer session)
{
    later(session, [](SessionEnd& s) { s.handleShutdownCancelled(); });
}

void setManagerProperty(SmcConn connection, const char* name, const char* type, const QList<QByteArray>& values)
{
    QList<SmPropValue> propValues;
    for (const QByteArray& value : values) {
        propValues.append({int(value.size()), const_cast<char*>(value.constData())});
    }
    SmProp prop;
    prop.name = const_cast<char*>(name);
    prop.type = const_cast<char*>(type);
    prop.num_vals = int(propValues.size());
    prop.vals = propValues.data();
    SmProp* props[] = {&prop};
    SmcSetProperties(connection, 1, props);
}

} // namespace

QByteArray XsmpClient::takeAddress()
{
    const QByteArray address = qgetenv("SESSION_MANAGER");
    qunsetenv("SESSION_MANAGER");
    return address;
}

XsmpClient::XsmpClient(const QByteArray& address, SessionEnd& session, QObject* parent)
    : QObject(parent), m_session(session)
{
    if (address.isEmpty()) {
        return;
    }
    // libICE writes with write(): a manager that has gone away would end the program by SIGPIPE
    // in the middle of its answer. Ignored, the write fails and the program goes on without it.
    std::signal(SIGPIPE, SIG_IGN);
    IceSetIOErrorHandler(ignoreIoError);
    SmcCallbacks callbacks = {};
    callbacks.save_yourself.callback = onSaveYourself;
    callbacks.save_yourself.client_data = &m_session;
    callbacks.die.callback = onDie;
    callbacks.die.client_data = &m_session;
    callbacks.save_complete.callback = onSaveComplete;
    callbacks.save_complete.client_data = &m_session;
    callbacks.shutdown_cancelled.callback = onShutdownCancelled;
    callbacks.shutdown_cancelled.client_data = &m_session;
    const unsigned long mask =
        SmcSaveYourselfProcMask | SmcDieProcMask | SmcSaveCompleteProcMask | SmcShutdownCancelledProcMask;
    QByteArray managers = address;
    char* clientId = nullptr;
    char error[256] = {};
    SmcConn connection = SmcOpenConnection(managers.data(), &m_session, SmProtoMajor, SmProtoMinor, mask, &callbacks,
                                           nullptr, &clientId, int(sizeof(error)), error);
    std::free(clientId);
    if (!connection) {
        std::fprintf(stderr, "nudgelark: no session manager: %s\n", error);
        return;
    }
    m_connection = connection;
    setProperties();
    m_notifier = new QSocketNotifier(IceConnectionNumber(SmcGetIceConnection(connection)), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &XsmpClient::readMessages);
    m_session.setLink(this);
}

XsmpClient::~XsmpClient()
{
    m_session.answer();
    disconnectManager();
}

void XsmpClient::setProperties()
{
    SmcConn connection = connectionOf(m_connection);
    const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    const passwd* user = ::getpwuid(::geteuid());
    const QByteArray userId = user ? QByteArray(user->pw_name) : QByteArray::number(::geteuid());
    setManagerProperty(connection, SmProgram, SmARRAY8, {program});
    setManagerProperty(connection, SmUserID, SmARRAY8, {userId});
    setManagerProperty(connection, SmProcessID, SmARRAY8, {QByteArray::number(qint64(::getpid()))});
    setManagerProperty(connection, SmRestartCommand, SmLISTofARRAY8, {program});
    setManagerProperty(connection, SmCloneCommand, SmLISTofARRAY8, {program});
    // The program is started by its autostart entry; a copy restored by the session would be a
    // second instance.
    const char never = SmRestartNever;
    setManagerProperty(connection, SmRestartStyleHint, SmCARD8, {QByteArray(&never, 1)});
}

void XsmpClient::readMessages()
{
    if (!m_connection) {
        return;
    }
    const IceProcessMessagesStatus status =
        IceProcessMessages(SmcGetIceConnection(connectionOf(m_connection)), nullptr, nullptr);
    if (status == IceProcessMessagesConnectionClosed) {
        // libICE has closed and freed the connection itself.
        m_session.setLink(nullptr);
        m_notifier->setEnabled(false);
        m_connection = nullptr;
        managerLost();
    } else if (status != IceProcessMessagesSuccess) {
        disconnectManager();
        managerLost();
    }
}

void XsmpClient::managerLost()
{
    // From the event loop: amid the end of the session the program's last work follows.
    auto* session = &m_session;
    QMetaObject::invokeMethod(
        session, [session] { session->handleManagerLost(); }, Qt::QueuedConnection);
}

void XsmpClient::disconnectManager()
{
    if (!m_connection) {
        return;
    }
    m_session.setLink(nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    SmcCloseConnection(connectionOf(m_connection), 0, nullptr);
    m_connection = nullptr;
}

bool XsmpClient::requestInteraction()
{
    if (!m_connection || !SmcInteractRequest(connectionOf(m_connection), SmDialogNormal, onInteract, &m_session)) {
        return false;
    }
    // The request goes out now: a manager that is gone shows here, not at some later message.
    IceFlush(SmcGetIceConnection(connectionOf(m_connection)));
    return true;
}

void XsmpClient::interactionDone()
{
    if (m_connection) {
        SmcInteractDone(connectionOf(m_connection), False);
    }
}

void XsmpClient::saveDone(bool success)
{
    if (m_connection) {
        SmcSaveYourselfDone(connectionOf(m_connection), success ? True : False);
    }
}
