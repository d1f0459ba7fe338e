#pragma once

#include "messaging/protocolcodec.h"
#include "messaging/requestreader.h"

#include <QHostAddress>

namespace vantrel {

// Where the listener listens and the limits that keep misbehaving peers from tying it up or
// crowding others out. None of them refuses or cuts a request of a well-behaved peer: lines and
// bodies have room to spare, requests over a share wait their turn, and only connections that
// stall are closed.
struct ListenerConfig {
    // Every local IPv4 address, or the one given with --bind.
    QHostAddress address = QHostAddress::AnyIPv4;
    // 2012 in the program; 0 picks a free port (tests).
    quint16 port = ProtocolCodec::DefaultPort;
    // Connections served at once. Further accepted connections wait, unread, for their turn.
    int maxConnections = 512;
    // Connections served at once for one peer address. Further ones from that address wait
    // unread and are served in turn with the other addresses': delayed, never refused.
    int maxConnectionsPerPeer = 64;
    // Accepted connections (served and waiting) at most; the open-descriptor limit, less a
    // reserve for the program's own files and outgoing connections, may set a lower number.
    // Beyond it, connections wait in the system's queue until they are accepted.
    int maxAcceptedConnections = 16384;
    int descriptorReserve = 256;
    // Requests read but not yet carried out. Beyond this, accepting pauses until the queue
    // has shrunk.
    int maxQueuedRequests = 1024;
    // A connection that receives nothing for this long is closed (a stream included).
    int idleTimeoutMs = 60000;
    // The header line must have arrived this long after a connection is first served.
    int headerTimeoutMs = 5000;
    // After the header, a request still arriving must bring at least this many bytes in every
    // window of this length (a file stream: any byte within the idle time-out).
    qint64 minBodyBytesPerWindow = 16 * 1024;
    int bodyWindowMs = 10000;
    // The memory all requests still arriving may hold together; each may always hold the
    // allowance. Beyond the budget, connections stop reading until others have ended.
    qint64 bodyBudgetBytes = 128 * 1024 * 1024;
    qint64 bodyAllowanceBytes = 64 * 1024;
    // When descriptors or serving slots run short, connections that stall are closed first,
    // from the addresses that hold the most: those idle at least evictIdleMs, and those that
    // have not sent a whole header line evictSilentMs after they could (a peer on the local
    // network sends its request at once).
    int evictIdleMs = 1000;
    int evictSilentMs = 1000;
    // A reverse lookup taking longer counts as giving no name.
    int resolveTimeoutMs = 3000;
    // Connections the system may queue before they are accepted (the system may allow fewer).
    // A full queue makes the system drop new connection attempts, which their senders only
    // repeat after a second or more.
    int listenBacklog = 4096;
    RequestReader::Limits limits;
};

} // namespace vantrel
