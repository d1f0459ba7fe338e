#pragma once

#include <QTcpServer>

namespace vantrel {

// A TCP server that hands over each accepted connection as its bare descriptor: no socket
// object and no read buffer exist until the listener decides to serve it, so a connection
// waiting for its turn costs a descriptor and nothing else.
class AdmissionServer final : public QTcpServer {
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

Q_SIGNALS:
    void incoming(qintptr descriptor);

protected:
    void incomingConnection(qintptr descriptor) override { Q_EMIT incoming(descriptor); }
};

} // namespace vantrel
