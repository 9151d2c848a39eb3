#include "core/DateText.h"
#include "core/TriggerRules.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

Reminder row(const QString& date, const QString& time, const QString& repeat = u"0"_s, const QString& events = u"1,"_s,
             bool checked = false)
{
    Reminder r;
    r.name = u"Row"_s;
    r.date = date;
    r.time = time;
    r.repeat = repeat;
    r.events = events;
    r.checked = checked;
    r.what = u"Do it"_s;
    return r;
}

QDateTime at(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// The due instant has been reached as the wall clock reads: its date and time of day are not after
// now's, whatever the two offsets from UTC.
bool reached(const QDateTime& due, const QDateTime& now)
{
    return std::pair(due.date(), due.time()) <= std::pair(now.date(), now.time());
}

// One pass of the scan over the rows, as the engine makes it: returns the indexes fired, in order.
QList<int> tick(QList<Reminder>& rows, const QDateTime& now)
{
    QList<int> fired;
    for (int i = 0; i < rows.size(); ++i) {
        Reminder& r = rows[i];
        if (!ShouldFire(r, now)) {
            continue;
        }
        const std::optional<QDateTime> due = DueInstant(r, now);
        if (!due) {
            return {-1};
        }
        r.checked = true;
        if (ApplyRepeatStep(r, *due)) {
            r.checked = false;
        }
        fired.append(i);
    }
    return fired;
}

qint64 truncatedMinutesBetween(qint64 aMs, qint64 bMs)
{
    return qAbs(aMs - bMs) / 60000;
}

// The catch-up of a time of day as the plain loop makes it, one step at a time; -1 when it never ends.
qint64 referenceTimeCatchUp(qint64 timeMs, qint64 nowMs, qint64 n)
{
    if (truncatedMinutesBetween(timeMs, nowMs) < n) {
        return timeMs;
    }
    for (int steps = 0; steps < 100000; ++steps) {
        timeMs = (timeMs + n * 60000) % 86400000;
        if (truncatedMinutesBetween(timeMs, nowMs) <= n) {
            return timeMs;
        }
    }
    return -1;
}

// The catch-up of a fixed date as the plain loop makes it.
QDate referenceDateCatchUp(QDate stored, QDate today, qint64 n)
{
    if (stored.daysTo(today) > n && stored < today) {
        while (stored.daysTo(today) > n) {
            stored = stored.addDays(n);
        }
    }
    return stored;
}

} // namespace

class TestTriggerRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void classifyRow_data();
    void classifyRow();
    void repeatValue_data();
    void repeatValue();

    void dueInstant_data();
    void dueInstant();
    void dueInstant_unreadableRowHasNone_data();
    void dueInstant_unreadableRowHasNone();
    void dueInstant_inDaylightSavingGap_keepsClockReading();
    void shouldFire_atTheEdgesOfItsDueReading_data();
    void shouldFire_atTheEdgesOfItsDueReading();

    void shouldFire_data();
    void shouldFire();

    void repeatStep_data();
    void repeatStep();
    void repeatStep_dateOnlyWeekLaterKeepsWeekday();
    void repeatStep_unreadableRowIsLeftAlone();

    void scan_firedRowWithoutRepeatStaysChecked();
    void scan_repeatingNeitherRowFiresOnceThenStaysChecked();
    void scan_timeOnlyEveryThirtyMinutes_movesToNextStep();
    void scan_dateZeroRowPastMidnightWaitsForNextDay();
    void scan_clearedCheckAfterDueFiresNextTick();
    void scan_tenDaysBackAfterCatchUpFiresTwiceThenWaits();

    void catchUp_data();
    void catchUp();
    void catchUp_fiftyYearsBackByWeekLandsOnSameWeekday();
    void catchUp_wholeListRowByRow();
    void catchUpDates_matchStepByStepLoop();
    void catchUpTimes_matchStepByStepLoop_random();
    void catchUpTimes_matchStepByStepLoop_everyMinuteOfTheDay();

    void alertOnText_data();
    void alertOnText();

    void snoozeDue_data();
    void snoozeDue();
    void pauseRow_keepsTimeOfDayAndInstant();
    void clearPause_endsSnooze();
    void snooze_pausedAt2358_comesBackAt0003NextDay();
};

void TestTriggerRules::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestTriggerRules::classifyRow_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<DateTimeKind>("kind");
    QTest::newRow("fixed date and time") << u"24.12.26"_s << u"18:30:00"_s << DateTimeKind::DateAndTime;
    QTest::newRow("fixed date only") << u"24.12.26"_s << u"0"_s << DateTimeKind::DateOnly;
    QTest::newRow("one-digit day and month") << u"5.3.26"_s << u"9:30:00"_s << DateTimeKind::DateAndTime;
    QTest::newRow("floating date with time") << u"#08.12.26"_s << u"18:00:00"_s << DateTimeKind::TimeOnly;
    QTest::newRow("date 0 with time") << u"0"_s << u"18:00:00"_s << DateTimeKind::TimeOnly;
    QTest::newRow("floating date without time") << u"#08.12.26"_s << u"0"_s << DateTimeKind::Neither;
    QTest::newRow("date 0 without time") << u"0"_s << u"0"_s << DateTimeKind::Neither;
    QTest::newRow("leap day of a leap year") << u"29.02.28"_s << u"0"_s << DateTimeKind::DateOnly;
    QTest::newRow("leap day of a common year") << u"29.02.27"_s << u"0"_s << DateTimeKind::Invalid;
    QTest::newRow("day 32") << u"32.01.26"_s << u"0"_s << DateTimeKind::Invalid;
    QTest::newRow("empty date") << QString() << u"0"_s << DateTimeKind::Invalid;
    QTest::newRow("text date") << u"tomorrow"_s << u"0"_s << DateTimeKind::Invalid;
    QTest::newRow("floating date unreadable") << u"#xx"_s << u"0"_s << DateTimeKind::Invalid;
    QTest::newRow("bare hash") << u"#"_s << u"12:00:00"_s << DateTimeKind::Invalid;
    QTest::newRow("hour 25") << u"24.12.26"_s << u"25:00:00"_s << DateTimeKind::Invalid;
    QTest::newRow("time without seconds") << u"24.12.26"_s << u"12:00"_s << DateTimeKind::Invalid;
    QTest::newRow("empty time") << u"24.12.26"_s << QString() << DateTimeKind::Invalid;
    QTest::newRow("date 0, time unreadable") << u"0"_s << u"noon"_s << DateTimeKind::Invalid;
    QTest::newRow("floating date, time unreadable") << u"#08.12.26"_s << u"12.00.00"_s << DateTimeKind::Invalid;
}

void TestTriggerRules::classifyRow()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(DateTimeKind, kind);
    QCOMPARE(ClassifyRow(row(date, time), 2026), kind);
}

