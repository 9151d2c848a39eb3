#include "ReminderEngine.h"

#include "EventFlags.h"
#include "TriggerRules.h"

#include <QLoggingCategory>

// Off unless asked for (QT_LOGGING_RULES="nudgelark.triggers=true"): what fired and why.
Q_LOGGING_CATEGORY(lcTriggers, "nudgelark.triggers", QtWarningMsg)

ReminderEngine::ReminderEngine(ReminderModel& model, const Clock& clock, AlertPresenter& alerts,
                               EventSoundSink& sounds, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_clock(clock)
    , m_alerts(alerts)
    , m_sounds(sounds)
{
}

void ReminderEngine::scanDateTime()
{
    if (m_ending || busy() || m_alerts.isAlertShowing()) {
        return;
    }
    const int count = m_model.count();
    QDateTime now = m_clock.now();
    // An alert may have been open a long time: the program may be ending since.
    for (int row = 0; row < count && row < m_model.count() && !m_ending; ++row) {
        const Reminder& r = m_model.at(row);
        if (!ShouldFire(r, now)) {
            continue;
        }
        const std::optional<QDateTime> due = DueInstant(r, now);
        const Reminder before = r;
        const quint64 id = r.id;
        m_inProgress = true;
        qCInfo(lcTriggers, "fires \"%s\" on event 1", qPrintable(r.name));
        m_model.setChecked(row, true);
        m_model.selectRow(row);
        m_sounds.playEventSound(QChar(char16_t(EventKind::DateTime)));
        row = m_model.rowOfId(id);
        if (row < 0) {
            release();
            return;
        }
        Reminder stepped = m_model.at(row);
        if (ApplyRepeatStep(stepped, *due)) {
            m_model.changeRow(row, stepped);
            m_model.setChecked(row, false);
        }
        showFired(id, before);
        release();
        now = m_clock.now(); // the alert may have been open a long time
        row = m_model.rowOfId(id);
        if (row < 0) {
            return;
        }
    }
}

void ReminderEngine::catchUp(QList<Reminder>& rows, const QDateTime& now)
{
    CatchUp(rows, now);
}

void ReminderEngine::scanSystemEvent(QChar flag, bool includeChecked, bool markChecked)
{
    QList<Pending> picked;
    const int count = m_model.count();
    for (int row = 0; row < count; ++row) {
        const Reminder& r = m_model.at(row);
        if (HasEventFlag(r.events, flag) && (includeChecked || !r.checked)) {
            picked.append({r.id, flag, markChecked});
        }
    }
    if (busy() || m_alerts.isAlertShowing()) {
        m_queue.append(picked);
        return;
    }
    m_queue.append(picked);
    release();
}

void ReminderEngine::checkPausedAlerts(int intervalMinutes)
{
    if (m_ending || busy() || m_alerts.isAlertShowing()) {
        return;
    }
    QDateTime now = m_clock.now();
    for (int row = 0; row < m_model.count() && !m_ending; ++row) {
        if (!SnoozeDue(m_model.at(row), now, intervalMinutes)) {
            continue;
        }
        const quint64 id = m_model.at(row).id;
        m_inProgress = true;
        qCInfo(lcTriggers, "paused alert of \"%s\" comes back", qPrintable(m_model.at(row).name));
        const Reminder before = m_model.at(row);
        Reminder cleared = before;
        ClearPause(cleared);
        storePause(row, cleared);
        m_sounds.playEventSound(QChar(char16_t(EventKind::DateTime)));
        row = m_model.rowOfId(id);
        if (row >= 0) {
            m_model.selectRow(row);
            showFired(id, before);
        }
        release();
        now = m_clock.now();
        row = m_model.rowOfId(id);
        if (row < 0) {
            return;
        }
    }
}

void ReminderEngine::pause(quint64 rowId)
{
    const int row = m_model.rowOfId(rowId);
    if (row < 0) {
        return;
    }
    Reminder r = m_model.at(row);
    PauseRow(r, m_clock.now());
    storePause(row, r);
    Q_EMIT paused(rowId);
}

void ReminderEngine::storePause(int row, const Reminder& r)
{
    m_model.setField(row, Field::Ponovno, r.ponovno);
    m_model.setPausedAt(row, r.pausedAt);
}

bool ReminderEngine::showFired(quint64 id, const Reminder& before)
{
    m_beforeFire = before;
    const bool answered = m_alerts.showAlert(id);
    m_beforeFire.id = 0;
    const int row = m_model.rowOfId(id);
    if (!answered && row >= 0) {
        m_model.changeRow(row, before);
        m_model.setChecked(row, before.checked);
        storePause(row, before);
    }
    // The fire, held back from the saved rows while its alert showed, is theirs now.
    Q_EMIT rowsToSaveChanged();
    return answered;
}

void ReminderEngine::dropQueued(QChar flag)
{
    m_queue.removeIf([flag](const Pending& p) { return flag.isNull() || p.flag == flag; });
}

QList<Reminder> ReminderEngine::rowsToSave() const
{
    QList<Reminder> rows = m_model.rows();
    const int row = m_beforeFire.id ? m_model.rowOfId(m_beforeFire.id) : -1;
    if (row >= 0) {
        rows[row] = m_beforeFire;
    }
    return rows;
}

void ReminderEngine::alertWindowClosed()
{
    if (!m_inProgress && !m_draining && !m_queue.isEmpty()) {
        release();
    }
}

QDateTime ReminderEngine::nextWake(WakeNeeds needs) const
{
    needs.held = needs.held || busy() || m_alerts.isAlertShowing();
    return NextWake(m_model.rows(), m_clock.now(), needs);
}

void ReminderEngine::fireQueued(const Pending& p)
{
    int row = m_model.rowOfId(p.id);
    if (row < 0) {
        return; // deleted while it waited
    }
    qCInfo(lcTriggers, "fires \"%s\" on event %c", qPrintable(m_model.at(row).name), char(p.flag.unicode()));
    m_model.selectRow(row);
    m_sounds.playEventSound(p.flag);
    // A row is ticked only once the user has answered its alert.
    const bool answered = m_model.rowOfId(p.id) >= 0 && m_alerts.showAlert(p.id);
    row = m_model.rowOfId(p.id);
    if (p.markChecked && answered && row >= 0) {
        m_model.setChecked(row, true);
    }
}

void ReminderEngine::release()
{
    m_inProgress = false;
    if (m_draining) {
        return;
    }
    // Alerts queued while a window was open are shown now, one at a time, in the order picked.
    m_draining = true;
    while (!m_queue.isEmpty()) {
        m_inProgress = true;
        const Pending next = m_queue.takeFirst();
        fireQueued(next);
        m_inProgress = false;
    }
    m_draining = false;
    Q_EMIT idle();
}
