#include "Program.h"

#include "components/INetDetector.h"
#include "components/TrayIcon.h"
#include "core/Clock.h"
#include "gui/AboutD.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "gui/OptionsD.h"
#include "gui/PocetakD.h"
#include "gui/SoundD.h"
#include "platform/HelpViewer.h"
#include "platform/InterfaceAddressSource.h"
#include "platform/QSettingsStore.h"
#include "platform/QtSoundOutput.h"
#include "platform/SessionEnd.h"
#include "platform/TerminationSignals.h"
#ifdef NUDGELARK_XSMP
#include "platform/XsmpClient.h"
#endif

#include <QApplication>
#include <QTimer>
#include <cstdio>

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
    pocetakDialog->setOnFinished([this] { finishSplash(); });
    m_created = true;
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
    if (!m_created || mainForm->isClosed()) {
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
    if (!m_created) {
        return;
    }
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
    if (!m_created) {
        return true;
    }
    const QString failed = mainForm->store().save(mainForm->model().rows());
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "nudgelark: Cannot create file %s\n", qPrintable(failed));
        return false;
    }
    return true;
}

int RunProgram(const ProgramSeams& seams)
{
    // Watched from the first moment: an end asked for while the windows are still being made is
    // carried out as soon as they are there.
    TerminationSignals signalWatcher;
    std::unique_ptr<ProgramWindows> windows;
    bool endPending = false;
    QObject scope; // the connections below live as long as this run
    const auto endSession = [&windows, &endPending] {
        if (windows) {
            windows->endSession();
        } else {
            endPending = true;
        }
    };
    QObject::connect(&signalWatcher, &TerminationSignals::terminationRequested, &scope,
                     [endSession](int) { endSession(); });
    if (SessionEnd* session = seams.session) {
        // The session manager's answer waits until the program's last work is done: the session
        // object gives it when it is destroyed, after the files have been written.
        QObject::connect(session, &SessionEnd::endRequested, &scope, [session, endSession](bool) {
            session->holdAnswer();
            endSession();
        });
        QObject::connect(session, &SessionEnd::saveRequested, &scope, [session, &windows] {
            if (windows && !windows->saveSession()) {
                session->reportSaveFailed();
            }
        });
    }

    // The start itself runs inside the message loop, so that the end of the program, whenever it
    // comes, ends that loop; before the loop runs, QCoreApplication::exit() does nothing.
    QTimer::singleShot(0, &scope, [&] {
        windows = std::make_unique<ProgramWindows>(seams);
        if (!windows->created()) {
            QCoreApplication::exit(0);
            return;
        }
        // exit(), not quit(): quit() asks every window to close, and one that refuses (an alert)
        // would keep the program running after its files were written for the last time.
        QObject::connect(windows->mainForm.get(), &TMainForm::closed, &scope, [] { QCoreApplication::exit(0); });
        if (endPending) {
            windows->endSession();
        }
        windows->runSplash();
    });
    return QCoreApplication::exec();
}

int RunProgram(const QStringList& arguments, const QByteArray& sessionManager)
{
    SystemClock clock;
    InterfaceAddressSource addresses;
    QSettingsStore settings;
    QtSoundOutput soundOutput;
    const QString folder = QCoreApplication::applicationDirPath();
    HelpViewer help(folder + QStringLiteral("/help"));
    SessionEnd session;
#ifdef NUDGELARK_XSMP
    XsmpClient xsmp(sessionManager, session);
#else
    Q_UNUSED(sessionManager);
#endif

    ProgramSeams seams;
    seams.programFolder = folder;
    seams.programPath = QCoreApplication::applicationFilePath();
    seams.arguments = arguments;
    seams.clock = &clock;
    seams.hostAddresses = &addresses;
    seams.settings = &settings;
    seams.soundOutput = &soundOutput;
    seams.help = &help;
    seams.session = &session;
    return RunProgram(seams);
}
