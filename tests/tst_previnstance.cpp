#include "components/PrevInst.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral("test-");

// One simulated program instance: a guard with what its handler and quit saw.
struct Instance
{
    explicit Instance(TFoundAction handlerAction = TFoundAction::faRestoreAndQuit, bool changeAction = false)
        : guard(nullptr, kPrefix), raised(&guard, &TPrevInstance::RaiseRequested)
    {
        guard.OnAllowedInstancesExceeded = [this, handlerAction, changeAction](TPrevInstance* sender, int count,
                                                                               TFoundAction& action) {
            eventSender = sender;
            eventCounts.append(count);
            if (changeAction) {
                action = handlerAction;
            }
        };
        guard.quitHook = [this] { ++quits; };
    }

    TPrevInstance guard;
    QSignalSpy raised;
    QList<int> eventCounts;
    TPrevInstance* eventSender = nullptr;
    int quits = 0;
};

// Waits until target has served a connection made now: it serves its connections in the order
// they come, so whatever an earlier connection asked of it has been done by then. The request is
// one the guard refuses (a line longer than any request), so it raises nothing itself.
bool servedSoFar(const Instance& target)
{
    QLocalSocket socket;
    socket.connectToServer(target.guard.slotName(target.guard.ownSlot()));
    if (!socket.waitForConnected(5000)) {
        return false;
    }
    socket.write(QByteArray(1000, 'x'));
    return socket.waitForBytesWritten(5000) &&
           QTest::qWaitFor([&socket] { return socket.state() == QLocalSocket::UnconnectedState; }, 10000);
}

// A socket file with nobody listening, as a killed instance leaves it.
bool makeStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.size() >= qsizetype(sizeof(address.sun_path))) {
        ::close(fd);
        return false;
    }
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

} // namespace

class TestPrevInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void firstInstance_countOne_nothingHappens();
    void secondInstance_eventWithTwo_otherRaised_quit();
    void handlerSetsNone_nothingRaised_keepsRunning();
    void handlerSetsRestore_otherRaised_keepsRunning();
    void handlerSetsQuit_quitWithoutRaise();
    void noHandler_actionStillCarriedOut();
    void threeInstances_countThree_lastMatchRaised();
    void allowedTwo_secondInstanceAllowed();
    void allowedBelowOne_quitWithoutAnyoneToRaise();
    void staleSocketFile_doesNotBlockStart();
    void endedInstance_slotFreeAgain();
    void titleDifferingInCase_notCounted();
    void namesHoldUserAndStayInPrivateFolder();
    void unknownRequest_ignored();
    void otherUsersInstance_notCounted();
    void simultaneousStarts_exactlyOneSurvives();
    void request_answeredByTheRunningInstance();
    void request_noInstance_notAnswered();

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
    QByteArray m_savedRuntime;
    QByteArray m_savedTmp;
};

void TestPrevInstance::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Nudgelark"));
}

