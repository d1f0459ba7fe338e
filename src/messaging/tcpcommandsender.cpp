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
    Queued queued{host, std::move(request), std::move(done)};
    if (m_pending >= MaxInFlight || !m_queue.empty()) {
        m_queue.push_back(std::move(queued));
        return;
    }
    start(std::move(queued));
}

void TcpCommandSender::start(Queued request)
{
    auto* outgoing = new OutgoingRequest(request.host, std::move(request.request), m_config, this);
    ++m_pending;
    connect(outgoing, &OutgoingRequest::finished, this,
            [this, outgoing, done = std::move(request.done)](bool ok, const QString& error) {
                --m_pending;
                outgoing->deleteLater();
                if (done)
                    done(ok, error);
                startQueued();
            });
    outgoing->start();
}

void TcpCommandSender::startQueued()
{
    while (m_pending < MaxInFlight && !m_queue.empty()) {
        Queued next = std::move(m_queue.front());
        m_queue.pop_front();
        start(std::move(next));
    }
}

bool TcpCommandSender::answer(const QString& host, QAnyStringView header, const QString& body)
{
    // Addresses answered long enough ago are forgotten, so the table stays small.
    for (auto it = m_lastAnswer.begin(); it != m_lastAnswer.end();) {
        if (it->elapsed() >= AnswerIntervalMs && !m_answering.contains(it.key()))
            it = m_lastAnswer.erase(it);
        else
            ++it;
    }
    const QString key = host.trimmed().toCaseFolded();
    if (m_answersInFlight >= MaxAnswersInFlight || m_answering.contains(key) || m_lastAnswer.contains(key)) {
        ++m_droppedAnswers;
        return false;
    }
    m_lastAnswer[key].start();
    m_answering[key] = 1;
    ++m_answersInFlight;
    sendBytes(host, ProtocolCodec::buildRequest(header, body), [this, key](bool, const QString&) {
        --m_answersInFlight;
        m_answering.remove(key);
    });
    return true;
}

} // namespace vantrel
