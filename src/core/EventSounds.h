#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

/// The number of event kinds that have a sound of their own.
inline constexpr int EventSoundCount = 5;

/// The keys of section Sounds in sounds.ini, one per event kind in flag order "1" to "5":
/// DateTimeE, StartupE, ShutdownE, IConnectE, IDisConnectE.
const QStringList& SoundKeys();
/// The names of the shipped sound files, in the same order.
const QStringList& DefaultSoundFileNames();
/// The flag character of row 0..4 ("1".."5"); a null character for other rows.
QChar SoundFlag(int row);
/// The key of the event kind that flag names; empty for any flag other than "1" to "5".
QString SoundKeyForFlag(QChar flag);

/// sounds.ini in the program folder.
QString SoundsIniPath(const QString& programFolder);
/// The five stored paths in key order; a missing key, or a file that cannot be read, gives "".
QStringList ReadSoundPaths(const QString& iniPath);
/// Writes the five paths in key order (a missing entry as ""), keeping the rest of the file.
/// False when the file cannot be read or written.
bool WriteSoundPaths(const QString& iniPath, const QStringList& five);
/// The shipped sound of row 0..4: programFolder + "/sounds/" + its file name; empty for other rows.
QString DefaultSoundPath(const QString& programFolder, int row);
/// True when a regular file (or a link to one) exists at path; false for "", a folder, a missing file.
bool IsRegularSoundFile(const QString& path);
