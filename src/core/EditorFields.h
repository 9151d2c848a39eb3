#pragma once

#include "EventFlags.h"
#include "Reminder.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The reminder editor's fields and rules: what the Edit command loads into it, which controls its
// three boxes enable, and the row its OK writes in each mode.

/// The editor's two modes: New appends a row, Edit overwrites the row it was opened on.
enum class EditorMode { New, Edit };

/// What the editor shows: its texts, its boxes with their ticks, the enabled state of the controls
/// that follow the boxes, and its two pickers.
struct EditorFields
{
    QString name;   ///< NameE
    QString what;   ///< WhatRE, its lines joined by single CRs as the row holds them
    QString repeat; ///< RepeatE as typed; empty counts as "0"

    bool dateTime = false;    ///< rDateTime
    bool startup = false;     ///< rStartup
    bool shutdown = false;    ///< rShutdown
    bool iConnect = false;    ///< rIConnect
    bool iDisConnect = false; ///< rIDisConnect
    bool specDate = false;    ///< specDateCB
    bool specTime = false;    ///< specTimeCB

    // The enabled state of each control that follows a box.
    bool specDateEnabled = false; ///< specDateCB, following rDateTime
    bool specTimeEnabled = false; ///< specTimeCB, following rDateTime
    bool label3Enabled = false;   ///< Label3, following rDateTime
    bool repeatEnabled = false;   ///< RepeatE, following rDateTime
    bool label1Enabled = false;   ///< Label1, following specDateCB
    bool dateEnabled = false;     ///< Kalendar, following specDateCB
    bool label5Enabled = false;   ///< Label5, following specTimeCB
    bool timeEnabled = false;     ///< Vrijeme, following specTimeCB

    QDate date; ///< Kalendar
    QTime time; ///< Vrijeme

    bool operator==(const EditorFields&) const = default;
};

/// The rule of "on specific date/time": specDateCB, specTimeCB, Label3 and RepeatE follow its tick.
/// It does not cascade: the pickers and their labels keep their state.
void ApplyDateTimeRule(EditorFields& f);
/// The rule of "on specific date": Label1 and Kalendar follow its tick.
void ApplySpecDateRule(EditorFields& f);
/// The rule of "on specific time": Label5 and Vrijeme follow its tick.
void ApplySpecTimeRule(EditorFields& f);

/// Ticks or unticks a box and runs its rule, only when the state changes.
void SetDateTimeBox(EditorFields& f, bool on);
void SetSpecDateBox(EditorFields& f, bool on);
void SetSpecTimeBox(EditorFields& f, bool on);

/// The fields as the editor's reset leaves them: the texts and the step empty, every box unticked
/// (each untick running its rule), Kalendar and Vrijeme disabled; the pickers keep their values.
EditorFields ResetEditorFields(EditorFields f);

/// The Edit command's loading of a row into the fields as the last reset left them: the texts and
/// the step from the row, the pickers at now, then the row's fixed date and its time (each ticking
/// and enabling its box), "on specific date/time" from the flag 1 with its rule applied once more
/// whatever the tick, and the other four event boxes from their flags.
EditorFields FieldsForRow(EditorFields f, const Reminder& row, const QDateTime& now);

/// The step written for the Repeat field's text: the number it means ("007" gives "7"), "0" for an
/// empty field.
QString RepeatFieldValue(const QString& text);
/// True when the Repeat field's text is a step the editor accepts: at most 1000 days while "on
/// specific date" is ticked, else at most 1440 minutes; an empty field is 0.
bool RepeatInRange(const QString& text, bool specificDate);

/// The editor's six flags as OK reads them: the repeat flag, then the five event boxes.
EventFlagSet ReadFlags(const EditorFields& f);

/// The row OK writes. New mode takes "on specific date" and "on specific time" as they stand and the
/// step as typed; Edit mode takes them, and a step other than "0", only while "on specific date/time"
/// is ticked. Without "on specific date" the date is today's floating date.
Reminder RowFromFields(const EditorFields& f, EditorMode mode, QDate today);

/// Why OK leaves the editor open, in the order it checks.
enum class EditorRefusal {
    None,
    NoName,        ///< the name is empty
    NoText,        ///< New mode only: the text is empty
    NameUnsavable, ///< the name would not read back from the data file
    TextUnsavable, ///< a line of the text would not read back from the text file
    RowUnsavable,  ///< another field would not read back
};

/// What OK refuses for these fields and the row built from them, or None.
EditorRefusal RefusalFor(const EditorFields& f, EditorMode mode, const Reminder& row);

/// The words the editor shows for a refusal; empty for None.
QString RefusalMessage(EditorRefusal refusal);
/// The words the editor shows for a repeat step out of range.
QString InvalidRepeatMessage();
