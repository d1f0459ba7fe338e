#pragma once

#include "settings/inifile.h"
#include "settings/settingbase.h"

#include <QStringList>

#include <type_traits>

namespace vantrel {

// One stored value with its section, key and built-in default. The value is read from
// and written to the settings file through the owning host (Settings).
//
// setValue(v) writes through to the file at once when the value differs from the saved
// one; setValue(v, WriteMode::Deferred) only changes it in memory (see WriteMode).
// A normaliser, when given, brings every value into range (clamping, length limit), both
// values read from the file and values set.
template <typename T>
class Setting final : public SettingBase {
public:
    using Normalizer = T (*)(const T&);

    Setting(SettingsHost& host, QString section, QString key, T def, Normalizer normalizer = nullptr)
        : SettingBase(host, std::move(section), std::move(key))
        , m_default(std::move(def))
        , m_normalizer(normalizer)
    {
        if (m_normalizer)
            m_default = m_normalizer(m_default);
        m_value = m_default;
        m_saved = m_default;
    }

    const T& value() const { return m_value; }
    const T& defaultValue() const { return m_default; }

    void setValue(const T& v, WriteMode mode = WriteMode::Immediate)
    {
        const T n = m_normalizer ? m_normalizer(v) : v;
        const bool changed = !(n == m_value);
        if (changed)
            m_value = n;
        if (mode == WriteMode::Immediate && !(m_value == m_saved))
            m_host.writeThrough(*this);
        if (changed)
            m_host.settingChanged(*this);
    }

    void store(IniFile& ini) override
    {
        if constexpr (std::is_same_v<T, bool>)
            ini.writeBool(section(), key(), m_value);
        else if constexpr (std::is_same_v<T, int>)
            ini.writeInt(section(), key(), m_value);
        else if constexpr (std::is_same_v<T, QString>)
            ini.writeString(section(), key(), m_value);
        else if constexpr (std::is_same_v<T, QStringList>)
            ini.writeStringList(section(), key(), m_value);
        else if constexpr (std::is_same_v<T, FontSpec>)
            ini.writeFont(section(), key(), m_value);
        else
            static_assert(!sizeof(T), "no INI representation for this type");
        m_saved = m_value;
    }

    bool reload(const IniFile& ini) override
    {
        T v = read(ini);
        if (m_normalizer)
            v = m_normalizer(v);
        m_saved = v;
        if (v == m_value)
            return false;
        m_value = std::move(v);
        return true;
    }

    bool hasUnsavedChange() const override { return !(m_value == m_saved); }

private:
    T read(const IniFile& ini) const
    {
        if constexpr (std::is_same_v<T, bool>)
            return ini.readBool(section(), key(), m_saved);
        else if constexpr (std::is_same_v<T, int>)
            return ini.readInt(section(), key(), m_saved);
        else if constexpr (std::is_same_v<T, QString>)
            return ini.readString(section(), key(), m_saved);
        else if constexpr (std::is_same_v<T, QStringList>)
            return ini.readStringList(section(), key(), m_saved);
        else if constexpr (std::is_same_v<T, FontSpec>)
            return ini.readFont(section(), key(), m_saved);
        else
            static_assert(!sizeof(T), "no INI representation for this type");
    }

    T m_default;
    T m_value;
    T m_saved; // the value the file holds (or would give on reading)
    Normalizer m_normalizer;
};

} // namespace vantrel
