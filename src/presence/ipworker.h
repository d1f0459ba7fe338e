#pragma once

#include "contacts/contactlistsnapshot.h"

#include <QObject>

#include <memory>

namespace vantrel {

class ContactList;
class EventLog;
class NetworkProbes;

// The IP refresh (`JvThread_IP`): the computer name of every contact whose auto-IP flag is
// "1" is resolved, one after another, and an address that differs from the stored one is
// stored and saved at once. Groups and contacts without the flag are skipped; a failed
// resolution leaves the stored address alone. The marks of the tree are not touched.
class IpWorker final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kName = "JvThread_IP";

    IpWorker(ContactList& contacts, NetworkProbes& probes, EventLog& eventLog, QObject* parent = nullptr);
    ~IpWorker() override;
    Q_DISABLE_COPY_MOVE(IpWorker)

    // Starts a pass; ignored (false) while one runs. An empty list writes the warning
    // "JvThread_IP: Пустой список пользователей" and resolves nothing.
    bool start();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void started();
    void finished();

private:
    void resolveNext();
    void finish();

    ContactList& m_contacts;
    NetworkProbes& m_probes;
    EventLog& m_eventLog;
    std::shared_ptr<const ContactListSnapshot> m_snapshot;
    int m_next = 0;
    bool m_running = false;
};

} // namespace vantrel
