// The next wake: never later than the first instant at which the date and time scan or the re-alert
// check would act, and the instant itself whenever that lies within the longest wait.
#include "core/TriggerRules.h"
#include "core/WakePlan.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Reminder)

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

Reminder row(const QString& date, const QString& time, const QString& events = u"1,"_s, bool checked = false)
{
    Reminder r;
    r.name = u"Row"_s;
    r.date = date;
    r.time = time;
    r.events = events;
    r.checked = checked;
    r.what = u"Do it"_s;
    return r;
}

Reminder paused(const QDateTime& pausedAt, bool keepInstant = true)
{
    Reminder r = row(u"#08.12.26"_s, u"0"_s, u"2,"_s);
    PauseRow(r, pausedAt);
    if (!keepInstant) {
        r.pausedAt = QDateTime(); // only the time of day, as in Ponovno
    }
    return r;
}

// Whether the scan or the re-alert check would act on some row at now.
bool anythingDue(const QList<Reminder>& rows, const QDateTime& now, const WakeNeeds& needs)
{
    for (const Reminder& r : rows) {
        if ((needs.dateTimeScan && ShouldFire(r, now)) ||
            (needs.pausedCheck && SnoozeDue(r, now, needs.intervalMinutes))) {
            return true;
        }
    }
    return false;
}

// Follows the plan from start, waking where it says, until something is due; the wake at which it is.
QDateTime wakeThatFinds(const QList<Reminder>& rows, QDateTime t, const WakeNeeds& needs, const QDateTime& until)
{
    while (t.isValid() && t < until) {
        t = NextWake(rows, t, needs);
        if (t.isValid() && anythingDue(rows, t, needs)) {
            return t;
        }
    }
    return {};
}

// The first whole second from start on at which something is due, as a tick every second finds it.
QDateTime firstDueBySeconds(const QList<Reminder>& rows, QDateTime t, const WakeNeeds& needs, const QDateTime& until)
{
    for (; t < until; t = t.addSecs(1)) {
        if (anythingDue(rows, t, needs)) {
            return t;
        }
    }
    return {};
}

} // namespace

class TestWakePlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A zone with daylight-saving changes; its December and January dates keep one offset.
        qputenv("TZ", "Europe/Berlin");
    }

    void oneRow_data();
    void oneRow();
    void needs_data();
    void needs();
    void earliestOfSeveralRows_wins();
    void intervalChangedWhilePauseRuns_planFollowsNewInterval();
    void rowUncheckedAfterItsDueInstant_dueNow();
    void editorClock_endOfEachSecond();
    void daylightSavingChange_firstInstantReadingTheDueTimeOrLater_data();
    void daylightSavingChange_firstInstantReadingTheDueTimeOrLater();
    void followingThePlan_findsWhatTicksEverySecondFind_data();
    void followingThePlan_findsWhatTicksEverySecondFind();
    void randomRows_neverLaterThanTheRules();
    void manyRows_oneDueAtTheEnd_found();
};

