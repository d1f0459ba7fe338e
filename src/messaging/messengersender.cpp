#include "messaging/messengersender.h"

#include "messaging/contactlookup.h"
#include "messaging/messaginghost.h"
#include "messaging/messengertransport.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vantrel {

MessengerSender::MessengerSender(MessengerTransport& transport, ContactLookup& contacts, MessagingHost& host,
                                 MessengerPieceRules rules, std::function<QString()> senderName,
                                 QObject* parent)
    : QObject(parent)
    , m_transport(transport)
    , m_contacts(contacts)
    , m_host(host)
    , m_rules(rules)
    , m_senderName(std::move(senderName))
{}

MessengerSender::~MessengerSender() = default;

QString MessengerSender::failureText(int code, const QString& contact, const QString& reason)
{
    QString text = u"Ошибка "_s + QString::number(code) + u" при передаче сообщения на "_s + contact + u'.';
    if (!reason.isEmpty())
        text += u" ("_s + reason + u')';
    return text;
}

QStringList MessengerSender::piecesOf(const QString& text) const
{
    return SplitMessengerPieces(text, m_rules, [this](QStringView piece) { return m_transport.fits(piece); });
}

void MessengerSender::MySendMultiLineMessage(const QString& address, const QString& text)
{
    const QStringList pieces = piecesOf(text);
    if (pieces.isEmpty())
        return;
    const quint64 id = m_nextId++;
    m_jobs.append({id, address, pieces, 0});
    sendNext(id);
}

void MessengerSender::sendNext(quint64 id)
{
    const auto found =
        std::find_if(m_jobs.begin(), m_jobs.end(), [id](const Job& job) { return job.id == id; });
    if (found == m_jobs.end())
        return;
    const QString address = found->address;
    const QString piece = found->pieces.at(found->next++);
    const bool last = found->next >= found->pieces.size();
    QPointer<MessengerSender> self(this);
    sendPiece(address, piece, [self, id, address, last](bool ok) {
        if (!self)
            return;
        if (ok && !last) {
            // The next piece waits for the pause; the event loop goes on meanwhile.
            QTimer::singleShot(self->m_rules.pauseMs, self, [self, id] { self->sendNext(id); });
            return;
        }
        self->m_jobs.removeIf([id](const Job& job) { return job.id == id; });
        Q_EMIT self->messageFinished(address, ok);
    });
}

void MessengerSender::sendPiece(const QString& address, const QString& text, std::function<void(bool)> done)
{
    if (address != u"*"_s) {
        sendResolved(address, address, text, std::move(done));
        return;
    }
    // "*" is every computer of the own work group or domain.
    QPointer<MessengerSender> self(this);
    m_transport.localWorkgroup([self, address, text, done = std::move(done)](const QString& group) mutable {
        if (self)
            self->sendResolved(address, group + u'*', text, std::move(done));
    });
}

void MessengerSender::sendResolved(const QString& address, const QString& target, const QString& text,
                                   std::function<void(bool)> done)
{
    Q_EMIT pieceStarted(target, text);
    QPointer<MessengerSender> self(this);
    m_transport.send(
        target, m_senderName ? m_senderName() : QString(), text,
        [self, address, done = std::move(done)](const MessengerTransport::Outcome& outcome) {
            if (!self)
                return;
            switch (outcome.kind) {
            case MessengerTransport::Outcome::Kind::Sent:
                break;
            case MessengerTransport::Outcome::Kind::Unavailable:
                self->m_host.showBalloon(u"Vantrel"_s, outcome.text, MessagingHost::BalloonLevel::Error);
                break;
            case MessengerTransport::Outcome::Kind::Failed: {
                const QString contact = self->m_contacts.nickFor(address);
                self->m_host.showPopupError(contact, failureText(outcome.code, contact, outcome.text));
                break;
            }
            }
            if (done)
                done(outcome.kind == MessengerTransport::Outcome::Kind::Sent);
        });
}

} // namespace vantrel
