#include "messaging/requestqueue.h"

#include "messaging/dispatcher.h"

#include <QElapsedTimer>
#include <QTimer>

namespace vantrel {

RequestQueue::RequestQueue(Dispatcher& dispatcher, QObject* parent)
    : QObject(parent)
    , m_dispatcher(dispatcher)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(0);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &RequestQueue::runSlice);
}

void RequestQueue::enqueue(ReceivedRequest request)
{
    m_requests.push_back(std::move(request));
    if (!m_timer->isActive())
        m_timer->start();
}

void RequestQueue::runSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (!m_requests.empty()) {
        const ReceivedRequest request = std::move(m_requests.front());
        m_requests.pop_front();
        m_dispatcher.dispatch(request);
        Q_EMIT dispatched();
        if (slice.elapsed() >= SliceMs)
            break;
    }
    if (m_requests.empty())
        Q_EMIT drained();
    else
        m_timer->start();
}

} // namespace vantrel
