#pragma once

#include "messaging/bodybudget.h"
#include "messaging/connectionadmission.h"
#include "messaging/listenerconfig.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>

class QSocketNotifier;
class QTcpServer;
class QTimer;

namespace vantrel {

class Dispatcher;
class IncomingConnection;
class PeerLog;
class PeerNames;
class RequestQueue;

// The TCP listener: accepts connections and serves each with an IncomingConnection on this
// thread's event loop. Every accepted connection is kept: those over the limits wait unread
// and are served in turn across peer addresses. Descriptors, serving slots and memory are
// bounded; when they run short, connections that stall go first.
class Listener final : public QObject {
    Q_OBJECT
public:
    Listener(ListenerConfig config, Dispatcher& dispatcher, PeerLog& log, QObject* parent = nullptr);
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
    int connectionCount() const { return int(m_connections.size()); }
    // Accepted connections waiting for their turn.
    int waitingCount() const { return m_admission.waitingCount(); }
    // Connections closed to make room for others.
    int evictedCount() const { return m_evicted; }
    // Accepted connections the listener holds at most (descriptor limit less the reserve).
    int acceptBudget() const { return m_acceptBudget; }
    // Requests read and waiting to be carried out.
    int pendingRequests() const;
    const BodyBudget& bodyBudget() const { return m_budget; }
    // No connection is being served or waits, and no request waits.
    bool isIdle() const
    {
        return m_connections.isEmpty() && m_admission.waitingCount() == 0 && pendingRequests() == 0;
    }

Q_SIGNALS:
    // A connection has been served (or dropped) and closed.
    void connectionFinished();
    // A received request has been carried out.
    void requestDispatched();

private:
    // Accepts what the system holds, as far as the limits allow; each connection is then
    // held as a bare descriptor until it is served.
    void acceptPending();
    void onIncoming(qintptr descriptor);
    void onAcceptError(const QString& error);
    void onConnectionClosed(IncomingConnection* connection);
    void serveWaiting();
    void sweep();
    void watchWaiting();
    void freeSlotForStarved();
    void relieveDescriptors();
    bool evictIdle(const QString& fromPeer, const QString& why);
    void closeWaiting(qintptr descriptor, const QString& why);
    void warnQueued(const QString& peer);
    void updateAccepting();
    int acceptedCount() const { return int(m_connections.size()) + m_admission.waitingCount(); }

    ListenerConfig m_config;
    Dispatcher& m_dispatcher;
    PeerLog& m_log;
    QTcpServer* m_server;
    QSocketNotifier* m_acceptNotifier = nullptr;
    QTimer* m_sweepTimer;
    RequestQueue* m_queue;
    PeerNames* m_names;
    ConnectionAdmission m_admission;
    BodyBudget m_budget;
    QSet<IncomingConnection*> m_connections;
    // When each address was last told that its connections wait.
    QHash<QString, QElapsedTimer> m_queuedWarnings;
    QElapsedTimer m_lastAcceptError;
    int m_acceptBudget = 0;
    int m_evicted = 0;
    bool m_acceptBackoff = false;
};

} // namespace vantrel
