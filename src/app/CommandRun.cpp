#include "app/CommandRun.h"

#include "components/PrevInst.h"
#include "core/Clock.h"
#include "core/ProgramFolders.h"
#include "core/ReminderStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace {

// The windowed program's guard, as a command sees it.
class ProgramChannel
{
public:
    explicit ProgramChannel(const QString& instanceName) : m_guard(nullptr, instanceName)
    {
        m_guard.setClassName(QStringLiteral("QApplication"));
    }
    bool send(const Command& command, CommandAnswer& answer)
    {
        QByteArray bytes;
        if (!m_guard.sendRequest(EncodeRequest(command), bytes)) {
            return false;
        }
        answer = DecodeAnswer(bytes);
        return true;
    }

private:
    TPrevInstance m_guard;
};

int onTheFiles(const Command& command, const QString& folder, QTextStream& out, QTextStream& err)
{
    ReminderStore store(folder);
    const ReminderStore::LoadResult loaded = store.load();
    if (loaded.status == ReminderStore::LoadStatus::Failed) {
        err << QStringLiteral("nudgelark: Cannot open file %1").arg(loaded.failedPath) << Qt::endl;
        return 1;
    }
    QList<Reminder> rows = loaded.rows;
    if (command.kind == CommandKind::List) {
        for (const Reminder& r : rows) {
            out << ListLine(r) << u'\n';
        }
        return 0;
    }
    rows.append(command.row);
    const QString failed = store.save(rows);
    if (!failed.isEmpty()) {
        err << QStringLiteral("nudgelark: Cannot create file %1").arg(failed) << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int RunFileCommand(const Command& command, const CommandPlace& place, QTextStream& out, QTextStream& err)
{
    ProgramChannel channel(place.instanceName);
    const QString lockPath = ReminderStore(place.dataFolder).lockPath();
    QLockFile lock(lockPath);
    // A running program holds the lock for as long as it runs: never stale while its holder lives.
    lock.setStaleLockTime(0);
    QDeadlineTimer deadline(place.lockWaitMs);
    for (;;) {
        CommandAnswer answer;
        if (channel.send(command, answer)) {
            if (!answer.ok) {
                err << "nudgelark: " << answer.text << Qt::endl;
                return 1;
            }
            out << answer.text;
            return 0;
        }
        // No program answers: the files are changed here, while nobody else may.
        if (lock.tryLock(100)) {
            return onTheFiles(command, place.dataFolder, out, err);
        }
        if (lock.error() != QLockFile::LockFailedError) {
            // A folder that takes no lock file (the files alone are writable): nobody else's lock
            // can be there either.
            return onTheFiles(command, place.dataFolder, out, err);
        }
        // Held by a program that is starting (it answers soon) or by another command.
        if (deadline.hasExpired()) {
            err << "nudgelark: " << lockPath << " is held by a process that does not answer; nothing was changed"
                << Qt::endl;
            return 1;
        }
    }
}

bool SendToRunningProgram(const Command& command, const CommandPlace& place)
{
    ProgramChannel channel(place.instanceName);
    CommandAnswer answer;
    return channel.send(command, answer) && answer.ok;
}

QString PreparedDataFolder(const QString& programFolder)
{
    const QString data =
        DataFolderFor(programFolder, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    if (!PrepareDataFolder(data, programFolder)) {
        std::fprintf(stderr, "nudgelark: cannot create the folder %s\n", qPrintable(data));
    }
    return data;
}

std::optional<int> RunCommandLine(int argc, char** argv, Command& command)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    command = ParseCommandLine(arguments, SystemClock().now());
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
    case CommandKind::Run:
        return std::nullopt;
    default:
        break;
    }
    // A plain application object: no display is needed to reach the files or the running program.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Nudgelark"));
    CommandPlace place;
    if (command.kind == CommandKind::Add || command.kind == CommandKind::List) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        place.dataFolder = PreparedDataFolder(QCoreApplication::applicationDirPath());
        return RunFileCommand(command, place, out, err);
    }
    // --show and --new: where no program runs, this process becomes it.
    if (SendToRunningProgram(command, place)) {
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("nudgelark: the program does not run, and there is no display to start it on\n", stderr);
        return 1;
    }
    return std::nullopt;
}
