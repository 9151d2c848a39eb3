// The two wake timers: the one on the wall clock (a timerfd on Linux) and the one that looks every
// second. The wall clock itself is never set here; what a set clock does is shown through the read.
#include "core/PollingWakeTimer.h"
#include "platform/TimeZoneWatcher.h"
#include "platform/WallClockTimer.h"
#include "support/FakeClock.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {

#define REQUIRE_WALL_CLOCK()                                                                                           \
    if (!WallClockTimer().isValid()) {                                                                                 \
        QSKIP("this system has no timer on the wall clock; the program looks every second instead");                   \
    }

QDateTime inMSecs(qint64 ms)
{
    return QDateTime::currentDateTime().addMSecs(ms);
}

} // namespace

class TestWakeTimer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void wallClock_armedInThePast_firesAtOnce();
    void wallClock_armedAhead_firesNotBeforeItsInstant();
    void wallClock_rearmed_replacesTheEarlierInstant();
    void wallClock_disarmed_staysQuiet();
    void wallClock_clockSet_reportsClockChangedNotFired();
    void wallClock_readWithNothingToRead_raisesNothing();
    void polling_waitsAtMostOneSecond();
    void polling_armedInThePastOrAhead_fires();
    void polling_rearmedAndDisarmed();
    void timeZone_linkReplacedAgainAndAgain_reportedEachTime();
    void timeZone_fileRewrittenInPlace_reported();
    void timeZone_otherFileInTheFolder_notReported();
};

namespace {

// A folder standing in for /etc: "localtime" a link to one of two zone files, "timezone" a name.
struct ZoneFolder
{
    ZoneFolder()
    {
        writeFile(dir.filePath(QStringLiteral("Berlin")), "TZif Berlin");
        writeFile(dir.filePath(QStringLiteral("Tokyo")), "TZif Tokyo");
        writeFile(dir.filePath(QStringLiteral("timezone")), "Europe/Berlin\n");
        QFile::link(dir.filePath(QStringLiteral("Berlin")), localtime());
    }
    QString localtime() const { return dir.filePath(QStringLiteral("localtime")); }
    QStringList files() const { return {localtime(), dir.filePath(QStringLiteral("timezone"))}; }
    // As the system's tools set a zone: a new link renamed over the old one.
    bool relink(const QString& zone) const
    {
        const QString fresh = dir.filePath(QStringLiteral("localtime.new"));
        return QFile::link(dir.filePath(zone), fresh) && ::rename(qPrintable(fresh), qPrintable(localtime())) == 0;
    }
    QTemporaryDir dir;
};

} // namespace

void TestWakeTimer::timeZone_linkReplacedAgainAndAgain_reportedEachTime()
{
    ZoneFolder etc;
    TimeZoneWatcher watcher(etc.files());
    QSignalSpy changed(&watcher, &TimeZoneWatcher::changed);
    QVERIFY(etc.relink(QStringLiteral("Tokyo")));
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 10000);
    QVERIFY(etc.relink(QStringLiteral("Berlin")));
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 10000);
}

void TestWakeTimer::timeZone_fileRewrittenInPlace_reported()
{
    ZoneFolder etc;
    // Where the zone file is a copy rather than a link, a new zone is written over it.
    QFile::remove(etc.localtime());
    writeFile(etc.localtime(), "TZif Berlin");
    TimeZoneWatcher watcher(etc.files());
    QSignalSpy changed(&watcher, &TimeZoneWatcher::changed);
    QFile file(etc.localtime());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("TZif Tokyo");
    file.close();
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 10000);
    writeFile(etc.dir.filePath(QStringLiteral("timezone")), "Asia/Tokyo\n");
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 10000);
}

void TestWakeTimer::timeZone_otherFileInTheFolder_notReported()
{
    ZoneFolder etc;
    TimeZoneWatcher watcher(etc.files());
    QSignalSpy changed(&watcher, &TimeZoneWatcher::changed);
    // A second watch on the folder tells when the change has been delivered.
    QFileSystemWatcher witness({etc.dir.path()});
    QSignalSpy seen(&witness, &QFileSystemWatcher::directoryChanged);
    writeFile(etc.dir.filePath(QStringLiteral("resolv.conf")), "nameserver 127.0.0.1\n");
    QTRY_VERIFY_WITH_TIMEOUT(seen.count() > 0, 10000);
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 0);
    // The same zone linked anew says nothing new either.
    QVERIFY(etc.relink(QStringLiteral("Berlin")));
    QVERIFY(etc.relink(QStringLiteral("Tokyo")));
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 10000);
}

void TestWakeTimer::initTestCase()
{
#ifdef Q_OS_LINUX
    auto timer = CreateWakeTimer(SystemClock());
    QVERIFY(qobject_cast<WallClockTimer*>(timer.get()) != nullptr);
#endif
}

void TestWakeTimer::wallClock_armedInThePast_firesAtOnce()
{
    REQUIRE_WALL_CLOCK();
    WallClockTimer timer;
    QSignalSpy fired(&timer, &WakeTimer::fired);
    timer.arm(inMSecs(-3'600'000)); // as after a resume from a long suspend
    QVERIFY(timer.isArmed());
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 1, 10000);
    QVERIFY(!timer.isArmed());
    timer.arm(QDateTime::fromMSecsSinceEpoch(0));
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 2, 10000);
}

void TestWakeTimer::wallClock_armedAhead_firesNotBeforeItsInstant()
{
    REQUIRE_WALL_CLOCK();
    WallClockTimer timer;
    QDateTime firedAt;
    connect(&timer, &WakeTimer::fired, this, [&firedAt] { firedAt = QDateTime::currentDateTime(); });
    const QDateTime instant = inMSecs(50);
    timer.arm(instant);
    QTRY_VERIFY_WITH_TIMEOUT(firedAt.isValid(), 10000);
    QVERIFY2(firedAt >= instant, qPrintable(firedAt.toString(Qt::ISODateWithMs)));
}

