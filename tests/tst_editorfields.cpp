#include "core/EditorFields.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDate today(2026, 12, 8);
const QDateTime now(today, QTime(11, 22, 33));

// The enabled states as names, in a fixed order, for readable comparisons.
QStringList enabledNames(const EditorFields& f)
{
    const std::pair<const char*, bool> states[] = {
        {"specDateCB", f.specDateEnabled}, {"specTimeCB", f.specTimeEnabled}, {"Label3", f.label3Enabled},
        {"RepeatE", f.repeatEnabled},      {"Label1", f.label1Enabled},       {"Kalendar", f.dateEnabled},
        {"Label5", f.label5Enabled},       {"Vrijeme", f.timeEnabled},
    };
    QStringList names;
    for (const auto& [name, on] : states) {
        if (on) {
            names.append(QLatin1String(name));
        }
    }
    return names;
}

QStringList tickedNames(const EditorFields& f)
{
    const std::pair<const char*, bool> ticks[] = {
        {"rDateTime", f.dateTime},  {"rStartup", f.startup},         {"rShutdown", f.shutdown},
        {"rIConnect", f.iConnect},  {"rIDisConnect", f.iDisConnect}, {"specDateCB", f.specDate},
        {"specTimeCB", f.specTime},
    };
    QStringList names;
    for (const auto& [name, on] : ticks) {
        if (on) {
            names.append(QLatin1String(name));
        }
    }
    return names;
}

// The fields as the editor first shows them: nothing ticked, nothing that follows a box enabled.
EditorFields fresh()
{
    EditorFields f;
    f.repeat = u"0"_s;
    f.date = today;
    f.time = QTime(9, 0);
    return f;
}

Reminder row(const QString& date, const QString& time, const QString& repeat, const QString& events)
{
    Reminder r;
    r.name = u"Row"_s;
    r.date = date;
    r.time = time;
    r.repeat = repeat;
    r.events = events;
    r.what = u"first\rsecond"_s;
    return r;
}

} // namespace

class TestEditorFields : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxes_ruleFollowsOnlyItsOwnBox_data();
    void boxes_ruleFollowsOnlyItsOwnBox();
    void boxes_settingTheSameStateRunsNothing();
    void reset_untickedBoxesDisableTheirControlsAndPickersKeepValues();

    void fieldsForRow_loadsWhatTheRowSays_data();
    void fieldsForRow_loadsWhatTheRowSays();

    void rowFromFields_byMode_data();
    void rowFromFields_byMode();
    void readFlags_repeatFlagFromTheStep_data();
    void readFlags_repeatFlagFromTheStep();
    void repeat_valueAndRange_data();
    void repeat_valueAndRange();
    void refusal_inTheOrderOkChecks_data();
    void refusal_inTheOrderOkChecks();
};

void TestEditorFields::boxes_ruleFollowsOnlyItsOwnBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("followers");
    QTest::newRow("rDateTime") << u"rDateTime"_s
                               << QStringList{u"specDateCB"_s, u"specTimeCB"_s, u"Label3"_s, u"RepeatE"_s};
    QTest::newRow("specDateCB") << u"specDateCB"_s << QStringList{u"Label1"_s, u"Kalendar"_s};
    QTest::newRow("specTimeCB") << u"specTimeCB"_s << QStringList{u"Label5"_s, u"Vrijeme"_s};
}

void TestEditorFields::boxes_ruleFollowsOnlyItsOwnBox()
{
    QFETCH(QString, box);
    QFETCH(QStringList, followers);
    const auto set = [&box](EditorFields& f, bool on) {
        if (box == u"rDateTime"_s) {
            SetDateTimeBox(f, on);
        } else if (box == u"specDateCB"_s) {
            SetSpecDateBox(f, on);
        } else {
            SetSpecTimeBox(f, on);
        }
    };
    // Ticking enables exactly the box's own followers.
    EditorFields f = fresh();
    set(f, true);
    QCOMPARE(tickedNames(f), QStringList{box});
    QCOMPARE(enabledNames(f), followers);

    // With everything enabled, unticking disables the followers and nothing else: no cascade.
    EditorFields all = fresh();
    set(all, true);
    all.specDateEnabled = all.specTimeEnabled = all.label3Enabled = all.repeatEnabled = true;
    all.label1Enabled = all.dateEnabled = all.label5Enabled = all.timeEnabled = true;
    all.specDate = all.specTime = all.dateTime = true;
    set(all, false);
    QStringList expected;
    for (const QString& name : {u"specDateCB"_s, u"specTimeCB"_s, u"Label3"_s, u"RepeatE"_s, u"Label1"_s, u"Kalendar"_s,
                                u"Label5"_s, u"Vrijeme"_s}) {
        if (!followers.contains(name)) {
            expected.append(name);
        }
    }
    QCOMPARE(enabledNames(all), expected);
    QVERIFY(!tickedNames(all).contains(box));
}

