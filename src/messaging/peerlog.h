#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

namespace vantrel {

class EventLog;

// Event-log lines about what peers did or sent: "<address>: <text>", with the peer's text
// escaped (no control character reaches the log) and cut to MaxTextChars. One address gets at
// most Burst lines per interval; what it would have written beyond that is counted and told
// in one summary line when the interval is over, so a flood cannot grow the log without limit.
class PeerLog final : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype MaxTextChars = 300;
    static constexpr int Burst = 10;
    static constexpr int DefaultIntervalMs = 10000;

    explicit PeerLog(EventLog& eventLog, int intervalMs = DefaultIntervalMs, QObject* parent = nullptr);
    // Writes the summaries still due.
    ~PeerLog() override;
    Q_DISABLE_COPY_MOVE(PeerLog)

    void information(const QString& peer, const QString& text);
    void warning(const QString& peer, const QString& text);
    void error(const QString& peer, const QString& text);

    // Lines not written so far because of the limit, for all addresses.
    int suppressedCount() const;

    EventLog& eventLog() { return m_eventLog; }

private:
    struct Peer {
        QElapsedTimer window;
        int written = 0;
        int suppressed = 0;
    };
    enum class Level { Information, Warning, Error };
    void write(Level level, const QString& peer, const QString& text);
    void summarize(const QString& peer, Peer& entry);
    void flush();

    EventLog& m_eventLog;
    int m_intervalMs;
    QHash<QString, Peer> m_peers;
    QTimer m_flush;
};

} // namespace vantrel
