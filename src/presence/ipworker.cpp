#include "presence/ipworker.h"

#include "contacts/contactlist.h"
#include "core/eventlog.h"
#include "presence/networkprobes.h"

#include <QMetaObject>

using namespace Qt::StringLiterals;

namespace vantrel {

IpWorker::IpWorker(ContactList& contacts, NetworkProbes& probes, EventLog& eventLog, QObject* parent)
    : QObject(parent)
    , m_contacts(contacts)
    , m_probes(probes)
    , m_eventLog(eventLog)
{}

IpWorker::~IpWorker() = default;

bool IpWorker::start()
{
    if (m_running)
        return false;
    m_running = true;
    Q_EMIT started();
    m_snapshot = m_contacts.snapshot();
    m_next = 0;
    if (m_snapshot->count() == 0) {
        m_eventLog.warning(QLatin1String(kName) + u": Пустой список пользователей"_s);
        QMetaObject::invokeMethod(this, &IpWorker::finish, Qt::QueuedConnection);
        return true;
    }
    resolveNext();
    return true;
}

void IpWorker::resolveNext()
{
    // A list rebuilt meanwhile is another list: this pass ends.
    if (m_contacts.snapshot() != m_snapshot) {
        finish();
        return;
    }
    const auto skipped = [this](int index) {
        return m_snapshot->IsGroup(index) || ContactList::IsTextGroup(m_snapshot->compName(index)) ||
               m_snapshot->refIp(index) != u"1"_s;
    };
    while (m_next < m_snapshot->count() && skipped(m_next))
        ++m_next;
    if (m_next >= m_snapshot->count()) {
        finish();
        return;
    }
    const int index = m_next++;
    m_probes.GetIPByName(
        m_snapshot->compName(index), this, [this, index](bool found, const QString& address) {
            if (m_contacts.snapshot() != m_snapshot) {
                finish();
                return;
            }
            if (found && address != m_snapshot->ip(index) && m_contacts.setContactAddress(index, address))
                m_snapshot = m_contacts.snapshot();
            resolveNext();
        });
}

void IpWorker::finish()
{
    if (!m_running)
        return;
    m_running = false;
    m_snapshot.reset();
    Q_EMIT finished();
}

} // namespace vantrel
