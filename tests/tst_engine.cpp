#include "core/DateText.h"
#include "core/ReminderEngine.h"
#include "support/FakeClock.h"
#include "support/RecordingFakes.h"

#include <QSignalSpy>
#include <QTest>

namespace {

Reminder make(const QString& name, const QString& date, const QString& time, const QString& events,
              const QString& repeat = QStringLiteral("0"), bool checked = false)
{
    Reminder r;
    r.name = name;
    r.date = date;
    r.time = time;
    r.events = events;
    r.repeat = repeat;
    r.checked = checked;
    r.what = name + QStringLiteral(" text");
    return r;
}

// One engine over a model, a fake clock and recording fakes.
struct Rig
{
    Rig() : alerts(model, log), sounds(log), engine(model, clock, alerts, sounds) {}
    ReminderModel model;
    FakeClock clock{QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0))};
    QStringList log;
    RecordingAlerts alerts;
    RecordingSounds sounds;
    ReminderEngine engine;
};

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dateTime_firesInRowOrderWithCheckSelectSoundAlert();
    void dateTime_notBeforeDueInstant();
    void dateTime_repeatingRowMovesOnAndStaysUnchecked();
    void dateTime_nothingFiresWhileAlertShowsThenCatchesUp();
    void dateTime_checkedRowFiresOnceUnchecked();
    void guard_secondTriggerWaitsWhileSoundErrorBoxIsOpen();
    void systemScan_startupSkipsCheckedRows();
    void systemScan_shutdownTakesCheckedRowsAndTicksEachAfterItsAlert();
    void systemScan_rowWithStartupAndConnectFiresAtBoth();
    void systemScan_queuedWhileAlertOpenThenShownOneByOne();
    void systemScan_queuedBehindViewWindowGoesWhenItCloses();
    void systemScan_queuedRowDeletedMeanwhileIsSkipped();
    void pause_comesBackAfterIntervalWithDateTimeSound();
    void pause_intervalBelowOneLastsAMinute();
    void pause_acrossMidnightComesBack();
    void pause_twoRowsDueInSameTickComeBackInOrder();
    void nextWake_whileAnAlertIsOpen_rowsWaitForItToClose();
    void nextWake_afterPause_atItsReturn();
    void unanswered_rowsAsBeforeTheFire_savedAsBeforeMeanwhile_data();
    void unanswered_rowsAsBeforeTheFire_savedAsBeforeMeanwhile();
    void ending_noDateTimeAlertNoReAlertStarts_systemScansStillShow();
    void ending_whileAnAlertShows_rowDueMeanwhileDoesNotFire();
    void dropQueued_cancelledEndDropsItsAlertsOnly();
    void pausedThenAnswered_rowStaysDone_savedOnceAnswered();
};

void TestEngine::dateTime_firesInRowOrderWithCheckSelectSoundAlert()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("A"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,")),
         make(QStringLiteral("Later"), QStringLiteral("08.12.26"), QStringLiteral("10:00:00"), QStringLiteral("1,")),
         make(QStringLiteral("B"), QStringLiteral("07.12.26"), QStringLiteral("0"), QStringLiteral("1,")),
         make(QStringLiteral("NoFlag"), QStringLiteral("01.01.26"), QStringLiteral("0"), QStringLiteral("2,"))});
    bool checkedDuringAlert = false;
    rig.alerts.whileOpen = [&](quint64 id) { checkedDuringAlert = rig.model.at(rig.model.rowOfId(id)).checked; };
    rig.engine.scanDateTime();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:A"), QStringLiteral("sound:1"),
                                   QStringLiteral("alert:B")}));
    QVERIFY(checkedDuringAlert);
    QVERIFY(rig.model.at(0).checked);
    QVERIFY(!rig.model.at(1).checked);
    QVERIFY(rig.model.at(2).checked);
    QVERIFY(!rig.model.at(3).checked);
}

void TestEngine::dateTime_notBeforeDueInstant()
{
    Rig rig;
    rig.model.setRows({make(QStringLiteral("Dentist"), QStringLiteral("08.12.26"), QStringLiteral("09:30:00"),
                            QStringLiteral("1,"))});
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 29, 59, 999)));
    rig.engine.scanDateTime();
    QVERIFY(rig.log.isEmpty());
    rig.clock.advanceMSecs(1);
    rig.engine.scanDateTime();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Dentist")}));
}

