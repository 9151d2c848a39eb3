#pragma once

#include "core/WakeTimer.h"

/// A wake timer that only remembers what it was armed for; the test fires it.
class FakeWakeTimer final : public WakeTimer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeWakeTimer)

public:
    FakeWakeTimer() = default;
    void arm(const QDateTime& instant) override
    {
        m_armed = instant;
        ++m_arms;
    }
    void disarm() override { m_armed = QDateTime(); }
    bool isArmed() const override { return m_armed.isValid(); }

    QDateTime armedAt() const { return m_armed; }
    int arms() const { return m_arms; }
    /// The armed instant has come.
    void fire()
    {
        m_armed = QDateTime();
        Q_EMIT fired();
    }
    /// The wall clock was set.
    void setClock()
    {
        m_armed = QDateTime();
        Q_EMIT clockChanged();
    }

private:
    QDateTime m_armed;
    int m_arms = 0;
};
