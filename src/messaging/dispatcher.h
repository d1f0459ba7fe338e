#pragma once

#include "messaging/receivedrequest.h"
#include "messaging/streamsink.h"

#include <QString>

#include <memory>

namespace vantrel {

class ContactLookup;
class PeerLog;
class MessageProcessor;
class MessagingHost;
class RequestHandler;
class Settings;
class SoundPlayer;
class Speaker;
class TcpCommandSender;

// Carries out what a received request asks for, once the listener has read it: text messages
// go to the message processor, beeps and refusals to the user, status and transfer requests
// to the request handler, unknown headers to the event log.
class Dispatcher final {
public:
    Dispatcher(Settings& settings, ContactLookup& contacts, MessagingHost& host, PeerLog& log,
               TcpCommandSender& commands, MessageProcessor& messages, Speaker& speaker, SoundPlayer& sound,
               RequestHandler& handler);
    Q_DISABLE_COPY_MOVE(Dispatcher)

    // Replaces the handler of status and transfer requests.
    void setRequestHandler(RequestHandler& handler) { m_handler = &handler; }

    // Whether peers must be reverse-resolved before they are checked: only while the black list
    // holds a computer name (address entries are compared with the peer's address directly).
    bool wantsHostNames() const;
    // Checks a peer's address and its reverse-resolved name (empty when it has none) against
    // the black list: an entry that is an IPv4 address matches the address, any other entry
    // the name. A refused peer gets `<in_black_list>` on a connection of its own; false then.
    bool admitPeer(const QString& peerIp, const QString& hostName);

    // A request that has been read completely (anything but a file stream).
    void dispatch(const ReceivedRequest& request);
    // The line of a file request has been read; its raw bytes go to the returned sink
    // (null: they are read and dropped).
    std::unique_ptr<StreamSink> startStream(const QString& line, const QString& peerIp);

private:
    Settings& m_settings;
    ContactLookup& m_contacts;
    MessagingHost& m_host;
    PeerLog& m_log;
    TcpCommandSender& m_commands;
    MessageProcessor& m_messages;
    Speaker& m_speaker;
    SoundPlayer& m_sound;
    RequestHandler* m_handler;
};

} // namespace vantrel
