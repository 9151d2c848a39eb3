#pragma once

#include "core/HostAddressSource.h"

#include <QElapsedTimer>
#include <QStringList>
#include <memory>

class QSocketNotifier;

/// The IPv4 addresses of the network interfaces that are up, running and not loopback;
/// "127.0.0.1" alone when there is none.
class InterfaceAddressSource final : public HostAddressSource
{
public:
    InterfaceAddressSource();
    ~InterfaceAddressSource() override;
    QStringList addresses() const override;
    /// Raised after the kernel announced a change of a link or an IPv4 address; null where it cannot.
    AddressChangeNotice* changeNotice() const override { return m_socket >= 0 ? m_notice.get() : nullptr; }

private:
    QStringList readInterfaces() const;

    // The kernel announces every change of a link or an address on a netlink socket, so the
    // interfaces are read again only after a change, and the detector looks only then. Where
    // that socket cannot be had, a reading serves for a quarter of a second (the detector asks
    // twice within one tick).
    int m_socket = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<AddressChangeNotice> m_notice = std::make_unique<AddressChangeNotice>();
    mutable bool m_changed = true;
    mutable QStringList m_last;
    mutable QElapsedTimer m_age;
};
