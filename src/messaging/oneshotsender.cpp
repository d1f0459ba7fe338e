#include "messaging/oneshotsender.h"

#include "core/utilities.h"
#include "messaging/messagesender.h"
#include "messaging/outgoingrequest.h"
#include "messaging/protocolcodec.h"

#include <QEventLoop>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace vantrel {

OneShotSender::OneShotSender(OutgoingConfig config, QString senderName)
    : m_config(std::move(config))
    , m_senderName(std::move(senderName))
{}

OneShotSender::Result OneShotSender::sendMessage(const QString& targets, const QString& text)
{
    if (text.trimmed().isEmpty())
        return {false, u"пустой текст сообщения"_s};
    return send(targets, ProtocolCodec::buildRequest(
                             ProtocolCodec::Header::Message,
                             ProtocolCodec::messageBody(m_senderName, ProtocolCodec::withCrLf(text))));
}

OneShotSender::Result OneShotSender::sendBeep(const QString& targets)
{
    return send(targets, ProtocolCodec::buildRequest(ProtocolCodec::Header::Beep));
}

OneShotSender::Result OneShotSender::send(const QString& targets, const QByteArray& request)
{
    const QStringList hosts = SplitToList(targets, u';');
    if (hosts.isEmpty())
        return {false, u"не указано сетевое имя"_s};
    QStringList failures;
    QEventLoop loop;
    int pending = 0;
    for (const QString& host : hosts) {
        if (MessageSender::isGroupAddress(host)) {
            failures.append(host + u": рабочие группы недоступны по TCP"_s);
            continue;
        }
        auto* outgoing = new OutgoingRequest(host, request, m_config, &loop);
        ++pending;
        QObject::connect(outgoing, &OutgoingRequest::finished, &loop,
                         [&, host](bool ok, const QString& error) {
                             if (!ok)
                                 failures.append(host + u": "_s + error);
                             if (--pending == 0)
                                 loop.quit();
                         });
        outgoing->start();
    }
    if (pending > 0)
        loop.exec();
    if (failures.isEmpty())
        return {true, {}};
    return {false, failures.join(u"; "_s)};
}

} // namespace vantrel
