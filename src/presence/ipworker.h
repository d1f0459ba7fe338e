#pragma once

#include "presence/contactpass.h"

namespace vantrel {

class NetworkProbes;

// The IP refresh (`JvThread_IP`): the computer name of every contact whose auto-IP flag is
// "1" is resolved, one after another, and an address that differs from the stored one is
// stored and saved at once. Groups and contacts without the flag are skipped; a failed
// resolution leaves the stored address alone. The marks of the tree are not touched.
class IpWorker final : public ContactPass {
    Q_OBJECT
public:
    static constexpr const char* kName = "JvThread_IP";

    IpWorker(ContactList& contacts, NetworkProbes& probes, EventLog& eventLog,
             SettingsShowing settingsShowing = {}, QObject* parent = nullptr);
    ~IpWorker() override;
    Q_DISABLE_COPY_MOVE(IpWorker)

    // Starts a pass; ignored (false) while one runs or the settings dialog shows. An empty
    // list writes the warning "JvThread_IP: Пустой список пользователей" and resolves nothing.
    bool start();

private:
    void resolveNext();

    NetworkProbes& m_probes;
};

} // namespace vantrel
