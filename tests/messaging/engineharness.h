#pragma once

#include "core/apppaths.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "fakes.h"
#include "messaging/messagingengine.h"
#include "settings/settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>

namespace vantrel::test {

// Collects the requests other computers would receive: every connection's bytes up to its close.
class RequestCatcher final : public QObject {
    Q_OBJECT
public:
    explicit RequestCatcher(const QHostAddress& address = QHostAddress::LocalHost);
    quint16 port() const { return m_server.serverPort(); }
    QList<QByteArray> requests;
    QStringList peers;

private:
    QTcpServer m_server;
};

// One messaging engine on 127.0.0.1 with an ephemeral port, its own folders, settings and
// event log in a temporary folder, and recording stand-ins for the user interface. Answers
// the engine sends go to `answers`.
class EngineHarness {
public:
    explicit EngineHarness(ListenerConfig listener = {}, bool refuseOffers = false,
                           const QHostAddress& address = QHostAddress::LocalHost);
    ~EngineHarness();
    Q_DISABLE_COPY_MOVE(EngineHarness)

    static QDateTime fixedNow();

    quint16 port() const;
    // Lines of the event log after its header.
    QStringList eventLines() const;
    // The event log's text part of every line: "<level> | <text>".
    QStringList events() const;
    QByteArray readFile(const QString& path) const;

    QTemporaryDir dir;
    AppPaths paths;
    LogWriter writer;
    EventLog eventLog;
    Settings settings;
    ListedContacts contacts;
    RecordingHost host;
    RecordingSpeaker speaker;
    RecordingSoundPlayer sound;
    RequestCatcher answers;
    std::unique_ptr<MessagingEngine> engine;
};

// Connects to 127.0.0.1:port (from `from` when given) and waits for the connection.
std::unique_ptr<QTcpSocket> connectClient(quint16 port, const QHostAddress& from = {});
// Connects, writes the bytes and closes, as a peer's sender does.
void sendAndClose(quint16 port, const QByteArray& bytes, const QHostAddress& from = {});
// Sends one request to the harness's engine and waits until the engine has carried it out.
void deliver(EngineHarness& h, const QByteArray& request, const QHostAddress& from = {});

} // namespace vantrel::test
