#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <utility>

/// One notice for the desktop's notification server.
struct Notice
{
    QString summary;
    QString body;                               // plain text; lines broken with "\n"
    QList<std::pair<QString, QString>> actions; // key and label, in the order shown
    bool critical = false;
};

/// The desktop's notification server as the program sees it: a notice goes up, the user's choice
/// of one of its actions comes back, the notice is withdrawn. Nothing in it waits for the server.
class NotificationService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationService)

Q_SIGNALS:
    /// The user chose the action actionKey on the notice that post() numbered notice.
    void actionInvoked(quint64 notice, const QString& actionKey);

public:
    using QObject::QObject;
    ~NotificationService() override = default;

    /// Puts a notice up and returns at once with the program's own number for it (never 0).
    virtual quint64 post(const Notice& notice) = 0;
    /// Takes a notice down; one that is gone already, or never reached a server, is let be.
    virtual void withdraw(quint64 notice) = 0;
};
