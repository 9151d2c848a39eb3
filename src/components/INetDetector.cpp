#include "components/INetDetector.h"

#include "core/HostAddressSource.h"
#include "core/OnlineRule.h"

#include <QPointer>

TINetDetector::TINetDetector(HostAddressSource& source, QObject* parent)
    : QObject(parent), m_source(source), m_notice(source.changeNotice())
{
    // Without notices the answer can change at any time and is asked for on every tick; with them
    // it changes only after a notice, and nothing needs to run while nothing changes.
    m_timer.setSingleShot(m_notice != nullptr);
    connect(&m_timer, &QTimer::timeout, this, &TINetDetector::tick);
    if (m_notice) {
        connect(m_notice, &AddressChangeNotice::changed, this, &TINetDetector::changeAnnounced);
    }
    UpdateTimer();
}

TINetDetector::~TINetDetector()
{
    m_enabled = false;
    UpdateTimer();
}

void TINetDetector::setEnabled(bool enabled)
{
    // Writing the current value again must not restart the running count-down.
    if (enabled == m_enabled) {
        return;
    }
    m_enabled = enabled;
    UpdateTimer();
}

void TINetDetector::setDispatchInterval(int milliseconds)
{
    if (milliseconds == m_dispatchInterval) {
        return;
    }
    m_dispatchInterval = milliseconds;
    UpdateTimer();
}

void TINetDetector::UpdateTimer()
{
    m_timer.stop();
    // A negative interval cannot be a timer here; it stops the ticks like 0 does.
    if (m_dispatchInterval > 0 && m_enabled) {
        m_timer.start(m_dispatchInterval);
    }
}

void TINetDetector::changeAnnounced()
{
    // The tick reads the addresses as they are then, so a notice before it is answered by it.
    if (m_enabled && m_dispatchInterval > 0 && !m_timer.isActive()) {
        m_timer.start(m_dispatchInterval);
    }
}

void TINetDetector::tick()
{
    QPointer<TINetDetector> alive(this);
    const bool previous = m_online;

    m_online = TestHostAddress();
    NotifyIfChanged(previous);
    if (!alive) {
        return;
    }

    const std::optional<QByteArray> remote = m_remoteAccess ? m_remoteAccess() : std::nullopt;
    if (remote && remote->size() <= 4) {
        // Only the first byte of the value tells whether a remote connection is open.
        m_online = m_online || (!remote->isEmpty() && remote->at(0) == 1);
    } else {
        m_online = TestHostAddress();
    }
    NotifyIfChanged(previous);
}

bool TINetDetector::TestHostAddress() const
{
    return IsOnlineByAddresses(m_source.addresses());
}

void TINetDetector::NotifyIfChanged(bool previous)
{
    if (m_online != previous) {
        Q_EMIT Changed(this);
    }
}
