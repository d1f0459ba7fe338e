#include "core/itemlist.h"

namespace vantrel {

bool addItemInList(const QString& text, QStringList& list, const QLocale& locale)
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

bool deleteItemFromList(const QString& text, QStringList& list, const QLocale& locale)
{
    if (text.trimmed().isEmpty() || list.isEmpty())
        return false;
    const QString upper = locale.toUpper(text);
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        if (locale.toUpper(list.at(i)) == upper) {
            list.removeAt(i);
            return true;
        }
    }
    return false;
}

} // namespace vantrel
