// Loads and saves 100,000 generated reminders (both files, texts of a few lines) into and out of
// the list model, and reports the median time of each (the first load apart: it also pays for the
// fresh process's memory) and the memory the loaded list holds.
#include "core/ReminderModel.h"
#include "core/ReminderStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QList<Reminder> generate(int count)
{
    QList<Reminder> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        Reminder r;
        r.name = QStringLiteral("Reminder number %1").arg(i);
        switch (i % 4) {
        case 0:
            r.date = QStringLiteral("%1.%2.27").arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(1 + i % 12, 2, 10,
                                                                                             QLatin1Char('0'));
            r.time = QStringLiteral("09:30:00");
            r.events = QStringLiteral("1,");
            break;
        case 1:
            r.date = QStringLiteral("#08.12.26");
            r.time = QStringLiteral("18:00:00");
            r.repeat = QStringLiteral("30");
            r.events = QStringLiteral("1,0,");
            break;
        case 2:
            r.date = QStringLiteral("#08.12.26");
            r.events = QStringLiteral("2,4,");
            break;
        default:
            r.date = QStringLiteral("24.12.27");
            r.repeat = QStringLiteral("7");
            r.events = QStringLiteral("1,3,0,");
            r.checked = true;
        }
        r.what = QStringLiteral("Call the office about item %1\rBring the papers\rAsk for the new forms").arg(i);
        rows.append(r);
    }
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int Count = 100000;
    constexpr int Runs = 7;
    QTemporaryDir dir;
    ReminderStore store(dir.path());
    const QList<Reminder> rows = generate(Count);

    std::vector<double> saveMs;
    std::vector<double> loadMs;
    long heldKiB = 0;
    for (int run = 0; run < Runs; ++run) {
        ReminderModel source;
        source.setRows(rows);
        QElapsedTimer t;
        t.start();
        if (!store.save(source.rows()).isEmpty()) {
            std::fprintf(stderr, "save failed\n");
            return 1;
        }
        saveMs.push_back(t.nsecsElapsed() / 1e6);
    }
    const qint64 dataSize = QFile(store.dataPath()).size() + QFile(store.textPath()).size();
    for (int run = 0; run < Runs; ++run) {
        const long before = residentKiB();
        {
            ReminderModel model;
            QElapsedTimer t;
            t.start();
            ReminderStore::LoadResult loaded = store.load();
            model.setRows(std::move(loaded.rows));
            loadMs.push_back(t.nsecsElapsed() / 1e6);
            if (model.count() != Count) {
                std::fprintf(stderr, "loaded %d rows\n", model.count());
                return 1;
            }
            heldKiB = std::max(heldKiB, residentKiB() - before);
        }
    }
    std::printf("reminder files: %d rows, %.1f MB on disk\n", Count, dataSize / 1e6);
    std::printf("  load into the list: median %.1f ms (target <= 120 ms); the first, in a fresh process, %.1f ms\n",
                median(loadMs), loadMs.front());
    std::printf("  save from the list: median %.1f ms (target <= 100 ms)\n", median(saveMs));
    std::printf("  memory held by the loaded list: %.1f MB (target <= 150 MB)\n", heldKiB / 1024.0);
    return 0;
}
