#include "platform/SessionEnd.h"
#include "platform/TerminationSignals.h"

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
};

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

QTEST_GUILESS_MAIN(TestSignals)
#include "tst_signals.moc"
