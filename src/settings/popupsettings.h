#pragma once

#include "settings/inifile.h"

#include <QString>

namespace vantrel {

// The small settings file of one contact's popup window: "<Conf>/<nickname>.ini" with the
// nickname made safe by SafeFileName(), section fmVTLPopup holding Memo_Message_Height and
// the window placement. Values stay in memory until save(), which the popup window calls
// when it is destroyed.
class PopupSettingsFile final {
public:
    static constexpr QLatin1StringView SectionName{"fmVTLPopup"};

    // Reads the contact's file when it exists.
    PopupSettingsFile(const QString& confDir, const QString& nickname);
    Q_DISABLE_COPY_MOVE(PopupSettingsFile)

    // The file of a contact; always directly inside confDir.
    static QString pathFor(const QString& confDir, const QString& nickname);
    QString path() const { return m_ini.path(); }

    // Height of the reply box; designDefault when none is stored or it is unreadable.
    int memoMessageHeight(int designDefault) const;
    void setMemoMessageHeight(int height);

    // !isValid() when none is stored.
    WindowPlacement placement() const;
    void setPlacement(const WindowPlacement& placement);

    // Writes the file atomically; false (and lastError()) on failure, the old file intact.
    bool save();
    QString lastError() const { return m_lastError; }

private:
    IniFile m_ini;
    QString m_lastError;
};

} // namespace vantrel
