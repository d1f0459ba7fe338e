#pragma once

#include "messaging/outgoingconfig.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

namespace vantrel {

// One request to one peer: connects (from the bind address, when set), writes the request's
// bytes, closes, and reports once through finished(). Never blocks.
class OutgoingRequest final : public QObject {
    Q_OBJECT
public:
    OutgoingRequest(QString host, QByteArray payload, const OutgoingConfig& config,
                    QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(OutgoingRequest)

    void start();
    const QString& host() const { return m_host; }

Q_SIGNALS:
    // Emitted once: `ok` when every byte was handed to the connection and it was closed.
    void finished(bool ok, const QString& error);

private:
    void onConnected();
    void onBytesWritten();
    void onDisconnected();
    void onError();
    void onTimeout();
    void finish(bool ok, const QString& error);

    QString m_host;
    QByteArray m_payload;
    OutgoingConfig m_config;
    QTcpSocket* m_socket = nullptr;
    QTimer* m_timer = nullptr;
    bool m_connected = false;
    bool m_allWritten = false;
    bool m_done = false;
};

} // namespace vantrel
