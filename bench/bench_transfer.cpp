// One large file from one running copy of the program to another over loopback, against socat
// between the same files in the same run.
//
// Two headless copies run on 127.0.0.201 (receiver, accepting files from its contacts by
// itself) and 127.0.0.202 (sender); the sender is handed the file with `--send-files`, the
// time runs until the receiver reports the file complete, counted from the start of the
// hand-over command and, copy to copy, from its end. socat copies the same file from the
// same page cache to a file in the same folder over a loopback connection, once with its
// default buffer and once with a buffer of 1 MiB; the faster of the two is the comparison. While each
// transfer runs, both copies get a text message every 20 ms; the longest time from sending one to its
// appearance on the copy's standard output bounds the longest stall of its event loop. The
// receiver's resident memory is sampled as well.
//
// Prints the throughput of both and their ratio, the receiver's memory growth and the longest
// stall. Exit code 0 when every copy arrived complete.
//
// Usage: bench_transfer VANTREL_BINARY [MEBIBYTES] [RUNS]   (default 1024 MiB, 7 runs)

#include "messaging/protocolcodec.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSysInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kProbeIntervalMs = 20;
constexpr int kTimeoutMs = 600000;

// Runs the event loop until `done` holds or the time is up, sleeping between events so that the
// benchmark itself takes as little of the processor as it can.
template <typename Predicate>
bool waitFor(Predicate done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(2);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

void wait(int ms)
{
    waitFor([] { return false; }, ms);
}

void print(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Resident memory of a process in KiB.
qint64 residentKiB(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// One headless copy with its own folders.
class Copy final {
public:
    Copy(const QString& binary, const QString& address, const QStringList& list, bool autoAccept)
        : m_address(address)
    {
        const QString base = m_root.filePath(u"data/Vantrel"_s);
        writeFile(base + u"/compnames.vtl"_s, "\xEF\xBB\xBF" + (list.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
        QDir().mkpath(base + u"/Conf"_s);
        {
            vantrel::Settings settings(base + u"/Conf/VantrelMsg.ini"_s);
            settings.fmConfig.Checkbox_AutoContact_Checked.setValue(autoAccept);
            settings.fmConfig.Edit_AutoFolder_Text.setValue(receiveFolder());
            // The history of the probe messages would only measure the disk.
            settings.fmConfig.dxCheckbox_History_Checked.setValue(false);
        }
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"XDG_DATA_HOME"_s, m_root.filePath(u"data"_s));
        m_environment.insert(u"XDG_CONFIG_HOME"_s, m_root.filePath(u"config"_s));
        m_environment.insert(u"XDG_RUNTIME_DIR"_s, m_root.path());
        m_environment.insert(u"HOME"_s, m_root.path());
        m_process.setProcessEnvironment(m_environment);
        m_process.start(binary, {u"--headless"_s, u"--bind"_s, address});
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { m_out += m_process.readAllStandardOutput(); });
        QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process,
                         [this] { m_err += m_process.readAllStandardError(); });
    }
    ~Copy()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    Q_DISABLE_COPY_MOVE(Copy)

    bool waitReady()
    {
        return waitFor([this] { return m_err.contains("running headless"); }, 30000);
    }
    QString receiveFolder() const { return m_root.filePath(u"Received"_s); }
    const QString& address() const { return m_address; }
    qint64 pid() const { return m_process.processId(); }
    const QProcessEnvironment& environment() const { return m_environment; }
    QByteArray& out() { return m_out; }
    QByteArray& err() { return m_err; }

private:
    QTemporaryDir m_root;
    QString m_address;
    QProcessEnvironment m_environment;
    QProcess m_process;
    QByteArray m_out;
    QByteArray m_err;
};

// Text messages sent to both copies every 20 ms; the longest time each took to be printed.
class StallProbe final : public QObject {
public:
    StallProbe(Copy& receiver, Copy& sender)
        : m_copies{&receiver, &sender}
    {
        m_timer.setInterval(kProbeIntervalMs);
        connect(&m_timer, &QTimer::timeout, this, &StallProbe::probe);
    }
    // The delay that `fraction` of the probes answered within.
    qint64 percentile(double fraction)
    {
        if (m_delays.isEmpty())
            return 0;
        QList<qint64> sorted = m_delays;
        std::sort(sorted.begin(), sorted.end());
        return sorted.at(std::min<qsizetype>(sorted.size() - 1, qsizetype(fraction * double(sorted.size()))));
    }
    void start()
    {
        m_longestMs = 0;
        m_delays.clear();
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    // Reads the printed probes; the longest delay so far.
    qint64 longestMs()
    {
        for (Copy* copy : m_copies) {
            qsizetype at = 0;
            while ((at = copy->out().indexOf("probe-", at)) >= 0) {
                const qsizetype end = copy->out().indexOf('\n', at);
                if (end < 0)
                    break;
                const QByteArray id = copy->out().mid(at + 6, end - at - 6);
                if (const auto sent = m_sent.find(id); sent != m_sent.end()) {
                    const qint64 delay = m_clock.elapsed() - sent.value();
                    m_longestMs = std::max(m_longestMs, delay);
                    m_delays.append(delay);
                    m_sent.erase(sent);
                }
                at = end;
            }
            copy->out().clear();
        }
        // A probe still unanswered counts with its age.
        for (const qint64 sentAt : std::as_const(m_sent))
            m_longestMs = std::max(m_longestMs, m_clock.elapsed() - sentAt);
        return m_longestMs;
    }

private:
    void probe()
    {
        longestMs();
        for (Copy* copy : m_copies) {
            const QByteArray id = QByteArray::number(++m_next);
            auto* socket = new QTcpSocket(this);
            socket->connectToHost(QHostAddress(copy->address()), vantrel::ProtocolCodec::DefaultPort);
            socket->write(vantrel::ProtocolCodec::buildRequest(
                vantrel::ProtocolCodec::Header::Message,
                vantrel::ProtocolCodec::messageBody(u"bench"_s, u"probe-"_s + QString::fromLatin1(id))));
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            m_sent.insert(id, m_clock.elapsed());
        }
    }

    Copy* m_copies[2];
    QTimer m_timer;
    QElapsedTimer m_clock;
    QHash<QByteArray, qint64> m_sent;
    QList<qint64> m_delays;
    qint64 m_longestMs = 0;
    int m_next = 0;
};

struct Run {
    double seconds = 0;
    bool complete = false;
};

// socat from the source file to a file in the receive folder over loopback, with its default
// buffer of 8 KiB or with `buffer` bytes.
Run socatRun(const QString& source, const QString& destination, quint16 port, int buffer)
{
    QDir().mkpath(QFileInfo(destination).path());
    QFile::remove(destination);
    QStringList options{u"-u"_s};
    if (buffer > 0)
        options << u"-b"_s << QString::number(buffer);
    QProcess receiver;
    receiver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    receiver.start(u"socat"_s, options + QStringList{u"TCP-LISTEN:%1,bind=127.0.0.211,reuseaddr"_s.arg(port),
                                                     u"CREATE:"_s + destination});
    receiver.waitForStarted();
    wait(300);
    QElapsedTimer timer;
    timer.start();
    QProcess sender;
    sender.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sender.start(u"socat"_s, options + QStringList{u"OPEN:"_s + source,
                                                   u"TCP:127.0.0.211:%1,bind=127.0.0.212"_s.arg(port)});
    const bool done = receiver.waitForFinished(kTimeoutMs);
    const double seconds = timer.elapsed() / 1000.0;
    sender.waitForFinished(10000);
    const bool complete = done && QFileInfo(destination).size() == QFileInfo(source).size();
    QFile::remove(destination);
    return {seconds, complete};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        print(u"usage: bench_transfer VANTREL_BINARY [MEBIBYTES] [RUNS]"_s);
        return 2;
    }
    const QString binary = args.at(1);
    const qint64 mebibytes = args.value(2, u"1024"_s).toLongLong();
    const int runs = args.value(3, u"7"_s).toInt();
    const qint64 size = mebibytes * 1024 * 1024;

    QTemporaryDir work;
    const QString source = work.filePath(u"source.bin"_s);
    {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return 2;
        QByteArray chunk(8 * 1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>((i * 131) ^ (i >> 9));
        for (qint64 written = 0; written < size; written += chunk.size())
            file.write(chunk.constData(), std::min<qint64>(chunk.size(), size - written));
    }

    const QString host = QSysInfo::machineHostName().section(u'.', 0, 0);
    Copy receiver(binary, u"127.0.0.201"_s, {host + u";Отправитель;127.0.0.202"_s}, true);
    Copy sender(binary, u"127.0.0.202"_s, {u"PCR;Получатель;127.0.0.201"_s}, false);
    if (!receiver.waitReady() || !sender.waitReady()) {
        print(u"the copies did not start"_s);
        return 1;
    }
    StallProbe probe(receiver, sender);
    const QString destination = receiver.receiveFolder() + u"/Отправитель/source.bin"_s;

    double bestSocat = 1e9;
    double bestPlainSocat = 1e9;
    double bestVantrel = 1e9;
    double bestCopyToCopy = 1e9;
    qint64 rssGrowthKiB = 0;
    qint64 longestStallMs = 0;
    qint64 idleStallMs = 0;
    qint64 worstMedianMs = 0;
    qint64 worstP99Ms = 0;
    bool allComplete = true;
    // With nothing moving: what the probe itself measures.
    probe.start();
    wait(1000);
    probe.stop();
    idleStallMs = probe.longestMs();
    for (int run = 1; run <= runs; ++run) {
        const Run plain =
            socatRun(source, receiver.receiveFolder() + u"/socat.bin"_s, quint16(20130 + run), 0);
        const Run socat =
            socatRun(source, receiver.receiveFolder() + u"/socat.bin"_s, quint16(20150 + run), 1024 * 1024);
        allComplete = allComplete && socat.complete && plain.complete;
        bestSocat = std::min(bestSocat, socat.seconds);
        bestPlainSocat = std::min(bestPlainSocat, plain.seconds);

        QFile::remove(destination);
        const qint64 rssBefore = residentKiB(receiver.pid());
        qint64 rssPeak = rssBefore;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, &sampler,
                         [&] { rssPeak = std::max(rssPeak, residentKiB(receiver.pid())); });
        sampler.start(20);
        receiver.err().clear();
        probe.start();
        QElapsedTimer timer;
        timer.start();
        QProcess hand;
        hand.setProcessEnvironment(sender.environment());
        // The copy has the file once the hand-over has ended; from then on it is copy to copy.
        qint64 handedOverMs = -1;
        QObject::connect(&hand, &QProcess::finished, &hand, [&] { handedOverMs = timer.elapsed(); });
        hand.start(binary, {u"--send-files"_s, u"Получатель"_s, source});
        const QByteArray done = "vantrel: received file " + destination.toUtf8();
        const bool arrived = waitFor([&] { return receiver.err().contains(done); }, kTimeoutMs);
        const double seconds = timer.elapsed() / 1000.0;
        const double copyToCopy = handedOverMs >= 0 ? seconds - handedOverMs / 1000.0 : seconds;
        // The window of either side closes half a second later; the loops keep being probed.
        wait(600);
        probe.stop();
        sampler.stop();
        hand.waitForFinished(10000);
        const bool complete = arrived && QFileInfo(destination).size() == size;
        allComplete = allComplete && complete;
        bestVantrel = std::min(bestVantrel, seconds);
        bestCopyToCopy = std::min(bestCopyToCopy, copyToCopy);
        rssGrowthKiB = std::max(rssGrowthKiB, rssPeak - rssBefore);
        longestStallMs = std::max(longestStallMs, probe.longestMs());
        worstMedianMs = std::max(worstMedianMs, probe.percentile(0.5));
        worstP99Ms = std::max(worstP99Ms, probe.percentile(0.99));
        print(u"run %1: socat %2 s, socat -b 1 MiB %3 s, Vantrel %4 s (%5 s copy to copy)%6"_s.arg(run)
                  .arg(plain.seconds, 0, 'f', 3)
                  .arg(socat.seconds, 0, 'f', 3)
                  .arg(seconds, 0, 'f', 3)
                  .arg(copyToCopy, 0, 'f', 3)
                  .arg(complete && socat.complete && plain.complete ? QString() : u" (INCOMPLETE)"_s));
        QFile::remove(destination);
    }

    const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
    print(u"file: %1 MiB, best of %2 runs"_s.arg(mebibytes).arg(runs));
    print(u"socat:   %1 MiB/s (8 KiB buffer), %2 MiB/s (1 MiB buffer)"_s.arg(mib / bestPlainSocat, 0, 'f', 0)
              .arg(mib / bestSocat, 0, 'f', 0));
    bestSocat = std::min(bestSocat, bestPlainSocat);
    print(u"Vantrel: %1 MiB/s copy to copy, %2 MiB/s with the start of the hand-over command"_s
              .arg(mib / bestCopyToCopy, 0, 'f', 0)
              .arg(mib / bestVantrel, 0, 'f', 0));
    print(u"throughput ratio Vantrel/socat: %1 copy to copy (%2 with the hand-over command)"_s
              .arg(bestSocat / bestCopyToCopy, 0, 'f', 2)
              .arg(bestSocat / bestVantrel, 0, 'f', 2));
    print(u"receiver resident memory growth: %1 MiB"_s.arg(rssGrowthKiB / 1024.0, 0, 'f', 1));
    print(u"longest event-loop stall of either copy: %1 ms (probe delays: median %2 ms, 99 % within %3 ms;"
          u" longest when idle: %4 ms)"_s.arg(longestStallMs)
              .arg(worstMedianMs)
              .arg(worstP99Ms)
              .arg(idleStallMs));
    return allComplete ? 0 : 1;
}
