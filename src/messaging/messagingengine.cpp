#include "messaging/messagingengine.h"

#include "core/eventlog.h"
#include "messaging/defaultrequesthandler.h"
#include "messaging/dispatcher.h"
#include "messaging/historylog.h"
#include "messaging/listener.h"
#include "messaging/messageprocessor.h"
#include "messaging/messagesender.h"
#include "messaging/messaginghost.h"
#include "messaging/messengersender.h"
#include "messaging/peerlog.h"
#include "messaging/sambamessengertransport.h"
#include "messaging/tcpcommandsender.h"
#include "platform/platformservices.h"

using namespace Qt::StringLiterals;

namespace vantrel {

MessagingEngine::MessagingEngine(Config config, Services services, QString logsDir, LocalNames localNames,
                                 QObject* parent)
    : QObject(parent)
    , m_peerLog(new PeerLog(services.eventLog, PeerLog::DefaultIntervalMs, this))
    , m_history(std::make_unique<HistoryLog>(
          services.eventLog.writer(), std::move(logsDir),
          [&eventLog = services.eventLog, &host = services.host](const QString& path, const QString& error) {
              const QString text = u"История сообщений не записана в файл \""_s + path + u"\": "_s + error;
              eventLog.error(text);
              // The event log may sit on the same full disk: a balloon tells the user anyway.
              host.showBalloon(u"Vantrel"_s, text, MessagingHost::BalloonLevel::Error);
          }))
    , m_commands(new TcpCommandSender(config.outgoing, services.contacts, services.host, this))
    , m_defaultHandler(
          std::make_unique<DefaultRequestHandler>(*m_peerLog, config.refuseOffers ? m_commands : nullptr))
    , m_messages(std::make_unique<MessageProcessor>(services.settings, services.contacts, services.host,
                                                    *m_history, *m_commands, services.speaker,
                                                    services.sound))
    , m_dispatcher(std::make_unique<Dispatcher>(services.settings, services.contacts, services.host,
                                                *m_peerLog, *m_commands, *m_messages, services.speaker,
                                                services.sound, *m_defaultHandler))
    , m_sender(new MessageSender(services.settings, services.contacts, services.host, *m_history, *m_commands,
                                 std::move(localNames), this))
    , m_messenger(nullptr)
    , m_listener(new Listener(config.listener, *m_dispatcher, *m_peerLog, this))
{
    MessengerTransport* transport = services.messenger;
    if (!transport) {
        m_ownRunner = createProcessRunner();
        m_ownTransport = std::make_unique<SambaMessengerTransport>(*m_ownRunner);
        transport = m_ownTransport.get();
    }
    m_messenger = new MessengerSender(
        *transport, services.contacts, services.host, config.messengerPieces,
        [this] { return m_sender->senderName(); }, this);
    m_sender->setMessenger(m_messenger);
}

MessagingEngine::~MessagingEngine()
{
    // The listener's connections and the senders' callbacks refer to the parts held below:
    // they go first.
    delete m_listener;
    delete m_sender;
    delete m_messenger;
    delete m_commands;
    delete m_peerLog;
}

bool MessagingEngine::start()
{
    return m_listener->start();
}

void MessagingEngine::setRequestHandler(RequestHandler& handler)
{
    m_dispatcher->setRequestHandler(handler);
}

} // namespace vantrel
