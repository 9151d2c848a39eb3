#pragma once

#include "Reminder.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The rules of the date and time trigger: when a row falls due, how a repeating row moves on, how the
// start-up catch-up brings old rows close to the present, the "Alert on" text and the snooze.
// Due instants are compared as readings of the wall clock, as the stored texts are.

/// What Date and Time of a row say about when it falls due.
enum class DateTimeKind {
    DateAndTime, ///< a fixed date and a time of day
    DateOnly,    ///< a fixed date, no time
    TimeOnly,    ///< a time of day on a floating date, or on today when Date is "0"
    Neither,     ///< no fixed date and no time: due at once
    Invalid,     ///< a date or time text that does not read; such a row never fires and is never moved on
};

/// The kind of a row; currentYear places two-digit years.
DateTimeKind ClassifyRow(const Reminder& r, int currentYear);

/// The repeat step N of a Repeat text: a decimal number of up to nine digits, anything else counts as 0.
int RepeatValue(QStringView repeat);

/// The instant at which the row falls due as seen at now, at now's offset from UTC; nullopt for an Invalid row.
std::optional<QDateTime> DueInstant(const Reminder& r, const QDateTime& now);

/// True when the scan fires the row at now: it has the DateTime flag, is not checked, reads, and is due:
/// the clock reading now does not lie before the row's due reading by one millisecond or more.
bool ShouldFire(const Reminder& r, const QDateTime& now);

/// What firing changes besides Checked: the new Date and Time texts, and whether the row is armed again.
struct FireStep
{
    bool repeats = false; ///< the row moved on and its Checked is cleared again
    QString date;         ///< the Date text after the step (unchanged when the row does not repeat)
    QString time;         ///< the Time text after the step
};

/// The repeat step of a row that fired at due: N days for a fixed date, N minutes for a time of day
/// (which moves the floating date past midnight); a row of the Neither kind does not repeat.
FireStep RepeatStep(const Reminder& r, const QDateTime& due);

/// Applies RepeatStep to the row's Date and Time; returns whether the row repeats.
bool ApplyRepeatStep(Reminder& r, const QDateTime& due);

/// The start-up catch-up of one row: a floating date becomes today, whatever else the row holds; a repeating
/// fixed date more than N days back moves on by whole N days until it is at most N days before today; a repeating
/// time of day N or more minutes away from now's time of day moves forward around the clock by whole N minutes
/// until within N.
void CatchUpRow(Reminder& r, const QDateTime& now);

/// CatchUpRow on every row, in list order.
void CatchUp(QList<Reminder>& rows, const QDateTime& now);

/// The view box text: "Alert on " followed by the row's events, times and repeat step.
QString AlertOnText(const Reminder& r);

/// Records a pause at now: Ponovno gets the time of day, pausedAt the full instant.
void PauseRow(Reminder& r, const QDateTime& now);

/// Clears a pending pause.
void ClearPause(Reminder& r);

/// How many minutes a pause lasts for the option Interval: at least one, so that Pause never brings the
/// alert straight back (a fresh install stores no Interval, which reads as 0).
int PauseMinutes(int intervalMinutes);

/// True when a paused row's alert is due again: PauseMinutes(intervalMinutes) after pausedAt, whatever the date;
/// without pausedAt, once Ponovno lies that many minutes or more before now's time of day. False when Ponovno is "0".
bool SnoozeDue(const Reminder& r, const QDateTime& now, int intervalMinutes);
