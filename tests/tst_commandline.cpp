#include "core/CommandLine.h"
#include "core/EditorFields.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime now(QDate(2026, 12, 9), QTime(10, 0, 0));

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data();
    void kinds();
    void add_data();
    void add();
    void refusals_data();
    void refusals();
    void durations_data();
    void durations();
    void listLines_data();
    void listLines();
    void requests_roundTrip();
    void requests_refused_data();
    void requests_refused();
    void answers_roundTrip();
};

void TestCommandLine::kinds_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("kind");
    QTest::addRow("none") << QStringList() << int(CommandKind::Run);
    QTest::addRow("/s") << QStringList{u"/s"_s} << int(CommandKind::Run);
    QTest::addRow("/S and others run as always") << QStringList{u"/S"_s, u"x"_s} << int(CommandKind::Run);
    QTest::addRow("toolkit options") << QStringList{u"-platform"_s, u"offscreen"_s} << int(CommandKind::Run);
    QTest::addRow("--help") << QStringList{u"--help"_s} << int(CommandKind::Help);
    QTest::addRow("-h") << QStringList{u"-h"_s} << int(CommandKind::Help);
    QTest::addRow("help wins") << QStringList{u"--list"_s, u"--bogus"_s, u"--help"_s} << int(CommandKind::Help);
    QTest::addRow("--version") << QStringList{u"--version"_s} << int(CommandKind::Version);
    QTest::addRow("--list") << QStringList{u"--list"_s} << int(CommandKind::List);
    QTest::addRow("--show") << QStringList{u"--show"_s} << int(CommandKind::Show);
    QTest::addRow("--new") << QStringList{u"--new"_s} << int(CommandKind::New);
}

void TestCommandLine::kinds()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, kind);
    const Command c = ParseCommandLine(arguments, now);
    QCOMPARE(c.error, QString());
    QCOMPARE(int(c.kind), kind);
}

void TestCommandLine::add_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("row"); // Name, Date, Time, Repeat, Events, What

    QTest::addRow("in 20m") << QStringList{u"--add"_s, u"Tea"_s, u"--in"_s, u"20m"_s}
                            << QStringList{u"Tea"_s, u"09.12.26"_s, u"10:20:00"_s, u"0"_s, u"1,"_s, u"Tea"_s};
    QTest::addRow("in 1h30m with text") << QStringList{u"--add"_s,     u"Tea"_s,  u"--text"_s,
                                                       u"Green tea"_s, u"--in"_s, u"1h30m"_s}
                                        << QStringList{u"Tea"_s, u"09.12.26"_s, u"11:30:00"_s,
                                                       u"0"_s,   u"1,"_s,       u"Green tea"_s};
    QTest::addRow("in 2d") << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"2d"_s}
                           << QStringList{u"X"_s, u"11.12.26"_s, u"10:00:00"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("in 45s") << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"45s"_s}
                            << QStringList{u"X"_s, u"09.12.26"_s, u"10:00:45"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("in 14h, past midnight")
        << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"14h"_s}
        << QStringList{u"X"_s, u"10.12.26"_s, u"00:00:00"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("at a time: today's floating date")
        << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"14:30"_s}
        << QStringList{u"X"_s, u"#09.12.26"_s, u"14:30:00"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("at a one-digit hour") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"9:05"_s}
                                         << QStringList{u"X"_s, u"#09.12.26"_s, u"09:05:00"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("at a date and a time, two arguments")
        << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"24.12.26"_s, u"18:00:30"_s}
        << QStringList{u"X"_s, u"24.12.26"_s, u"18:00:30"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("at=date and time, one argument")
        << QStringList{u"--add"_s, u"X"_s, u"--at=24.12.26 18:00"_s}
        << QStringList{u"X"_s, u"24.12.26"_s, u"18:00:00"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("at a leap day") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"29.02.28"_s, u"12:00"_s}
                                   << QStringList{u"X"_s, u"29.02.28"_s, u"12:00:00"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("every 30 minutes from a time")
        << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"08:00"_s, u"--every"_s, u"30m"_s}
        << QStringList{u"X"_s, u"#09.12.26"_s, u"08:00:00"_s, u"30"_s, u"1,0,"_s, u"X"_s};
    QTest::addRow("every 7 days from a date")
        << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"01.01.27"_s, u"09:00"_s, u"--every"_s, u"7d"_s}
        << QStringList{u"X"_s, u"01.01.27"_s, u"09:00:00"_s, u"7"_s, u"1,0,"_s, u"X"_s};
    QTest::addRow("every day from in") << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"20m"_s, u"--every"_s, u"1d"_s}
                                       << QStringList{u"X"_s, u"09.12.26"_s, u"10:20:00"_s, u"1"_s, u"1,0,"_s, u"X"_s};
    QTest::addRow("the largest steps") << QStringList{u"--add"_s, u"X"_s,       u"--at"_s,
                                                      u"08:00"_s, u"--every"_s, u"1440m"_s}
                                       << QStringList{u"X"_s,    u"#09.12.26"_s, u"08:00:00"_s,
                                                      u"1440"_s, u"1,0,"_s,      u"X"_s};
    QTest::addRow("a step of 0 is no repeat, as in the editor")
        << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"5m"_s, u"--every"_s, u"0d"_s}
        << QStringList{u"X"_s, u"09.12.26"_s, u"10:05:00"_s, u"0"_s, u"1,"_s, u"X"_s};
    QTest::addRow("on start-up and disconnect")
        << QStringList{u"--add"_s, u"X"_s, u"--on"_s, u"startup"_s, u"--on"_s, u"disconnect"_s}
        << QStringList{u"X"_s, u"#09.12.26"_s, u"0"_s, u"0"_s, u"2,5,"_s, u"X"_s};
    QTest::addRow("on shutdown and at a time")
        << QStringList{u"--add"_s, u"X"_s, u"--on"_s, u"shutdown"_s, u"--at"_s, u"18:00"_s}
        << QStringList{u"X"_s, u"#09.12.26"_s, u"18:00:00"_s, u"0"_s, u"1,3,"_s, u"X"_s};
    QTest::addRow("a text of two lines") << QStringList{u"--add"_s,    u"X"_s,    u"--text"_s,
                                                        u"one\ntwo"_s, u"--on"_s, u"connect"_s}
                                         << QStringList{u"X"_s, u"#09.12.26"_s, u"0"_s, u"0"_s, u"4,"_s, u"one\rtwo"_s};
    QTest::addRow("a blank name, as the editor takes it")
        << QStringList{u"--add"_s, u"   "_s, u"--text"_s, u"x"_s, u"--on"_s, u"startup"_s}
        << QStringList{u"   "_s, u"#09.12.26"_s, u"0"_s, u"0"_s, u"2,"_s, u"x"_s};
}

