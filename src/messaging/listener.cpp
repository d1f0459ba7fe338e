#include "messaging/listener.h"

#include "core/eventlog.h"
#include "messaging/dispatcher.h"
#include "messaging/incomingconnection.h"
#include "messaging/peerlog.h"
#include "messaging/peernames.h"
#include "messaging/requestqueue.h"
#include "platform/descriptors.h"

#include <QNetworkProxy>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

// A warning about one address is written once per this long at most.
constexpr qint64 kWarningIntervalMs = 10000;
// Accepting resumes this long after the system refused an accept (no descriptors left).
constexpr int kAcceptRetryMs = 200;
// Limits and waiting connections are looked at this often.
constexpr int kSweepMs = 250;

QString addressText(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

Listener::Listener(ListenerConfig config, Dispatcher& dispatcher, PeerLog& log, QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_dispatcher(dispatcher)
    , m_log(log)
    , m_server(new QTcpServer(this))
    , m_sweepTimer(new QTimer(this))
    , m_queue(new RequestQueue(dispatcher, &m_budget, this))
    , m_names(new PeerNames(m_config.resolveTimeoutMs, this))
    , m_admission({m_config.maxConnections, m_config.maxConnectionsPerPeer})
    , m_budget(m_config.bodyBudgetBytes, m_config.bodyAllowanceBytes)
{
    connect(m_queue, &RequestQueue::dispatched, this, [this] {
        updateAccepting();
        Q_EMIT requestDispatched();
    });
    m_server->setProxy(QNetworkProxy::NoProxy);
    m_server->setListenBacklogSize(m_config.listenBacklog);
    m_sweepTimer->setInterval(std::clamp(m_config.idleTimeoutMs / 4, 10, kSweepMs));
    connect(m_sweepTimer, &QTimer::timeout, this, &Listener::sweep);
}

Listener::~Listener()
{
    delete m_acceptNotifier;
    // Connections go before the dispatcher and the budget they refer to, those closed and
    // waiting to be deleted too; waiting ones were never served.
    m_connections.clear();
    qDeleteAll(findChildren<IncomingConnection*>(Qt::FindDirectChildrenOnly));
    QList<qintptr> waiting;
    m_admission.forEachWaiting(
        [&waiting](const ConnectionAdmission::Waiting& w) { waiting.append(w.descriptor); });
    for (const qintptr descriptor : std::as_const(waiting))
        CloseDescriptor(descriptor);
}

bool Listener::start()
{
    // Every waiting connection holds a descriptor: take all the system allows, and keep a
    // reserve for the program's own files and outgoing connections.
    const qint64 limit = RaiseDescriptorLimit();
    m_acceptBudget = int(std::min<qint64>(std::max<qint64>(limit - m_config.descriptorReserve, 16),
                                          m_config.maxAcceptedConnections));
    if (!m_server->listen(m_config.address, m_config.port)) {
        m_log.eventLog().listenError(u": "_s + m_server->errorString());
        return false;
    }
    // The server only opened the socket: connections are accepted here, one at a time and
    // only as far as the limits allow (the server would accept all that wait at once).
    m_server->pauseAccepting();
    m_acceptNotifier = new QSocketNotifier(m_server->socketDescriptor(), QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &Listener::acceptPending);
    m_sweepTimer->start();
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

void Listener::acceptPending()
{
    while (!m_acceptBackoff && acceptedCount() < m_acceptBudget &&
           m_queue->size() < m_config.maxQueuedRequests) {
        bool wouldBlock = false;
        QString error;
        const qintptr descriptor = AcceptConnection(m_server->socketDescriptor(), &wouldBlock, &error);
        if (descriptor < 0) {
            if (!wouldBlock)
                onAcceptError(error);
            break;
        }
        onIncoming(descriptor);
    }
    updateAccepting();
}

quint16 Listener::port() const
{
    return m_server->serverPort();
}

void Listener::onIncoming(qintptr descriptor)
{
    const QHostAddress address = PeerAddressOf(descriptor);
    if (address.isNull()) {
        // Gone before it could be looked at.
        CloseDescriptor(descriptor);
        return;
    }
    const QString peer = addressText(address);
    m_admission.arrive(peer, descriptor);
    serveWaiting();
    if (m_admission.waitingOf(peer) > 0 && m_admission.activeOf(peer) >= m_config.maxConnectionsPerPeer)
        warnQueued(peer);
}

void Listener::serveWaiting()
{
    while (std::optional<ConnectionAdmission::Waiting> next = m_admission.next()) {
        auto* socket = new QTcpSocket;
        socket->setProxy(QNetworkProxy::NoProxy);
        if (!socket->setSocketDescriptor(next->descriptor)) {
            delete socket;
            CloseDescriptor(next->descriptor);
            m_admission.finished(next->peer);
            continue;
        }
        auto* connection = new IncomingConnection(socket, next->peer, m_config, m_budget, *m_names,
                                                  m_dispatcher, *m_queue, m_log, this);
        m_connections.insert(connection);
        connect(connection, &IncomingConnection::closed, this,
                [this, connection] { onConnectionClosed(connection); });
        connection->start();
    }
}

void Listener::onConnectionClosed(IncomingConnection* connection)
{
    if (!m_connections.remove(connection))
        return;
    m_admission.finished(connection->peerIp());
    connection->deleteLater();
    serveWaiting();
    updateAccepting();
    Q_EMIT connectionFinished();
}

void Listener::warnQueued(const QString& peer)
{
    QElapsedTimer& last = m_queuedWarnings[peer];
    if (last.isValid() && last.elapsed() < kWarningIntervalMs)
        return;
    last.start();
    m_log.warning(peer, u"слишком много одновременных соединений (%1), новые ждут очереди"_s.arg(
                            m_config.maxConnectionsPerPeer));
}

void Listener::updateAccepting()
{
    if (!m_acceptNotifier)
        return;
    // At a limit, further connections wait in the system's queue instead of being refused.
    const bool room =
        !m_acceptBackoff && acceptedCount() < m_acceptBudget && m_queue->size() < m_config.maxQueuedRequests;
    m_acceptNotifier->setEnabled(room);
}

void Listener::onAcceptError(const QString& error)
{
    // Typically no descriptor left: try again shortly instead of spinning.
    if (!m_lastAcceptError.isValid() || m_lastAcceptError.elapsed() >= kWarningIntervalMs) {
        m_lastAcceptError.start();
        m_log.eventLog().listenError(u": "_s + error);
    }
    m_acceptBackoff = true;
    QTimer::singleShot(kAcceptRetryMs, this, [this] {
        m_acceptBackoff = false;
        updateAccepting();
    });
}

void Listener::sweep()
{
    // Connections are deleted later, so the copy stays valid while some of them close.
    const QList<IncomingConnection*> connections = m_connections.values();
    for (IncomingConnection* connection : connections)
        connection->checkDeadlines();
    watchWaiting();
    freeSlotForStarved();
    relieveDescriptors();
    serveWaiting();
    updateAccepting();
    for (auto it = m_queuedWarnings.begin(); it != m_queuedWarnings.end();) {
        if (it->elapsed() >= kWarningIntervalMs)
            it = m_queuedWarnings.erase(it);
        else
            ++it;
    }
}

void Listener::watchWaiting()
{
    // A waiting connection is not read, but what the system holds for it tells whether its
    // peer is still sending; one that sent nothing at all for the idle time-out is closed.
    QList<qintptr> silent;
    m_admission.forEachWaiting([this, &silent](ConnectionAdmission::Waiting& waiting) {
        const SocketReadState state = ReadStateOf(waiting.descriptor);
        if (state.pendingBytes != waiting.pendingBytes) {
            waiting.pendingBytes = state.pendingBytes;
            waiting.unchangedSince.start();
        }
        if (state.pendingBytes == 0 && waiting.unchangedSince.elapsed() >= m_config.idleTimeoutMs)
            silent.append(waiting.descriptor);
    });
    for (const qintptr descriptor : std::as_const(silent))
        closeWaiting(descriptor, u"Нет данных от клиента дольше %1 с, соединение закрыто"_s.arg(
                                     m_config.idleTimeoutMs / 1000.0));
}

void Listener::freeSlotForStarved()
{
    // Every slot is taken while an address served less than the others waits: the longest
    // idle connection of the address served most makes room.
    for (int round = 0; round < m_config.maxConnections; ++round) {
        const QString starved = m_admission.starvedPeer();
        if (starved.isEmpty())
            return;
        if (!evictIdle(m_admission.busiestPeer(),
                       u"Соединение простаивает, а запросы с других адресов ждут; закрыто"_s))
            return;
    }
}

bool Listener::evictIdle(const QString& fromPeer, const QString& why)
{
    IncomingConnection* idlest = nullptr;
    for (IncomingConnection* connection : std::as_const(m_connections)) {
        if ((fromPeer.isEmpty() || connection->peerIp() == fromPeer) && connection->isEvictable() &&
            (!idlest || connection->stalledMs() > idlest->stalledMs()))
            idlest = connection;
    }
    if (!idlest)
        return false;
    ++m_evicted;
    idlest->evict(why);
    return true;
}

void Listener::relieveDescriptors()
{
    // Out of descriptors, others cannot even be accepted: every connection that stalls goes,
    // waiting ones whose peer neither finished nor sent anything lately (a finished one holds
    // a whole request and is kept) and served ones idle as long.
    if (acceptedCount() < m_acceptBudget)
        return;
    QList<qintptr> stalled;
    m_admission.forEachWaiting([this, &stalled](const ConnectionAdmission::Waiting& waiting) {
        const bool silent = waiting.pendingBytes == 0 && waiting.arrived.elapsed() >= m_config.evictSilentMs;
        if ((silent || waiting.unchangedSince.elapsed() >= m_config.evictIdleMs) &&
            !ReadStateOf(waiting.descriptor).peerClosed)
            stalled.append(waiting.descriptor);
    });
    const QString why = u"Соединение простаивает, а дескрипторов не хватает; закрыто"_s;
    for (const qintptr descriptor : std::as_const(stalled)) {
        ++m_evicted;
        closeWaiting(descriptor, why);
    }
    while (evictIdle({}, why)) {
    }
}

void Listener::closeWaiting(qintptr descriptor, const QString& why)
{
    const std::optional<ConnectionAdmission::Waiting> waiting = m_admission.remove(descriptor);
    if (!waiting)
        return;
    m_log.error(waiting->peer, why);
    CloseDescriptor(descriptor);
}

} // namespace vantrel
