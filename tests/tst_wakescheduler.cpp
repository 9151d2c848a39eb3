// The engine woken at planned instants: what a change of the list, a pause, the editor, an open
// alert, a jump of the wall clock and a resume from suspend do to the next wake.
#include "core/PollingWakeTimer.h"
#include "core/WakeScheduler.h"
#include "support/FakeClock.h"
#include "support/FakeWakeTimer.h"
#include "support/RecordingFakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QDateTime at(int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(2026, 12, d), QTime(h, mi, s));
}

Reminder make(const QString& name, const QString& date, const QString& time, const QString& events = u"1,"_s,
              bool checked = false)
{
    Reminder r;
    r.name = name;
    r.date = date;
    r.time = time;
    r.events = events;
    r.checked = checked;
    r.what = name + u" text"_s;
    return r;
}

// The engine, its list, a fake clock and a wake timer, wired as the main window wires them.
struct Rig
{
    /// With polling, the timer that looks every second, on the fake clock, in place of the fake timer.
    explicit Rig(bool polling = false)
        : alerts(model, log), sounds(log), engine(model, clock, alerts, sounds),
          pollingTimer(polling ? std::make_unique<PollingWakeTimer>(clock) : nullptr),
          timer(pollingTimer ? static_cast<WakeTimer&>(*pollingTimer) : fake),
          scheduler(model, engine, timer, [this] { return interval; })
    {
        QObject::connect(&scheduler, &WakeScheduler::timerTick, &engine, [this] {
            turns.append(u"scan"_s);
            engine.scanDateTime();
        });
        QObject::connect(&scheduler, &WakeScheduler::secondTimerTick, &engine, [this] {
            turns.append(u"paused"_s);
            engine.checkPausedAlerts(interval);
        });
        alerts.whileOpen = [this](quint64) { shownAt.append(clock.now()); };
    }
    void start()
    {
        scheduler.setScanning(true);
        scheduler.setPausedCheck(true);
    }
    // Lets the fake clock run to until, waking wherever the plan says.
    void runUntil(const QDateTime& until)
    {
        while (fake.isArmed() && fake.armedAt() <= until) {
            clock.set(qMax(fake.armedAt(), clock.now()));
            fake.fire();
            ++wakes;
        }
        clock.set(until);
    }

    ReminderModel model;
    FakeClock clock{at(8, 9, 0)};
    QStringList log;
    QStringList turns;
    QList<QDateTime> shownAt;
    RecordingAlerts alerts;
    RecordingSounds sounds;
    ReminderEngine engine;
    FakeWakeTimer fake;
    std::unique_ptr<PollingWakeTimer> pollingTimer;
    WakeTimer& timer;
    int interval = 5;
    int wakes = 0;
    WakeScheduler scheduler;
};

} // namespace

class TestWakeScheduler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nothingRunning_disarmed();
    void wake_scanThenPausedCheck();
    void turns_startedAndStoppedAsTheTimersWere();
    void dueRow_wokenAtItsInstant();
    void idleList_wakesOnlyAtTheFarInstant();
    void rowUncheckedAfterItsDueInstant_firesAtOnce();
    void rowAdded_replansAtOnce();
    void pause_comesBackAtItsInstant();
    void pause_acrossMidnightComesBack();
    void intervalChangedWhilePauseRuns_comesBackByTheNewInterval();
    void editorOpen_clockEachSecondUntilTheTimeFieldIsEntered();
    void alertShowing_noRowFiresAndNothingSpins();
    void clockJumpForwardPastDueInstant_firesAtTheJump();
    void clockJumpBack_firesNothingAndPlansFromTheNewTime();
    void resumeAfterDueInstant_firesAtOnce();
    void pollingTimer_clockJumpForward_firesAtNextLook();
};

void TestWakeScheduler::nothingRunning_disarmed()
{
    Rig rig;
    rig.model.setRows({make(u"Old"_s, u"01.12.26"_s, u"08:00:00"_s)});
    QVERIFY(!rig.fake.isArmed());
    QVERIFY(!rig.scheduler.plannedWake().isValid());
    rig.scheduler.setScanning(true);
    QCOMPARE(rig.fake.armedAt(), rig.clock.now());
    rig.scheduler.setScanning(false);
    QVERIFY(!rig.fake.isArmed());
}

void TestWakeScheduler::wake_scanThenPausedCheck()
{
    Rig rig;
    rig.scheduler.setPausedCheck(true);
    rig.fake.fire();
    rig.scheduler.setScanning(true);
    rig.fake.fire();
    rig.fake.setClock();
    QCOMPARE(rig.turns, (QStringList{u"paused"_s, u"scan"_s, u"paused"_s, u"scan"_s, u"paused"_s}));
    // Each wake plans the next: with nothing in the list, none.
    QVERIFY(!rig.fake.isArmed());
    rig.model.append(make(u"Later"_s, u"08.12.26"_s, u"10:00:00"_s));
    rig.fake.fire();
    QCOMPARE(rig.fake.armedAt(), at(8, 10, 0));
}

