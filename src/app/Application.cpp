#include "app/Application.h"

#include "components/PrevInst.h"
#include "core/CommandLine.h"
#include "gui/FormMain.h"
#include "gui/Program.h"
#include "platform/SessionEnd.h"
#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QTimer>

#include <cstdio>

#include <memory>

namespace {

/// One run of the program, from before its windows exist until its message loop has ended.
class ProgramRun
{
public:
    explicit ProgramRun(const ProgramSeams& seams);
    int exec();

private:
    void watchTheEnds();
    void start();
    bool passesInstanceGuard();
    void lockTheFiles();
    QByteArray answer(const QByteArray& request);
    void openEditor();
    void endSession();

    ProgramSeams m_seams;
    // Watched from the first moment: an end asked for while the windows are still being made is
    // carried out as soon as they are there.
    TerminationSignals m_signals;
    TPrevInstance m_guard;
    std::unique_ptr<QLockFile> m_filesLock;
    std::unique_ptr<ProgramWindows> m_windows;
    bool m_running = false;       // past the splash
    bool m_editorPending = false; // "New reminder" asked for before the program ran
    bool m_endPending = false;
    bool m_started = false;
    bool m_endedEarly = false;
    bool m_otherInstanceRuns = false;
    QObject m_scope; // the connections live as long as this run
};

ProgramRun::ProgramRun(const ProgramSeams& seams) : m_seams(seams), m_guard(nullptr, seams.instanceName)
{
    m_seams.instanceGuard = &m_guard;
    m_editorPending = seams.openEditor;
    m_guard.requestHandler = [this](const QByteArray& request) { return answer(request); };
    watchTheEnds();
}

void ProgramRun::watchTheEnds()
{
    QObject::connect(&m_signals, &TerminationSignals::terminationRequested, &m_scope, [this](int) { endSession(); });
    SessionEnd* session = m_seams.session;
    if (!session) {
        return;
    }
    // The end of the session asks first: the shutdown reminders run, and the session manager is
    // answered once they are done; then the session ends, or goes on with the program.
    QObject::connect(session, &SessionEnd::endQueried, &m_scope, [this](bool) {
        if (m_windows) {
            m_windows->queryEndSession();
        } else {
            m_endPending = true;
        }
    });
    QObject::connect(session, &SessionEnd::endCancelled, &m_scope, [this] {
        if (m_windows) {
            m_windows->endSessionCancelled();
        }
    });
    QObject::connect(session, &SessionEnd::quitRequested, &m_scope, [this] { endSession(); });
    QObject::connect(session, &SessionEnd::saveRequested, &m_scope, [this, session] {
        if (m_windows && !m_windows->saveSession()) {
            session->reportSaveFailed();
        }
    });
}

void ProgramRun::endSession()
{
    if (m_windows) {
        m_windows->endSession();
    } else if (m_started) {
        // A message of the start ("another instance", "Cannot open file") waits for its OK: the
        // program ends at once, and writes nothing, since its list was never loaded whole.
        m_endedEarly = true;
        QCoreApplication::exit(0);
    } else {
        m_endPending = true;
    }
}

int ProgramRun::exec()
{
    // The start itself runs inside the message loop, so that the end of the program, whenever it
    // comes, ends that loop; before the loop runs, QCoreApplication::exit() does nothing.
    QTimer::singleShot(0, &m_scope, [this] { start(); });
    return QCoreApplication::exec();
}

void ProgramRun::start()
{
    m_started = true;
    if (!passesInstanceGuard() || m_endedEarly) {
        QCoreApplication::exit(0);
        return;
    }
    lockTheFiles();
    m_windows = std::make_unique<ProgramWindows>(m_seams);
    if (m_endedEarly) {
        return;
    }
    // exit(), not quit(): quit() asks every window to close, and one that refuses (an alert)
    // would keep the program running after its files were written for the last time.
    QObject::connect(m_windows->mainForm(), &TMainForm::closed, &m_scope, [] { QCoreApplication::exit(0); });
    if (SessionEnd* session = m_seams.session) {
        QObject::connect(m_windows->mainForm(), &TMainForm::shutdownScanDone, session, &SessionEnd::answer);
    }
    if (m_endPending) {
        m_windows->endSession();
    }
    m_running = m_windows->runSplash();
    if (m_running && m_editorPending) {
        QTimer::singleShot(0, &m_scope, [this] { openEditor(); });
    }
}

// The reminder files are this program's while it runs: a change made from the command line while
// no program ran is finished first, and none is made on the files while this one runs.
void ProgramRun::lockTheFiles()
{
    const QString folder = m_seams.dataFolderOrProgram();
    if (folder.isEmpty()) {
        return;
    }
    m_filesLock = std::make_unique<QLockFile>(ReminderStore(folder).lockPath());
    m_filesLock->setStaleLockTime(0);
    constexpr int kLockWaitMs = 20000;
    if (!m_filesLock->tryLock(kLockWaitMs) && m_filesLock->error() == QLockFile::LockFailedError) {
        std::fprintf(stderr, "nudgelark: %s stays locked by another process; starting all the same\n",
                     qPrintable(ReminderStore(folder).lockPath()));
    }
}

// What a command sent from the command line or the launcher asks of this running program.
QByteArray ProgramRun::answer(const QByteArray& request)
{
    const std::optional<Command> command = DecodeRequest(request);
    TMainForm* form = m_windows ? m_windows->mainForm() : nullptr;
    if (!command) {
        return EncodeAnswer({false, QStringLiteral("the running program did not understand the request")});
    }
    if (!form || form->isClosed()) {
        return EncodeAnswer({false, QStringLiteral("the running program is ending")});
    }
    switch (command->kind) {
    case CommandKind::Add:
        // Saved shortly after, as every change of the list is.
        form->model().append(command->row);
        return EncodeAnswer({true, QString()});
    case CommandKind::List: {
        QString lines;
        for (const Reminder& r : form->model().rows()) {
            lines += ListLine(r) + u'\n';
        }
        return EncodeAnswer({true, lines});
    }
    case CommandKind::Show:
        QTimer::singleShot(0, &m_scope, [this] { Q_EMIT m_guard.RaiseRequested(); });
        return EncodeAnswer({true, QString()});
    case CommandKind::New:
        if (m_running) {
            QTimer::singleShot(0, &m_scope, [this] { openEditor(); });
        } else {
            m_editorPending = true;
        }
        return EncodeAnswer({true, QString()});
    default:
        return EncodeAnswer({false, QStringLiteral("the running program did not understand the request")});
    }
}

void ProgramRun::openEditor()
{
    m_editorPending = false;
    if (m_windows && !m_windows->mainForm()->isClosed()) {
        m_windows->mainForm()->openNewEditor();
    }
}

// True when this instance may run on; a second one has shown its message and brought the
// running one forward.
bool ProgramRun::passesInstanceGuard()
{
    m_guard.OnAllowedInstancesExceeded = [this](TPrevInstance*, int, TFoundAction&) {
        TMainForm::PrevInstanceAllowedInstancesExceeded(*m_seams.help);
    };
    // The process ends through its message loop, which leaves the exit code to main().
    m_guard.quitHook = [this] { m_otherInstanceRuns = true; };
    m_guard.CheckInstances();
    return !m_otherInstanceRuns;
}

} // namespace

int RunProgram(const ProgramSeams& seams)
{
    ProgramRun run(seams);
    return run.exec();
}
