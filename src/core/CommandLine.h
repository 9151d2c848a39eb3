#pragma once

#include "Reminder.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>

#include <optional>

// The program's command line: "/s" and the toolkit's own options start the program as always;
// GNU-style options print the usage or the version, add a reminder, list them, or bring the
// running program's window or its editor up. A reminder added here is the row the editor's OK
// would write for the same choices, refused by the same rules in the same words.

/// What the command line asks for.
enum class CommandKind { Run, Help, Version, Add, List, Show, New };

/// A read command line.
struct Command
{
    CommandKind kind = CommandKind::Run;
    Reminder row;  ///< Add: the row to append
    QString error; ///< not empty when the command line is refused: why, in one line
};

/// Reads the arguments after the program's name at the instant now. Arguments without one that
/// begins with "--" (or "-h") run the program as they always did.
Command ParseCommandLine(const QStringList& arguments, const QDateTime& now);

/// The usage text of --help.
QString UsageText();

/// Seconds of a duration like "20m", "1h30m", "45s" or "2d" (days, hours, minutes, seconds in that
/// order, each at most once); nullopt for anything else, a zero duration included.
std::optional<qint64> ParseDuration(QStringView text);

/// One line of --list: the name, when the reminder fires and "done" or "not done", separated by tabs.
QString ListLine(const Reminder& r);

/// A command as the running program receives it over its single-instance channel.
QByteArray EncodeRequest(const Command& command);
/// The command of a request; nullopt for anything that is not one (an added row that would not
/// read back from the data files included).
std::optional<Command> DecodeRequest(const QByteArray& request);

/// The running program's answer: whether it did what was asked, and the text for the asker.
struct CommandAnswer
{
    bool ok = false;
    QString text;
};
QByteArray EncodeAnswer(const CommandAnswer& answer);
CommandAnswer DecodeAnswer(const QByteArray& bytes);
