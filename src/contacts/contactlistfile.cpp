#include "contacts/contactlistfile.h"

#include "core/atomicfile.h"
#include "core/textlines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <array>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

constexpr QByteArrayView Utf8Bom = "\xEF\xBB\xBF";
constexpr QByteArrayView Utf16LeBom = "\xFF\xFE";
constexpr QByteArrayView Utf16BeBom = "\xFE\xFF";

// Bytes 0x80-0xFF of Windows-1251.
constexpr std::array<char16_t, 128> Cp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView data)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(data);
}

QString decodeText(QByteArrayView data)
{
    if (data.startsWith(Utf8Bom))
        return decodeWith(QStringConverter::Utf8, data.sliced(Utf8Bom.size()));
    if (data.startsWith(Utf16LeBom))
        return decodeWith(QStringConverter::Utf16LE, data.sliced(Utf16LeBom.size()));
    if (data.startsWith(Utf16BeBom))
        return decodeWith(QStringConverter::Utf16BE, data.sliced(Utf16BeBom.size()));
    return ContactListFile::decodeUnmarked(data);
}

bool isIndent(QChar c)
{
    return c == u'\t' || c == u' ';
}

} // namespace

QString ContactListFile::decodeWindows1251(QByteArrayView data)
{
    QString out(data.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char ch : data) {
        const auto byte = static_cast<unsigned char>(ch);
        *dst++ = byte < 0x80 ? QChar(char16_t(byte)) : QChar(Cp1251High[byte - 0x80]);
    }
    return out;
}

QString ContactListFile::decodeUnmarked(QByteArrayView data)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;
    // Qt built with ICU knows the code page; otherwise our own table does the same.
    QStringDecoder cp1251("windows-1251", QStringConverter::Flag::Stateless);
    if (cp1251.isValid())
        return cp1251.decode(data);
    return decodeWindows1251(data);
}

ContactListFile::LoadResult ContactListFile::parse(QByteArrayView data)
{
    const QString decoded = decodeText(data);
    const QStringView text(decoded);
    LoadResult result;
    for (const QStringView line : SplitTextLines(text)) {
        qsizetype start = 0;
        while (start < line.size() && isIndent(line[start]))
            ++start;
        const int indent = int(start);
        const QString lineText = line.sliced(start).toString();
        if (!result.tree.appendLine(indent, lineText)) {
            result.error = u"Invalid level (%1) for item \"%2\""_s.arg(indent).arg(lineText);
            result.tree = ContactTree();
            return result;
        }
    }
    result.ok = true;
    return result;
}

ContactListFile::LoadResult ContactListFile::load(const QString& path)
{
    LoadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const auto tooLarge = [&] { return u"file larger than %1 bytes"_s.arg(MaxFileSize); };
    if (file.size() > MaxFileSize) {
        result.error = tooLarge();
        return result;
    }
    // Read in pieces: the size check above does not hold for files that grow or report no
    // size (pipes), and a single read of MaxFileSize would set aside that much memory each time.
    QByteArray data;
    data.reserve(file.size());
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const qint64 got = file.read(buffer.data(), qint64(buffer.size()));
        if (got < 0) {
            result.error = file.errorString();
            return result;
        }
        if (got == 0)
            break;
        data.append(buffer.data(), got);
        if (data.size() > MaxFileSize) {
            result.error = tooLarge();
            return result;
        }
    }
    return parse(data);
}

QByteArray ContactListFile::serialize(const ContactTree& tree)
{
    QString text;
    text.reserve(tree.size() * 24);
    for (const ContactTree::Node& node : tree.nodes()) {
        text.append(QString(node.level, u'\t'));
        text.append(node.text);
        text.append(u"\r\n"_s);
    }
    return Utf8Bom.toByteArray() + text.toUtf8();
}

bool ContactListFile::save(const QString& path, const ContactTree& tree, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.isEmpty())
        return fail(u"no file name"_s);
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        return fail(u"cannot create folder %1"_s.arg(dir));
    QString why;
    if (!WriteFileAtomically(path, serialize(tree), &why))
        return fail(why);
    if (error)
        error->clear();
    return true;
}

} // namespace vantrel
