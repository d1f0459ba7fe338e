#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace vantrel {

class IniFile;
class SettingBase;

// How Setting::setValue() treats the file.
enum class WriteMode {
    // The new value is written to the settings file at once.
    Immediate,
    // The value changes in memory only. It reaches the file with the next save of its
    // section (Settings::saveSection / saveAll) or an Immediate write of the same setting,
    // and Settings::revertSection drops it. This is how a dialog edits values that its
    // Cancel must be able to undo.
    Deferred,
};

// The owner of a group of settings: keeps the list of them and writes them through.
class SettingsHost {
public:
    const QList<SettingBase*>& registeredSettings() const { return m_settings; }

    // Writes the setting's current value to the file.
    virtual void writeThrough(SettingBase& setting) = 0;
    // The setting's current value has changed.
    virtual void settingChanged(const SettingBase& setting) = 0;

protected:
    SettingsHost() = default;
    virtual ~SettingsHost() = default;
    SettingsHost(const SettingsHost&) = delete;
    SettingsHost& operator=(const SettingsHost&) = delete;

private:
    friend class SettingBase;
    QList<SettingBase*> m_settings;
};

// The type-independent part of a Setting: its place in the file and its link to the host.
class SettingBase {
public:
    virtual ~SettingBase() = default;
    Q_DISABLE_COPY_MOVE(SettingBase)

    QString section() const { return m_section; }
    QString key() const { return m_key; }

    // Writes the current value into the INI contents; it then counts as saved.
    virtual void store(IniFile& ini) = 0;
    // Takes the value from the INI contents. A missing or unreadable value falls back to the
    // last saved one (the built-in default before anything was loaded or saved).
    // Returns whether the current value changed.
    virtual bool reload(const IniFile& ini) = 0;
    // The current value differs from the last saved or loaded one.
    virtual bool hasUnsavedChange() const = 0;

protected:
    SettingBase(SettingsHost& host, QString section, QString key)
        : m_host(host)
        , m_section(std::move(section))
        , m_key(std::move(key))
    {
        m_host.m_settings.append(this);
    }

    SettingsHost& m_host;

private:
    QString m_section;
    QString m_key;
};

} // namespace vantrel
