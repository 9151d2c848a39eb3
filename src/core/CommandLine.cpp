#include "CommandLine.h"

#include "DateText.h"
#include "EditorFields.h"
#include "EventFlags.h"
#include "ReminderFile.h"

#include <QRegularExpression>

namespace {

const QStringList kCommands = {QStringLiteral("--add"), QStringLiteral("--list"), QStringLiteral("--show"),
                               QStringLiteral("--new")};
const QStringList kAddOptions = {QStringLiteral("--text"), QStringLiteral("--at"), QStringLiteral("--in"),
                                 QStringLiteral("--every"), QStringLiteral("--on")};

struct EventName
{
    const char* name;
    bool EditorFields::*box;
};
constexpr EventName kEvents[] = {
    {"startup", &EditorFields::startup},
    {"shutdown", &EditorFields::shutdown},
    {"connect", &EditorFields::iConnect},
    {"disconnect", &EditorFields::iDisConnect},
};

bool takesValue(const QString& option)
{
    return option == u"--add" || kAddOptions.contains(option);
}

bool looksLikeDate(QStringView text)
{
    return text.contains(u'.');
}

std::optional<QDate> readDate(const QString& text, int currentYear, QString& error)
{
    static const QRegularExpression form(QStringLiteral("^\\d{1,2}\\.\\d{1,2}\\.(\\d{2}|\\d{4})$"));
    const QDate date = form.match(text).hasMatch() ? ParseDate(text, currentYear) : QDate();
    if (!date.isValid()) {
        error = QStringLiteral("not a date that exists: %1 (DD.MM.YY)").arg(text);
        return std::nullopt;
    }
    // The data file keeps two digits of the year: a date outside the window they are read in
    // would come back in another century.
    if (ParseDate(FormatDate(date), currentYear) != date) {
        error = QStringLiteral("the date %1 lies outside the years %2 to %3 that a reminder can hold")
                    .arg(text)
                    .arg(currentYear - 50)
                    .arg(currentYear + 49);
        return std::nullopt;
    }
    return date;
}

std::optional<QTime> readTime(const QString& text, QString& error)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch match = form.match(text);
    const QTime time = match.hasMatch() ? QTime(match.captured(1).toInt(), match.captured(2).toInt(),
                                                match.captured(3).isEmpty() ? 0 : match.captured(3).toInt())
                                        : QTime();
    if (!time.isValid()) {
        error = QStringLiteral("not a time that exists: %1 (HH:MM or HH:MM:SS)").arg(text);
        return std::nullopt;
    }
    return time;
}

// The values of the options of one --add, as given.
struct AddOptions
{
    QString name;
    std::optional<QString> text;
    QStringList at; // [date] time
    std::optional<QString> in;
    std::optional<QString> every;
    QStringList on;
};

Command refused(const QString& why)
{
    Command c;
    c.error = why;
    return c;
}

Command buildAdd(const AddOptions& o, const QDateTime& now)
{
    const int year = now.date().year();
    QString error;
    EditorFields f;
    f.name = o.name;
    // The editor's text field holds lines; the row keeps them joined by single CRs.
    f.what = o.text ? JoinEditorText(QString(*o.text)
                                         .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                                         .split(QRegularExpression(QStringLiteral("[\r\n]"))))
                    : o.name;
    f.date = now.date();
    f.time = now.time();

    if (!o.at.isEmpty()) {
        const QString timeText = o.at.last();
        const std::optional<QTime> time = readTime(timeText, error);
        if (!time) {
            return refused(error);
        }
        f.dateTime = true;
        f.specTime = true;
        f.time = *time;
        if (o.at.size() == 2) {
            const std::optional<QDate> date = readDate(o.at.first(), year, error);
            if (!date) {
                return refused(error);
            }
            f.specDate = true;
            f.date = *date;
        }
    }
    if (o.in) {
        const std::optional<qint64> seconds = ParseDuration(*o.in);
        if (!seconds) {
            return refused(QStringLiteral("not a duration: %1 (like 20m, 1h30m, 45s or 2d)").arg(*o.in));
        }
        const QDateTime due = now.addSecs(*seconds);
        if (ParseDate(FormatDate(due.date()), year) != due.date()) {
            return refused(QStringLiteral("the duration %1 ends outside the years a reminder can hold").arg(*o.in));
        }
        f.dateTime = true;
        f.specDate = true;
        f.specTime = true;
        f.date = due.date();
        f.time = due.time();
    }
    for (const QString& event : o.on) {
        bool known = false;
        for (const EventName& e : kEvents) {
            if (event == QLatin1String(e.name)) {
                f.*e.box = true;
                known = true;
            }
        }
        if (!known) {
            return refused(QStringLiteral("unknown event: %1 (startup, shutdown, connect or disconnect)").arg(event));
        }
    }
    if (!f.dateTime && o.on.isEmpty()) {
        return refused(QStringLiteral("--add needs --at, --in or --on"));
    }
    if (o.every) {
        static const QRegularExpression form(QStringLiteral("^(\\d{1,4})([dm])$"));
        const QRegularExpressionMatch match = form.match(*o.every);
        if (!match.hasMatch()) {
            return refused(QStringLiteral("not a repeat step: %1 (like 2d or 30m)").arg(*o.every));
        }
        if (!f.dateTime) {
            return refused(QStringLiteral("--every needs --at or --in"));
        }
        // The step counts days with a fixed date and minutes without one.
        const bool days = match.captured(2) == u"d";
        if (days && !f.specDate) {
            return refused(QStringLiteral(
                "a step in days needs a date (--at DD.MM.YY HH:MM, or --in); with a time alone it counts minutes"));
        }
        if (!days && f.specDate) {
            return refused(
                QStringLiteral("a step in minutes needs a time alone (--at HH:MM); with a date it counts days"));
        }
        f.repeat = match.captured(1);
        if (!RepeatInRange(f.repeat, f.specDate)) {
            return refused(InvalidRepeatMessage());
        }
    }

    Command c;
    c.kind = CommandKind::Add;
    c.row = RowFromFields(f, EditorMode::New, now.date());
    c.error = RefusalMessage(RefusalFor(f, EditorMode::New, c.row));
    return c;
}

} // namespace

