#include "presence/statusbroadcaster.h"

#include "contacts/contactlist.h"
#include "core/eventlog.h"
#include "core/tags.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"

#include <QMetaObject>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace vantrel {

StatusBroadcaster::StatusBroadcaster(ContactList& contacts, TcpCommandSender& sender, EventLog& eventLog,
                                     SenderName senderName, QObject* parent)
    : QObject(parent)
    , m_contacts(contacts)
    , m_sender(sender)
    , m_eventLog(eventLog)
    , m_senderName(std::move(senderName))
{}

StatusBroadcaster::~StatusBroadcaster() = default;

QString StatusBroadcaster::reportBody(int code, const QString& senderName)
{
    return MakeTag(u"CODE", QString::number(code)) + MakeTag(u"FROM", senderName);
}

void StatusBroadcaster::SetStatus(int code)
{
    m_status = code;
    Q_EMIT statusChanged(code);
    if (m_running)
        return;
    m_running = true;
    Q_EMIT started();
    m_snapshot = m_contacts.snapshot();
    m_next = 0;
    if (m_snapshot->count() == 0) {
        m_eventLog.warning(QLatin1String(kName) + u": Пустой список пользователей"_s);
        QMetaObject::invokeMethod(this, &StatusBroadcaster::finish, Qt::QueuedConnection);
        return;
    }
    m_body = reportBody(code, m_senderName ? m_senderName() : QString());
    sendNext();
}

void StatusBroadcaster::sendNext()
{
    const ContactTree& tree = m_snapshot->tree();
    // Groups with members are skipped; a member-less group is a leaf and is tried (its address,
    // the bracketed name, cannot be reached, so that attempt fails silently).
    while (m_next < m_snapshot->count() &&
           (tree.hasChildren(m_next) || m_snapshot->imageIndex(m_next) == ContactListSnapshot::Unreachable))
        ++m_next;
    if (m_next >= m_snapshot->count()) {
        finish();
        return;
    }
    const int index = m_next++;
    QPointer<StatusBroadcaster> self(this);
    m_sender.sendCommand(m_snapshot->GetIPFromList(index, m_contacts.sendByIp()),
                         ProtocolCodec::Header::Status, false, m_body, [self](bool, const QString&) {
                             if (self)
                                 self->sendNext();
                         });
}

void StatusBroadcaster::finish()
{
    if (!m_running)
        return;
    m_running = false;
    m_snapshot.reset();
    Q_EMIT finished();
}

} // namespace vantrel
