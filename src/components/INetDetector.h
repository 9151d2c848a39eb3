#pragma once

#include "core/HostAddressSource.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

/// Asks on a timer of its own whether the computer is online and tells when the answer changes.
/// With a source that announces its changes, the timer runs only after a notice: one tick
/// DispatchInterval after being enabled, then one tick DispatchInterval after each announced change
/// (notices that come before that tick are answered by it).
class TINetDetector final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TINetDetector)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(int DispatchInterval READ DispatchInterval WRITE setDispatchInterval)
    Q_PROPERTY(bool Online READ Online WRITE setOnline)

Q_SIGNALS:
    /// Raised during a tick whenever Online differs from its value at the start of the tick;
    /// a tick can raise it twice.
    void Changed(TINetDetector* sender);

public:
    /// The remote-access (dial-up) value: its bytes, or nothing when it cannot be read.
    using RemoteAccessReader = std::function<std::optional<QByteArray>()>;

    /// Starts ticking at once, every 1000 ms (or once, with a source that announces its changes).
    explicit TINetDetector(HostAddressSource& source, QObject* parent = nullptr);
    ~TINetDetector() override;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int DispatchInterval() const { return m_dispatchInterval; }
    void setDispatchInterval(int milliseconds);
    bool Online() const { return m_online; }
    /// Online is the answer of the last tick; writing it changes nothing.
    void setOnline(bool) {}

    /// Linux has no remote-access value: without a reader it counts as missing.
    void setRemoteAccessReader(RemoteAccessReader reader) { m_remoteAccess = std::move(reader); }

    /// Milliseconds until the next tick, -1 when the timer is stopped.
    int remainingTime() const { return m_timer.isActive() ? m_timer.remainingTime() : -1; }
    /// True when it ticks only after the source's notices.
    bool ticksOnNotice() const { return m_notice != nullptr; }

private:
    void UpdateTimer();
    void tick();
    void changeAnnounced();
    bool TestHostAddress() const;
    void NotifyIfChanged(bool previous);

    HostAddressSource& m_source;
    QPointer<AddressChangeNotice> m_notice;
    RemoteAccessReader m_remoteAccess;
    QTimer m_timer;
    bool m_enabled = true;
    int m_dispatchInterval = 1000;
    bool m_online = false;
};
