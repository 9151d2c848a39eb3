#include "components/INetDetector.h"
#include "components/PrevInst.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/PocetakD.h"
#include "platform/SessionEnd.h"
#include "support/Controls.h"
#include "support/FakeSessionManager.h"
#include "support/Files.h"
#include "support/ProgramRig.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

// The program's whole life, message loop and all: the splash, the timers, and every way it ends.
class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void signalDuringSplash_splashGivesWayShutdownScanRunsExitCode0_data();
    void signalDuringSplash_splashGivesWayShutdownScanRunsExitCode0();
    void signalBeforeTheWindows_carriedOutOnceTheyAreThere();
    void signalWhileAStartMessageWaits_endsAtOnceWritingNothing_data();
    void signalWhileAStartMessageWaits_endsAtOnceWritingNothing();
    void splash_escapeRejectAndCloseDoNotEndIt_onlyItsTimer();
    void exitWhileAlertShows_programEnds();
    void checkpoint_savesOnly_thenTheEndOfTheSessionEnds();
    void endCancelled_whileTheShutdownAlertShows_programRunsOnAndEndsOnlyAtTheEnd();
    void endNow_whileTheShutdownAlertShows_alertClosesRowNotDone();
    void signalWhileAnAlertShows_noNewAlertAndTheRowDueMeanwhileStaysDue();
    void secondInstance_messageThenTheFirstComesForward_endsWith0BeforeAnyWindowOrFile();

private:
    // Ends the message loop with this code if the program has not ended by itself within
    // a generous time: a failure, never a pass.
    QTimer m_watchdog;
};

namespace {

constexpr int kStuck = 99;

template <typename T> T* window(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name)) {
            return qobject_cast<T*>(w);
        }
    }
    return nullptr;
}

void clickOk(QWidget* alert)
{
    child<QAbstractButton>(alert, "OKSB")->click();
}

const QByteArray shutdownRows = "Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #01.01.26 - 0 - 0 - 3, - 0\r\n";
const QByteArray shutdownTexts = "-0-\r\nplain\r\n==\r\n-1-\r\nSee you\r\n==\r\n";

} // namespace

void TestProgram::init()
{
    QStandardPaths::setTestModeEnabled(true);
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(180000);
    connect(&m_watchdog, &QTimer::timeout, this, [] { QCoreApplication::exit(kStuck); });
    m_watchdog.start();
}

void TestProgram::cleanup()
{
    m_watchdog.stop();
    m_watchdog.disconnect();
}

void TestProgram::signalDuringSplash_splashGivesWayShutdownScanRunsExitCode0_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestProgram::signalDuringSplash_splashGivesWayShutdownScanRunsExitCode0()
{
    QFETCH(int, signal);
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), shutdownRows);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), shutdownTexts);
    int splashes = 0;
    QStringList atAlert;
    rig.closer.handler = [&](QWidget* modal) {
        if (auto* splash = qobject_cast<TPocetakDialog*>(modal)) {
            ++splashes;
            child<QTimer>(splash, "Timer")->stop(); // from now on only the end of the program ends the splash
            std::raise(signal);
            return true;
        }
        if (modal->objectName() == QLatin1String("AlertDialog")) {
            // The files were written before the alert waits for the user.
            atAlert << QString::fromLatin1(readFile(rig.path(QStringLiteral("reminder.nld"))).left(5));
            atAlert << (window<QWidget>("PocetakDialog")->isVisible() ? QStringLiteral("splash shows")
                                                                      : QStringLiteral("splash gone"));
            atAlert << (window<QWidget>("MainForm")->isVisible() ? QStringLiteral("main window shows")
                                                                 : QStringLiteral("no main window"));
            clickOk(modal);
            return true;
        }
        return false; // the box about the missing sound file
    };
    QCOMPARE(rig.run(), 0);
    QCOMPARE(splashes, 1);
    QCOMPARE(atAlert,
             (QStringList{QStringLiteral("Plain"), QStringLiteral("splash gone"), QStringLiteral("no main window")}));
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nld"))),
             QByteArray("Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #08.12.26 - 0 - 0 - 3, - 1\r\n"));
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nlt"))), shutdownTexts);
}

