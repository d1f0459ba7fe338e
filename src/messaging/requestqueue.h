#pragma once

#include "messaging/receivedrequest.h"

#include <QObject>

#include <deque>

class QTimer;

namespace vantrel {

class Dispatcher;

// Carries out received requests in arrival order, a few milliseconds' worth at a time, so
// that a burst of messages (each with its history entry) never holds the event loop for long.
class RequestQueue final : public QObject {
    Q_OBJECT
public:
    // Time spent carrying out requests before the event loop gets its turn again.
    static constexpr int SliceMs = 10;

    explicit RequestQueue(Dispatcher& dispatcher, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RequestQueue)

    void enqueue(ReceivedRequest request);
    int size() const { return static_cast<int>(m_requests.size()); }

Q_SIGNALS:
    // A request has been carried out.
    void dispatched();
    // The queue has run empty.
    void drained();

private:
    void runSlice();

    Dispatcher& m_dispatcher;
    QTimer* m_timer;
    std::deque<ReceivedRequest> m_requests;
};

} // namespace vantrel
