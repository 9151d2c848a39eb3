#pragma once

#include "Clock.h"
#include "ReminderModel.h"
#include "WakePlan.h"

#include <QList>
#include <QObject>

/// Shows a fired reminder in the alert window, modally.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    virtual bool isAlertShowing() const = 0;
    /// Shows the row's text in the alert window and returns when the window has closed: true when
    /// the user answered it (or its own timer paused it), false when it was closed without an answer.
    virtual bool showAlert(quint64 rowId) = 0;
};

/// Plays the sound of one kind of event; reports a missing or unplayable file itself and returns.
class EventSoundSink
{
public:
    virtual ~EventSoundSink() = default;
    virtual void playEventSound(QChar flag) = 0;
};

/// Decides when reminders fire and fires them: the date and time scan, the start-up catch-up, the
/// system event scans and the return of paused alerts. One alert at a time: from the moment a row
/// is picked until its alert has closed nothing else fires; system scans that come meanwhile are
/// queued and shown, one at a time, once the window has closed. A row counts as fired only once its
/// alert has been answered: until then the saved rows hold it as it was before.
class ReminderEngine final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderEngine)

Q_SIGNALS:
    /// The last alert has closed and no queued alert is waiting.
    void idle();
    /// Pause was pressed on an alert: a pause now runs.
    void paused(quint64 rowId);
    /// rowsToSave() changed without a change of the model: the alert of a fired row has closed.
    void rowsToSaveChanged();

public:
    ReminderEngine(ReminderModel& model, const Clock& clock, AlertPresenter& alerts, EventSoundSink& sounds,
                   QObject* parent = nullptr);

    /// True from the pick of a row to the close of its alert, and while queued alerts wait.
    bool busy() const { return m_inProgress || !m_queue.isEmpty(); }

    /// One scan of the date and time reminders: fires each unchecked row that is due, in list order.
    void scanDateTime();
    /// Moves repeating reminders that fell behind while the program was not running.
    static void catchUp(QList<Reminder>& rows, const QDateTime& now);
    /// Fires every row carrying the flag (checked rows too when includeChecked), in list order;
    /// markChecked ticks each row after its alert (the shutdown scan).
    void scanSystemEvent(QChar flag, bool includeChecked, bool markChecked);
    /// Brings back the paused alerts whose pause has lasted intervalMinutes.
    void checkPausedAlerts(int intervalMinutes);
    /// Pause on the alert of rowId: remembers the time of the pause.
    void pause(quint64 rowId);
    /// An alert window that the engine did not open (a view) has closed: queued alerts may go.
    void alertWindowClosed();
    /// From now on (or again) no date and time alert starts and no paused alert comes back: the
    /// program is ending. Queued alerts of the system scans still show.
    void setEnding(bool ending) { m_ending = ending; }
    bool isEnding() const { return m_ending; }
    /// Drops the queued alerts of the event flag (every flag when null) that have not shown yet.
    void dropQueued(QChar flag = QChar());
    /// The rows as they are to be saved: a row whose alert shows and is not yet answered as it was
    /// before it fired.
    QList<Reminder> rowsToSave() const;
    /// The next instant at which scanDateTime or checkPausedAlerts can do something (NextWake over the
    /// list at the clock's now). While an alert shows or is being fired, rows and pauses wait for it:
    /// plan again once it has closed.
    QDateTime nextWake(WakeNeeds needs) const;

private:
    struct Pending
    {
        quint64 id;
        QChar flag;
        bool markChecked;
    };
    void fireQueued(const Pending& p);
    /// Shows the alert of the row, fired from the state before; an alert closed without an answer
    /// puts the row back as it was.
    bool showFired(quint64 id, const Reminder& before);
    /// Writes the pause fields of r (Ponovno and the instant behind it) into the row.
    void storePause(int row, const Reminder& r);
    void release();

    ReminderModel& m_model;
    const Clock& m_clock;
    AlertPresenter& m_alerts;
    EventSoundSink& m_sounds;
    bool m_inProgress = false;
    bool m_draining = false;
    bool m_ending = false;
    QList<Pending> m_queue;
    // The row whose alert shows, as it was before it fired; id 0: none.
    Reminder m_beforeFire;
};
