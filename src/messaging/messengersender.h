#pragma once

#include "messaging/messengerpieces.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace vantrel {

class ContactLookup;
class MessagingHost;
class MessengerTransport;

// Sends text messages through the Messenger-service transport: a long text in pieces, one
// after the other, each started a pause after the previous one has gone; "*" addresses the
// local work group; a refused piece is shown in red in the contact's conversation window, a
// missing facility in an error balloon. The pieces after a refused one are not sent: the
// receiver would join them into a message without its beginning.
class MessengerSender final : public QObject {
    Q_OBJECT
public:
    MessengerSender(MessengerTransport& transport, ContactLookup& contacts, MessagingHost& host,
                    MessengerPieceRules rules, std::function<QString()> senderName,
                    QObject* parent = nullptr);
    ~MessengerSender() override;
    Q_DISABLE_COPY_MOVE(MessengerSender)

    // MySendMultiLineMessage: sends `text` to `address` in pieces; returns at once.
    void MySendMultiLineMessage(const QString& address, const QString& text);
    // The sending of one piece; `done` gets whether it went (later, from the event loop).
    void sendPiece(const QString& address, const QString& text, std::function<void(bool)> done);

    // The pieces `text` goes in with these rules and this transport.
    QStringList piecesOf(const QString& text) const;
    const MessengerPieceRules& rules() const { return m_rules; }
    // Messages whose pieces are still being sent.
    int messagesInProgress() const { return int(m_jobs.size()); }

    // The red line of a refused piece: "Ошибка " + code + " при передаче сообщения на " +
    // contact + ".", followed by the reason in brackets when there is one.
    static QString failureText(int code, const QString& contact, const QString& reason = {});

Q_SIGNALS:
    // A piece is handed to the transport (after "*" has been replaced).
    void pieceStarted(const QString& address, const QString& piece);
    // All pieces of a message have gone (`ok`), or one was refused.
    void messageFinished(const QString& address, bool ok);

private:
    struct Job {
        quint64 id = 0;
        QString address;
        QStringList pieces;
        int next = 0;
    };
    void sendNext(quint64 id);
    void sendResolved(const QString& address, const QString& target, const QString& text,
                      std::function<void(bool)> done);

    MessengerTransport& m_transport;
    ContactLookup& m_contacts;
    MessagingHost& m_host;
    MessengerPieceRules m_rules;
    std::function<QString()> m_senderName;
    QList<Job> m_jobs;
    quint64 m_nextId = 1;
};

} // namespace vantrel
