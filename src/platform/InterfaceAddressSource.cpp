#include "platform/InterfaceAddressSource.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

InterfaceAddressSource::InterfaceAddressSource()
{
#ifdef Q_OS_LINUX
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) {
        m_socket = fd;
        m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char buffer[8192];
            // A full socket drops messages (ENOBUFS); that too means something changed.
            while (::recv(m_socket, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
            }
            m_changed = true;
            m_notice->announce();
        });
    } else if (fd >= 0) {
        ::close(fd);
    }
#endif
}

InterfaceAddressSource::~InterfaceAddressSource()
{
    m_notifier.reset();
#ifdef Q_OS_LINUX
    if (m_socket >= 0) {
        ::close(m_socket);
    }
#endif
}

QStringList InterfaceAddressSource::addresses() const
{
    const bool fresh = m_socket >= 0 ? !m_changed : (m_age.isValid() && m_age.elapsed() < 250);
    if (fresh) {
        return m_last;
    }
    m_changed = false; // a change announced while reading marks the reading stale again
    m_last = readInterfaces();
    m_age.start();
    return m_last;
}

QStringList InterfaceAddressSource::readInterfaces() const
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