void TestProgram::signalBeforeTheWindows_carriedOutOnceTheyAreThere()
{
    ProgramRig rig;
    bool splashFinished = false;
    rig.closer.handler = [&](QWidget* modal) {
        if (auto* splash = qobject_cast<TPocetakDialog*>(modal)) {
            splashFinished = splash->hasFinished();
            return true;
        }
        return false;
    };
    // The signal waits in the watcher's socket until the message loop reads it, whether the windows
    // are still being made then or the splash already shows.
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    QCOMPARE(rig.run(), 0);
    QVERIFY(!splashFinished);
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nld"))), QByteArray());
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nlt"))), QByteArray());
}

void TestProgram::signalWhileAStartMessageWaits_endsAtOnceWritingNothing_data()
{
    QTest::addColumn<bool>("otherInstance");
    QTest::addColumn<int>("signal");
    const std::pair<const char*, int> endSignals[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGINT", SIGINT}};
    for (const auto& [name, number] : endSignals) {
        QTest::addRow("another instance, %s", name) << true << number;
        QTest::addRow("cannot open file, %s", name) << false << number;
    }
}

void TestProgram::signalWhileAStartMessageWaits_endsAtOnceWritingNothing()
{
    QFETCH(bool, otherInstance);
    QFETCH(int, signal);
    ProgramRig rig;
    // A data file that cannot be read: the start says so and waits for the message's OK.
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("reminder.nld")));
    writeFile(rig.path(QStringLiteral("reminder.nlt")), shutdownTexts);
    std::unique_ptr<TPrevInstance> running;
    if (otherInstance) {
        running = std::make_unique<TPrevInstance>(nullptr, rig.instanceName);
        running->CheckInstances();
    }
    // Only a program that has not ended long after the signal gets its OK from the test.
    QPointer<QWidget> box;
    bool answeredByTest = false;
    QTimer overdue;
    overdue.setSingleShot(true);
    connect(&overdue, &QTimer::timeout, this, [&] {
        if (box) {
            answeredByTest = ModalCloser::clickButton(box, QStringLiteral("OK"));
        }
    });
    rig.closer.handler = [&](QWidget* modal) {
        box = modal;
        std::raise(signal);
        overdue.start(20000);
        return true;
    };
    QCOMPARE(rig.run(), 0);
    QVERIFY(!answeredByTest);
    QCOMPARE(rig.closer.messages.size(), 1);
    QVERIFY2(rig.closer.messages.first().startsWith(otherInstance ? QStringLiteral("Another Instance")
                                                                  : QStringLiteral("Cannot open file")),
             qPrintable(rig.closer.messages.first()));
    // Nothing written, nothing kept aside: the files stand as they stood.
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{QStringLiteral("reminder.nld"), QStringLiteral("reminder.nlt")}));
    QVERIFY(QFileInfo(rig.path(QStringLiteral("reminder.nld"))).isDir());
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nlt"))), shutdownTexts);
}