void TestWakePlan::oneRow_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("wake");

    const QDateTime noon = at(2026, 12, 8, 12, 0);
    const QDateTime never; // nothing can happen: no wake at all
    QTest::newRow("date and time within the minute")
        << row(u"08.12.26"_s, u"12:00:40"_s) << 5 << noon << at(2026, 12, 8, 12, 0, 40);
    QTest::newRow("date and time one ms ahead")
        << row(u"08.12.26"_s, u"12:00:40"_s) << 5 << at(2026, 12, 8, 12, 0, 39, 999) << at(2026, 12, 8, 12, 0, 40);
    QTest::newRow("date and time reached")
        << row(u"08.12.26"_s, u"12:00:40"_s) << 5 << at(2026, 12, 8, 12, 0, 40) << at(2026, 12, 8, 12, 0, 40);
    QTest::newRow("date and time days ahead: its instant")
        << row(u"24.12.26"_s, u"09:30:00"_s) << 5 << noon << at(2026, 12, 24, 9, 30);
    QTest::newRow("date and time years ahead: its instant")
        << row(u"24.12.40"_s, u"09:30:00"_s) << 5 << noon << at(2040, 12, 24, 9, 30);
    QTest::newRow("date and time long past: now") << row(u"01.01.20"_s, u"09:30:00"_s) << 5 << noon << noon;
    QTest::newRow("date only tomorrow, at midnight")
        << row(u"09.12.26"_s, u"0"_s) << 5 << at(2026, 12, 8, 23, 59, 30) << at(2026, 12, 9, 0, 0);
    QTest::newRow("date only today: now") << row(u"08.12.26"_s, u"0"_s) << 5 << noon << noon;
    QTest::newRow("date only next month")
        << row(u"01.01.27"_s, u"0"_s) << 5 << at(2026, 12, 31, 23, 59, 45) << at(2027, 1, 1, 0, 0);
    QTest::newRow("date only after a leap day")
        << row(u"01.03.28"_s, u"0"_s) << 5 << at(2028, 2, 29, 23, 59, 50) << at(2028, 3, 1, 0, 0);
    QTest::newRow("date only after april")
        << row(u"01.05.27"_s, u"0"_s) << 5 << at(2027, 4, 30, 23, 59, 1) << at(2027, 5, 1, 0, 0);
    QTest::newRow("time only on its floating date")
        << row(u"#08.12.26"_s, u"12:00:30"_s) << 5 << noon << at(2026, 12, 8, 12, 0, 30);
    QTest::newRow("time only moved past midnight")
        << row(u"#09.12.26"_s, u"00:00:10"_s) << 5 << at(2026, 12, 8, 23, 59, 50) << at(2026, 12, 9, 0, 0, 10);
    QTest::newRow("time only on an old floating date: now") << row(u"#01.12.26"_s, u"18:00:00"_s) << 5 << noon << noon;
    QTest::newRow("time on no date, later today")
        << row(u"0"_s, u"12:00:20"_s) << 5 << noon << at(2026, 12, 8, 12, 0, 20);
    QTest::newRow("time on no date, passed today: now") << row(u"0"_s, u"11:00:00"_s) << 5 << noon << noon;
    QTest::newRow("neither date nor time: now") << row(u"#08.12.26"_s, u"0"_s) << 5 << noon << noon;
    QTest::newRow("neither, no date at all: now") << row(u"0"_s, u"0"_s) << 5 << noon << noon;
    QTest::newRow("checked: left out") << row(u"01.01.20"_s, u"09:30:00"_s, u"1,"_s, true) << 5 << noon << never;
    QTest::newRow("no date and time flag: left out")
        << row(u"01.01.20"_s, u"09:30:00"_s, u"2,4,"_s) << 5 << noon << never;
    QTest::newRow("date that does not read: left out") << row(u"32.13.26"_s, u"09:30:00"_s) << 5 << noon << never;
    QTest::newRow("time that does not read: left out") << row(u"08.12.26"_s, u"25:00:00"_s) << 5 << noon << never;
    QTest::newRow("floating date that does not read: left out") << row(u"#x"_s, u"0"_s) << 5 << noon << never;

    QTest::newRow("pause runs out within the minute")
        << paused(at(2026, 12, 8, 11, 55, 30)) << 5 << noon << at(2026, 12, 8, 12, 0, 30);
    QTest::newRow("pause ran out: now") << paused(at(2026, 12, 8, 11, 55)) << 5 << noon << noon;
    QTest::newRow("pause with Interval 0: a minute") << paused(noon) << 0 << noon << noon.addSecs(60);
    QTest::newRow("pause with a negative Interval: a minute") << paused(noon) << -3 << noon << noon.addSecs(60);
    QTest::newRow("pause of many minutes: its end") << paused(noon) << 120 << noon << noon.addSecs(7200);
    QTest::newRow("pause across midnight, before it")
        << paused(at(2026, 12, 8, 23, 58)) << 5 << at(2026, 12, 8, 23, 59, 30) << at(2026, 12, 9, 0, 3);
    QTest::newRow("pause across midnight, after it")
        << paused(at(2026, 12, 8, 23, 58)) << 5 << at(2026, 12, 9, 0, 2, 30) << at(2026, 12, 9, 0, 3);
    QTest::newRow("pause across a month's end")
        << paused(at(2026, 12, 31, 23, 57, 10)) << 3 << at(2027, 1, 1, 0, 0) << at(2027, 1, 1, 0, 0, 10);
    QTest::newRow("time of day of a pause only")
        << paused(at(2026, 12, 8, 11, 56), false) << 5 << at(2026, 12, 8, 12, 0, 30) << at(2026, 12, 8, 12, 1);
    // With no instant of the pause, the time of day alone cannot pass midnight: it never comes back.
    QTest::newRow("time of day of a pause only, past midnight")
        << paused(at(2026, 12, 8, 23, 58), false) << 5 << at(2026, 12, 9, 0, 2, 59) << never;
}