void TestWakeScheduler::turns_startedAndStoppedAsTheTimersWere()
{
    Rig rig;
    rig.model.setRows({make(u"Later"_s, u"08.12.26"_s, u"10:00:00"_s)});
    rig.engine.pause(rig.model.at(0).id); // the re-alert check has a pause to wait for
    WakeScheduler::Turn& timer = rig.scheduler.timer();
    WakeScheduler::Turn& secondTimer = rig.scheduler.secondTimer();
    QVERIFY(!timer.isActive());
    secondTimer.start();
    QVERIFY(secondTimer.isActive());
    QVERIFY(rig.scheduler.pausedCheck());
    QCOMPARE(rig.fake.arms(), 1);
    secondTimer.start(); // already running: nothing planned again
    QCOMPARE(rig.fake.arms(), 1);
    timer.start();
    QVERIFY(rig.scheduler.scanning());
    QCOMPARE(rig.fake.arms(), 2);
    timer.stop();
    secondTimer.stop();
    QVERIFY(!timer.isActive());
    QVERIFY(!rig.fake.isArmed());
}

void TestWakeScheduler::dueRow_wokenAtItsInstant()
{
    Rig rig;
    rig.model.setRows({make(u"Soon"_s, u"08.12.26"_s, u"09:00:30"_s), make(u"Later"_s, u"08.12.26"_s, u"09:20:00"_s)});
    rig.start();
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 0, 30));
    rig.runUntil(at(8, 10, 0));
    QCOMPARE(rig.shownAt, (QList<QDateTime>{at(8, 9, 0, 30), at(8, 9, 20)}));
    QCOMPARE(rig.log, (QStringList{u"sound:1"_s, u"alert:Soon"_s, u"sound:1"_s, u"alert:Later"_s}));
}

void TestWakeScheduler::idleList_wakesOnlyAtTheFarInstant()
{
    Rig rig;
    rig.model.setRows({make(u"Far"_s, u"24.12.40"_s, u"09:30:00"_s), make(u"Net"_s, u"#08.12.26"_s, u"0"_s, u"4,"_s)});
    rig.start();
    QCOMPARE(rig.fake.armedAt(), QDateTime(QDate(2040, 12, 24), QTime(9, 30), Qt::UTC));
    rig.runUntil(at(8, 10, 0));
    QCOMPARE(rig.wakes, 0);
    QVERIFY(rig.log.isEmpty());
    // Nothing that could fire at all: no wake is armed.
    rig.model.removeRow(0);
    QVERIFY(!rig.fake.isArmed());
}

void TestWakeScheduler::rowUncheckedAfterItsDueInstant_firesAtOnce()
{
    Rig rig;
    rig.model.setRows({make(u"Done"_s, u"08.12.26"_s, u"08:00:00"_s, u"1,"_s, true)});
    rig.start();
    QVERIFY(!rig.fake.isArmed());
    rig.clock.set(at(8, 9, 0, 20));
    rig.model.setChecked(0, false);
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 0, 20));
    rig.runUntil(at(8, 9, 0, 20));
    QCOMPARE(rig.shownAt, QList<QDateTime>{at(8, 9, 0, 20)});
    QVERIFY(rig.model.at(0).checked);
}

void TestWakeScheduler::rowAdded_replansAtOnce()
{
    Rig rig;
    rig.start();
    QVERIFY(!rig.fake.isArmed());
    rig.model.append(make(u"New"_s, u"#08.12.26"_s, u"09:00:10"_s));
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 0, 10));
    rig.model.removeRow(0);
    QVERIFY(!rig.fake.isArmed());
}

void TestWakeScheduler::pause_comesBackAtItsInstant()
{
    Rig rig;
    rig.model.setRows({make(u"Tea"_s, u"08.12.26"_s, u"09:00:10"_s)});
    rig.alerts.whileOpen = [&rig](quint64 id) {
        rig.shownAt.append(rig.clock.now());
        rig.clock.advanceSeconds(7); // the user reads it, then presses Pause
        rig.engine.pause(id);
    };
    rig.interval = 3;
    rig.start();
    rig.runUntil(at(8, 9, 8));
    QCOMPARE(rig.shownAt, (QList<QDateTime>{at(8, 9, 0, 10), at(8, 9, 3, 17), at(8, 9, 6, 24)}));
}

void TestWakeScheduler::pause_acrossMidnightComesBack()
{
    Rig rig;
    rig.model.setRows({make(u"Late"_s, u"#08.12.26"_s, u"0"_s, u"2,"_s)});
    rig.start();
    rig.clock.set(at(8, 23, 58));
    rig.engine.pause(rig.model.at(0).id);
    QCOMPARE(rig.fake.armedAt(), at(9, 0, 3));
    rig.runUntil(at(9, 0, 10));
    QCOMPARE(rig.shownAt, QList<QDateTime>{at(9, 0, 3)});
    QCOMPARE(rig.model.at(0).ponovno, u"0"_s);
}

