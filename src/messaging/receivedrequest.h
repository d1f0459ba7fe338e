#pragma once

#include "messaging/protocolcodec.h"

#include <QByteArray>
#include <QString>

namespace vantrel {

// A request read completely from one connection, waiting to be carried out.
struct ReceivedRequest {
    ProtocolCodec::RequestKind kind = ProtocolCodec::RequestKind::Unknown;
    QByteArray headerLine; // as received, without CR LF
    QByteArray body;       // the line or trailing body, UTF-8
    QString peerIp;

    QString bodyText() const { return QString::fromUtf8(body); }
};

} // namespace vantrel
