#include "platform/SessionEnd.h"
#include "platform/TerminationSignals.h"
#include "platform/XsmpClient.h"
#include "support/FakeSessionManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

class TestSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void raisedSignal_arrivesOnGuiThread_data();
    void raisedSignal_arrivesOnGuiThread();
    void twoSignals_bothArriveInOrder();
    void secondWatcher_inactiveWhileFirstLives();
    void destroyed_previousHandlerBack();

    void qtRequest_answeredOnlyAfterAnswer_thenTheProgramEnds();
    void qtRequest_secondWhileOpen_ignored();

    void checkpoint_savesAndGoesOn_data();
    void checkpoint_savesAndGoesOn();
    void shutdown_windowsWaitForTheGrant_answerWaitsForTheWork_endsOnDie();
    void shutdown_withoutWindowsAllowed_queriesAtOnce_data();
    void shutdown_withoutWindowsAllowed_queriesAtOnce();
    void shutdown_cancelledBeforeTheGrant_sessionGoesOn();
    void shutdown_cancelledDuringOrAfterTheWork_programGoesOn_data();
    void shutdown_cancelledDuringOrAfterTheWork_programGoesOn();
    void die_withoutShutdownSave_endsWithoutAnswer();
    void managerLost_amidTheEnd_programEndsAfterItsWork_data();
    void managerLost_amidTheEnd_programEndsAfterItsWork();
    void holdEnd_reachesTheManagerAndTheAnswerReleasesIt();
    void failedSave_answeredAsFailed();
    void destroyedWhileOpen_answersFirst();
    void managerDiesAfterSaveYourself_programLivesAndRunsItsEnd();
};

namespace {

// What a SessionEnd told the program, in order.
struct SessionLog
{
    explicit SessionLog(SessionEnd& session)
    {
        QObject::connect(&session, &SessionEnd::saveRequested, [this] { events.append(QStringLiteral("save")); });
        QObject::connect(&session, &SessionEnd::endQueried, [this](bool interaction) {
            events.append(interaction ? QStringLiteral("query with windows") : QStringLiteral("query"));
        });
        QObject::connect(&session, &SessionEnd::endCancelled, [this] { events.append(QStringLiteral("cancelled")); });
        QObject::connect(&session, &SessionEnd::quitRequested, [this] { events.append(QStringLiteral("quit")); });
    }
    QStringList events;
};

} // namespace

void TestSignals::raisedSignal_arrivesOnGuiThread_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestSignals::raisedSignal_arrivesOnGuiThread()
{
    QFETCH(int, signal);
    TerminationSignals watcher;
    QVERIFY(watcher.isActive());
    QList<int> received;
    QThread* receivedOn = nullptr;
    connect(&watcher, &TerminationSignals::terminationRequested, this, [&](int number) {
        received.append(number);
        receivedOn = QThread::currentThread();
    });
    QCOMPARE(std::raise(signal), 0);
    // The handler only writes to the socket; the notice comes through the event loop.
    QVERIFY(received.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 10000);
    QCOMPARE(received.first(), signal);
    QCOMPARE(receivedOn, QCoreApplication::instance()->thread());
}

void TestSignals::twoSignals_bothArriveInOrder()
{
    TerminationSignals watcher;
    QSignalSpy spy(&watcher, &TerminationSignals::terminationRequested);
    std::raise(SIGHUP);
    std::raise(SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 10000);
    QCOMPARE(spy.at(0).at(0).toInt(), int(SIGHUP));
    QCOMPARE(spy.at(1).at(0).toInt(), int(SIGTERM));
}

