#pragma once

#include "contacts/contactlistsnapshot.h"

#include <QObject>

#include <functional>
#include <memory>

namespace vantrel {

class ContactList;
class EventLog;

// The skeleton the presence workers share: one pass over the contact list as it stood when
// the pass began, one contact after another, on the thread of this object. A start while a
// pass runs is ignored, and so is a start while the settings dialog is showing (the list is
// edited there); an empty list writes the worker's "Пустой список пользователей" warning and
// the pass finishes from the event loop.
class ContactPass : public QObject {
    Q_OBJECT
public:
    // Whether the settings dialog is showing; empty: never.
    using SettingsShowing = std::function<bool()>;

    ~ContactPass() override;
    Q_DISABLE_COPY_MOVE(ContactPass)

    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void started();
    void finished();

protected:
    enum class StopOnRebuild { No, Yes };
    ContactPass(ContactList& contacts, EventLog& eventLog, const char* workerName, StopOnRebuild stop,
                SettingsShowing settingsShowing, QObject* parent);

    enum class Begin {
        Busy,  // a pass runs: nothing started
        Held,  // the settings dialog is showing: nothing started
        Empty, // the list is empty: warned, finishing
        Ready  // the pass has begun: go through the contacts with nextIndex()
    };
    Begin beginPass();
    // The next contact of the pass for which `wanted` holds, or -1 once the pass is over (it
    // has then finished). With StopOnRebuild::Yes a list rebuilt meanwhile ends the pass; new
    // addresses of the same list (the IP refresh) are taken and the pass goes on.
    int nextIndex(const std::function<bool(int index)>& wanted);
    // Whether the list has been rebuilt since the pass began (other nodes, reset marks).
    bool listChanged() const;
    void finish();

    const ContactListSnapshot& list() const { return *m_snapshot; }
    ContactList& m_contacts;

private:
    EventLog& m_eventLog;
    const char* m_workerName;
    StopOnRebuild m_stopOnRebuild;
    SettingsShowing m_settingsShowing;
    std::shared_ptr<const ContactListSnapshot> m_snapshot;
    int m_next = 0;
    bool m_running = false;
};

} // namespace vantrel
