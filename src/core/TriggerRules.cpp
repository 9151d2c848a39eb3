#include "TriggerRules.h"

#include "DateText.h"
#include "EventFlags.h"

namespace {

constexpr qint64 MsPerMinute = 60'000;
constexpr qint64 MsPerDay = 86'400'000;

// Date and Time of a row, read once.
struct RowTimes
{
    DateTimeKind kind = DateTimeKind::Invalid;
    QDate date;     // the fixed or floating date; null when Date is "0"
    int timeMs = 0; // the time of day, when the row has one
};

RowTimes readRow(const Reminder& r, int currentYear)
{
    const QStringView dateText = r.date;
    const QStringView timeText = r.time;
    RowTimes row;
    const bool hasTime = timeText != u"0";
    if (hasTime) {
        const QTime time = ParseTime(timeText);
        if (!time.isValid()) {
            return row;
        }
        row.timeMs = time.msecsSinceStartOfDay();
    }
    if (dateText == u"0") {
        // A row the editor never writes; its time is taken on today, as for a floating date of today.
        row.kind = hasTime ? DateTimeKind::TimeOnly : DateTimeKind::Neither;
        return row;
    }
    const bool floating = IsFloatingDate(dateText);
    const QDate date = ParseDate(floating ? dateText.sliced(1) : dateText, currentYear);
    if (!date.isValid()) {
        return row;
    }
    row.date = date;
    if (floating) {
        row.kind = hasTime ? DateTimeKind::TimeOnly : DateTimeKind::Neither;
    } else {
        row.kind = hasTime ? DateTimeKind::DateAndTime : DateTimeKind::DateOnly;
    }
    return row;
}

// A wall-clock reading as one number, so that comparing and stepping need no time zone look-ups.
qint64 wallMs(QDate date, qint64 msOfDay)
{
    return date.toJulianDay() * MsPerDay + msOfDay;
}

qint64 wallMs(const QDateTime& instant)
{
    return wallMs(instant.date(), instant.time().msecsSinceStartOfDay());
}

qint64 dueWall(const RowTimes& row, QDate today, int nowMs)
{
    switch (row.kind) {
    case DateTimeKind::DateAndTime:
        return wallMs(row.date, row.timeMs);
    case DateTimeKind::DateOnly:
        return wallMs(row.date, nowMs - nowMs % 1000);
    case DateTimeKind::TimeOnly:
        return wallMs(row.date.isValid() ? row.date : today, row.timeMs);
    case DateTimeKind::Neither:
    case DateTimeKind::Invalid:
        break;
    }
    return wallMs(today, nowMs);
}

// The first of time + N, time + 2N, ... minutes, kept to the time of day, that lies at most N whole minutes
// (truncated) from now, either way; all in milliseconds of the day. Needs 1 <= n < 1440.
qint64 nextTimeWithin(qint64 time, qint64 now, qint64 n)
{
    const qint64 step = n * MsPerMinute;
    const qint64 reach = step + MsPerMinute; // at most N whole minutes away means less than N + 1 minutes
    const qint64 lo = qMax<qint64>(0, now - reach + 1);
    const qint64 hi = qMin(MsPerDay, now + reach);
    // [lo, hi) is longer than one step, so walking forward by steps cannot pass over it.
    const qint64 first = (time + step) % MsPerDay;
    if (first >= lo && first < hi) {
        return first;
    }
    const qint64 ahead = (first < lo ? lo : lo + MsPerDay) - first;
    const qint64 steps = (ahead + step - 1) / step;
    return (first + steps * step) % MsPerDay;
}

} // namespace

DateTimeKind ClassifyRow(const Reminder& r, int currentYear)
{
    return readRow(r, currentYear).kind;
}

