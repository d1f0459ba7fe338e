#include "messaging/messageprocessor.h"

#include "core/tags.h"
#include "messaging/blacklist.h"
#include "messaging/contactlookup.h"
#include "messaging/historylog.h"
#include "messaging/messaginghost.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"
#include "platform/soundplayer.h"
#include "platform/speaker.h"
#include "settings/settings.h"

using namespace Qt::StringLiterals;

namespace vantrel {

MessageProcessor::MessageProcessor(Settings& settings, ContactLookup& contacts, MessagingHost& host,
                                   HistoryLog& history, TcpCommandSender& commands, Speaker& speaker,
                                   SoundPlayer& sound)
    : m_settings(settings)
    , m_contacts(contacts)
    , m_host(host)
    , m_history(history)
    , m_commands(commands)
    , m_speaker(speaker)
    , m_sound(sound)
{}

QString MessageProcessor::timeOf(const QString& date)
{
    const qsizetype blank = date.indexOf(u' ');
    return blank < 0 ? date : date.mid(blank + 1);
}

QString MessageProcessor::senderKey(const QString& peerIp, const QString& from)
{
    return peerIp + u'\n' + from.toCaseFolded();
}

QString MessageProcessor::pendingPieces(const QString& peerIp, const QString& from) const
{
    return m_pieces.value(senderKey(peerIp, from.left(MaxSenderChars))).text;
}

void MessageProcessor::process(const QString& queuedMessage, const QString& peerIp)
{
    processFields(TagValue(u"FROM", queuedMessage), TagValue(u"DATE", queuedMessage),
                  TagValue(u"MESSAGE", queuedMessage), peerIp);
}

void MessageProcessor::processFields(const QString& fullFrom, const QString& givenDate, const QString& text,
                                     const QString& peerIp)
{
    const auto& config = m_settings.fmConfig;
    const QString from = fullFrom.left(MaxSenderChars);
    const QString date = givenDate.isEmpty() ? m_history.nowText() : givenDate;

    if (IsInBlackList(config.ListBox_BlackList_Items.value(), from)) {
        m_commands.answer(from, ProtocolCodec::Header::InBlackList);
        return;
    }

    const QString key = senderKey(peerIp, from);
    if (text.endsWith(ContinuationMark)) {
        auto it = m_pieces.find(key);
        if (it == m_pieces.end()) {
            if (m_pieces.size() >= MaxPendingSenders)
                presentOldestPieces();
            it = m_pieces.insert(key, {from, {}, m_nextOrder++});
        }
        it->text += QStringView(text).chopped(ContinuationMark.size());
        if (it->text.size() >= MaxJoinedChars) {
            const QString joined = std::move(it->text);
            m_pieces.erase(it);
            present(from, date, joined);
        }
        return;
    }
    present(from, date, m_pieces.take(key).text + text);
}

void MessageProcessor::presentOldestPieces()
{
    auto oldest = m_pieces.begin();
    for (auto it = m_pieces.begin(); it != m_pieces.end(); ++it) {
        if (it->order < oldest->order)
            oldest = it;
    }
    const Pieces pieces = std::move(oldest.value());
    m_pieces.erase(oldest);
    // Without the receiver's date of its last piece, the date of the text that pushed it out.
    present(pieces.from, m_history.nowText(), pieces.text);
}

void MessageProcessor::present(const QString& from, const QString& date, const QString& fullText)
{
    const auto& config = m_settings.fmConfig;
    const QString contact = m_contacts.nickFor(from);
    const QString time = timeOf(date);

    m_host.showPopupForm(contact, !config.CheckBox_Popup_Checked.value());
    const QString title = contact + u" ["_s + time + u"]:"_s;
    m_host.addPopupLine(contact, title, MessagingHost::Navy, true);
    m_host.addPopupLine(contact, fullText, MessagingHost::Navy, false);
    m_host.messagePresented(contact, time, fullText);

    if (config.dxCheckbox_History_Checked.value())
        m_history.addReceived(contact, date, fullText);

    if (config.dxCheckbox_Notifications_Checked.value())
        m_host.showBalloon(title, fullText, MessagingHost::BalloonLevel::None);
    if (config.dxCheckbox_SpeakerSound_Checked.value())
        m_speaker.beep(500, 100);
    if (config.dxCheckbox_PlaySound_Checked.value())
        m_sound.play(config.FilenameEdit_PlaySound_FileName.value());
}

} // namespace vantrel
