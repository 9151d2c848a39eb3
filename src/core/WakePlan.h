#pragma once

#include "Reminder.h"

#include <QDateTime>
#include <QList>

// When the program next needs to look at its reminders. The date and time scan and the re-alert
// check decide what fires; between two of their decisions nothing can change unless the clock
// reaches a due instant, a pause runs out, the editor's running clock moves on, or the user changes
// something (which plans again). Waking only then gives the same decisions as looking every second.

/// What besides the rows decides the next wake.
struct WakeNeeds
{
    bool dateTimeScan = true; ///< the date and time scan runs (not while the user is in the editor's time field)
    bool pausedCheck = true;  ///< the re-alert check of paused alerts runs
    bool editorClock = false; ///< the editor shows a time field that runs with the clock, second by second
    bool held = false;        ///< an alert shows or is being fired: rows wait until it has closed
    int intervalMinutes = 0;  ///< the option Interval, as the re-alert check reads it
};

/// The longest wait between two wakes: a new time zone or daylight-saving rule moves the wall clock
/// without any notice, and is seen at the next wake.
constexpr qint64 MaxWakeWaitMSecs = 60'000;

/// The next instant at which the scan can fire a row, a paused alert can come back, or the editor's
/// clock shows a new second; now itself when something is due at once, and never later than
/// MaxWakeWaitMSecs after now. Checked rows, rows without the date and time flag and rows whose
/// texts do not read are left out, as the scan leaves them out.
QDateTime NextWake(const QList<Reminder>& rows, const QDateTime& now, const WakeNeeds& needs);
