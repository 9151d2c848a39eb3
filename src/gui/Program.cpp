#include "Program.h"

#include "components/INetDetector.h"
#include "components/TrayIcon.h"
#include "core/Clock.h"
#include "gui/AboutD.h"
#include "gui/AlertAttention.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "gui/OptionsD.h"
#include "gui/PocetakD.h"
#include "gui/SoundD.h"
#include "platform/DesktopNotifications.h"
#include "platform/HelpViewer.h"
#include "platform/InterfaceAddressSource.h"
#include "platform/QSettingsStore.h"
#include "platform/QtSoundOutput.h"
#include "platform/SessionEnd.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

ProgramWindows::ProgramWindows(const ProgramSeams& seams)
{
    MainFormContext context;
    context.programFolder = seams.programFolder;
    context.arguments = seams.arguments;
    context.clock = seams.clock;
    context.hostAddresses = seams.hostAddresses;
    context.help = seams.help;
    context.trayBackend = seams.trayBackend;
    context.instanceName = seams.instanceName;
    mainForm = std::make_unique<TMainForm>(context);
    if (mainForm->quitRequested()) {
        return;
    }
    TMainForm* owner = mainForm.get();
    alertDialog = std::make_unique<TAlertDialog>(owner);
    newEditDialog = std::make_unique<TNewEditDialog>(mainForm->editorHost(), owner);
    soundDialog = std::make_unique<TSoundDialog>(seams.programFolder, *seams.soundOutput, seams.help, owner);
    optionsDialog =
        std::make_unique<TOptionsDialog>(*seams.settings, soundDialog.get(), seams.help, seams.programPath, owner);
    aboutDialog = std::make_unique<TAboutDialog>(owner);
    pocetakDialog = std::make_unique<TPocetakDialog>();
    mainForm->setWindows(alertDialog.get(), newEditDialog.get(), optionsDialog.get(), soundDialog.get(),
                         aboutDialog.get());
    alertAttention = std::make_unique<AlertAttention>(*alertDialog, *mainForm->TrayIcon, seams.notifications);
    mainForm->setAlertAttention(alertAttention.get());
    pocetakDialog->onFinished = [this] { finishSplash(); };
    m_created = true;
}

ProgramWindows::~ProgramWindows()
{
    // The dialogs are the main window's children on screen only: they go first.
    alertAttention.reset();
    pocetakDialog.reset();
    aboutDialog.reset();
    optionsDialog.reset();
    soundDialog.reset();
    newEditDialog.reset();
    alertDialog.reset();
}

void ProgramWindows::finishSplash()
{
    mainForm->show();
    if (mainForm->startedInTray()) {
        mainForm->TrayIcon->setIconVisible(true);
        mainForm->TrayIcon->HideMainForm();
    }
}

void ProgramWindows::startRunning()
{
    TMainForm::enableTimer(mainForm->Timer);
    mainForm->NetDetector->setEnabled(true);
    if (mainForm->startedInTray()) {
        TMainForm::enableTimer(mainForm->StartupTimer);
    }
}

int RunProgram(QApplication& app, const QStringList& arguments)
{
    SystemClock clock;
    InterfaceAddressSource addresses;
    QSettingsStore settings;
    QtSoundOutput soundOutput;
    const QString folder = QCoreApplication::applicationDirPath();
    HelpViewer help(folder + QStringLiteral("/help"));
    DesktopNotifications notifications;

    ProgramSeams seams;
    seams.programFolder = folder;
    seams.programPath = QCoreApplication::applicationFilePath();
    seams.arguments = arguments;
    seams.clock = &clock;
    seams.hostAddresses = &addresses;
    seams.settings = &settings;
    seams.soundOutput = &soundOutput;
    seams.help = &help;
    seams.notifications = &notifications;
    ProgramWindows windows(seams);
    if (!windows.created()) {
        return 0;
    }
    TMainForm& mainForm = *windows.mainForm;

    // The end of the session: the session manager's request (X11) and the termination signals
    // (Wayland sessions, systemd, kill) both run the shutdown scan and the ordinary close.
    TerminationSignals signalWatcher;
    QObject::connect(&signalWatcher, &TerminationSignals::terminationRequested, &mainForm,
                     [&mainForm](int) { mainForm.WMEndSession(); });
    // The shutdown scan runs inside the session manager's request, so the answer goes after it;
    // alerts queued behind an open alert come later, the reminders having been saved first.
    SessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &SessionEnd::endRequested, &mainForm, [&mainForm](bool) { mainForm.WMEndSession(); });

    mainForm.Timer.stop();
    windows.pocetakDialog->Timer.start();
    windows.pocetakDialog->exec();
    windows.startRunning();
    return app.exec();
}
