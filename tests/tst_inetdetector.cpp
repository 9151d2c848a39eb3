#include "components/INetDetector.h"
#include "core/OnlineRule.h"
#include "platform/InterfaceAddressSource.h"
#include "support/FakeHostAddressSource.h"
#include "support/Waits.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#ifdef Q_OS_LINUX
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

const QStringList kOffline{QStringLiteral("127.0.0.1")};
const QStringList kOnline{QStringLiteral("192.168.1.20")};

} // namespace

class TestINetDetector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void lastAddressRule_data();
    void lastAddressRule();

    void constructed_enabledWithOneSecondAndOffline();
    void constructed_ticksAtOnce();
    void writeOnline_changesNothing();
    void dispatchIntervalZero_stopsEvenWhenEnabled();
    void dispatchIntervalNonZeroAgain_startsCountingFromThen();
    void negativeInterval_stops();
    void enabledFalse_stopsAndTrueStartsAgain();
    void enabledTrueAgain_doesNotRestartCountDown();
    void newInterval_restartsCountDown();
    void sameInterval_doesNotRestartCountDown();
    void changeToOnline_noticeTwiceWithOnlineTrue();
    void changeToOffline_noticeTwiceWithOnlineFalse();
    void noChange_noNotice();
    void firstTickAfterEnabling_onlineMachine_raisesNotice();
    void remoteAccessOne_onlineWhateverTheAddresses();
    void remoteAccessOtherByte_addressTestOnceDecides();
    void remoteAccessLongerThanFourBytes_countsAsMissing();
    void remoteAccessOneWhileAddressesDrop_noticeOnceAndStillOnline();
    void destroyed_noTickAfterwards();
    void interfaceAddresses_areIPv4AndNeverEmpty();

    void onNotice_firstTickAfterEnablingThenNoneWithoutNotice();
    void onNotice_changeTicksOnceDispatchIntervalLaterWithDoubleNotice();
    void onNotice_severalNoticesWithinOneInterval_oneTick();
    void onNotice_disabledOrIntervalZero_noticesIgnored();
    void onNotice_mainWindowSettings_firstTickAfterThreeSeconds();
    void interfaceAddresses_kernelNoticeAnnounced();
};

void TestINetDetector::lastAddressRule_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<bool>("online");

    QTest::newRow("no addresses") << QStringList{} << false;
    QTest::newRow("loopback only") << QStringList{QStringLiteral("127.0.0.1")} << false;
    QTest::newRow("local network") << QStringList{QStringLiteral("192.168.0.5")} << true;
    QTest::newRow("routable") << QStringList{QStringLiteral("81.2.69.160")} << true;
    QTest::newRow("ends with loopback after routable")
        << QStringList{QStringLiteral("81.2.69.160"), QStringLiteral("127.0.0.1")} << false;
    QTest::newRow("ends with local after loopback")
        << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("10.0.0.7")} << true;
    QTest::newRow("debian host name address") << QStringList{QStringLiteral("127.0.1.1")} << true;
    QTest::newRow("empty last text") << QStringList{QStringLiteral("10.0.0.7"), QString()} << false;
    QTest::newRow("loopback with spaces is not exactly loopback") << QStringList{QStringLiteral(" 127.0.0.1")} << true;
}

void TestINetDetector::lastAddressRule()
{
    QFETCH(QStringList, addresses);
    QFETCH(bool, online);
    QCOMPARE(IsOnlineByAddresses(addresses), online);
}

void TestINetDetector::constructed_enabledWithOneSecondAndOffline()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    QVERIFY(detector.Enabled());
    QCOMPARE(detector.DispatchInterval(), 1000);
    QVERIFY(!detector.Online());
    QVERIFY(detector.remainingTime() > 0);
    QVERIFY(detector.remainingTime() <= 1100);
    QCOMPARE(detector.property("DispatchInterval").toInt(), 1000);
}

void TestINetDetector::constructed_ticksAtOnce()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    QSignalSpy changed(&detector, &TINetDetector::Changed);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);
    QVERIFY(changed.count() >= 1);
    QCOMPARE(changed.first().first().value<TINetDetector*>(), &detector);
}

void TestINetDetector::writeOnline_changesNothing()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setEnabled(false);
    detector.setOnline(true);
    QVERIFY(!detector.Online());
    detector.setProperty("Online", true);
    QVERIFY(!detector.Online());
}

void TestINetDetector::dispatchIntervalZero_stopsEvenWhenEnabled()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setDispatchInterval(0);
    QVERIFY(detector.Enabled());
    QCOMPARE(detector.remainingTime(), -1);
    QVERIFY(waitOutTimers(1300)); // past the first tick of the default interval
    QCOMPARE(source.calls(), 0);
    QVERIFY(!detector.Online());
}

