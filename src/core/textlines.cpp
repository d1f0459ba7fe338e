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

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

void appendHex(QString& out, uint value, int digits)
{
    constexpr char16_t Hex[] = u"0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.append(QChar(Hex[(value >> shift) & 0xF]));
}

} // namespace

QString EscapeControls(QStringView text)
{
    qsizetype first = 0;
    while (first < text.size() && !isControl(text[first].unicode()))
        ++first;
    if (first == text.size())
        return text.toString();
    QString out;
    out.reserve(text.size() + 16);
    out.append(text.first(first));
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!isControl(c)) {
            out.append(QChar(c));
        } else if (c <= 0xFF) {
            out.append(u"\\x");
            appendHex(out, c, 2);
        } else {
            out.append(u"\\u");
            appendHex(out, c, 4);
        }
    }
    return out;
}

QString Shortened(QStringView text, qsizetype maxChars)
{
    if (text.size() <= maxChars)
        return text.toString();
    return text.first(qMax<qsizetype>(0, maxChars - 1)).toString() + QChar(0x2026);
}

} // namespace vantrel
