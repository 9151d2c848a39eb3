#include "platform/SessionEnd.h"
#include "platform/TerminationSignals.h"
#include "support/FakeSessionManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>

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

    void sessionEnd_notHeld_answersWhenReceiversReturn();
    void sessionEnd_held_answersOnlyAfterAnswer();
    void sessionEnd_holdOutsideRequest_ignored();
    void sessionEnd_secondRequestWhileHeld_ignored();

    void checkpoint_savesAndGoesOn_data();
    void checkpoint_savesAndGoesOn();
    void shutdown_windowsWaitForTheGrant_answerWaitsForTheWork();
    void shutdown_withoutWindowsAllowed_endsAtOnce_data();
    void shutdown_withoutWindowsAllowed_endsAtOnce();
    void shutdown_cancelledBeforeTheGrant_sessionGoesOn();
    void die_withoutShutdownSave_endsWithoutAnswer();
    void failedSave_answeredAsFailed();
    void destroyedWhileHeld_answersFirst();
};

namespace {

// What a SessionEnd told the program, in order.
struct SessionLog
{
    explicit SessionLog(SessionEnd& session)
    {
        QObject::connect(&session, &SessionEnd::saveRequested, [this] { events.append(QStringLiteral("save")); });
        QObject::connect(&session, &SessionEnd::endRequested, [this](bool interaction) {
            events.append(interaction ? QStringLiteral("end with windows") : QStringLiteral("end"));
        });
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

void TestSignals::sessionEnd_notHeld_answersWhenReceiversReturn()
{
    SessionEnd session;
    QList<bool> interaction;
    bool endingSeen = false;
    connect(&session, &SessionEnd::endRequested, this, [&](bool allowed) {
        interaction.append(allowed);
        endingSeen = session.isEnding();
    });
    session.handleRequest(nullptr);
    QCOMPARE(interaction, QList<bool>{false});
    QVERIFY(endingSeen);
    QVERIFY(!session.isEnding());
}

void TestSignals::sessionEnd_held_answersOnlyAfterAnswer()
{
    SessionEnd session;
    QStringList log;
    connect(&session, &SessionEnd::endRequested, this, [&] {
        session.holdAnswer();
        log.append(QStringLiteral("held"));
        // The program's last work runs from the event loop while the answer waits.
        QTimer::singleShot(300, this, [&] {
            log.append(QStringLiteral("work done"));
            session.answer();
        });
    });
    QElapsedTimer clock;
    clock.start();
    session.handleRequest(nullptr);
    log.append(QStringLiteral("answered"));
    QCOMPARE(log, (QStringList{QStringLiteral("held"), QStringLiteral("work done"), QStringLiteral("answered")}));
    QVERIFY(clock.elapsed() >= 250);
    QVERIFY(!session.isEnding());
}

void TestSignals::sessionEnd_holdOutsideRequest_ignored()
{
    SessionEnd session;
    session.holdAnswer();
    int notices = 0;
    connect(&session, &SessionEnd::endRequested, this, [&] { ++notices; });
    QElapsedTimer clock;
    clock.start();
    session.handleRequest(nullptr);
    QCOMPARE(notices, 1);
    QVERIFY(clock.elapsed() < 5000);
}

void TestSignals::sessionEnd_secondRequestWhileHeld_ignored()
{
    SessionEnd session;
    int notices = 0;
    connect(&session, &SessionEnd::endRequested, this, [&] {
        ++notices;
        session.holdAnswer();
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
    session.handleSaveYourself(false, interactionPossible);
    QCOMPARE(log.events, QStringList{QStringLiteral("save")});
    QCOMPARE(manager.answers, QStringList{QStringLiteral("saved")});
    QVERIFY(!session.isEnding());
    // The session went on: a second checkpoint is one more save, and the end still ends.
    session.handleSaveYourself(false, interactionPossible);
    session.handleSaveYourself(true, false);
    QCOMPARE(log.events, (QStringList{QStringLiteral("save"), QStringLiteral("save"), QStringLiteral("save"),
                                      QStringLiteral("end")}));
    QCOMPARE(manager.answers, (QStringList{QStringLiteral("saved"), QStringLiteral("saved"), QStringLiteral("saved")}));
}

void TestSignals::shutdown_windowsWaitForTheGrant_answerWaitsForTheWork()
{
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    SessionLog log(session);
    connect(&session, &SessionEnd::endRequested, this, [&] { session.holdAnswer(); });
    session.handleSaveYourself(true, true);
    // The files are written before waiting for the turn to show windows.
    QCOMPARE(log.events, QStringList{QStringLiteral("save")});
    QCOMPARE(manager.answers, QStringList{QStringLiteral("interact?")});
    session.handleInteract();
    QCOMPARE(log.events, (QStringList{QStringLiteral("save"), QStringLiteral("end with windows")}));
    QVERIFY(session.isEnding());
    QCOMPARE(manager.answers.size(), 1);
    // A stray grant or save request meanwhile starts nothing new.
    session.handleInteract();
    session.handleSaveYourself(true, true);
    QCOMPARE(log.events.size(), 2);
    session.answer();
    QCOMPARE(manager.answers,
             (QStringList{QStringLiteral("interact?"), QStringLiteral("interaction done"), QStringLiteral("saved")}));
    QVERIFY(!session.isEnding());
    // Told to die afterwards: the program is ending already.
    session.handleDie();
    QCOMPARE(log.events.size(), 2);
}

void TestSignals::shutdown_withoutWindowsAllowed_endsAtOnce_data()
{
    QTest::addColumn<bool>("interactionPossible");
    QTest::addColumn<bool>("grantsRequests");
    QTest::newRow("interaction style none") << false << true;
    QTest::newRow("request could not go") << true << false;
}

void TestSignals::shutdown_withoutWindowsAllowed_endsAtOnce()
{
    QFETCH(bool, interactionPossible);
    QFETCH(bool, grantsRequests);
    SessionEnd session;
    FakeSessionManager manager;
    manager.grantsRequests = grantsRequests;
    session.setLink(&manager);
    SessionLog log(session);
    session.handleSaveYourself(true, interactionPossible);
    QCOMPARE(log.events, (QStringList{QStringLiteral("save"), QStringLiteral("end")}));
    // Not held: answered as soon as the receivers returned.
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

void TestSignals::die_withoutShutdownSave_endsWithoutAnswer()
{
    SessionEnd session;
    FakeSessionManager manager;
    session.setLink(&manager);
    SessionLog log(session);
    connect(&session, &SessionEnd::endRequested, this, [&] { session.holdAnswer(); });
    session.handleDie();
    session.handleDie();
    QCOMPARE(log.events, QStringList{QStringLiteral("end")});
    session.answer();
    // After Die nothing may be sent: there is no save request to answer.
    QVERIFY(manager.answers.isEmpty());
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

void TestSignals::destroyedWhileHeld_answersFirst()
{
    FakeSessionManager manager;
    {
        SessionEnd session;
        session.setLink(&manager);
        connect(&session, &SessionEnd::endRequested, this, [&] { session.holdAnswer(); });
        session.handleSaveYourself(true, true);
        session.handleInteract();
        QCOMPARE(manager.answers, QStringList{QStringLiteral("interact?")});
    }
    QCOMPARE(manager.answers,
             (QStringList{QStringLiteral("interact?"), QStringLiteral("interaction done"), QStringLiteral("saved")}));
}

QTEST_GUILESS_MAIN(TestSignals)
#include "tst_signals.moc"
