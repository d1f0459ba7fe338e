#pragma once

#include "common/testfiles.h"
#include "core/apppaths.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "fakes.h"
#include "messaging/messagingengine.h"
#include "settings/settings.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>

namespace vantrel::test {

// Collects the requests other computers would receive: every connection's bytes up to its close.
class RequestCatcher final : public QObject {
    Q_OBJECT
public:
    // Listens on `address`, on `port` or on a free one.
    explicit RequestCatcher(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    QList<QByteArray> requests;
    QStringList peers;

private:
    QTcpServer m_server;
};

// One messaging engine on an ephemeral port with its own folders, settings and event log in a
// temporary folder, and recording stand-ins for the user interface. Answers go to `answers`.
class EngineHarness {
public:
    explicit EngineHarness(ListenerConfig listener = {}, bool refuseOffers = false,
                           const QHostAddress& address = QHostAddress::LocalHost);
    Q_DISABLE_COPY_MOVE(EngineHarness)

    static QDateTime fixedNow() { return QDateTime(QDate(2026, 12, 8), QTime(19, 30, 13)); }
    quint16 port() const;
    // The "<level> | <text>" part of every event log line after the header.
    QStringList events() const;
    QString history(const QString& contact) const;

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