void TestSignals::secondWatcher_inactiveWhileFirstLives()
{
    TerminationSignals first;
    QSignalSpy firstSpy(&first, &TerminationSignals::terminationRequested);
    {
        TerminationSignals second;
        QVERIFY(!second.isActive());
    }
    // The inactive one put nothing back: the first still receives.
    std::raise(SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(firstSpy.count(), 1, 10000);
}

void TestSignals::destroyed_previousHandlerBack()
{
    struct sigaction before = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &before), 0);
    {
        TerminationSignals watcher;
        struct sigaction during = {};
        ::sigaction(SIGTERM, nullptr, &during);
        QVERIFY(during.sa_handler != before.sa_handler);
    }
    struct sigaction after = {};
    ::sigaction(SIGTERM, nullptr, &after);
    QVERIFY(after.sa_handler == before.sa_handler);
    // A new watcher works again after the first is gone.
    TerminationSignals again;
    QVERIFY(again.isActive());
    QSignalSpy spy(&again, &TerminationSignals::terminationRequested);
    std::raise(SIGINT);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
}

void TestSignals::qtRequest_answeredOnlyAfterAnswer_thenTheProgramEnds()
{
    SessionEnd session;
    SessionLog log(session);
    connect(&session, &SessionEnd::endQueried, this, [&] {
        // The shutdown reminders run from the event loop while the answer waits.
        QTimer::singleShot(300, this, [&] {
            log.events.append(QStringLiteral("work done"));
            session.answer();
        });
    });
    QElapsedTimer clock;
    clock.start();
    session.handleRequest(nullptr);
    log.events.append(QStringLiteral("answered"));
    QVERIFY(clock.elapsed() >= 250);
    // Qt's request tells no cancel: the program ends after it, from the event loop.
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 4, 10000);
    QCOMPARE(log.events, (QStringList{QStringLiteral("query"), QStringLiteral("work done"), QStringLiteral("answered"),
                                      QStringLiteral("quit")}));
}

void TestSignals::qtRequest_secondWhileOpen_ignored()
{
    SessionEnd session;
    int notices = 0;
    connect(&session, &SessionEnd::endQueried, this, [&] {
        ++notices;
        QTimer::singleShot(50, this, [&] { session.handleRequest(nullptr); });
        QTimer::singleShot(200, this, [&] { session.answer(); });
    });
    session.handleRequest(nullptr);
    QCOMPARE(notices, 1);
}

void TestSignals::checkpoint_savesAndGoesOn_data()
{
    QTest::addColumn<bool>("interactionPossible");
    QTest::newRow("windows allowed") << true;
    QTest::newRow("no windows") << false;
}

void TestSignals::checkpoint_savesAndGoesOn()
{
    QFETCH(bool, interactionPossible);
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    SessionLog log(session);
    connect(&session, &SessionEnd::endQueried, this, [&] { session.answer(); });
    session.handleSaveYourself(false, interactionPossible);
    QCOMPARE(log.events, QStringList{QStringLiteral("save")});
    QCOMPARE(manager.answers, QStringList{QStringLiteral("saved")});
    QVERIFY(!session.isQuerying());
    // The session went on: a second checkpoint is one more save, and the end still asks.
    session.handleSaveYourself(false, interactionPossible);
    session.handleSaveYourself(true, false);
    QCOMPARE(log.events, (QStringList{QStringLiteral("save"), QStringLiteral("save"), QStringLiteral("save"),
                                      QStringLiteral("query")}));
    QCOMPARE(manager.answers, (QStringList{QStringLiteral("saved"), QStringLiteral("saved"), QStringLiteral("saved")}));
}

void TestSignals::shutdown_windowsWaitForTheGrant_answerWaitsForTheWork_endsOnDie()
{
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    SessionLog log(session);
    session.handleSaveYourself(true, true);
    // The files are written before waiting for the turn to show windows.
    QCOMPARE(log.events, QStringList{QStringLiteral("save")});
    QCOMPARE(manager.answers, QStringList{QStringLiteral("interact?")});
    session.handleInteract();
    QCOMPARE(log.events, (QStringList{QStringLiteral("save"), QStringLiteral("query with windows")}));
    QVERIFY(session.isQuerying());
    QCOMPARE(manager.answers.size(), 1);
    // A stray grant or save request meanwhile starts nothing new.
    session.handleInteract();
    session.handleSaveYourself(true, true);
    QCOMPARE(log.events.size(), 2);
    session.answer();
    QCOMPARE(manager.answers,
             (QStringList{QStringLiteral("interact?"), QStringLiteral("interaction done"), QStringLiteral("saved")}));
    QVERIFY(!session.isQuerying());
    // The answer does not end the program: the manager's Die does.
    QCOMPARE(log.events.size(), 2);
    session.handleDie();
    session.handleDie();
    QCOMPARE(log.events.last(), QStringLiteral("quit"));
    QCOMPARE(log.events.size(), 3);
    QCOMPARE(manager.answers.size(), 3);
}

