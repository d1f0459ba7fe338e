#pragma once

#include "messaging/requestreader.h"
#include "messaging/streamsink.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

class QHostInfo;
class QTcpSocket;

namespace vantrel {

class Dispatcher;
class EventLog;
class RequestQueue;

// Serves one accepted connection: checks the peer against the black list (reverse lookup,
// without blocking), reads one request as its bytes arrive, queues it for the dispatcher (a
// file request's stream goes to its sink as it arrives) and closes. Emits closed() once, after which the
// listener deletes it.
class IncomingConnection final : public QObject {
    Q_OBJECT
public:
    IncomingConnection(QTcpSocket* socket, QString peerIp, const RequestReader::Limits& limits,
                       int resolveTimeoutMs, Dispatcher& dispatcher, RequestQueue& queue, EventLog& eventLog,
                       QObject* parent = nullptr);
    ~IncomingConnection() override;
    Q_DISABLE_COPY_MOVE(IncomingConnection)

    void start();
    const QString& peerIp() const { return m_peerIp; }
    // Milliseconds since the last byte arrived (or since the connection was accepted).
    qint64 idleMs() const { return m_lastActivity.elapsed(); }
    // Drops the connection because it stayed idle too long.
    void closeIdle(int idleTimeoutMs);

Q_SIGNALS:
    void closed();

private:
    void onHostName(const QString& hostName);
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void passStreamData();
    // Offers the open connection of a file stream to its sink; true when the sink took it.
    bool offerConnection();
    void conclude();
    void abandon(const QString& error);
    void close();

    QTcpSocket* m_socket;
    QString m_peerIp;
    RequestReader m_reader;
    int m_resolveTimeoutMs;
    Dispatcher& m_dispatcher;
    RequestQueue& m_queue;
    EventLog& m_eventLog;
    std::unique_ptr<StreamSink> m_sink;
    QElapsedTimer m_lastActivity;
    int m_lookupId = -1;
    bool m_admitted = false;
    bool m_streamStarted = false;
    bool m_closed = false;
};

} // namespace vantrel
