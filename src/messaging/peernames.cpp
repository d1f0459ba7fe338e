#include "messaging/peernames.h"

#include <QHostInfo>
#include <QTimer>

namespace vantrel {

PeerNames::PeerNames(int timeoutMs, QObject* parent)
    : QObject(parent)
    , m_timeoutMs(timeoutMs)
{}

PeerNames::~PeerNames()
{
    for (const Pending& pending : std::as_const(m_pending))
        QHostInfo::abortHostLookup(pending.id);
}

void PeerNames::lookup(const QString& address, QObject* context, Done done)
{
    const auto known = m_known.constFind(address);
    if (known != m_known.cend() && known->age.elapsed() < RememberMs) {
        done(known->name);
        return;
    }
    Pending& pending = m_pending[address];
    pending.waiters.append({context, std::move(done)});
    if (pending.id >= 0)
        return;
    ++m_lookups;
    pending.id = QHostInfo::lookupHost(address, this, [this, address](const QHostInfo& info) {
        // Without a name the resolver hands back the address itself.
        const bool named = info.error() == QHostInfo::NoError && info.hostName() != address;
        answer(address, named ? info.hostName() : QString());
    });
    QTimer::singleShot(m_timeoutMs, this, [this, address, id = pending.id] {
        const auto it = m_pending.constFind(address);
        if (it == m_pending.cend() || it->id != id)
            return;
        QHostInfo::abortHostLookup(id);
        answer(address, {});
    });
}

void PeerNames::answer(const QString& address, const QString& name)
{
    const Pending pending = m_pending.take(address);
    if (m_known.size() >= MaxRemembered) {
        for (auto it = m_known.begin(); it != m_known.end();) {
            if (it->age.elapsed() >= RememberMs)
                it = m_known.erase(it);
            else
                ++it;
        }
        if (m_known.size() >= MaxRemembered)
            m_known.clear();
    }
    Known& known = m_known[address];
    known.name = name;
    known.age.start();
    for (const Waiter& waiter : pending.waiters) {
        if (waiter.context)
            waiter.done(name);
    }
}

} // namespace vantrel
