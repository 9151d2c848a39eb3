#include "platform/WallClockTimer.h"

#include "core/PollingWakeTimer.h"
#include "platform/TimeZoneWatcher.h"

#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {

WallClockTimer::ReadResult readTimer(int fd)
{
#ifdef Q_OS_LINUX
    std::uint64_t expirations = 0;
    const long n = long(::read(fd, &expirations, sizeof expirations));
    return {n, n < 0 ? errno : 0};
#else
    Q_UNUSED(fd);
    return {-1, 0};
#endif
}

} // namespace

WallClockTimer::WallClockTimer(QObject* parent) : WakeTimer(parent), m_reader(readTimer)
{
#ifdef Q_OS_LINUX
    m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &WallClockTimer::readable);
    }
#endif
}

WallClockTimer::~WallClockTimer()
{
    m_notifier.reset();
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        ::close(m_fd);
    }
#endif
}

void WallClockTimer::arm(const QDateTime& instant)
{
#ifdef Q_OS_LINUX
    if (m_fd < 0) {
        return;
    }
    // A zero it_value would disarm: an instant at or before the epoch is taken as its first nanosecond.
    const qint64 ms = qMax<qint64>(0, instant.toMSecsSinceEpoch());
    itimerspec spec{};
    spec.it_value.tv_sec = time_t(ms / 1000);
    spec.it_value.tv_nsec = long(ms % 1000) * 1'000'000L + (ms == 0 ? 1 : 0);
    m_armed = ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) == 0;
    if (!m_armed) {
        // Never left without a wake: look again in a second, as a one-second timer would.
        QTimer::singleShot(1000, this, &WakeTimer::fired);
    }
#else
    Q_UNUSED(instant);
#endif
}

void WallClockTimer::disarm()
{
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        const itimerspec off{};
        ::timerfd_settime(m_fd, 0, &off, nullptr);
    }
#endif
    m_armed = false;
}

void WallClockTimer::readable()
{
    const ReadResult read = m_reader(m_fd);
    if (read.result > 0) {
        m_armed = false;
        Q_EMIT fired();
        return;
    }
#ifdef Q_OS_LINUX
    if (read.result < 0 && read.error == ECANCELED) {
        // The wall clock was set: the instant armed may now lie far ahead or long past.
        m_armed = false;
        Q_EMIT clockChanged();
    }
#endif
}

std::unique_ptr<WakeTimer> CreateWakeTimer(const Clock& clock)
{
    auto wallClock = std::make_unique<WallClockTimer>();
    if (wallClock->isValid()) {
        // A new time zone moves the wall clock's reading as a set clock does, but the timer does
        // not see it: the zone files tell.
        auto* zone = new TimeZoneWatcher(TimeZoneWatcher::systemZoneFiles(), wallClock.get());
        QObject::connect(zone, &TimeZoneWatcher::changed, wallClock.get(), &WakeTimer::clockChanged);
        return wallClock;
    }
    return std::make_unique<PollingWakeTimer>(clock);
}