void TestWakeTimer::wallClock_rearmed_replacesTheEarlierInstant()
{
    REQUIRE_WALL_CLOCK();
    WallClockTimer timer;
    QSignalSpy fired(&timer, &WakeTimer::fired);
    timer.arm(inMSecs(3'600'000));
    timer.arm(inMSecs(50));
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 1, 10000);

    // The other way round: the later instant replaces the near one.
    WallClockTimer witness;
    QSignalSpy witnessFired(&witness, &WakeTimer::fired);
    timer.arm(inMSecs(50));
    timer.arm(inMSecs(3'600'000));
    witness.arm(inMSecs(300));
    QTRY_COMPARE_WITH_TIMEOUT(witnessFired.count(), 1, 10000);
    QCOMPARE(fired.count(), 1);
    QVERIFY(timer.isArmed());
}

void TestWakeTimer::wallClock_disarmed_staysQuiet()
{
    REQUIRE_WALL_CLOCK();
    WallClockTimer timer;
    WallClockTimer witness;
    QSignalSpy fired(&timer, &WakeTimer::fired);
    QSignalSpy witnessFired(&witness, &WakeTimer::fired);
    timer.arm(inMSecs(50));
    timer.disarm();
    QVERIFY(!timer.isArmed());
    witness.arm(inMSecs(300));
    QTRY_COMPARE_WITH_TIMEOUT(witnessFired.count(), 1, 10000);
    QCOMPARE(fired.count(), 0);
}

void TestWakeTimer::wallClock_clockSet_reportsClockChangedNotFired()
{
    REQUIRE_WALL_CLOCK();
    WallClockTimer timer;
    QSignalSpy fired(&timer, &WakeTimer::fired);
    QSignalSpy changed(&timer, &WakeTimer::clockChanged);
    // The kernel answers a read with ECANCELED once the wall clock has been set; the timer's own
    // expiry is read away here, and the answer replaced by that one.
    bool cancelNext = true;
    timer.setReader([&cancelNext](int fd) {
        std::uint64_t expirations = 0;
        const long n = long(::read(fd, &expirations, sizeof expirations));
        if (cancelNext && n > 0) {
            cancelNext = false;
            return WallClockTimer::ReadResult{-1, ECANCELED};
        }
        return WallClockTimer::ReadResult{n, n < 0 ? errno : 0};
    });
    timer.arm(inMSecs(-1000));
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 10000);
    QCOMPARE(fired.count(), 0);
    QVERIFY(!timer.isArmed());
    // Armed again, as the owner does when it plans again.
    timer.arm(inMSecs(-1000));
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 1, 10000);
    QCOMPARE(changed.count(), 1);
}

void TestWakeTimer::wallClock_readWithNothingToRead_raisesNothing()
{
    REQUIRE_WALL_CLOCK();
    WallClockTimer timer;
    QSignalSpy fired(&timer, &WakeTimer::fired);
    QSignalSpy changed(&timer, &WakeTimer::clockChanged);
    int reads = 0;
    timer.setReader([&reads](int fd) {
        std::uint64_t expirations = 0;
        ++reads;
        const long n = long(::read(fd, &expirations, sizeof expirations));
        Q_UNUSED(n);
        return WallClockTimer::ReadResult{-1, EAGAIN};
    });
    timer.arm(inMSecs(-1000));
    QTRY_VERIFY_WITH_TIMEOUT(reads >= 1, 10000);
    QCOMPARE(fired.count(), 0);
    QCOMPARE(changed.count(), 0);
}

void TestWakeTimer::polling_waitsAtMostOneSecond()
{
    FakeClock clock;
    PollingWakeTimer timer(clock);
    QSignalSpy fired(&timer, &WakeTimer::fired);
    timer.arm(clock.now().addDays(30));
    QVERIFY(timer.isArmed());
    QVERIFY(timer.remainingTime() <= PollingWakeTimer::MaxWaitMSecs);
    QVERIFY(timer.remainingTime() > PollingWakeTimer::MaxWaitMSecs / 2);
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 1, 10000);
    QVERIFY(!timer.isArmed());
}

void TestWakeTimer::polling_armedInThePastOrAhead_fires()
{
    FakeClock clock;
    PollingWakeTimer timer(clock);
    QSignalSpy fired(&timer, &WakeTimer::fired);
    timer.arm(clock.now().addSecs(-3600));
    QVERIFY(timer.remainingTime() <= 5);
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 1, 10000);
    timer.arm(clock.now().addMSecs(50));
    QVERIFY(timer.remainingTime() <= 60);
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 2, 10000);
}

void TestWakeTimer::polling_rearmedAndDisarmed()
{
    FakeClock clock;
    PollingWakeTimer timer(clock);
    QSignalSpy fired(&timer, &WakeTimer::fired);
    timer.arm(clock.now().addMSecs(50));
    timer.arm(clock.now().addDays(1));
    QVERIFY(timer.remainingTime() > 60);
    timer.disarm();
    QVERIFY(!timer.isArmed());
    QCOMPARE(timer.remainingTime(), -1);
    PollingWakeTimer witness(clock);
    QSignalSpy witnessFired(&witness, &WakeTimer::fired);
    witness.arm(clock.now().addMSecs(300));
    QTRY_COMPARE_WITH_TIMEOUT(witnessFired.count(), 1, 10000);
    QCOMPARE(fired.count(), 0);
}

QTEST_GUILESS_MAIN(TestWakeTimer)
#include "tst_waketimer.moc"
