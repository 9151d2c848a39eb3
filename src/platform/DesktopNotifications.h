#pragma once

#include "core/NotificationService.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QImage>

class QDBusMessage;

/// Notices through the desktop's notification server (org.freedesktop.Notifications on the session
/// bus). Every call to the server is asynchronous: a server that is slow, busy or missing never
/// holds up the caller, and without one nothing shows and nothing is reported.
class DesktopNotifications final : public NotificationService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopNotifications)

public:
    /// The session bus.
    explicit DesktopNotifications(QObject* parent = nullptr);
    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DesktopNotifications() override;

    /// The program's icon on every notice: iconFile (a full path) where it exists, which also names
    /// the notice's application icon; picture itself (scaled to 64 pixels at most) where it does not.
    void setIcon(const QString& iconFile, const QImage& picture);
    /// The hints that carry the icon, as set by setIcon().
    QVariantMap iconHints() const;

    quint64 post(const Notice& notice) override;
    void withdraw(quint64 notice) override;

    /// The body as the server gets it: plain text, with & < > escaped for a server that reads
    /// markup in bodies (its capability "body-markup").
    static QString bodyText(const QString& text, bool serverReadsMarkup);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& actionKey, const QDBusMessage& message);
    void onNotificationClosed(uint id, uint reason, const QDBusMessage& message);

private:
    struct Posted
    {
        Notice notice;
        bool sent = false;
        uint serverId = 0; // the server's id, once it has answered
        QString server;    // the unique bus name of the server that answered
    };

    void askCapabilities();
    void send(quint64 number);
    void closeOnServer(const QString& server, uint serverId);
    quint64 numberOf(uint serverId, const QString& server) const;
    void serverChanged(const QString& newOwner);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    QHash<quint64, Posted> m_posted;
    quint64 m_lastNumber = 0;
    bool m_capabilitiesKnown = false;
    bool m_askingCapabilities = false;
    bool m_readsMarkup = false;
    QString m_iconFile;
    QImage m_picture;
};
