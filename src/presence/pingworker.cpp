#include "presence/pingworker.h"

#include "contacts/contactlist.h"
#include "core/eventlog.h"
#include "presence/reachability.h"

#include <QMetaObject>

using namespace Qt::StringLiterals;

namespace vantrel {

PingWorker::PingWorker(ContactList& contacts, Reachability& reachability, EventLog& eventLog, QObject* parent)
    : QObject(parent)
    , m_contacts(contacts)
    , m_reachability(reachability)
    , m_eventLog(eventLog)
{}

PingWorker::~PingWorker() = default;

bool PingWorker::start()
{
    if (m_running)
        return false;
    m_running = true;
    Q_EMIT started();
    m_snapshot = m_contacts.snapshot();
    m_next = 0;
    if (m_snapshot->count() == 0) {
        m_eventLog.warning(QLatin1String(kName) + u": Пустой список пользователей"_s);
        // Finish from the event loop, like a pass that probed something, so that every start
        // is answered by finished() after the caller has returned.
        QMetaObject::invokeMethod(this, &PingWorker::finish, Qt::QueuedConnection);
        return true;
    }
    checkNext();
    return true;
}

void PingWorker::checkNext()
{
    // A rebuilt list has reset every mark; the rest of this pass would mark the wrong nodes.
    if (m_contacts.snapshot() != m_snapshot) {
        finish();
        return;
    }
    while (m_next < m_snapshot->count() && m_snapshot->IsGroup(m_next))
        ++m_next;
    if (m_next >= m_snapshot->count()) {
        finish();
        return;
    }
    const int index = m_next++;
    Q_EMIT checking(m_snapshot->displayText(index));
    m_reachability.check(m_snapshot->GetIPFromList(index, m_contacts.sendByIp()), this,
                         [this, index](bool reachable) {
                             apply(index, reachable);
                             checkNext();
                         });
}

void PingWorker::apply(int index, bool reachable)
{
    if (m_contacts.snapshot() != m_snapshot)
        return;
    const int image = m_contacts.imageIndex(index);
    if (reachable && image == ContactListSnapshot::Unreachable)
        m_contacts.setImageIndex(index, ContactListSnapshot::Online);
    else if (!reachable)
        m_contacts.setImageIndex(index, ContactListSnapshot::Unreachable);
}

void PingWorker::finish()
{
    if (!m_running)
        return;
    m_running = false;
    m_snapshot.reset();
    Q_EMIT finished();
}

} // namespace vantrel
