#include "WakeScheduler.h"

#include <QPointer>

WakeScheduler::WakeScheduler(ReminderModel& model, ReminderEngine& engine, WakeTimer& timer, IntervalSource interval,
                             QObject* parent)
    : QObject(parent), m_engine(engine), m_wakeTimer(timer), m_interval(std::move(interval))
{
    connect(&timer, &WakeTimer::fired, this, &WakeScheduler::wake);
    // After a jump of the wall clock the scan looks at once: a jump forward past a due instant fires it.
    connect(&timer, &WakeTimer::clockChanged, this, &WakeScheduler::wake);
    connect(&model, &ReminderModel::contentChanged, this, &WakeScheduler::replan);
    connect(&engine, &ReminderEngine::paused, this, &WakeScheduler::replan);
    connect(&engine, &ReminderEngine::idle, this, &WakeScheduler::replan);
}

void WakeScheduler::setTurn(bool& turn, bool on)
{
    if (on != turn) {
        turn = on;
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

void WakeScheduler::setOptionsShowing(bool showing)
{
    if (showing != m_optionsShowing) {
        m_optionsShowing = showing;
        replan();
    }
}

void WakeScheduler::replan()
{
    if (!scanning() && !pausedCheck()) {
        m_planned = QDateTime();
        m_wakeTimer.disarm();
        return;
    }
    WakeNeeds needs;
    needs.dateTimeScan = scanning();
    needs.pausedCheck = pausedCheck();
    needs.editorClock = (scanning() && m_editorShowing) || (pausedCheck() && m_optionsShowing);
    needs.intervalMinutes = pausedCheck() && m_interval ? m_interval() : 0;
    m_planned = m_engine.nextWake(needs);
    if (m_planned.isValid()) {
        m_wakeTimer.arm(m_planned);
    } else {
        m_wakeTimer.disarm(); // nothing can happen until the list, the options or the clock change
    }
}

void WakeScheduler::wake()
{
    // A turn may show an alert and run a nested event loop, in which further wakes come; each plans
    // again when it is done, and so does this one.
    QPointer<WakeScheduler> alive(this);
    if (scanning()) {
        Q_EMIT timerTick();
    }
    if (alive && pausedCheck()) {
        Q_EMIT secondTimerTick();
    }
    if (alive) {
        replan();
    }
}