void TestWakePlan::oneRow()
{
    QFETCH(Reminder, reminder);
    QFETCH(int, interval);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, wake);
    WakeNeeds needs;
    needs.intervalMinutes = interval;
    const QDateTime planned = NextWake({reminder}, now, needs);
    QCOMPARE(planned, wake);
    // What the plan promises, checked against the rules themselves.
    QCOMPARE(anythingDue({reminder}, now, needs), planned == now);
    if (!planned.isValid()) {
        QVERIFY(!anythingDue({reminder}, now.addDays(400), needs));
    } else if (planned > now) {
        QVERIFY(!anythingDue({reminder}, planned.addMSecs(-1), needs));
        QVERIFY(anythingDue({reminder}, planned, needs));
    }
}

void TestWakePlan::needs_data()
{
    QTest::addColumn<bool>("dateTimeScan");
    QTest::addColumn<bool>("pausedCheck");
    QTest::addColumn<bool>("editorClock");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QDateTime>("wake");

    // Now 12:00:00.250; an overdue row and a pause that runs out at 12:00:20.
    QTest::newRow("all on: the overdue row") << true << true << false << false << at(2026, 12, 8, 12, 0, 0, 250);
    QTest::newRow("scan off: the pause") << false << true << false << false << at(2026, 12, 8, 12, 0, 20);
    QTest::newRow("both off: no wake") << false << false << false << false << QDateTime();
    QTest::newRow("both off, editor clock: the next second")
        << false << false << true << false << at(2026, 12, 8, 12, 0, 1);
    QTest::newRow("held: no wake, nothing spins") << true << true << false << true << QDateTime();
    QTest::newRow("held, editor clock still runs") << true << true << true << true << at(2026, 12, 8, 12, 0, 1);
}

void TestWakePlan::needs()
{
    QFETCH(bool, dateTimeScan);
    QFETCH(bool, pausedCheck);
    QFETCH(bool, editorClock);
    QFETCH(bool, held);
    QFETCH(QDateTime, wake);
    const QDateTime now = at(2026, 12, 8, 12, 0, 0, 250);
    const QList<Reminder> rows{row(u"08.12.26"_s, u"11:00:00"_s), paused(at(2026, 12, 8, 11, 59, 20))};
    WakeNeeds needs{dateTimeScan, pausedCheck, editorClock, held, 1};
    QCOMPARE(NextWake(rows, now, needs), wake);
}

void TestWakePlan::earliestOfSeveralRows_wins()
{
    const QDateTime now = at(2026, 12, 31, 23, 59, 20);
    const QList<Reminder> rows{row(u"31.12.26"_s, u"23:59:50"_s), row(u"01.01.27"_s, u"0"_s),
                               row(u"#31.12.26"_s, u"23:59:40"_s), row(u"31.12.26"_s, u"23:59:30"_s, u"1,"_s, true),
                               paused(at(2026, 12, 31, 23, 58, 25))};
    WakeNeeds needs;
    needs.intervalMinutes = 2;
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 31, 23, 59, 40));
    needs.intervalMinutes = 1;
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 31, 23, 59, 25));
    needs.intervalMinutes = 0;
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 31, 23, 59, 25));
    needs.pausedCheck = false;
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 31, 23, 59, 40));
}

