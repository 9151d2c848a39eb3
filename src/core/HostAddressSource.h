#pragma once

#include <QObject>
#include <QStringList>

/// Tells that the computer's addresses may have changed.
class AddressChangeNotice final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressChangeNotice)

Q_SIGNALS:
    void changed();

public:
    using QObject::QObject;
    void announce() { Q_EMIT changed(); }
};

/// The computer's own addresses as dotted text, in the system's order; never blocks.
class HostAddressSource
{
public:
    virtual ~HostAddressSource() = default;
    virtual QStringList addresses() const = 0;
    /// Where the source hears of every change of the addresses, the notice it raises then; null when
    /// it cannot hear of them and must be asked again from time to time.
    virtual AddressChangeNotice* changeNotice() const { return nullptr; }
};
