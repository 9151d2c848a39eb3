#pragma once

#include <QStringList>

/// The computer's own addresses as dotted text, in the system's order; never blocks.
class HostAddressSource
{
public:
    virtual ~HostAddressSource() = default;
    virtual QStringList addresses() const = 0;
};
