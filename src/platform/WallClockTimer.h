#pragma once

#include "core/Clock.h"
#include "core/WakeTimer.h"

#include <functional>
#include <memory>

class QSocketNotifier;

/// A wake on the wall clock itself (Linux: a timerfd on CLOCK_REALTIME at an absolute instant). A
/// suspend does not delay it: after a resume past the instant it fires at once. When the wall clock
/// is set (date -s, an NTP step) it reports clockChanged instead of firing late or early.
class WallClockTimer final : public WakeTimer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WallClockTimer)

public:
    /// What one read of the timer gave: the result of read() and errno after it.
    struct ReadResult
    {
        long result = 0;
        int error = 0;
    };
    using Reader = std::function<ReadResult(int fd)>;

    explicit WallClockTimer(QObject* parent = nullptr);
    ~WallClockTimer() override;

    /// False where the system has no such timer; then it never fires.
    bool isValid() const { return m_fd >= 0; }

    void arm(const QDateTime& instant) override;
    void disarm() override;
    bool isArmed() const override { return m_armed; }

    /// Replaces the read of the timer, so that a test can see what a set clock does without setting it.
    void setReader(Reader reader) { m_reader = std::move(reader); }

private:
    void readable();

    int m_fd = -1;
    bool m_armed = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
    Reader m_reader;
};

/// The program's wake timer: on the wall clock where the system has one, reporting a new system time
/// zone as a set clock; else one that looks every second by clock (the wall-clock timer itself always
/// follows the system's clock).
std::unique_ptr<WakeTimer> CreateWakeTimer(const Clock& clock);
