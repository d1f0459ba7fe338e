#include "messaging/messagesender.h"

#include "core/utilities.h"
#include "messaging/contactlookup.h"
#include "messaging/historylog.h"
#include "messaging/messaginghost.h"
#include "messaging/messengersender.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"
#include "settings/settings.h"

#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {

MessageSender::MessageSender(Settings& settings, ContactLookup& contacts, MessagingHost& host,
                             HistoryLog& history, TcpCommandSender& commands, LocalNames localNames,
                             QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_contacts(contacts)
    , m_host(host)
    , m_history(history)
    , m_commands(commands)
    , m_localNames(std::move(localNames))
{}

QString MessageSender::failureText(const QString& contact)
{
    return u"Ошибка при передаче сообщения на "_s + contact + u'.';
}

bool MessageSender::isGroupAddress(const QString& address)
{
    return address.endsWith(u'*');
}

QString MessageSender::senderName() const
{
    if (m_senderNameSource)
        return m_senderNameSource();
    const auto& config = m_settings.fmConfig;
    return config.dxCheckbox_From_Checked.value() ? config.Edit_From_Text.value() : m_localNames.computerName;
}

void MessageSender::setMessenger(MessengerSender* messenger)
{
    if (m_messenger)
        disconnect(m_messenger, nullptr, this, nullptr);
    m_messenger = messenger;
    if (m_messenger)
        connect(m_messenger, &MessengerSender::messageFinished, this, &MessageSender::sendFinished);
}

bool MessageSender::usesTcp() const
{
    return m_messenger == nullptr || m_settings.fmConfig.dxCheckbox_TCPMessage_Checked.value();
}

int MessageSender::sendsInProgress() const
{
    return m_inProgress + (m_messenger ? m_messenger->messagesInProgress() : 0);
}

MessageSender::Recipients MessageSender::addressList(const QString& typedText) const
{
    Recipients recipients;
    if (typedText == u'<' + AllNetworkCaption + u'>') {
        recipients.displayText = AllNetworkCaption.toString();
        for (const QString& group : m_networkGroups)
            recipients.addresses.append(group + u'*');
    } else {
        recipients.displayText = typedText;
        const QStringList names = SplitToList(typedText, u';');
        for (const QString& name : names) {
            const int index = m_contacts.indexOf(name);
            recipients.addresses.append(index >= 0 ? m_contacts.addressOf(index) : name);
        }
    }
    m_displayText = recipients.displayText;
    return recipients;
}

std::optional<MessageSender::Recipients> MessageSender::chooseRecipients(const QString& address,
                                                                         bool makeRecipient)
{
    QString typed = address;
    bool fromTree = false;
    if (m_source) {
        if (makeRecipient)
            m_source->R_Answer(address);
        fromTree = m_source->hasSelectedItem();
        if (!fromTree)
            typed = m_source->recipientText();
    }
    if (!fromTree && typed.trimmed().isEmpty()) {
        m_host.showBalloon(u"Vantrel"_s, u"Не указано сетевое имя !"_s, MessagingHost::BalloonLevel::Error);
        if (m_source)
            m_source->focusRecipientField();
        return std::nullopt;
    }
    // The display text is the recipient text as typed; only the pieces are trimmed.
    Recipients recipients;
    if (fromTree) {
        recipients = m_source->treeAddressList();
        m_displayText = recipients.displayText;
    } else {
        recipients = addressList(typed);
    }
    if (!fromTree && recipients.addresses.isEmpty() && typed == u'<' + AllNetworkCaption + u'>') {
        // No network group can be addressed: say so rather than send nothing silently.
        const QString contact = m_contacts.nickFor(typed);
        m_host.showPopupError(contact, failureText(contact));
    }
    return recipients;
}

void MessageSender::recipientsHandled()
{
    if (m_source)
        m_source->messageHandled();
}

void MessageSender::sendMessage(const QString& address, const QString& rawText)
{
    if (rawText.trimmed().isEmpty())
        return;
    const auto& config = m_settings.fmConfig;
    const std::optional<Recipients> chosen = chooseRecipients(address);
    if (!chosen)
        return;
    const Recipients& recipients = *chosen;
    // Line breaks travel and are recorded as CR LF, whatever the editor produced.
    const QString text = ProtocolCodec::withCrLf(rawText);
    const bool onlyOne = recipients.addresses.size() == 1;
    const bool tcp = usesTcp();
    for (const QString& recipient : recipients.addresses) {
        // The entry is written when the send starts, whether or not it succeeds.
        if (config.dxCheckbox_History_Checked.value())
            m_history.addSent(m_contacts.nickFor(recipient), m_localNames.userName, m_history.nowText(),
                              text);
        if (tcp)
            sendTo(recipient, text, onlyOne);
        else
            m_messenger->MySendMultiLineMessage(recipient, text);
    }
    if (config.dxCheckbox_Clear_Checked.value())
        m_recent.add(text);
    recipientsHandled();
}

void MessageSender::sendTo(const QString& address, const QString& text, bool onlyOne)
{
    ++m_inProgress;
    if (onlyOne)
        m_host.setCaption(u"Vantrel - передача сообщения..."_s);
    if (isGroupAddress(address)) {
        // Group names reach computers only through a transport this system lacks; fail at once
        // (from the event loop, like every other outcome) instead of waiting for the resolver.
        QTimer::singleShot(0, this, [this, address, onlyOne] { finishSend(address, onlyOne, false); });
        return;
    }
    const QByteArray request = ProtocolCodec::buildRequest(ProtocolCodec::Header::Message,
                                                           ProtocolCodec::messageBody(senderName(), text));
    m_commands.sendBytes(address, request, [this, address, onlyOne](bool ok, const QString&) {
        finishSend(address, onlyOne, ok);
    });
}

void MessageSender::finishSend(const QString& address, bool onlyOne, bool ok)
{
    --m_inProgress;
    const auto& config = m_settings.fmConfig;
    if (onlyOne)
        m_host.setCaption(u"Vantrel"_s);
    if (!ok) {
        const QString contact = m_contacts.nickFor(address);
        m_host.showPopupError(contact, failureText(contact));
    } else if (onlyOne) {
        if (config.dxCheckbox_AutoAddUser_Checked.value() && !IsIPAddress(address))
            m_contacts.addFavorite(address);
        if (config.dxCheckbox_Min_Checked.value())
            m_host.hideMainWindow();
    }
    Q_EMIT sendFinished(address, ok);
}

void MessageSender::sendBeep(const QString& address)
{
    m_commands.sendCommand(address, ProtocolCodec::Header::Beep, true);
}

} // namespace vantrel
