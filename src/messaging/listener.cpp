#include "messaging/listener.h"

#include "core/eventlog.h"
#include "messaging/dispatcher.h"
#include "messaging/incomingconnection.h"
#include "messaging/requestqueue.h"

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

// A refusal or accept failure is logged once per burst: again only after this long.
constexpr qint64 kWarningIntervalMs = 10000;
// Accepting resumes this long after the system refused an accept (no descriptors left).
constexpr int kAcceptRetryMs = 200;

QString addressText(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

Listener::Listener(ListenerConfig config, Dispatcher& dispatcher, EventLog& eventLog, QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_dispatcher(dispatcher)
    , m_eventLog(eventLog)
    , m_server(new QTcpServer(this))
    , m_idleTimer(new QTimer(this))
    , m_queue(new RequestQueue(dispatcher, this))
{
    connect(m_queue, &RequestQueue::dispatched, this, [this] {
        updateAccepting();
        Q_EMIT requestDispatched();
    });
    m_server->setProxy(QNetworkProxy::NoProxy);
    m_server->setListenBacklogSize(m_config.listenBacklog);
    connect(m_server, &QTcpServer::newConnection, this, &Listener::onNewConnection);
    connect(m_server, &QTcpServer::acceptError, this, &Listener::onAcceptError);
    m_idleTimer->setInterval(std::clamp(m_config.idleTimeoutMs / 4, 10, 1000));
    connect(m_idleTimer, &QTimer::timeout, this, &Listener::sweepIdle);
}

Listener::~Listener()
{
    // Connections go before the dispatcher they refer to.
    const QSet<IncomingConnection*> connections = std::exchange(m_connections, {});
    qDeleteAll(connections);
}

bool Listener::start()
{
    if (!m_server->listen(m_config.address, m_config.port)) {
        m_eventLog.listenError(u": "_s + m_server->errorString());
        return false;
    }
    m_idleTimer->start();
    return true;
}

int Listener::pendingRequests() const
{
    return m_queue->size();
}

bool Listener::isListening() const
{
    return m_server->isListening();
}

quint16 Listener::port() const
{
    return m_server->serverPort();
}

void Listener::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const QString peerIp = addressText(socket->peerAddress());
        Peer& peer = m_peers[peerIp];
        if (peer.active >= m_config.maxConnectionsPerPeer) {
            ++m_refused;
            socket->abort();
            socket->deleteLater();
            if (!peer.lastWarning.isValid() || peer.lastWarning.elapsed() >= kWarningIntervalMs) {
                peer.lastWarning.start();
                m_eventLog.warning(peerIp +
                                   u": слишком много одновременных соединений (%1), новые закрываются"_s.arg(
                                       m_config.maxConnectionsPerPeer));
            }
            continue;
        }
        ++peer.active;
        auto* connection = new IncomingConnection(socket, peerIp, m_config.limits, m_config.resolveTimeoutMs,
                                                  m_dispatcher, *m_queue, m_eventLog, this);
        m_connections.insert(connection);
        connect(connection, &IncomingConnection::closed, this,
                [this, connection] { onConnectionClosed(connection); });
        connection->start();
    }
    updateAccepting();
}

void Listener::onConnectionClosed(IncomingConnection* connection)
{
    if (!m_connections.remove(connection))
        return;
    const auto peer = m_peers.find(connection->peerIp());
    if (peer != m_peers.end() && --peer->active <= 0)
        m_peers.erase(peer);
    connection->deleteLater();
    updateAccepting();
    Q_EMIT connectionFinished();
}

void Listener::updateAccepting()
{
    if (!m_server->isListening() || m_acceptBackoff)
        return;
    // At a limit, further connections wait in the system's backlog instead of being refused.
    if (m_connections.size() >= m_config.maxConnections || m_queue->size() >= m_config.maxQueuedRequests)
        m_server->pauseAccepting();
    else
        m_server->resumeAccepting();
}

void Listener::onAcceptError()
{
    // The server pauses itself after a failed accept (typically: no descriptors left).
    if (!m_lastAcceptError.isValid() || m_lastAcceptError.elapsed() >= kWarningIntervalMs) {
        m_lastAcceptError.start();
        m_eventLog.listenError(u": "_s + m_server->errorString());
    }
    m_acceptBackoff = true;
    QTimer::singleShot(kAcceptRetryMs, this, [this] {
        m_acceptBackoff = false;
        updateAccepting();
    });
}

void Listener::sweepIdle()
{
    QList<IncomingConnection*> idle;
    for (IncomingConnection* connection : std::as_const(m_connections)) {
        if (connection->idleMs() >= m_config.idleTimeoutMs)
            idle.append(connection);
    }
    for (IncomingConnection* connection : std::as_const(idle))
        connection->closeIdle(m_config.idleTimeoutMs);
}

} // namespace vantrel
