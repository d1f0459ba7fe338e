#include "engineharness.h"

#include "messaging/historylog.h"
#include "messaging/listener.h"

#include <QSignalSpy>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace vantrel::test {

RequestCatcher::RequestCatcher(const QHostAddress& address, quint16 port)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this,
                    [socket, buffer] { buffer->append(socket->readAll()); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket, buffer] {
                requests.append(*buffer + socket->readAll());
                peers.append(socket->peerAddress().toString());
                socket->deleteLater();
            });
        }
    });
    if (!m_server.listen(address, port))
        qFatal("cannot listen for answers");
}

EngineHarness::EngineHarness(ListenerConfig listener, bool refuseOffers, const QHostAddress& address)
    : paths(AppPaths::forBase(dir.path() + u"/Vantrel"_s))
    , writer([] { return fixedNow(); })
    , eventLog(writer, paths.eventLogFile)
    , settings((paths.createFolders(), paths.settingsFile))
{
    listener.address = address;
    listener.port = 0;
    MessagingEngine::Config config;
    config.listener = listener;
    config.outgoing.port = answers.port();
    config.refuseOffers = refuseOffers;
    engine = std::make_unique<MessagingEngine>(
        config, MessagingEngine::Services{settings, eventLog, contacts, host, speaker, sound}, paths.logsDir,
        LocalNames{u"tester"_s, u"TESTPC"_s});
    if (!engine->start())
        qFatal("the engine does not listen");
}

quint16 EngineHarness::port() const
{
    return engine->listener().port();
}

QStringList EngineHarness::events() const
{
    // Skips the header line and the empty line after it.
    QStringList lines = QString::fromUtf8(readAll(paths.eventLogFile)).split(u"\r\n"_s, Qt::SkipEmptyParts);
    QStringList result;
    for (const QString& line : lines.mid(1))
        result.append(line.section(u" | "_s, 1));
    return result;
}

QString EngineHarness::history(const QString& contact) const
{
    return QString::fromUtf8(readAll(engine->history().pathFor(contact)));
}

std::unique_ptr<QTcpSocket> connectClient(quint16 port, const QHostAddress& from)
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!from.isNull() && !socket->bind(from, 0))
        qFatal("cannot bind the client");
    socket->connectToHost(QHostAddress::LocalHost, port);
    if (!socket->waitForConnected(5000))
        qFatal("cannot connect");
    return socket;
}

void sendAndClose(quint16 port, const QByteArray& bytes, const QHostAddress& from)
{
    const auto socket = connectClient(port, from);
    socket->write(bytes);
    socket->waitForBytesWritten(5000);
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->waitForDisconnected(5000);
}

void deliver(EngineHarness& h, const QByteArray& request, const QHostAddress& from)
{
    QSignalSpy served(&h.engine->listener(), &Listener::connectionFinished);
    sendAndClose(h.port(), request, from);
    QVERIFY(served.wait(5000));
    QTRY_VERIFY(h.engine->listener().isIdle());
}

} // namespace vantrel::test