int RepeatValue(QStringView repeat)
{
    if (repeat.isEmpty() || repeat.size() > 9) {
        return 0;
    }
    int value = 0;
    for (QChar c : repeat) {
        if (c < u'0' || c > u'9') {
            return 0;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<QDateTime> DueInstant(const Reminder& r, const QDateTime& now)
{
    const QDate today = now.date();
    if (!today.isValid()) {
        return std::nullopt;
    }
    const RowTimes row = readRow(r, today.year());
    if (row.kind == DateTimeKind::Invalid) {
        return std::nullopt;
    }
    if (row.kind == DateTimeKind::Neither) {
        return now;
    }
    const qint64 due = dueWall(row, today, now.time().msecsSinceStartOfDay());
    // Given at now's offset so that a time in a daylight-saving gap still makes a valid instant.
    return QDateTime(QDate::fromJulianDay(due / MsPerDay), QTime::fromMSecsSinceStartOfDay(int(due % MsPerDay)),
                     Qt::OffsetFromUTC, now.offsetFromUtc());
}

bool ShouldFire(const Reminder& r, const QDateTime& now)
{
    if (r.checked || !HasEventFlag(r.events, EventKind::DateTime)) {
        return false;
    }
    const QDate today = now.date();
    if (!today.isValid()) {
        return false;
    }
    const RowTimes row = readRow(r, today.year());
    if (row.kind == DateTimeKind::Invalid) {
        return false;
    }
    // Due unless the clock reading lies before the due reading by one millisecond or more.
    const int nowMs = now.time().msecsSinceStartOfDay();
    return wallMs(today, nowMs) - dueWall(row, today, nowMs) > -1;
}

FireStep RepeatStep(const Reminder& r, const QDateTime& due)
{
    FireStep step{false, r.date, r.time};
    const int n = RepeatValue(r.repeat);
    if (n == 0 || !due.date().isValid()) {
        return step;
    }
    switch (ClassifyRow(r, due.date().year())) {
    case DateTimeKind::DateAndTime:
    case DateTimeKind::DateOnly:
        step.date = FormatDate(due.date().addDays(n));
        step.repeats = true;
        break;
    case DateTimeKind::TimeOnly: {
        const qint64 next = wallMs(due) + n * MsPerMinute;
        step.date = QLatin1Char('#') + FormatDate(QDate::fromJulianDay(next / MsPerDay));
        step.time = FormatTime(QTime::fromMSecsSinceStartOfDay(int(next % MsPerDay)));
        step.repeats = true;
        break;
    }
    case DateTimeKind::Neither:
        // Nothing would move it on, so it would be due again at once on every tick: it fires once.
    case DateTimeKind::Invalid:
        break;
    }
    return step;
}

bool ApplyRepeatStep(Reminder& r, const QDateTime& due)
{
    FireStep step = RepeatStep(r, due);
    if (step.repeats) {
        r.date = std::move(step.date);
        r.time = std::move(step.time);
    }
    return step.repeats;
}

void CatchUpRow(Reminder& r, const QDateTime& now)
{
    const QDate today = now.date();
    if (!today.isValid()) {
        return;
    }
    // Every floating date becomes today, whatever else the row holds.
    if (IsFloatingDate(r.date)) {
        r.date = QLatin1Char('#') + FormatDate(today);
    }
    const RowTimes row = readRow(r, today.year());
    if (row.kind == DateTimeKind::Invalid) {
        return;
    }
    if (!HasEventFlag(r.events, RepeatFlag)) {
        return;
    }
    const qint64 n = RepeatValue(r.repeat);
    if (n == 0) {
        return;
    }
    if (row.kind == DateTimeKind::DateAndTime || row.kind == DateTimeKind::DateOnly) {
        const qint64 behind = row.date.daysTo(today);
        if (behind > n) {
            // The fewest whole steps that leave the date at most N days before today.
            r.date = FormatDate(row.date.addDays((behind - 1) / n * n));
        }
        return;
    }
    if (row.kind != DateTimeKind::TimeOnly) {
        return;
    }
    const qint64 nowMs = now.time().msecsSinceStartOfDay();
    if (qAbs(row.timeMs - nowMs) / MsPerMinute < n) {
        return;
    }
    r.time = FormatTime(QTime::fromMSecsSinceStartOfDay(int(nextTimeWithin(row.timeMs, nowMs, n))));
}

void CatchUp(QList<Reminder>& rows, const QDateTime& now)
{
    for (Reminder& r : rows) {
        CatchUpRow(r, now);
    }
}

QString AlertOnText(const Reminder& r)
{
    const bool fixed = IsFixedDate(r.date);
    const bool hasTime = r.time != u"0";
    QString t;
    for (QChar c : r.events) {
        switch (c.unicode()) {
        case u'1':
            if (fixed) {
                t = r.date;
                if (hasTime) {
                    t += QLatin1String(" - ");
                }
            }
            if (hasTime) {
                t += r.time;
            }
            t += QLatin1String(", ");
            break;
        case u'2':
            t += QLatin1String("Startup, ");
            break;
        case u'3':
            t += QLatin1String("Shutdown, ");
            break;
        case u'4':
            t += QLatin1String("Internet connect, ");
            break;
        case u'5':
            t += QLatin1String("Internet disconnect");
            break;
        case u'0':
            t += QLatin1Char('\r') + QLatin1String("Repeat every: ") + r.repeat +
                 (fixed ? QLatin1String(" day(s)") : QLatin1String(" minute(s)"));
            break;
        default:
            break;
        }
    }
    return QLatin1String("Alert on ") + t;
}

void PauseRow(Reminder& r, const QDateTime& now)
{
    r.ponovno = FormatTime(now.time());
    r.pausedAt = now;
}

void ClearPause(Reminder& r)
{
    r.ponovno = QStringLiteral("0");
    r.pausedAt = QDateTime();
}

int PauseMinutes(int intervalMinutes)
{
    return qMax(1, intervalMinutes);
}

bool SnoozeDue(const Reminder& r, const QDateTime& now, int intervalMinutes)
{
    if (r.ponovno == u"0") {
        return false;
    }
    const qint64 wait = PauseMinutes(intervalMinutes) * MsPerMinute;
    if (r.pausedAt.isValid()) {
        return r.pausedAt.msecsTo(now) >= wait;
    }
    // Only the time of day is known, so a pause shortly before midnight cannot be told from one after it.
    const QTime paused = ParseTime(r.ponovno);
    if (!paused.isValid() || !now.time().isValid()) {
        return false;
    }
    return paused.msecsSinceStartOfDay() <= now.time().msecsSinceStartOfDay() - wait;
}
