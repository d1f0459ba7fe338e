#pragma once

#include "platform/transfercontrol.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <functional>

namespace vantrel {

// Sends one file on a connection of its own: connects to `peer`:`port` (from `bindAddress`
// unless it is null), writes `header`, opens the file at `path`, writes its bytes straight
// from the file to the connection (the system's zero-copy path where it exists) and closes.
// Blocking: call it from a worker thread. `control.bytes` counts the file bytes sent;
// `opened` is called with the file's size once it is open.
struct FileSendRequest {
    QHostAddress peer;
    quint16 port = 0;
    QHostAddress bindAddress;
    QByteArray header;
    QString path;
    int connectTimeoutMs = 15000;
    // Writing may stall this long before the send counts as failed.
    int writeTimeoutMs = 30000;
};

struct FileSendResult {
    bool ok = false;
    QString error; // why it failed, for the user
};

FileSendResult SendFileOverTcp(const FileSendRequest& request, TransferControl& control,
                               const std::function<void(qint64 size)>& opened);

} // namespace vantrel
