#pragma once

#include "presence/contactpass.h"

#include <QString>

namespace vantrel {

class Reachability;

// The whole-tree check (`JvThread_Ping`): every contact of the list is tested in index order,
// one after another, groups skipped. An unreachable contact is marked 3; a reachable one marked
// 3 goes back to 0, while a status mark 1 or 2 stays as it is. The probes never block the
// thread this object lives in (the main thread), and the marks are changed there.
class PingWorker final : public ContactPass {
    Q_OBJECT
public:
    static constexpr const char* kName = "JvThread_Ping";

    PingWorker(ContactList& contacts, Reachability& reachability, EventLog& eventLog,
               SettingsShowing settingsShowing = {}, QObject* parent = nullptr);
    ~PingWorker() override;
    Q_DISABLE_COPY_MOVE(PingWorker)

    // Starts a pass; ignored (false) while one runs or the settings dialog shows. An empty
    // list writes the warning "JvThread_Ping: Пустой список пользователей" and checks nothing.
    bool start();

Q_SIGNALS:
    // The contact about to be checked, by its display text (the ping button's hint).
    void checking(const QString& name);

private:
    void checkNext();
    void apply(int index, bool reachable);

    Reachability& m_reachability;
};

} // namespace vantrel
