#include "presence/statusreceiver.h"

#include "contacts/contactlist.h"
#include "core/tags.h"
#include "messaging/peerlog.h"
#include "messaging/streamsink.h"

using namespace Qt::StringLiterals;

namespace vantrel {

StatusReceiver::StatusReceiver(ContactList& contacts, PeerLog& log, RequestHandler& others, QObject* parent)
    : QObject(parent)
    , m_contacts(contacts)
    , m_log(log)
    , m_others(others)
{}

void StatusReceiver::statusReceived(const QString& item, const QString& peerIp)
{
    // The sender is the address of the connection (the HOST the listener appended to `item`),
    // taken directly so that a HOST field written by the sender cannot stand in for it.
    const std::shared_ptr<const ContactListSnapshot> snapshot = m_contacts.snapshot();
    const QString nick = snapshot->MyGetNick(peerIp);
    const int index = snapshot->MyGetIndex(nick);
    if (index < 0)
        return;
    const QString codeText = TagValue(u"CODE", item);
    bool ok = false;
    const int code = codeText.trimmed().toInt(&ok);
    if (!ok) {
        m_log.error(peerIp, u"<STATUS>: код статуса не является целым числом: "_s + codeText);
        return;
    }
    // Only 0, 1 and 2 are statuses. Marks 3 and 4 belong to this side (4 makes a node a group,
    // which every later check and broadcast would skip), so a peer may not set them.
    if (code < ContactListSnapshot::Online || code > ContactListSnapshot::DoNotDisturb)
        return;
    m_contacts.setImageIndex(index, code);
    Q_EMIT userStatusChanged(index, nick, code);
}

void StatusReceiver::fileOfferReceived(const QString& line, const QString& peerIp)
{
    m_others.fileOfferReceived(line, peerIp);
}

void StatusReceiver::filesOfferReceived(const QString& body, const QString& peerIp)
{
    m_others.filesOfferReceived(body, peerIp);
}

void StatusReceiver::imageOfferReceived(const QString& line, const QString& peerIp)
{
    m_others.imageOfferReceived(line, peerIp);
}

void StatusReceiver::writeFileReceived(const QString& item, const QString& peerIp)
{
    m_others.writeFileReceived(item, peerIp);
}

std::unique_ptr<StreamSink> StatusReceiver::fileStreamStarting(const QString& line, const QString& peerIp)
{
    return m_others.fileStreamStarting(line, peerIp);
}

} // namespace vantrel
