#include "messaging/incomingconnection.h"

#include "messaging/bodybudget.h"
#include "messaging/dispatcher.h"
#include "messaging/listenerconfig.h"
#include "messaging/peerlog.h"
#include "messaging/peernames.h"
#include "messaging/requestqueue.h"
#include "platform/descriptors.h"

#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

// Bytes taken from the socket at a time; also the most the socket buffers before the reader
// has looked at them.
constexpr qint64 kChunkBytes = 64 * 1024;

} // namespace

IncomingConnection::IncomingConnection(QTcpSocket* socket, QString peerIp, const ListenerConfig& config,
                                       BodyBudget& budget, PeerNames& names, Dispatcher& dispatcher,
                                       RequestQueue& queue, PeerLog& log, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_peerIp(std::move(peerIp))
    , m_config(config)
    , m_reader(config.limits)
    , m_budget(budget)
    , m_names(names)
    , m_dispatcher(dispatcher)
    , m_queue(queue)
    , m_log(log)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kChunkBytes);
    m_lastActivity.start();
    m_served.start();
}

IncomingConnection::~IncomingConnection()
{
    m_budget.release(this);
}

void IncomingConnection::start()
{
    connect(m_socket, &QTcpSocket::readyRead, this, &IncomingConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &IncomingConnection::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &IncomingConnection::onSocketError);
    if (!m_dispatcher.wantsHostNames()) {
        onHostName({});
        return;
    }
    // Nothing is read until the peer's name has been checked; the socket holds what arrives.
    m_names.lookup(m_peerIp, this, [this](const QString& name) { onHostName(name); });
}

void IncomingConnection::onHostName(const QString& hostName)
{
    if (m_closed)
        return;
    if (!m_dispatcher.admitPeer(m_peerIp, hostName)) {
        close();
        return;
    }
    m_admitted = true;
    onReadyRead();
    if (!m_closed && m_socket->state() == QAbstractSocket::UnconnectedState)
        onDisconnected();
}

void IncomingConnection::onReadyRead()
{
    if (!m_admitted || m_closed || m_waitingForMemory)
        return;
    while (!m_reader.isDone() && m_socket->bytesAvailable() > 0) {
        if (!m_budget.mayRead(this)) {
            // What is not read stays with the socket and then with the system, which slows
            // the peer down until there is room again.
            m_waitingForMemory = true;
            m_waitingSince.start();
            m_budget.waitForRoom(this, [this] {
                m_waitingForMemory = false;
                m_window.start();
                m_windowBytes = 0;
                // Resumed from another connection's end: go on from the event loop.
                QTimer::singleShot(0, this, [this] {
                    onReadyRead();
                    if (!m_closed && !m_waitingForMemory &&
                        m_socket->state() == QAbstractSocket::UnconnectedState)
                        onDisconnected();
                });
            });
            return;
        }
        const QByteArray chunk = m_socket->read(kChunkBytes);
        if (chunk.isEmpty())
            break;
        m_lastActivity.start();
        const bool hadHeader = m_reader.hasHeader();
        m_reader.feed(chunk);
        if (!hadHeader && m_reader.hasHeader()) {
            m_window.start();
            m_windowBytes = 0;
        } else {
            m_windowBytes += chunk.size();
        }
        m_budget.set(this, m_reader.heldBytes());
        passStreamData();
    }
    if (m_reader.isDone())
        conclude();
}

void IncomingConnection::onDisconnected()
{
    // A connection waiting for memory finishes once it has read what is left.
    if (!m_admitted || m_closed || m_waitingForMemory)
        return;
    onReadyRead();
    if (m_closed)
        return;
    m_reader.finish();
    passStreamData();
    conclude();
}

