#include "PollingWakeTimer.h"

PollingWakeTimer::PollingWakeTimer(const Clock& clock, QObject* parent) : WakeTimer(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WakeTimer::fired);
}

void PollingWakeTimer::arm(const QDateTime& instant)
{
    const qint64 wait = m_clock.now().msecsTo(instant);
    m_timer.start(int(qBound(qint64(0), wait, qint64(MaxWaitMSecs))));
}