void TestSignals::shutdown_withoutWindowsAllowed_queriesAtOnce_data()
{
    QTest::addColumn<bool>("interactionPossible");
    QTest::addColumn<bool>("grantsRequests");
    QTest::newRow("interaction style none") << false << true;
    QTest::newRow("request could not go") << true << false;
}

void TestSignals::shutdown_withoutWindowsAllowed_queriesAtOnce()
{
    QFETCH(bool, interactionPossible);
    QFETCH(bool, grantsRequests);
    SessionEnd session;
    FakeSessionManager manager;
    manager.grantsRequests = grantsRequests;
    session.setLink(&manager);
    SessionLog log(session);
    connect(&session, &SessionEnd::endQueried, this, [&] { session.answer(); });
    session.handleSaveYourself(true, interactionPossible);
    QCOMPARE(log.events, (QStringList{QStringLiteral("save"), QStringLiteral("query")}));
    QCOMPARE(manager.answers.last(), QStringLiteral("saved"));
    QVERIFY(!manager.answers.contains(QStringLiteral("interaction done")));
}

void TestSignals::shutdown_cancelledBeforeTheGrant_sessionGoesOn()
{
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    SessionLog log(session);
    session.handleSaveYourself(true, true);
    session.handleShutdownCancelled();
    QCOMPARE(log.events, QStringList{QStringLiteral("save")});
    QCOMPARE(manager.answers, (QStringList{QStringLiteral("interact?"), QStringLiteral("saved")}));
    // A grant that comes late shows nothing; a later checkpoint is an ordinary one.
    session.handleInteract();
    session.handleSaveYourself(false, true);
    QCOMPARE(log.events, (QStringList{QStringLiteral("save"), QStringLiteral("save")}));
    QCOMPARE(manager.answers.size(), 3);
}

void TestSignals::shutdown_cancelledDuringOrAfterTheWork_programGoesOn_data()
{
    QTest::addColumn<bool>("answeredFirst");
    QTest::newRow("while the reminders show") << false;
    QTest::newRow("after the answer") << true;
}

void TestSignals::shutdown_cancelledDuringOrAfterTheWork_programGoesOn()
{
    QFETCH(bool, answeredFirst);
    FakeSessionManager manager; // outlives the session, which answers what is open as it goes
    SessionEnd session;
    session.setLink(&manager);
    SessionLog log(session);
    session.handleSaveYourself(true, true);
    session.handleInteract();
    if (answeredFirst) {
        session.answer();
    }
    session.handleShutdownCancelled();
    // Every request is answered once; the program is told to go on, never to end.
    QCOMPARE(manager.answers,
             (QStringList{QStringLiteral("interact?"), QStringLiteral("interaction done"), QStringLiteral("saved")}));
    QCOMPARE(log.events,
             (QStringList{QStringLiteral("save"), QStringLiteral("query with windows"), QStringLiteral("cancelled")}));
    session.answer(); // the reminders' end after the cancel sends nothing more
    QCOMPARE(manager.answers.size(), 3);
    // The next end of the session asks afresh.
    session.handleSaveYourself(true, true);
    session.handleInteract();
    QCOMPARE(log.events.last(), QStringLiteral("query with windows"));
    QCOMPARE(log.events.size(), 5);
}

void TestSignals::die_withoutShutdownSave_endsWithoutAnswer()
{
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    SessionLog log(session);
    session.handleDie();
    session.handleDie();
    QCOMPARE(log.events, QStringList{QStringLiteral("quit")});
    session.answer();
    // After Die nothing may be sent: there is no save request to answer.
    QVERIFY(manager.answers.isEmpty());
}