void TestProgram::splash_escapeRejectAndCloseDoNotEndIt_onlyItsTimer()
{
    ProgramRig rig;
    QStringList afterEach;
    bool timersOffMeanwhile = true;
    rig.closer.handler = [&](QWidget* modal) {
        auto* splash = qobject_cast<TPocetakDialog*>(modal);
        if (!splash) {
            return false;
        }
        auto* form = window<TMainForm>("MainForm");
        const auto note = [&](const QString& what) {
            afterEach << what + (splash->isVisible() ? QStringLiteral(": shows") : QStringLiteral(": gone"));
            timersOffMeanwhile = timersOffMeanwhile && !form->scheduler().scanning() &&
                                 !child<TINetDetector>(form, "NetDetector")->Enabled();
        };
        QTest::keyClick(splash, Qt::Key_Escape);
        note(QStringLiteral("Escape"));
        QTest::keyClick(splash, Qt::Key_F4, Qt::AltModifier);
        note(QStringLiteral("Alt+F4"));
        splash->reject();
        note(QStringLiteral("reject"));
        splash->close();
        note(QStringLiteral("close"));
        splash->windowHandle()->close(); // what the window manager's close comes as
        note(QStringLiteral("window close"));
        return true;
    };
    // Once the splash has run its time the main window shows with the engine running; then it closes.
    bool runningWithWindow = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* form = window<TMainForm>("MainForm");
        if (form && form->isVisible() && form->scheduler().scanning()) {
            runningWithWindow = child<TINetDetector>(form, "NetDetector")->Enabled();
            poll.stop();
            form->close();
        }
    });
    poll.start(20);
    QCOMPARE(rig.run(), 0);
    QCOMPARE(afterEach, (QStringList{QStringLiteral("Escape: shows"), QStringLiteral("Alt+F4: shows"),
                                     QStringLiteral("reject: shows"), QStringLiteral("close: shows"),
                                     QStringLiteral("window close: shows")}));
    QVERIFY(timersOffMeanwhile);
    QVERIFY(runningWithWindow);
}

void TestProgram::exitWhileAlertShows_programEnds()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), "Due - 08.12.26 - 11:00:00 - 0 - 1, - 0\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), "-0-\r\nDue now\r\n==\r\n");
    int alerts = 0;
    rig.closer.handler = [&](QWidget* modal) {
        if (qobject_cast<TPocetakDialog*>(modal)) {
            return true; // the splash runs its time
        }
        if (modal->objectName() == QLatin1String("AlertDialog")) {
            // The tray menu's Exit, while the alert, which refuses every close but its buttons, shows.
            ++alerts;
            child<QAction>(window<TMainForm>("MainForm"), "Exit1")->trigger();
            return true;
        }
        return false;
    };
    QCOMPARE(rig.run(), 0);
    QCOMPARE(alerts, 1);
    // The alert was never answered: the reminder is not done, and fires again at the next start.
    QVERIFY(readFile(rig.path(QStringLiteral("reminder.nld"))).startsWith("Due - 08.12.26 - 11:00:00 - 0 - 1, - 0"));
}

void TestProgram::checkpoint_savesOnly_thenTheEndOfTheSessionEnds()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), shutdownRows);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), shutdownTexts);
    FakeSessionManager manager;
    QByteArray savedAtAnswer;
    manager.onSaveDone = [&] { savedAtAnswer = readFile(rig.path(QStringLiteral("reminder.nld"))); };
    QStringList seen;
    QByteArray afterCheckpoint;
    {
        SessionEnd session;
        session.setLink(&manager);
        rig.closer.handler = [&](QWidget* modal) {
            if (qobject_cast<TPocetakDialog*>(modal)) {
                return true;
            }
            if (modal->objectName() == QLatin1String("AlertDialog")) {
                seen << QStringLiteral("alert");
                clickOk(modal);
                // Answered, the program waits for the end itself: the manager's Die.
                QTimer::singleShot(0, &session, [&] {
                    QTRY_COMPARE_WITH_TIMEOUT(manager.answers.size(), 4, 10000);
                    seen << (window<TMainForm>("MainForm")->isClosed() ? QStringLiteral("closed")
                                                                       : QStringLiteral("waits"));
                    session.handleDie();
                });
                return true;
            }
            return false;
        };
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* form = window<TMainForm>("MainForm");
            if (!form || !form->isVisible() || !form->scheduler().scanning()) {
                return;
            }
            poll.stop();
            QFile::remove(rig.path(QStringLiteral("reminder.nld")));
            QFile::remove(rig.path(QStringLiteral("reminder.nlt")));
            session.handleSaveYourself(false, true);
            afterCheckpoint = readFile(rig.path(QStringLiteral("reminder.nld")));
            seen << (form->isClosed() ? QStringLiteral("closed") : QStringLiteral("runs on"));
            // Then the end of the session, with the user's turn to answer windows.
            session.handleSaveYourself(true, true);
            session.handleInteract();
        });
        poll.start(20);
        QCOMPARE(rig.run({}, &session), 0);
    }
    QCOMPARE(seen, (QStringList{QStringLiteral("runs on"), QStringLiteral("alert"), QStringLiteral("waits")}));
    QVERIFY(afterCheckpoint.startsWith("Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - "));
    QVERIFY(afterCheckpoint.endsWith(" - 3, - 0\r\n")); // not done: no shutdown scan ran
    QCOMPARE(manager.answers, (QStringList{QStringLiteral("saved"), QStringLiteral("interact?"),
                                           QStringLiteral("interaction done"), QStringLiteral("saved")}));
    QCOMPARE(savedAtAnswer, QByteArray("Plain - 01.01.30 - 0 - 0 - 1, - 0\r\nBye - #08.12.26 - 0 - 0 - 3, - 1\r\n"));
}

