#pragma once

#include "platform/SessionEnd.h"

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

/// The program's own connection to an X session manager (XSMP, through libSM), handing each of the
/// manager's messages to a SessionEnd and sending its answers back.
///
/// Qt 6.4 connects to the session manager by itself, but its commitDataRequest comes alike for a
/// checkpoint and for the end of the session: the shutdown flag of the save request stays inside
/// the platform plugin. So the program takes the manager's address out of the environment before
/// the application object exists (takeAddress()) and speaks to the manager here.
class XsmpClient final : public QObject, public SessionManagerLink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XsmpClient)

public:
    /// The session manager's address (SESSION_MANAGER), removed from the environment so that Qt
    /// does not register the program a second time; call before the application object exists.
    static QByteArray takeAddress();

    /// Connects to the manager at address (empty: none) and answers for session.
    XsmpClient(const QByteArray& address, SessionEnd& session, QObject* parent = nullptr);
    /// Answers what is still open, then leaves the session.
    ~XsmpClient() override;

    bool isConnected() const { return m_connection != nullptr; }

    bool requestInteraction() override;
    void interactionDone() override;
    void saveDone(bool success) override;

private:
    void readMessages();
    void setProperties();
    void disconnectManager();
    void managerLost();

    SessionEnd& m_session;
    void* m_connection = nullptr; // SmcConn
    QSocketNotifier* m_notifier = nullptr;
};
