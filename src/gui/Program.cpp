#include "Program.h"

#include "components/INetDetector.h"
#include "components/TrayIcon.h"
#include "gui/AboutD.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "gui/OptionsD.h"
#include "gui/PocetakD.h"
#include "gui/SoundD.h"

#include <cstdio>

ProgramWindows::ProgramWindows(const ProgramSeams& seams)
{
    m_mainForm = std::make_unique<TMainForm>(seams);
    TMainForm* owner = m_mainForm.get();
    // The alert is a window of its own, tied to no other: it must come up on screen when the main
    // window is hidden in the tray or minimised (a child of a minimised window stays out of sight).
    m_alertDialog = std::make_unique<TAlertDialog>();
    m_newEditDialog = std::make_unique<TNewEditDialog>(m_mainForm->editorHost(), owner);
    m_soundDialog = std::make_unique<TSoundDialog>(seams.programFolder, seams.dataFolderOrProgram(), *seams.soundOutput,
                                                   *seams.help, owner);
    m_optionsDialog =
        std::make_unique<TOptionsDialog>(*seams.settings, m_soundDialog.get(), *seams.help, seams.programPath, owner);
    m_aboutDialog = std::make_unique<TAboutDialog>(owner);
    m_pocetakDialog = std::make_unique<TPocetakDialog>();
    m_mainForm->setWindows(m_alertDialog.get(), m_newEditDialog.get(), m_optionsDialog.get(), m_soundDialog.get(),
                         m_aboutDialog.get());
    m_pocetakDialog->setOnFinished([this] { finishSplash(); });
}

ProgramWindows::~ProgramWindows()
{
    // The dialogs are the main window's children on screen only: they go first.
    m_pocetakDialog.reset();
    m_aboutDialog.reset();
    m_optionsDialog.reset();
    m_soundDialog.reset();
    m_newEditDialog.reset();
    m_alertDialog.reset();
}

void ProgramWindows::finishSplash()
{
    m_mainForm->finishSplash();
}

void ProgramWindows::startRunning()
{
    m_mainForm->startRunning();
}

bool ProgramWindows::runSplash()
{
    if (m_mainForm->isClosed()) {
        return false;
    }
    m_mainForm->holdEngine();
    m_phase = Phase::Splash;
    m_pocetakDialog->showSplash();
    m_phase = Phase::Running;
    if (m_endAfterSplash) {
        m_endAfterSplash = false;
        m_mainForm->WMEndSession();
    }
    // The timers start only after the splash has run its time: never with no window on screen.
    if (m_mainForm->isClosed() || !m_pocetakDialog->hasFinished()) {
        return false;
    }
    startRunning();
    if (m_queryAfterSplash) {
        m_queryAfterSplash = false;
        m_mainForm->queryEndSession();
    }
    return true;
}

void ProgramWindows::endSession()
{
    if (m_phase == Phase::Splash) {
        // The splash's loop is left first, so that the shutdown alerts do not show under it.
        m_endAfterSplash = true;
        m_pocetakDialog->endNow();
        return;
    }
    m_mainForm->WMEndSession();
}

void ProgramWindows::queryEndSession()
{
    if (m_phase != Phase::Running) {
        // The end may still be called off: the splash runs its time, and the program its start.
        m_queryAfterSplash = true;
        return;
    }
    m_mainForm->queryEndSession();
}

void ProgramWindows::endSessionCancelled()
{
    m_queryAfterSplash = false;
    m_mainForm->endSessionCancelled();
}

bool ProgramWindows::saveSession()
{
    const QString failed = m_mainForm->store().save(m_mainForm->engine().rowsToSave());
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "nudgelark: Cannot create file %s\n", qPrintable(failed));
        return false;
    }
    return true;
}
