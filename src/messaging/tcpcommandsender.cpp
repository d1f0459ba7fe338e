#include "messaging/tcpcommandsender.h"

#include "messaging/contactlookup.h"
#include "messaging/messaginghost.h"
#include "messaging/outgoingrequest.h"

using namespace Qt::StringLiterals;

namespace vantrel {

TcpCommandSender::TcpCommandSender(OutgoingConfig config, ContactLookup& contacts, MessagingHost& host,
                                   QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_contacts(contacts)
    , m_host(host)
{}

QString TcpCommandSender::errorText(const QString& contact, const QString& reason)
{
    return u"Ошибка при передаче на "_s + contact + u"\r\n"_s + reason;
}

void TcpCommandSender::sendCommand(const QString& host, QAnyStringView header, bool showErrors,
                                   const QString& body, Completion done)
{
    sendBytes(host, ProtocolCodec::buildRequest(header, body),
              [this, host, showErrors, done = std::move(done)](bool ok, const QString& error) {
                  if (!ok && showErrors)
                      m_host.showBalloon(u"Vantrel"_s, errorText(m_contacts.nickFor(host), error),
                                         MessagingHost::BalloonLevel::Error);
                  if (done)
                      done(ok, error);
              });
}

void TcpCommandSender::sendBytes(const QString& host, QByteArray request, Completion done)
{
    auto* outgoing = new OutgoingRequest(host, std::move(request), m_config, this);
    ++m_pending;
    connect(outgoing, &OutgoingRequest::finished, this,
            [this, outgoing, done = std::move(done)](bool ok, const QString& error) {
                --m_pending;
                outgoing->deleteLater();
                if (done)
                    done(ok, error);
            });
    outgoing->start();
}

} // namespace vantrel
