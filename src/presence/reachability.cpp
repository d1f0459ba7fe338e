#include "presence/reachability.h"

using namespace Qt::StringLiterals;

namespace vantrel {

void Reachability::check(const QString& host, QObject* context, NetworkProbes::Result done) const
{
    // The callbacks hold the probes, not this object: a check may outlive the Reachability that
    // started it, never the probes that answer it.
    NetworkProbes* probes = &m_probes;
    probes->PingHost(host, context, [probes, host, context, done = std::move(done)](bool answered) mutable {
        if (answered) {
            if (done)
                done(true);
            return;
        }
        probes->TCPConnectHost(host, context, std::move(done));
    });
}

ProbeLine Reachability::resultLine(const QString& name, bool reachable)
{
    if (reachable)
        return {name + u" в сети!"_s, LineColor::Green};
    return {name + u" недоступен..."_s, LineColor::Red};
}

} // namespace vantrel
