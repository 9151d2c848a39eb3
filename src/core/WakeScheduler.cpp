#include "WakeScheduler.h"

#include <QPointer>

WakeScheduler::WakeScheduler(ReminderModel& model, ReminderEngine& engine, WakeTimer& timer, IntervalSource interval,
                             QObject* parent)
    : QObject(parent), m_engine(engine), m_timer(timer), m_interval(std::move(interval))
{
    connect(&timer, &WakeTimer::fired, this, &WakeScheduler::wake);
    // After a jump of the wall clock the scan looks at once: a jump forward past a due instant fires it.
    connect(&timer, &WakeTimer::clockChanged, this, &WakeScheduler::wake);
    connect(&model, &ReminderModel::contentChanged, this, &WakeScheduler::replan);
    connect(&engine, &ReminderEngine::paused, this, &WakeScheduler::replan);
    connect(&engine, &ReminderEngine::idle, this, &WakeScheduler::replan);
}

void WakeScheduler::setScanning(bool on)
{
    if (on != m_scanning) {
        m_scanning = on;
        replan();
    }
}

void WakeScheduler::setPausedCheck(bool on)
{
    if (on != m_pausedCheck) {
        m_pausedCheck = on;
        replan();
    }
}

void WakeScheduler::setEditorShowing(bool showing)
{
    if (showing != m_editorShowing) {
        m_editorShowing = showing;
        replan();
    }
}

void WakeScheduler::replan()
{
    if (!m_scanning && !m_pausedCheck) {
        m_planned = QDateTime();
        m_timer.disarm();
        return;
    }
    WakeNeeds needs;
    needs.dateTimeScan = m_scanning;
    needs.pausedCheck = m_pausedCheck;
    needs.editorClock = m_scanning && m_editorShowing;
    needs.intervalMinutes = m_pausedCheck && m_interval ? m_interval() : 0;
    m_planned = m_engine.nextWake(needs);
    m_timer.arm(m_planned);
}

void WakeScheduler::wake()
{
    // A turn may show an alert and run a nested event loop, in which further wakes come; each plans
    // again when it is done, and so does this one.
    QPointer<WakeScheduler> alive(this);
    if (m_scanning) {
        Q_EMIT timerTick();
    }
    if (alive && m_pausedCheck) {
        Q_EMIT secondTimerTick();
    }
    if (alive) {
        replan();
    }
}