void TestCommandLine::add()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, row);
    const Command c = ParseCommandLine(arguments, now);
    QCOMPARE(c.error, QString());
    QCOMPARE(int(c.kind), int(CommandKind::Add));
    QCOMPARE((QStringList{c.row.name, c.row.date, c.row.time, c.row.repeat, c.row.events, c.row.what}), row);
    QCOMPARE(c.row.checked, false);
    QCOMPARE(c.row.ponovno, u"0"_s);
}

void TestCommandLine::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::addRow("unknown option") << QStringList{u"--frobnicate"_s} << u"unknown option: --frobnicate"_s;
    QTest::addRow("/s beside a command") << QStringList{u"/s"_s, u"--list"_s} << u"unexpected argument: /s"_s;
    QTest::addRow("a stray argument") << QStringList{u"--list"_s, u"extra"_s} << u"unexpected argument: extra"_s;
    QTest::addRow("no value") << QStringList{u"--add"_s} << u"option --add needs a value"_s;
    QTest::addRow("a value where none goes") << QStringList{u"--list=yes"_s} << u"option --list takes no value"_s;
    QTest::addRow("twice") << QStringList{u"--add"_s, u"A"_s, u"--in"_s, u"1m"_s, u"--in"_s, u"2m"_s}
                           << u"option --in is given twice"_s;
    QTest::addRow("two commands") << QStringList{u"--list"_s, u"--show"_s}
                                  << u"use one of --add, --list, --show and --new at a time"_s;
    QTest::addRow("an add option alone") << QStringList{u"--list"_s, u"--text"_s, u"x"_s}
                                         << u"option --text belongs to --add"_s;
    QTest::addRow("at and in") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"10:00"_s, u"--in"_s, u"5m"_s}
                               << u"use --at or --in, not both"_s;
    QTest::addRow("no when") << QStringList{u"--add"_s, u"X"_s} << u"--add needs --at, --in or --on"_s;
    QTest::addRow("a date that does not exist") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"31.02.26"_s, u"10:00"_s}
                                                << u"not a date that exists: 31.02.26 (DD.MM.YY)"_s;
    QTest::addRow("a date in another form") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"2026-12-24 10:00"_s}
                                            << u"not a date that exists: 2026-12-24 (DD.MM.YY)"_s;
    QTest::addRow("a date the file cannot hold")
        << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"01.01.2099"_s, u"10:00"_s}
        << u"the date 01.01.2099 lies outside the years 1976 to 2075 that a reminder can hold"_s;
    QTest::addRow("a date without a time") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"24.12.26"_s}
                                           << u"--at takes a time, or a date and a time: --at [DD.MM.YY] HH:MM[:SS]"_s;
    QTest::addRow("hour 25") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"25:00"_s}
                             << u"not a time that exists: 25:00 (HH:MM or HH:MM:SS)"_s;
    QTest::addRow("minute 60") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"10:60"_s}
                               << u"not a time that exists: 10:60 (HH:MM or HH:MM:SS)"_s;
    QTest::addRow("in -5m") << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"-5m"_s}
                            << u"not a duration: -5m (like 20m, 1h30m, 45s or 2d)"_s;
    QTest::addRow("in 0m") << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"0m"_s}
                           << u"not a duration: 0m (like 20m, 1h30m, 45s or 2d)"_s;
    QTest::addRow("in beyond the years") << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"99999d"_s}
                                         << u"the duration 99999d ends outside the years a reminder can hold"_s;
    QTest::addRow("days from a time alone")
        << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"10:00"_s, u"--every"_s, u"3d"_s}
        << u"a step in days needs a date (--at DD.MM.YY HH:MM, or --in); with a time alone it counts minutes"_s;
    QTest::addRow("minutes from a date")
        << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"5m"_s, u"--every"_s, u"30m"_s}
        << u"a step in minutes needs a time alone (--at HH:MM); with a date it counts days"_s;
    QTest::addRow("every without a time")
        << QStringList{u"--add"_s, u"X"_s, u"--on"_s, u"startup"_s, u"--every"_s, u"5m"_s}
        << u"--every needs --at or --in"_s;
    QTest::addRow("a step without its unit")
        << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"5m"_s, u"--every"_s, u"5"_s}
        << u"not a repeat step: 5 (like 2d or 30m)"_s;
    QTest::addRow("1001 days") << QStringList{u"--add"_s, u"X"_s, u"--in"_s, u"5m"_s, u"--every"_s, u"1001d"_s}
                               << InvalidRepeatMessage();
    QTest::addRow("1441 minutes") << QStringList{u"--add"_s, u"X"_s, u"--at"_s, u"10:00"_s, u"--every"_s, u"1441m"_s}
                                  << InvalidRepeatMessage();
    QTest::addRow("an unknown event") << QStringList{u"--add"_s, u"X"_s, u"--on"_s, u"reboot"_s}
                                      << u"unknown event: reboot (startup, shutdown, connect or disconnect)"_s;
    QTest::addRow("an empty name") << QStringList{u"--add"_s, QString(), u"--on"_s, u"startup"_s}
                                   << RefusalMessage(EditorRefusal::NoName);
    QTest::addRow("an empty text") << QStringList{u"--add"_s, u"X"_s, u"--text"_s, QString(), u"--on"_s, u"startup"_s}
                                   << RefusalMessage(EditorRefusal::NoText);
    QTest::addRow("a name that would not read back")
        << QStringList{u"--add"_s, u"Call - Bob"_s, u"--on"_s, u"startup"_s}
        << RefusalMessage(EditorRefusal::NameUnsavable);
    QTest::addRow("a name with a tab") << QStringList{u"--add"_s, u"a\tb"_s, u"--in"_s, u"5m"_s}
                                       << RefusalMessage(EditorRefusal::NameUnsavable);
    QTest::addRow("a text line that would not read back")
        << QStringList{u"--add"_s, u"X"_s, u"--text"_s, u"one\n==\ntwo"_s, u"--on"_s, u"startup"_s}
        << RefusalMessage(EditorRefusal::TextUnsavable);
}

