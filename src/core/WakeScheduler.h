#pragma once

#include "ReminderEngine.h"
#include "WakeTimer.h"

#include <QDateTime>
#include <QObject>
#include <functional>

/// Stands where the main window's one-second Timer and SecondTimer ticked: it wakes only when the
/// date and time scan or the re-alert check can decide something new (ReminderEngine::nextWake), and
/// then gives both their turn in the order the timers had, the scan first. A change of the list or a
/// pause plans again by itself; the owner plans again when the options or its windows change.
class WakeScheduler final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WakeScheduler)

Q_SIGNALS:
    /// The date and time scan's turn (where Timer ticked), while scanning is on.
    void timerTick();
    /// The re-alert check's turn (where SecondTimer ticked), right after the scan's, while it is on.
    void secondTimerTick();

public:
    /// One of the two timers the scheduler stands in for, started, stopped and asked as a QTimer is;
    /// starting one that runs changes nothing.
    class Turn
    {
    public:
        bool isActive() const { return m_on; }
        void start() { m_owner.setTurn(m_on, true); }
        void stop() { m_owner.setTurn(m_on, false); }

    private:
        friend class WakeScheduler;
        explicit Turn(WakeScheduler& owner) : m_owner(owner) {}
        WakeScheduler& m_owner;
        bool m_on = false;
    };

    /// The option Interval as the re-alert check will read it.
    using IntervalSource = std::function<int()>;

    WakeScheduler(ReminderModel& model, ReminderEngine& engine, WakeTimer& timer, IntervalSource interval,
                  QObject* parent = nullptr);

    /// Timer's Enabled: the date and time scan, and the editor's running clock, take their turns.
    void setScanning(bool on) { setTurn(m_timer.m_on, on); }
    bool scanning() const { return m_timer.m_on; }
    Turn& timer() { return m_timer; }
    /// SecondTimer's Enabled: the re-alert check takes its turns.
    void setPausedCheck(bool on) { setTurn(m_secondTimer.m_on, on); }
    bool pausedCheck() const { return m_secondTimer.m_on; }
    Turn& secondTimer() { return m_secondTimer; }
    /// The editor shows; while scanning is on its time field runs with the clock, second by second.
    void setEditorShowing(bool showing);
    bool editorShowing() const { return m_editorShowing; }
    /// The options dialog shows; while the re-alert check runs, its reading of the options follows the
    /// dialog second by second.
    void setOptionsShowing(bool showing);

    /// Plans the next wake at once, from the list, the clock, the option Interval and the state above.
    void replan();
    /// The instant armed by the last plan; invalid while nothing needs a wake.
    QDateTime plannedWake() const { return m_planned; }

private:
    void setTurn(bool& turn, bool on);
    void wake();

    ReminderEngine& m_engine;
    WakeTimer& m_wakeTimer;
    IntervalSource m_interval;
    QDateTime m_planned;
    Turn m_timer{*this};
    Turn m_secondTimer{*this};
    bool m_editorShowing = false;
    bool m_optionsShowing = false;
};