void TestTriggerRules::repeatValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("zero") << u"0"_s << 0;
    QTest::newRow("thirty") << u"30"_s << 30;
    QTest::newRow("four digits") << u"9999"_s << 9999;
    QTest::newRow("leading zeros") << u"0007"_s << 7;
    QTest::newRow("double zero") << u"00"_s << 0;
    QTest::newRow("five digits") << u"12345"_s << 12345;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("letters") << u"abc"_s << 0;
    QTest::newRow("minus") << u"-5"_s << 0;
    QTest::newRow("plus") << u"+5"_s << 0;
    QTest::newRow("leading blank") << u" 5"_s << 0;
    QTest::newRow("trailing letter") << u"5x"_s << 0;
    QTest::newRow("too long to hold") << u"12345678901"_s << 0;
}

void TestTriggerRules::repeatValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(RepeatValue(text), value);
}

void TestTriggerRules::dueInstant_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime now = at(2026, 12, 8, 12, 0, 0, 750);
    QTest::newRow("date and time, ahead") << u"24.12.26"_s << u"18:30:00"_s << now << at(2026, 12, 24, 18, 30);
    QTest::newRow("date and time, past") << u"05.03.26"_s << u"09:30:00"_s << now << at(2026, 3, 5, 9, 30);
    QTest::newRow("date only: now's time in whole seconds")
        << u"24.12.26"_s << u"0"_s << now << at(2026, 12, 24, 12, 0, 0, 0);
    QTest::newRow("date only today: reached") << u"08.12.26"_s << u"0"_s << now << at(2026, 12, 8, 12, 0, 0, 0);
    QTest::newRow("time only on its floating date") << u"#08.12.26"_s << u"18:00:00"_s << now << at(2026, 12, 8, 18, 0);
    QTest::newRow("time only on an older floating date")
        << u"#01.12.26"_s << u"07:00:00"_s << now << at(2026, 12, 1, 7, 0);
    QTest::newRow("date 0 with time: today") << u"0"_s << u"07:00:00"_s << now << at(2026, 12, 8, 7, 0);
    QTest::newRow("date 0 with time: later today") << u"0"_s << u"23:00:00"_s << now << at(2026, 12, 8, 23, 0);
    QTest::newRow("neither, floating date: at once") << u"#01.12.26"_s << u"0"_s << now << now;
    QTest::newRow("neither, date 0: at once") << u"0"_s << u"0"_s << now << now;
    QTest::newRow("two-digit year in the window") << u"01.01.75"_s << u"10:00:00"_s << now << at(2075, 1, 1, 10, 0);
    QTest::newRow("two-digit year before the window") << u"01.01.76"_s << u"10:00:00"_s << now << at(1976, 1, 1, 10, 0);
}

void TestTriggerRules::dueInstant()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, expected);
    const std::optional<QDateTime> due = DueInstant(row(date, time), now);
    QVERIFY(due.has_value());
    QVERIFY(due->isValid());
    QCOMPARE(due->date(), expected.date());
    QCOMPARE(due->time(), expected.time());
}

void TestTriggerRules::dueInstant_unreadableRowHasNone_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::newRow("31 February") << u"31.02.26"_s << u"09:00:00"_s;
    QTest::newRow("floating date unreadable") << u"#bad"_s << u"09:00:00"_s;
    QTest::newRow("floating date unreadable, no time") << u"#bad"_s << u"0"_s;
    QTest::newRow("time unreadable") << u"08.12.26"_s << u"9.30"_s;
    QTest::newRow("empty date") << QString() << u"0"_s;
}

void TestTriggerRules::dueInstant_unreadableRowHasNone()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QVERIFY(!DueInstant(row(date, time), at(2026, 12, 8, 12, 0)).has_value());
}

void TestTriggerRules::dueInstant_inDaylightSavingGap_keepsClockReading()
{
    const QTimeZone berlin("Europe/Berlin");
    if (!berlin.isValid()) {
        QSKIP("no time zone data for Europe/Berlin");
    }
    // 02:30 does not exist on 29 March 2026 in Berlin: the clocks go from 02:00 to 03:00.
    const Reminder r = row(u"29.03.26"_s, u"02:30:00"_s);
    const QDateTime before(QDate(2026, 3, 29), QTime(1, 59, 59), berlin);
    const QDateTime after(QDate(2026, 3, 29), QTime(3, 0, 0), berlin);
    const std::optional<QDateTime> due = DueInstant(r, before);
    QVERIFY(due.has_value());
    QVERIFY(due->isValid());
    QCOMPARE(due->date(), QDate(2026, 3, 29));
    QCOMPARE(due->time(), QTime(2, 30));
    QVERIFY(!ShouldFire(r, before));
    QVERIFY(ShouldFire(r, after));
    QVERIFY(reached(*DueInstant(r, after), after));
}

void TestTriggerRules::shouldFire_atTheEdgesOfItsDueReading_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("expected");
    const Reminder r = row(u"08.12.26"_s, u"09:30:00"_s);
    const QDateTime due = at(2026, 12, 8, 9, 30);
    QTest::newRow("at the instant") << r << due << true;
    QTest::newRow("one millisecond before") << r << due.addMSecs(-1) << false;
    QTest::newRow("one second before") << r << due.addSecs(-1) << false;
    QTest::newRow("one millisecond after") << r << due.addMSecs(1) << true;
    QTest::newRow("ten years after") << r << due.addYears(10) << true;
    QTest::newRow("a day before, later in the day") << r << at(2026, 12, 7, 23, 59, 59, 999) << false;
    const Reminder midnight = row(u"09.12.26"_s, u"00:00:00"_s);
    QTest::newRow("midnight reached") << midnight << at(2026, 12, 9, 0, 0) << true;
    QTest::newRow("last millisecond before midnight") << midnight << at(2026, 12, 8, 23, 59, 59, 999) << false;
    QTest::newRow("no due instant") << row(u"31.02.26"_s, u"09:30:00"_s) << due.addYears(1) << false;
}

void TestTriggerRules::shouldFire_atTheEdgesOfItsDueReading()
{
    QFETCH(Reminder, reminder);
    QFETCH(QDateTime, now);
    QFETCH(bool, expected);
    QCOMPARE(ShouldFire(reminder, now), expected);
    const std::optional<QDateTime> due = DueInstant(reminder, now);
    QCOMPARE(due.has_value() && reached(*due, now), expected);
}