void TestEngine::dateTime_repeatingRowMovesOnAndStaysUnchecked()
{
    Rig rig;
    rig.model.setRows({make(QStringLiteral("Stretch"), QStringLiteral("#08.12.26"), QStringLiteral("23:45:00"),
                            QStringLiteral("1,0,"), QStringLiteral("30"))});
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(23, 45, 0)));
    rig.engine.scanDateTime();
    QCOMPARE(rig.log.size(), 2);
    QCOMPARE(rig.model.at(0).time, QStringLiteral("00:15:00"));
    QCOMPARE(rig.model.at(0).date, QStringLiteral("#09.12.26"));
    QVERIFY(!rig.model.at(0).checked);
    rig.engine.scanDateTime();
    QCOMPARE(rig.log.size(), 2); // not again until 00:15
}

void TestEngine::dateTime_nothingFiresWhileAlertShowsThenCatchesUp()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Due"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,"))});
    rig.alerts.externallyShowing = true;
    rig.engine.scanDateTime();
    QVERIFY(rig.log.isEmpty());
    QVERIFY(!rig.model.at(0).checked);
    rig.alerts.externallyShowing = false;
    rig.engine.scanDateTime();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Due")}));
}

void TestEngine::dateTime_checkedRowFiresOnceUnchecked()
{
    Rig rig;
    rig.model.setRows({make(QStringLiteral("Done"), QStringLiteral("01.12.26"), QStringLiteral("08:00:00"),
                            QStringLiteral("1,"), QStringLiteral("0"), true)});
    rig.engine.scanDateTime();
    QVERIFY(rig.log.isEmpty());
    rig.model.setChecked(0, false);
    rig.engine.scanDateTime();
    QCOMPARE(rig.log.size(), 2);
    rig.engine.scanDateTime();
    QCOMPARE(rig.log.size(), 2);
}

void TestEngine::guard_secondTriggerWaitsWhileSoundErrorBoxIsOpen()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Timed"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,")),
         make(QStringLiteral("Net"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,"))});
    bool reentered = false;
    rig.sounds.whilePlaying = [&] {
        if (reentered) {
            return;
        }
        reentered = true;
        // Timers keep firing behind a modal error box: neither may start another alert now.
        rig.engine.scanDateTime();
        rig.engine.scanSystemEvent(u'4', false, false);
        rig.engine.checkPausedAlerts(0);
        QCOMPARE(rig.model.selectedRow(), 0);
    };
    rig.engine.scanDateTime();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Timed"), QStringLiteral("sound:4"),
                                   QStringLiteral("alert:Net")}));
}

void TestEngine::systemScan_startupSkipsCheckedRows()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("S1"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,")),
         make(QStringLiteral("Ticked"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,"),
              QStringLiteral("0"), true),
         make(QStringLiteral("S2"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("1,2,"))});
    rig.engine.scanSystemEvent(u'2', false, false);
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:2"), QStringLiteral("alert:S1"), QStringLiteral("sound:2"),
                                   QStringLiteral("alert:S2")}));
    QVERIFY(!rig.model.at(0).checked);
    QVERIFY(!rig.model.at(2).checked);
}

void TestEngine::systemScan_shutdownTakesCheckedRowsAndTicksEachAfterItsAlert()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Off1"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("3,")),
         make(QStringLiteral("Off2"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("3,"),
              QStringLiteral("0"), true),
         make(QStringLiteral("Other"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,"))});
    QList<bool> checkedWhileShown;
    rig.alerts.whileOpen = [&](quint64 id) { checkedWhileShown.append(rig.model.at(rig.model.rowOfId(id)).checked); };
    QSignalSpy idle(&rig.engine, &ReminderEngine::idle);
    rig.engine.scanSystemEvent(u'3', true, true);
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:3"), QStringLiteral("alert:Off1"), QStringLiteral("sound:3"),
                                   QStringLiteral("alert:Off2")}));
    QCOMPARE(checkedWhileShown, (QList<bool>{false, true}));
    QVERIFY(rig.model.at(0).checked);
    QVERIFY(rig.model.at(1).checked);
    QVERIFY(!rig.model.at(2).checked);
    QVERIFY(!idle.isEmpty());
}

