#include "messaging/bodybudget.h"

#include <algorithm>

namespace vantrel {

BodyBudget::BodyBudget(qint64 budgetBytes, qint64 allowanceBytes)
    : m_budget(budgetBytes)
    , m_allowance(allowanceBytes)
{}

void BodyBudget::set(const void* owner, qint64 bytes)
{
    qint64& held = m_held[owner];
    const qint64 before = held;
    m_total += bytes - before;
    held = bytes;
    if (before < m_allowance && bytes >= m_allowance)
        m_growers.push_back(owner);
    if (bytes < before)
        resumeWaiting();
}

bool BodyBudget::mayRead(const void* owner) const
{
    return m_held.value(owner) < m_allowance || m_total < m_budget ||
           (!m_growers.empty() && m_growers.front() == owner);
}

void BodyBudget::waitForRoom(const void* owner, Resume resume)
{
    if (!isWaiting(owner))
        m_waiting.emplace_back(owner, std::move(resume));
}

bool BodyBudget::isWaiting(const void* owner) const
{
    return std::any_of(m_waiting.cbegin(), m_waiting.cend(),
                       [owner](const auto& w) { return w.first == owner; });
}

void BodyBudget::release(const void* owner)
{
    m_total -= m_held.take(owner);
    m_growers.erase(std::remove(m_growers.begin(), m_growers.end(), owner), m_growers.end());
    m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(),
                                   [owner](const auto& w) { return w.first == owner; }),
                    m_waiting.end());
    resumeWaiting();
}

void BodyBudget::setQueued(qint64 bytes)
{
    const qint64 before = m_queued;
    m_total += bytes - before;
    m_queued = bytes;
    if (bytes < before)
        resumeWaiting();
}

void BodyBudget::resumeWaiting()
{
    // A resumed connection reads at once and may end or wait again meanwhile.
    if (m_resuming)
        return;
    m_resuming = true;
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        if (!mayRead(it->first)) {
            ++it;
            continue;
        }
        Resume resume = std::move(it->second);
        it = m_waiting.erase(it);
        resume();
    }
    m_resuming = false;
}

} // namespace vantrel
