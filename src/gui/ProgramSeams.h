#pragma once

#include <QString>
#include <QStringList>

class Clock;
class Help;
class HostAddressSource;
class NotificationService;
class SessionEnd;
class SettingsStore;
class SoundOutput;
class TPrevInstance;
class TrayBackend;
class WakeTimer;

/// The pieces the program is built from: main() passes the real ones, tests their own. The
/// pointers are never null unless said otherwise.
struct ProgramSeams
{
    QString programFolder; // the sounds and the help
    QString dataFolder;    // the reminder files and sounds.ini; empty: the program folder
    QString programPath;
    QStringList arguments; // the command line after the program's own name
    const Clock* clock = nullptr;
    HostAddressSource* hostAddresses = nullptr;
    SettingsStore* settings = nullptr;
    SoundOutput* soundOutput = nullptr;
    Help* help = nullptr;
    TrayBackend* trayBackend = nullptr; // null: the desktop's own tray
    WakeTimer* wakeTimer = nullptr;     // null: one that looks every second on clock
    QString instanceName;               // the single-instance guard's name; empty: the program's own
    SessionEnd* session = nullptr;      // the session manager's requests; null: none
    /// The single-instance guard, checked before the windows are built; the main window comes
    /// forward when another instance asks it to. Null: none.
    TPrevInstance* instanceGuard = nullptr;
    /// The desktop's notification server; null: alerts post no notices.
    NotificationService* notifications = nullptr;
    /// Opens the reminder editor once the program runs (the launcher's "New reminder").
    bool openEditor = false;

    QString dataFolderOrProgram() const { return dataFolder.isEmpty() ? programFolder : dataFolder; }
};
