#pragma once

#include <QObject>
#include <QString>

namespace vantrel {

class NetworkProbes;

// One name-to-address lookup at a time (the resolve worker of the contact dialogs): a start
// while one runs is ignored. The system resolver works on threads of its own, so the caller's
// thread never waits; the answer comes through resolved() in the caller's thread.
class AddressLookup final : public QObject {
    Q_OBJECT
public:
    explicit AddressLookup(NetworkProbes& probes, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(AddressLookup)

    // Starts resolving `name` (trimmed); false when it is blank or a lookup already runs.
    bool start(const QString& name);
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    // The first IPv4 address of the name; `found` false (and `address` empty) when it has none.
    void resolved(const QString& name, bool found, const QString& address);

private:
    NetworkProbes& m_probes;
    bool m_running = false;
};

} // namespace vantrel
