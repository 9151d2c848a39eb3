#include "app/Application.h"
#include "app/CommandRun.h"
#include "core/Clock.h"
#include "platform/DesktopNotifications.h"
#include "platform/GnomeSessionClient.h"
#include "platform/HelpViewer.h"
#include "platform/InterfaceAddressSource.h"
#include "platform/LogindShutdownLock.h"
#include "platform/QSettingsStore.h"
#include "platform/QtSoundOutput.h"
#include "platform/SessionEnd.h"
#include "platform/WallClockTimer.h"
#ifdef NUDGELARK_XSMP
#include "platform/XsmpClient.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

int main(int argc, char** argv)
{
    // The commands that need no window run before any application object exists: no display needed.
    Command command;
    if (const std::optional<int> code = RunCommandLine(argc, argv, command)) {
        return *code;
    }

    // The media framework reports a missing audio server on every sound; the program plays on
    // without one, so that is no news for the user's terminal or journal.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.multimedia*=false"));
#ifdef NUDGELARK_XSMP
    // Taken before the application object exists, so that Qt does not speak to the session manager too.
    const QByteArray sessionManager = XsmpClient::takeAddress();
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nudgelark"));
    QApplication::setApplicationVersion(QStringLiteral(NUDGELARK_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nudgelark.png")));
    // The program ends only through the main window's close, which saves the reminders.
    QApplication::setQuitOnLastWindowClosed(false);

    // The real pieces the program is built from.
    SystemClock clock;
    // Wakes on the wall clock: on time after a suspend, and at once when the clock is set.
    const std::unique_ptr<WakeTimer> wakeTimer = CreateWakeTimer(clock);
    InterfaceAddressSource addresses;
    QSettingsStore settings;
    QtSoundOutput soundOutput;
    const QString folder = QCoreApplication::applicationDirPath();
    HelpViewer help(folder + QStringLiteral("/help"));
    SessionEnd session;
    DesktopNotifications notifications;
    notifications.setIcon(folder + QStringLiteral("/nudgelark.png"), QImage(QStringLiteral(":/nudgelark.png")));
    // GNOME's session manager speaks XSMP as well: the program is its client once, over D-Bus.
    GnomeSessionClient gnomeSession(session, QStringLiteral("nudgelark"));
#ifdef NUDGELARK_XSMP
    XsmpClient xsmp(gnomeSession.isConnected() ? QByteArray() : sessionManager, session);
#endif
    // Where no session manager speaks to the program, the machine's shutdown still shows its reminders.
    std::unique_ptr<LogindShutdownLock> shutdownLock;
    if (!session.hasLink()) {
        shutdownLock = std::make_unique<LogindShutdownLock>(session);
    }

    ProgramSeams seams;
    seams.programFolder = folder;
    seams.dataFolder = PreparedDataFolder(folder);
    seams.openEditor = command.kind == CommandKind::New;
    seams.programPath = QCoreApplication::applicationFilePath();
    seams.arguments = QCoreApplication::arguments().mid(1);
    seams.clock = &clock;
    seams.wakeTimer = wakeTimer.get();
    seams.hostAddresses = &addresses;
    seams.settings = &settings;
    seams.soundOutput = &soundOutput;
    seams.help = &help;
    seams.session = &session;
    seams.notifications = &notifications;
    return RunProgram(seams);
}
