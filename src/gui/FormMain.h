#pragma once

#include "core/Clock.h"
#include "core/ReminderEngine.h"
#include "core/ReminderModel.h"
#include "core/ReminderStore.h"
#include "core/WakeScheduler.h"
#include "gui/NewEditD.h"
#include "gui/ProgramSeams.h"

#include <QMainWindow>
#include <memory>

class AlertAttention;
class QMenu;
class QTimer;
class TAboutDialog;
class TAlertDialog;
class TINetDetector;
class TOptionsDialog;
class TPrevInstance;
class TSoundDialog;
class TTrayIcon;

/// The main window: the reminder list, its commands, the timers and the triggers.
class TMainForm final : public QMainWindow, private AlertPresenter, private EventSoundSink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMainForm)

Q_SIGNALS:
    /// The window has closed for good, its files written: the program ends (and a close after that
    /// asks again).
    void closed();
    /// The shutdown reminders of an end of the session have all been answered and the files
    /// written: the session manager may be answered.
    void shutdownScanDone();

public:
    explicit TMainForm(ProgramSeams context, QWidget* parent = nullptr);
    ~TMainForm() override;

    /// Hands over the windows the entry creates after the main window.
    void setWindows(TAlertDialog* alert, TNewEditDialog* editor, TOptionsDialog* options, TSoundDialog* sounds,
                    TAboutDialog* about);

    /// What draws the user's eye to a shown alert: made with the alert window.
    AlertAttention* alertAttention() const { return m_attention.get(); }

    /// What the reminder editor needs of this window.
    NewEditHost editorHost();

    bool startedInTray() const { return m_startInTray; }
    /// True once the window has closed for good: the files are written and the program ends.
    bool isClosed() const { return m_closing; }
    ReminderModel& model() { return m_model; }
    ReminderEngine& engine() { return m_engine; }
    ReminderStore& store() { return m_store; }
    /// Timer and SecondTimer: the turns of the date and time scan and of the re-alert check.
    WakeScheduler& scheduler() { return m_wake; }

    /// The date and time engine stays off while the splash shows.
    void holdEngine();
    /// The splash has run its time: the window shows, or with "/s" the tray icon instead.
    void finishSplash();
    /// After the splash: the engine's Timer, the connection detector and, with "/s", StartupTimer.
    void startRunning();

    // What the timers run; the program's own ticks and the tests drive them alike.
    void TimerTimer();
    void SecondTimerTimer();
    void StartupTimerTimer();
    /// The end of the session: the shutdown scan, then the ordinary close. Never refuses, never
    /// blocks on a failing save. When the scan has already run for this end the close follows at
    /// once; while it runs, its alert closes unanswered and the close follows.
    void WMEndSession();
    /// The session is asked to end: the shutdown scan runs and the files are written
    /// (shutdownScanDone); the program waits for the end itself, or runs on if it is called off.
    void queryEndSession();
    /// The end of the session was called off: an alert that shows stays, shutdown alerts that have
    /// not shown yet are dropped, and the program runs on as before.
    void endSessionCancelled();

    /// The single-instance guard's handler: "another instance is running", with its help.
    static void PrevInstanceAllowedInstancesExceeded(Help& help);
    /// The launcher's "New reminder": the window comes forward and the editor opens; where a modal
    /// window already shows, that one comes forward instead.
    void openNewEditor();
    /// Shows text in the alert window, modally, for the row rowId; returns when the window has closed,
    /// true when the user answered it.
    bool ShowAlert(const QString& text, quint64 rowId);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The list, the buttons and the menus are wired to their handlers once; no member keeps them.
    void buildList(QWidget* central);
    void buildButtons(QWidget* central);
    void buildMenus();
    void buildTrayMenu();
    void buildTimers();
    void buildComponents();
    QTimer* makeTimer(const char* name, int interval, void (TMainForm::*handler)());
    /// Sets a timer going unless it already runs: enabling a running timer does not restart it. Every
    /// timer of this window is armed here.
    static void armTimer(QTimer* timer);

    // Commands
    void NewRAOLClick();
    void ViewAOLClick();
    void EditAOLClick();
    void DeleteAOLClick();
    void CloseAOLClick();
    void M_H_OptionsClick();
    void M_H_ContentsClick();
    void M_H_AboutClick();
    void Show1Click();
    void Exit1Click();
    void AppEventsMinimize();

    // Triggers only this window's own timers and components run
    void InetTimerTimer();
    void NetDetectorChanged();
    void PrevInstanceRaiseRequested();

    void FormCreate();
    void FormActivate(QList<Reminder>& rows);
    bool FormClose();
    void editRow(quint64 rowId);
    void autosave();
    /// Writes both files as the rows are to be saved; the failed path, or empty.
    QString saveRows();
    void finishShutdown();
    enum class Ending;
    bool startShutdownScan(Ending phase);
    void shutdownScanFinished();
    void holdEnd(const QString& reason);

    // AlertPresenter
    bool isAlertShowing() const override;
    bool showAlert(quint64 rowId) override;
    // EventSoundSink
    void playEventSound(QChar flag) override;

    ProgramSeams m_context;
    ReminderModel m_model;
    ReminderStore m_store;
    ReminderEngine m_engine;
    std::unique_ptr<WakeTimer> m_ownWakeTimer; // when the seams bring none: one that looks every second
    WakeScheduler m_wake;                      // where Timer and SecondTimer ticked

    QTimer* m_startupTimer = nullptr;
    QTimer* m_inetTimer = nullptr;
    QTimer* m_autosaveTimer = nullptr;
    QMenu* m_popMenu = nullptr;
    TINetDetector* m_netDetector = nullptr;
    TTrayIcon* m_trayIcon = nullptr;
    TPrevInstance* m_prevInstance = nullptr;

    TAlertDialog* m_alertDialog = nullptr;
    TNewEditDialog* m_newEditDialog = nullptr;
    TOptionsDialog* m_optionsDialog = nullptr;
    TSoundDialog* m_soundDialog = nullptr;
    TAboutDialog* m_aboutDialog = nullptr;
    std::unique_ptr<AlertAttention> m_attention;

    quint64 m_alertRowId = 0;
    bool m_startInTray = false;
    bool m_closing = false;
    enum class Ending {
        None,
        Scanning, // the shutdown scan of an end that may still be called off
        Scanned,  // its alerts answered, the files written: waiting for the end
        Closing,  // the close follows once the alerts are done
    };
    Ending m_ending = Ending::None;
};