void IncomingConnection::onSocketError()
{
    // An orderly close is handled by onDisconnected; anything else ends the request.
    if (m_closed || m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    if (!m_admitted) {
        close();
        return;
    }
    onReadyRead();
    if (!m_closed)
        abandon(m_socket->errorString());
}

void IncomingConnection::passStreamData()
{
    if (m_reader.state() != RequestReader::State::Stream &&
        !(m_reader.state() == RequestReader::State::Complete &&
          m_reader.kind() == ProtocolCodec::RequestKind::File))
        return;
    if (!m_streamStarted) {
        m_streamStarted = true;
        m_sink = m_dispatcher.startStream(m_reader.body(), m_peerIp);
        if (m_sink && offerConnection())
            return;
    }
    const QByteArray data = m_reader.takeStreamData();
    if (m_sink && !data.isEmpty())
        m_sink->write(data);
}

bool IncomingConnection::offerConnection()
{
    if (m_reader.state() != RequestReader::State::Stream ||
        m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    // Everything Qt has buffered goes with the connection, so the new owner misses no byte.
    const QByteArray alreadyRead = m_reader.takeStreamData() + m_socket->readAll();
    const qintptr descriptor = DuplicateDescriptor(m_socket->socketDescriptor());
    if (descriptor >= 0 && m_sink->adoptConnection(descriptor, alreadyRead)) {
        m_sink.reset();
        close();
        return true;
    }
    CloseDescriptor(descriptor);
    if (!alreadyRead.isEmpty())
        m_sink->write(alreadyRead);
    return false;
}

void IncomingConnection::conclude()
{
    if (m_closed)
        return;
    if (m_reader.state() == RequestReader::State::Failed) {
        // A connection closed before it sent anything leaves no trace.
        const bool silent =
            m_reader.error() == RequestReader::Error::ClosedEarly && m_reader.bytesReceived() == 0;
        if (!silent)
            abandon(m_reader.errorString());
        else
            close();
        return;
    }
    if (m_reader.kind() == ProtocolCodec::RequestKind::File) {
        if (m_sink)
            m_sink->finish(true, {});
    } else {
        m_queue.enqueue({m_reader.kind(), m_reader.headerLine(), m_reader.rawBody(), m_peerIp});
    }
    close();
}

bool IncomingConnection::checkDeadlines()
{
    if (m_closed || m_waitingForMemory || !m_admitted)
        return false;
    if (idleMs() >= m_config.idleTimeoutMs) {
        abandon(
            u"Нет данных от клиента дольше %1 с, соединение закрыто"_s.arg(m_config.idleTimeoutMs / 1000.0));
        return true;
    }
    if (!m_reader.hasHeader()) {
        if (m_served.elapsed() < m_config.headerTimeoutMs)
            return false;
        abandon(u"Заголовок запроса не получен за %1 с, соединение закрыто"_s.arg(m_config.headerTimeoutMs /
                                                                                  1000.0));
        return true;
    }
    // A stream is judged by idleness alone: a file may come slowly over a slow network.
    if (m_reader.state() == RequestReader::State::Stream || m_reader.isDone() ||
        m_window.elapsed() < m_config.bodyWindowMs)
        return false;
    if (m_windowBytes < m_config.minBodyBytesPerWindow) {
        abandon(u"Запрос поступает медленнее %1 байт за %2 с, соединение закрыто"_s
                    .arg(m_config.minBodyBytesPerWindow)
                    .arg(m_config.bodyWindowMs / 1000.0));
        return true;
    }
    m_window.start();
    m_windowBytes = 0;
    return false;
}

bool IncomingConnection::isEvictable() const
{
    // Not while its name is looked up, nor once its peer has sent everything: then it holds
    // a whole request.
    if (!m_admitted || isFinishing() || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    bool stalls = false;
    if (m_waitingForMemory)
        stalls = m_waitingSince.elapsed() >= m_config.evictIdleMs;
    else
        stalls = idleMs() >= m_config.evictIdleMs ||
                 (!m_reader.hasHeader() && m_served.elapsed() >= m_config.evictSilentMs);
    return stalls && !ReadStateOf(m_socket->socketDescriptor()).peerClosed;
}

qint64 IncomingConnection::stalledMs() const
{
    if (m_waitingForMemory)
        return m_waitingSince.elapsed();
    return m_reader.hasHeader() ? idleMs() : m_served.elapsed();
}

void IncomingConnection::evict(const QString& why)
{
    if (!m_closed)
        abandon(why);
}

void IncomingConnection::abandon(const QString& error)
{
    m_log.error(m_peerIp, error);
    if (m_sink)
        m_sink->finish(false, error);
    close();
}

void IncomingConnection::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_sink.reset();
    m_budget.release(this);
    // Nothing is ever written back; whatever the peer still sends is not wanted.
    m_socket->abort();
    Q_EMIT closed();
}

} // namespace vantrel
