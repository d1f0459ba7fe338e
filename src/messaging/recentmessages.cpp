#include "messaging/recentmessages.h"

namespace vantrel {

RecentMessages::RecentMessages(QLocale locale)
    : m_locale(std::move(locale))
{}

bool RecentMessages::addItemInList(const QString& text, QStringList& list, const QLocale& locale)
{
    if (text.trimmed().isEmpty())
        return false;
    const QString upper = locale.toUpper(text);
    for (const QString& entry : std::as_const(list)) {
        if (locale.toUpper(entry) == upper)
            return false;
    }
    list.append(text);
    return true;
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