void TestEditorFields::boxes_settingTheSameStateRunsNothing()
{
    EditorFields f = fresh();
    SetSpecDateBox(f, true);
    f.dateEnabled = false; // disabled behind the tick
    SetSpecDateBox(f, true);
    QVERIFY(!f.dateEnabled);

    f.repeatEnabled = true;
    SetDateTimeBox(f, false); // already unticked
    QVERIFY(f.repeatEnabled);

    // Applying a rule outright runs it whatever the tick was before.
    ApplyDateTimeRule(f);
    QVERIFY(!f.repeatEnabled);
}

void TestEditorFields::reset_untickedBoxesDisableTheirControlsAndPickersKeepValues()
{
    EditorFields f = fresh();
    f.name = u"Name"_s;
    f.what = u"text"_s;
    f.repeat = u"30"_s;
    SetDateTimeBox(f, true);
    SetSpecDateBox(f, true);
    SetSpecTimeBox(f, true);
    f.startup = f.shutdown = f.iConnect = f.iDisConnect = true;
    f.date = QDate(2027, 1, 2);
    f.time = QTime(7, 8, 9);

    const EditorFields reset = ResetEditorFields(f);
    QCOMPARE(reset.name, QString());
    QCOMPARE(reset.what, QString());
    QCOMPARE(reset.repeat, QString()); // left empty, not "0"
    QCOMPARE(tickedNames(reset), QStringList());
    QCOMPARE(enabledNames(reset), QStringList());
    QCOMPARE(reset.date, QDate(2027, 1, 2));
    QCOMPARE(reset.time, QTime(7, 8, 9));

    // A label whose box was already unticked is left as it was: only Kalendar and Vrijeme are
    // disabled outright.
    EditorFields odd = fresh();
    odd.label1Enabled = true;
    odd.dateEnabled = true;
    const EditorFields oddReset = ResetEditorFields(odd);
    QCOMPARE(enabledNames(oddReset), QStringList{u"Label1"_s});
}

void TestEditorFields::fieldsForRow_loadsWhatTheRowSays_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    const QStringList dateTimeFollowers{u"specDateCB"_s, u"specTimeCB"_s, u"Label3"_s, u"RepeatE"_s};
    // A floating date with a time: "on specific date" unticked but enabled, Kalendar disabled.
    QTest::newRow("floating date and time")
        << row(u"#08.12.26"_s, u"07:15:00"_s, u"0"_s, u"1,"_s) << QStringList{u"rDateTime"_s, u"specTimeCB"_s}
        << (dateTimeFollowers + QStringList{u"Label5"_s, u"Vrijeme"_s}) << today << QTime(7, 15);
    // No flag 1: the rule runs again and disables the time box it had just ticked and enabled.
    QTest::newRow("time without flag") << row(u"#08.12.26"_s, u"07:15:00"_s, u"0"_s, u"2,"_s)
                                       << QStringList{u"rStartup"_s, u"specTimeCB"_s}
                                       << QStringList{u"Label5"_s, u"Vrijeme"_s} << today << QTime(7, 15);
    QTest::newRow("startup and shutdown")
        << row(u"#08.12.26"_s, u"0"_s, u"0"_s, u"2,3,"_s) << QStringList{u"rStartup"_s, u"rShutdown"_s} << QStringList()
        << today << now.time();
    QTest::newRow("fixed date") << row(u"24.12.26"_s, u"0"_s, u"7"_s, u"1,0,"_s)
                                << QStringList{u"rDateTime"_s, u"specDateCB"_s}
                                << (dateTimeFollowers + QStringList{u"Label1"_s, u"Kalendar"_s}) << QDate(2026, 12, 24)
                                << now.time();
    QTest::newRow("every event") << row(u"0"_s, u"0"_s, u"0"_s, u"1,2,3,4,5,"_s)
                                 << QStringList{u"rDateTime"_s, u"rStartup"_s, u"rShutdown"_s, u"rIConnect"_s,
                                                u"rIDisConnect"_s}
                                 << dateTimeFollowers << today << now.time();
    // A date or time that does not read ticks its box and leaves the picker at now.
    QTest::newRow("unreadable date and time")
        << row(u"31.02.26"_s, u"25:00:00"_s, u"0"_s, u"1,"_s)
        << QStringList{u"rDateTime"_s, u"specDateCB"_s, u"specTimeCB"_s}
        << (dateTimeFollowers + QStringList{u"Label1"_s, u"Kalendar"_s, u"Label5"_s, u"Vrijeme"_s}) << today
        << now.time();
}

