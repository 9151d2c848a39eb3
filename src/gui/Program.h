#pragma once

#include <QByteArray>
#include <QStringList>
#include <memory>

class AlertAttention;
class Clock;
class HelpViewer;
class HostAddressSource;
class NotificationService;
class SessionEnd;
class SettingsStore;
class SoundOutput;
class TAboutDialog;
class TAlertDialog;
class TMainForm;
class TNewEditDialog;
class TOptionsDialog;
class TPocetakDialog;
class TSoundDialog;
class TrayBackend;

/// The pieces the program is built from; main() passes the real ones, tests their own.
struct ProgramSeams
{
    QString programFolder;
    QString programPath;
    QStringList arguments; // the command line after the program's own name
    const Clock* clock = nullptr;
    HostAddressSource* hostAddresses = nullptr;
    SettingsStore* settings = nullptr;
    SoundOutput* soundOutput = nullptr;
    HelpViewer* help = nullptr;
    TrayBackend* trayBackend = nullptr; // null: the desktop's own tray
    QString instanceName;               // the single-instance guard's name; empty: the program's own
    SessionEnd* session = nullptr;      // the session manager's requests; null: none
    /// The desktop's notification server; null: alerts post no notices.
    NotificationService* notifications = nullptr;
};

/// The program's windows, created once each in their order and kept until the program ends.
class ProgramWindows
{
public:
    explicit ProgramWindows(const ProgramSeams& seams);
    ~ProgramWindows();

    /// False when the single-instance guard ended this start: nothing else was created.
    bool created() const { return m_created; }
    /// The splash has run its time: the main window shows, or with "/s" the tray icon instead.
    void finishSplash();
    /// After the splash: the engine's timer, the connection detector and, with "/s", the start-up scan.
    void startRunning();
    /// The splash for its three seconds, then startRunning(); false when the program ended meanwhile.
    bool runSplash();
    /// The end of the session (a termination signal, the session manager): the shutdown scan and the
    /// close. During the splash the splash gives way at once and the end follows.
    void endSession();
    /// A session checkpoint: the files are written; the session goes on. False when that failed.
    bool saveSession();

    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TAlertDialog> alertDialog;
    std::unique_ptr<TNewEditDialog> newEditDialog;
    std::unique_ptr<TOptionsDialog> optionsDialog;
    std::unique_ptr<TSoundDialog> soundDialog;
    std::unique_ptr<TAboutDialog> aboutDialog;
    std::unique_ptr<TPocetakDialog> pocetakDialog;
    std::unique_ptr<AlertAttention> alertAttention;

private:
    enum class Phase {
        Created,
        Splash,
        Running,
    };
    Phase m_phase = Phase::Created;
    bool m_endAfterSplash = false;
    bool m_created = false;
};

/// The program's life over the given pieces: builds the windows, shows the splash for three
/// seconds, arms the timers and runs the message loop until the main window has closed. The
/// termination signals and the session manager's end of the session end it whenever they come,
/// from the first moment on. Returns the exit code.
int RunProgram(const ProgramSeams& seams);

/// The program entry after the application object exists, with the real pieces; sessionManager is
/// the X session manager's address (XsmpClient::takeAddress()), empty for none.
int RunProgram(const QStringList& arguments, const QByteArray& sessionManager);
