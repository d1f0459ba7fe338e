#pragma once

#include "messaging/outgoingconfig.h"
#include "platform/icmppinger.h"

namespace vantrel {

// How the probes reach peers.
struct ProbeConfig {
    // The peers' port and the local address probes leave from (`--bind`); its connect and write
    // time-outs are not used by the probes.
    OutgoingConfig outgoing;
    // Name resolution and connecting of the TCP probe together may take this long. Left to
    // itself, Linux retries an unanswered connection attempt for about two minutes; peers on
    // other systems give up after about 21 seconds, and so does this probe.
    int tcpConnectTimeoutMs = 21000;
    // The wait for the reply of the reachability echo.
    int pingTimeoutMs = IcmpPinger::DefaultTimeoutMs;
    // Data bytes of the reachability echo.
    int pingPayloadBytes = 64;
};

} // namespace vantrel