void TestCommandLine::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QCOMPARE(ParseCommandLine(arguments, now).error, error);
}

void TestCommandLine::durations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("seconds"); // -1: refused
    QTest::addRow("20m") << u"20m"_s << qint64(1200);
    QTest::addRow("1h30m") << u"1h30m"_s << qint64(5400);
    QTest::addRow("45s") << u"45s"_s << qint64(45);
    QTest::addRow("2d") << u"2d"_s << qint64(172800);
    QTest::addRow("1d2h3m4s") << u"1d2h3m4s"_s << qint64(93784);
    QTest::addRow("90m") << u"90m"_s << qint64(5400);
    QTest::addRow("empty") << QString() << qint64(-1);
    QTest::addRow("a bare number") << u"20"_s << qint64(-1);
    QTest::addRow("out of order") << u"30m1h"_s << qint64(-1);
    QTest::addRow("a unit twice") << u"1m1m"_s << qint64(-1);
    QTest::addRow("negative") << u"-5m"_s << qint64(-1);
    QTest::addRow("zero") << u"0h0m"_s << qint64(-1);
    QTest::addRow("upper case") << u"5M"_s << qint64(-1);
    QTest::addRow("a blank inside") << u"1h 30m"_s << qint64(-1);
}

void TestCommandLine::durations()
{
    QFETCH(QString, text);
    QFETCH(qint64, seconds);
    QCOMPARE(ParseDuration(text).value_or(-1), seconds);
}

