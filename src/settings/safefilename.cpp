#include "settings/safefilename.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <QList>

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

// Length of the reserved word at the start of the name, 0 when the name is not reserved.
qsizetype reservedLength(const QString& name)
{
    QStringView base = QStringView(name);
    const qsizetype dot = base.indexOf(u'.');
    if (dot >= 0)
        base = base.first(dot);
    while (!base.isEmpty() && base.back() == u' ')
        base.chop(1);
    static constexpr QLatin1StringView fixed[] = {"CON"_L1,    "PRN"_L1,     "AUX"_L1,    "NUL"_L1,
                                                  "CONIN$"_L1, "CONOUT$"_L1, "CLOCK$"_L1, "VantrelMsg"_L1};
    for (const QLatin1StringView word : fixed) {
        if (base.compare(word, Qt::CaseInsensitive) == 0)
            return base.size();
    }
    if (base.size() == 4 && base[3] >= u'0' && base[3] <= u'9' &&
        (base.first(3).compare("COM"_L1, Qt::CaseInsensitive) == 0 ||
         base.first(3).compare("LPT"_L1, Qt::CaseInsensitive) == 0))
        return 4;
    return 0;
}

QString percentEncode(QByteArrayView bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += u'%';
        out += QLatin1Char(hex[b >> 4]);
        out += QLatin1Char(hex[b & 0xF]);
    }
    return out;
}

// The UTF-8 bytes of one code point; an unpaired surrogate gets its three-byte form so
// that distinct ones stay distinct.
QByteArray utf8Of(char32_t c)
{
    if (c >= 0xD800 && c <= 0xDFFF) {
        QByteArray b;
        b.append(static_cast<char>(0xE0 | (c >> 12)));
        b.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        b.append(static_cast<char>(0x80 | (c & 0x3F)));
        return b;
    }
    return QString::fromUcs4(&c, 1).toUtf8();
}

struct CodePoint {
    char32_t value = 0;
    qsizetype pos = 0; // index of its first UTF-16 unit
    qsizetype units = 1;
    bool unpaired = false;
};

QList<CodePoint> codePoints(const QString& name)
{
    QList<CodePoint> out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        CodePoint cp{c.unicode(), i, 1, false};
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            cp.value = QChar::surrogateToUcs4(c, name[i + 1]);
            cp.units = 2;
            ++i;
        } else if (c.isSurrogate()) {
            cp.unpaired = true;
        }
        out.append(cp);
    }
    return out;
}

QString shortHash(const QString& name)
{
    const QByteArrayView utf16(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    return QString::fromLatin1(QCryptographicHash::hash(utf16, QCryptographicHash::Sha256).left(4).toHex());
}

} // namespace

QString SafeFileName(const QString& name)
{
    if (name.isEmpty())
        return u"_"_s;

    const QList<CodePoint> points = codePoints(name);
    // Start of the trailing run of dots and blanks (Windows drops them, "." and ".."
    // would leave the folder).
    qsizetype trailStart = points.size();
    while (trailStart > 0 && (points[trailStart - 1].value == u'.' || points[trailStart - 1].value == u' '))
        --trailStart;
    const qsizetype reserved = reservedLength(name);

    bool unsafe = trailStart < points.size() || reserved > 0 || name.toUtf8().size() > MaxStemBytes;
    for (const CodePoint& cp : points)
        unsafe = unsafe || cp.unpaired || isOffending(cp.value);
    if (!unsafe)
        return name;

    // One piece per code point, encoded where needed.
    QStringList pieces;
    pieces.reserve(points.size() + 1);
    for (qsizetype i = 0; i < points.size(); ++i) {
        const CodePoint& cp = points[i];
        if (cp.unpaired || isOffending(cp.value) || cp.value == u'%' || i >= trailStart)
            pieces.append(percentEncode(utf8Of(cp.value)));
        else
            pieces.append(name.sliced(cp.pos, cp.units));
    }
    // The reserved word consists of plain ASCII characters, one piece each.
    if (reserved > 0)
        pieces.insert(reserved, u"_"_s);

    QString out = pieces.join(QString());
    if (out.toUtf8().size() <= MaxStemBytes)
        return out;

    const QString suffix = u'~' + shortHash(name);
    const qsizetype budget = MaxStemBytes - suffix.size();
    out.clear();
    qsizetype bytes = 0;
    for (const QString& piece : std::as_const(pieces)) {
        const qsizetype n = piece.toUtf8().size();
        if (bytes + n > budget)
            break;
        out += piece;
        bytes += n;
    }
    return out + suffix;
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
