#pragma once

#include "messaging/outgoingconfig.h"

#include <QAnyStringView>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringView>

#include <deque>
#include <functional>

namespace vantrel {

class ContactLookup;
class MessagingHost;

// Sends protocol requests to peers, each on a connection of its own, without waiting: the
// common sender of answers, refusals, beeps and text messages.
//
// At most MaxInFlight connections are under way at once; further requests wait their turn
// (in order). Answers that peers provoke (refusals, `<in_black_list>`) are bounded harder, so
// that a flood of provoking requests cannot make this program flood anyone: at most one per
// address in flight and per AnswerIntervalMs, at most MaxAnswersInFlight in all; the others
// are dropped.
class TcpCommandSender final : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(bool ok, const QString& error)>;

    static constexpr int MaxInFlight = 256;
    static constexpr int MaxAnswersInFlight = 32;
    static constexpr int AnswerIntervalMs = 5000;

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
    // An answer a peer's request calls for, within the limits above; errors are not shown.
    // False when it was dropped.
    bool answer(const QString& host, QAnyStringView header, const QString& body = {});

    const OutgoingConfig& config() const { return m_config; }
    // Requests still under way or waiting for their turn.
    int pendingCount() const { return m_pending + int(m_queue.size()); }
    // Connections under way now.
    int inFlightCount() const { return m_pending; }
    // Answers dropped by the limits.
    int droppedAnswers() const { return m_droppedAnswers; }

    // The balloon text of a failed request.
    static QString errorText(const QString& contact, const QString& reason);

private:
    struct Queued {
        QString host;
        QByteArray request;
        Completion done;
    };
    void start(Queued request);
    void startQueued();

    OutgoingConfig m_config;
    ContactLookup& m_contacts;
    MessagingHost& m_host;
    int m_pending = 0;
    std::deque<Queued> m_queue;
    // Answers: when each address was last answered, and those with one under way.
    QHash<QString, QElapsedTimer> m_lastAnswer;
    QHash<QString, int> m_answering;
    int m_answersInFlight = 0;
    int m_droppedAnswers = 0;
};

} // namespace vantrel
