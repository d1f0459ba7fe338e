#include "platform/linux/linuxicmppinger.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;
using Status = IcmpEchoReply::Status;

constexpr int kIcmpHeaderBytes = 8;
// The most data one echo can carry: an IPv4 datagram of 65535 bytes less the IP and ICMP headers.
constexpr int kMaxPayloadBytes = 65535 - 20 - kIcmpHeaderBytes;
// The receive loop looks at the cancel flag this often.
constexpr int kPollSliceMs = 100;
// Enough for any IPv4 datagram.
constexpr size_t kReceiveBufferBytes = 65536;

// Closes the socket when the echo ends, however it ends.
class SocketGuard final {
public:
    explicit SocketGuard(int fd)
        : m_fd(fd)
    {}
    ~SocketGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(SocketGuard)
    int fd() const { return m_fd; }

private:
    int m_fd;
};

IcmpEchoReply failure(Status status, int error)
{
    IcmpEchoReply reply;
    reply.status = status;
    if (error != 0)
        reply.errorText = qt_error_string(error);
    return reply;
}

quint16 readU16(const unsigned char* bytes)
{
    return static_cast<quint16>((bytes[0] << 8) | bytes[1]);
}

void writeU16(unsigned char* bytes, quint16 value)
{
    bytes[0] = static_cast<unsigned char>(value >> 8);
    bytes[1] = static_cast<unsigned char>(value & 0xff);
}

// The Internet checksum (one's complement sum of 16-bit words) of an ICMP message.
quint16 internetChecksum(const std::vector<unsigned char>& data)
{
    quint32 sum = 0;
    size_t i = 0;
    for (; i + 1 < data.size(); i += 2)
        sum += readU16(data.data() + i);
    if (i < data.size())
        sum += static_cast<quint32>(data[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<quint16>(~sum & 0xffff);
}

// The echo request: header, then a random token (so that replies to other programs with the
// same identifier are never taken for ours), then a fixed pattern.
std::vector<unsigned char> buildEchoRequest(quint16 identifier, quint16 sequence, int payloadBytes)
{
    std::vector<unsigned char> packet(static_cast<size_t>(kIcmpHeaderBytes + payloadBytes), 0);
    packet[0] = ICMP_ECHO;
    packet[1] = 0;
    writeU16(packet.data() + 4, identifier);
    writeU16(packet.data() + 6, sequence);
    const quint64 token = QRandomGenerator::global()->generate64();
    for (int i = 0; i < payloadBytes; ++i) {
        const auto at = static_cast<size_t>(kIcmpHeaderBytes + i);
        packet[at] = i < 8 ? static_cast<unsigned char>(token >> (8 * i))
                           : static_cast<unsigned char>('a' + (i - 8) % 23);
    }
    writeU16(packet.data() + 2, internetChecksum(packet));
    return packet;
}

// Sequence numbers distinguish the echoes of this process that run at the same time.
quint16 nextSequence()
{
    static std::atomic<quint16> sequence{static_cast<quint16>(QRandomGenerator::global()->generate())};
    return sequence.fetch_add(1);
}

struct OpenedSocket {
    int fd = -1;
    IcmpSocketKind kind = IcmpSocketKind::Datagram;
    int error = 0;
};

OpenedSocket openSocket(const QList<IcmpSocketKind>& kinds)
{
    OpenedSocket opened;
    opened.error = EPERM;
    for (IcmpSocketKind kind : kinds) {
        const int type = kind == IcmpSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
        const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0) {
            opened.fd = fd;
            opened.kind = kind;
            opened.error = 0;
            return opened;
        }
        opened.error = errno;
    }
    return opened;
}

void setIntOption(int fd, int level, int name, int value)
{
    // A missing option only costs information (the TTL, the kind of an error), never the echo.
    (void)::setsockopt(fd, level, name, &value, sizeof(value));
}

sockaddr_in ipv4SocketAddress(const QHostAddress& address)
{
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr.s_addr = htonl(address.toIPv4Address());
    return socketAddress;
}

// The echo as it goes out, for matching what comes back.
struct SentEcho {
    IcmpSocketKind kind;
    quint16 identifier;
    quint16 sequence;
    std::vector<unsigned char> packet;
    Clock::time_point sentAt;
};

// True when the ICMP message at `icmp` (of `length` bytes) is the reply to `sent`.
bool isOurReply(const SentEcho& sent, const unsigned char* icmp, size_t length)
{
    if (length < static_cast<size_t>(kIcmpHeaderBytes) || icmp[0] != ICMP_ECHOREPLY || icmp[1] != 0)
        return false;
    // A datagram socket's identifier is chosen by the kernel, which delivers only our replies.
    if (sent.kind == IcmpSocketKind::Raw && readU16(icmp + 4) != sent.identifier)
        return false;
    if (readU16(icmp + 6) != sent.sequence)
        return false;
    const size_t tokenBytes = std::min<size_t>(8, sent.packet.size() - kIcmpHeaderBytes);
    if (length - kIcmpHeaderBytes < tokenBytes)
        return false;
    return std::memcmp(icmp + kIcmpHeaderBytes, sent.packet.data() + kIcmpHeaderBytes, tokenBytes) == 0;
}

// True when the ICMP error message at `icmp` quotes our echo request (raw sockets see every
// ICMP error of the host, with the offending IP header and the first 8 bytes of its data).
bool quotesOurRequest(const SentEcho& sent, const unsigned char* icmp, size_t length)
{
    if (length < static_cast<size_t>(kIcmpHeaderBytes) + 20)
        return false;
    const unsigned char* quoted = icmp + kIcmpHeaderBytes;
    const size_t quotedHeader = static_cast<size_t>(quoted[0] & 0x0f) * 4;
    if (quoted[9] != IPPROTO_ICMP || length < kIcmpHeaderBytes + quotedHeader + kIcmpHeaderBytes)
        return false;
    const unsigned char* request = quoted + quotedHeader;
    return request[0] == ICMP_ECHO && readU16(request + 4) == sent.identifier &&
           readU16(request + 6) == sent.sequence;
}

// What an error queued on a datagram socket (IP_RECVERR) says; Timeout when it is none of ours.
IcmpEchoReply readQueuedError(int fd)
{
    std::array<unsigned char, 512> data{};
    std::array<unsigned char, 512> control{};
    iovec vector{data.data(), data.size()};
    msghdr message{};
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
        return failure(Status::Timeout, 0);
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_IP || header->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err error{};
        std::memcpy(&error, CMSG_DATA(header), sizeof(error));
        if (error.ee_origin == SO_EE_ORIGIN_ICMP || error.ee_origin == SO_EE_ORIGIN_LOCAL)
            return failure(Status::Unreachable, static_cast<int>(error.ee_errno));
    }
    return failure(Status::Timeout, 0);
}

