#include "presence/ipworker.h"

#include "contacts/contactlist.h"
#include "presence/networkprobes.h"

using namespace Qt::StringLiterals;

namespace vantrel {

IpWorker::IpWorker(ContactList& contacts, NetworkProbes& probes, EventLog& eventLog,
                   SettingsShowing settingsShowing, QObject* parent)
    : ContactPass(contacts, eventLog, kName, StopOnRebuild::Yes, std::move(settingsShowing), parent)
    , m_probes(probes)
{}

IpWorker::~IpWorker() = default;

bool IpWorker::start()
{
    const Begin begin = beginPass();
    if (begin == Begin::Ready)
        resolveNext();
    return begin == Begin::Ready || begin == Begin::Empty;
}

void IpWorker::resolveNext()
{
    const int index = nextIndex([this](int i) {
        return !list().IsGroup(i) && !ContactList::IsTextGroup(list().compName(i)) &&
               list().refIp(i) == u"1"_s;
    });
    if (index < 0)
        return;
    m_probes.GetIPByName(list().compName(index), this, [this, index](bool found, const QString& address) {
        // A list rebuilt meanwhile is another list: this pass ends.
        if (listChanged()) {
            finish();
            return;
        }
        if (found && address != list().ip(index))
            m_contacts.setContactAddress(index, address);
        resolveNext();
    });
}

} // namespace vantrel
