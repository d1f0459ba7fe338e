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

void MessageProcessor::process(const QString& queuedMessage)
{
    const auto& config = m_settings.fmConfig;
    const QString from = TagValue(u"FROM", queuedMessage);
    const QString date = TagValue(u"DATE", queuedMessage);
    const QString text = TagValue(u"MESSAGE", queuedMessage);

    if (IsInBlackList(config.ListBox_BlackList_Items.value(), from)) {
        m_commands.sendCommand(from, ProtocolCodec::Header::InBlackList, false);
        return;
    }

    const QString contact = m_contacts.nickFor(from);
    const QString time = timeOf(date);

    if (text.endsWith(ContinuationMark)) {
        m_multiLine += text.chopped(ContinuationMark.size());
        return;
    }
    const QString fullText = m_multiLine + text;

    m_host.showPopupForm(contact, !config.CheckBox_Popup_Checked.value());
    const QString title = contact + u" ["_s + time + u"]:"_s;
    m_host.addPopupLine(contact, title, MessagingHost::Navy, true);
    m_host.addPopupLine(contact, fullText, MessagingHost::Navy, false);
    m_host.messagePresented(contact, time, fullText);

    if (config.dxCheckbox_History_Checked.value())
        m_history.addReceived(contact, date, fullText);

    m_multiLine.clear();

    if (config.dxCheckbox_Notifications_Checked.value())
        m_host.showBalloon(title, fullText, MessagingHost::BalloonLevel::None);
    if (config.dxCheckbox_SpeakerSound_Checked.value())
        m_speaker.beep(500, 100);
    if (config.dxCheckbox_PlaySound_Checked.value())
        m_sound.play(config.FilenameEdit_PlaySound_FileName.value());
}

} // namespace vantrel