void TestTriggerRules::shouldFire_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("expected");
    const Reminder dentist = row(u"08.12.26"_s, u"09:30:00"_s);
    QTest::newRow("date and time: at its instant") << dentist << at(2026, 12, 8, 9, 30) << true;
    QTest::newRow("date and time: one ms before") << dentist << at(2026, 12, 8, 9, 29, 59, 999) << false;
    QTest::newRow("date and time: a minute before") << dentist << at(2026, 12, 8, 9, 29) << false;
    QTest::newRow("date and time: started at 11:00") << dentist << at(2026, 12, 8, 11, 0) << true;
    QTest::newRow("date and time: the day before, later hour") << dentist << at(2026, 12, 7, 23, 0) << false;
    QTest::newRow("date and time: long passed") << row(u"05.03.20"_s, u"09:30:00"_s) << at(2026, 12, 8, 9, 0) << true;
    QTest::newRow("checked never fires") << row(u"05.03.20"_s, u"09:30:00"_s, u"0"_s, u"1,"_s, true)
                                         << at(2026, 12, 8, 9, 0) << false;
    QTest::newRow("checked repeating never fires")
        << row(u"#08.12.26"_s, u"08:00:00"_s, u"30"_s, u"1,0,"_s, true) << at(2026, 12, 8, 9, 0) << false;
    QTest::newRow("checked neither never fires")
        << row(u"0"_s, u"0"_s, u"0"_s, u"1,"_s, true) << at(2026, 12, 8, 9, 0) << false;
    QTest::newRow("no date-time flag") << row(u"05.03.20"_s, u"09:30:00"_s, u"0"_s, u"2,4,"_s) << at(2026, 12, 8, 9, 0)
                                       << false;
    QTest::newRow("empty events") << row(u"05.03.20"_s, u"09:30:00"_s, u"0"_s, QString()) << at(2026, 12, 8, 9, 0)
                                  << false;
    QTest::newRow("repeat flag only") << row(u"05.03.20"_s, u"09:30:00"_s, u"1"_s, u"0,"_s) << at(2026, 12, 8, 9, 0)
                                      << false;
    QTest::newRow("date-time flag after others")
        << row(u"05.03.20"_s, u"09:30:00"_s, u"0"_s, u"2,1,"_s) << at(2026, 12, 8, 9, 0) << true;
    QTest::newRow("date only: first instant of its day") << row(u"08.12.26"_s, u"0"_s) << at(2026, 12, 8, 0, 0) << true;
    QTest::newRow("date only: last instant before its day")
        << row(u"09.12.26"_s, u"0"_s) << at(2026, 12, 8, 23, 59, 59, 999) << false;
    QTest::newRow("date only: passed day") << row(u"01.12.26"_s, u"0"_s) << at(2026, 12, 8, 12, 0) << true;
    QTest::newRow("time only: one ms before")
        << row(u"#08.12.26"_s, u"18:00:00"_s) << at(2026, 12, 8, 17, 59, 59, 999) << false;
    QTest::newRow("time only: at its time") << row(u"#08.12.26"_s, u"18:00:00"_s) << at(2026, 12, 8, 18, 0) << true;
    QTest::newRow("time only: floating date of yesterday")
        << row(u"#07.12.26"_s, u"18:00:00"_s) << at(2026, 12, 8, 9, 30) << true;
    QTest::newRow("time only: floating date of tomorrow")
        << row(u"#09.12.26"_s, u"00:15:00"_s) << at(2026, 12, 8, 23, 50) << false;
    QTest::newRow("date 0, time later today: waits") << row(u"0"_s, u"18:00:00"_s) << at(2026, 12, 8, 9, 30) << false;
    QTest::newRow("date 0, time earlier today: due") << row(u"0"_s, u"08:00:00"_s) << at(2026, 12, 8, 9, 30) << true;
    QTest::newRow("neither, floating date: at once") << row(u"#08.12.26"_s, u"0"_s) << at(2026, 12, 8, 9, 30) << true;
    QTest::newRow("neither, floating date ahead: at once")
        << row(u"#24.12.26"_s, u"0"_s) << at(2026, 12, 8, 9, 30) << true;
    QTest::newRow("neither, date 0: at once") << row(u"0"_s, u"0"_s) << at(2026, 12, 8, 9, 30) << true;
    QTest::newRow("unreadable date never fires")
        << row(u"31.02.26"_s, u"09:00:00"_s) << at(2026, 12, 8, 9, 30) << false;
    QTest::newRow("unreadable floating date never fires") << row(u"#bad"_s, u"0"_s) << at(2026, 12, 8, 9, 30) << false;
    QTest::newRow("unreadable time never fires") << row(u"08.12.26"_s, u"9.30"_s) << at(2026, 12, 8, 9, 30) << false;
    QTest::newRow("empty date never fires") << row(QString(), u"0"_s) << at(2026, 12, 8, 9, 30) << false;
    QTest::newRow("repeat not a number still fires")
        << row(u"01.12.26"_s, u"09:00:00"_s, u"often"_s, u"1,0,"_s) << at(2026, 12, 8, 9, 30) << true;
}

void TestTriggerRules::shouldFire()
{
    QFETCH(Reminder, reminder);
    QFETCH(QDateTime, now);
    QFETCH(bool, expected);
    QCOMPARE(ShouldFire(reminder, now), expected);
    if (expected) {
        // Whatever fires has a due instant that is reached.
        const std::optional<QDateTime> due = DueInstant(reminder, now);
        QVERIFY(due.has_value());
        QVERIFY(reached(*due, now));
    }
}

