#pragma once

#include "messaging/protocolcodec.h"

#include <QHostAddress>

namespace vantrel {

// How requests leave this computer.
struct OutgoingConfig {
    // The local address outgoing connections start from; null for the system's choice.
    QHostAddress bindAddress;
    // The peers' port (always 2012 in the program; tests point it elsewhere).
    quint16 port = ProtocolCodec::DefaultPort;
    // Name resolution and connecting together may take this long. The system's own limit can
    // be minutes, too long for a user waiting for a delivery report.
    int connectTimeoutMs = 15000;
    // Writing may stall this long without progress before the send counts as failed.
    int writeTimeoutMs = 30000;
};

} // namespace vantrel
