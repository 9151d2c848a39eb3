#pragma once

#include "Reminder.h"

#include <QDateTime>
#include <QList>

// When the program next needs to look at its reminders. The date and time scan and the re-alert
// check decide what fires; between two of their decisions nothing can change unless the clock
// reaches a due instant, a pause runs out, the editor's running clock moves on, or the user changes
// something (which plans again). Waking only then gives the same decisions as looking every second.
// A wall clock that is set, or a new time zone, is reported by the wake timer and plans again.

/// What besides the rows decides the next wake.
struct WakeNeeds
{
    bool dateTimeScan = true; ///< the date and time scan runs (not while the user is in the editor's time field)
    bool pausedCheck = true;  ///< the re-alert check of paused alerts runs
    bool editorClock = false; ///< a window follows the clock second by second (the editor's running time field)
    bool held = false;        ///< an alert shows or is being fired: rows wait until it has closed
    int intervalMinutes = 0;  ///< the option Interval, as the re-alert check reads it
};

/// The next instant at which the scan can fire a row, a paused alert can come back, or the editor's
/// clock shows a new second; now itself when something is due at once; an invalid QDateTime when
/// nothing can happen. Checked rows, rows without the date and time flag and rows whose texts do not
/// read are left out, as the scan leaves them out. A due reading of the wall clock is planned at the
/// first instant whose reading is that or later: where clocks go forward past it, at the change.
QDateTime NextWake(const QList<Reminder>& rows, const QDateTime& now, const WakeNeeds& needs);
