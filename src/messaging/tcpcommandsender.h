#pragma once

#include "messaging/outgoingconfig.h"

#include <QAnyStringView>
#include <QObject>
#include <QString>
#include <QStringView>

#include <functional>

namespace vantrel {

class ContactLookup;
class MessagingHost;

// Sends protocol requests to peers, each on a connection of its own, without waiting: the
// common sender of answers, refusals, beeps and text messages.
class TcpCommandSender final : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(bool ok, const QString& error)>;

    TcpCommandSender(OutgoingConfig config, ContactLookup& contacts, MessagingHost& host,
                     QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(TcpCommandSender)

    // Sends the header line and, when `body` is not empty, the body. With `showErrors` a
    // failure raises the error balloon "Ошибка при передаче на " + contact + CR LF + reason.
    // `done` (optional) is called on this object's thread when the request has ended.
    void sendCommand(const QString& host, QAnyStringView header, bool showErrors, const QString& body = {},
                     Completion done = {});
    // Sends ready-made request bytes; `done` reports the outcome, nothing is shown.
    void sendBytes(const QString& host, QByteArray request, Completion done);

    const OutgoingConfig& config() const { return m_config; }
    // Requests still under way.
    int pendingCount() const { return m_pending; }

    // The balloon text of a failed request.
    static QString errorText(const QString& contact, const QString& reason);

private:
    OutgoingConfig m_config;
    ContactLookup& m_contacts;
    MessagingHost& m_host;
    int m_pending = 0;
};

} // namespace vantrel
