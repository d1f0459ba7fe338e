#include "messaging/peerlog.h"

#include "core/eventlog.h"
#include "core/textlines.h"

using namespace Qt::StringLiterals;

namespace vantrel {

PeerLog::PeerLog(EventLog& eventLog, int intervalMs, QObject* parent)
    : QObject(parent)
    , m_eventLog(eventLog)
    , m_intervalMs(intervalMs)
{
    m_flush.setInterval(intervalMs);
    connect(&m_flush, &QTimer::timeout, this, &PeerLog::flush);
}

void PeerLog::information(const QString& peer, const QString& text)
{
    write(Level::Information, peer, text);
}

void PeerLog::warning(const QString& peer, const QString& text)
{
    write(Level::Warning, peer, text);
}

void PeerLog::error(const QString& peer, const QString& text)
{
    write(Level::Error, peer, text);
}

int PeerLog::suppressedCount() const
{
    int count = 0;
    for (const Peer& peer : m_peers)
        count += peer.suppressed;
    return count;
}

void PeerLog::write(Level level, const QString& peer, const QString& text)
{
    Peer& entry = m_peers[peer];
    if (!entry.window.isValid() || entry.window.elapsed() >= m_intervalMs) {
        summarize(peer, entry);
        entry.window.start();
        entry.written = 0;
    }
    if (!m_flush.isActive())
        m_flush.start();
    if (entry.written >= Burst) {
        ++entry.suppressed;
        return;
    }
    ++entry.written;
    const QString line = EscapeControls(peer) + u": "_s + EscapeControls(Shortened(text, MaxTextChars));
    switch (level) {
    case Level::Information:
        m_eventLog.information(line);
        break;
    case Level::Warning:
        m_eventLog.warning(line);
        break;
    case Level::Error:
        m_eventLog.error(line);
        break;
    }
}

void PeerLog::summarize(const QString& peer, Peer& entry)
{
    if (entry.suppressed == 0)
        return;
    m_eventLog.warning(
        EscapeControls(peer) +
        u": записей о запросах с этого адреса пропущено: %1 (не более %2 за %3 с)"_s.arg(entry.suppressed)
            .arg(Burst)
            .arg(m_intervalMs / 1000));
    entry.suppressed = 0;
}

void PeerLog::flush()
{
    // Addresses whose interval is over get their summary and are forgotten, so the table
    // holds only the addresses of the last interval.
    for (auto it = m_peers.begin(); it != m_peers.end();) {
        if (it->window.elapsed() < m_intervalMs) {
            ++it;
            continue;
        }
        summarize(it.key(), it.value());
        it = m_peers.erase(it);
    }
    if (m_peers.isEmpty())
        m_flush.stop();
}

PeerLog::~PeerLog()
{
    for (auto it = m_peers.begin(); it != m_peers.end(); ++it)
        summarize(it.key(), it.value());
}

} // namespace vantrel
