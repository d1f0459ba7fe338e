#include "presence/addresslookup.h"

#include "presence/networkprobes.h"

namespace vantrel {

AddressLookup::AddressLookup(NetworkProbes& probes, QObject* parent)
    : QObject(parent)
    , m_probes(probes)
{}

bool AddressLookup::start(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || m_running)
        return false;
    m_running = true;
    m_probes.GetIPByName(trimmed, this, [this, trimmed](bool found, const QString& address) {
        m_running = false;
        Q_EMIT resolved(trimmed, found, found ? address : QString());
    });
    return true;
}

} // namespace vantrel
