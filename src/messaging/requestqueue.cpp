#include "messaging/requestqueue.h"

#include "messaging/bodybudget.h"
#include "messaging/dispatcher.h"

#include <QElapsedTimer>
#include <QTimer>

namespace vantrel {

namespace {

qint64 sizeOf(const ReceivedRequest& request)
{
    return request.headerLine.size() + request.body.size();
}

} // namespace

RequestQueue::RequestQueue(Dispatcher& dispatcher, BodyBudget* budget, QObject* parent)
    : QObject(parent)
    , m_dispatcher(dispatcher)
    , m_budget(budget)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(0);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &RequestQueue::runSlice);
}

void RequestQueue::enqueue(ReceivedRequest request)
{
    std::deque<ReceivedRequest>& queue = m_requests[request.peerIp];
    if (queue.empty())
        m_turns.push_back(request.peerIp);
    const qint64 size = sizeOf(request);
    queue.push_back(std::move(request));
    ++m_size;
    setBytes(m_bytes + size);
    if (!m_timer->isActive())
        m_timer->start();
}

void RequestQueue::setBytes(qint64 bytes)
{
    m_bytes = bytes;
    if (m_budget)
        m_budget->setQueued(bytes);
}

void RequestQueue::runSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (!m_turns.empty()) {
        const QString peer = m_turns.front();
        m_turns.pop_front();
        auto it = m_requests.find(peer);
        const ReceivedRequest request = std::move(it->front());
        it->pop_front();
        if (it->empty())
            m_requests.erase(it);
        else
            m_turns.push_back(peer);
        --m_size;
        m_dispatcher.dispatch(request);
        setBytes(m_bytes - sizeOf(request));
        Q_EMIT dispatched();
        if (slice.elapsed() >= SliceMs)
            break;
    }
    if (m_turns.empty())
        Q_EMIT drained();
    else
        m_timer->start();
}

} // namespace vantrel