void TestTriggerRules::repeatStep_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("repeats");
    QTest::addColumn<QString>("newDate");
    QTest::addColumn<QString>("newTime");

    QTest::newRow("days: next day, same time")
        << u"08.12.26"_s << u"09:30:00"_s << u"1"_s << at(2026, 12, 8, 9, 30) << true << u"09.12.26"_s << u"09:30:00"_s;
    QTest::newRow("days: fired late, counted from the due date")
        << u"01.12.26"_s << u"09:30:00"_s << u"1"_s << at(2026, 12, 8, 12, 0) << true << u"02.12.26"_s << u"09:30:00"_s;
    QTest::newRow("date only: a week on")
        << u"08.12.26"_s << u"0"_s << u"7"_s << at(2026, 12, 8, 13, 14, 15, 160) << true << u"15.12.26"_s << u"0"_s;
    QTest::newRow("days: year end") << u"31.12.26"_s << u"0"_s << u"1"_s << at(2026, 12, 31, 8, 0) << true
                                    << u"01.01.27"_s << u"0"_s;
    QTest::newRow("days: 31 January + 30, common year")
        << u"31.01.26"_s << u"10:00:00"_s << u"30"_s << at(2026, 1, 31, 10, 0) << true << u"02.03.26"_s
        << u"10:00:00"_s;
    QTest::newRow("days: 31 January + 30, leap year")
        << u"31.01.28"_s << u"10:00:00"_s << u"30"_s << at(2028, 1, 31, 10, 0) << true << u"01.03.28"_s
        << u"10:00:00"_s;
    QTest::newRow("days: leap day + 365") << u"29.02.28"_s << u"12:00:00"_s << u"365"_s << at(2028, 2, 29, 12, 0)
                                          << true << u"28.02.29"_s << u"12:00:00"_s;
    QTest::newRow("days: 28 February + 1, leap year")
        << u"28.02.28"_s << u"0"_s << u"1"_s << at(2028, 2, 28, 1, 0) << true << u"29.02.28"_s << u"0"_s;
    QTest::newRow("days: leading zeros") << u"08.12.26"_s << u"0"_s << u"0007"_s << at(2026, 12, 8, 9, 0) << true
                                         << u"15.12.26"_s << u"0"_s;
    QTest::newRow("minutes: 18:00 + 30") << u"#08.12.26"_s << u"18:00:00"_s << u"30"_s << at(2026, 12, 8, 18, 0) << true
                                         << u"#08.12.26"_s << u"18:30:00"_s;
    QTest::newRow("minutes: 23:45 + 30 moves to the next day")
        << u"#08.12.26"_s << u"23:45:00"_s << u"30"_s << at(2026, 12, 8, 23, 45) << true << u"#09.12.26"_s
        << u"00:15:00"_s;
    QTest::newRow("minutes: across the year end")
        << u"#31.12.26"_s << u"23:45:00"_s << u"30"_s << at(2026, 12, 31, 23, 45) << true << u"#01.01.27"_s
        << u"00:15:00"_s;
    QTest::newRow("minutes: across a leap day") << u"#28.02.28"_s << u"23:50:00"_s << u"20"_s << at(2028, 2, 28, 23, 50)
                                                << true << u"#29.02.28"_s << u"00:10:00"_s;
    QTest::newRow("minutes: seconds kept") << u"#08.12.26"_s << u"10:00:30"_s << u"45"_s << at(2026, 12, 8, 10, 1)
                                           << true << u"#08.12.26"_s << u"10:45:30"_s;
    QTest::newRow("minutes: more than a day") << u"#08.12.26"_s << u"10:00:00"_s << u"1500"_s << at(2026, 12, 8, 10, 0)
                                              << true << u"#09.12.26"_s << u"11:00:00"_s;
    QTest::newRow("minutes: fired late, counted from the due time")
        << u"#08.12.26"_s << u"10:00:00"_s << u"30"_s << at(2026, 12, 8, 12, 0) << true << u"#08.12.26"_s
        << u"10:30:00"_s;
    QTest::newRow("date 0 with time: becomes a floating date")
        << u"0"_s << u"08:00:00"_s << u"30"_s << at(2026, 12, 8, 9, 0) << true << u"#08.12.26"_s << u"08:30:00"_s;
    QTest::newRow("date 0 with time: past midnight, next day")
        << u"0"_s << u"23:45:00"_s << u"30"_s << at(2026, 12, 8, 23, 45) << true << u"#09.12.26"_s << u"00:15:00"_s;
    QTest::newRow("neither, floating date: does not repeat")
        << u"#08.12.26"_s << u"0"_s << u"30"_s << at(2026, 12, 8, 9, 0) << false << u"#08.12.26"_s << u"0"_s;
    QTest::newRow("neither, date 0: does not repeat")
        << u"0"_s << u"0"_s << u"5"_s << at(2026, 12, 8, 9, 0) << false << u"0"_s << u"0"_s;
    QTest::newRow("no repeat") << u"08.12.26"_s << u"09:30:00"_s << u"0"_s << at(2026, 12, 8, 9, 30) << false
                               << u"08.12.26"_s << u"09:30:00"_s;
    QTest::newRow("repeat 00") << u"#08.12.26"_s << u"09:30:00"_s << u"00"_s << at(2026, 12, 8, 9, 30) << false
                               << u"#08.12.26"_s << u"09:30:00"_s;
    QTest::newRow("repeat not a number") << u"08.12.26"_s << u"09:30:00"_s << u"weekly"_s << at(2026, 12, 8, 9, 30)
                                         << false << u"08.12.26"_s << u"09:30:00"_s;
}

void TestTriggerRules::repeatStep()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, repeat);
    QFETCH(QDateTime, now);
    QFETCH(bool, repeats);
    QFETCH(QString, newDate);
    QFETCH(QString, newTime);

    Reminder r = row(date, time, repeat, u"1,0,"_s);
    QVERIFY(ShouldFire(r, now));
    const std::optional<QDateTime> due = DueInstant(r, now);
    QVERIFY(due.has_value());

    const FireStep step = RepeatStep(r, *due);
    QCOMPARE(step.repeats, repeats);
    QCOMPARE(step.date, newDate);
    QCOMPARE(step.time, newTime);

    QCOMPARE(ApplyRepeatStep(r, *due), repeats);
    QCOMPARE(r.date, newDate);
    QCOMPARE(r.time, newTime);
    QCOMPARE(r.repeat, repeat);
    QCOMPARE(r.events, u"1,0,"_s);
}

void TestTriggerRules::repeatStep_dateOnlyWeekLaterKeepsWeekday()
{
    const QDate start(2026, 12, 10);
    Reminder r = row(FormatDate(start), u"0"_s, u"7"_s, u"1,0,"_s);
    QDate expected = start;
    for (int week = 0; week < 60; ++week) {
        const QDateTime now(expected, QTime(7, 0));
        QVERIFY(ShouldFire(r, now));
        QVERIFY(ApplyRepeatStep(r, *DueInstant(r, now)));
        expected = expected.addDays(7);
        const QDate moved = ParseDate(r.date, 2026);
        QCOMPARE(moved, expected);
        QCOMPARE(moved.dayOfWeek(), start.dayOfWeek());
        QVERIFY(!ShouldFire(r, now));
    }
}

void TestTriggerRules::repeatStep_unreadableRowIsLeftAlone()
{
    Reminder r = row(u"31.02.26"_s, u"09:00:00"_s, u"1"_s, u"1,0,"_s);
    QVERIFY(!ApplyRepeatStep(r, at(2026, 12, 8, 9, 0)));
    QCOMPARE(r.date, u"31.02.26"_s);
    QCOMPARE(r.time, u"09:00:00"_s);
    Reminder t = row(u"#08.12.26"_s, u"9h"_s, u"30"_s, u"1,0,"_s);
    QVERIFY(!ApplyRepeatStep(t, at(2026, 12, 8, 9, 0)));
    QCOMPARE(t.date, u"#08.12.26"_s);
    QCOMPARE(t.time, u"9h"_s);
}

void TestTriggerRules::scan_firedRowWithoutRepeatStaysChecked()
{
    QList<Reminder> rows = {row(u"08.12.26"_s, u"09:30:00"_s)};
    QCOMPARE(tick(rows, at(2026, 12, 8, 9, 29, 59)), QList<int>());
    QCOMPARE(tick(rows, at(2026, 12, 8, 9, 30, 0)), QList<int>({0}));
    QVERIFY(rows[0].checked);
    QCOMPARE(rows[0].date, u"08.12.26"_s);
    QCOMPARE(tick(rows, at(2026, 12, 8, 9, 30, 1)), QList<int>());
    QCOMPARE(tick(rows, at(2026, 12, 9, 9, 30, 1)), QList<int>());
}

void TestTriggerRules::scan_repeatingNeitherRowFiresOnceThenStaysChecked()
{
    QList<Reminder> rows = {row(u"#08.12.26"_s, u"0"_s, u"5"_s, u"1,0,"_s), row(u"0"_s, u"0"_s, u"1"_s, u"1,0,"_s)};
    QDateTime now = at(2026, 12, 8, 9, 0);
    QCOMPARE(tick(rows, now), QList<int>({0, 1}));
    for (int second = 1; second <= 600; ++second) {
        QCOMPARE(tick(rows, now.addSecs(second)), QList<int>());
    }
    QVERIFY(rows[0].checked);
    QVERIFY(rows[1].checked);
    QCOMPARE(rows[0].date, u"#08.12.26"_s);
    QCOMPARE(rows[0].time, u"0"_s);
}