void TestSignals::managerLost_amidTheEnd_programEndsAfterItsWork_data()
{
    QTest::addColumn<int>("stage"); // 0: idle, 1: waiting for the grant, 2: reminders showing, 3: answered
    QTest::addColumn<QStringList>("events");
    const QString save = QStringLiteral("save");
    const QString query = QStringLiteral("query with windows");
    const QString quit = QStringLiteral("quit");
    QTest::newRow("while the session runs") << 0 << QStringList{};
    QTest::newRow("waiting for the turn to show windows") << 1 << QStringList{save, query, quit};
    QTest::newRow("while the reminders show") << 2 << QStringList{save, query, quit};
    QTest::newRow("after the answer") << 3 << QStringList{save, query, quit};
}

void TestSignals::managerLost_amidTheEnd_programEndsAfterItsWork()
{
    QFETCH(int, stage);
    QFETCH(QStringList, events);
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    SessionLog log(session);
    // The reminders take their time; their end answers.
    connect(&session, &SessionEnd::endQueried, this, [&] { QTimer::singleShot(0, &session, &SessionEnd::answer); });
    if (stage >= 1) {
        session.handleSaveYourself(true, true);
    }
    if (stage >= 2) {
        session.handleInteract();
    }
    if (stage >= 3) {
        QTRY_VERIFY_WITH_TIMEOUT(!session.isQuerying(), 10000);
    }
    const int answersBefore = int(manager.answers.size());
    session.handleManagerLost();
    QTRY_COMPARE_WITH_TIMEOUT(log.events, events, 10000);
    QVERIFY(!session.hasLink());
    QCOMPARE(manager.answers.size(), answersBefore); // nobody left to answer
}

void TestSignals::holdEnd_reachesTheManagerAndTheAnswerReleasesIt()
{
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    session.handleSaveYourself(true, true);
    session.handleInteract();
    session.holdEnd(QStringLiteral("Take the keys"));
    session.holdEnd(QStringLiteral("Lock the door"));
    QCOMPARE(manager.holds, (QStringList{QStringLiteral("Take the keys"), QStringLiteral("Lock the door")}));
    session.answer();
    QCOMPARE(manager.holds, (QStringList{QStringLiteral("Take the keys"), QStringLiteral("Lock the door"), QString()}));
}

void TestSignals::failedSave_answeredAsFailed()
{
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    bool fail = true;
    connect(&session, &SessionEnd::saveRequested, this, [&] {
        if (fail) {
            session.reportSaveFailed();
        }
    });
    session.handleSaveYourself(false, false);
    fail = false;
    session.handleSaveYourself(false, false);
    QCOMPARE(manager.answers, (QStringList{QStringLiteral("save failed"), QStringLiteral("saved")}));
}

void TestSignals::destroyedWhileOpen_answersFirst()
{
    FakeSessionManager manager;
    {
        SessionEnd session;
        session.setLink(&manager);
        session.handleSaveYourself(true, true);
        session.handleInteract();
        QCOMPARE(manager.answers, QStringList{QStringLiteral("interact?")});
    }
    QCOMPARE(manager.answers,
             (QStringList{QStringLiteral("interact?"), QStringLiteral("interaction done"), QStringLiteral("saved")}));
}

