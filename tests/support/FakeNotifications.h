#pragma once

#include "core/NotificationService.h"

#include <QList>

/// A notification server that keeps what it is told, and whose user picks actions when told to.
class FakeNotifications final : public NotificationService
{
public:
    struct Posted
    {
        quint64 number;
        Notice notice;
    };
    QList<Posted> posted;
    QList<quint64> withdrawn;

    quint64 post(const Notice& notice) override
    {
        posted.append({++m_last, notice});
        return m_last;
    }
    void withdraw(quint64 notice) override { withdrawn.append(notice); }
    /// The user picks the action actionKey on the notice numbered notice.
    void invoke(quint64 notice, const QString& actionKey) { Q_EMIT actionInvoked(notice, actionKey); }

private:
    quint64 m_last = 0;
};
