#include "messaging/recentmessages.h"

#include "core/itemlist.h"

namespace vantrel {

RecentMessages::RecentMessages(QLocale locale)
    : m_locale(std::move(locale))
{}

bool RecentMessages::addItemInList(const QString& text, QStringList& list, const QLocale& locale)
{
    return vantrel::addItemInList(text, list, locale);
}

bool RecentMessages::add(const QString& text)
{
    if (!addItemInList(text, m_entries, m_locale))
        return false;
    while (m_entries.size() > MaxEntries)
        m_entries.removeFirst();
    return true;
}

} // namespace vantrel
