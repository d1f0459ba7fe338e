// The whole-tree check of 200 contacts, 50 of them unreachable, on loopback.
//
// 150 contacts are QTcpServer listeners on 127.0.3.1 … 127.0.3.150, all on one port (the
// probe's port is one per configuration); 50 contacts are 127.0.4.1 … 127.0.4.50, where nothing
// listens on that port. A 5 ms timer ticks on the main thread throughout the check; the longest
// gap between its ticks is how long the event loop stalled. Prints the duration of the check,
// that gap and how many contacts were marked unreachable; the target for the gap is under 50 ms.
//
// Loopback answers ICMP echo for the whole 127/8, so with a working echo every contact is
// reachable. The check therefore runs twice: once with an echo that is never available (the
// TCP probe decides, as for peers that block ICMP; all 50 closed addresses must be marked), and
// once with the platform's real echo.
//
// Usage: bench_wholetreecheck
// Traffic goes to 127.0.0.0/8 only.

#include "contacts/contactlist.h"
#include "contacts/contactlisthost.h"
#include "contacts/contactlistsnapshot.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "platform/icmppinger.h"
#include "platform/platformservices.h"
#include "presence/nettools.h"
#include "presence/pingworker.h"
#include "presence/probeconfig.h"
#include "presence/reachability.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

constexpr int Reachable = 150;
constexpr int Closed = 50;

class QuietHost final : public ContactListHost {
public:
    void showBalloon(const QString&, const QString& text, BalloonLevel) override
    {
        std::fprintf(stderr, "balloon: %s\n", qPrintable(text));
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
};

// A fake echo for the benchmark: reports at once that no ICMP socket may be opened, so the TCP
// probe alone tells reachability.
class UnavailablePinger final : public IcmpPinger {
public:
    void echo(const IcmpEchoRequest&, QObject* context, Callback done) override
    {
        QTimer::singleShot(0, context, [done] {
            IcmpEchoReply reply;
            reply.status = IcmpEchoReply::Status::Unavailable;
            done(reply);
        });
    }
};

// Passes echoes on to another pinger and counts those answered, to show whether the real echo
// worked here or the TCP probe stood in for it (no permission for an ICMP socket).
class CountingPinger final : public IcmpPinger {
public:
    explicit CountingPinger(IcmpPinger& inner)
        : m_inner(inner)
    {}
    void echo(const IcmpEchoRequest& request, QObject* context, Callback done) override
    {
        m_inner.echo(request, context, [this, done](const IcmpEchoReply& reply) {
            ++(reply.ok() ? answered : unanswered);
            done(reply);
        });
    }
    int answered = 0;
    int unanswered = 0;

private:
    IcmpPinger& m_inner;
};

// Listeners on 127.0.3.1 … 127.0.3.N sharing one port; accepted connections are dropped.
class Listeners final : public QObject {
public:
    bool listen(int count)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            m_servers.clear();
            quint16 port = 0;
            bool ok = true;
            for (int i = 1; i <= count && ok; ++i) {
                auto server = std::make_unique<QTcpServer>();
                ok = server->listen(QHostAddress(u"127.0.3.%1"_s.arg(i)), port);
                if (!ok)
                    break;
                port = server->serverPort();
                connect(server.get(), &QTcpServer::newConnection, this, [s = server.get()] {
                    while (QTcpSocket* socket = s->nextPendingConnection()) {
                        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                        socket->disconnectFromHost();
                    }
                });
                m_servers.push_back(std::move(server));
            }
            if (ok) {
                m_port = port;
                return true;
            }
        }
        return false;
    }
    quint16 port() const { return m_port; }

private:
    std::vector<std::unique_ptr<QTcpServer>> m_servers;
    quint16 m_port = 0;
};

