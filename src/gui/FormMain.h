#pragma once

#include "core/Clock.h"
#include "core/ReminderEngine.h"
#include "core/ReminderModel.h"
#include "core/ReminderStore.h"
#include "gui/NewEditD.h"
#include "gui/ProgramSeams.h"

#include <QMainWindow>
#include <QTimer>

class AlertAttention;
class QAction;
class QListView;
class QMenu;
class QPushButton;
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

public:
    explicit TMainForm(ProgramSeams context, QWidget* parent = nullptr);
    ~TMainForm() override;

    /// Hands over the windows the entry creates after the main window.
    void setWindows(TAlertDialog* alert, TNewEditDialog* editor, TOptionsDialog* options, TSoundDialog* sounds,
                    TAboutDialog* about);

    /// What draws the user's eye to a shown alert; null: nothing does.
    void setAlertAttention(AlertAttention* attention) { m_attention = attention; }

    /// What the reminder editor needs of this window.
    NewEditHost editorHost();

    bool startedInTray() const { return m_startInTray; }
    /// True once the window has closed for good: the files are written and the program ends.
    bool isClosed() const { return m_closing; }
    ReminderModel& model() { return m_model; }
    ReminderEngine& engine() { return m_engine; }
    ReminderStore& store() { return m_store; }

    QListView* LView;
    QPushButton* NewSB;
    QPushButton* ViewSB;
    QPushButton* EditSB;
    QPushButton* DeleteSB;
    QPushButton* CloseSB;
    QMenu* popMenu;
    QAction* Show1;
    QAction* Exit1;

    QTimer Timer;
    QTimer SecondTimer;
    QTimer StartupTimer;
    QTimer InetTimer;
    TINetDetector* NetDetector = nullptr;
    TTrayIcon* TrayIcon = nullptr;
    TPrevInstance* PrevInstance = nullptr;

    TAlertDialog* AlertDialog = nullptr;
    TNewEditDialog* NewEditDialog = nullptr;
    TOptionsDialog* OptionsDialog = nullptr;
    TSoundDialog* SoundDialog = nullptr;
    TAboutDialog* AboutDialog = nullptr;

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

    // Triggers
    void TimerTimer();
    void SecondTimerTimer();
    void StartupTimerTimer();
    void InetTimerTimer();
    void NetDetectorChanged();
    /// The end of the session: the shutdown scan, then the ordinary close. Never refuses, never
    /// blocks on a failing save.
    void WMEndSession();

    /// The single-instance guard's handler: "another instance is running", with its help.
    static void PrevInstanceAllowedInstancesExceeded(Help& help);
    /// Shows text in the alert window, modally, for the row rowId.
    void ShowAlert(const QString& text, quint64 rowId);
    /// Sets a QTimer going unless it already runs: enabling a running timer does not restart it.
    static void enableTimer(QTimer& timer);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormActivate(QList<Reminder>& rows);
    bool FormClose();
    void editRow(quint64 rowId);
    void autosave();
    void finishShutdown();

    // AlertPresenter
    bool isAlertShowing() const override;
    void showAlert(quint64 rowId) override;
    // EventSoundSink
    void playEventSound(QChar flag) override;

    ProgramSeams m_context;
    ReminderModel m_model;
    ReminderStore m_store;
    ReminderEngine m_engine;
    QTimer m_autosaveTimer;
    AlertAttention* m_attention = nullptr;
    quint64 m_alertRowId = 0;
    bool m_startInTray = false;
    bool m_closing = false;
    bool m_closeWhenIdle = false;
    bool m_sessionEnding = false;
};
