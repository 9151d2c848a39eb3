// Times the plan of the next wake over 1,000 and 100,000 rows none of which is due soon, with the
// clock in local time as the program reads it, beside one scan of the same rows; prints the median
// of repeated runs. The plan runs after each wake and each change of the list.
#include "core/DateText.h"
#include "core/ReminderEngine.h"
#include "core/TriggerRules.h"
#include "core/WakePlan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QList<Reminder> notDueRows(const QDateTime& now, int count)
{
    QList<Reminder> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        Reminder r;
        r.name = QStringLiteral("Reminder %1").arg(i);
        switch (i % 4) {
        case 0:
            r.date = FormatDate(now.date().addDays(1 + i % 700));
            r.time = QStringLiteral("09:30:00");
            r.events = QStringLiteral("1,");
            break;
        case 1:
            r.date = FormatDate(now.date().addDays(1 + i % 50));
            r.repeat = QStringLiteral("7");
            r.events = QStringLiteral("1,0,");
            break;
        case 2:
            r.date = QLatin1Char('#') + FormatDate(now.date().addDays(1));
            r.time = QStringLiteral("08:00:00");
            r.repeat = QStringLiteral("30");
            r.events = QStringLiteral("1,0,");
            break;
        default:
            r.date = QLatin1Char('#') + FormatDate(now.date());
            r.events = QStringLiteral("2,4,");
            r.checked = true;
        }
        rows.append(r);
    }
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int Runs = 31;
    const QDateTime now = QDateTime::currentDateTime();
    std::printf("next wake, median of %d runs:\n", Runs);
    for (const int count : {1000, 100000}) {
        const QList<Reminder> rows = notDueRows(now, count);
        std::vector<double> planMs;
        std::vector<double> scanMs;
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer t;
            t.start();
            const QDateTime wake = NextWake(rows, now, WakeNeeds{});
            planMs.push_back(t.nsecsElapsed() / 1e6);
            if (wake <= now) {
                std::fprintf(stderr, "woken at once, nothing due expected\n");
                return 1;
            }
            t.start();
            int due = 0;
            for (const Reminder& r : rows) {
                due += ShouldFire(r, now) ? 1 : 0;
            }
            scanMs.push_back(t.nsecsElapsed() / 1e6);
            if (due != 0) {
                std::fprintf(stderr, "%d rows due, none expected\n", due);
                return 1;
            }
        }
        std::printf("  %6d rows: plan %.3f ms, the scan's test of every row %.3f ms\n", count, median(planMs),
                    median(scanMs));
    }
    return 0;
}
