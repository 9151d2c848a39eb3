// Times the date and time rules over 10,000 rows: one scan of the once-a-second check with no row due,
// and the start-up catch-up over repeating rows of every kind; prints the median of repeated runs.
#include "core/DateText.h"
#include "core/ReminderEngine.h"
#include "core/TriggerRules.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Count = 10000;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QString two(int n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

// Rows that carry the date and time flag but none of which is due at now.
QList<Reminder> notDueRows(const QDateTime& now)
{
    QList<Reminder> rows;
    rows.reserve(Count);
    const QString today = QLatin1Char('#') + FormatDate(now.date());
    const QString tomorrow = QLatin1Char('#') + FormatDate(now.date().addDays(1));
    for (int i = 0; i < Count; ++i) {
        Reminder r;
        r.name = QStringLiteral("Reminder %1").arg(i);
        switch (i % 5) {
        case 0:
            r.date = FormatDate(now.date().addDays(1 + i % 700));
            r.time = two(i % 24) + QLatin1String(":30:00");
            r.events = QStringLiteral("1,");
            break;
        case 1:
            r.date = tomorrow;
            r.time = FormatTime(QTime(0, 0).addSecs(i * 7 % 86400));
            r.repeat = QStringLiteral("30");
            r.events = QStringLiteral("1,0,");
            break;
        case 2:
            r.date = FormatDate(now.date().addDays(1 + i % 50));
            r.repeat = QStringLiteral("7");
            r.events = QStringLiteral("1,3,0,");
            break;
        case 3:
            r.date = today;
            r.time = QStringLiteral("08:00:00");
            r.events = QStringLiteral("1,");
            r.checked = true; // fired earlier today
            break;
        default:
            r.date = today;
            r.events = QStringLiteral("2,4,");
        }
        rows.append(r);
    }
    return rows;
}

// Repeating rows of every kind, most of them far behind the present.
QList<Reminder> repeatingRows(const QDateTime& now)
{
    QList<Reminder> rows;
    rows.reserve(Count);
    for (int i = 0; i < Count; ++i) {
        Reminder r;
        r.name = QStringLiteral("Repeating %1").arg(i);
        r.events = QStringLiteral("1,0,");
        switch (i % 4) {
        case 0:
            r.date = FormatDate(now.date().addDays(-(i % 18000)));
            r.time = QStringLiteral("09:30:00");
            r.repeat = QString::number(1 + i % 3);
            break;
        case 1:
            r.date = FormatDate(now.date().addDays(-(i % 900)));
            r.repeat = QStringLiteral("7");
            break;
        case 2:
            r.date = QStringLiteral("#01.01.26");
            r.time = two(i % 24) + QLatin1Char(':') + two(i % 60) + QLatin1String(":00");
            r.repeat = QString::number(1 + i % 90);
            break;
        default:
            r.date = QStringLiteral("0");
            r.time = QStringLiteral("23:50:00");
            r.repeat = QStringLiteral("20");
        }
        rows.append(r);
    }
    return rows;
}

class NoAlerts final : public AlertPresenter
{
public:
    bool isAlertShowing() const override { return false; }
    void showAlert(quint64) override { ++shown; }
    int shown = 0;
};

class NoSounds final : public EventSoundSink
{
public:
    void playEventSound(QChar) override {}
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int Runs = 31;
    const QDateTime now = QDateTime::currentDateTime();

    // One real tick of the engine over the list, none of whose rows is due.
    ReminderModel list;
    list.setRows(notDueRows(now));
    SystemClock clock;
    NoAlerts alerts;
    NoSounds sounds;
    ReminderEngine engine(list, clock, alerts, sounds);
    std::vector<double> scanMs;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer t;
        t.start();
        engine.scanDateTime();
        scanMs.push_back(t.nsecsElapsed() / 1e6);
    }
    if (alerts.shown != 0) {
        std::fprintf(stderr, "%d rows fired, none expected\n", alerts.shown);
        return 1;
    }

    const QList<Reminder> behind = repeatingRows(now);
    std::vector<double> catchUpMs;
    for (int run = 0; run < Runs; ++run) {
        QList<Reminder> rows = behind;
        rows.detach();
        QElapsedTimer t;
        t.start();
        CatchUp(rows, now);
        catchUpMs.push_back(t.nsecsElapsed() / 1e6);
        if (rows.at(0).date != FormatDate(now.date())) {
            std::fprintf(stderr, "catch-up left row 0 at %s\n", qPrintable(rows.at(0).date));
            return 1;
        }
    }

    std::printf("date and time rules: %d rows, median of %d runs\n", Count, Runs);
    std::printf("  one engine tick, no row due: median %.3f ms (target <= 2 ms)\n", median(scanMs));
    std::printf("  start-up catch-up:       median %.3f ms (target <= 20 ms)\n", median(catchUpMs));
    return 0;
}