struct Received {
    bool done = false;
    IcmpEchoReply reply;
};

// Reads one datagram and says whether it ends the echo.
Received receiveOne(int fd, const SentEcho& sent)
{
    std::vector<unsigned char> buffer(kReceiveBufferBytes);
    std::array<unsigned char, 256> control{};
    sockaddr_in from{};
    iovec vector{buffer.data(), buffer.size()};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof(from);
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();

    const ssize_t received = ::recvmsg(fd, &message, MSG_DONTWAIT);
    if (received < 0) {
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)
            return {};
        const bool unreachable = error == EHOSTUNREACH || error == ENETUNREACH || error == ECONNREFUSED;
        return {true, failure(unreachable ? Status::Unreachable : Status::Failed, error)};
    }
    const auto arrivedAt = Clock::now();
    auto length = static_cast<size_t>(received);
    const unsigned char* icmp = buffer.data();
    int ttl = -1;
    if (sent.kind == IcmpSocketKind::Raw) {
        // Raw sockets hand over the IP header too.
        if (length < 20)
            return {};
        const size_t ipHeader = static_cast<size_t>(buffer[0] & 0x0f) * 4;
        if (ipHeader < 20 || length < ipHeader)
            return {};
        ttl = buffer[8];
        icmp += ipHeader;
        length -= ipHeader;
    } else {
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_IP && header->cmsg_type == IP_TTL) {
                int value = -1;
                std::memcpy(&value, CMSG_DATA(header), sizeof(value));
                ttl = value;
            }
        }
    }

    if (isOurReply(sent, icmp, length)) {
        IcmpEchoReply reply;
        reply.status = Status::Success;
        reply.from = QHostAddress(ntohl(from.sin_addr.s_addr));
        reply.roundTripMs = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(arrivedAt - sent.sentAt).count());
        reply.ttl = ttl;
        reply.bytes = static_cast<int>(length) - kIcmpHeaderBytes;
        return {true, reply};
    }
    if (sent.kind == IcmpSocketKind::Raw && length >= 1 &&
        (icmp[0] == ICMP_DEST_UNREACH || icmp[0] == ICMP_TIME_EXCEEDED) &&
        quotesOurRequest(sent, icmp, length)) {
        IcmpEchoReply reply = failure(Status::Unreachable, EHOSTUNREACH);
        reply.from = QHostAddress(ntohl(from.sin_addr.s_addr));
        return {true, reply};
    }
    return {};
}

} // namespace

LinuxIcmpPinger::LinuxIcmpPinger(QObject* parent)
    : LinuxIcmpPinger(QList<IcmpSocketKind>{IcmpSocketKind::Datagram, IcmpSocketKind::Raw}, parent)
{}