namespace {

// The name of the row whose alert shows: the selected one.
QString alertRowName()
{
    auto* form = window<TMainForm>("MainForm");
    const int row = form->model().selectedRow();
    return row >= 0 ? form->model().at(row).name : QString();
}

} // namespace

void TestProgram::endCancelled_whileTheShutdownAlertShows_programRunsOnAndEndsOnlyAtTheEnd()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), shutdownRows + "Later - 08.12.26 - 12:00:30 - 0 - 1, - 0\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), shutdownTexts + "-2-\r\nlater\r\n==\r\n");
    FakeSessionManager manager;
    SessionEnd session;
    session.setLink(&manager);
    QStringList seen;
    rig.closer.handler = [&](QWidget* modal) {
        if (qobject_cast<TPocetakDialog*>(modal)) {
            return true;
        }
        if (modal->objectName() != QLatin1String("AlertDialog")) {
            return false;
        }
        seen << alertRowName();
        if (seen.size() == 1) {
            // The user calls the end off while the shutdown alert shows; the alert stays for an answer.
            session.handleShutdownCancelled();
            seen << (modal->isVisible() ? QStringLiteral("alert stays") : QStringLiteral("alert gone"));
            clickOk(modal);
            QTimer::singleShot(0, &session, [&] {
                auto* form = window<TMainForm>("MainForm");
                seen << (form->isVisible() && !form->isClosed() ? QStringLiteral("runs on") : QStringLiteral("ended"));
                rig.clock.advanceSeconds(60); // the date and time reminders fire again
            });
        } else if (seen.size() == 4) {
            clickOk(modal);
            QTimer::singleShot(0, &session, [&] { session.handleDie(); }); // now the session ends
        } else {
            clickOk(modal);
        }
        return true;
    };
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* form = window<TMainForm>("MainForm");
        if (form && form->isVisible() && form->scheduler().scanning()) {
            poll.stop();
            session.handleSaveYourself(true, true);
            session.handleInteract();
        }
    });
    poll.start(20);
    QCOMPARE(rig.run({}, &session), 0);
    QCOMPARE(seen, (QStringList{QStringLiteral("Bye"), QStringLiteral("alert stays"), QStringLiteral("runs on"),
                                QStringLiteral("Later"), QStringLiteral("Bye")}));
    // The cancel was answered at once; the real end came without a save request.
    QCOMPARE(manager.answers,
             (QStringList{QStringLiteral("interact?"), QStringLiteral("interaction done"), QStringLiteral("saved")}));
    const QByteArray saved = readFile(rig.path(QStringLiteral("reminder.nld")));
    QVERIFY2(saved.contains(" - 3, - 1\r\n") && saved.contains("Later - 08.12.26 - 12:00:30 - 0 - 1, - 1"), saved);
}

