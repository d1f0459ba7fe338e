#pragma once

#include "messaging/protocolcodec.h"
#include "messaging/requestreader.h"

#include <QHostAddress>

namespace vantrel {

// Where the listener listens and the limits that keep a misbehaving peer from tying it up.
// None of them cuts a request of the protocol: lines and bodies have room to spare, and a
// file stream is limited only by idleness.
struct ListenerConfig {
    // Every local IPv4 address, or the one given with --bind.
    QHostAddress address = QHostAddress::AnyIPv4;
    // 2012 in the program; 0 picks a free port (tests).
    quint16 port = ProtocolCodec::DefaultPort;
    // Connections served at once. Beyond this, new connections wait in the system's backlog
    // until one ends: they are delayed, never refused.
    int maxConnections = 512;
    // Connections served at once for one peer address. Beyond this, a new connection from
    // that peer is closed at once, so that one peer's flood cannot crowd others out.
    int maxConnectionsPerPeer = 64;
    // Requests read but not yet carried out. Beyond this, new connections wait in the
    // backlog until the queue has shrunk.
    int maxQueuedRequests = 1024;
    // A connection that receives nothing for this long is closed (a stream included).
    int idleTimeoutMs = 60000;
    // A reverse lookup taking longer counts as giving no name.
    int resolveTimeoutMs = 3000;
    // Connections the system may queue before they are accepted.
    int listenBacklog = 1024;
    RequestReader::Limits limits;
};

} // namespace vantrel
