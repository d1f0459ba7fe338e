#include "presence/pingworker.h"

#include "contacts/contactlist.h"
#include "presence/reachability.h"

namespace vantrel {

PingWorker::PingWorker(ContactList& contacts, Reachability& reachability, EventLog& eventLog,
                       SettingsShowing settingsShowing, QObject* parent)
    : ContactPass(contacts, eventLog, kName, StopOnRebuild::Yes, std::move(settingsShowing), parent)
    , m_reachability(reachability)
{}

PingWorker::~PingWorker() = default;

bool PingWorker::start()
{
    const Begin begin = beginPass();
    if (begin == Begin::Ready)
        checkNext();
    return begin == Begin::Ready || begin == Begin::Empty;
}

void PingWorker::checkNext()
{
    const int index = nextIndex([this](int i) { return !list().IsGroup(i); });
    if (index < 0)
        return;
    Q_EMIT checking(list().displayText(index));
    m_reachability.check(list().GetIPFromList(index, m_contacts.sendByIp()), this,
                         [this, index](bool reachable) {
                             apply(index, reachable);
                             checkNext();
                         });
}

void PingWorker::apply(int index, bool reachable)
{
    if (listChanged())
        return;
    const int image = m_contacts.imageIndex(index);
    if (reachable && image == ContactListSnapshot::Unreachable)
        m_contacts.setImageIndex(index, ContactListSnapshot::Online);
    else if (!reachable)
        m_contacts.setImageIndex(index, ContactListSnapshot::Unreachable);
}

} // namespace vantrel
