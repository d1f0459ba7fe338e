#include "settings/popupsettings.h"

#include "settings/safefilename.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace vantrel {

PopupSettingsFile::PopupSettingsFile(const QString& confDir, const QString& nickname)
    : m_ini(pathFor(confDir, nickname))
{
    if (!m_ini.load())
        m_lastError = m_ini.errorString();
}

QString PopupSettingsFile::pathFor(const QString& confDir, const QString& nickname)
{
    return PathIgnoringCase(QDir::cleanPath(confDir), SafeFileName(nickname) + u".ini"_s);
}

int PopupSettingsFile::memoMessageHeight(int designDefault) const
{
    return m_ini.readInt(QString(SectionName), u"Memo_Message_Height"_s, designDefault);
}

void PopupSettingsFile::setMemoMessageHeight(int height)
{
    m_ini.writeInt(QString(SectionName), u"Memo_Message_Height"_s, height);
}

WindowPlacement PopupSettingsFile::placement() const
{
    return m_ini.readPlacement(QString(SectionName)).value_or(WindowPlacement{});
}

void PopupSettingsFile::setPlacement(const WindowPlacement& placement)
{
    m_ini.writePlacement(QString(SectionName), placement);
}

bool PopupSettingsFile::save()
{
    if (m_ini.save()) {
        m_lastError.clear();
        return true;
    }
    m_lastError = m_ini.errorString();
    return false;
}

} // namespace vantrel
