#include "WakePlan.h"

#include "DateText.h"
#include "EventFlags.h"
#include "TriggerRules.h"

#include <QTimeZone>
#include <limits>

namespace {

constexpr qint64 MsPerMinute = 60'000;
constexpr qint64 MsPerDay = 86'400'000;
constexpr qint64 Never = std::numeric_limits<qint64>::max();
constexpr qint64 UnixEpochWall = 2'440'588 * MsPerDay; // the reading 1970-01-01 00:00:00

// A wall-clock reading as one number, as the trigger rules compare them.
qint64 wallMs(QDate date, qint64 msOfDay)
{
    return date.toJulianDay() * MsPerDay + msOfDay;
}

qint64 wallMs(const QDateTime& instant)
{
    return wallMs(instant.date(), instant.time().msecsSinceStartOfDay());
}

// The first wall-clock reading from which the scan fires the row, or Never; now's reading when it is due.
qint64 rowDueWall(const Reminder& r, const QDateTime& now, qint64 nowWall)
{
    if (r.checked || !HasEventFlag(r.events, EventKind::DateTime)) {
        return Never;
    }
    const std::optional<QDateTime> due = DueInstant(r, now);
    if (!due) {
        return Never;
    }
    if (ShouldFire(r, now)) {
        return nowWall;
    }
    // A date without a time is due from the start of its day; the scan places it at now's time of
    // day, which keeps it ahead of now until that day has come.
    return r.time == u"0" ? wallMs(due->date(), 0) : wallMs(*due);
}

// When a pause runs out, by the re-alert check's own rule: its minutes after the instant of the
// pause; with only the time of day of the pause known, at that time of day plus its minutes, today,
// and never when that lies past midnight. The first is an instant, the second a wall-clock reading.
struct SnoozeEnd
{
    qint64 epochMs = Never;
    qint64 wall = Never;
};

SnoozeEnd snoozeEnd(const Reminder& r, const QDateTime& now, int intervalMinutes)
{
    if (r.ponovno == u"0") {
        return {};
    }
    if (SnoozeDue(r, now, intervalMinutes)) {
        return {now.toMSecsSinceEpoch(), Never};
    }
    const qint64 wait = PauseMinutes(intervalMinutes) * MsPerMinute;
    if (r.pausedAt.isValid()) {
        return {r.pausedAt.toMSecsSinceEpoch() + wait, Never};
    }
    const QTime paused = ParseTime(r.ponovno);
    if (!paused.isValid() || paused.msecsSinceStartOfDay() + wait >= MsPerDay) {
        return {};
    }
    return {Never, wallMs(now.date(), paused.msecsSinceStartOfDay() + wait)};
}

// The zone whose daylight-saving changes move now's wall clock; an invalid zone for a fixed offset.
QTimeZone zoneOf(const QDateTime& now)
{
    switch (now.timeSpec()) {
    case Qt::LocalTime:
        return QTimeZone::systemTimeZone();
    case Qt::TimeZone:
        return now.timeZone();
    case Qt::UTC:
    case Qt::OffsetFromUTC:
        break;
    }
    return {};
}

// The first instant after now whose wall-clock reading is wall or later; wall lies ahead of now's
// reading. The offset from UTC is followed through the zone's changes: where clocks go forward past
// wall, the instant of the change is the first whose reading is later; where they go back, the
// first of the two instants that read wall comes first.
qint64 epochOfWall(qint64 wall, const QDateTime& now)
{
    wall -= UnixEpochWall; // from here on the reading as milliseconds since 1970-01-01 00:00
    qint64 from = now.toMSecsSinceEpoch();
    qint64 offset = qint64(now.offsetFromUtc()) * 1000;
    const QTimeZone zone = zoneOf(now);
    if (!zone.isValid() || !zone.hasTransitions()) {
        return wall - offset;
    }
    // Zones change their offset a few times a year at most; the bound only keeps a broken zone
    // from holding the plan.
    for (int changes = 0; changes < 10'000; ++changes) {
        const qint64 atThisOffset = wall - offset; // still after from
        const QTimeZone::OffsetData next = zone.nextTransition(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC));
        if (!next.atUtc.isValid() || next.atUtc.toMSecsSinceEpoch() > atThisOffset) {
            return atThisOffset;
        }
        from = next.atUtc.toMSecsSinceEpoch();
        offset = qint64(next.offsetFromUtc) * 1000;
        if (from + offset >= wall) {
            return from; // the clock jumps over wall here
        }
    }
    return wall - offset;
}

} // namespace

QDateTime NextWake(const QList<Reminder>& rows, const QDateTime& now, const WakeNeeds& needs)
{
    const qint64 nowEpoch = now.toMSecsSinceEpoch();
    qint64 best = Never;
    if (needs.editorClock) {
        best = nowEpoch - nowEpoch % 1000 + 1000;
    }
    if (!needs.held && now.date().isValid()) {
        // The same reading at a fixed offset: the rules ask now for its offset once per row, and in
        // local time each answer is a look at the system's time zone.
        const QDateTime fixedNow = now.toOffsetFromUtc(now.offsetFromUtc());
        const qint64 nowWall = wallMs(now);
        qint64 wall = Never;
        qint64 epoch = Never;
        for (const Reminder& r : rows) {
            if (needs.dateTimeScan) {
                wall = qMin(wall, rowDueWall(r, fixedNow, nowWall));
            }
            if (needs.pausedCheck) {
                const SnoozeEnd end = snoozeEnd(r, fixedNow, needs.intervalMinutes);
                epoch = qMin(epoch, end.epochMs);
                wall = qMin(wall, end.wall);
            }
            if (wall <= nowWall || epoch <= nowEpoch) {
                return now; // something is due at once; the rest cannot come earlier
            }
        }
        if (wall != Never) {
            best = qMin(best, epochOfWall(wall, now));
        }
        best = qMin(best, epoch);
    }
    if (best == Never) {
        return {};
    }
    return now.addMSecs(best - nowEpoch);
}