void TestWakeScheduler::intervalChangedWhilePauseRuns_comesBackByTheNewInterval()
{
    Rig rig;
    rig.model.setRows({make(u"Call"_s, u"#08.12.26"_s, u"0"_s, u"4,"_s)});
    rig.interval = 10;
    rig.start();
    rig.engine.pause(rig.model.at(0).id);
    rig.runUntil(at(8, 9, 1, 30));
    QVERIFY(rig.shownAt.isEmpty());
    // The options dialog's OK: the main window plans again.
    rig.interval = 2;
    rig.scheduler.replan();
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 2));
    rig.runUntil(at(8, 9, 30));
    QCOMPARE(rig.shownAt, QList<QDateTime>{at(8, 9, 2)});
}

void TestWakeScheduler::editorOpen_clockEachSecondUntilTheTimeFieldIsEntered()
{
    Rig rig;
    rig.start();
    rig.clock.set(rig.clock.now().addMSecs(400));
    rig.scheduler.setEditorShowing(true);
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 0, 1));
    rig.runUntil(at(8, 9, 0, 5));
    QCOMPARE(rig.wakes, 5);
    QCOMPARE(rig.turns.count(u"scan"_s), 5); // the main window sets the editor's clock in its scan turn
    // In the time field the scan stops, and with it the running clock.
    rig.scheduler.setScanning(false);
    QVERIFY(!rig.fake.isArmed());
    rig.scheduler.setScanning(true);
    rig.scheduler.setEditorShowing(false);
    QVERIFY(!rig.fake.isArmed());
}

void TestWakeScheduler::alertShowing_noRowFiresAndNothingSpins()
{
    Rig rig;
    rig.model.setRows({make(u"Due"_s, u"08.12.26"_s, u"08:00:00"_s)});
    rig.alerts.externallyShowing = true; // the user views a reminder
    rig.start();
    QVERIFY(!rig.fake.isArmed());
    rig.runUntil(at(8, 9, 3));
    QCOMPARE(rig.wakes, 0);
    QVERIFY(rig.log.isEmpty());
    rig.alerts.externallyShowing = false;
    rig.scheduler.replan(); // the view has closed
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 3));
    rig.runUntil(at(8, 9, 3));
    QCOMPARE(rig.shownAt, QList<QDateTime>{at(8, 9, 3)});
}

void TestWakeScheduler::clockJumpForwardPastDueInstant_firesAtTheJump()
{
    Rig rig;
    rig.model.setRows({make(u"Ten"_s, u"08.12.26"_s, u"10:00:00"_s), make(u"Eleven"_s, u"08.12.26"_s, u"11:00:00"_s)});
    rig.start();
    QCOMPARE(rig.fake.armedAt(), at(8, 10, 0));
    rig.clock.set(at(8, 10, 0, 5)); // date -s, or an NTP step
    rig.fake.setClock();
    QCOMPARE(rig.shownAt, QList<QDateTime>{at(8, 10, 0, 5)});
    QCOMPARE(rig.fake.armedAt(), at(8, 11, 0));
}

void TestWakeScheduler::clockJumpBack_firesNothingAndPlansFromTheNewTime()
{
    Rig rig;
    rig.model.setRows({make(u"Soon"_s, u"08.12.26"_s, u"09:00:30"_s)});
    rig.start();
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 0, 30));
    rig.clock.set(at(8, 8, 0));
    rig.fake.setClock();
    QVERIFY(rig.log.isEmpty());
    QCOMPARE(rig.fake.armedAt(), at(8, 9, 0, 30));
    rig.runUntil(at(8, 9, 10));
    QCOMPARE(rig.shownAt, QList<QDateTime>{at(8, 9, 0, 30)});
}

void TestWakeScheduler::resumeAfterDueInstant_firesAtOnce()
{
    Rig rig;
    rig.model.setRows({make(u"Soon"_s, u"08.12.26"_s, u"09:00:30"_s), make(u"After"_s, u"08.12.26"_s, u"10:30:00"_s)});
    rig.start();
    // Suspended at 09:00:10, resumed at 11:00: the timer on the wall clock fires as the machine wakes.
    rig.clock.set(at(8, 11, 0));
    rig.fake.fire();
    QCOMPARE(rig.shownAt, (QList<QDateTime>{at(8, 11, 0), at(8, 11, 0)}));
    QCOMPARE(rig.log, (QStringList{u"sound:1"_s, u"alert:Soon"_s, u"sound:1"_s, u"alert:After"_s}));
}

void TestWakeScheduler::pollingTimer_clockJumpForward_firesAtNextLook()
{
    Rig rig(true);
    rig.model.setRows({make(u"Ten"_s, u"08.12.26"_s, u"10:00:00"_s)});
    rig.start();
    // It looks at least once a second, so a clock set meanwhile is seen within that second.
    QVERIFY(rig.pollingTimer->isArmed());
    QVERIFY(rig.pollingTimer->remainingTime() <= PollingWakeTimer::MaxWaitMSecs);
    rig.clock.set(at(8, 10, 0, 5));
    QTRY_COMPARE_WITH_TIMEOUT(rig.shownAt, QList<QDateTime>{at(8, 10, 0, 5)}, 10000);
}

QTEST_GUILESS_MAIN(TestWakeScheduler)
#include "tst_wakescheduler.moc"