Command ParseCommandLine(const QStringList& arguments, const QDateTime& now)
{
    const auto isOption = [](const QString& a) { return a.startsWith(u"--") || a == u"-h"; };
    if (std::none_of(arguments.begin(), arguments.end(), isOption)) {
        return {};
    }
    for (const QString& a : arguments) {
        if (a == u"--help" || a == u"-h") {
            Command c;
            c.kind = CommandKind::Help;
            return c;
        }
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        Command c;
        c.kind = CommandKind::Version;
        return c;
    }

    QString command;
    QStringList given;
    AddOptions add;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        std::optional<QString> value;
        if (const qsizetype equals = option.indexOf(u'='); option.startsWith(u"--") && equals > 0) {
            value = option.mid(equals + 1);
            option.truncate(equals);
        }
        if (!kCommands.contains(option) && !kAddOptions.contains(option)) {
            return refused(option.startsWith(u'-') ? QStringLiteral("unknown option: %1").arg(option)
                                                   : QStringLiteral("unexpected argument: %1").arg(option));
        }
        if (!takesValue(option) && value) {
            return refused(QStringLiteral("option %1 takes no value").arg(option));
        }
        if (takesValue(option) && !value) {
            if (i + 1 >= arguments.size()) {
                return refused(QStringLiteral("option %1 needs a value").arg(option));
            }
            value = arguments.at(++i);
        }
        if (option != u"--on" && given.contains(option)) {
            return refused(QStringLiteral("option %1 is given twice").arg(option));
        }
        given.append(option);
        if (kCommands.contains(option)) {
            if (!command.isEmpty()) {
                return refused(QStringLiteral("use one of --add, --list, --show and --new at a time"));
            }
            command = option;
        }
        if (option == u"--add") {
            add.name = *value;
        } else if (option == u"--text") {
            add.text = *value;
        } else if (option == u"--in") {
            add.in = *value;
        } else if (option == u"--every") {
            add.every = *value;
        } else if (option == u"--on") {
            add.on.append(*value);
        } else if (option == u"--at") {
            add.at = value->split(u' ', Qt::SkipEmptyParts);
            // "--at DD.MM.YY HH:MM" as two arguments.
            if (add.at.size() == 1 && looksLikeDate(add.at.first()) && i + 1 < arguments.size() &&
                !arguments.at(i + 1).startsWith(u"--")) {
                add.at.append(arguments.at(++i));
            }
            if (add.at.isEmpty() || add.at.size() > 2 || (add.at.size() == 1 && looksLikeDate(add.at.first()))) {
                return refused(QStringLiteral("--at takes a time, or a date and a time: --at [DD.MM.YY] HH:MM[:SS]"));
            }
        }
    }
    for (const QString& option : kAddOptions) {
        if (given.contains(option) && command != u"--add") {
            return refused(QStringLiteral("option %1 belongs to --add").arg(option));
        }
    }
    if (given.contains(QStringLiteral("--at")) && given.contains(QStringLiteral("--in"))) {
        return refused(QStringLiteral("use --at or --in, not both"));
    }

    Command c;
    if (command == u"--add") {
        return buildAdd(add, now);
    }
    c.kind = command == u"--list" ? CommandKind::List : command == u"--show" ? CommandKind::Show : CommandKind::New;
    return c;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: nudgelark [/s]\n"
        "   or: nudgelark --add NAME [--text TEXT] (--at [DD.MM.YY] HH:MM[:SS] | --in DURATION)\n"
        "                 [--every Nd | --every Nm] [--on EVENT]...\n"
        "   or: nudgelark --add NAME [--text TEXT] --on EVENT [--on EVENT]...\n"
        "   or: nudgelark --list | --show | --new | --help | --version\n"
        "\n"
        "A desktop reminder program. Without options it starts with its window; with /s it starts\n"
        "hidden in the tray and fires the reminders set for start-up.\n"
        "\n"
        "  --add NAME     add a reminder named NAME; the running program takes it at once, and\n"
        "                 when none runs the reminder files are changed\n"
        "  --text TEXT    what the alert says (the name when not given)\n"
        "  --at HH:MM[:SS]           at that time of day, from today\n"
        "  --at DD.MM.YY HH:MM[:SS]  on that date at that time\n"
        "  --in DURATION  once the time has passed, like 20m, 1h30m, 45s or 2d\n"
        "  --every Nd     again every N days (with a date, or with --in; at most 1000)\n"
        "  --every Nm     again every N minutes (with a time alone; at most 1440)\n"
        "  --on EVENT     when EVENT happens: startup, shutdown, connect or disconnect\n"
        "                 (the internet connection coming up or going down); may be repeated\n"
        "  --list         one line per reminder: name, when, done or not done, separated by tabs\n"
        "  --show         bring the program's window up (starting the program when it does not run)\n"
        "  --new          open the reminder editor (starting the program when it does not run)\n"
        "  -h, --help     show this help and exit\n"
        "  --version      show the version and exit\n"
        "\n"
        "Exit status: 0 when done, 1 when the reminders could not be read or written, 2 for bad input.\n");
}

