#pragma once

#include "Reminder.h"

#include <QList>
#include <QStringList>

// The layouts of the two data files: reminder.nld keeps one line per reminder,
// "Name - Date - Time - Repeat - Events - checked"; reminder.nlt keeps a block per reminder:
// "-N-", the text with its lines joined by bare CRs, "==".

/// The separator between the fields of a data-file line.
inline constexpr QStringView FieldSeparator = u" - ";

/// One data-file line per row, in list order.
QStringList BuildDataLines(const QList<Reminder>& rows);
/// The three lines of one text block per row, in list order.
QStringList BuildTextBlocks(const QList<Reminder>& rows);
/// The editor's lines joined into one What: each line followed by a CR, the last CR removed.
QString JoinEditorText(const QStringList& lines);

/// Reads the lines of the data file into rows (What empty, Ponovno "0"). A blank line is skipped;
/// a line with fewer fields keeps its name and takes "0" for Date, Time and Repeat, an empty
/// Events and unchecked.
QList<Reminder> ParseDataLines(const QList<QStringView>& lines);
/// Fills each row's What from the lines of the text file: the lines after the first "-N-" header
/// up to the next "==", joined by CRs; with no header, from the first line of the file.
void ApplyTextBlocks(QList<Reminder>& rows, const QList<QStringView>& lines);
