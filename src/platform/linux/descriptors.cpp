#include "platform/descriptors.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {

qintptr AcceptConnection(qintptr listening, bool* wouldBlock, QString* error)
{
    for (;;) {
        const int descriptor = ::accept4(int(listening), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor >= 0)
            return descriptor;
        if (errno == EINTR)
            continue;
        // A connection that was reset while it waited is simply gone.
        if (errno == ECONNABORTED || errno == EPROTO)
            continue;
        const bool again = errno == EAGAIN || errno == EWOULDBLOCK;
        if (wouldBlock)
            *wouldBlock = again;
        if (error && !again)
            *error = QString::fromLocal8Bit(::strerror(errno));
        return -1;
    }
}

qintptr DuplicateDescriptor(qintptr descriptor)
{
    if (descriptor < 0)
        return -1;
    // Close-on-exec, like every descriptor Qt opens: a sound player started later must not
    // inherit a peer's connection.
    return ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
}

void CloseDescriptor(qintptr descriptor)
{
    if (descriptor >= 0)
        ::close(int(descriptor));
}

qint64 RaiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? qint64(1) << 20 : qint64(limit.rlim_cur);
}

QHostAddress PeerAddressOf(qintptr descriptor)
{
    sockaddr_storage address{};
    socklen_t size = sizeof(address);
    if (::getpeername(int(descriptor), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return {};
    return QHostAddress(reinterpret_cast<const sockaddr*>(&address));
}

SocketReadState ReadStateOf(qintptr descriptor)
{
    SocketReadState state;
    int pending = 0;
    if (::ioctl(int(descriptor), FIONREAD, &pending) == 0)
        state.pendingBytes = pending;
    pollfd poll{int(descriptor), POLLRDHUP, 0};
    if (::poll(&poll, 1, 0) > 0)
        state.peerClosed = (poll.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
    return state;
}

} // namespace vantrel