void TestTriggerRules::scan_timeOnlyEveryThirtyMinutes_movesToNextStep()
{
    QList<Reminder> rows = {row(u"#08.12.26"_s, u"18:00:00"_s, u"30"_s, u"1,0,"_s)};
    QCOMPARE(tick(rows, at(2026, 12, 8, 17, 59, 59, 999)), QList<int>());
    QCOMPARE(tick(rows, at(2026, 12, 8, 18, 0)), QList<int>({0}));
    QVERIFY(!rows[0].checked);
    QCOMPARE(rows[0].time, u"18:30:00"_s);
    QCOMPARE(rows[0].date, u"#08.12.26"_s);
    QCOMPARE(tick(rows, at(2026, 12, 8, 18, 0, 1)), QList<int>());
    QCOMPARE(tick(rows, at(2026, 12, 8, 18, 30)), QList<int>({0}));
    QCOMPARE(rows[0].time, u"19:00:00"_s);
}

void TestTriggerRules::scan_dateZeroRowPastMidnightWaitsForNextDay()
{
    // Taken on today, a time stepped past midnight would lie in the past and fire on every tick.
    QList<Reminder> rows = {row(u"0"_s, u"23:45:00"_s, u"30"_s, u"1,0,"_s)};
    QCOMPARE(tick(rows, at(2026, 12, 8, 23, 45)), QList<int>({0}));
    QCOMPARE(rows[0].date, u"#09.12.26"_s);
    QCOMPARE(rows[0].time, u"00:15:00"_s);
    QCOMPARE(tick(rows, at(2026, 12, 8, 23, 45, 1)), QList<int>());
    QCOMPARE(tick(rows, at(2026, 12, 9, 0, 14, 59)), QList<int>());
    QCOMPARE(tick(rows, at(2026, 12, 9, 0, 15)), QList<int>({0}));
    QCOMPARE(rows[0].time, u"00:45:00"_s);
}

void TestTriggerRules::scan_clearedCheckAfterDueFiresNextTick()
{
    QList<Reminder> rows = {row(u"08.12.26"_s, u"09:30:00"_s, u"0"_s, u"1,"_s, true)};
    QCOMPARE(tick(rows, at(2026, 12, 8, 10, 0)), QList<int>());
    rows[0].checked = false;
    QCOMPARE(tick(rows, at(2026, 12, 8, 10, 0, 1)), QList<int>({0}));
    QVERIFY(rows[0].checked);
}

void TestTriggerRules::scan_tenDaysBackAfterCatchUpFiresTwiceThenWaits()
{
    QList<Reminder> rows = {row(u"28.11.26"_s, u"09:30:00"_s, u"1"_s, u"1,0,"_s)};
    const QDateTime start = at(2026, 12, 8, 12, 0);
    CatchUp(rows, start);
    QCOMPARE(rows[0].date, u"07.12.26"_s);
    QCOMPARE(tick(rows, start.addSecs(3)), QList<int>({0}));
    QCOMPARE(rows[0].date, u"08.12.26"_s);
    QCOMPARE(tick(rows, start.addSecs(10)), QList<int>({0}));
    QCOMPARE(rows[0].date, u"09.12.26"_s);
    QCOMPARE(tick(rows, start.addSecs(11)), QList<int>());
    QCOMPARE(tick(rows, at(2026, 12, 9, 9, 30)), QList<int>({0}));
}