void TestEngine::systemScan_rowWithStartupAndConnectFiresAtBoth()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Both"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,4,"))});
    rig.engine.scanSystemEvent(u'2', false, false);
    rig.engine.scanSystemEvent(u'4', false, false);
    rig.engine.scanSystemEvent(u'5', false, false);
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:2"), QStringLiteral("alert:Both"), QStringLiteral("sound:4"),
                                   QStringLiteral("alert:Both")}));
}

void TestEngine::systemScan_queuedWhileAlertOpenThenShownOneByOne()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Timed"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,")),
         make(QStringLiteral("Up1"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,")),
         make(QStringLiteral("Up2"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,"))});
    int depth = 0;
    int maxDepth = 0;
    rig.alerts.whileOpen = [&](quint64 id) {
        maxDepth = qMax(maxDepth, ++depth);
        if (rig.model.at(rig.model.rowOfId(id)).name == QStringLiteral("Timed")) {
            rig.engine.scanSystemEvent(u'4', false, false); // the connect scan runs out meanwhile
        }
        --depth;
    };
    rig.engine.scanDateTime();
    QCOMPARE(rig.log,
             (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Timed"), QStringLiteral("sound:4"),
                          QStringLiteral("alert:Up1"), QStringLiteral("sound:4"), QStringLiteral("alert:Up2")}));
    QCOMPARE(maxDepth, 1); // never an alert inside another
}

void TestEngine::systemScan_queuedBehindViewWindowGoesWhenItCloses()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Down"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("5,"))});
    rig.alerts.externallyShowing = true; // the user is viewing a reminder
    rig.engine.scanSystemEvent(u'5', false, false);
    QVERIFY(rig.log.isEmpty());
    rig.alerts.externallyShowing = false;
    rig.engine.alertWindowClosed();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:5"), QStringLiteral("alert:Down")}));
}

void TestEngine::systemScan_queuedRowDeletedMeanwhileIsSkipped()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Gone"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,")),
         make(QStringLiteral("Stays"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,"))});
    rig.alerts.externallyShowing = true;
    rig.engine.scanSystemEvent(u'4', false, false);
    rig.model.removeRow(0);
    rig.alerts.externallyShowing = false;
    rig.engine.alertWindowClosed();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:4"), QStringLiteral("alert:Stays")}));
}

void TestEngine::pause_comesBackAfterIntervalWithDateTimeSound()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Net"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,")),
         make(QStringLiteral("Other"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,"))});
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0)));
    rig.engine.pause(rig.model.at(0).id);
    QCOMPARE(rig.model.at(0).ponovno, QStringLiteral("10:00:00"));
    rig.model.selectRow(1);
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 4, 59)));
    rig.engine.checkPausedAlerts(5);
    QVERIFY(rig.log.isEmpty());
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 5, 0)));
    rig.engine.checkPausedAlerts(5);
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Net")}));
    QCOMPARE(rig.model.at(0).ponovno, QStringLiteral("0"));
    rig.engine.checkPausedAlerts(5);
    QCOMPARE(rig.log.size(), 2);
}

void TestEngine::pause_intervalBelowOneLastsAMinute()
{
    for (const int interval : {0, -3}) {
        Rig rig;
        rig.model.setRows(
            {make(QStringLiteral("Now"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,"))});
        rig.engine.pause(rig.model.at(0).id);
        const QDateTime pausedAt = rig.clock.now();
        for (const qint64 ms : {30LL, 1000LL, 59'999LL}) {
            rig.clock.set(pausedAt.addMSecs(ms));
            rig.engine.checkPausedAlerts(interval);
            QVERIFY2(rig.log.isEmpty(), qPrintable(QString::number(ms)));
        }
        rig.clock.set(pausedAt.addSecs(60));
        rig.engine.checkPausedAlerts(interval);
        QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Now")}));
    }
}

void TestEngine::pause_acrossMidnightComesBack()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Late"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,"))});
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(23, 58, 0)));
    rig.engine.pause(rig.model.at(0).id);
    rig.clock.set(QDateTime(QDate(2026, 12, 9), QTime(0, 2, 59)));
    rig.engine.checkPausedAlerts(5);
    QVERIFY(rig.log.isEmpty());
    rig.clock.set(QDateTime(QDate(2026, 12, 9), QTime(0, 3, 0)));
    rig.engine.checkPausedAlerts(5);
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Late")}));
}

