#pragma once

#include "messaging/requesthandler.h"

#include <QAnyStringView>

namespace vantrel {

class PeerLog;
class TcpCommandSender;

// Stands in for status exchange and file transfer where a messaging engine runs without them
// (tools, tests): each request is logged as received (an Information line) and otherwise
// dropped. With a sender given, offers are refused at once with the matching answer; without
// one they stay unanswered.
class DefaultRequestHandler final : public RequestHandler {
public:
    explicit DefaultRequestHandler(PeerLog& log, TcpCommandSender* refuseWith = nullptr);
    Q_DISABLE_COPY_MOVE(DefaultRequestHandler)

    void statusReceived(const QString& item, const QString& peerIp) override;
    void fileOfferReceived(const QString& line, const QString& peerIp) override;
    void filesOfferReceived(const QString& body, const QString& peerIp) override;
    void imageOfferReceived(const QString& line, const QString& peerIp) override;
    void writeFileReceived(const QString& item, const QString& peerIp) override;
    std::unique_ptr<StreamSink> fileStreamStarting(const QString& line, const QString& peerIp) override;

private:
    void logReceived(const QString& peerIp, QAnyStringView header, bool refused);

    PeerLog& m_log;
    TcpCommandSender* m_refuseWith;
};

} // namespace vantrel