void TestWakePlan::intervalChangedWhilePauseRuns_planFollowsNewInterval()
{
    const QList<Reminder> rows{paused(at(2026, 12, 8, 12, 0))};
    WakeNeeds needs;
    needs.intervalMinutes = 10;
    QDateTime now = at(2026, 12, 8, 12, 0, 30);
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 8, 12, 10));
    needs.intervalMinutes = 1;
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 8, 12, 1));
    // Made longer again before it ran out: the pause goes on.
    now = at(2026, 12, 8, 12, 0, 59);
    needs.intervalMinutes = 2;
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 8, 12, 2));
    QCOMPARE(wakeThatFinds(rows, now, needs, now.addSecs(600)), at(2026, 12, 8, 12, 2));
    // Made shorter than the time already paused: it comes back at once; 0 counts as one minute.
    needs.intervalMinutes = 0;
    QCOMPARE(NextWake(rows, now, needs), at(2026, 12, 8, 12, 1));
    QCOMPARE(NextWake(rows, at(2026, 12, 8, 12, 1, 5), needs), at(2026, 12, 8, 12, 1, 5));
}

void TestWakePlan::rowUncheckedAfterItsDueInstant_dueNow()
{
    Reminder r = row(u"08.12.26"_s, u"09:30:00"_s, u"1,"_s, true);
    const QDateTime now = at(2026, 12, 8, 11, 0, 0, 400);
    WakeNeeds needs;
    QCOMPARE(NextWake({r}, now, needs), QDateTime());
    r.checked = false;
    QCOMPARE(NextWake({r}, now, needs), now);
}

void TestWakePlan::editorClock_endOfEachSecond()
{
    WakeNeeds needs;
    needs.editorClock = true;
    QDateTime t = at(2026, 12, 8, 23, 59, 58, 600);
    QList<QDateTime> shown;
    for (int i = 0; i < 3; ++i) {
        t = NextWake({}, t, needs);
        shown.append(t);
    }
    QCOMPARE(shown, (QList<QDateTime>{at(2026, 12, 8, 23, 59, 59), at(2026, 12, 9, 0, 0), at(2026, 12, 9, 0, 0, 1)}));
    needs.editorClock = false;
    QCOMPARE(NextWake({}, t, needs), QDateTime());
}

void TestWakePlan::daylightSavingChange_firstInstantReadingTheDueTimeOrLater_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("wake");

    const auto utc = [](int y, int mo, int d, int h, int mi, int s = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toLocalTime();
    };
    // In Berlin clocks go from 02:00 (+01:00) to 03:00 (+02:00) on 29.03.26, and from 03:00 (+02:00)
    // back to 02:00 (+01:00) on 25.10.26. The scan fires a row once the wall clock reads its time
    // or later: a time in the skipped hour at 03:00:00, a time in the repeated hour the first time.
    const QDateTime skip = utc(2026, 3, 29, 1, 0);
    QTest::newRow("skipped 02:30, from 01:50") << row(u"29.03.26"_s, u"02:30:00"_s) << utc(2026, 3, 29, 0, 50) << skip;
    QTest::newRow("skipped 02:30, from 30 s before the change")
        << row(u"29.03.26"_s, u"02:30:00"_s) << utc(2026, 3, 29, 0, 59, 30) << skip;
    QTest::newRow("skipped 02:30, from the day before")
        << row(u"29.03.26"_s, u"02:30:00"_s) << utc(2026, 3, 28, 11, 0) << skip;
    QTest::newRow("skipped 02:30, from months before")
        << row(u"29.03.26"_s, u"02:30:00"_s) << utc(2025, 12, 8, 11, 0) << skip;
    QTest::newRow("skipped 02:00:00") << row(u"29.03.26"_s, u"02:00:00"_s) << utc(2026, 3, 29, 0, 50) << skip;
    QTest::newRow("skipped 02:59:59") << row(u"29.03.26"_s, u"02:59:59"_s) << utc(2026, 3, 29, 0, 50) << skip;
    QTest::newRow("03:00:00, the first reading after the change")
        << row(u"29.03.26"_s, u"03:00:00"_s) << utc(2026, 3, 29, 0, 50) << skip;
    QTest::newRow("01:59:59, the last reading before it")
        << row(u"29.03.26"_s, u"01:59:59"_s) << utc(2026, 3, 29, 0, 50) << utc(2026, 3, 29, 0, 59, 59);
    QTest::newRow("skipped time on a floating date")
        << row(u"#29.03.26"_s, u"02:15:00"_s) << utc(2026, 3, 28, 23, 0) << skip;
    QTest::newRow("repeated 02:30, from 01:50 (+02:00)")
        << row(u"25.10.26"_s, u"02:30:00"_s) << utc(2026, 10, 24, 23, 50) << utc(2026, 10, 25, 0, 30);
    QTest::newRow("repeated 02:30, from months before")
        << row(u"25.10.26"_s, u"02:30:00"_s) << utc(2026, 3, 1, 11, 0) << utc(2026, 10, 25, 0, 30);
    QTest::newRow("repeated 02:40, from 02:10 the second time (+01:00)")
        << row(u"#25.10.26"_s, u"02:40:00"_s) << utc(2026, 10, 25, 1, 10) << utc(2026, 10, 25, 1, 40);
    QTest::newRow("repeated 02:30, reached the first time: now")
        << row(u"25.10.26"_s, u"02:30:00"_s) << utc(2026, 10, 25, 0, 45) << utc(2026, 10, 25, 0, 45);
    QTest::newRow("03:00 after the repeated hour")
        << row(u"25.10.26"_s, u"03:00:00"_s) << utc(2026, 10, 25, 0, 50) << utc(2026, 10, 25, 2, 0);
}