void TestEngine::pause_twoRowsDueInSameTickComeBackInOrder()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("First"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,")),
         make(QStringLiteral("Second"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("2,"))});
    rig.engine.pause(rig.model.at(1).id);
    rig.engine.pause(rig.model.at(0).id);
    rig.clock.advanceSeconds(60);
    rig.engine.checkPausedAlerts(1);
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:First"), QStringLiteral("sound:1"),
                                   QStringLiteral("alert:Second")}));
}

void TestEngine::nextWake_whileAnAlertIsOpen_rowsWaitForItToClose()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("First"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,")),
         make(QStringLiteral("Second"), QStringLiteral("08.12.26"), QStringLiteral("08:30:00"), QStringLiteral("1,"))});
    const QDateTime now = rig.clock.now();
    QCOMPARE(rig.engine.nextWake({}), now);
    QList<QDateTime> planned;
    rig.alerts.whileOpen = [&](quint64) { planned.append(rig.engine.nextWake({})); };
    rig.engine.scanDateTime();
    // Inside the alert "Second" is due too, but a wake now would only find the alert open: the
    // alert's close plans again.
    QCOMPARE(planned, (QList<QDateTime>{QDateTime(), QDateTime()}));
    QCOMPARE(rig.engine.nextWake({}), QDateTime());
    rig.alerts.externallyShowing = true; // a reminder shown in view mode
    rig.model.setChecked(0, false);
    QCOMPARE(rig.engine.nextWake({}), QDateTime());
    rig.alerts.externallyShowing = false;
    QCOMPARE(rig.engine.nextWake({}), now);
}

void TestEngine::nextWake_afterPause_atItsReturn()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Net"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,"))});
    QSignalSpy paused(&rig.engine, &ReminderEngine::paused);
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0, 500)));
    rig.engine.pause(rig.model.at(0).id);
    QCOMPARE(paused.count(), 1);
    QCOMPARE(paused.first().first().value<quint64>(), rig.model.at(0).id);
    WakeNeeds needs;
    needs.intervalMinutes = 1;
    rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 0, 30)));
    QCOMPARE(rig.engine.nextWake(needs), QDateTime(QDate(2026, 12, 8), QTime(9, 1, 0, 500)));
    needs.pausedCheck = false;
    QCOMPARE(rig.engine.nextWake(needs), QDateTime());
}

void TestEngine::unanswered_rowsAsBeforeTheFire_savedAsBeforeMeanwhile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("date and time, repeating") << QStringLiteral("date");
    QTest::newRow("paused alert coming back") << QStringLiteral("pause");
    QTest::newRow("shutdown scan") << QStringLiteral("shutdown");
}

void TestEngine::unanswered_rowsAsBeforeTheFire_savedAsBeforeMeanwhile()
{
    QFETCH(QString, kind);
    Rig rig;
    rig.model.setRows({make(QStringLiteral("Stretch"), QStringLiteral("#08.12.26"), QStringLiteral("08:30:00"),
                            QStringLiteral("1,3,0,"), QStringLiteral("30"))});
    if (kind == QLatin1String("pause")) {
        rig.model.setChecked(0, true); // done for the date and time scan; only its pause brings it back
        rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(8, 40, 0)));
        rig.engine.pause(rig.model.at(0).id);
        rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(8, 45, 0)));
    }
    const Reminder before = rig.model.at(0);
    QList<Reminder> savedMeanwhile;
    bool changedMeanwhile = false;
    rig.alerts.whileOpen = [&](quint64) {
        savedMeanwhile = rig.engine.rowsToSave();
        changedMeanwhile = !(rig.model.at(0) == before) || rig.model.at(0).ponovno != before.ponovno;
    };
    rig.alerts.answers = false; // the program ends before the user answers
    if (kind == QLatin1String("date")) {
        rig.engine.scanDateTime();
    } else if (kind == QLatin1String("pause")) {
        rig.engine.checkPausedAlerts(5);
    } else {
        rig.engine.scanSystemEvent(QChar(u'3'), true, true);
    }
    QCOMPARE(rig.log.size(), 2);
    // The window shows the fire as it happens; the files never hold it until the alert is answered.
    QCOMPARE(changedMeanwhile, kind != QLatin1String("shutdown"));
    QCOMPARE(savedMeanwhile.size(), 1);
    QCOMPARE(savedMeanwhile.first(), before);
    QCOMPARE(savedMeanwhile.first().ponovno, before.ponovno);
    QCOMPARE(rig.model.at(0), before);
    QCOMPARE(rig.model.at(0).ponovno, before.ponovno);
    QCOMPARE(rig.engine.rowsToSave().first(), before);
}

