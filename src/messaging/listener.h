#pragma once

#include "messaging/listenerconfig.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>

class QTcpServer;
class QTimer;

namespace vantrel {

class Dispatcher;
class EventLog;
class IncomingConnection;
class RequestQueue;

// The TCP listener: accepts connections and serves each with an IncomingConnection on this
// thread's event loop, within the limits of its configuration.
class Listener final : public QObject {
    Q_OBJECT
public:
    Listener(ListenerConfig config, Dispatcher& dispatcher, EventLog& eventLog, QObject* parent = nullptr);
    ~Listener() override;
    Q_DISABLE_COPY_MOVE(Listener)

    // Starts listening; a failure is written to the event log as a Listen Error line and the
    // program goes on without a listener.
    bool start();
    bool isListening() const;
    // The port actually listened on (useful when the configuration asked for any port).
    quint16 port() const;
    const ListenerConfig& config() const { return m_config; }

    // Connections being served.
    int connectionCount() const { return m_connections.size(); }
    // Connections closed at once because their peer had too many.
    int refusedCount() const { return m_refused; }
    // Requests read and waiting to be carried out.
    int pendingRequests() const;
    // No connection is being served and no request waits.
    bool isIdle() const { return m_connections.isEmpty() && pendingRequests() == 0; }

Q_SIGNALS:
    // A connection has been served (or dropped) and closed.
    void connectionFinished();
    // A received request has been carried out.
    void requestDispatched();

private:
    struct Peer {
        int active = 0;
        QElapsedTimer lastWarning; // invalid until the first warning
    };

    void onNewConnection();
    void onAcceptError();
    void onConnectionClosed(IncomingConnection* connection);
    void sweepIdle();
    void updateAccepting();

    ListenerConfig m_config;
    Dispatcher& m_dispatcher;
    EventLog& m_eventLog;
    QTcpServer* m_server;
    QTimer* m_idleTimer;
    RequestQueue* m_queue;
    QSet<IncomingConnection*> m_connections;
    QHash<QString, Peer> m_peers;
    QElapsedTimer m_lastAcceptError;
    int m_refused = 0;
    bool m_acceptBackoff = false;
};

} // namespace vantrel
