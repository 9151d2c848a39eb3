#pragma once

#include <QString>

/// The user's autostart entry: $XDG_CONFIG_HOME/autostart/nudgelark.desktop, else ~/.config/autostart/...
QString AutostartEntryPath();
bool AutostartEntryExists();
/// Writes or replaces the entry that starts the program with " /s"; a folder that cannot be
/// written is left alone silently.
void WriteAutostartEntry(const QString& programPath);
void RemoveAutostartEntry();

/// The Exec value that starts programPath with "/s", quoted and escaped for a desktop entry.
QString BuildDesktopExec(const QString& programPath);
