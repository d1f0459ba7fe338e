#pragma once

#include "messaging/listenerconfig.h"
#include "messaging/messengerpieces.h"
#include "messaging/outgoingconfig.h"
#include "platform/localnames.h"

#include <QObject>
#include <QString>

#include <memory>

namespace vantrel {

class ContactLookup;
class DefaultRequestHandler;
class Dispatcher;
class EventLog;
class HistoryLog;
class Listener;
class MessageProcessor;
class MessageSender;
class MessengerSender;
class MessengerTransport;
class ProcessRunner;
class MessagingHost;
class PeerLog;
class RequestHandler;
class Settings;
class SoundPlayer;
class Speaker;
class TcpCommandSender;

// The messaging engine assembled: listener, dispatcher, message processor, senders and
// history, all living on the thread of this object and never blocking it.
class MessagingEngine final : public QObject {
    Q_OBJECT
public:
    struct Config {
        ListenerConfig listener;
        // The bind address here should match the listener's when one is given.
        OutgoingConfig outgoing;
        // Without a request handler of its own (setRequestHandler): refuse offers at once, or
        // leave them unanswered.
        bool refuseOffers = false;
        // How long texts are cut for the Messenger-service transport.
        MessengerPieceRules messengerPieces{};
    };

    struct Services {
        Settings& settings;
        EventLog& eventLog;
        ContactLookup& contacts;
        MessagingHost& host;
        Speaker& speaker;
        SoundPlayer& sound;
        // The Messenger-service transport; without one, Samba's tools run by a runner of the
        // engine's own.
        MessengerTransport* messenger = nullptr;
    };

    MessagingEngine(Config config, Services services, QString logsDir, LocalNames localNames,
                    QObject* parent = nullptr);
    ~MessagingEngine() override;
    Q_DISABLE_COPY_MOVE(MessagingEngine)

    // Opens the listener; false (and a Listen Error line) when it cannot.
    bool start();

    // Status and transfer requests go to `handler` from now on (it must outlive the engine).
    void setRequestHandler(RequestHandler& handler);

    Listener& listener() { return *m_listener; }
    MessageSender& sender() { return *m_sender; }
    MessengerSender& messenger() { return *m_messenger; }
    TcpCommandSender& commands() { return *m_commands; }
    MessageProcessor& messages() { return *m_messages; }
    HistoryLog& history() { return *m_history; }
    // Event-log lines about peers, escaped, cut and limited per address.
    PeerLog& peerLog() { return *m_peerLog; }

private:
    PeerLog* m_peerLog;
    std::unique_ptr<ProcessRunner> m_ownRunner;
    std::unique_ptr<MessengerTransport> m_ownTransport;
    std::unique_ptr<HistoryLog> m_history;
    TcpCommandSender* m_commands;
    std::unique_ptr<DefaultRequestHandler> m_defaultHandler;
    std::unique_ptr<MessageProcessor> m_messages;
    std::unique_ptr<Dispatcher> m_dispatcher;
    MessageSender* m_sender;
    MessengerSender* m_messenger;
    Listener* m_listener;
};

} // namespace vantrel