void TestWakePlan::daylightSavingChange_firstInstantReadingTheDueTimeOrLater()
{
    QFETCH(Reminder, reminder);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, wake);
    const QDateTime planned = NextWake({reminder}, now, WakeNeeds{});
    QCOMPARE(planned.toUTC(), wake.toUTC());
    QVERIFY(ShouldFire(reminder, planned));
    if (planned > now) {
        QVERIFY(!ShouldFire(reminder, planned.addMSecs(-1)));
    }
    // The same zone named rather than taken from the system gives the same plan.
    const QTimeZone berlin("Europe/Berlin");
    QCOMPARE(NextWake({reminder}, now.toTimeZone(berlin), WakeNeeds{}).toUTC(), wake.toUTC());
}

void TestWakePlan::followingThePlan_findsWhatTicksEverySecondFind_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<QDateTime>("start");

    const auto utc = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toLocalTime();
    };
    QTest::newRow("hours ahead") << row(u"08.12.26"_s, u"15:30:00"_s) << at(2026, 12, 8, 12, 0, 0, 300);
    QTest::newRow("over midnight") << row(u"#09.12.26"_s, u"00:00:01"_s) << at(2026, 12, 8, 23, 0, 0, 10);
    QTest::newRow("over a year's end") << row(u"01.01.27"_s, u"0"_s) << at(2026, 12, 31, 22, 0, 0, 990);
    QTest::newRow("pause over midnight") << paused(at(2026, 12, 8, 23, 58)) << at(2026, 12, 8, 23, 58, 1);
    // Daylight saving starts on 28.03.27 at 02:00 (+01:00), which becomes 03:00 (+02:00).
    QTest::newRow("just after clocks go forward") << row(u"28.03.27"_s, u"03:00:10"_s) << at(2027, 3, 28, 1, 50, 30);
    // 02:30 is never shown: the tick at 03:00:00 finds it due, and so does the plan.
    QTest::newRow("in the hour that clocks skip") << row(u"28.03.27"_s, u"02:30:00"_s) << at(2027, 3, 28, 1, 50, 30);
    // Daylight saving ends on 31.10.27 at 03:00 (+02:00), which becomes 02:00 (+01:00) again.
    QTest::newRow("repeated hour, first time") << row(u"31.10.27"_s, u"02:30:00"_s) << utc(2027, 10, 30, 23, 50, 30);
    QTest::newRow("repeated hour, second time") << row(u"#31.10.27"_s, u"02:40:00"_s) << utc(2027, 10, 31, 1, 5, 30);
    QTest::newRow("date only on the day clocks go back") << row(u"31.10.27"_s, u"0"_s) << at(2027, 10, 30, 23, 0);
}