LinuxIcmpPinger::LinuxIcmpPinger(QList<IcmpSocketKind> kinds, QObject* parent)
    : LinuxIcmpPinger(
          [kinds](const IcmpEchoRequest& request, const std::atomic<bool>& cancelled) {
              return echoBlocking(request, kinds, cancelled);
          },
          parent)
{}

LinuxIcmpPinger::LinuxIcmpPinger(BlockingEcho blockingEcho, QObject* parent)
    : QObject(parent)
    , m_echo(std::move(blockingEcho))
{
    // Echoes are short and few (checks run one contact after another), but a few may overlap:
    // a whole-tree check, a user's "Ping" and a single check.
    m_pool.setMaxThreadCount(4);
}

LinuxIcmpPinger::~LinuxIcmpPinger()
{
    m_cancelled = true;
    m_pool.waitForDone();
    // Results posted by finished workers are discarded with this object's pending events.
}

void LinuxIcmpPinger::echo(const IcmpEchoRequest& request, QObject* context, Callback done)
{
    const quint64 id = m_nextId++;
    m_pending.insert(id, Pending{QPointer<QObject>(context), std::move(done)});
    m_pool.start([this, id, request] {
        const IcmpEchoReply reply = m_echo(request, m_cancelled);
        QMetaObject::invokeMethod(
            this, [this, id, reply] { deliver(id, reply); }, Qt::QueuedConnection);
    });
}

void LinuxIcmpPinger::deliver(quint64 id, const IcmpEchoReply& reply)
{
    const Pending pending = m_pending.take(id);
    if (pending.context && pending.done)
        pending.done(reply);
}

IcmpEchoReply LinuxIcmpPinger::echoBlocking(const IcmpEchoRequest& request,
                                            const QList<IcmpSocketKind>& kinds,
                                            const std::atomic<bool>& cancelled)
{
    bool isIPv4 = false;
    request.destination.toIPv4Address(&isIPv4);
    if (!isIPv4)
        return failure(Status::Failed, EAFNOSUPPORT);

    const OpenedSocket opened = openSocket(kinds);
    if (opened.fd < 0)
        return failure(Status::Unavailable, opened.error);
    const SocketGuard socket(opened.fd);

    if (opened.kind == IcmpSocketKind::Datagram) {
        setIntOption(socket.fd(), SOL_IP, IP_RECVTTL, 1);
        setIntOption(socket.fd(), SOL_IP, IP_RECVERR, 1);
    } else {
        // Let only echo replies and the errors that may concern our request through.
        icmp_filter filter{};
        filter.data = ~((1U << ICMP_ECHOREPLY) | (1U << ICMP_DEST_UNREACH) | (1U << ICMP_TIME_EXCEEDED));
        (void)::setsockopt(socket.fd(), SOL_RAW, ICMP_FILTER, &filter, sizeof(filter));
    }
    if (!request.source.isNull()) {
        const sockaddr_in source = ipv4SocketAddress(request.source);
        if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&source), sizeof(source)) < 0)
            return failure(Status::Failed, errno);
    }

    const int payloadBytes = std::clamp(request.payloadBytes, 0, kMaxPayloadBytes);
    SentEcho sent{opened.kind, static_cast<quint16>(::getpid() & 0xffff), nextSequence(),
                  std::vector<unsigned char>(), Clock::time_point()};
    sent.packet = buildEchoRequest(sent.identifier, sent.sequence, payloadBytes);
    const sockaddr_in destination = ipv4SocketAddress(request.destination);
    sent.sentAt = Clock::now();
    if (::sendto(socket.fd(), sent.packet.data(), sent.packet.size(), 0,
                 reinterpret_cast<const sockaddr*>(&destination), sizeof(destination)) < 0) {
        const int error = errno;
        const bool unreachable = error == EHOSTUNREACH || error == ENETUNREACH;
        return failure(unreachable ? Status::Unreachable : Status::Failed, error);
    }

    const auto deadline = sent.sentAt + std::chrono::milliseconds(std::max(0, request.timeoutMs));
    while (!cancelled) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd watched{socket.fd(), POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::min<qint64>(left.count(), kPollSliceMs)));
        if (ready < 0 && errno != EINTR)
            return failure(Status::Failed, errno);
        if (ready <= 0)
            continue;
        if (watched.revents & POLLERR) {
            const IcmpEchoReply queued = readQueuedError(socket.fd());
            if (queued.status != Status::Timeout)
                return queued;
        }
        // An error left without a queued report (or anything else) is taken up by the read.
        if (watched.revents & (POLLIN | POLLERR)) {
            const Received received = receiveOne(socket.fd(), sent);
            if (received.done)
                return received.reply;
        }
    }
    return failure(Status::Timeout, 0);
}

} // namespace vantrel