void TestINetDetector::dispatchIntervalNonZeroAgain_startsCountingFromThen()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setDispatchInterval(0);
    detector.setDispatchInterval(20000);
    QVERIFY(detector.remainingTime() > 19000);
    detector.setDispatchInterval(30);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);
}

void TestINetDetector::negativeInterval_stops()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setDispatchInterval(-5);
    QCOMPARE(detector.DispatchInterval(), -5);
    QCOMPARE(detector.remainingTime(), -1);
}

void TestINetDetector::enabledFalse_stopsAndTrueStartsAgain()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setDispatchInterval(30);
    detector.setEnabled(false);
    QCOMPARE(detector.remainingTime(), -1);
    QVERIFY(waitOutTimers(300)); // ten intervals
    QCOMPARE(source.calls(), 0);
    detector.setEnabled(true);
    QVERIFY(detector.remainingTime() >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);
}

void TestINetDetector::enabledTrueAgain_doesNotRestartCountDown()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setDispatchInterval(10000);
    const int start = detector.remainingTime();
    QTRY_VERIFY_WITH_TIMEOUT(detector.remainingTime() <= start - 400, 10000);
    const int before = detector.remainingTime();
    QVERIFY2(before <= start - 300, qPrintable(QStringLiteral("%1 -> %2").arg(start).arg(before)));
    detector.setEnabled(true);
    const int after = detector.remainingTime();
    QVERIFY2(after <= before, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
}

void TestINetDetector::newInterval_restartsCountDown()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setDispatchInterval(10000);
    const int start = detector.remainingTime();
    QTRY_VERIFY_WITH_TIMEOUT(detector.remainingTime() <= start - 400, 10000);
    QVERIFY(detector.remainingTime() <= start - 300);
    detector.setDispatchInterval(20000);
    QVERIFY(detector.remainingTime() > 19000);
}

void TestINetDetector::sameInterval_doesNotRestartCountDown()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setDispatchInterval(10000);
    const int start = detector.remainingTime();
    QTRY_VERIFY_WITH_TIMEOUT(detector.remainingTime() <= start - 400, 10000);
    const int before = detector.remainingTime();
    QVERIFY(before <= start - 300);
    detector.setDispatchInterval(10000);
    QVERIFY(detector.remainingTime() <= before);
}

void TestINetDetector::changeToOnline_noticeTwiceWithOnlineTrue()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    QList<bool> seen;
    connect(&detector, &TINetDetector::Changed, this,
            [&seen](TINetDetector* sender) { seen.append(sender->Online()); });
    detector.setDispatchInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(source.calls() >= 4, 10000);
    QVERIFY(seen.isEmpty());

    source.set(kOnline);
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 10000);
    QCOMPARE(seen, (QList<bool>{true, true}));
    // The next ticks see no change: no further notice.
    source.resetCalls();
    QTRY_VERIFY_WITH_TIMEOUT(source.calls() >= 6, 10000);
    QCOMPARE(seen.size(), 2);
}

void TestINetDetector::changeToOffline_noticeTwiceWithOnlineFalse()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setDispatchInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);
    QList<bool> seen;
    connect(&detector, &TINetDetector::Changed, this, [&seen, &detector] { seen.append(detector.Online()); });
    source.set(QStringList{QStringLiteral("10.1.1.1"), QStringLiteral("127.0.0.1")});
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 10000);
    QCOMPARE(seen, (QList<bool>{false, false}));
}

void TestINetDetector::noChange_noNotice()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    QSignalSpy changed(&detector, &TINetDetector::Changed);
    detector.setDispatchInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(source.calls() >= 10, 10000);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!detector.Online());
}

void TestINetDetector::firstTickAfterEnabling_onlineMachine_raisesNotice()
{
    // As the main window holds it: created, then disabled with 3000 ms, enabled later.
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setEnabled(false);
    detector.setDispatchInterval(3000);
    QSignalSpy changed(&detector, &TINetDetector::Changed);
    QCOMPARE(detector.remainingTime(), -1);

    QElapsedTimer clock;
    clock.start();
    detector.setEnabled(true);
    QVERIFY(!detector.Online());
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 15000);
    QVERIFY(clock.elapsed() >= 2500);
    QVERIFY(detector.Online());
    QCOMPARE(source.calls(), 2);
}

