#pragma once

#include "presence/networkprobes.h"
#include "presence/probeline.h"

namespace vantrel {

// The one reachability test of the program: a host is reachable when it answers an ICMP echo
// or, only when it does not, accepts the TCP probe. Peers that block ICMP but run the listener
// are thus found by the second probe.
class Reachability final {
public:
    explicit Reachability(NetworkProbes& probes)
        : m_probes(probes)
    {}
    Q_DISABLE_COPY_MOVE(Reachability)

    // Tests `host` and calls `done` once with the answer (see NetworkProbes for the threading).
    void check(const QString& host, QObject* context, NetworkProbes::Result done) const;

    // The line a single check prints: name + " в сети!" in green, or name + " недоступен..." in red.
    static ProbeLine resultLine(const QString& name, bool reachable);

private:
    NetworkProbes& m_probes;
};

} // namespace vantrel
