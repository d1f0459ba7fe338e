#include "settings/inifile.h"

#include "core/atomicfile.h"
#include "core/textlines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

constexpr QByteArrayView Bom = "\xEF\xBB\xBF";

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView v)
{
    while (!v.isEmpty() && isBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isBlank(v.back()))
        v.chop(1);
    return v;
}

// A value must stay on its line: line breaks become blanks, surrounding blanks go (they
// would be dropped on the next reading anyway).
QString cleanValue(const QString& value)
{
    QString v = value;
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    return trimBlanks(v).toString();
}

QString fold(const QString& s)
{
    return s.toCaseFolded();
}

// Four comma-separated integers, as in "10,20,300,400".
std::optional<std::array<int, 4>> parseQuad(const QString& text)
{
    const QList<QStringView> parts = QStringView(text).split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    std::array<int, 4> out{};
    for (qsizetype i = 0; i < 4; ++i) {
        bool ok = false;
        out[static_cast<size_t>(i)] = trimBlanks(parts[i]).toInt(&ok, 10);
        if (!ok)
            return std::nullopt;
    }
    return out;
}

QString formatQuad(int a, int b, int c, int d)
{
    return u"%1,%2,%3,%4"_s.arg(a).arg(b).arg(c).arg(d);
}

// "Item<n>" with n written in plain decimal (no sign, no leading zeros).
std::optional<int> itemIndex(const QString& key)
{
    if (key.size() < 5 || key.size() > 14 || !key.startsWith(u"Item"_s, Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView digits = QStringView(key).sliced(4);
    if (digits.size() > 1 && digits.front() == u'0')
        return std::nullopt;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int n = digits.toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{}

void IniFile::Section::reindex()
{
    // QHash::insert overwrites, so walk backwards to leave the first occurrence in place
    // (a key written twice reads as its first occurrence, as in Windows INI files).
    index.clear();
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines[i].isEntry)
            index.insert(fold(lines[i].key), i);
    }
}

void IniFile::reindexSections()
{
    m_sectionIndex.clear();
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i)
        m_sectionIndex.insert(fold(m_sections[i].name), i);
}

bool IniFile::load()
{
    QFile file(m_path);
    if (!file.exists()) {
        clear();
        m_error.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    if (file.size() > MaxFileSize) {
        m_error = u"file larger than %1 bytes"_s.arg(MaxFileSize);
        return false;
    }
    // Ask for the file's own size (plus one byte to notice growth), not the limit: a read
    // of the limit would reserve and clear that much memory on every load.
    const QByteArray data = file.read(qMin<qint64>(file.size(), MaxFileSize) + 1);
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return false;
    }
    if (data.size() > MaxFileSize) {
        m_error = u"file larger than %1 bytes"_s.arg(MaxFileSize);
        return false;
    }
    parse(data);
    m_error.clear();
    return true;
}

bool IniFile::save()
{
    if (m_path.isEmpty()) {
        m_error = u"no file name"_s;
        return false;
    }
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir)) {
        m_error = u"cannot create folder %1"_s.arg(dir);
        return false;
    }
    if (!WriteFileAtomically(m_path, serialize(), &m_error))
        return false;
    m_error.clear();
    return true;
}

void IniFile::clear()
{
    m_preamble.clear();
    m_sections.clear();
    m_sectionIndex.clear();
}

void IniFile::parse(QByteArrayView data)
{
    clear();
    if (data.startsWith(Bom))
        data = data.sliced(Bom.size());
    const QString text = QString::fromUtf8(data);
    for (const QStringView raw : SplitTextLines(text)) {
        const QStringView t = trimBlanks(raw);
        if (t.startsWith(u'[')) {
            const qsizetype close = t.indexOf(u']');
            if (close > 0) {
                Section section;
                section.name = trimBlanks(t.sliced(1, close - 1)).toString();
                m_sections.append(std::move(section));
                continue;
            }
        }
        Line line;
        if (!t.isEmpty() && t.front() != u';' && t.front() != u'#') {
            const qsizetype eq = t.indexOf(u'=');
            if (eq > 0) {
                line.isEntry = true;
                line.key = trimBlanks(t.first(eq)).toString();
                line.text = trimBlanks(t.sliced(eq + 1)).toString();
            }
        }
        if (!line.isEntry)
            line.text = raw.toString();
        if (m_sections.isEmpty())
            m_preamble.append(std::move(line));
        else
            m_sections.last().lines.append(std::move(line));
    }
    for (Section& s : m_sections)
        s.reindex();
    reindexSections();
}