std::optional<qint64> ParseDuration(QStringView text)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:(\\d{1,6})d)?(?:(\\d{1,7})h)?(?:(\\d{1,9})m)?(?:(\\d{1,9})s)?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (text.isEmpty() || !match.hasMatch()) {
        return std::nullopt;
    }
    const qint64 seconds = match.capturedView(1).toLongLong() * 86400 + match.capturedView(2).toLongLong() * 3600 +
                           match.capturedView(3).toLongLong() * 60 + match.capturedView(4).toLongLong();
    if (seconds <= 0) {
        return std::nullopt;
    }
    return seconds;
}

QString ListLine(const Reminder& r)
{
    const bool fixed = IsFixedDate(r.date);
    QStringList when;
    if (HasEventFlag(r.events, EventKind::DateTime)) {
        QStringList at;
        if (fixed) {
            at.append(r.date);
        }
        if (r.time != u"0") {
            at.append(r.time);
        }
        when.append(at.isEmpty() ? QStringLiteral("today") : at.join(u' '));
        if (HasEventFlag(r.events, u'0') && r.repeat != u"0") {
            when.append(QStringLiteral("every %1 %2").arg(r.repeat, fixed ? u"day(s)" : u"minute(s)"));
        }
    }
    const std::pair<EventKind, const char*> events[] = {
        {EventKind::Startup, "Startup"},
        {EventKind::Shutdown, "Shutdown"},
        {EventKind::IConnect, "Internet connect"},
        {EventKind::IDisConnect, "Internet disconnect"},
    };
    for (const auto& [kind, word] : events) {
        if (HasEventFlag(r.events, kind)) {
            when.append(QLatin1String(word));
        }
    }
    const QString whenText = when.isEmpty() ? QStringLiteral("never") : when.join(QLatin1String(", "));
    return r.name + u'\t' + whenText + u'\t' + (r.checked ? QLatin1String("done") : QLatin1String("not done"));
}

QByteArray EncodeRequest(const Command& command)
{
    switch (command.kind) {
    case CommandKind::Add: {
        QByteArray request = "add";
        for (const QString* field : {&command.row.name, &command.row.date, &command.row.time, &command.row.repeat,
                                     &command.row.events, &command.row.what}) {
            request += '\n' + field->toUtf8().toBase64();
        }
        return request;
    }
    case CommandKind::List:
        return "list";
    case CommandKind::Show:
        return "show";
    case CommandKind::New:
        return "new";
    default:
        return {};
    }
}

std::optional<Command> DecodeRequest(const QByteArray& request)
{
    const QList<QByteArray> lines = request.split('\n');
    Command c;
    const QByteArray word = lines.first();
    if (word == "list" || word == "show" || word == "new") {
        c.kind = word == "list" ? CommandKind::List : word == "show" ? CommandKind::Show : CommandKind::New;
        return lines.size() == 1 ? std::optional<Command>(c) : std::nullopt;
    }
    if (word != "add" || lines.size() != 7) {
        return std::nullopt;
    }
    c.kind = CommandKind::Add;
    QString* fields[] = {&c.row.name, &c.row.date, &c.row.time, &c.row.repeat, &c.row.events, &c.row.what};
    for (int i = 0; i < 6; ++i) {
        *fields[i] = QString::fromUtf8(QByteArray::fromBase64(lines.at(i + 1)));
    }
    if (c.row.name.isEmpty() || !RowReadsBack(c.row)) {
        return std::nullopt;
    }
    return c;
}

QByteArray EncodeAnswer(const CommandAnswer& answer)
{
    return (answer.ok ? QByteArray("ok\n") : QByteArray("error\n")) + answer.text.toUtf8();
}

CommandAnswer DecodeAnswer(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf('\n');
    CommandAnswer answer;
    answer.ok = end >= 0 && bytes.left(end) == "ok";
    answer.text = end >= 0 ? QString::fromUtf8(bytes.mid(end + 1)) : QStringLiteral("unreadable answer");
    return answer;
}