// The list: four groups of 50, each with reachable members and, in every group, some of the
// closed addresses, so the order of reachable and unreachable contacts is mixed.
QByteArray listText()
{
    QString text;
    int open = 0;
    int closed = 0;
    for (int group = 1; group <= 4; ++group) {
        text += u"[Отдел %1]\r\n"_s.arg(group);
        for (int i = 0; i < 50; ++i) {
            const bool isClosed = i % 4 == 3;
            const QString address = isClosed ? u"127.0.4.%1"_s.arg(++closed) : u"127.0.3.%1"_s.arg(++open);
            const int n = open + closed;
            text += u"\tPC-%1;Сотрудник %1;%2;0\r\n"_s.arg(n).arg(address);
        }
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

struct Figures {
    bool ok = false;
    double durationMs = 0;
    double longestGapMs = 0;
    int contacts = 0;
    int marked = 0;
};

Figures runCheck(ContactList& contacts, IcmpPinger& pinger, EventLog& eventLog, quint16 port)
{
    Figures f;
    for (int i = 0; i < contacts.count(); ++i) {
        if (contacts.imageIndex(i) != ContactListSnapshot::Group)
            contacts.setImageIndex(i, ContactListSnapshot::Online);
    }

    ProbeConfig config;
    config.outgoing.port = port;
    NetTools tools(pinger, config);
    Reachability reachability(tools);
    PingWorker worker(contacts, reachability, eventLog);

    QEventLoop loop;
    QElapsedTimer sinceTick;
    qint64 longestNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        longestNs = std::max(longestNs, sinceTick.nsecsElapsed());
        sinceTick.start();
    });
    QObject::connect(&worker, &PingWorker::finished, &loop, &QEventLoop::quit);
    // Nothing in the check should take this long; a guard against waiting forever.
    QTimer::singleShot(120000, &loop, [&loop] { loop.exit(1); });

    QElapsedTimer total;
    ticker.start();
    sinceTick.start();
    total.start();
    if (!worker.start())
        return f;
    const int rc = loop.exec();
    f.durationMs = double(total.nsecsElapsed()) / 1e6;
    longestNs = std::max(longestNs, sinceTick.nsecsElapsed());
    ticker.stop();
    f.longestGapMs = double(longestNs) / 1e6;
    f.ok = rc == 0;

    for (int i = 0; i < contacts.count(); ++i) {
        const int image = contacts.imageIndex(i);
        if (image == ContactListSnapshot::Group)
            continue;
        ++f.contacts;
        if (image == ContactListSnapshot::Unreachable)
            ++f.marked;
    }
    return f;
}

void print(const char* title, const Figures& f)
{
    std::printf("%s\n", title);
    std::printf("  contacts:                %d\n", f.contacts);
    std::printf("  unreachable:             %d\n", Closed);
    std::printf("  duration:                %.1f ms\n", f.durationMs);
    std::printf("  longest event-loop gap:  %.1f ms (target < 50 ms)\n", f.longestGapMs);
    std::printf("  marked 3:                %d\n", f.marked);
    if (!f.ok)
        std::printf("  the check did not finish within the guard time\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString path = dir.filePath(u"compnames.vtl"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(listText()) < 0 || !file.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    file.close();

    Listeners listeners;
    if (!listeners.listen(Reachable)) {
        std::fprintf(stderr, "cannot listen on 127.0.3.1 … 127.0.3.%d on one port\n", Reachable);
        return 1;
    }

    Settings settings(dir.filePath(u"Conf/VantrelMsg.ini"_s));
    settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);
    QuietHost host;
    LogWriter writer;
    EventLog eventLog(writer, dir.filePath(u"VantrelMsg.log"_s));
    ContactList contacts(settings, host, path);
    contacts.CheckGeneralList();
    contacts.MySetStatus(0);

    UnavailablePinger unavailable;
    const Figures tcp = runCheck(contacts, unavailable, eventLog, listeners.port());
    print("echo unavailable (TCP probe decides):", tcp);
    if (tcp.marked != Closed)
        std::printf("  expected %d contacts marked 3\n", Closed);

    const std::unique_ptr<PlatformServices> services = createPlatformServices();
    CountingPinger counting(*services->icmpPinger);
    const Figures icmp = runCheck(contacts, counting, eventLog, listeners.port());
    print("platform echo (loopback answers for all of 127/8):", icmp);
    std::printf("  echoes answered:         %d of %d\n", counting.answered,
                counting.answered + counting.unanswered);

    return tcp.ok && icmp.ok && tcp.contacts == Reachable + Closed && tcp.marked == Closed ? 0 : 1;
}
