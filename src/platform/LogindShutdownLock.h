#pragma once

#include "platform/SessionEnd.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

/// Where no session manager speaks to the program, the machine's own shutdown or reboot still
/// shows the shutdown reminders: the program holds a delay lock of logind (org.freedesktop.login1
/// on the system bus), and when logind announces the shutdown (PrepareForShutdown) it hands the
/// end to a SessionEnd and lets the lock go once the reminders are done, or when the time logind
/// allows (InhibitDelayMaxUSec) has run out. A shutdown called off takes the lock again.
class LogindShutdownLock final : public QObject, public SessionManagerLink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LogindShutdownLock)

public:
    /// Takes the lock when logind is on bus; answers for session.
    LogindShutdownLock(SessionEnd& session, const QDBusConnection& bus = QDBusConnection::systemBus(),
                       QObject* parent = nullptr);
    ~LogindShutdownLock() override;

    /// True while the lock is held.
    bool isHeld() const { return m_fd >= 0; }

    bool requestInteraction() override;
    void interactionDone() override {}
    void saveDone(bool success) override;

private Q_SLOTS:
    void onPrepareForShutdown(bool starting);

private:
    void take();
    void release();

    SessionEnd& m_session;
    QDBusConnection m_bus;
    int m_fd = -1;
    QTimer m_limit; // the time logind allows
};
