#pragma once

#include "platform/SessionEnd.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

/// The program as a client of GNOME's session manager (org.gnome.SessionManager on the session
/// bus), handing its requests to a SessionEnd: QueryEndSession asks for the shutdown reminders,
/// CancelEndSession calls the end off, EndSession and Stop end the program.
///
/// While a shutdown alert waits for the user the end is held by an inhibitor that carries the
/// program's desktop entry name and the alert's text, so that GNOME's logout dialog names the
/// program and says why; it goes when the alert closes. The query itself is answered at once:
/// the session manager counts a client that takes longer than a second as not responding.
class GnomeSessionClient final : public QObject, public SessionManagerLink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GnomeSessionClient)

public:
    /// Registers as appId (the desktop entry's name without ".desktop") when GNOME's session
    /// manager is on bus, with the start-up id it gave in DESKTOP_AUTOSTART_ID.
    GnomeSessionClient(SessionEnd& session, const QString& appId,
                       const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    /// Answers an end still open and leaves the session.
    ~GnomeSessionClient() override;

    bool isConnected() const { return !m_clientPath.isEmpty(); }

    bool requestInteraction() override;
    void interactionDone() override {}
    void saveDone(bool success) override;
    void holdEnd(const QString& reason) override;

private Q_SLOTS:
    void onQueryEndSession(uint flags);
    void onEndSession(uint flags);
    void onCancelEndSession();
    void onStop();

private:
    void respond(bool block);
    void uninhibit(uint cookie);

    SessionEnd& m_session;
    QDBusConnection m_bus;
    QString m_appId;
    QString m_clientPath;
    bool m_queryOpen = false; // QueryEndSession not answered yet
    bool m_endOpen = false;   // EndSession not answered yet
    QString m_reason;         // what the end is held for
    uint m_cookie = 0;        // the inhibitor that holds it
    quint64 m_holds = 0;      // counts holds and releases: a late reply to an older one is let go
};
