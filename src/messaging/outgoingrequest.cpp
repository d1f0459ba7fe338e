#include "messaging/outgoingrequest.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {

OutgoingRequest::OutgoingRequest(QString host, QByteArray payload, const OutgoingConfig& config,
                                 QObject* parent)
    : QObject(parent)
    , m_host(std::move(host))
    , m_payload(std::move(payload))
    , m_config(config)
    , m_socket(new QTcpSocket(this))
    , m_timer(new QTimer(this))
{
    // Peers are reached directly on the local network, never through a proxy (and asking the
    // system for one would cost a lookup per request).
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &OutgoingRequest::onTimeout);
    connect(m_socket, &QTcpSocket::connected, this, &OutgoingRequest::onConnected);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &OutgoingRequest::onBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, &OutgoingRequest::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &OutgoingRequest::onError);
}

void OutgoingRequest::start()
{
    if (m_host.trimmed().isEmpty()) {
        // Reported from the event loop, like every other outcome.
        QTimer::singleShot(0, this, [this] { finish(false, u"Не указан адрес получателя"_s); });
        return;
    }
    if (!m_config.bindAddress.isNull() && !m_socket->bind(m_config.bindAddress, 0)) {
        const QString error = m_socket->errorString();
        QTimer::singleShot(0, this, [this, error] { finish(false, error); });
        return;
    }
    m_timer->start(m_config.connectTimeoutMs);
    m_socket->connectToHost(m_host, m_config.port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
}

void OutgoingRequest::onConnected()
{
    m_connected = true;
    m_timer->start(m_config.writeTimeoutMs);
    if (m_payload.isEmpty()) {
        m_allWritten = true;
        m_socket->disconnectFromHost();
        return;
    }
    m_socket->write(m_payload);
}

void OutgoingRequest::onBytesWritten()
{
    if (m_done)
        return;
    m_timer->start(m_config.writeTimeoutMs);
    if (m_socket->bytesToWrite() == 0 && !m_allWritten) {
        m_allWritten = true;
        m_socket->disconnectFromHost();
    }
}

void OutgoingRequest::onDisconnected()
{
    if (m_allWritten)
        finish(true, {});
    else
        finish(false, m_socket->errorString());
}

void OutgoingRequest::onError()
{
    // The peer may close as soon as it has the request; that is no failure once all is sent.
    if (m_allWritten && m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    finish(false, m_socket->errorString());
}

void OutgoingRequest::onTimeout()
{
    finish(false,
           m_connected ? u"Превышено время ожидания передачи"_s : u"Превышено время ожидания соединения"_s);
}

void OutgoingRequest::finish(bool ok, const QString& error)
{
    if (m_done)
        return;
    m_done = true;
    m_timer->stop();
    if (!ok)
        m_socket->abort();
    Q_EMIT finished(ok, error);
}

} // namespace vantrel
