#include "core/textlines.h"

namespace vantrel {

QList<QStringView> SplitTextLines(QStringView text)
{
    QList<QStringView> lines;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        lines.append(text.sliced(pos, end - pos));
        if (end < n)
            end += (text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n') ? 2 : 1;
        pos = end;
    }
    return lines;
}

} // namespace vantrel
