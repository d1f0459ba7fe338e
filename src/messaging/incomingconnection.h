#pragma once

#include "messaging/requestreader.h"
#include "messaging/streamsink.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

class QTcpSocket;

namespace vantrel {

class BodyBudget;
class Dispatcher;
class PeerLog;
class PeerNames;
class RequestQueue;
struct ListenerConfig;

// Serves one accepted connection: checks the peer against the black list (reverse lookup,
// without blocking), reads one request as its bytes arrive, queues it for the dispatcher (a
// file request's stream goes to its sink as it arrives, or the sink takes the connection) and
// closes. Reading stops while the memory budget of all connections is spent. Emits closed()
// once, after which the listener deletes it.
class IncomingConnection final : public QObject {
    Q_OBJECT
public:
    IncomingConnection(QTcpSocket* socket, QString peerIp, const ListenerConfig& config, BodyBudget& budget,
                       PeerNames& names, Dispatcher& dispatcher, RequestQueue& queue, PeerLog& log,
                       QObject* parent = nullptr);
    ~IncomingConnection() override;
    Q_DISABLE_COPY_MOVE(IncomingConnection)

    void start();
    const QString& peerIp() const { return m_peerIp; }
    // Milliseconds since the last byte arrived (or since the connection was served).
    qint64 idleMs() const { return m_lastActivity.elapsed(); }
    // Waiting for the memory budget: its idleness is not the peer's.
    bool isWaitingForMemory() const { return m_waitingForMemory; }
    // The whole request has been read or the connection is being closed.
    bool isFinishing() const { return m_closed || m_reader.isDone(); }

    // Closes the connection when it broke a time limit: idle too long, no header in time, a
    // body arriving too slowly. Returns whether it was closed.
    bool checkDeadlines();
    // Whether it may be closed to make room: it stalls in the middle of a request (idle at
    // least evictIdleMs, no header line evictSilentMs after it was served, or waiting for
    // memory at least evictIdleMs).
    bool isEvictable() const;
    // How long it has stalled, for choosing among the evictable.
    qint64 stalledMs() const;
    // Closes the connection to make room for others.
    void evict(const QString& why);

Q_SIGNALS:
    void closed();

private:
    void onHostName(const QString& hostName);
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void passStreamData();
    bool offerConnection();
    void conclude();
    void abandon(const QString& error);
    void close();

    QTcpSocket* m_socket;
    QString m_peerIp;
    const ListenerConfig& m_config;
    RequestReader m_reader;
    BodyBudget& m_budget;
    PeerNames& m_names;
    Dispatcher& m_dispatcher;
    RequestQueue& m_queue;
    PeerLog& m_log;
    std::unique_ptr<StreamSink> m_sink;
    QElapsedTimer m_lastActivity;
    QElapsedTimer m_served;
    QElapsedTimer m_waitingSince;
    // The current window of the body's minimum rate and the bytes it has brought.
    QElapsedTimer m_window;
    qint64 m_windowBytes = 0;
    bool m_admitted = false;
    bool m_streamStarted = false;
    bool m_waitingForMemory = false;
    bool m_closed = false;
};

} // namespace vantrel