void TestEditorFields::fieldsForRow_loadsWhatTheRowSays()
{
    QFETCH(Reminder, reminder);
    QFETCH(QStringList, ticked);
    QFETCH(QStringList, enabled);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    // The Edit command loads into the fields as the editor's last close left them.
    EditorFields closed = fresh();
    closed.date = QDate(2020, 1, 1);
    const EditorFields f = FieldsForRow(ResetEditorFields(closed), reminder, now);
    QCOMPARE(tickedNames(f), ticked);
    QCOMPARE(enabledNames(f), enabled);
    QCOMPARE(f.date, date);
    QCOMPARE(f.time, time);
    QCOMPARE(f.name, reminder.name);
    QCOMPARE(f.what, reminder.what);
    QCOMPARE(f.repeat, reminder.repeat);
}

void TestEditorFields::rowFromFields_byMode_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("dateTime");
    QTest::addColumn<bool>("specificDate");
    QTest::addColumn<bool>("specificTime");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("events");
    const QString floating = u"#08.12.26"_s;
    for (const bool edit : {false, true}) {
        const char* mode = edit ? "Edit" : "New";
        QTest::addRow("%s: neither", mode)
            << edit << true << false << false << u"0"_s << floating << u"0"_s << u"0"_s << u"1,"_s;
        QTest::addRow("%s: date", mode) << edit << true << true << false << u"0"_s << u"24.12.26"_s << u"0"_s << u"0"_s
                                        << u"1,"_s;
        QTest::addRow("%s: time", mode) << edit << true << false << true << u"30"_s << floating << u"08:00:00"_s
                                        << u"30"_s << u"1,0,"_s;
        QTest::addRow("%s: both", mode) << edit << true << true << true << u"7"_s << u"24.12.26"_s << u"08:00:00"_s
                                        << u"7"_s << u"1,0,"_s;
        QTest::addRow("%s: empty step", mode)
            << edit << true << false << false << QString() << floating << u"0"_s << u"0"_s << u"1,"_s;
        QTest::addRow("%s: step 007", mode)
            << edit << true << false << false << u"007"_s << floating << u"0"_s << u"7"_s << u"1,0,"_s;
    }
    // Unticked, New still writes what the two boxes and the step say; Edit writes today, no time, no step.
    QTest::newRow("New: boxes left ticked")
        << false << false << true << true << u"7"_s << u"24.12.26"_s << u"08:00:00"_s << u"7"_s << u"0,"_s;
    QTest::newRow("Edit: boxes left ticked")
        << true << false << true << true << u"7"_s << floating << u"0"_s << u"0"_s << u"0,"_s;
}

