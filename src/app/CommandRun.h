#pragma once

#include "core/CommandLine.h"

#include <QString>

#include <optional>

class QTextStream;

/// Where a command from the command line finds the reminders and the running program.
struct CommandPlace
{
    QString dataFolder;
    QString instanceName; ///< the single-instance guard's name; empty: the program's own
    int lockWaitMs = 20000;
};

/// Carries out --add or --list: through the running program when one answers, else on the files
/// in the data folder, under their lock. The list goes to out, what went wrong to err. Returns the
/// exit code: 0 when done, 1 when the reminders could not be read or written.
int RunFileCommand(const Command& command, const CommandPlace& place, QTextStream& out, QTextStream& err);

/// Hands --show or --new to the running program; false when none runs.
bool SendToRunningProgram(const Command& command, const CommandPlace& place);

/// What the command line asks for, carried out as far as it needs no window: the usage, the
/// version, a refusal (exit code 2), --add and --list, and --show and --new where a program runs.
/// Returns the exit code, or nullopt where this process is to start the program; command is what
/// was asked for.
std::optional<int> RunCommandLine(int argc, char** argv, Command& command);

/// The folder of the reminder files and sounds.ini for the program in programFolder, made on its
/// first use.
QString PreparedDataFolder(const QString& programFolder);
