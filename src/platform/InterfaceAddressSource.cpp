#include "platform/InterfaceAddressSource.h"

#include <QHostAddress>
#include <QNetworkInterface>

QStringList InterfaceAddressSource::addresses() const
{
    // The interfaces are read from the kernel; unlike a look-up of the host name this never waits
    // for a resolver, and it is not fooled by the 127.0.1.1 entry Debian puts into /etc/hosts.
    QStringList result;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& networkInterface : interfaces) {
        const QNetworkInterface::InterfaceFlags flags = networkInterface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        const QList<QNetworkAddressEntry> entries = networkInterface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback()) {
                result.append(ip.toString());
            }
        }
    }
    if (result.isEmpty()) {
        result.append(QStringLiteral("127.0.0.1"));
    }
    return result;
}