void TestEditorFields::rowFromFields_byMode()
{
    QFETCH(bool, edit);
    QFETCH(bool, dateTime);
    QFETCH(bool, specificDate);
    QFETCH(bool, specificTime);
    QFETCH(QString, step);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, repeat);
    QFETCH(QString, events);
    EditorFields f = fresh();
    f.name = u"Name"_s;
    f.what = u"one\rtwo"_s;
    f.dateTime = dateTime;
    f.specDate = specificDate;
    f.specTime = specificTime;
    f.repeat = step;
    f.date = QDate(2026, 12, 24);
    f.time = QTime(8, 0);
    const Reminder r = RowFromFields(f, edit ? EditorMode::Edit : EditorMode::New, today);
    QCOMPARE(r.name, u"Name"_s);
    QCOMPARE(r.date, date);
    QCOMPARE(r.time, time);
    QCOMPARE(r.repeat, repeat);
    QCOMPARE(r.events, events);
    QCOMPARE(r.what, u"one\rtwo"_s);
    QCOMPARE(r.ponovno, u"0"_s);
    QVERIFY(!r.checked);
}

void TestEditorFields::readFlags_repeatFlagFromTheStep_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("repeats");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("0") << u"0"_s << false;
    QTest::newRow("00") << u"00"_s << false;
    QTest::newRow("1") << u"1"_s << true;
    QTest::newRow("1440") << u"1440"_s << true;
}

void TestEditorFields::readFlags_repeatFlagFromTheStep()
{
    QFETCH(QString, step);
    QFETCH(bool, repeats);
    EditorFields f = fresh();
    f.repeat = step;
    f.startup = true;
    f.iDisConnect = true;
    const EventFlagSet flags = ReadFlags(f);
    QCOMPARE(flags, (EventFlagSet{repeats, false, true, false, false, true}));
}

void TestEditorFields::repeat_valueAndRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("specificDate");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("inRange");
    QTest::newRow("empty") << QString() << true << u"0"_s << true;
    QTest::newRow("1000 days") << u"1000"_s << true << u"1000"_s << true;
    QTest::newRow("1001 days") << u"1001"_s << true << u"1001"_s << false;
    QTest::newRow("1001 minutes") << u"1001"_s << false << u"1001"_s << true;
    QTest::newRow("1440 minutes") << u"1440"_s << false << u"1440"_s << true;
    QTest::newRow("1441 minutes") << u"1441"_s << false << u"1441"_s << false;
    QTest::newRow("leading zeros") << u"0030"_s << false << u"30"_s << true;
    QTest::newRow("not a number") << u"often"_s << false << u"0"_s << false;
}

void TestEditorFields::repeat_valueAndRange()
{
    QFETCH(QString, text);
    QFETCH(bool, specificDate);
    QFETCH(QString, value);
    QFETCH(bool, inRange);
    QCOMPARE(RepeatFieldValue(text), value);
    QCOMPARE(RepeatInRange(text, specificDate), inRange);
}

void TestEditorFields::refusal_inTheOrderOkChecks_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("refusal");
    for (const bool edit : {false, true}) {
        const char* mode = edit ? "Edit" : "New";
        QTest::addRow("%s: no name, no text", mode) << edit << QString() << QString() << int(EditorRefusal::NoName);
        QTest::addRow("%s: no text", mode)
            << edit << u"Name"_s << QString() << int(edit ? EditorRefusal::None : EditorRefusal::NoText);
        QTest::addRow("%s: blank name", mode) << edit << u"   "_s << u"x"_s << int(EditorRefusal::None);
        QTest::addRow("%s: separator in the name", mode)
            << edit << u"Call - Bob"_s << u"x"_s << int(EditorRefusal::NameUnsavable);
        QTest::addRow("%s: a text line ==", mode)
            << edit << u"Name"_s << u"one\r==\rtwo"_s << int(EditorRefusal::TextUnsavable);
        QTest::addRow("%s: both unsavable", mode) << edit << u"A - B"_s << u"=="_s << int(EditorRefusal::NameUnsavable);
    }
}

void TestEditorFields::refusal_inTheOrderOkChecks()
{
    QFETCH(bool, edit);
    QFETCH(QString, name);
    QFETCH(QString, what);
    QFETCH(int, refusal);
    EditorFields f = fresh();
    f.name = name;
    f.what = what;
    f.startup = true;
    const EditorMode mode = edit ? EditorMode::Edit : EditorMode::New;
    QCOMPARE(int(RefusalFor(f, mode, RowFromFields(f, mode, today))), refusal);
}

QTEST_GUILESS_MAIN(TestEditorFields)
#include "tst_editorfields.moc"
