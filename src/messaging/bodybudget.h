#pragma once

#include <QHash>
#include <QtGlobal>

#include <deque>
#include <functional>

namespace vantrel {

// The memory all connections together may hold for requests that are still arriving. Every
// connection may hold a small allowance; beyond it, a connection reads on only while the
// total stays within the budget, and otherwise waits (its bytes stay with the system, which
// slows the peer down) until room is freed. The connection that first went past its
// allowance may always read on, so one request always gets through: the total stays within
// the budget, the allowances and one request's largest size.
class BodyBudget final {
public:
    using Resume = std::function<void()>;

    BodyBudget(qint64 budgetBytes, qint64 allowanceBytes);
    Q_DISABLE_COPY_MOVE(BodyBudget)

    // Records what a connection holds now.
    void set(const void* owner, qint64 bytes);
    // Whether the connection may read more.
    bool mayRead(const void* owner) const;
    // The connection waits for room; `resume` is called (once) when there is some.
    void waitForRoom(const void* owner, Resume resume);
    bool isWaiting(const void* owner) const;
    // The connection has ended: what it held is free again.
    void release(const void* owner);
    // What read requests waiting to be carried out hold: it counts against the budget too.
    void setQueued(qint64 bytes);

    qint64 total() const { return m_total; }
    int waitingCount() const { return int(m_waiting.size()); }
    qint64 budget() const { return m_budget; }

private:
    void resumeWaiting();

    qint64 m_budget;
    qint64 m_allowance;
    qint64 m_total = 0;
    qint64 m_queued = 0;
    QHash<const void*, qint64> m_held;
    // Connections past their allowance, in the order they went past it.
    std::deque<const void*> m_growers;
    std::deque<std::pair<const void*, Resume>> m_waiting;
    bool m_resuming = false;
};

} // namespace vantrel
