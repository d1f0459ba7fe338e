#include "messaging/dispatcher.h"

#include "core/datetimetext.h"
#include "core/eventlog.h"
#include "core/tags.h"
#include "messaging/blacklist.h"
#include "messaging/contactlookup.h"
#include "messaging/messageprocessor.h"
#include "messaging/messaginghost.h"
#include "messaging/peerlog.h"
#include "messaging/requesthandler.h"
#include "messaging/tcpcommandsender.h"
#include "platform/soundplayer.h"
#include "platform/speaker.h"
#include "settings/settings.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vantrel {

using ProtocolCodec::RequestKind;
using Level = MessagingHost::BalloonLevel;

Dispatcher::Dispatcher(Settings& settings, ContactLookup& contacts, MessagingHost& host, PeerLog& log,
                       TcpCommandSender& commands, MessageProcessor& messages, Speaker& speaker,
                       SoundPlayer& sound, RequestHandler& handler)
    : m_settings(settings)
    , m_contacts(contacts)
    , m_host(host)
    , m_log(log)
    , m_commands(commands)
    , m_messages(messages)
    , m_speaker(speaker)
    , m_sound(sound)
    , m_handler(&handler)
{}

bool Dispatcher::wantsHostNames() const
{
    // Address entries are checked without a name; only computer names need a lookup.
    const QStringList& blackList = m_settings.fmConfig.ListBox_BlackList_Items.value();
    return std::any_of(blackList.cbegin(), blackList.cend(),
                       [](const QString& entry) { return !BlackListAddress(entry).has_value(); });
}

bool Dispatcher::admitPeer(const QString& peerIp, const QString& hostName)
{
    // The settings dialog replaces the list in one assignment on OK, on this thread: a peer is
    // checked against the old list or the new one, never a mix.
    const QStringList& blackList = m_settings.fmConfig.ListBox_BlackList_Items.value();
    // Peers are listed by computer name, or by address; a resolver may give the full domain
    // name.
    const QString shortName = hostName.section(u'.', 0, 0);
    const bool refused =
        IsAddressInBlackList(blackList, peerIp) ||
        (!hostName.isEmpty() && (IsInBlackList(blackList, hostName) || IsInBlackList(blackList, shortName)));
    if (!refused)
        return true;
    m_commands.answer(peerIp, ProtocolCodec::Header::InBlackList);
    return false;
}

void Dispatcher::dispatch(const ReceivedRequest& request)
{
    const QString& peerIp = request.peerIp;
    const auto nick = [&] { return m_contacts.nickFor(peerIp); };
    switch (request.kind) {
    case RequestKind::Message:
        // The receiver's DATE goes last: a DATE the sender put into the body comes first and wins.
        m_messages.process(
            request.bodyText() + MakeTag(u"DATE", DateTimeText(m_log.eventLog().writer().now())), peerIp);
        break;
    case RequestKind::Beep:
        m_speaker.beep(500, 100);
        m_sound.play(m_settings.fmConfig.FilenameEdit_PlaySound_FileName.value());
        break;
    case RequestKind::InBlackList:
        m_host.showBalloon(u"Vantrel"_s, u"Передача на "_s + nick() + u" запрещена."_s, Level::Error);
        break;
    case RequestKind::NoAcceptFile:
        m_host.showBalloon(u"Vantrel"_s,
                           nick() + u" отказался принять файл \""_s +
                               ProtocolCodec::fileNamePart(TagValue(u"FILE", request.bodyText())) + u'"',
                           Level::Warning);
        break;
    case RequestKind::NoAcceptFiles:
        m_host.showBalloon(u"Vantrel"_s, nick() + u" отказался принять файлы."_s, Level::Warning);
        break;
    case RequestKind::NoAcceptImage:
        m_host.showBalloon(u"Vantrel"_s, nick() + u" отказался принять картинку."_s, Level::Warning);
        break;
    case RequestKind::FilesSaved:
        m_host.showBalloon(u"Vantrel"_s, u"Передача файлов для "_s + nick() + u" завершена."_s,
                           Level::Information);
        break;
    case RequestKind::Status:
        m_handler->statusReceived(request.bodyText() + MakeTag(u"HOST", peerIp), peerIp);
        break;
    case RequestKind::QueryFile:
        m_handler->fileOfferReceived(request.bodyText(), peerIp);
        break;
    case RequestKind::WriteFile:
        m_handler->writeFileReceived(request.bodyText() + MakeTag(u"HOST", peerIp), peerIp);
        break;
    case RequestKind::QueryFiles:
        m_handler->filesOfferReceived(request.bodyText(), peerIp);
        break;
    case RequestKind::Image:
        m_handler->imageOfferReceived(request.bodyText(), peerIp);
        break;
    case RequestKind::File:
        // Handed over when its line arrived (startStream).
        break;
    case RequestKind::TcpConnect:
        // A reachability probe: the connection itself was the answer.
        break;
    case RequestKind::Unknown:
        m_log.warning(peerIp, QString::fromUtf8(request.headerLine));
        break;
    }
}

std::unique_ptr<StreamSink> Dispatcher::startStream(const QString& line, const QString& peerIp)
{
    return m_handler->fileStreamStarting(line, peerIp);
}

} // namespace vantrel
