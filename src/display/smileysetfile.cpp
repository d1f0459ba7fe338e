#include "display/smileysetfile.h"

#include <QFile>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Code page 1251, bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F. The unassigned
// byte 0x98 maps to U+0098 as the Windows converter does.
constexpr char16_t Cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmedBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

} // namespace

QString SmileySetFile::Section::value(QStringView key) const
{
    for (const auto& [k, v] : values) {
        if (QStringView(k).compare(key, Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

QString SmileySetFile::decodeWindows1251(QByteArrayView data)
{
    QString text(data.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char ch : data) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            *out++ = QChar(char16_t(b));
        else if (b < 0xC0)
            *out++ = QChar(Cp1251High[b - 0x80]);
        else
            *out++ = QChar(static_cast<char16_t>(0x0410 + (b - 0xC0)));
    }
    return text;
}

QString SmileySetFile::decode(QByteArrayView data)
{
    const auto startsWith = [&](QByteArrayView bom) { return data.startsWith(bom); };
    if (startsWith("\xFF\xFE")) {
        QStringDecoder d(QStringConverter::Utf16LE);
        return d.decode(data.sliced(2));
    }
    if (startsWith("\xFE\xFF")) {
        QStringDecoder d(QStringConverter::Utf16BE);
        return d.decode(data.sliced(2));
    }
    if (startsWith("\xEF\xBB\xBF")) {
        QStringDecoder d(QStringConverter::Utf8);
        return d.decode(data.sliced(3));
    }
    return decodeWindows1251(data);
}

QList<SmileySetFile::Section> SmileySetFile::parse(QStringView text)
{
    QList<Section> sections;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = trimmedBlanks(text.sliced(pos, end - pos));
        // CR LF counts as one line end.
        pos = end + ((end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n') ? 2 : 1);

        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            QStringView name = line.sliced(1);
            const qsizetype close = name.indexOf(u']');
            if (close >= 0)
                name = name.first(close);
            sections.append({trimmedBlanks(name).toString(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (sections.isEmpty() || eq < 0)
            continue;
        const QStringView key = trimmedBlanks(line.first(eq));
        QStringView value = trimmedBlanks(line.sliced(eq + 1));
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        sections.last().values.append({key.toString(), value.toString()});
    }
    return sections;
}

std::optional<QList<SmileySetFile::Section>> SmileySetFile::read(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read one byte more than allowed so a file that grows while being read is caught too.
    const QByteArray data = file.read(MaxFileSize + 1);
    if (data.size() > MaxFileSize || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return parse(decode(data));
}

} // namespace vantrel