void TestEngine::ending_noDateTimeAlertNoReAlertStarts_systemScansStillShow()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Due"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,")),
         make(QStringLiteral("Paused"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("3,"))});
    rig.engine.pause(rig.model.at(1).id);
    rig.clock.advanceSeconds(600);
    rig.engine.setEnding(true);
    rig.engine.scanDateTime();
    rig.engine.checkPausedAlerts(1);
    QVERIFY(rig.log.isEmpty());
    QVERIFY(!rig.model.at(0).checked);
    rig.engine.scanSystemEvent(QChar(u'3'), true, true);
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:3"), QStringLiteral("alert:Paused")}));
    // The end called off: they fire again.
    rig.engine.setEnding(false);
    rig.engine.scanDateTime();
    QCOMPARE(rig.log.mid(2), (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:Due")}));
}

void TestEngine::ending_whileAnAlertShows_rowDueMeanwhileDoesNotFire()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("A"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,")),
         make(QStringLiteral("B"), QStringLiteral("08.12.26"), QStringLiteral("09:00:30"), QStringLiteral("1,"))});
    rig.alerts.whileOpen = [&](quint64) {
        rig.engine.setEnding(true);
        rig.clock.advanceSeconds(60);
    };
    rig.engine.scanDateTime();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:1"), QStringLiteral("alert:A")}));
    QVERIFY(rig.model.at(0).checked);
    QVERIFY(!rig.model.at(1).checked);
}

void TestEngine::dropQueued_cancelledEndDropsItsAlertsOnly()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Bye"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("3,")),
         make(QStringLiteral("Net"), QStringLiteral("#08.12.26"), QStringLiteral("0"), QStringLiteral("4,"))});
    rig.alerts.externallyShowing = true;
    rig.engine.scanSystemEvent(QChar(u'4'), false, false);
    rig.engine.scanSystemEvent(QChar(u'3'), true, true);
    rig.engine.dropQueued(QChar(u'3'));
    rig.alerts.externallyShowing = false;
    rig.engine.alertWindowClosed();
    QCOMPARE(rig.log, (QStringList{QStringLiteral("sound:4"), QStringLiteral("alert:Net")}));
    QVERIFY(!rig.model.at(0).checked);
}

void TestEngine::pausedThenAnswered_rowStaysDone_savedOnceAnswered()
{
    Rig rig;
    rig.model.setRows(
        {make(QStringLiteral("Call"), QStringLiteral("08.12.26"), QStringLiteral("08:00:00"), QStringLiteral("1,"))});
    int shown = 0;
    rig.alerts.whileOpen = [&](quint64 id) {
        if (++shown == 1) {
            rig.engine.pause(id); // Pause answers the alert
        }
    };
    // The files are written again once an answered fire belongs to the saved rows.
    QSignalSpy settled(&rig.engine, &ReminderEngine::rowsToSaveChanged);
    rig.engine.scanDateTime();
    QCOMPARE(settled.count(), 1);
    QVERIFY(rig.model.at(0).checked);
    QVERIFY(rig.engine.rowsToSave().first().checked);
    rig.clock.advanceMSecs(60 * 1000); // the shortest pause
    rig.engine.checkPausedAlerts(0);
    QCOMPARE(shown, 2);
    QVERIFY(rig.model.at(0).checked);
    QVERIFY(rig.engine.rowsToSave().first().checked);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
