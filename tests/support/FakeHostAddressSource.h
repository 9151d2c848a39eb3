#pragma once

#include "core/HostAddressSource.h"

/// An address list that the test sets; counts how often it is asked.
class FakeHostAddressSource final : public HostAddressSource
{
public:
    explicit FakeHostAddressSource(QStringList addresses = {QStringLiteral("127.0.0.1")})
        : m_addresses(std::move(addresses))
    {}
    QStringList addresses() const override
    {
        ++m_calls;
        return m_addresses;
    }
    void set(const QStringList& addresses) { m_addresses = addresses; }
    int calls() const { return m_calls; }
    void resetCalls() { m_calls = 0; }

private:
    QStringList m_addresses;
    mutable int m_calls = 0;
};

/// An address list that also announces its changes, as the kernel's notices do.
class AnnouncingAddressSource final : public HostAddressSource
{
public:
    explicit AnnouncingAddressSource(QStringList addresses = {QStringLiteral("127.0.0.1")})
        : m_addresses(std::move(addresses))
    {}
    QStringList addresses() const override
    {
        ++m_calls;
        return m_addresses;
    }
    AddressChangeNotice* changeNotice() const override { return &m_notice; }
    /// Changes the list and announces it.
    void change(const QStringList& addresses)
    {
        m_addresses = addresses;
        m_notice.announce();
    }
    int calls() const { return m_calls; }

private:
    QStringList m_addresses;
    mutable int m_calls = 0;
    mutable AddressChangeNotice m_notice;
};
