#include "presence/statusbroadcaster.h"

#include "contacts/contactlist.h"
#include "core/tags.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace vantrel {

StatusBroadcaster::StatusBroadcaster(ContactList& contacts, TcpCommandSender& sender, EventLog& eventLog,
                                     SenderName senderName, SettingsShowing settingsShowing, QObject* parent)
    : ContactPass(contacts, eventLog, kName, StopOnRebuild::No, std::move(settingsShowing), parent)
    , m_sender(sender)
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
    // A change while a broadcast runs is not sent: that broadcast carries its own code. Nor is
    // one while the settings dialog is showing; peers learn it with the next change.
    if (beginPass() != Begin::Ready)
        return;
    m_body = reportBody(code, m_senderName ? m_senderName() : QString());
    sendNext();
}

void StatusBroadcaster::sendNext()
{
    // Groups with members are skipped; a member-less group is a leaf and is tried (its address,
    // the bracketed name, cannot be reached, so that attempt fails silently).
    const int index = nextIndex([this](int i) {
        return !list().tree().hasChildren(i) && list().imageIndex(i) != ContactListSnapshot::Unreachable;
    });
    if (index < 0)
        return;
    QPointer<StatusBroadcaster> self(this);
    m_sender.sendCommand(list().GetIPFromList(index, m_contacts.sendByIp()), ProtocolCodec::Header::Status,
                         false, m_body, [self](bool, const QString&) {
                             if (self)
                                 self->sendNext();
                         });
}

} // namespace vantrel
