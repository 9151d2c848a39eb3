#pragma once

#include "gui/ProgramSeams.h"

#include <memory>

class TAboutDialog;
class TAlertDialog;
class TMainForm;
class TNewEditDialog;
class TOptionsDialog;
class TPocetakDialog;
class TSoundDialog;

class ProgramWindows
{
public:
    explicit ProgramWindows(const ProgramSeams& seams);
    ~ProgramWindows();

    /// The splash has run its time: the main window shows, or with "/s" the tray icon instead.
    void finishSplash();
    /// After the splash: the engine's timer, the connection detector and, with "/s", the start-up scan.
    void startRunning();
    /// The splash for its three seconds, then startRunning(); false when the program ended meanwhile.
    bool runSplash();
    /// The end of the session (a termination signal, the session manager): the shutdown scan and the
    /// close. During the splash the splash gives way at once and the end follows.
    void endSession();
    /// The session is asked to end: the shutdown scan, the files written, and the program waits for
    /// the end (mainForm()'s shutdownScanDone). During the splash it follows the splash.
    void queryEndSession();
    /// The end of the session was called off: the program runs on.
    void endSessionCancelled();
    /// A session checkpoint: the files are written; the session goes on. False when that failed.
    bool saveSession();

    TMainForm* mainForm() const { return m_mainForm.get(); }
    TAlertDialog* alertDialog() const { return m_alertDialog.get(); }
    TNewEditDialog* newEditDialog() const { return m_newEditDialog.get(); }
    TOptionsDialog* optionsDialog() const { return m_optionsDialog.get(); }
    TSoundDialog* soundDialog() const { return m_soundDialog.get(); }
    TAboutDialog* aboutDialog() const { return m_aboutDialog.get(); }

private:
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TAlertDialog> m_alertDialog;
    std::unique_ptr<TNewEditDialog> m_newEditDialog;
    std::unique_ptr<TOptionsDialog> m_optionsDialog;
    std::unique_ptr<TSoundDialog> m_soundDialog;
    std::unique_ptr<TAboutDialog> m_aboutDialog;
    std::unique_ptr<TPocetakDialog> m_pocetakDialog;

    enum class Phase {
        Created,
        Splash,
        Running,
    };
    Phase m_phase = Phase::Created;
    bool m_endAfterSplash = false;
    bool m_queryAfterSplash = false;
};