void TestWakePlan::followingThePlan_findsWhatTicksEverySecondFind()
{
    QFETCH(Reminder, reminder);
    QFETCH(QDateTime, start);
    WakeNeeds needs;
    needs.intervalMinutes = 5;
    const QDateTime until = start.addDays(2);
    const QDateTime tick = firstDueBySeconds({reminder}, start, needs, until);
    const QDateTime woken = wakeThatFinds({reminder}, start, needs, until);
    QVERIFY(tick.isValid());
    QVERIFY(woken.isValid());
    const QString seen = woken.toString(Qt::ISODateWithMs) + u" / "_s + tick.toString(Qt::ISODateWithMs);
    // The ticks run at start's fraction of a second; the plan wakes at the instant itself.
    QVERIFY2(woken <= tick, qPrintable(seen));
    QVERIFY2(woken.msecsTo(tick) < 1000, qPrintable(seen));
}

void TestWakePlan::randomRows_neverLaterThanTheRules()
{
    QRandomGenerator random(7031);
    const QStringList times{u"0"_s, u"00:00:00"_s, u"23:59:59"_s, u"12:00:30"_s, u"12:01:00"_s, u"11:59:59"_s};
    const QStringList dates{u"0"_s,        u"#08.12.26"_s, u"#09.12.26"_s, u"08.12.26"_s,
                            u"09.12.26"_s, u"07.12.26"_s,  u"01.01.27"_s,  u"#bad"_s};
    for (int round = 0; round < 2000; ++round) {
        const QDateTime now =
            at(2026, 12, 8, 0, 0).addMSecs(qint64(random.bounded(2 * 86400)) * 1000 + random.bounded(1000));
        QList<Reminder> rows;
        for (int i = 0; i < 4; ++i) {
            Reminder r = row(dates.at(random.bounded(int(dates.size()))), times.at(random.bounded(int(times.size()))),
                             random.bounded(5) == 0 ? u"2,"_s : u"1,"_s, random.bounded(4) == 0);
            if (random.bounded(3) == 0) {
                PauseRow(r, now.addSecs(-qint64(random.bounded(400))));
                if (random.bounded(2) == 0) {
                    r.pausedAt = QDateTime();
                }
            }
            rows.append(r);
        }
        WakeNeeds needs;
        needs.intervalMinutes = int(random.bounded(8));
        const QDateTime wake = NextWake(rows, now, needs);
        const QString seen = now.toString(Qt::ISODateWithMs);
        if (!wake.isValid()) {
            // Nothing can happen: not now, and not on any later day either.
            QVERIFY2(!anythingDue(rows, now, needs), qPrintable(seen));
            QVERIFY2(!anythingDue(rows, now.addDays(30), needs), qPrintable(seen));
            continue;
        }
        QVERIFY(wake >= now);
        QCOMPARE(wake == now, anythingDue(rows, now, needs));
        if (wake > now) {
            QVERIFY2(!anythingDue(rows, wake.addMSecs(-1), needs), qPrintable(seen));
            QVERIFY2(anythingDue(rows, wake, needs), qPrintable(seen));
        }
    }
}

void TestWakePlan::manyRows_oneDueAtTheEnd_found()
{
    QList<Reminder> rows;
    rows.reserve(100'000);
    for (int i = 0; i < 100'000; ++i) {
        rows.append(row(u"24.12.40"_s, u"09:30:00"_s));
    }
    rows.append(row(u"08.12.26"_s, u"12:00:05"_s));
    QCOMPARE(NextWake(rows, at(2026, 12, 8, 12, 0), WakeNeeds{}), at(2026, 12, 8, 12, 0, 5));
}

QTEST_GUILESS_MAIN(TestWakePlan)
#include "tst_wakeplan.moc"
