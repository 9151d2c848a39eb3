#include "platform/TerminationSignals.h"

#include <QByteArray>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kSignalCount = int(sizeof(kSignals) / sizeof(kSignals[0]));

int s_pipe[2] = {-1, -1};
struct sigaction s_previous[kSignalCount];

// Runs in signal context: only async-signal-safe calls, errno kept for the interrupted code.
void onSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (s_pipe[0] != -1) {
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_pipe) != 0) {
        s_pipe[0] = s_pipe[1] = -1;
        return;
    }
    // The handler must never block, even if nobody reads for a while.
    ::fcntl(s_pipe[0], F_SETFL, ::fcntl(s_pipe[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(s_pipe[1], F_SETFL, ::fcntl(s_pipe[1], F_GETFL) | O_NONBLOCK);

    m_notifier = new QSocketNotifier(s_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], &action, &s_previous[i]);
    }
    m_active = true;
}

TerminationSignals::~TerminationSignals()
{
    if (!m_active) {
        return;
    }
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], &s_previous[i], nullptr);
    }
    delete m_notifier;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

void TerminationSignals::readSignals()
{
    // Read everything first: a receiver may run a modal loop or delete this watcher.
    QByteArray received;
    unsigned char buffer[16];
    for (;;) {
        const ssize_t count = ::read(s_pipe[1], buffer, sizeof(buffer));
        if (count <= 0) {
            break;
        }
        received.append(reinterpret_cast<const char*>(buffer), count);
    }
    QPointer<TerminationSignals> alive(this);
    for (const char byte : std::as_const(received)) {
        if (!alive) {
            return;
        }
        Q_EMIT terminationRequested(int(static_cast<unsigned char>(byte)));
    }
}
