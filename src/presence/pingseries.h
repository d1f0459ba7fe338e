#pragma once

#include "presence/networkprobes.h"
#include "presence/probeline.h"

#include <QHostAddress>
#include <QObject>

namespace vantrel {

// The shape of the "Ping" series.
struct PingSeriesConfig {
    int count = 4;         // echoes sent
    int payloadBytes = 32; // data bytes of each
    int timeoutMs = 2000;  // wait for each reply
    int pauseMs = 1000;    // pause after each echo but the last
};

// The "Ping" command: a series of ICMP echoes to one computer, printed line by line:
//   55 "-"
//   "Обмен пакетами с " + NAME + " [address]" + " по 32 байт:"   (no brackets for a dotted name
//                                                               or one that does not resolve)
//   ""
//   per echo: "32 байт от 10.0.0.7: TTL=128 время=5мс" (время<1мс under a millisecond),
//             or "Превышен интервал ожидания для запроса." in red
//   on a failure of the whole test: the system's error text, or NAME + ": неизвестный хост.", in red
//   55 "-"
// One series at a time; lines arrive on this object's thread, in order, as they happen.
class PingSeries final : public QObject {
    Q_OBJECT
public:
    using LineSink = std::function<void(const ProbeLine& line)>;
    using Finished = std::function<void()>;

    PingSeries(NetworkProbes& probes, PingSeriesConfig config = {}, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(PingSeries)

    // Starts a series to `computerName` (a name or a dotted address). Returns false, doing
    // nothing, while a series runs. `lines` gets every line, `finished` is called after the last.
    bool start(const QString& computerName, LineSink lines, Finished finished = {});
    bool isRunning() const { return m_running; }

    static QString separatorLine();
    static QString headerLine(const QString& computerName, const QString& address, int payloadBytes);
    static QString replyLine(int bytes, const QString& from, int ttl, int roundTripMs);
    static QString timeoutLine();
    static QString unknownHostLine(const QString& computerName);

private:
    void onResolved(bool found, const QString& address);
    void sendNext();
    void onReply(const IcmpEchoReply& reply);
    void failWhole(const QString& errorText);
    void finish();
    void print(const QString& text, LineColor color = LineColor::Black);

    NetworkProbes& m_probes;
    PingSeriesConfig m_config;
    LineSink m_lines;
    Finished m_finished;
    QString m_computerName;
    QString m_target;
    int m_sent = 0;
    bool m_running = false;
};

} // namespace vantrel
