// A year of simulated time: the engine and the start-up catch-up run over a few dozen reminders of
// every kind, with restarts of the program at random points (save, time passes, load). A small
// model of the trigger rules, written here apart from the program's own, says when each reminder
// must fire; the engine must fire exactly then and never at any other instant.
#include "core/ReminderEngine.h"
#include "core/ReminderStore.h"
#include "support/FakeClock.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

namespace {

QString twoDigitDate(QDate d)
{
    return QString::asprintf("%02d.%02d.%02d", d.day(), d.month(), d.year() % 100);
}

// One reminder as the model sees it.
struct ModelRow
{
    enum Kind { DateAndTime, DateOnly, TimeOnly, Neither, NotTimed };
    QString name;
    Kind kind;
    QDate date; // the fixed date, or the floating date
    QTime time;
    int step = 0;
    bool checked = false;

    bool repeats() const { return step > 0; }
    Reminder toReminder() const
    {
        Reminder r;
        r.name = name;
        const bool fixed = kind == DateAndTime || kind == DateOnly;
        r.date = fixed ? twoDigitDate(date) : u'#' + twoDigitDate(date);
        r.time = (kind == DateAndTime || kind == TimeOnly) ? time.toString(QStringLiteral("HH:mm:ss"))
                                                          : QStringLiteral("0");
        r.repeat = QString::number(step);
        r.events = kind == NotTimed ? QStringLiteral("2,4,") : (repeats() ? QStringLiteral("1,0,") : QStringLiteral("1,"));
        r.what = name + QStringLiteral(" is due");
        r.checked = checked;
        return r;
    }
    // The instant from which the row is due; rows that never fire give an invalid instant.
    QDateTime due(const QDateTime& now) const
    {
        switch (kind) {
        case DateAndTime:
            return QDateTime(date, time);
        case DateOnly:
            return QDateTime(date, QTime(0, 0));
        case TimeOnly:
            return QDateTime(date, time);
        case Neither:
            return now;
        case NotTimed:
            break;
        }
        return {};
    }
};

qint64 wholeMinutesApart(QTime a, QTime b)
{
    return std::abs(a.msecsSinceStartOfDay() / 1000 - b.msecsSinceStartOfDay() / 1000) / 60;
}

// The rules, step by step as a user would read them.
struct Model
{
    QList<ModelRow> rows;
    QStringList fired;

    void tick(const QDateTime& now)
    {
        for (ModelRow& r : rows) {
            const QDateTime due = r.due(now);
            if (r.checked || !due.isValid() || now < due) {
                continue;
            }
            fired.append(now.toString(Qt::ISODate) + u' ' + r.name);
            r.checked = true;
            if (!r.repeats() || r.kind == ModelRow::Neither) {
                continue; // a repeating row with neither date nor time fires once
            }
            r.checked = false;
            if (r.kind == ModelRow::TimeOnly) {
                const QDateTime next = QDateTime(r.date, r.time).addSecs(qint64(r.step) * 60);
                r.date = next.date();
                r.time = next.time();
            } else {
                r.date = r.date.addDays(r.step);
            }
        }
    }

    void catchUp(const QDateTime& now)
    {
        for (ModelRow& r : rows) {
            if (r.kind == ModelRow::TimeOnly || r.kind == ModelRow::Neither || r.kind == ModelRow::NotTimed) {
                r.date = now.date();
            }
            if (!r.repeats()) {
                continue;
            }
            if (r.kind == ModelRow::DateAndTime || r.kind == ModelRow::DateOnly) {
                if (r.date.daysTo(now.date()) > r.step) {
                    while (r.date.daysTo(now.date()) > r.step) {
                        r.date = r.date.addDays(r.step);
                    }
                }
            } else if (r.kind == ModelRow::TimeOnly && wholeMinutesApart(r.time, now.time()) >= r.step) {
                do {
                    r.time = r.time.addSecs(qint64(r.step) * 60);
                } while (wholeMinutesApart(r.time, now.time()) > r.step);
            }
        }
    }

    // The next instant after now at which some row falls due.
    QDateTime nextDue(const QDateTime& now) const
    {
        QDateTime best;
        for (const ModelRow& r : rows) {
            const QDateTime due = r.due(now);
            if (r.checked || !due.isValid()) {
                continue;
            }
            const QDateTime at = due > now ? due : now.addSecs(1);
            if (!best.isValid() || at < best) {
                best = at;
            }
        }
        return best;
    }
};

class LoggingAlerts final : public AlertPresenter
{
public:
    LoggingAlerts(ReminderModel*& model, const Clock& clock, QStringList& log)
        : m_model(model)
        , m_clock(clock)
        , m_log(log)
    {
    }
    bool isAlertShowing() const override { return false; }
    void showAlert(quint64 id) override
    {
        m_log.append(m_clock.now().toString(Qt::ISODate) + u' ' + m_model->at(m_model->rowOfId(id)).name);
    }

private:
    ReminderModel*& m_model;
    const Clock& m_clock;
    QStringList& m_log;
};

class NoSounds final : public EventSoundSink
{
public:
    void playEventSound(QChar) override {}
};

QList<ModelRow> someReminders(QDate start, QRandomGenerator& random)
{
    QList<ModelRow> rows;
    auto time = [&random] { return QTime(int(random.bounded(24)), int(random.bounded(60)), int(random.bounded(60))); };
    int n = 0;
    auto add = [&](ModelRow::Kind kind, QDate date, QTime t, int step, bool checked = false) {
        rows.append({QStringLiteral("R%1").arg(n++), kind, date, t, step, checked});
    };
    for (int step : {0, 0, 1, 1, 2, 7, 7, 30, 100}) {
        add(ModelRow::DateAndTime, start.addDays(int(random.bounded(-40, 60))), time(), step);
    }
    for (int step : {0, 1, 3, 14}) {
        add(ModelRow::DateOnly, start.addDays(int(random.bounded(-20, 20))), QTime(), step);
    }
    for (int step : {0, 15, 30, 45, 90, 240, 1000, 1440}) {
        add(ModelRow::TimeOnly, start, time(), step);
    }
    add(ModelRow::Neither, start, QTime(), 0);
    add(ModelRow::Neither, start, QTime(), 10);
    add(ModelRow::DateAndTime, start.addDays(3), time(), 1, true); // done: never fires
    add(ModelRow::TimeOnly, start, time(), 30, true);
    add(ModelRow::NotTimed, start, QTime(), 0); // fires on other events only
    return rows;
}

} // namespace

