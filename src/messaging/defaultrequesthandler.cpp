#include "messaging/defaultrequesthandler.h"

#include "core/tags.h"
#include "messaging/peerlog.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"

using namespace Qt::StringLiterals;

namespace vantrel {

namespace Codec = ProtocolCodec;

DefaultRequestHandler::DefaultRequestHandler(PeerLog& log, TcpCommandSender* refuseWith)
    : m_log(log)
    , m_refuseWith(refuseWith)
{}

void DefaultRequestHandler::logReceived(const QString& peerIp, QAnyStringView header, bool refused)
{
    m_log.information(peerIp, u"запрос "_s + header.toString() +
                                  u" получен; его обработка пока не поддерживается"_s +
                                  (refused ? u", отправлен отказ"_s : QString()));
}

void DefaultRequestHandler::statusReceived(const QString& /*item*/, const QString& peerIp)
{
    logReceived(peerIp, Codec::Header::Status, false);
}

void DefaultRequestHandler::fileOfferReceived(const QString& line, const QString& peerIp)
{
    logReceived(peerIp, Codec::Header::QueryFile, m_refuseWith != nullptr);
    if (m_refuseWith)
        m_refuseWith->answer(peerIp, Codec::Header::NoAcceptFile, MakeTag(u"FILE", TagValue(u"FILE", line)));
}

void DefaultRequestHandler::filesOfferReceived(const QString& /*body*/, const QString& peerIp)
{
    logReceived(peerIp, Codec::Header::QueryFiles, m_refuseWith != nullptr);
    if (m_refuseWith)
        m_refuseWith->answer(peerIp, Codec::Header::NoAcceptFiles);
}

void DefaultRequestHandler::imageOfferReceived(const QString& /*line*/, const QString& peerIp)
{
    logReceived(peerIp, Codec::Header::Image, m_refuseWith != nullptr);
    if (m_refuseWith)
        m_refuseWith->answer(peerIp, Codec::Header::NoAcceptImage);
}

void DefaultRequestHandler::writeFileReceived(const QString& /*item*/, const QString& peerIp)
{
    logReceived(peerIp, Codec::Header::WriteFile, false);
}

std::unique_ptr<StreamSink> DefaultRequestHandler::fileStreamStarting(const QString& /*line*/,
                                                                      const QString& peerIp)
{
    logReceived(peerIp, Codec::Header::File, false);
    return nullptr;
}

} // namespace vantrel
