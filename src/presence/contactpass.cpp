#include "presence/contactpass.h"

#include "contacts/contactlist.h"
#include "core/eventlog.h"

#include <QMetaObject>

using namespace Qt::StringLiterals;

namespace vantrel {

ContactPass::ContactPass(ContactList& contacts, EventLog& eventLog, const char* workerName,
                         StopOnRebuild stop, SettingsShowing settingsShowing, QObject* parent)
    : QObject(parent)
    , m_contacts(contacts)
    , m_eventLog(eventLog)
    , m_workerName(workerName)
    , m_stopOnRebuild(stop)
    , m_settingsShowing(std::move(settingsShowing))
{}

ContactPass::~ContactPass() = default;

ContactPass::Begin ContactPass::beginPass()
{
    if (m_running)
        return Begin::Busy;
    if (m_settingsShowing && m_settingsShowing())
        return Begin::Held;
    m_running = true;
    Q_EMIT started();
    m_snapshot = m_contacts.snapshot();
    m_next = 0;
    if (m_snapshot->count() == 0) {
        m_eventLog.warning(QLatin1String(m_workerName) + u": Пустой список пользователей"_s);
        // Finish from the event loop, like a pass that probed something, so that every start
        // is answered by finished() after the caller has returned.
        QMetaObject::invokeMethod(this, &ContactPass::finish, Qt::QueuedConnection);
        return Begin::Empty;
    }
    return Begin::Ready;
}

int ContactPass::nextIndex(const std::function<bool(int index)>& wanted)
{
    if (!m_running)
        return -1;
    // A rebuilt list has other nodes and reset marks; the rest of the pass would act on the
    // wrong contacts.
    if (listChanged()) {
        if (m_stopOnRebuild == StopOnRebuild::Yes) {
            finish();
            return -1;
        }
    } else {
        m_snapshot = m_contacts.snapshot();
    }
    while (m_next < m_snapshot->count() && !wanted(m_next))
        ++m_next;
    if (m_next >= m_snapshot->count()) {
        finish();
        return -1;
    }
    return m_next++;
}

bool ContactPass::listChanged() const
{
    return !m_snapshot || m_contacts.snapshot()->generation() != m_snapshot->generation();
}

void ContactPass::finish()
{
    if (!m_running)
        return;
    m_running = false;
    m_snapshot.reset();
    Q_EMIT finished();
}

} // namespace vantrel
