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
    if (bytes < before)
        resumeWaiting();
}

bool BodyBudget::mayRead(const void* owner) const
{
    return m_held.value(owner) < m_allowance || m_total < m_budget;
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
    m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(),
                                   [owner](const auto& w) { return w.first == owner; }),
                    m_waiting.end());
    resumeWaiting();
}

void BodyBudget::resumeWaiting()
{
    // A resumed connection reads at once and may end or wait again meanwhile.
    if (m_resuming)
        return;
    m_resuming = true;
    while (!m_waiting.empty() && m_total < m_budget) {
        Resume resume = std::move(m_waiting.front().second);
        m_waiting.pop_front();
        resume();
    }
    m_resuming = false;
}

} // namespace vantrel