void TestCommandLine::listLines_data()
{
    QTest::addColumn<QStringList>("row"); // Name, Date, Time, Repeat, Events, checked
    QTest::addColumn<QString>("line");
    QTest::addRow("fixed date and time") << QStringList{u"Dentist"_s, u"05.03.26"_s, u"09:30:00"_s,
                                                        u"0"_s,       u"1,"_s,       u"0"_s}
                                         << u"Dentist\t05.03.26 09:30:00\tnot done"_s;
    QTest::addRow("floating, every 30 minutes, done")
        << QStringList{u"Backup"_s, u"#07.12.26"_s, u"18:00:00"_s, u"30"_s, u"1,0,"_s, u"1"_s}
        << u"Backup\t18:00:00, every 30 minute(s)\tdone"_s;
    QTest::addRow("fixed date every 2 days")
        << QStringList{u"Pills"_s, u"07.12.26"_s, u"08:00:00"_s, u"2"_s, u"1,0,"_s, u"0"_s}
        << u"Pills\t07.12.26 08:00:00, every 2 day(s)\tnot done"_s;
    QTest::addRow("events") << QStringList{u"Mail"_s, u"#07.12.26"_s, u"0"_s, u"0"_s, u"2,3,4,5,"_s, u"0"_s}
                            << u"Mail\tStartup, Shutdown, Internet connect, Internet disconnect\tnot done"_s;
    QTest::addRow("nothing fires it") << QStringList{u"Idle"_s, u"0"_s, u"0"_s, u"0"_s, QString(), u"0"_s}
                                      << u"Idle\tnever\tnot done"_s;
}

void TestCommandLine::listLines()
{
    QFETCH(QStringList, row);
    QFETCH(QString, line);
    Reminder r;
    r.name = row.at(0);
    r.date = row.at(1);
    r.time = row.at(2);
    r.repeat = row.at(3);
    r.events = row.at(4);
    r.checked = row.at(5) == u"1";
    QCOMPARE(ListLine(r), line);
}

void TestCommandLine::requests_roundTrip()
{
    const Command add = ParseCommandLine(
        {u"--add"_s, u"Tee \u00e4 \u20ac"_s, u"--text"_s, u"a\nb\n"_s, u"--at"_s, u"08:00"_s, u"--every"_s, u"5m"_s},
        now);
    QCOMPARE(add.error, QString());
    const std::optional<Command> back = DecodeRequest(EncodeRequest(add));
    QVERIFY(back);
    QCOMPARE(int(back->kind), int(CommandKind::Add));
    QCOMPARE(back->row, add.row);
    for (CommandKind kind : {CommandKind::List, CommandKind::Show, CommandKind::New}) {
        Command c;
        c.kind = kind;
        const std::optional<Command> decoded = DecodeRequest(EncodeRequest(c));
        QVERIFY(decoded);
        QCOMPARE(int(decoded->kind), int(kind));
    }
}

void TestCommandLine::requests_refused_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("unknown word") << QByteArray("quit");
    QTest::addRow("list with more") << QByteArray("list\nx");
    QTest::addRow("add, fields missing") << QByteArray("add\nQQ==");
    // "A - B": a name that would not read back from the data file.
    QTest::addRow("add, a row that would not read back")
        << (QByteArray("add\n") + QByteArray("A - B").toBase64() + "\nMA==\nMA==\nMA==\nMiw=\neA==");
    QTest::addRow("add, no name") << QByteArray("add\n\nMA==\nMA==\nMA==\nMiw=\neA==");
}

void TestCommandLine::requests_refused()
{
    QFETCH(QByteArray, request);
    QVERIFY(!DecodeRequest(request));
}

void TestCommandLine::answers_roundTrip()
{
    const CommandAnswer ok = DecodeAnswer(EncodeAnswer({true, u"A\tnever\tdone\nB\n"_s}));
    QCOMPARE(ok.ok, true);
    QCOMPARE(ok.text, u"A\tnever\tdone\nB\n"_s);
    const CommandAnswer failed = DecodeAnswer(EncodeAnswer({false, u"the running program is ending"_s}));
    QCOMPARE(failed.ok, false);
    QCOMPARE(failed.text, u"the running program is ending"_s);
    QCOMPARE(DecodeAnswer("garbage").ok, false);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