void TestPrevInstance::init()
{
    QStandardPaths::setTestModeEnabled(true);
    m_runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid());
    QVERIFY(QFile::setPermissions(m_runtime->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    m_savedTmp = qgetenv("TMPDIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
}

void TestPrevInstance::cleanup()
{
    if (m_savedRuntime.isNull()) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else {
        qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
    }
    if (m_savedTmp.isNull()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", m_savedTmp);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Nudgelark"));
    m_runtime.reset();
}

void TestPrevInstance::firstInstance_countOne_nothingHappens()
{
    Instance first;
    QCOMPARE(first.guard.AllowedInstances(), 1);
    QCOMPARE(first.guard.FoundAction(), TFoundAction::faRestoreAndQuit);
    first.guard.CheckInstances();
    QCOMPARE(first.guard.instanceCount(), 1);
    QVERIFY(first.eventCounts.isEmpty());
    QCOMPARE(first.quits, 0);
    QCOMPARE(first.guard.ownSlot(), 0);
}

void TestPrevInstance::secondInstance_eventWithTwo_otherRaised_quit()
{
    Instance first;
    first.guard.CheckInstances();
    Instance second;
    second.guard.CheckInstances();

    QCOMPARE(second.eventCounts, QList<int>{2});
    QCOMPARE(second.eventSender, &second.guard);
    QCOMPARE(second.quits, 1);
    QCOMPARE(second.guard.ownSlot(), -1);
    QTRY_COMPARE_WITH_TIMEOUT(first.raised.count(), 1, 10000);
    QCOMPARE(second.raised.count(), 0);
    QVERIFY(first.eventCounts.isEmpty());
}

void TestPrevInstance::handlerSetsNone_nothingRaised_keepsRunning()
{
    Instance first;
    first.guard.CheckInstances();
    Instance second(TFoundAction::faNone, true);
    second.guard.CheckInstances();

    QCOMPARE(second.eventCounts, QList<int>{2});
    QCOMPARE(second.quits, 0);
    QCOMPARE(second.guard.FoundAction(), TFoundAction::faNone);
    QCOMPARE(second.guard.ownSlot(), 1);
    QVERIFY(servedSoFar(first));
    QCOMPARE(first.raised.count(), 0);
}

void TestPrevInstance::handlerSetsRestore_otherRaised_keepsRunning()
{
    Instance first;
    first.guard.CheckInstances();
    Instance second(TFoundAction::faRestore, true);
    second.guard.CheckInstances();

    QCOMPARE(second.quits, 0);
    QCOMPARE(second.guard.FoundAction(), TFoundAction::faRestore);
    QTRY_COMPARE_WITH_TIMEOUT(first.raised.count(), 1, 10000);
    QCOMPARE(second.guard.ownSlot(), 1);
}

void TestPrevInstance::handlerSetsQuit_quitWithoutRaise()
{
    Instance first;
    first.guard.CheckInstances();
    Instance second(TFoundAction::faQuit, true);
    second.guard.CheckInstances();

    QCOMPARE(second.quits, 1);
    QVERIFY(servedSoFar(first));
    QCOMPARE(first.raised.count(), 0);
}

void TestPrevInstance::noHandler_actionStillCarriedOut()
{
    Instance first;
    first.guard.CheckInstances();
    TPrevInstance second(nullptr, kPrefix);
    int quits = 0;
    second.quitHook = [&quits] { ++quits; };
    second.setFoundAction(TFoundAction::faRestore);
    second.CheckInstances();
    QCOMPARE(second.instanceCount(), 2);
    QCOMPARE(quits, 0);
    QTRY_COMPARE_WITH_TIMEOUT(first.raised.count(), 1, 10000);
}

void TestPrevInstance::threeInstances_countThree_lastMatchRaised()
{
    Instance first;
    first.guard.CheckInstances();
    Instance second(TFoundAction::faNone, true);
    second.guard.CheckInstances();
    QCOMPARE(second.guard.ownSlot(), 1);

    Instance third;
    third.guard.CheckInstances();
    QCOMPARE(third.eventCounts, QList<int>{3});
    QCOMPARE(third.quits, 1);
    QTRY_COMPARE_WITH_TIMEOUT(second.raised.count(), 1, 10000);
    QVERIFY(servedSoFar(first));
    QCOMPARE(first.raised.count(), 0);
}

void TestPrevInstance::allowedTwo_secondInstanceAllowed()
{
    Instance first;
    first.guard.CheckInstances();
    Instance second;
    second.guard.setAllowedInstances(2);
    second.guard.CheckInstances();
    QCOMPARE(second.guard.instanceCount(), 2);
    QVERIFY(second.eventCounts.isEmpty());
    QCOMPARE(second.quits, 0);
    QCOMPARE(second.guard.ownSlot(), 1);
}

void TestPrevInstance::allowedBelowOne_quitWithoutAnyoneToRaise()
{
    Instance only;
    only.guard.setAllowedInstances(0);
    only.guard.CheckInstances();
    QCOMPARE(only.eventCounts, QList<int>{1});
    QCOMPARE(only.quits, 1);
    QCOMPARE(only.raised.count(), 0);
}

void TestPrevInstance::staleSocketFile_doesNotBlockStart()
{
    Instance probe;
    const QString slot0 = probe.guard.slotName(0);
    QVERIFY2(makeStaleSocket(slot0), qPrintable(slot0));

    Instance first;
    first.guard.CheckInstances();
    QCOMPARE(first.guard.instanceCount(), 1);
    QVERIFY(first.eventCounts.isEmpty());
    QCOMPARE(first.guard.ownSlot(), 0);

    // The name is alive again: a second instance finds the first there.
    Instance second;
    second.guard.CheckInstances();
    QCOMPARE(second.eventCounts, QList<int>{2});
    QTRY_COMPARE_WITH_TIMEOUT(first.raised.count(), 1, 10000);
}

void TestPrevInstance::endedInstance_slotFreeAgain()
{
    QString slot0;
    {
        Instance first;
        first.guard.CheckInstances();
        slot0 = first.guard.slotName(0);
        QVERIFY(QFileInfo::exists(slot0));
    }
    Instance next;
    next.guard.CheckInstances();
    QCOMPARE(next.guard.instanceCount(), 1);
    QCOMPARE(next.guard.ownSlot(), 0);
}

void TestPrevInstance::titleDifferingInCase_notCounted()
{
    Instance first;
    first.guard.CheckInstances();
    const QString firstName = first.guard.slotName(0);
    QCoreApplication::setApplicationName(QStringLiteral("nudgelark"));
    Instance second;
    second.guard.CheckInstances();
    QCOMPARE(second.guard.instanceCount(), 1);
    QVERIFY(second.eventCounts.isEmpty());
    QVERIFY(second.guard.slotName(0) != firstName);
}

void TestPrevInstance::namesHoldUserAndStayInPrivateFolder()
{
    Instance first;
    first.guard.CheckInstances();
    const QString name = first.guard.slotName(0);
    QVERIFY2(name.startsWith(m_runtime->path() + u'/'), qPrintable(name));
    QVERIFY(name.contains(QString::number(::getuid())));
    QVERIFY(QFile::encodeName(name).size() < 104);
    const QFile::Permissions permissions = QFileInfo(name).permissions();
    QVERIFY(!(permissions & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)));

    // A folder that others can enter is not used for the names.
    QVERIFY(QFile::setPermissions(m_runtime->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ReadOther | QFile::ExeOther));
    QVERIFY(!first.guard.slotName(0).startsWith(m_runtime->path() + u'/'));

    // A very long title still gives a usable socket name.
    QCoreApplication::setApplicationName(QString(300, u'N'));
    QVERIFY(QFile::encodeName(first.guard.slotName(15)).size() < 104);
}

