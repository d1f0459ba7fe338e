#include "messaging/blacklist.h"

namespace vantrel {

bool IsInBlackList(const QStringList& blackList, const QString& name, const QLocale& locale)
{
    if (blackList.isEmpty())
        return false;
    const QString upper = locale.toUpper(name);
    for (const QString& entry : blackList) {
        if (locale.toUpper(entry) == upper)
            return true;
    }
    return false;
}

} // namespace vantrel
