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
    mainForm = std::make_unique<TMainForm>(seams);
    TMainForm* owner = mainForm.get();
    alertDialog = std::make_unique<TAlertDialog>(owner);
    newEditDialog = std::make_unique<TNewEditDialog>(mainForm->editorHost(), owner);
    soundDialog = std::make_unique<TSoundDialog>(seams.programFolder, *seams.soundOutput, *seams.help, owner);
    optionsDialog =
        std::make_unique<TOptionsDialog>(*seams.settings, soundDialog.get(), *seams.help, seams.programPath, owner);
    aboutDialog = std::make_unique<TAboutDialog>(owner);
    pocetakDialog = std::make_unique<TPocetakDialog>();
    mainForm->setWindows(alertDialog.get(), newEditDialog.get(), optionsDialog.get(), soundDialog.get(),
                         aboutDialog.get());
    pocetakDialog->setOnFinished([this] { finishSplash(); });
}

ProgramWindows::~ProgramWindows()
{
    // The dialogs are the main window's children on screen only: they go first.
    pocetakDialog.reset();
    aboutDialog.reset();
    optionsDialog.reset();
    soundDialog.reset();
    newEditDialog.reset();
    alertDialog.reset();
}

void ProgramWindows::finishSplash()
{
    mainForm->finishSplash();
}

void ProgramWindows::startRunning()
{
    mainForm->startRunning();
}

bool ProgramWindows::runSplash()
{
    if (mainForm->isClosed()) {
        return false;
    }
    mainForm->holdEngine();
    m_phase = Phase::Splash;
    pocetakDialog->showSplash();
    m_phase = Phase::Running;
    if (m_endAfterSplash) {
        m_endAfterSplash = false;
        mainForm->WMEndSession();
    }
    // The timers start only after the splash has run its time: never with no window on screen.
    if (mainForm->isClosed() || !pocetakDialog->hasFinished()) {
        return false;
    }
    startRunning();
    return true;
}

void ProgramWindows::endSession()
{
    if (m_phase == Phase::Splash) {
        // The splash's loop is left first, so that the shutdown alerts do not show under it.
        m_endAfterSplash = true;
        pocetakDialog->endNow();
        return;
    }
    mainForm->WMEndSession();
}

bool ProgramWindows::saveSession()
{
    const QString failed = mainForm->store().save(mainForm->model().rows());
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "nudgelark: Cannot create file %s\n", qPrintable(failed));
        return false;
    }
    return true;
}