void TestPrevInstance::unknownRequest_ignored()
{
    Instance first;
    first.guard.CheckInstances();
    QLocalSocket socket;
    socket.connectToServer(first.guard.slotName(0));
    QVERIFY(socket.waitForConnected(5000));
    socket.write("show me\nRAISE\nraise now\n");
    QVERIFY(socket.waitForBytesWritten(5000));
    QVERIFY(servedSoFar(first));
    QCOMPARE(first.raised.count(), 0);
    socket.write("raise\n");
    QVERIFY(socket.waitForBytesWritten(5000));
    QTRY_COMPARE_WITH_TIMEOUT(first.raised.count(), 1, 10000);
}

void TestPrevInstance::otherUsersInstance_notCounted()
{
    if (::getuid() != 0) {
        QSKIP("needs root to run a listener as another user");
    }
    // Without a private runtime folder the names go to the temporary folder, where another user
    // can put a socket of the very same name.
    QTemporaryDir shared;
    QVERIFY(shared.isValid());
    QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(shared.path()));

    Instance first;
    const QByteArray path = QFile::encodeName(first.guard.slotName(0));
    QVERIFY(path.startsWith(QFile::encodeName(shared.path())));

    int ready[2];
    int release[2];
    QCOMPARE(::pipe(ready), 0);
    QCOMPARE(::pipe(release), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // Only plain system calls in the child.
        ::close(ready[0]);
        ::close(release[1]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::chmod(path.constData(), 0777) != 0 || ::listen(fd, 8) != 0) {
            ::_exit(3);
        }
        char byte = 'r';
        [[maybe_unused]] ssize_t written = ::write(ready[1], &byte, 1);
        [[maybe_unused]] ssize_t got = ::read(release[0], &byte, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char byte = 0;
    const bool childReady = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);

    if (childReady) {
        first.guard.CheckInstances();
    }
    ::close(release[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    QVERIFY2(childReady, qPrintable(QStringLiteral("child status %1").arg(status)));

    QCOMPARE(first.guard.instanceCount(), 1);
    QVERIFY(first.eventCounts.isEmpty());
    QCOMPARE(first.quits, 0);
    // The other user's name is left alone; this instance takes the next slot.
    QCOMPARE(first.guard.ownSlot(), 1);
}

namespace {

// Starts of the guard in separate processes: this test program run with --start-child (a start
// that waits for "go" on its input, then says "alive" or "quit") or --request-child REQUEST.
QProcess* startChild(const QString& runtime, const QStringList& arguments, QObject* parent)
{
    auto* child = new QProcess(parent);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    child->setProcessEnvironment(environment);
    child->start(QCoreApplication::applicationFilePath(), arguments);
    return child;
}

} // namespace

void TestPrevInstance::simultaneousStarts_exactlyOneSurvives()
{
    constexpr int kStarts = 10;
    constexpr int kRounds = 16;
    QList<int> survivors;
    for (int round = 0; round < kRounds; ++round) {
        QObject scope;
        QList<QProcess*> starts;
        for (int i = 0; i < kStarts; ++i) {
            starts.append(startChild(m_runtime->path(), {QStringLiteral("--start-child")}, &scope));
        }
        // Every start waits at the line, then all go at once.
        for (QProcess* start : starts) {
            QVERIFY(start->waitForStarted(30000));
            QVERIFY(QTest::qWaitFor([start] { return start->canReadLine(); }, 60000));
            QCOMPARE(start->readLine(), QByteArray("ready\n"));
        }
        for (QProcess* start : starts) {
            start->write("go\n");
        }
        int alive = 0;
        for (QProcess* start : starts) {
            QVERIFY(QTest::qWaitFor([start] { return start->canReadLine(); }, 60000));
            const QByteArray said = start->readLine();
            QVERIFY2(said == "alive\n" || said == "quit\n", said.constData());
            alive += said == "alive\n" ? 1 : 0;
        }
        for (QProcess* start : starts) {
            start->closeWriteChannel();
            QVERIFY(start->state() == QProcess::NotRunning || start->waitForFinished(30000));
        }
        survivors.append(alive);
    }
    QString counts;
    for (const int alive : survivors) {
        counts += QString::number(alive) + u' ';
    }
    qInfo("instances left running in each round of %d simultaneous starts: %s", kStarts, qPrintable(counts));
    QCOMPARE(survivors, QList<int>(kRounds, 1));
}

void TestPrevInstance::request_answeredByTheRunningInstance()
{
    Instance first;
    QList<QByteArray> requests;
    first.guard.requestHandler = [&requests](const QByteArray& request) -> QByteArray {
        requests.append(request);
        return QByteArray("answer to ") + request;
    };
    first.guard.CheckInstances();
    // A request with a line break and bytes beyond ASCII, and one longer than a raise.
    const QByteArray request = QByteArray("add\nTea \xc3\xa4") + QByteArray(200, 'x');
    QProcess* asker = startChild(m_runtime->path(),
                                 {QStringLiteral("--request-child"), QString::fromLatin1(request.toBase64())}, this);
    QVERIFY(QTest::qWaitFor([asker] { return asker->state() == QProcess::NotRunning; }, 60000));
    QCOMPARE(asker->exitCode(), 0);
    QCOMPARE(requests, QList<QByteArray>{request});
    QCOMPARE(QByteArray::fromBase64(asker->readAllStandardOutput().trimmed()), QByteArray("answer to ") + request);
    QCOMPARE(first.raised.count(), 0);
    delete asker;
}

void TestPrevInstance::request_noInstance_notAnswered()
{
    Instance asker;
    QByteArray answer = "untouched";
    QVERIFY(!asker.guard.sendRequest("list", answer, 5000));
    QCOMPARE(answer, QByteArray("untouched"));
}

namespace {

int startChildMain()
{
    TPrevInstance guard(nullptr, kPrefix);
    guard.quitHook = [] {
        std::cout << "quit" << std::endl;
        std::_Exit(0);
    };
    guard.OnAllowedInstancesExceeded = [](TPrevInstance*, int, TFoundAction&) {};
    std::cout << "ready" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    guard.CheckInstances();
    std::cout << "alive" << std::endl;
    // Listening on until the test closes the input; the kernel takes the others' connections.
    while (std::getline(std::cin, line)) {
    }
    return 0;
}

int requestChildMain(const QByteArray& request)
{
    TPrevInstance guard(nullptr, kPrefix);
    QByteArray answer;
    if (!guard.sendRequest(QByteArray::fromBase64(request), answer, 30000)) {
        return 1;
    }
    std::cout << answer.toBase64().constData() << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Nudgelark"));
    if (argc >= 2 && std::strcmp(argv[1], "--start-child") == 0) {
        return startChildMain();
    }
    if (argc >= 3 && std::strcmp(argv[1], "--request-child") == 0) {
        return requestChildMain(argv[2]);
    }
    TestPrevInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_previnstance.moc"
