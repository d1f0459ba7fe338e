#pragma once

#include <QHostAddress>
#include <QString>
#include <QtGlobal>

namespace vantrel {

// Takes the next connection waiting on a listening socket: its descriptor (non-blocking,
// close-on-exec), or -1 with `wouldBlock` set when none waits and cleared on a real failure
// (`error` then says why, e.g. no descriptor left).
qintptr AcceptConnection(qintptr listening, bool* wouldBlock, QString* error);

// A second descriptor for the same open socket or file, which the caller owns; -1 when the
// system refuses one. The copy keeps the connection open after the first is closed.
qintptr DuplicateDescriptor(qintptr descriptor);
void CloseDescriptor(qintptr descriptor);

// Raises the process's soft limit of open descriptors to its hard limit (a connection that
// waits for its turn holds one) and returns the limit now in force.
qint64 RaiseDescriptorLimit();

// The address of the peer of a connected socket; null when it cannot be told.
QHostAddress PeerAddressOf(qintptr descriptor);

// What waits unread on a connected socket, without reading it.
struct SocketReadState {
    qint64 pendingBytes = 0; // bytes received and not yet read
    bool peerClosed = false; // the peer has finished sending (or the connection is gone)
};
SocketReadState ReadStateOf(qintptr descriptor);

} // namespace vantrel
