#include "core/tags.h"

namespace vantrel {

QString MakeTag(QStringView name, QStringView value)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + value + QLatin1String("</") + name + QLatin1Char('>');
}

QString TagValue(QStringView name, QStringView text)
{
    const QString open = QLatin1Char('<') + name + QLatin1Char('>');
    const QString close = QLatin1String("</") + name + QLatin1Char('>');
    const qsizetype start = text.indexOf(open);
    const qsizetype end = text.indexOf(close);
    if (start < 0 || end < 0)
        return {};
    const qsizetype valueStart = start + open.size();
    if (end <= valueStart)
        return {};
    return text.sliced(valueStart, end - valueStart).toString();
}

} // namespace vantrel
