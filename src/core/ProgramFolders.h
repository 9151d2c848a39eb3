#pragma once

#include <QString>

// Where the program's files live. The program folder holds the program, its sounds and its help;
// the reminder files and sounds.ini live beside them where the user can write there (a portable
// folder, an install into the home folder), and in the user's own data folder where not (an
// install for every user of the machine).

/// The folder of the reminder files and sounds.ini: programFolder when it is the user's own and
/// writable, else userDataFolder + "/Nudgelark".
QString DataFolderFor(const QString& programFolder, const QString& userDataFolder);

/// Makes the data folder on its first use, with sounds.ini copied from the program folder (its
/// paths still pointing at the shipped sounds). Nothing to do when both are one folder. False when
/// the folder cannot be made.
bool PrepareDataFolder(const QString& dataFolder, const QString& programFolder);
