#include "messaging/oneshotsender.h"

#include "core/utilities.h"
#include "messaging/messagesender.h"
#include "messaging/messaginghost.h"
#include "messaging/messengersender.h"
#include "messaging/nocontacts.h"
#include "messaging/outgoingrequest.h"
#include "messaging/protocolcodec.h"

#include <QEventLoop>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Collects what the program would show, as the one-line reason of a failed send.
class CollectingHost final : public MessagingHost {
public:
    CollectingHost() = default;
    Q_DISABLE_COPY_MOVE(CollectingHost)

    void showPopupForm(const QString&, bool) override {}
    void addPopupLine(const QString&, const QString&, quint32, bool) override {}
    void showPopupError(const QString&, const QString& text) override { failures.append(text); }
    void showBalloon(const QString&, const QString& text, BalloonLevel) override { failures.append(text); }
    void setCaption(const QString&) override {}
    void hideMainWindow() override {}
    void messagePresented(const QString&, const QString&, const QString&) override {}

    QStringList failures;
};

} // namespace

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

OneShotSender::Result OneShotSender::sendThroughMessenger(const QString& targets, const QString& text,
                                                          MessengerTransport& transport,
                                                          const MessengerPieceRules& rules)
{
    if (text.trimmed().isEmpty())
        return {false, u"пустой текст сообщения"_s};
    const QStringList hosts = SplitToList(targets, u';');
    if (hosts.isEmpty())
        return {false, u"не указано сетевое имя"_s};
    CollectingHost reports;
    NoContacts contacts;
    MessengerSender sender(transport, contacts, reports, rules, [this] { return m_senderName; });
    QEventLoop loop;
    int pending = int(hosts.size());
    bool ok = true;
    QObject::connect(&sender, &MessengerSender::messageFinished, &loop, [&](const QString&, bool sent) {
        ok = ok && sent;
        if (--pending == 0)
            loop.quit();
    });
    for (const QString& target : hosts)
        sender.MySendMultiLineMessage(target, ProtocolCodec::withCrLf(text));
    loop.exec();
    if (ok)
        return {true, {}};
    return {false, reports.failures.join(u"; "_s)};
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
