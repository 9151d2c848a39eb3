#include "app/Application.h"
#include "app/CommandRun.h"
#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/ProgramFolders.h"
#include "platform/DesktopNotifications.h"
#include "platform/HelpViewer.h"
#include "platform/InterfaceAddressSource.h"
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
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace {

// The folder of the reminder files and sounds.ini, made on its first use.
QString dataFolder()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString data = DataFolderFor(folder, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    if (!PrepareDataFolder(data, folder)) {
        std::fprintf(stderr, "nudgelark: cannot create the folder %s\n", qPrintable(data));
    }
    return data;
}

// --add and --list need no window, so no display either.
int runFileCommand(int argc, char** argv, const Command& command)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Nudgelark"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandPlace place;
    place.dataFolder = dataFolder();
    return RunFileCommand(command, place, out, err);
}

// --show and --new reach a running program without a display of their own.
bool sentToRunningProgram(int argc, char** argv, const Command& command)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Nudgelark"));
    return SendToRunningProgram(command, CommandPlace());
}

} // namespace

int main(int argc, char** argv)
{
    // The command line is read before any application object exists: --help, --version, --add and
    // --list work without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const Command command = ParseCommandLine(arguments, SystemClock().now());
    if (!command.error.isEmpty()) {
        std::fprintf(stderr, "nudgelark: %s\nTry 'nudgelark --help' for more information.\n",
                     qPrintable(command.error));
        return 2;
    }
    switch (command.kind) {
    case CommandKind::Help:
        std::fputs(qPrintable(UsageText()), stdout);
        return 0;
    case CommandKind::Version:
        std::printf("Nudgelark %s\n", NUDGELARK_VERSION);
        return 0;
    case CommandKind::Add:
    case CommandKind::List:
        return runFileCommand(argc, argv, command);
    case CommandKind::Show:
    case CommandKind::New:
        // Where no program runs, this start becomes it.
        if (sentToRunningProgram(argc, argv, command)) {
            return 0;
        }
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            std::fputs("nudgelark: the program does not run, and there is no display to start it on\n", stderr);
            return 1;
        }
        break;
    default:
        break;
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
#ifdef NUDGELARK_XSMP
    XsmpClient xsmp(sessionManager, session);
#endif

    ProgramSeams seams;
    seams.programFolder = folder;
    seams.dataFolder = dataFolder();
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
