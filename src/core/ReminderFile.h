#pragma once

#include "Reminder.h"

#include <QList>
#include <QStringList>
#include <optional>

// The layouts of the two data files: reminder.nld keeps one line per reminder,
// "Name - Date - Time - Repeat - Events - checked"; reminder.nlt keeps a block per reminder:
// "-N-", the text with its lines joined by bare CRs, "==". Every line ends with CR LF.

/// The separator between the fields of a data-file line.
inline constexpr QStringView FieldSeparator = u" - ";

/// The editor's lines joined into one What: each line followed by a CR, the last CR removed.
QString JoinEditorText(const QStringList& lines);

/// The whole data file for the rows, as written to disk.
QByteArray EncodeDataFile(const QList<Reminder>& rows);
/// The whole text file for the rows, as written to disk.
QByteArray EncodeTextFile(const QList<Reminder>& rows);

/// Reads the data file into rows (What empty, Ponovno "0"). A blank line is skipped; a line with
/// fewer fields keeps the fields it has and takes "0" for a missing Date, Time or Repeat, an empty
/// Events, unchecked; a blank Date, Time or Repeat reads as "0".
QList<Reminder> ParseDataFile(const QByteArray& bytes);
/// Fills each row's What from the text file: the lines after the first "-N-" header up to the
/// next "==", joined by CRs; with no header for a row, from the first line of the file.
void ApplyTextFile(QList<Reminder>& rows, const QByteArray& bytes);

/// The first field of the row that a save and a load would not give back as it is, wherever the
/// row stands in the list (a Name holding the separator, a line break or a tab; a What line that
/// reads as "==" or as a block header), or nullopt when the whole row reads back as itself.
std::optional<Field> FieldNotReadingBack(const Reminder& r);
/// True when the row reads back as itself after a save and a load.
inline bool RowReadsBack(const Reminder& r)
{
    return !FieldNotReadingBack(r).has_value();
}
