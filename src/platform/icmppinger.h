#pragma once

#include <QHostAddress>
#include <QString>
#include <QtGlobal>

#include <functional>

class QObject;

namespace vantrel {

// One ICMP echo to send.
struct IcmpEchoRequest {
    // The IPv4 address to ask; names are resolved by the caller.
    QHostAddress destination;
    // The local address the echo leaves from; null for the system's choice.
    QHostAddress source;
    // Data bytes after the ICMP header (their content is not significant).
    int payloadBytes = 32;
    // How long to wait for the reply.
    int timeoutMs = 2000;
};

// The outcome of one echo.
struct IcmpEchoReply {
    enum class Status {
        Success,     // a matching echo reply came back in time
        Timeout,     // nothing came back in time
        Unreachable, // the network or a router said the destination cannot be reached
        Unavailable, // no ICMP socket may be opened here (no permission): only other probes can tell
        Failed       // anything else: a bad request, a socket error
    };

    Status status = Status::Failed;
    // The replying address.
    QHostAddress from;
    // Round trip in whole milliseconds (0 for less than one).
    int roundTripMs = 0;
    // Time-to-live of the reply as it arrived; -1 when it could not be read.
    int ttl = -1;
    // Data bytes that came back (the ICMP header not counted).
    int bytes = 0;
    // The system's message for the error that ended the echo; empty when there was none (a
    // time-out is no system error).
    QString errorText;

    bool ok() const { return status == Status::Success; }
};

// Sends ICMP echo requests. echo() returns at once: the wait for the reply happens elsewhere,
// so the calling thread (the GUI thread above all) never blocks on it.
class IcmpPinger {
public:
    using Callback = std::function<void(const IcmpEchoReply&)>;

    static constexpr int DefaultTimeoutMs = 2000;

    IcmpPinger() = default;
    virtual ~IcmpPinger() = default;
    Q_DISABLE_COPY_MOVE(IcmpPinger)

    // Sends one echo and calls `done` exactly once with the outcome, later, on the thread of
    // `context`, unless `context` has been destroyed by then. Call it from the thread the pinger
    // lives in; `context` lives in that thread too.
    virtual void echo(const IcmpEchoRequest& request, QObject* context, Callback done) = 0;
};

} // namespace vantrel
