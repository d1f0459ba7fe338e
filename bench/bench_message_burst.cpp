// 1000 peers each deliver one text message at once to one messaging engine.
//
// The engine runs in its own thread with its own event loop, as in the program; the peers are
// sockets of this thread, each bound to an address of its own on the loopback network
// (127.0.x.y), all connecting at the same moment. Prints how many messages were delivered,
// presented and recorded in the history logs (all of them must be), the rate, and the longest
// stall of the engine's event loop. Exit code 0 only when every message was recorded.
//
// Usage: bench_message_burst [PEERS]   (default 1000; needs PEERS + 600 file descriptors)

#include "core/apppaths.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "messaging/listener.h"
#include "messaging/messagingengine.h"
#include "messaging/messaginghost.h"
#include "messaging/nocontacts.h"
#include "messaging/protocolcodec.h"
#include "platform/soundplayer.h"
#include "platform/speaker.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <future>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

class CountingHost final : public MessagingHost {
public:
    void showPopupForm(const QString&, bool) override {}
    void addPopupLine(const QString&, const QString&, quint32, bool) override {}
    void showPopupError(const QString&, const QString&) override {}
    void showBalloon(const QString&, const QString&, BalloonLevel) override {}
    void setCaption(const QString&) override {}
    void hideMainWindow() override {}
    void messagePresented(const QString&, const QString&, const QString&) override { ++presented; }

    std::atomic<int> presented{0};
};

class SilentSpeaker final : public Speaker {
public:
    void beep(int, int) override {}
};

class SilentPlayer final : public SoundPlayer {
public:
    bool play(const QString&) override { return true; }
};

// The engine's thread: builds the engine there, listens on 127.0.0.1, runs its event loop and
// measures how late a 10 ms timer fires (the longest stall of the loop).
class EngineThread final : public QThread {
public:
    EngineThread(QString baseDir, CountingHost& host)
        : m_baseDir(std::move(baseDir))
        , m_host(host)
    {}

    std::promise<quint16> port;
    std::atomic<qint64> maxStallMs{0};
    std::atomic<int> refused{0};

protected:
    void run() override
    {
        const AppPaths paths = AppPaths::forBase(m_baseDir);
        paths.createFolders();
        LogWriter writer;
        EventLog eventLog(writer, paths.eventLogFile);
        Settings settings(paths.settingsFile);
        NoContacts contacts;
        SilentSpeaker speaker;
        SilentPlayer sound;
        MessagingEngine::Config config;
        config.listener.address = QHostAddress::LocalHost;
        config.listener.port = 0;
        MessagingEngine engine(config, {settings, eventLog, contacts, m_host, speaker, sound}, paths.logsDir,
                               {u"bench"_s, u"BENCH"_s});
        if (!engine.start()) {
            port.set_value(0);
            return;
        }
        QElapsedTimer tick;
        tick.start();
        QTimer probe;
        probe.setInterval(10);
        QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
            const qint64 late = tick.restart() - 10;
            if (late > maxStallMs)
                maxStallMs = late;
        });
        probe.start();
        port.set_value(engine.listener().port());
        exec();
        refused = engine.listener().refusedCount();
    }

private:
    QString m_baseDir;
    CountingHost& m_host;
};

QHostAddress peerAddress(int index)
{
    // 127.0.1.1 onwards, 250 peers per third byte.
    return QHostAddress(quint32((127u << 24) | (quint32(1 + index / 250) << 8) | quint32(1 + index % 250)));
}

int historyEntries(const QString& logsDir)
{
    int entries = 0;
    const QStringList logs = QDir(logsDir).entryList({u"peer-*.log"_s}, QDir::Files);
    for (const QString& name : logs) {
        QFile file(logsDir + u'/' + name);
        if (file.open(QIODevice::ReadOnly))
            entries += int(file.readAll().count("]: message from peer-"));
    }
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int peers = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 1000;
    QTemporaryDir dir;
    const QString baseDir = dir.path() + u"/Vantrel"_s;

    CountingHost host;
    EngineThread engineThread(baseDir, host);
    std::future<quint16> portReady = engineThread.port.get_future();
    engineThread.start();
    const quint16 port = portReady.get();
    if (port == 0) {
        std::fprintf(stderr, "the engine could not listen\n");
        return 2;
    }

    int delivered = 0;
    int failed = 0;
    QString firstError;
    std::vector<QTcpSocket*> sockets;
    sockets.reserve(size_t(peers));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < peers; ++i) {
        auto* socket = new QTcpSocket(&app);
        socket->setProxy(QNetworkProxy::NoProxy);
        const QByteArray request = ProtocolCodec::buildRequest(
            ProtocolCodec::Header::Message,
            ProtocolCodec::messageBody(u"peer-%1"_s.arg(i), u"message from peer-%1\r\nline two"_s.arg(i)));
        QObject::connect(socket, &QTcpSocket::connected, socket, [socket, request] {
            socket->write(request);
            socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [&delivered] { ++delivered; });
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [socket, &failed, &firstError] {
            if (socket->error() == QAbstractSocket::RemoteHostClosedError)
                return;
            if (firstError.isEmpty())
                firstError = socket->errorString();
            ++failed;
        });
        if (!socket->bind(peerAddress(i), 0)) {
            std::fprintf(stderr, "cannot bind %s: %s\n", qPrintable(peerAddress(i).toString()),
                         qPrintable(socket->errorString()));
            return 2;
        }
        sockets.push_back(socket);
    }
    for (QTcpSocket* socket : sockets)
        socket->connectToHost(QHostAddress::LocalHost, port);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (host.presented >= peers || clock.elapsed() > 60000)
            app.quit();
    });
    poll.start(2);
    app.exec();
    const qint64 elapsedMs = clock.elapsed();

    engineThread.quit();
    engineThread.wait();
    const int presented = host.presented;
    const int recorded = historyEntries(baseDir + u"/Logs"_s);

    std::printf("peers:             %d\n", peers);
    std::printf("delivered:         %d (failed %d%s%s)\n", delivered, failed,
                firstError.isEmpty() ? "" : ": ", qPrintable(firstError));
    std::printf("presented:         %d\n", presented);
    std::printf("history entries:   %d\n", recorded);
    std::printf("refused by limits: %d\n", engineThread.refused.load());
    std::printf("elapsed:           %lld ms\n", static_cast<long long>(elapsedMs));
    std::printf("rate:              %.0f messages/s\n",
                elapsedMs > 0 ? presented * 1000.0 / double(elapsedMs) : 0.0);
    std::printf("longest loop stall: %lld ms\n", static_cast<long long>(engineThread.maxStallMs.load()));
    const bool allRecorded = presented == peers && recorded == peers;
    std::printf("%s\n", allRecorded ? "all messages recorded" : "MESSAGES LOST");
    return allRecorded ? 0 : 1;
}
