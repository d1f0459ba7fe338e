#pragma once

#include "messaging/requesthandler.h"

#include <QObject>
#include <QString>

namespace vantrel {

class ContactList;
class PeerLog;

// Applies the status reports of peers (`SetUserStatus`) and passes every other status or
// transfer request on to `others`. A report is matched to a contact by the address of the
// connection alone (a contact whose IP field is exactly that address, or whose computer name
// is it); the FROM field is not evaluated. Reports from unknown addresses are dropped without
// a trace; a CODE that is not a whole number is dropped with an Error line.
class StatusReceiver final : public QObject, public RequestHandler {
    Q_OBJECT
public:
    StatusReceiver(ContactList& contacts, PeerLog& log, RequestHandler& others, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(StatusReceiver)

    void statusReceived(const QString& item, const QString& peerIp) override;
    void fileOfferReceived(const QString& line, const QString& peerIp) override;
    void filesOfferReceived(const QString& body, const QString& peerIp) override;
    void imageOfferReceived(const QString& line, const QString& peerIp) override;
    void writeFileReceived(const QString& item, const QString& peerIp) override;
    std::unique_ptr<StreamSink> fileStreamStarting(const QString& line, const QString& peerIp) override;

Q_SIGNALS:
    // A contact's status changed by a report (`SetFormIcon`): its node, display name and code.
    void userStatusChanged(int index, const QString& displayName, int code);

private:
    ContactList& m_contacts;
    PeerLog& m_log;
    RequestHandler& m_others;
};

} // namespace vantrel
