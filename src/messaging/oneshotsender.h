#pragma once

#include "messaging/messengerpieces.h"
#include "messaging/outgoingconfig.h"

#include <QString>

namespace vantrel {

class MessengerTransport;

// Sends one request from the command line (`--send TARGET TEXT`, `--beep TARGET`) without a
// running instance: waits in a local event loop until every target has been served and says
// how it went. TARGET may be a ";"-separated list. Needs a QCoreApplication.
class OneShotSender final {
public:
    struct Result {
        bool ok = false;
        // One line: empty on success, else what failed for which target.
        QString reason;
    };

    OneShotSender(OutgoingConfig config, QString senderName);
    Q_DISABLE_COPY_MOVE(OneShotSender)

    // A text message with FROM = the sender name.
    Result sendMessage(const QString& targets, const QString& text);
    // A text message through the Messenger-service transport, in pieces (as the program sends
    // while its own protocol is switched off).
    Result sendThroughMessenger(const QString& targets, const QString& text, MessengerTransport& transport,
                                const MessengerPieceRules& rules = {});
    // The beep request.
    Result sendBeep(const QString& targets);

private:
    Result send(const QString& targets, const QByteArray& request);

    OutgoingConfig m_config;
    QString m_senderName;
};

} // namespace vantrel