namespace {

// A session manager in a child process that accepts one client, asks it to save for the end of
// the session and dies at once, before the client can answer. Returns the child's pid; address gets SESSION_MANAGER.
pid_t startDyingManager(QByteArray& address)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child != 0) {
        ::close(pipeFds[1]);
        char buffer[512] = {};
        const ssize_t count = ::read(pipeFds[0], buffer, sizeof(buffer) - 1);
        ::close(pipeFds[0]);
        address = QByteArray(buffer, count > 0 ? int(count) : 0);
        return child;
    }
    ::close(pipeFds[0]);
    static const auto registerClient = [](SmsConn connection, SmPointer, char*) -> Status {
        char* id = SmsGenerateClientID(connection);
        SmsRegisterClientReply(connection, id);
        return 1;
    };
    // Once the client has told its properties (the restart style comes last), the save request
    // goes out and the manager is gone.
    static const auto setProperties = [](SmsConn connection, SmPointer, int count, SmProp** props) {
        bool last = false;
        for (int i = 0; i < count; ++i) {
            last = last || std::strcmp(props[i]->name, SmRestartStyleHint) == 0;
            SmFreeProperty(props[i]);
        }
        std::free(props);
        if (last) {
            SmsSaveYourself(connection, SmSaveLocal, True, SmInteractStyleAny, False);
            IceFlush(SmsGetIceConnection(connection));
            ::_exit(0);
        }
    };
    static const auto newClient = [](SmsConn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks,
                                     char**) -> Status {
        *mask = SmsRegisterClientProcMask | SmsSetPropertiesProcMask;
        callbacks->register_client.callback = registerClient;
        callbacks->set_properties.callback = setProperties;
        return 1;
    };
    const auto acceptAll = [](char*) -> Bool { return True; };
    char error[256] = {};
    if (!SmsInitialize("test", "1", newClient, nullptr, acceptAll, sizeof(error), error)) {
        ::_exit(1);
    }
    int count = 0;
    IceListenObj* listeners = nullptr;
    if (!IceListenForConnections(&count, &listeners, sizeof(error), error) || count < 1) {
        ::_exit(1);
    }
    for (int i = 0; i < count; ++i) {
        IceSetHostBasedAuthProc(listeners[i], acceptAll);
    }
    char* networkIds = IceComposeNetworkIdList(count, listeners);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], networkIds, std::strlen(networkIds));
    ::close(pipeFds[1]);
    // The client connects to whichever of the listeners it picks from the address.
    pollfd fds[8];
    const int watched = qMin(count, 8);
    for (int i = 0; i < watched; ++i) {
        fds[i] = {IceGetListenConnectionNumber(listeners[i]), POLLIN, 0};
    }
    if (::poll(fds, nfds_t(watched), 60000) <= 0) {
        ::_exit(1);
    }
    int ready = 0;
    while (ready < watched - 1 && !(fds[ready].revents & POLLIN)) {
        ++ready;
    }
    IceAcceptStatus status;
    IceConn connection = IceAcceptConnection(listeners[ready], &status);
    if (!connection) {
        ::_exit(1);
    }
    for (;;) {
        pollfd in = {IceConnectionNumber(connection), POLLIN, 0};
        if (::poll(&in, 1, 60000) <= 0 ||
            IceProcessMessages(connection, nullptr, nullptr) != IceProcessMessagesSuccess) {
            ::_exit(1);
        }
    }
}

} // namespace

void TestSignals::managerDiesAfterSaveYourself_programLivesAndRunsItsEnd()
{
    // The default action, as a parent may leave it: a write to the dead manager must not end us.
    std::signal(SIGPIPE, SIG_DFL);
    QByteArray address;
    const pid_t manager = startDyingManager(address);
    QVERIFY(manager > 0);
    QVERIFY2(!address.isEmpty(), "the session manager did not start");
    SessionEnd session;
    SessionLog log(session);
    connect(&session, &SessionEnd::endQueried, this, [&] { QTimer::singleShot(0, &session, &SessionEnd::answer); });
    XsmpClient client(address, session);
    QVERIFY(client.isConnected());
    int status = 0;
    QCOMPARE(::waitpid(manager, &status, 0), manager);
    // The manager asked for the end's save and is gone: the program still saves, shows its
    // shutdown reminders and ends.
    QTRY_COMPARE_WITH_TIMEOUT(
        log.events, (QStringList{QStringLiteral("save"), QStringLiteral("query with windows"), QStringLiteral("quit")}),
        20000);
    QVERIFY(!client.isConnected());
}

QTEST_GUILESS_MAIN(TestSignals)
#include "tst_signals.moc"