QByteArray IniFile::serialize() const
{
    QString out;
    const auto put = [&out](const Line& line) {
        if (line.isEntry)
            out += line.key % u'=' % line.text;
        else
            out += line.text;
        out += u"\r\n";
    };
    for (const Line& line : m_preamble)
        put(line);
    for (const Section& section : m_sections) {
        out += u'[' % section.name % u"]\r\n";
        for (const Line& line : section.lines)
            put(line);
    }
    return Bom.toByteArray() + out.toUtf8();
}

const IniFile::Section* IniFile::findSection(const QString& name) const
{
    const auto it = m_sectionIndex.constFind(fold(name));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[*it];
}

IniFile::Section& IniFile::sectionForWrite(const QString& name)
{
    Q_ASSERT(!name.contains(u']') && !name.contains(u'\n') && !name.contains(u'\r'));
    const auto it = m_sectionIndex.constFind(fold(name));
    if (it != m_sectionIndex.cend())
        return m_sections[*it];
    // Keep a blank line between sections, as a person would write the file.
    QList<Line>& before = m_sections.isEmpty() ? m_preamble : m_sections.last().lines;
    const bool needsGap = m_sections.isEmpty() ? !before.isEmpty() : true;
    if (needsGap && (before.isEmpty() || before.last().isEntry || !trimBlanks(before.last().text).isEmpty()))
        before.append(Line{});
    Section section;
    section.name = name;
    m_sections.append(std::move(section));
    m_sectionIndex.insert(fold(name), m_sections.size() - 1);
    return m_sections.last();
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        if (m_sectionIndex.value(fold(m_sections[i].name)) == i)
            out.append(m_sections[i].name);
    }
    return out;
}

bool IniFile::hasSection(const QString& section) const
{
    return findSection(section) != nullptr;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList out;
    if (const Section* s = findSection(section)) {
        for (qsizetype i = 0; i < s->lines.size(); ++i) {
            if (s->lines[i].isEntry && s->index.value(fold(s->lines[i].key)) == i)
                out.append(s->lines[i].key);
        }
    }
    return out;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return value(section, key).has_value();
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    const auto it = s->index.constFind(fold(key));
    if (it == s->index.cend())
        return std::nullopt;
    return s->lines[*it].text;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    Q_ASSERT(!key.isEmpty() && !key.contains(u'=') && !key.contains(u'\n') && !key.contains(u'\r'));
    Section& s = sectionForWrite(section);
    const QString folded = fold(key);
    const auto it = s.index.constFind(folded);
    if (it != s.index.cend()) {
        s.lines[*it].text = cleanValue(value);
        return;
    }
    // New keys go after the section's last non-blank line, before the gap to the next one.
    qsizetype pos = s.lines.size();
    while (pos > 0 && !s.lines[pos - 1].isEntry && trimBlanks(s.lines[pos - 1].text).isEmpty())
        --pos;
    s.lines.insert(pos, Line{true, key, cleanValue(value)});
    s.index.insert(folded, pos); // only blank lines follow, none of them indexed
}

void IniFile::removeKey(const QString& section, const QString& key)
{
    const auto it = m_sectionIndex.constFind(fold(section));
    if (it == m_sectionIndex.cend())
        return;
    Section& s = m_sections[*it];
    const QString folded = fold(key);
    const auto removed =
        s.lines.removeIf([&folded](const Line& line) { return line.isEntry && fold(line.key) == folded; });
    if (removed > 0)
        s.reindex();
}

void IniFile::removeSection(const QString& section)
{
    const QString folded = fold(section);
    const auto removed = m_sections.removeIf([&folded](const Section& s) { return fold(s.name) == folded; });
    if (removed > 0)
        reindexSections();
}

