#pragma once

#include "core/HostAddressSource.h"

/// The IPv4 addresses of the network interfaces that are up, running and not loopback;
/// "127.0.0.1" alone when there is none.
class InterfaceAddressSource final : public HostAddressSource
{
public:
    QStringList addresses() const override;
};
