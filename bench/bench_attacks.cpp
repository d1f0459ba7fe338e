// Hostile peers against the real program: for each attack, how long a legitimate message from
// another address takes to be printed by a headless copy, the copy's largest resident memory
// and the most descriptors it held, and for the bursts whether every message was recorded.
//
// The copy runs as `vantrel --headless --bind 127.0.0.200` with its open-descriptor limit set
// to DESCRIPTORS (soft and hard), in temporary folders. Attackers (on a thread of their own)
// and the legitimate sender are sockets of this process bound to addresses of the loopback
// network. BENCH_KEEP=1 keeps the copies' folders (event logs) and prints where they are.
//
// Usage: bench_attacks PROGRAM [SECONDS_PER_ATTACK] [DESCRIPTORS]   (defaults 8, 1024)

#include "messaging/protocolcodec.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QNetworkProxy>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
namespace Codec = vantrel::ProtocolCodec;

namespace {

const QString kTarget = u"127.0.0.200"_s;
const QString kSilent = u"127.0.0.250"_s;

QByteArray message(const QString& from, const QString& text)
{
    return Codec::buildRequest(Codec::Header::Message, Codec::messageBody(from, text));
}

QHostAddress address(int third, int fourth)
{
    return QHostAddress(u"127.0.%1.%2"_s.arg(third).arg(fourth));
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() >= ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// The headless copy under attack, and what it printed.
class Target final {
public:
    Target(const QString& program, int descriptors, bool blackList)
    {
        QDir().mkpath(m_dir.filePath(u"data/Vantrel/Conf"_s));
        if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
            m_dir.setAutoRemove(false);
            std::fprintf(stderr, "target folder: %s\n", qPrintable(m_dir.path()));
        }
        // The black list holds the silent address, so requests naming it are answered there
        // (and every connection's address is looked up to be checked against it).
        vantrel::Settings settings(m_dir.filePath(u"data/Vantrel/Conf/VantrelMsg.ini"_s));
        if (blackList)
            settings.fmConfig.ListBox_BlackList_Items.setValue({kSilent});
        settings.fmConfig.dxCheckbox_PlaySound_Checked.setValue(true);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_s, m_dir.filePath(u"data"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
        env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.path());
        env.insert(u"HOME"_s, m_dir.path());
        m_process.setProcessEnvironment(env);
        m_process.setChildProcessModifier([descriptors] {
            const rlimit limit{rlim_t(descriptors), rlim_t(descriptors)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] {
            m_out += m_process.readAllStandardOutput();
            qsizetype end = 0;
            while ((end = m_out.indexOf('\n')) >= 0) {
                const QByteArray line = m_out.left(end);
                m_out.remove(0, end + 1);
                ++m_lines;
                const qsizetype mark = line.lastIndexOf("]: ");
                if (mark >= 0)
                    m_printed.insert(line.mid(mark + 3), m_clock.elapsed());
            }
        });
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_clock.start();
        m_process.start(program, {u"--headless"_s, u"--bind"_s, kTarget});
    }
    ~Target()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    Q_DISABLE_COPY_MOVE(Target)

    bool waitUntilListening()
    {
        return waitFor(
            [] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress(kTarget), Codec::DefaultPort);
                return probe.waitForConnected(200);
            },
            20000);
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // When the text was printed (ms on this target's clock), -1 when not yet.
    qint64 printedAt(const QByteArray& text) const { return m_printed.value(text, -1); }
    qint64 now() const { return m_clock.elapsed(); }
    int lines() const { return m_lines; }

    // Resident memory in MiB and open descriptors, read from /proc.
    double residentMiB() const
    {
        QFile status(u"/proc/%1/status"_s.arg(m_process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
        return 0;
    }
    int descriptors() const
    {
        return int(QDir(u"/proc/%1/fd"_s.arg(m_process.processId()))
                       .entryList(QDir::NoDotAndDotDot | QDir::System)
                       .size());
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_out;
    QHash<QByteArray, qint64> m_printed;
    QElapsedTimer m_clock;
    int m_lines = 0;
};

// Sockets of the attackers: each writes its request (topped up as the peer takes it, so
// large bodies do not sit in this process's memory), then closes, or holds the connection,
// or holds it and starts again when the target closes it. The attackers run on a thread of
// their own, so that their load does not delay the legitimate sender and the measuring.
class Attack final : public QObject {
public:
    Attack()
    {
        m_thread.start();
        moveToThread(&m_thread);
    }
    ~Attack() override
    {
        QMetaObject::invokeMethod(
            this, [this] { stopHere(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    Q_DISABLE_COPY_MOVE(Attack)

    enum class Mode { Close, Hold, HoldAndReconnect };
    struct Slot {
        QHostAddress from;
        QByteArray bytes;      // written at once
        qint64 bodyRepeat = 0; // then this many bytes of 'x', topped up as they go
        QByteArray tail;       // then this
        Mode mode = Mode::Close;
        std::unique_ptr<QTcpSocket> socket;
        qint64 left = 0;
        bool done = false;
    };

    void add(const QHostAddress& from, QByteArray bytes, Mode mode, qint64 bodyRepeat = 0,
             QByteArray tail = {})
    {
        m_slots.push_back(std::make_unique<Slot>());
        Slot& slot = *m_slots.back();
        slot.from = from;
        slot.bytes = std::move(bytes);
        slot.bodyRepeat = bodyRepeat;
        slot.tail = std::move(tail);
        slot.mode = mode;
    }
    // Opens the connections, at most `concurrent` of those that close at a time.
    void start(int concurrent = 1 << 30)
    {
        QMetaObject::invokeMethod(this, [this, concurrent] {
            m_concurrent = concurrent;
            openMore();
        });
    }
    // Writes `bytes` on every open connection (trickling).
    void trickle(const QByteArray& bytes)
    {
        QMetaObject::invokeMethod(this, [this, bytes] { trickleHere(bytes); });
    }
    void stop()
    {
        QMetaObject::invokeMethod(
            this, [this] { stopHere(); }, Qt::BlockingQueuedConnection);
    }
    // Connections that failed other than by the target closing them.
    int errors() const { return m_errors; }

private:
    void trickleHere(const QByteArray& bytes)
    {
        for (auto& slot : m_slots) {
            if (slot->socket && slot->socket->state() == QAbstractSocket::ConnectedState && slot->done)
                slot->socket->write(bytes);
        }
    }
    void stopHere()
    {
        m_stopping = true;
        m_slots.clear();
    }

    static constexpr qint64 kChunk = 256 * 1024;

    void open(Slot& slot)
    {
        slot.socket = std::make_unique<QTcpSocket>();
        QTcpSocket* socket = slot.socket.get();
        socket->setProxy(QNetworkProxy::NoProxy);
        socket->bind(slot.from, 0);
        slot.left = slot.bodyRepeat;
        slot.done = false;
        // Like a real sender, the request goes right behind the connection's handshake.
        connect(socket, &QTcpSocket::connected, this, [this, &slot] { topUp(slot); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, &slot] { topUp(slot); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
            if (error != QAbstractSocket::RemoteHostClosedError)
                ++m_errors;
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, &slot] {
            if (slot.mode == Mode::Close && !m_stopping) {
                --m_open;
                QTimer::singleShot(0, this, [this] { openMore(); });
            }
            if (slot.mode == Mode::HoldAndReconnect && !m_stopping)
                QTimer::singleShot(10, this, [this, &slot] {
                    if (!m_stopping)
                        open(slot);
                });
        });
        socket->connectToHost(QHostAddress(kTarget), Codec::DefaultPort);
        if (!slot.bytes.isEmpty())
            socket->write(slot.bytes);
    }
    void topUp(Slot& slot)
    {
        QTcpSocket* socket = slot.socket.get();
        if (slot.done)
            return;
        while (slot.left > 0 && socket->bytesToWrite() < kChunk) {
            const qint64 n = qMin(kChunk, slot.left);
            socket->write(QByteArray(n, 'x'));
            slot.left -= n;
        }
        if (slot.left > 0)
            return;
        slot.done = true;
        if (!slot.tail.isEmpty())
            socket->write(slot.tail);
        if (slot.mode == Mode::Close)
            socket->disconnectFromHost();
    }

    void openMore()
    {
        while (!m_stopping && m_next < m_slots.size() && m_open < m_concurrent) {
            Slot& slot = *m_slots[m_next++];
            if (slot.mode == Mode::Close)
                ++m_open;
            open(slot);
        }
    }

    QThread m_thread;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::size_t m_next = 0;
    int m_open = 0;
    int m_concurrent = 0;
    std::atomic<int> m_errors{0};
    bool m_stopping = false;
};

struct Figures {
    qint64 worstLatencyMs = 0;
    int legitSent = 0;
    int legitLost = 0;
    double maxResidentMiB = 0;
    int maxDescriptors = 0;
};

// Runs `attack` for `seconds` while a legitimate message is sent every 500 ms from 127.0.9.9;
// memory and descriptors are sampled every 100 ms.
Figures measure(Target& target, int seconds, const std::function<void()>& during = {})
{
    Figures figures;
    QList<std::pair<QByteArray, qint64>> sent;
    std::vector<std::unique_ptr<QTcpSocket>> legit;
    QElapsedTimer clock;
    clock.start();
    qint64 nextLegit = 1000;
    qint64 nextSample = 0;
    qint64 nextTrickle = 0;
    while (clock.elapsed() < seconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (clock.elapsed() >= nextSample) {
            nextSample += 100;
            figures.maxResidentMiB = qMax(figures.maxResidentMiB, target.residentMiB());
            figures.maxDescriptors = qMax(figures.maxDescriptors, target.descriptors());
        }
        if (during && clock.elapsed() >= nextTrickle) {
            nextTrickle += 1000;
            during();
        }
        if (clock.elapsed() >= nextLegit) {
            nextLegit += 500;
            const QByteArray text = "legit-" + QByteArray::number(target.now());
            auto socket = std::make_unique<QTcpSocket>();
            socket->setProxy(QNetworkProxy::NoProxy);
            socket->bind(address(9, 9), 0);
            socket->connectToHost(QHostAddress(kTarget), Codec::DefaultPort);
            socket->write(message(u"legit"_s, QString::fromLatin1(text)));
            socket->disconnectFromHost();
            legit.push_back(std::move(socket));
            sent.append({text, target.now()});
        }
    }
    // Stragglers get a few more seconds before they count as lost.
    waitFor(
        [&] {
            return std::all_of(sent.cbegin(), sent.cend(),
                               [&](const auto& s) { return target.printedAt(s.first) >= 0; });
        },
        5000);
    for (const auto& [text, at] : std::as_const(sent)) {
        const qint64 printed = target.printedAt(text);
        if (printed < 0)
            ++figures.legitLost;
        else
            figures.worstLatencyMs = qMax(figures.worstLatencyMs, printed - at);
    }
    figures.legitSent = int(sent.size());
    return figures;
}

void report(const char* name, const Figures& f, int limit)
{
    std::printf(
        "%-44s legit worst %5lld ms (%d sent, %d lost)  RSS max %6.1f MiB  descriptors max %4d of %d\n", name,
        static_cast<long long>(f.worstLatencyMs), f.legitSent, f.legitLost, f.maxResidentMiB,
        f.maxDescriptors, limit);
    std::fflush(stdout);
}

// `count` whole messages at once, from `addresses` addresses: how many were printed and how fast.
void burst(Target& target, int count, int addresses, const char* name)
{
    const int before = target.lines();
    Attack attack;
    for (int i = 0; i < count; ++i) {
        const int a = addresses == 1 ? 0 : i % addresses;
        attack.add(address(20 + a / 250, a % 250 + 1),
                   message(u"burst"_s, u"burst-%1-%2"_s.arg(addresses).arg(i)), Attack::Mode::Close);
    }
    QElapsedTimer timer;
    timer.start();
    attack.start();
    waitFor([&] { return target.lines() - before >= count; }, 60000);
    const qint64 ms = timer.elapsed();
    const int printed = target.lines() - before;
    std::printf("%-44s %d of %d recorded in %lld ms: %.0f messages/s (%d sends failed)\n", name, printed,
                count, static_cast<long long>(ms), printed * 1000.0 / qMax<qint64>(ms, 1), attack.errors());
    std::fflush(stdout);
    attack.stop();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_attacks PROGRAM [SECONDS_PER_ATTACK] [DESCRIPTORS]\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 8;
    const int limit = argc > 3 ? std::atoi(argv[3]) : 1024;
    rlimit own{};
    ::getrlimit(RLIMIT_NOFILE, &own);
    own.rlim_cur = own.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &own);

    // A target that takes connections and never accepts them: answers sent there hang.
    QTcpServer silent;
    silent.setListenBacklogSize(1);
    silent.listen(QHostAddress(kSilent), Codec::DefaultPort);
    silent.pauseAccepting();

    std::printf("Target: %s --headless, %d descriptors, %d s per attack\n", qPrintable(program), limit,
                seconds);
    const auto fresh = [&](bool blackList = false) {
        auto target = std::make_unique<Target>(program, limit, blackList);
        if (!target->waitUntilListening()) {
            std::fprintf(stderr, "the program does not listen on %s\n", qPrintable(kTarget));
            std::exit(1);
        }
        return target;
    };

    {
        auto target = fresh();
        report("no attack", measure(*target, 3), limit);
        burst(*target, 1000, 1, "1000 messages at once from one address");
        burst(*target, 1000, 1000, "1000 messages at once from 1000 addresses");
    }
    {
        // With a black list, every new address is looked up first.
        auto target = fresh(true);
        burst(*target, 1000, 1000, "the same with a black list (name lookups)");
    }
    const auto slowloris = [&](int addresses, const char* name) {
        auto target = fresh();
        Attack attack;
        for (int i = 0; i < 512; ++i)
            attack.add(address(30, i % addresses + 1), "<"_ba, Attack::Mode::HoldAndReconnect);
        attack.start();
        report(name, measure(*target, seconds, [&attack] { attack.trickle("V"); }), limit);
        attack.stop();
    };
    slowloris(8, "slowloris: 512 connections from 8 addresses");
    slowloris(40, "slowloris: 512 connections from 40 addresses");
    {
        auto target = fresh();
        Attack attack;
        for (int i = 0; i < 2000; ++i)
            attack.add(address(31, i % 40 + 1), {}, Attack::Mode::HoldAndReconnect);
        attack.start();
        report("burst: 2000 stalled connections, 40 addresses", measure(*target, seconds), limit);
        attack.stop();
    }
    {
        auto target = fresh();
        Attack attack;
        const QByteArray header = "<VTL_MESSAGE>\r\n<FROM>big</FROM><MESSAGE>"_ba;
        for (int i = 0; i < 512; ++i)
            attack.add(address(32, i % 8 + 1), header, Attack::Mode::Hold, 8 * 1024 * 1024 - 1000);
        attack.start();
        report("512 bodies of 8 MiB - 1000, then trickling",
               measure(*target, seconds, [&attack] { attack.trickle("x"); }), limit);
        attack.stop();
    }
    {
        auto target = fresh();
        Attack attack;
        const QByteArray header = "<VTL_MESSAGE>\r\n<FROM>pieces</FROM><MESSAGE>"_ba;
        for (int i = 0; i < 40; ++i)
            attack.add(address(33, 1), header, Attack::Mode::Close, 8 * 1024 * 1024 - 100,
                       "--></MESSAGE>"_ba);
        attack.start();
        report("40 pieces of 8 MiB ending in \"-->\"", measure(*target, seconds), limit);
        attack.stop();
    }
    {
        auto target = fresh(true);
        Attack attack;
        for (int i = 0; i < 20000; ++i)
            attack.add(address(34, i % 20 + 1), message(kSilent, u"x"_s), Attack::Mode::Close);
        attack.start(500);
        report("20000 black-listed requests, silent target", measure(*target, seconds), limit);
        attack.stop();
    }
    {
        auto target = fresh();
        Attack attack;
        for (int i = 0; i < 1000; ++i)
            attack.add(address(35, i % 10 + 1), "<beep>\r\n"_ba, Attack::Mode::Close);
        attack.start(500);
        report("1000 beeps", measure(*target, seconds), limit);
        attack.stop();
    }
    return 0;
}
