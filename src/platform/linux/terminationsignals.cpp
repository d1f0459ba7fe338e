#include "platform/terminationsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {
namespace {

// The write end of the self-pipe; the handler may only make async-signal-safe calls.
int g_signalFd = -1;

void onSignal(int signalNumber)
{
    if (g_signalFd < 0)
        return;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_signalFd, &byte, 1);
}

} // namespace

struct TerminationSignals::Private {
    int fds[2] = {-1, -1};
    QSocketNotifier* notifier = nullptr;
};

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, d->fds) != 0)
        return;
    ::fcntl(d->fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(d->fds[1], F_SETFL, O_NONBLOCK);
    g_signalFd = d->fds[0];
    d->notifier = new QSocketNotifier(d->fds[1], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(d->fds[1], &byte, 1) == 1)
            Q_EMIT terminationRequested(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    g_signalFd = -1;
    for (const int fd : d->fds) {
        if (fd >= 0)
            ::close(fd);
    }
}

} // namespace vantrel
