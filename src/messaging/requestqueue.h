#pragma once

#include "messaging/receivedrequest.h"

#include <QHash>
#include <QObject>

#include <deque>

class QTimer;

namespace vantrel {

class BodyBudget;
class Dispatcher;

// Carries out received requests, a few milliseconds' worth at a time, so that a burst of
// messages (each with its history entry) never holds the event loop for long. Each peer
// address's requests keep their order; the addresses take turns, so a flood from one address
// delays that address, not the others. The bodies waiting here count against the memory
// budget of the connections still reading.
class RequestQueue final : public QObject {
    Q_OBJECT
public:
    // Time spent carrying out requests before the event loop gets its turn again.
    static constexpr int SliceMs = 10;

    RequestQueue(Dispatcher& dispatcher, BodyBudget* budget, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RequestQueue)

    void enqueue(ReceivedRequest request);
    int size() const { return m_size; }
    qint64 bytes() const { return m_bytes; }

Q_SIGNALS:
    // A request has been carried out.
    void dispatched();
    // The queue has run empty.
    void drained();

private:
    void runSlice();
    void setBytes(qint64 bytes);

    Dispatcher& m_dispatcher;
    BodyBudget* m_budget;
    QTimer* m_timer;
    QHash<QString, std::deque<ReceivedRequest>> m_requests;
    // Addresses with requests waiting, in the order of their next turn.
    std::deque<QString> m_turns;
    int m_size = 0;
    qint64 m_bytes = 0;
};

} // namespace vantrel
