#include "platform/linux/xdgautostart.h"

#include "core/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// The general escapes of desktop-entry string values.
QString escapeValue(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value[i];
        if (ch == u'\\')
            result += u"\\\\"_s;
        else if (ch == u'\n')
            result += u"\\n"_s;
        else if (ch == u'\t')
            result += u"\\t"_s;
        else if (ch == u'\r')
            result += u"\\r"_s;
        else if (ch == u' ' && i == 0)
            result += u"\\s"_s;
        else
            result += ch;
    }
    return result;
}

QString unescapeValue(QStringView value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            result += u' ';
        else if (next == u'n')
            result += u'\n';
        else if (next == u't')
            result += u'\t';
        else if (next == u'r')
            result += u'\r';
        else if (next == u'\\')
            result += u'\\';
        else
            result += QString{u'\\', next};
    }
    return result;
}

// Quotes one argument of an Exec line: inside double quotes, the characters ", `, $ and \ are
// escaped with a backslash; a literal % is written %%.
QString quoteExecArgument(const QString& argument, bool always)
{
    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_s;
    bool needsQuotes = always || argument.isEmpty();
    QString escaped;
    for (const QChar ch : argument) {
        if (reserved.contains(ch))
            needsQuotes = true;
        if (ch == u'"' || ch == u'`' || ch == u'$' || ch == u'\\')
            escaped += u'\\';
        if (ch == u'%')
            escaped += u'%';
        escaped += ch;
    }
    if (!needsQuotes)
        return escaped;
    return u'"' + escaped + u'"';
}

bool isValidName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != u"."_s && name != u".."_s;
}

// The values of the keys of the [Desktop Entry] group (localised keys are skipped).
QHash<QString, QString> readDesktopEntry(const QString& path)
{
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    bool inEntryGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inEntryGroup = line == u"[Desktop Entry]"_s;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inEntryGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!values.contains(key))
            values.insert(key, unescapeValue(QStringView(line).sliced(equals + 1).trimmed()));
    }
    return values;
}

} // namespace

XdgAutostart::XdgAutostart(const QString& autostartFolder)
    : m_folder(autostartFolder)
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/autostart"_s;
}

QString XdgAutostart::entryPath(const QString& name) const
{
    return m_folder + u'/' + name + u".desktop"_s;
}

QString XdgAutostart::makeCommand(const QString& programPath, const QString& argument) const
{
    return quoteExecArgument(programPath, true) + u' ' + quoteExecArgument(argument, false);
}

bool XdgAutostart::isAutorun(const QString& name, const QString& command) const
{
    if (!isValidName(name))
        return false;
    const QHash<QString, QString> entry = readDesktopEntry(entryPath(name));
    const auto exec = entry.constFind(u"Exec"_s);
    if (exec == entry.cend() || *exec != command)
        return false;
    // A disabled entry is not started by the session.
    return entry.value(u"Hidden"_s) != u"true"_s && entry.value(u"X-GNOME-Autostart-enabled"_s) != u"false"_s;
}

bool XdgAutostart::addAutorun(const QString& name, const QString& command)
{
    if (!isValidName(name) || !QDir().mkpath(m_folder))
        return false;
    const QString text = u"[Desktop Entry]\n"
                         u"Type=Application\n"
                         u"Version=1.0\n"
                         u"Name=Vantrel\n"
                         u"Comment=LAN messenger\n"
                         u"Icon=vantrel\n"
                         u"Exec="_s +
                         escapeValue(command) +
                         u"\n"
                         u"Terminal=false\n"
                         u"X-GNOME-Autostart-enabled=true\n"_s;
    return WriteFileAtomically(entryPath(name), text.toUtf8());
}

bool XdgAutostart::deleteAutorun(const QString& name)
{
    if (!isValidName(name))
        return false;
    return QFile::remove(entryPath(name));
}

} // namespace vantrel
