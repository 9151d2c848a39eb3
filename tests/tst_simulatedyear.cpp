// A year of simulated time: the engine and the start-up catch-up run over a few dozen reminders of
// every kind, with restarts of the program at random points (save, time passes, load), a user who
// takes time over each alert and often pauses it, an Interval that changes now and then, and rows
// unchecked by hand long after they fired. A small model of the trigger rules, written here apart
// from the program's own, says when each reminder must fire; the engine must fire exactly then and
// never at any other instant. The same year runs twice: once looking every second, as a one-second
// timer does, and once woken only at the instants the engine plans; both must give the same alerts,
// in the same order, at the same instants to the second.
#include "core/ReminderEngine.h"
#include "core/ReminderStore.h"
#include "core/WakeScheduler.h"
#include "support/FakeClock.h"
#include "support/FakeWakeTimer.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

QString twoDigitDate(QDate d)
{
    return QString::asprintf("%02d.%02d.%02d", d.day(), d.month(), d.year() % 100);
}

// What the user does with an alert shown at an instant: how many seconds it stays open, and
// whether it ends with Pause. Left alone, it pauses itself after 60 seconds.
struct Reaction
{
    int seconds;
    bool pause;
};

Reaction react(const QString& name, const QDateTime& shownAt)
{
    quint32 h = 2166136261u;
    for (QChar c : name) {
        h = (h ^ c.unicode()) * 16777619u;
    }
    h = (h ^ quint32(shownAt.toSecsSinceEpoch())) * 16777619u;
    h ^= h >> 13;
    const quint32 kind = h % 100;
    if (kind < 60) {
        return {int(1 + (h >> 8) % 20), false}; // read, then OK
    }
    if (kind < 85) {
        return {int(2 + (h >> 8) % 30), true}; // Pause
    }
    return {60, true}; // nobody there
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
    QDateTime pausedAt; // while a pause runs

    bool repeats() const { return step > 0; }
    Reminder toReminder() const
    {
        Reminder r;
        r.name = name;
        const bool fixed = kind == DateAndTime || kind == DateOnly;
        r.date = fixed ? twoDigitDate(date) : u'#' + twoDigitDate(date);
        r.time =
            (kind == DateAndTime || kind == TimeOnly) ? time.toString(QStringLiteral("HH:mm:ss")) : QStringLiteral("0");
        r.repeat = QString::number(step);
        r.events =
            kind == NotTimed ? QStringLiteral("2,4,") : (repeats() ? QStringLiteral("1,0,") : QStringLiteral("1,"));
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
    bool pausedCheck = false; // on from the first Pause of a program run

    // One look at now: the date and time scan, then the paused alerts; returns the instant at the end,
    // when the last alert has closed.
    QDateTime tick(QDateTime now, int interval)
    {
        for (ModelRow& r : rows) {
            const QDateTime due = r.due(now);
            if (r.checked || !due.isValid() || now < due) {
                continue;
            }
            r.checked = true;
            if (r.repeats() && r.kind != ModelRow::Neither) { // a repeating row with neither date nor time fires once
                r.checked = false;
                if (r.kind == ModelRow::TimeOnly) {
                    const QDateTime next = QDateTime(r.date, r.time).addSecs(qint64(r.step) * 60);
                    r.date = next.date();
                    r.time = next.time();
                } else {
                    r.date = r.date.addDays(r.step);
                }
            }
            now = alert(r, now);
        }
        if (!pausedCheck) {
            return now;
        }
        for (ModelRow& r : rows) {
            if (r.pausedAt.isValid() && r.pausedAt.secsTo(now) >= qint64(qMax(1, interval)) * 60) {
                r.pausedAt = QDateTime();
                now = alert(r, now);
            }
        }
        return now;
    }

    QDateTime alert(ModelRow& r, const QDateTime& now)
    {
        fired.append(now.toString(Qt::ISODate) + u' ' + r.name);
        const Reaction reaction = react(r.name, now);
        const QDateTime closed = now.addSecs(reaction.seconds);
        if (reaction.pause) {
            r.pausedAt = closed;
            pausedCheck = true;
        }
        return closed;
    }

    void catchUp(const QDateTime& now)
    {
        pausedCheck = false;
        for (ModelRow& r : rows) {
            r.pausedAt = QDateTime(); // a pause lives only as long as the program runs
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

    // The next instant after now at which some row falls due or a pause runs out.
    QDateTime nextDue(const QDateTime& now, int interval) const
    {
        QDateTime best;
        auto consider = [&](const QDateTime& due) {
            const QDateTime at = due > now ? due : now.addSecs(1);
            if (!best.isValid() || at < best) {
                best = at;
            }
        };
        for (const ModelRow& r : rows) {
            const QDateTime due = r.due(now);
            if (!r.checked && due.isValid()) {
                consider(due);
            }
            if (pausedCheck && r.pausedAt.isValid()) {
                consider(r.pausedAt.addSecs(qint64(qMax(1, interval)) * 60));
            }
        }
        return best;
    }
};

QList<ModelRow> someReminders(QDate start, QRandomGenerator& random)
{
    QList<ModelRow> rows;
    auto time = [&random] { return QTime(int(random.bounded(24)), int(random.bounded(60)), int(random.bounded(60))); };
    int n = 0;
    auto add = [&](ModelRow::Kind kind, QDate date, QTime t, int step, bool checked = false) {
        rows.append({QStringLiteral("R%1").arg(n++), kind, date, t, step, checked, {}});
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

// Rows that fire once and stay checked, which the user unchecks again now and then.
const QStringList kUncheckable{QStringLiteral("R0"), QStringLiteral("R1"), QStringLiteral("R9"), QStringLiteral("R13"),
                               QStringLiteral("R21")};

// What happens to the program from outside, at whole seconds: a new Interval, a row unchecked by hand.
struct Happening
{
    QDateTime at;
    int interval = -1; // the new Interval, or -1
    QString uncheck;   // the row unchecked by hand, or empty
};

QList<Happening> someHappenings(const QDateTime& start, const QDateTime& end, QRandomGenerator& random)
{
    QList<Happening> list;
    for (QDateTime t = start.addSecs(3600); t < end; t = t.addSecs(qint64(random.bounded(3 * 86400, 12 * 86400)))) {
        list.append({t, int(QList<int>{0, 1, 2, 5, 10, 30}.at(random.bounded(6))), {}});
    }
    for (QDateTime t = start.addSecs(7200); t < end; t = t.addSecs(qint64(random.bounded(2 * 86400, 9 * 86400)))) {
        list.append({t, -1, kUncheckable.at(random.bounded(int(kUncheckable.size())))});
    }
    std::stable_sort(list.begin(), list.end(), [](const Happening& a, const Happening& b) { return a.at < b.at; });
    return list;
}

class LoggingAlerts final : public AlertPresenter
{
public:
    LoggingAlerts(ReminderModel*& model, FakeClock& clock, QStringList& log)
        : m_model(model), m_clock(clock), m_log(log)
    {}
    bool isAlertShowing() const override { return false; }
    bool showAlert(quint64 id) override
    {
        const QString name = m_model->at(m_model->rowOfId(id)).name;
        m_log.append(m_clock.now().toString(Qt::ISODate) + u' ' + name);
        const Reaction reaction = react(name, m_clock.now());
        m_clock.advanceSeconds(reaction.seconds);
        if (reaction.pause) {
            onPause(id);
        }
        return true;
    }
    std::function<void(quint64)> onPause;

private:
    ReminderModel*& m_model;
    FakeClock& m_clock;
    QStringList& m_log;
};

class NoSounds final : public EventSoundSink
{
public:
    void playEventSound(QChar) override {}
};

// One run of the program: its list, its engine and, when woken by plan, its scheduler.
struct ProgramRun
{
    std::unique_ptr<ReminderModel> list = std::make_unique<ReminderModel>();
    std::unique_ptr<ReminderEngine> engine;
    FakeWakeTimer timer;
    std::unique_ptr<WakeScheduler> scheduler;
    bool pausedCheck = false; // SecondTimer, when looking every second
};

enum class Waking { EverySecond, Planned };

struct YearResult
{
    QStringList log;
    int looks = 0;
    int restarts = 0;
    int pauses = 0;
    qint64 longestWaitMs = 0;
};

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
    void year_wokenOnlyAtPlannedInstants_sameAlertsAsEverySecond();

private:
    void runYear(Waking waking, Model* model, YearResult& result);

    // The year looked at every second, kept for the comparison once the model has passed it.
    std::optional<YearResult> m_everySecond;
};

void TestSimulatedYear::runYear(Waking waking, Model* model, YearResult& result)
{
    // Separate streams: the restarts and happenings are the same in both runs, whatever else draws.
    QRandomGenerator rowsRandom(20261208);
    QRandomGenerator restartRandom(1208);
    QRandomGenerator happeningRandom(2026);
    QRandomGenerator tickRandom(812);
    const QDateTime start(QDate(2026, 12, 8), QTime(8, 0, 0));
    const QDateTime end = start.addDays(365);
    QList<ModelRow> initialRows = someReminders(start.date(), rowsRandom);
    if (model) {
        model->rows = initialRows;
    }
    QList<Happening> happenings = someHappenings(start, end, happeningRandom);
    int interval = 5;

    QTemporaryDir dir;
    ReminderStore store(dir.path());
    FakeClock clock(start);
    NoSounds sounds;
    ReminderModel* list = nullptr;
    LoggingAlerts alerts(list, clock, result.log);
    std::unique_ptr<ProgramRun> run;

    // Starting the program at now: load, catch up; the splash shows for 3 seconds.
    auto startProgram = [&](const QDateTime& now) {
        clock.set(now);
        const ReminderStore::LoadResult loaded = store.load();
        QCOMPARE(loaded.status, ReminderStore::LoadStatus::Loaded);
        QList<Reminder> rows = loaded.rows;
        ReminderEngine::catchUp(rows, now);
        if (model) {
            model->catchUp(now);
        }
        run.reset();
        run = std::make_unique<ProgramRun>();
        list = run->list.get();
        list->setRows(rows);
        run->engine = std::make_unique<ReminderEngine>(*list, clock, alerts, sounds);
        ProgramRun* current = run.get();
        alerts.onPause = [current, &result](quint64 id) {
            ++result.pauses;
            current->engine->pause(id);
            current->pausedCheck = true;
            if (current->scheduler) {
                current->scheduler->setPausedCheck(true);
            }
        };
        if (waking == Waking::Planned) {
            run->scheduler =
                std::make_unique<WakeScheduler>(*list, *run->engine, run->timer, [&interval] { return interval; });
            QObject::connect(run->scheduler.get(), &WakeScheduler::timerTick, run->engine.get(),
                             &ReminderEngine::scanDateTime);
            QObject::connect(run->scheduler.get(), &WakeScheduler::secondTimerTick, run->engine.get(),
                             [current, &interval] { current->engine->checkPausedAlerts(interval); });
        }
    };
    // The end of the splash: the scan's timer goes on.
    auto afterSplash = [&] {
        if (run->scheduler) {
            run->scheduler->setScanning(true);
        }
    };

    QList<Reminder> initial;
    for (const ModelRow& r : initialRows) {
        initial.append(r.toReminder());
    }
    [&] { QCOMPARE(store.save(initial), QString()); }();
    startProgram(start);
    if (QTest::currentTestFailed()) {
        return;
    }
    QDateTime running = start.addSecs(3); // the first look after the splash
    clock.set(running);
    afterSplash();
    QDateTime nextRestart = running.addSecs(qint64(restartRandom.bounded(2 * 86400, 20 * 86400)));
    QDateTime now = running; // the next look, when looking every second
    int sameInstant = 0;
    QDateTime lastLook;

    while (!QTest::currentTestFailed()) {
        const QDateTime wake = waking == Waking::Planned ? run->timer.armedAt() : now;
        if (waking == Waking::Planned) {
            if (!wake.isValid()) {
                QTest::qFail("nothing armed while the program runs", __FILE__, __LINE__);
                break;
            }
            result.longestWaitMs = qMax(result.longestWaitMs, clock.now().msecsTo(wake));
        }
        const QDateTime happening = happenings.isEmpty() ? end : happenings.first().at;
        const QDateTime next = qMin(wake, qMin(happening, nextRestart));
        if (next >= end) {
            break;
        }
        if (next == nextRestart && nextRestart <= wake && nextRestart <= happening) {
            // The program ends (the close saves), time passes, and it starts again.
            const QDateTime closed = qMax(nextRestart, clock.now());
            [&] { QCOMPARE(store.save(list->rows()), QString()); }();
            const QList<Reminder> held = list->rows();
            QDateTime back = closed.addSecs(qint64(restartRandom.bounded(60, 4 * 86400)));
            if (restartRandom.bounded(2) == 0) {
                // Come back close to a repeating time's step away from it, where the catch-up's
                // rule changes its mind.
                QList<const Reminder*> timed;
                for (const Reminder& r : held) {
                    const int step = r.repeat.toInt();
                    if (r.date.startsWith(u'#') && r.time != u"0" && step > 0 && step < 1440 && !r.checked) {
                        timed.append(&r);
                    }
                }
                const Reminder& r = *timed.at(int(restartRandom.bounded(int(timed.size()))));
                const int minutes = r.repeat.toInt() + int(restartRandom.bounded(-1, 2));
                const int sign = restartRandom.bounded(2) == 0 ? -1 : 1;
                const QTime time = QTime::fromString(r.time, QStringLiteral("HH:mm:ss"));
                const QTime at = time.addSecs(sign * minutes * 60 + int(restartRandom.bounded(-30, 30)));
                back = QDateTime(back.date(), at);
                if (back <= closed) {
                    back = back.addDays(1);
                }
            }
            [&] { QCOMPARE(store.load().rows, held); }(); // the files hold what the list held
            startProgram(back);
            if (QTest::currentTestFailed()) {
                break;
            }
            running = back.addSecs(3);
            clock.set(running);
            // What happens while the program is not running does not reach it.
            while (!happenings.isEmpty() && happenings.first().at < running) {
                happenings.removeFirst();
            }
            afterSplash();
            now = running;
            nextRestart = running.addSecs(qint64(restartRandom.bounded(2 * 86400, 20 * 86400)));
            ++result.restarts;
            continue;
        }
        if (next == happening && happening <= wake) {
            const Happening h = happenings.takeFirst();
            clock.set(qMax(h.at, clock.now()));
            if (h.interval >= 0) {
                interval = h.interval;
                if (run->scheduler) {
                    run->scheduler->replan(); // the options dialog's OK
                }
            } else {
                for (int row = 0; row < list->count(); ++row) {
                    if (list->at(row).name == h.uncheck && list->at(row).checked) {
                        list->setChecked(row, false);
                        if (model) {
                            model->rows[row].checked = false;
                        }
                    }
                }
            }
            now = clock.now(); // looking every second, the next look finds what it changed
            continue;
        }

        // A look: the scan, then the re-alert check.
        const QDateTime lookedAt = qMax(wake, clock.now());
        // Looks at one instant follow each other only while alerts move the clock on.
        sameInstant = lookedAt == lastLook ? sameInstant + 1 : 0;
        lastLook = lookedAt;
        if (sameInstant > 1000) {
            QTest::qFail(qPrintable(QStringLiteral("woken again and again at ") + lookedAt.toString(Qt::ISODate)),
                         __FILE__, __LINE__);
            break;
        }
        clock.set(lookedAt);
        ++result.looks;
        if (waking == Waking::Planned) {
            run->timer.fire();
        } else {
            run->engine->scanDateTime();
            if (run->pausedCheck) {
                run->engine->checkPausedAlerts(interval);
            }
        }
        if (model) {
            const QDateTime closed = model->tick(lookedAt, interval);
            QCOMPARE(result.log.size(), model->fired.size());
            if (!result.log.isEmpty()) {
                QCOMPARE(result.log.last(), model->fired.last());
            }
            QCOMPARE(clock.now(), closed);
        }
        if (waking == Waking::EverySecond) {
            // One-second looks near a due instant, larger jumps between them, with an occasional look
            // in the middle of a jump that must find nothing due. After alerts the look that comes
            // right after the last one closed finds what fell due meanwhile.
            const QDateTime base = clock.now();
            now = base > lookedAt ? base : base.addSecs(1);
            const QDateTime due = model ? model->nextDue(base, interval) : QDateTime();
            // The first two days, and the first hour after each start, look at every second.
            const bool everySecondStretch = base < start.addDays(2) || base < running.addSecs(3600);
            if (!model || everySecondStretch || (due.isValid() && base.secsTo(due) <= 3) || base > lookedAt) {
                continue;
            }
            if (due.isValid()) {
                now = due.addSecs(-2);
                if (tickRandom.bounded(4) == 0) {
                    now = base.addSecs(qint64(tickRandom.bounded(1, int(qMin<qint64>(base.secsTo(due) - 2, 1 << 30)))));
                }
            } else {
                now = base.addSecs(qint64(tickRandom.bounded(1, 86400)));
            }
        }
    }
}

void TestSimulatedYear::year_firesExactlyWhenTheRulesSay()
{
    Model model;
    YearResult year;
    runYear(Waking::EverySecond, &model, year);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(year.log, model.fired);
    m_everySecond = year;
    QVERIFY2(year.restarts >= 15, qPrintable(QString::number(year.restarts)));
    QVERIFY(year.log.size() > 20000);
    QVERIFY2(year.pauses > 5000, qPrintable(QString::number(year.pauses)));
    for (const QString& name : {QStringLiteral("R26"), QStringLiteral("R27"), QStringLiteral("R28")}) {
        for (const QString& line : year.log) {
            QVERIFY2(!line.endsWith(u' ' + name), qPrintable(line));
        }
    }
    qInfo("%d looks, %lld alerts, %d pauses, %d restarts", year.looks, qlonglong(year.log.size()), year.pauses,
          year.restarts);
}

void TestSimulatedYear::year_wokenOnlyAtPlannedInstants_sameAlertsAsEverySecond()
{
    if (!m_everySecond) {
        Model model;
        YearResult year;
        runYear(Waking::EverySecond, &model, year);
        if (QTest::currentTestFailed()) {
            return;
        }
        m_everySecond = year;
    }
    const YearResult& everySecond = *m_everySecond;
    YearResult planned;
    runYear(Waking::Planned, nullptr, planned);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(planned.restarts, everySecond.restarts);
    for (qsizetype i = 0; i < qMin(planned.log.size(), everySecond.log.size()); ++i) {
        if (planned.log.at(i) != everySecond.log.at(i)) {
            QFAIL(qPrintable(QStringLiteral("alert %1: woken by plan \"%2\", looking every second \"%3\"")
                                 .arg(i)
                                 .arg(planned.log.at(i), everySecond.log.at(i))));
        }
    }
    QCOMPARE(planned.log.size(), everySecond.log.size());
    QCOMPARE(planned.pauses, everySecond.pauses);
    // Looking every second would take 31.5 million looks; the plan looks only where something is due,
    // about once per alert.
    QVERIFY2(planned.looks < 2 * planned.log.size(), qPrintable(QString::number(planned.looks)));
    qInfo("woken %d times for %lld alerts, the longest wait %lld s", planned.looks, qlonglong(planned.log.size()),
          planned.longestWaitMs / 1000);
}

QTEST_GUILESS_MAIN(TestSimulatedYear)
#include "tst_simulatedyear.moc"
