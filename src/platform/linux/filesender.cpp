#include "platform/filesender.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

// The worker looks at the cancel flag at least this often while it waits.
constexpr int kPollSliceMs = 200;
// Bytes handed to the system per call: large enough to keep the connection busy, small
// enough for the progress count to move.
constexpr size_t kChunkBytes = 8 * 1024 * 1024;
constexpr qint64 kBufferBytes = 1024 * 1024;

// A connection the peer has dropped raises SIGPIPE on the sending call, which would end the
// program: the signal is held back on this thread while it sends, and discarded afterwards.
class SigPipeBlock final {
public:
    SigPipeBlock()
    {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
    }
    ~SigPipeBlock()
    {
        const timespec zero{};
        while (::sigtimedwait(&m_set, nullptr, &zero) > 0) {
        }
        ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    Q_DISABLE_COPY_MOVE(SigPipeBlock)

private:
    sigset_t m_set{};
    sigset_t m_old{};
};

class Descriptor final {
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(Descriptor)
    int get() const { return m_fd; }

private:
    int m_fd;
};

FileSendResult failed(const QString& text)
{
    return {false, text};
}

FileSendResult systemFailure(const QString& what, int error)
{
    return failed(what + u": "_s + qt_error_string(error));
}

sockaddr_in addressOf(const QHostAddress& host, quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host.toIPv4Address());
    return address;
}

// Waits for `events` on the socket; 0 when they came, else the errno-like reason (ETIMEDOUT,
// ECANCELED, or poll's own error).
int waitFor(int fd, short events, int timeoutMs, const TransferControl& control)
{
    const auto start = Clock::now();
    for (;;) {
        if (control.cancel.load())
            return ECANCELED;
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (spent >= timeoutMs)
            return ETIMEDOUT;
        pollfd pfd{fd, events, 0};
        const int ready =
            ::poll(&pfd, 1, static_cast<int>(std::min<qint64>(kPollSliceMs, timeoutMs - spent)));
        if (ready > 0)
            return 0;
        if (ready < 0 && errno != EINTR)
            return errno;
    }
}

QString connectionError(int error)
{
    if (error == ETIMEDOUT)
        return u"Нет ответа от получателя"_s;
    if (error == ECANCELED)
        return u"Передача прервана"_s;
    return qt_error_string(error);
}

int connectSocket(const FileSendRequest& request, const TransferControl& control, int* error)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    if (!request.bindAddress.isNull()) {
        const sockaddr_in local = addressOf(request.bindAddress, 0);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            *error = errno;
            ::close(fd);
            return -1;
        }
    }
    const sockaddr_in remote = addressOf(request.peer, request.port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 &&
        errno != EINPROGRESS) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    *error = waitFor(fd, POLLOUT, request.connectTimeoutMs, control);
    if (*error == 0) {
        socklen_t length = sizeof *error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, error, &length) != 0)
            *error = errno;
    }
    if (*error != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Writes a whole buffer to the non-blocking socket.
int writeAll(int fd, const char* data, qint64 length, const FileSendRequest& request,
             const TransferControl& control)
{
    while (length > 0) {
        const ssize_t n = ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            length -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return errno;
        if (const int error = waitFor(fd, POLLOUT, request.writeTimeoutMs, control); error != 0)
            return error;
    }
    return 0;
}

} // namespace

FileSendResult SendFileOverTcp(const FileSendRequest& request, TransferControl& control,
                               const std::function<void(qint64 size)>& opened)
{
    const SigPipeBlock noSigPipe;
    control.bytes.store(0);
    int error = 0;
    const Descriptor socket(connectSocket(request, control, &error));
    if (socket.get() < 0)
        return failed(u"Не могу соединиться с "_s + request.peer.toString() + u": "_s +
                      connectionError(error));
    if (const int e =
            writeAll(socket.get(), request.header.constData(), request.header.size(), request, control))
        return failed(u"Ошибка передачи: "_s + connectionError(e));

    const QByteArray path = QFile::encodeName(request.path);
    const Descriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return systemFailure(u"Не могу открыть файл \""_s + request.path + u'"', errno);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        return systemFailure(u"Не могу открыть файл \""_s + request.path + u'"', errno);
    if (S_ISDIR(st.st_mode))
        return systemFailure(u"Не могу открыть файл \""_s + request.path + u'"', EISDIR);
    if (opened)
        opened(st.st_size);
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    // Straight from the page cache to the connection; a file system without that path is read
    // through a buffer instead.
    bool zeroCopy = true;
    QByteArray buffer;
    qint64 sent = 0;
    for (;;) {
        if (control.cancel.load())
            return failed(u"Передача прервана"_s);
        ssize_t n = 0;
        if (zeroCopy) {
            n = ::sendfile(socket.get(), file.get(), nullptr, kChunkBytes);
            if (n < 0 && (errno == EINVAL || errno == ENOSYS) && sent == 0) {
                zeroCopy = false;
                continue;
            }
        } else {
            if (buffer.isEmpty())
                buffer.resize(kBufferBytes);
            n = ::read(file.get(), buffer.data(), static_cast<size_t>(buffer.size()));
            if (n > 0) {
                if (const int e = writeAll(socket.get(), buffer.constData(), n, request, control))
                    return failed(u"Ошибка передачи: "_s + connectionError(e));
            }
        }
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (zeroCopy && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (const int e = waitFor(socket.get(), POLLOUT, request.writeTimeoutMs, control); e != 0)
                    return failed(u"Ошибка передачи: "_s + connectionError(e));
                continue;
            }
            return systemFailure(u"Ошибка передачи"_s, errno);
        }
        sent += n;
        control.bytes.store(sent);
    }
    // The end of the data is the end of the connection.
    if (::shutdown(socket.get(), SHUT_WR) != 0)
        return systemFailure(u"Ошибка передачи"_s, errno);
    return {true, {}};
}

} // namespace vantrel