void TestTriggerRules::catchUp_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("newDate");
    QTest::addColumn<QString>("newTime");
    const QDateTime now = at(2026, 12, 8, 14, 10);
    const QString rep = u"1,0,"_s;

    QTest::newRow("ten days back, N 1: yesterday")
        << row(u"28.11.26"_s, u"09:30:00"_s, u"1"_s, rep) << now << u"07.12.26"_s << u"09:30:00"_s;
    QTest::newRow("date only ten days back, N 1")
        << row(u"28.11.26"_s, u"0"_s, u"1"_s, rep) << now << u"07.12.26"_s << u"0"_s;
    QTest::newRow("ten days back, N 3: one day before")
        << row(u"28.11.26"_s, u"0"_s, u"3"_s, rep) << now << u"07.12.26"_s << u"0"_s;
    QTest::newRow("nine days back, N 3: three days before")
        << row(u"29.11.26"_s, u"0"_s, u"3"_s, rep) << now << u"05.12.26"_s << u"0"_s;
    QTest::newRow("exactly N days back: kept")
        << row(u"01.12.26"_s, u"08:00:00"_s, u"7"_s, rep) << now << u"01.12.26"_s << u"08:00:00"_s;
    QTest::newRow("N + 1 days back: one step")
        << row(u"30.11.26"_s, u"08:00:00"_s, u"7"_s, rep) << now << u"07.12.26"_s << u"08:00:00"_s;
    QTest::newRow("yesterday, N 1: kept")
        << row(u"07.12.26"_s, u"08:00:00"_s, u"1"_s, rep) << now << u"07.12.26"_s << u"08:00:00"_s;
    QTest::newRow("today: kept") << row(u"08.12.26"_s, u"08:00:00"_s, u"1"_s, rep) << now << u"08.12.26"_s
                                 << u"08:00:00"_s;
    QTest::newRow("future date: kept") << row(u"24.12.26"_s, u"18:30:00"_s, u"1"_s, rep) << now << u"24.12.26"_s
                                       << u"18:30:00"_s;
    QTest::newRow("far future date: kept")
        << row(u"24.12.40"_s, u"18:30:00"_s, u"1"_s, rep) << now << u"24.12.40"_s << u"18:30:00"_s;
    QTest::newRow("fixed date, time far from now: time kept")
        << row(u"28.11.26"_s, u"20:00:00"_s, u"1"_s, rep) << now << u"07.12.26"_s << u"20:00:00"_s;
    QTest::newRow("fifty years back, N 1")
        << row(u"08.12.76"_s, u"09:30:00"_s, u"1"_s, rep) << now << u"07.12.26"_s << u"09:30:00"_s;
    QTest::newRow("leap day + 365 steps")
        << row(u"29.02.24"_s, u"0"_s, u"365"_s, rep) << at(2027, 3, 10, 9, 0) << u"28.02.27"_s << u"0"_s;
    QTest::newRow("31 January + 30 steps")
        << row(u"31.01.26"_s, u"0"_s, u"30"_s, rep) << at(2026, 3, 10, 9, 0) << u"02.03.26"_s << u"0"_s;
    QTest::newRow("no repeat flag: kept")
        << row(u"28.11.26"_s, u"09:30:00"_s, u"1"_s, u"1,"_s) << now << u"28.11.26"_s << u"09:30:00"_s;
    QTest::newRow("repeat 0: kept") << row(u"28.11.26"_s, u"09:30:00"_s, u"0"_s, rep) << now << u"28.11.26"_s
                                    << u"09:30:00"_s;
    QTest::newRow("repeat not a number: kept")
        << row(u"28.11.26"_s, u"09:30:00"_s, u"daily"_s, rep) << now << u"28.11.26"_s << u"09:30:00"_s;
    QTest::newRow("repeating without the date-time flag still moves")
        << row(u"28.11.26"_s, u"0"_s, u"1"_s, u"2,0,"_s) << now << u"07.12.26"_s << u"0"_s;

    QTest::newRow("20:00, N 30, at 14:10: 14:00")
        << row(u"#08.12.26"_s, u"20:00:00"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"14:00:00"_s;
    QTest::newRow("23:50 + 20 around midnight: 00:10")
        << row(u"#08.12.26"_s, u"23:50:00"_s, u"20"_s, rep) << at(2026, 12, 8, 0, 5) << u"#08.12.26"_s << u"00:10:00"_s;
    QTest::newRow("earlier time, N 30: stepped forward")
        << row(u"#08.12.26"_s, u"09:00:00"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"14:00:00"_s;
    QTest::newRow("within N later: kept")
        << row(u"#08.12.26"_s, u"14:35:00"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"14:35:00"_s;
    QTest::newRow("within N earlier: kept")
        << row(u"#08.12.26"_s, u"13:45:00"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"13:45:00"_s;
    QTest::newRow("exactly N whole minutes: one step")
        << row(u"#08.12.26"_s, u"13:40:00"_s, u"30"_s, rep) << at(2026, 12, 8, 14, 10, 30) << u"#08.12.26"_s
        << u"14:10:00"_s;
    QTest::newRow("29.5 minutes truncated: kept") << row(u"#08.12.26"_s, u"14:40:00"_s, u"30"_s, rep)
                                                  << at(2026, 12, 8, 14, 10, 30) << u"#08.12.26"_s << u"14:40:00"_s;
    QTest::newRow("30.5 minutes later: forward around the clock")
        << row(u"#08.12.26"_s, u"14:41:00"_s, u"30"_s, rep) << at(2026, 12, 8, 14, 10, 30) << u"#08.12.26"_s
        << u"13:41:00"_s;
    QTest::newRow("seconds kept") << row(u"#08.12.26"_s, u"20:00:15"_s, u"30"_s, rep) << now << u"#08.12.26"_s
                                  << u"14:00:15"_s;
    QTest::newRow("N of a whole day: kept")
        << row(u"#08.12.26"_s, u"20:00:00"_s, u"1440"_s, rep) << now << u"#08.12.26"_s << u"20:00:00"_s;
    QTest::newRow("N 1439 at the day's two ends") << row(u"#08.12.26"_s, u"00:00:00"_s, u"1439"_s, rep)
                                                  << at(2026, 12, 8, 23, 59, 30) << u"#08.12.26"_s << u"23:59:00"_s;
    QTest::newRow("date 0 with time: time stepped, date kept")
        << row(u"0"_s, u"20:00:00"_s, u"30"_s, rep) << now << u"0"_s << u"14:00:00"_s;

    QTest::newRow("floating date to today, repeating")
        << row(u"#01.12.26"_s, u"18:00:00"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"14:00:00"_s;
    QTest::newRow("floating date to today, not repeating")
        << row(u"#01.12.26"_s, u"18:00:00"_s) << now << u"#08.12.26"_s << u"18:00:00"_s;
    QTest::newRow("floating date to today, no repeat flag")
        << row(u"#01.12.26"_s, u"18:00:00"_s, u"30"_s, u"1,"_s) << now << u"#08.12.26"_s << u"18:00:00"_s;
    QTest::newRow("floating date to today, internet row")
        << row(u"#01.12.26"_s, u"0"_s, u"0"_s, u"4,"_s) << now << u"#08.12.26"_s << u"0"_s;
    QTest::newRow("floating date to today, no events")
        << row(u"#01.12.26"_s, u"0"_s, u"0"_s, QString()) << now << u"#08.12.26"_s << u"0"_s;
    QTest::newRow("floating date ahead to today")
        << row(u"#24.12.26"_s, u"18:00:00"_s) << now << u"#08.12.26"_s << u"18:00:00"_s;
    QTest::newRow("floating date, checked row too")
        << row(u"#01.12.26"_s, u"18:00:00"_s, u"0"_s, u"1,"_s, true) << now << u"#08.12.26"_s << u"18:00:00"_s;
    QTest::newRow("neither, repeating: only the floating date")
        << row(u"#01.12.26"_s, u"0"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"0"_s;

    // Every floating date becomes today, whatever else the row holds; what still does not read stays.
    QTest::newRow("unreadable floating date: today, then the time steps")
        << row(u"#xx"_s, u"20:00:00"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"14:00:00"_s;
    QTest::newRow("bare hash: today") << row(u"#"_s, u"12:00:00"_s) << now << u"#08.12.26"_s << u"12:00:00"_s;
    QTest::newRow("unreadable time: date to today, time untouched")
        << row(u"#01.12.26"_s, u"25:00:00"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"25:00:00"_s;
    QTest::newRow("empty time: date to today")
        << row(u"#01.12.26"_s, QString(), u"0"_s, u"4,"_s) << now << u"#08.12.26"_s << QString();
    QTest::newRow("unreadable date and time: date to today")
        << row(u"#1.13.26"_s, u"noon"_s, u"30"_s, rep) << now << u"#08.12.26"_s << u"noon"_s;
    QTest::newRow("unreadable fixed date: untouched")
        << row(u"31.02.20"_s, u"0"_s, u"1"_s, rep) << now << u"31.02.20"_s << u"0"_s;
}

void TestTriggerRules::catchUp()
{
    QFETCH(Reminder, reminder);
    QFETCH(QDateTime, now);
    QFETCH(QString, newDate);
    QFETCH(QString, newTime);
    Reminder r = reminder;
    CatchUpRow(r, now);
    QCOMPARE(r.date, newDate);
    QCOMPARE(r.time, newTime);
    QCOMPARE(r.repeat, reminder.repeat);
    QCOMPARE(r.events, reminder.events);
    QCOMPARE(r.checked, reminder.checked);
    QCOMPARE(r.what, reminder.what);
}

void TestTriggerRules::catchUp_fiftyYearsBackByWeekLandsOnSameWeekday()
{
    const QDate stored(1976, 12, 10);
    const QDate today(2026, 12, 8);
    Reminder r = row(FormatDate(stored), u"07:00:00"_s, u"7"_s, u"1,0,"_s);
    CatchUpRow(r, QDateTime(today, QTime(6, 0)));
    const QDate moved = ParseDate(r.date, today.year());
    QCOMPARE(moved.dayOfWeek(), stored.dayOfWeek());
    QVERIFY(moved < today);
    QVERIFY(moved.daysTo(today) <= 7);
    QCOMPARE(moved, QDate(2026, 12, 4));
}

void TestTriggerRules::catchUp_wholeListRowByRow()
{
    QList<Reminder> rows = {
        row(u"28.11.26"_s, u"09:30:00"_s, u"1"_s, u"1,0,"_s),
        row(u"#01.12.26"_s, u"0"_s, u"0"_s, u"4,"_s),
        row(u"#01.12.26"_s, u"20:00:00"_s, u"30"_s, u"1,0,"_s),
        row(u"24.12.26"_s, u"18:30:00"_s),
    };
    CatchUp(rows, at(2026, 12, 8, 14, 10));
    QCOMPARE(rows[0].date, u"07.12.26"_s);
    QCOMPARE(rows[1].date, u"#08.12.26"_s);
    QCOMPARE(rows[2].date, u"#08.12.26"_s);
    QCOMPARE(rows[2].time, u"14:00:00"_s);
    QCOMPARE(rows[3].date, u"24.12.26"_s);
    QCOMPARE(rows[3].time, u"18:30:00"_s);

    QList<Reminder> none;
    CatchUp(none, at(2026, 12, 8, 14, 10));
    QVERIFY(none.isEmpty());
}

void TestTriggerRules::catchUpDates_matchStepByStepLoop()
{
    QRandomGenerator random(20261208);
    const QDate today(2026, 12, 8);
    for (int i = 0; i < 4000; ++i) {
        const QDate stored = today.addDays(-random.bounded(-400, 4000));
        const int n = i % 5 == 0 ? 1 : random.bounded(1, 500);
        Reminder r = row(FormatDate(stored), i % 2 ? u"0"_s : u"09:30:00"_s, QString::number(n), u"1,0,"_s);
        CatchUpRow(r, QDateTime(today, QTime(random.bounded(24), random.bounded(60))));
        const QDate expected = referenceDateCatchUp(stored, today, n);
        if (r.date != FormatDate(expected)) {
            QFAIL(qPrintable(u"stored %1, N %2: got %3, the loop gives %4"_s.arg(FormatDate(stored))
                                 .arg(n)
                                 .arg(r.date, FormatDate(expected))));
        }
    }
}

void TestTriggerRules::catchUpTimes_matchStepByStepLoop_random()
{
    QRandomGenerator random(8122026);
    for (int i = 0; i < 20000; ++i) {
        const int storedSecond = random.bounded(86400);
        const int nowMs = random.bounded(86400000);
        const int n = i % 3 == 0 ? random.bounded(1, 60) : random.bounded(1, 1600);
        Reminder r = row(u"#08.12.26"_s, FormatTime(QTime::fromMSecsSinceStartOfDay(storedSecond * 1000)),
                         QString::number(n), u"1,0,"_s);
        const QDateTime now(QDate(2026, 12, 8), QTime::fromMSecsSinceStartOfDay(nowMs));
        CatchUpRow(r, now);
        const qint64 expected = referenceTimeCatchUp(storedSecond * 1000LL, nowMs, n);
        QVERIFY(expected >= 0);
        const QString expectedText = FormatTime(QTime::fromMSecsSinceStartOfDay(int(expected)));
        if (r.time != expectedText) {
            QFAIL(qPrintable(u"stored second %1, now ms %2, N %3: got %4, the loop gives %5"_s.arg(storedSecond)
                                 .arg(nowMs)
                                 .arg(n)
                                 .arg(r.time, expectedText)));
        }
    }
}

void TestTriggerRules::catchUpTimes_matchStepByStepLoop_everyMinuteOfTheDay()
{
    const QList<int> steps = {1, 7, 30, 45, 90, 719, 720, 721, 1000, 1439};
    const QList<int> nows = {0, 30500, 43200000, 86399999, 60000 * 725 + 1};
    for (int n : steps) {
        for (int nowMs : nows) {
            const QDateTime now(QDate(2026, 12, 8), QTime::fromMSecsSinceStartOfDay(nowMs));
            for (int minute = 0; minute < 1440; ++minute) {
                Reminder r =
                    row(u"#08.12.26"_s, FormatTime(QTime(minute / 60, minute % 60)), QString::number(n), u"1,0,"_s);
                CatchUpRow(r, now);
                const qint64 expected = referenceTimeCatchUp(minute * 60000LL, nowMs, n);
                QVERIFY(expected >= 0);
                if (r.time != FormatTime(QTime::fromMSecsSinceStartOfDay(int(expected)))) {
                    QFAIL(
                        qPrintable(u"minute %1, now ms %2, N %3: got %4"_s.arg(minute).arg(nowMs).arg(n).arg(r.time)));
                }
            }
        }
    }
}

void TestTriggerRules::alertOnText_data()
{
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fixed date and time") << u"1,"_s << u"24.12.26"_s << u"18:30:00"_s << u"0"_s
                                         << u"Alert on 24.12.26 - 18:30:00, "_s;
    QTest::newRow("floating date, repeat in minutes") << u"1,0,"_s << u"#08.12.26"_s << u"08:00:00"_s << u"30"_s
                                                      << u"Alert on 08:00:00, \rRepeat every: 30 minute(s)"_s;
    QTest::newRow("fixed date only, startup, repeat in days")
        << u"1,2,0,"_s << u"24.12.26"_s << u"0"_s << u"7"_s
        << u"Alert on 24.12.26, Startup, \rRepeat every: 7 day(s)"_s;
    QTest::newRow("internet connect and disconnect")
        << u"4,5,"_s << u"#08.12.26"_s << u"0"_s << u"0"_s << u"Alert on Internet connect, Internet disconnect"_s;
    QTest::newRow("empty events, fixed date")
        << QString() << u"24.12.26"_s << u"18:30:00"_s << u"5"_s << u"Alert on "_s;
    QTest::newRow("empty events, floating date") << QString() << u"#08.12.26"_s << u"0"_s << u"0"_s << u"Alert on "_s;
    QTest::newRow("shutdown") << u"3,"_s << u"#08.12.26"_s << u"0"_s << u"0"_s << u"Alert on Shutdown, "_s;
    QTest::newRow("disconnect has no comma")
        << u"5,"_s << u"#08.12.26"_s << u"0"_s << u"0"_s << u"Alert on Internet disconnect"_s;
    QTest::newRow("every event and repeat")
        << u"1,2,3,4,5,0,"_s << u"24.12.26"_s << u"18:30:00"_s << u"1"_s
        << u"Alert on 24.12.26 - 18:30:00, Startup, Shutdown, Internet connect, Internet disconnect\r"
           u"Repeat every: 1 day(s)"_s;
    QTest::newRow("date 0: minutes") << u"1,0,"_s << u"0"_s << u"08:00:00"_s << u"15"_s
                                     << u"Alert on 08:00:00, \rRepeat every: 15 minute(s)"_s;
    QTest::newRow("fixed date, repeat without date flag: days")
        << u"2,0,"_s << u"24.12.26"_s << u"0"_s << u"3"_s << u"Alert on Startup, \rRepeat every: 3 day(s)"_s;
    QTest::newRow("floating date without time") << u"1,"_s << u"#08.12.26"_s << u"0"_s << u"0"_s << u"Alert on , "_s;
    QTest::newRow("fixed date replaces what came before")
        << u"2,1,"_s << u"24.12.26"_s << u"0"_s << u"0"_s << u"Alert on 24.12.26, "_s;
    QTest::newRow("floating date appends after startup")
        << u"2,1,"_s << u"#08.12.26"_s << u"08:00:00"_s << u"0"_s << u"Alert on Startup, 08:00:00, "_s;
    QTest::newRow("repeat only") << u"0,"_s << u"24.12.26"_s << u"0"_s << u"3"_s
                                 << u"Alert on \rRepeat every: 3 day(s)"_s;
    QTest::newRow("repeat text shown as stored") << u"1,0,"_s << u"#08.12.26"_s << u"08:00:00"_s << u"0030"_s
                                                 << u"Alert on 08:00:00, \rRepeat every: 0030 minute(s)"_s;
}

void TestTriggerRules::alertOnText()
{
    QFETCH(QString, events);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, repeat);
    QFETCH(QString, expected);
    const QString text = AlertOnText(row(date, time, repeat, events));
    QCOMPARE(text, expected);
    QVERIFY(!text.contains(u'\n'));
}

void TestTriggerRules::snoozeDue_data()
{
    QTest::addColumn<QString>("ponovno");
    QTest::addColumn<QDateTime>("pausedAt");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("expected");
    const QDateTime paused = at(2026, 12, 8, 10, 0);
    const QString pausedText = u"10:00:00"_s;
    const QDateTime late = at(2026, 12, 8, 23, 58);
    const QString lateText = u"23:58:00"_s;

    QTest::newRow("no pause") << u"0"_s << QDateTime() << paused << 0 << false;
    QTest::newRow("no pause, stale instant") << u"0"_s << paused << paused.addSecs(3600) << 0 << false;
    // A pause lasts at least a minute: an Interval below 1 (none stored reads as 0) counts as 1.
    QTest::newRow("interval 0: not at once") << pausedText << paused << paused << 0 << false;
    QTest::newRow("interval 0: not 30 ms on") << pausedText << paused << paused.addMSecs(30) << 0 << false;
    QTest::newRow("interval 0: not the next second") << pausedText << paused << paused.addSecs(1) << 0 << false;
    QTest::newRow("interval 0: one ms early") << pausedText << paused << paused.addMSecs(59'999) << 0 << false;
    QTest::newRow("interval 0: a minute on") << pausedText << paused << paused.addSecs(60) << 0 << true;
    QTest::newRow("interval 1: a minute on") << pausedText << paused << paused.addSecs(60) << 1 << true;
    QTest::newRow("interval 5: a minute on") << pausedText << paused << paused.addSecs(60) << 5 << false;
    QTest::newRow("interval 5: one ms early") << pausedText << paused << paused.addMSecs(5 * 60000 - 1) << 5 << false;
    QTest::newRow("interval 5: five minutes on") << pausedText << paused << paused.addSecs(300) << 5 << true;
    QTest::newRow("interval 5: long after") << pausedText << paused << paused.addSecs(3 * 3600) << 5 << true;
    QTest::newRow("negative interval: not at once") << pausedText << paused << paused << -5 << false;
    QTest::newRow("negative interval: a minute on") << pausedText << paused << paused.addSecs(60) << -5 << true;
    QTest::newRow("23:58 + 5: before midnight") << lateText << late << at(2026, 12, 8, 23, 59, 59) << 5 << false;
    QTest::newRow("23:58 + 5: 00:02:59") << lateText << late << at(2026, 12, 9, 0, 2, 59) << 5 << false;
    QTest::newRow("23:58 + 5: 00:03:00") << lateText << late << at(2026, 12, 9, 0, 3) << 5 << true;
    QTest::newRow("23:58 + 5: next afternoon") << lateText << late << at(2026, 12, 9, 15, 0) << 5 << true;
    QTest::newRow("23:58 + 5: days later, earlier hour") << lateText << late << at(2026, 12, 11, 8, 0) << 5 << true;
    QTest::newRow("yesterday's pause, later hour today") << pausedText << paused << at(2026, 12, 9, 9, 0) << 5 << true;

    QTest::newRow("time of day only: not yet") << pausedText << QDateTime() << at(2026, 12, 8, 10, 4, 59) << 5 << false;
    QTest::newRow("time of day only: reached") << pausedText << QDateTime() << at(2026, 12, 8, 10, 5) << 5 << true;
    QTest::newRow("time of day only: interval 0, at once") << pausedText << QDateTime() << paused << 0 << false;
    QTest::newRow("time of day only: interval 0, a minute on")
        << pausedText << QDateTime() << at(2026, 12, 8, 10, 1) << 0 << true;
    QTest::newRow("time of day only: across midnight stays")
        << lateText << QDateTime() << at(2026, 12, 9, 0, 3) << 5 << false;
    QTest::newRow("time of day only: unreadable") << u"soon"_s << QDateTime() << at(2026, 12, 8, 12, 0) << 0 << false;
}

void TestTriggerRules::snoozeDue()
{
    QFETCH(QString, ponovno);
    QFETCH(QDateTime, pausedAt);
    QFETCH(QDateTime, now);
    QFETCH(int, interval);
    QFETCH(bool, expected);
    Reminder r = row(u"08.12.26"_s, u"09:30:00"_s);
    r.ponovno = ponovno;
    r.pausedAt = pausedAt;
    QCOMPARE(SnoozeDue(r, now, interval), expected);
}

void TestTriggerRules::pauseRow_keepsTimeOfDayAndInstant()
{
    Reminder r = row(u"08.12.26"_s, u"09:30:00"_s);
    const QDateTime now = at(2026, 12, 8, 9, 31, 7, 420);
    PauseRow(r, now);
    QCOMPARE(r.ponovno, u"09:31:07"_s);
    QCOMPARE(r.pausedAt, now);
}

void TestTriggerRules::clearPause_endsSnooze()
{
    Reminder r = row(u"08.12.26"_s, u"09:30:00"_s);
    PauseRow(r, at(2026, 12, 8, 9, 31));
    QVERIFY(SnoozeDue(r, at(2026, 12, 8, 9, 40), 5));
    ClearPause(r);
    QCOMPARE(r.ponovno, u"0"_s);
    QVERIFY(!r.pausedAt.isValid());
    QVERIFY(!SnoozeDue(r, at(2026, 12, 8, 9, 40), 5));
}

void TestTriggerRules::snooze_pausedAt2358_comesBackAt0003NextDay()
{
    Reminder r = row(u"08.12.26"_s, u"23:00:00"_s);
    PauseRow(r, at(2026, 12, 8, 23, 58));
    QCOMPARE(r.ponovno, u"23:58:00"_s);
    QDateTime now = at(2026, 12, 8, 23, 58);
    QDateTime cameBack;
    for (int second = 0; second < 3600 && !cameBack.isValid(); ++second) {
        if (SnoozeDue(r, now, 5)) {
            cameBack = now;
        }
        now = now.addSecs(1);
    }
    QCOMPARE(cameBack, at(2026, 12, 9, 0, 3));
}

QTEST_GUILESS_MAIN(TestTriggerRules)
#include "tst_triggerrules.moc"