void TestProgram::endNow_whileTheShutdownAlertShows_alertClosesRowNotDone()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), shutdownRows);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), shutdownTexts);
    FakeSessionManager manager;
    SessionEnd session;
    session.setLink(&manager);
    int alerts = 0;
    rig.closer.handler = [&](QWidget* modal) {
        if (qobject_cast<TPocetakDialog*>(modal)) {
            return true;
        }
        if (modal->objectName() != QLatin1String("AlertDialog")) {
            return false;
        }
        ++alerts;
        session.handleDie(); // the session ends before the user answers
        return true;
    };
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* form = window<TMainForm>("MainForm");
        if (form && form->isVisible() && form->scheduler().scanning()) {
            poll.stop();
            session.handleSaveYourself(true, true);
            session.handleInteract();
        }
    });
    poll.start(20);
    QCOMPARE(rig.run({}, &session), 0);
    QCOMPARE(alerts, 1);
    QCOMPARE(manager.answers, QStringList{QStringLiteral("interact?")});
    QVERIFY(readFile(rig.path(QStringLiteral("reminder.nld"))).endsWith(" - 3, - 0\r\n"));
}

void TestProgram::signalWhileAnAlertShows_noNewAlertAndTheRowDueMeanwhileStaysDue()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")),
              "A - 08.12.26 - 11:00:00 - 0 - 1, - 0\r\nB - 08.12.26 - 12:00:30 - 0 - 1, - 0\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), "-0-\r\nfirst\r\n==\r\n-1-\r\nsecond\r\n==\r\n");
    QStringList seen;
    rig.closer.handler = [&](QWidget* modal) {
        if (qobject_cast<TPocetakDialog*>(modal)) {
            return true;
        }
        if (modal->objectName() != QLatin1String("AlertDialog")) {
            return false;
        }
        seen << alertRowName();
        if (seen.size() == 1) {
            // The end comes while A shows, and B falls due before A is answered.
            std::raise(SIGTERM);
            QTest::qWaitFor([] { return window<TMainForm>("MainForm")->engine().isEnding(); }, 10000);
            rig.clock.advanceSeconds(60);
        }
        clickOk(modal);
        return true;
    };
    QCOMPARE(rig.run(), 0);
    QCOMPARE(seen, QStringList{QStringLiteral("A")});
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nld"))),
             QByteArray("A - 08.12.26 - 11:00:00 - 0 - 1, - 1\r\nB - 08.12.26 - 12:00:30 - 0 - 1, - 0\r\n"));
}

void TestProgram::secondInstance_messageThenTheFirstComesForward_endsWith0BeforeAnyWindowOrFile()
{
    ProgramRig rig;
    // A data file that cannot be read: any attempt to read it shows a message of its own.
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("reminder.nld")));
    writeFile(rig.path(QStringLiteral("reminder.nlt")), shutdownTexts);
    // The instance that runs already, as its guard answers on this desktop.
    TPrevInstance running(nullptr, rig.instanceName);
    running.CheckInstances();
    QSignalSpy raised(&running, &TPrevInstance::RaiseRequested);
    QStringList otherWindows;
    rig.closer.handler = [&](QWidget* modal) {
        for (const QWidget* w : QApplication::topLevelWidgets()) {
            if (w != modal && !qobject_cast<const QMenu*>(w)) {
                otherWindows << w->objectName();
            }
        }
        return false; // answered as its Escape would
    };
    QCOMPARE(rig.run(), 0);
    QCOMPARE(rig.closer.messages, QStringList{QStringLiteral("Another Instance of \"Nudgelark\" is alreay running!")});
    QCOMPARE(otherWindows, QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 10000);
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nlt"))), shutdownTexts);
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