QString IniFile::subsection(const QString& section, const QString& key)
{
    return section % u'\\' % key;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    return value(section, key).value_or(def);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    setValue(section, key, value);
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    const std::optional<QString> v = value(section, key);
    if (!v)
        return def;
    for (const QLatin1StringView word : {"TRUE"_L1, "YES"_L1, "Y"_L1}) {
        if (v->compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    for (const QLatin1StringView word : {"FALSE"_L1, "NO"_L1, "N"_L1}) {
        if (v->compare(word, Qt::CaseInsensitive) == 0)
            return false;
    }
    return def;
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    setValue(section, key, value ? u"TRUE"_s : u"FALSE"_s);
}

int IniFile::readInt(const QString& section, const QString& key, int def) const
{
    const std::optional<QString> v = value(section, key);
    if (!v)
        return def;
    bool ok = false;
    const int n = v->toInt(&ok, 10);
    return ok ? n : def;
}

void IniFile::writeInt(const QString& section, const QString& key, int value)
{
    setValue(section, key, QString::number(value));
}

QStringList IniFile::readStringList(const QString& section, const QString& key, const QStringList& def) const
{
    const Section* s = findSection(subsection(section, key));
    if (!s)
        return def;
    const auto countLine = s->index.constFind(fold(u"Count"_s));
    if (countLine == s->index.cend())
        return def;
    bool ok = false;
    const int count = s->lines[*countLine].text.toInt(&ok, 10);
    if (!ok || count < 0)
        return def;
    // Walk the entries rather than probing Item0..Item<Count-1>: a huge Count in a
    // hand-edited file then costs nothing.
    QList<std::pair<int, qsizetype>> items;
    for (qsizetype i = 0; i < s->lines.size(); ++i) {
        const Line& line = s->lines[i];
        if (!line.isEntry)
            continue;
        const std::optional<int> n = itemIndex(line.key);
        if (n && *n < count && s->index.value(fold(line.key)) == i)
            items.append({*n, i});
    }
    std::sort(items.begin(), items.end());
    QStringList out;
    out.reserve(items.size());
    for (const auto& item : std::as_const(items))
        out.append(s->lines[item.second].text);
    return out;
}

void IniFile::writeStringList(const QString& section, const QString& key, const QStringList& list)
{
    const QString sub = subsection(section, key);
    Section& s = sectionForWrite(sub);
    // Drop the old entries (stale items past the new count included); comments stay.
    s.lines.removeIf([](const Line& line) { return line.isEntry; });
    s.reindex();
    setValue(sub, u"Count"_s, QString::number(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i)
        setValue(sub, u"Item"_s + QString::number(i), list[i]);
}

FontSpec IniFile::readFont(const QString& section, const QString& key, const FontSpec& def) const
{
    const QString sub = subsection(section, key);
    if (!hasSection(sub))
        return def;
    FontSpec font = def;
    const QString name = readString(sub, u"Name"_s, QString());
    if (!name.isEmpty())
        font.name = name;
    font.height = readInt(sub, u"Height"_s, def.height);
    if (const std::optional<QString> color = value(sub, u"Color"_s)) {
        bool ok = false;
        const uint u = color->toUInt(&ok, 10);
        if (ok) {
            font.color = u;
        } else {
            // Colours written as signed numbers (system colours are negative that way).
            const int i = color->toInt(&ok, 10);
            if (ok)
                font.color = static_cast<quint32>(i);
        }
    }
    font.charSet = readInt(sub, u"CharSet"_s, def.charSet);
    const int style = readInt(sub, u"Style"_s, def.style);
    font.style = style & (FontSpec::Bold | FontSpec::Italic | FontSpec::Underline | FontSpec::StrikeOut);
    return font;
}

void IniFile::writeFont(const QString& section, const QString& key, const FontSpec& font)
{
    const QString sub = subsection(section, key);
    writeString(sub, u"Name"_s, font.name);
    writeInt(sub, u"Height"_s, font.height);
    writeString(sub, u"Color"_s, QString::number(font.color));
    writeInt(sub, u"CharSet"_s, font.charSet);
    writeInt(sub, u"Style"_s, font.style);
}

std::optional<WindowPlacement> IniFile::readPlacement(const QString& section) const
{
    const std::optional<QString> normText = value(section, u"NormPos"_s);
    if (!normText)
        return std::nullopt;
    const auto norm = parseQuad(*normText);
    if (!norm)
        return std::nullopt;
    WindowPlacement p;
    p.left = (*norm)[0];
    p.top = (*norm)[1];
    p.right = (*norm)[2];
    p.bottom = (*norm)[3];
    p.flags = readInt(section, u"Flags"_s, p.flags);
    p.pixelsPerInch = readInt(section, u"PixelsPerInch"_s, p.pixelsPerInch);
    if (const auto minMax = parseQuad(readString(section, u"MinMaxPos"_s, QString()))) {
        p.minX = (*minMax)[0];
        p.minY = (*minMax)[1];
        p.maxX = (*minMax)[2];
        p.maxY = (*minMax)[3];
    }
    return p;
}

void IniFile::writePlacement(const QString& section, const WindowPlacement& p)
{
    writeInt(section, u"Flags"_s, p.flags);
    writeInt(section, u"PixelsPerInch"_s, p.pixelsPerInch);
    writeString(section, u"MinMaxPos"_s, formatQuad(p.minX, p.minY, p.maxX, p.maxY));
    writeString(section, u"NormPos"_s, formatQuad(p.left, p.top, p.right, p.bottom));
}

} // namespace vantrel
