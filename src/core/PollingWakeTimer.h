#pragma once

#include "Clock.h"
#include "WakeTimer.h"

#include <QTimer>

/// A wake timer that waits at most one second, so the program looks at least once a second as long
/// as it stays armed; used where the system has no timer on the wall clock. A wall clock set
/// meanwhile is seen at the next look, so it never reports clockChanged.
class PollingWakeTimer final : public WakeTimer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PollingWakeTimer)

public:
    static constexpr int MaxWaitMSecs = 1000;

    explicit PollingWakeTimer(const Clock& clock, QObject* parent = nullptr);

    void arm(const QDateTime& instant) override;
    void disarm() override { m_timer.stop(); }
    bool isArmed() const override { return m_timer.isActive(); }
    /// Milliseconds until it fires, -1 when disarmed.
    int remainingTime() const { return m_timer.isActive() ? m_timer.remainingTime() : -1; }

private:
    const Clock& m_clock;
    QTimer m_timer;
};