void TestINetDetector::remoteAccessOne_onlineWhateverTheAddresses()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setEnabled(false);
    detector.setRemoteAccessReader([] { return std::optional<QByteArray>(QByteArray("\x01\x00\x00\x00", 4)); });
    QList<bool> seen;
    connect(&detector, &TINetDetector::Changed, this, [&seen, &detector] { seen.append(detector.Online()); });
    detector.setDispatchInterval(2000);
    detector.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);
    // The address test said offline (no notice) and ran once; the remote-access value made it online.
    QCOMPARE(source.calls(), 1);
    QCOMPARE(seen, (QList<bool>{true}));
}

void TestINetDetector::remoteAccessOtherByte_addressTestOnceDecides()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setEnabled(false);
    detector.setRemoteAccessReader([] { return std::optional<QByteArray>(QByteArray("\x02\x01", 2)); });
    QSignalSpy changed(&detector, &TINetDetector::Changed);
    detector.setDispatchInterval(2000);
    detector.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);
    QCOMPARE(source.calls(), 1);
    QCOMPARE(changed.count(), 2);
}

void TestINetDetector::remoteAccessLongerThanFourBytes_countsAsMissing()
{
    FakeHostAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setEnabled(false);
    detector.setRemoteAccessReader([] { return std::optional<QByteArray>(QByteArray("\x01\x00\x00\x00\x00", 5)); });
    detector.setDispatchInterval(2000);
    detector.setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(source.calls(), 2, 10000);
    QVERIFY(!detector.Online());
}

void TestINetDetector::remoteAccessOneWhileAddressesDrop_noticeOnceAndStillOnline()
{
    FakeHostAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setRemoteAccessReader([] { return std::optional<QByteArray>(QByteArray("\x01", 1)); });
    detector.setDispatchInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);

    QList<bool> seen;
    connect(&detector, &TINetDetector::Changed, this, [&seen, &detector] { seen.append(detector.Online()); });
    source.set(kOffline);
    source.resetCalls();
    QTRY_VERIFY_WITH_TIMEOUT(source.calls() >= 3, 10000);
    // Each tick: the address test says offline (one notice, Online false), then the remote-access
    // value makes it online again, which equals the state the tick began with (no second notice).
    QCOMPARE(seen.size(), source.calls());
    QVERIFY(!seen.contains(true));
    QVERIFY(detector.Online());
}

void TestINetDetector::destroyed_noTickAfterwards()
{
    FakeHostAddressSource source(kOnline);
    {
        TINetDetector detector(source);
        detector.setDispatchInterval(20);
        QTRY_VERIFY_WITH_TIMEOUT(source.calls() >= 2, 10000);
    }
    const int calls = source.calls();
    QVERIFY(waitOutTimers(200)); // ten intervals
    QCOMPARE(source.calls(), calls);
}

void TestINetDetector::interfaceAddresses_areIPv4AndNeverEmpty()
{
    const QStringList addresses = InterfaceAddressSource().addresses();
    QVERIFY(!addresses.isEmpty());
    for (const QString& text : addresses) {
        QHostAddress address;
        QVERIFY2(address.setAddress(text), qPrintable(text));
        QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
    }
    if (addresses.contains(QStringLiteral("127.0.0.1"))) {
        QCOMPARE(addresses, QStringList{QStringLiteral("127.0.0.1")});
    }
}

void TestINetDetector::onNotice_firstTickAfterEnablingThenNoneWithoutNotice()
{
    AnnouncingAddressSource source(kOnline);
    TINetDetector detector(source);
    QVERIFY(detector.ticksOnNotice());
    QSignalSpy changed(&detector, &TINetDetector::Changed);
    detector.setDispatchInterval(20);
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 10000);
    QCOMPARE(source.calls(), 2);
    QCOMPARE(detector.remainingTime(), -1);

    // A detector without notices beside it shows that time passes: it ticks, this one does not.
    FakeHostAddressSource polled(kOffline);
    TINetDetector ticking(polled);
    ticking.setDispatchInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(polled.calls() >= 20, 10000);
    QCOMPARE(source.calls(), 2);
    QCOMPARE(detector.remainingTime(), -1);
}

void TestINetDetector::onNotice_changeTicksOnceDispatchIntervalLaterWithDoubleNotice()
{
    AnnouncingAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setDispatchInterval(30);
    QTRY_COMPARE_WITH_TIMEOUT(source.calls(), 2, 10000);
    QList<bool> seen;
    connect(&detector, &TINetDetector::Changed, this, [&seen, &detector] { seen.append(detector.Online()); });

    source.change(kOnline);
    QVERIFY(detector.remainingTime() >= 0);
    QVERIFY(detector.remainingTime() <= 100);
    QCOMPARE(source.calls(), 2); // read at the tick, not at the notice
    QTRY_COMPARE_WITH_TIMEOUT(seen, (QList<bool>{true, true}), 10000);
    QCOMPARE(source.calls(), 4);
    QCOMPARE(detector.remainingTime(), -1);

    source.change(kOffline);
    QTRY_COMPARE_WITH_TIMEOUT(seen, (QList<bool>{true, true, false, false}), 10000);
    // A notice with no change of the answer: a tick, but no notice of its own.
    source.change(kOffline);
    QTRY_COMPARE_WITH_TIMEOUT(source.calls(), 8, 10000);
    QCOMPARE(seen.size(), 4);
}