class TestSimulatedYear : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Wall-clock rules without daylight-saving jumps, so that the model stays small.
        qputenv("TZ", "UTC");
    }
    void year_firesExactlyWhenTheRulesSay();
};

void TestSimulatedYear::year_firesExactlyWhenTheRulesSay()
{
    QRandomGenerator random(20261208);
    const QDateTime start(QDate(2026, 12, 8), QTime(8, 0, 0));
    const QDateTime end = start.addDays(365);
    Model model;
    model.rows = someReminders(start.date(), random);

    QTemporaryDir dir;
    ReminderStore store(dir.path());
    FakeClock clock(start);
    QStringList log;
    NoSounds sounds;
    ReminderModel* list = nullptr;
    LoggingAlerts alerts(list, clock, log);
    std::unique_ptr<ReminderModel> listHolder;
    std::unique_ptr<ReminderEngine> engine;

    // Starting the program at now: load, catch up, and the first tick after the splash.
    auto startProgram = [&](const QDateTime& now) {
        clock.set(now);
        const ReminderStore::LoadResult loaded = store.load();
        QCOMPARE(loaded.status, ReminderStore::LoadStatus::Loaded);
        QList<Reminder> rows = loaded.rows;
        ReminderEngine::catchUp(rows, now);
        model.catchUp(now);
        listHolder = std::make_unique<ReminderModel>();
        list = listHolder.get();
        list->setRows(rows);
        engine = std::make_unique<ReminderEngine>(*list, clock, alerts, sounds);
    };

    QList<Reminder> initial;
    for (const ModelRow& r : model.rows) {
        initial.append(r.toReminder());
    }
    QCOMPARE(store.save(initial), QString());
    startProgram(start);

    QDateTime now = start.addSecs(3);
    QDateTime nextRestart = now.addSecs(qint64(random.bounded(2 * 86400, 20 * 86400)));
    int restarts = 0;
    int ticks = 0;
    while (now < end) {
        if (now >= nextRestart) {
            // The program ends (the close saves), time passes, and it starts again.
            QCOMPARE(store.save(list->rows()), QString());
            const QList<Reminder> held = list->rows();
            QDateTime back = now.addSecs(qint64(random.bounded(60, 4 * 86400)));
            if (random.bounded(2) == 0) {
                // Come back close to a repeating time's step away from it, where the catch-up's
                // rule changes its mind.
                QList<const ModelRow*> timed;
                for (const ModelRow& r : model.rows) {
                    if (r.kind == ModelRow::TimeOnly && r.repeats() && r.step < 1440) {
                        timed.append(&r);
                    }
                }
                const ModelRow& r = *timed.at(int(random.bounded(int(timed.size()))));
                const int minutes = r.step + int(random.bounded(-1, 2));
                const int sign = random.bounded(2) == 0 ? -1 : 1;
                const QTime at = r.time.addSecs(sign * minutes * 60 + int(random.bounded(-30, 30)));
                back = QDateTime(back.date(), at);
                if (back <= now) {
                    back = back.addDays(1);
                }
            }
            QCOMPARE(store.load().rows, held); // the files hold what the list held
            startProgram(back);
            now = back.addSecs(3);
            nextRestart = now.addSecs(qint64(random.bounded(2 * 86400, 20 * 86400)));
            ++restarts;
            continue;
        }
        clock.set(now);
        engine->scanDateTime();
        model.tick(now);
        ++ticks;
        QCOMPARE(log.size(), model.fired.size());
        if (!log.isEmpty()) {
            QCOMPARE(log.last(), model.fired.last());
        }
        // One-second ticks near a due instant, larger jumps between them, with an occasional
        // tick in the middle of a jump that must find nothing due.
        const QDateTime due = model.nextDue(now);
        QDateTime next = now.addSecs(1);
        if (due.isValid() && now.secsTo(due) > 3) {
            next = due.addSecs(-2);
            if (random.bounded(4) == 0) {
                next = now.addSecs(qint64(random.bounded(1, int(qMin<qint64>(now.secsTo(due) - 2, 1 << 30)))));
            }
        }
        now = qMin(next, qMin(nextRestart, end));
        if (now == clock.now()) {
            now = now.addSecs(1);
        }
    }
    QCOMPARE(log, model.fired);
    QVERIFY2(restarts >= 15, qPrintable(QString::number(restarts)));
    QVERIFY(log.size() > 20000);
    for (const QString& name : {QStringLiteral("R26"), QStringLiteral("R27"), QStringLiteral("R28")}) {
        for (const QString& line : log) {
            QVERIFY2(!line.endsWith(u' ' + name), qPrintable(line));
        }
    }
    qInfo("%d ticks, %lld alerts, %d restarts", ticks, qlonglong(log.size()), restarts);
}

QTEST_GUILESS_MAIN(TestSimulatedYear)
#include "tst_simulatedyear.moc"
