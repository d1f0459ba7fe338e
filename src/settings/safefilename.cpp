#include "settings/safefilename.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

bool isOffending(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;
    switch (c) {
    case u'/':
    case u'\\':
    case u'<':
    case u'>':
    case u':':
    case u'"':
    case u'|':
    case u'?':
    case u'*':
        return true;
    default:
        return false;
    }
}

// The part of the name before its first dot, without trailing blanks: what Windows compares
// with its reserved device names.
QStringView baseOf(QStringView name)
{
    const qsizetype dot = name.indexOf(u'.');
    QStringView base = dot >= 0 ? name.first(dot) : name;
    while (!base.isEmpty() && base.back() == u' ')
        base.chop(1);
    return base;
}

// Where '_' goes into a reserved name: after the reserved word, before the underscores that
// may follow it ("CON" -> "CON_", "CON_" -> "CON__"), so that the mapping stays one-to-one.
// A name whose base is nothing but underscores, and the empty name, count as reserved with an
// empty word ("" -> "_", "_" -> "__"). -1 when the name is not reserved.
qsizetype reservedInsertion(QStringView name)
{
    if (name.isEmpty())
        return 0;
    const QStringView base = baseOf(name);
    QStringView word = base;
    while (!word.isEmpty() && word.back() == u'_')
        word.chop(1);
    if (word.isEmpty())
        return base.isEmpty() ? -1 : 0;
    static constexpr QLatin1StringView fixed[] = {"CON"_L1,    "PRN"_L1,     "AUX"_L1,    "NUL"_L1,
                                                  "CONIN$"_L1, "CONOUT$"_L1, "CLOCK$"_L1, "VantrelMsg"_L1};
    for (const QLatin1StringView reserved : fixed) {
        if (word.compare(reserved, Qt::CaseInsensitive) == 0)
            return word.size();
    }
    if (word.size() == 4 && word[3] >= u'0' && word[3] <= u'9' &&
        (word.first(3).compare("COM"_L1, Qt::CaseInsensitive) == 0 ||
         word.first(3).compare("LPT"_L1, Qt::CaseInsensitive) == 0))
        return 4;
    return -1;
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// "%" followed by two hex digits at `i`: a safe name must not look like an encoded one.
bool looksEncoded(QStringView name, qsizetype i)
{
    return name[i] == u'%' && i + 2 < name.size() && isHexDigit(name[i + 1]) && isHexDigit(name[i + 2]);
}

constexpr qsizetype HashSuffixChars = 9; // '~' and eight hex digits

// Whether the name ends like a cut long name ("~" and eight lower-case hex digits).
bool endsWithHashSuffix(QStringView name)
{
    if (name.size() < HashSuffixChars || name[name.size() - HashSuffixChars] != u'~')
        return false;
    for (qsizetype i = name.size() - HashSuffixChars + 1; i < name.size(); ++i) {
        const QChar c = name[i];
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

void appendEncoded(QString& out, char32_t c)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    char bytes[4];
    int n = 0;
    if (c < 0x80) {
        bytes[n++] = char(c);
    } else if (c < 0x800) {
        bytes[n++] = char(0xC0 | (c >> 6));
        bytes[n++] = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        // Unpaired surrogates get this three-byte form too, so distinct ones stay distinct.
        bytes[n++] = char(0xE0 | (c >> 12));
        bytes[n++] = char(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = char(0x80 | (c & 0x3F));
    } else {
        bytes[n++] = char(0xF0 | (c >> 18));
        bytes[n++] = char(0x80 | ((c >> 12) & 0x3F));
        bytes[n++] = char(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = char(0x80 | (c & 0x3F));
    }
    for (int i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += u'%';
        out += QLatin1Char(hex[b >> 4]);
        out += QLatin1Char(hex[b & 0xF]);
    }
}

qsizetype utf8Length(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

QString shortHash(QStringView name)
{
    const QByteArrayView utf16(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    return QString::fromLatin1(QCryptographicHash::hash(utf16, QCryptographicHash::Sha256).left(4).toHex());
}

} // namespace

QString SafeFileName(const QString& name)
{
    const QStringView view(name);
    const qsizetype insertion = reservedInsertion(view);
    // Start of the trailing run of dots and blanks (Windows drops them, "." and ".." would
    // leave the folder).
    qsizetype trailStart = view.size();
    while (trailStart > 0 && (view[trailStart - 1] == u'.' || view[trailStart - 1] == u' '))
        --trailStart;
    const bool hashLike = endsWithHashSuffix(view);

    // One pass: is the name safe as it stands, and how long is it in UTF-8?
    bool unsafe = insertion >= 0 || trailStart < view.size() || hashLike;
    qsizetype utf8 = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        const QChar c = view[i];
        if (c.isHighSurrogate() && i + 1 < view.size() && view[i + 1].isLowSurrogate()) {
            utf8 += 4;
            ++i;
            continue;
        }
        utf8 += utf8Length(c.unicode());
        unsafe = unsafe || c.isSurrogate() || isOffending(c.unicode()) || looksEncoded(view, i);
    }
    const bool tooLong = utf8 > MaxStemBytes;
    if (!unsafe && !tooLong)
        return name;

    // A long name is mapped only as far as the result can hold, then the hash of the whole
    // name keeps long names with the same start apart.
    const qsizetype budget = tooLong ? MaxStemBytes - HashSuffixChars : MaxStemBytes;
    QString out;
    out.reserve(qMin<qsizetype>(view.size(), MaxStemBytes) + 16);
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        if (i == insertion) {
            if (bytes + 1 > budget)
                break;
            out += u'_';
            ++bytes;
        }
        const QChar c = view[i];
        const bool pair = c.isHighSurrogate() && i + 1 < view.size() && view[i + 1].isLowSurrogate();
        const char32_t value = pair ? QChar::surrogateToUcs4(c, view[i + 1]) : c.unicode();
        const bool encode = (!pair && c.isSurrogate()) || isOffending(value) || value == u'%' ||
                            i >= trailStart || (hashLike && i == view.size() - HashSuffixChars);
        const qsizetype size = encode ? 3 * utf8Length(value) : utf8Length(value);
        if (bytes + size > budget)
            break;
        if (encode)
            appendEncoded(out, value);
        else
            out += pair ? view.sliced(i, 2) : view.sliced(i, 1);
        bytes += size;
        if (pair)
            ++i;
    }
    if (insertion == view.size())
        out += u'_';
    if (tooLong)
        out += u'~' + shortHash(view);
    return out;
}

QString PathIgnoringCase(const QString& folder, const QString& fileName)
{
    const QString exact = folder + u'/' + fileName;
    if (QFileInfo::exists(exact))
        return exact;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().compare(fileName, Qt::CaseInsensitive) == 0)
            return it.filePath();
    }
    return exact;
}

} // namespace vantrel