void TestINetDetector::onNotice_severalNoticesWithinOneInterval_oneTick()
{
    AnnouncingAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setDispatchInterval(20);
    QTRY_COMPARE_WITH_TIMEOUT(source.calls(), 2, 10000);
    detector.setEnabled(false);
    detector.setDispatchInterval(4000);
    detector.setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(source.calls(), 4, 15000);
    QSignalSpy changed(&detector, &TINetDetector::Changed);

    source.change(kOnline);
    const int first = detector.remainingTime();
    QTRY_VERIFY_WITH_TIMEOUT(detector.remainingTime() < first - 300, 10000);
    source.change(QStringList{QStringLiteral("10.0.0.1")});
    source.change(kOnline);
    // Later notices do not put the tick off: the tick answers them all.
    QVERIFY(detector.remainingTime() < first - 300);
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 15000);
    QCOMPARE(source.calls(), 6);
    QCOMPARE(detector.remainingTime(), -1);
    QVERIFY(detector.Online());
}

void TestINetDetector::onNotice_disabledOrIntervalZero_noticesIgnored()
{
    AnnouncingAddressSource source(kOffline);
    TINetDetector detector(source);
    detector.setEnabled(false);
    source.change(kOnline);
    QCOMPARE(detector.remainingTime(), -1);
    detector.setEnabled(true);
    detector.setDispatchInterval(0);
    source.change(kOnline);
    QCOMPARE(detector.remainingTime(), -1);
    QCOMPARE(source.calls(), 0);
    // A new interval counts from then, as it does without notices.
    detector.setDispatchInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(detector.Online(), 10000);
}

void TestINetDetector::onNotice_mainWindowSettings_firstTickAfterThreeSeconds()
{
    AnnouncingAddressSource source(kOnline);
    TINetDetector detector(source);
    detector.setEnabled(false);
    detector.setDispatchInterval(3000);
    QSignalSpy changed(&detector, &TINetDetector::Changed);
    QElapsedTimer clock;
    clock.start();
    detector.setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 15000);
    QVERIFY(clock.elapsed() >= 2500);
    QCOMPARE(source.calls(), 2);
    QCOMPARE(detector.remainingTime(), -1);
}

void TestINetDetector::interfaceAddresses_kernelNoticeAnnounced()
{
#ifdef Q_OS_LINUX
    // In a network namespace of this thread's own, where bringing up its loopback harms nobody.
    const int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (home < 0 || ::unshare(CLONE_NEWNET) != 0) {
        if (home >= 0) {
            ::close(home);
        }
        QSKIP("no network namespace of its own here (needs CAP_SYS_ADMIN)");
    }
    auto backHome = qScopeGuard([home] {
        ::setns(home, CLONE_NEWNET);
        ::close(home);
    });
    InterfaceAddressSource source;
    QVERIFY(source.changeNotice() != nullptr);
    QCOMPARE(source.addresses(), kOffline);
    TINetDetector detector(source);
    QVERIFY(detector.ticksOnNotice());
    detector.setDispatchInterval(20);
    QTRY_COMPARE_WITH_TIMEOUT(detector.remainingTime(), -1, 10000);
    QSignalSpy notices(source.changeNotice(), &AddressChangeNotice::changed);

    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(s >= 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    QVERIFY(::ioctl(s, SIOCGIFFLAGS, &request) == 0);
    request.ifr_flags = short(request.ifr_flags | IFF_UP);
    QVERIFY(::ioctl(s, SIOCSIFFLAGS, &request) == 0);
    ::close(s);
    QTRY_VERIFY_WITH_TIMEOUT(!notices.isEmpty(), 10000);
    QVERIFY(detector.remainingTime() >= 0); // a tick follows the notice
    QTRY_COMPARE_WITH_TIMEOUT(detector.remainingTime(), -1, 10000);
    QCOMPARE(source.addresses(), kOffline); // the loopback address alone is not online
#else
    QSKIP("the kernel's change notices are read on Linux only");
#endif
}

QTEST_GUILESS_MAIN(TestINetDetector)
#include "tst_inetdetector.moc"
