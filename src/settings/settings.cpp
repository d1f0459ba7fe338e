#include "settings/settings.h"

#include "settings/hotkeycode.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Hot keys: low byte the key code, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
constexpr int HotKeyCtrlAltR = HotKeyCode::Ctrl | HotKeyCode::Alt | 0x52; // 49234
constexpr int HotKeyCtrlAltA = HotKeyCode::Ctrl | HotKeyCode::Alt | 0x41; // 49217

constexpr qsizetype MaxFromNameLength = 36;

int clampRefresh(const int& v)
{
    return std::clamp(v, 0, 720);
}

int clampDropDownCount(const int& v)
{
    return std::clamp(v, 1, 100);
}

int clampAwayMinutes(const int& v)
{
    return std::clamp(v, 1, 60);
}

QString limitFromName(const QString& v)
{
    if (v.size() <= MaxFromNameLength)
        return v;
    qsizetype n = MaxFromNameLength;
    if (v.at(n - 1).isHighSurrogate()) // never split a surrogate pair
        --n;
    return v.left(n);
}

QString awayText()
{
    return u"Меня нет"_s;
}

FontSpec defaultPopupFont()
{
    FontSpec font;
    font.name = u"MS Sans Serif"_s;
    font.height = -13;
    font.color = FontSpec::WindowTextColor;
    font.charSet = FontSpec::RussianCharSet;
    font.style = 0;
    return font;
}

} // namespace

// The key of every value is the member's own name.
#define VANTREL_SETTING(name, ...) name(host, section, QStringLiteral(#name), __VA_ARGS__)

Settings::MainWindowSection::MainWindowSection(SettingsHost& host)
    : MainWindowSection(host, QString(Settings::MainWindowSectionName))
{}

Settings::MainWindowSection::MainWindowSection(SettingsHost& host, const QString& section)
    : VANTREL_SETTING(ComboBox_Comp_Text, QString())
    , VANTREL_SETTING(ComboBox_Comp_DropDownCount, 8)
    , VANTREL_SETTING(Timer_Ping_Enabled, true)
    , VANTREL_SETTING(Timer_Ping_Interval, 300000)
    , VANTREL_SETTING(JvApplicationHotKey_Main_HotKey, HotKeyCtrlAltR)
    , VANTREL_SETTING(ListBox_Answering_Items, QStringList{awayText()})
    , VANTREL_SETTING(ListBox_SpeedMsg_Items, QStringList{u"OK"_s, u"Да"_s, u"Нет"_s})
    , VANTREL_SETTING(Timer_AutoAnswering_Enabled, true)
    , VANTREL_SETTING(Timer_AAScreenSaver_Enabled, true)
    , VANTREL_SETTING(S_Answering, awayText())
    , VANTREL_SETTING(NewVersion, QString())
    , VANTREL_SETTING(UpdateServer, QStringLiteral(VANTREL_UPDATE_SERVER))
{}

Settings::ConfigSection::ConfigSection(SettingsHost& host)
    : ConfigSection(host, QString(Settings::ConfigSectionName))
{}

Settings::ConfigSection::ConfigSection(SettingsHost& host, const QString& section)
    : VANTREL_SETTING(dxCheckbox_RUS_Checked, true)
    , VANTREL_SETTING(dxCheckbox_IP_Checked, true)
    , VANTREL_SETTING(dxCheckbox_Notifications_Checked, false)
    , VANTREL_SETTING(dxCheckbox_Min_Checked, false)
    , VANTREL_SETTING(SpinEdit_Ref_Value, 5, &clampRefresh)
    , VANTREL_SETTING(SpinEdit_CBComp_Count_Value, 8, &clampDropDownCount)
    , VANTREL_SETTING(dxCheckbox_AutoAddUser_Checked, false)
    , VANTREL_SETTING(dxCheckbox_History_Checked, true)
    , VANTREL_SETTING(dxCheckbox_From_Checked, false)
    , VANTREL_SETTING(Edit_From_Text, QString(), &limitFromName)
    , VANTREL_SETTING(dxCheckbox_Clear_Checked, true)
    , VANTREL_SETTING(dxCheckbox_AutoUnCheck_Checked, true)
    , VANTREL_SETTING(dxCheckbox_Hook_Checked, true)
    , VANTREL_SETTING(dxCheckbox_TCPMessage_Checked, true)
    , VANTREL_SETTING(ListBox_BlackList_Items, QStringList())
    , VANTREL_SETTING(JvApplicationHotKey_AA_HotKey, HotKeyCtrlAltA)
    , VANTREL_SETTING(Checkbox_AutoFolder_Checked, true)
    , VANTREL_SETTING(Edit_AutoFolder_Text, QString())
    , VANTREL_SETTING(Checkbox_AutoContact_Checked, false)
    , VANTREL_SETTING(SpinEdit_AutoAnswering_Value, 10, &clampAwayMinutes)
    , VANTREL_SETTING(SpeedBtn_AAText_Caption, awayText())
    , VANTREL_SETTING(dxCheckbox_PlaySound_Checked, true)
    , VANTREL_SETTING(FilenameEdit_PlaySound_FileName, QString())
    , VANTREL_SETTING(FontDialog_Popup_Font, defaultPopupFont())
    , VANTREL_SETTING(dxCheckbox_SpeakerSound_Checked, false)
    , VANTREL_SETTING(CheckBox_General_List_Checked, false)
    , VANTREL_SETTING(FilenameEdit_General_List_FileName, QString())
    , VANTREL_SETTING(CheckBox_Smiles_Checked, true)
    , VANTREL_SETTING(JvFilenameEdit_Smiles_FileName, QString())
    , VANTREL_SETTING(CheckBox_Popup_Checked, false)
    , VANTREL_SETTING(ComboBox_Comp_ItemIndex, 0)
{}

#undef VANTREL_SETTING

Settings::Settings(QString iniPath, QObject* parent)
    : QObject(parent)
    , VTLForm(*this)
    , fmConfig(*this)
    , m_ini(std::move(iniPath))
{
    m_fileExistedAtStart = QFileInfo::exists(m_ini.path());
    if (!m_ini.load()) {
        m_lastError = m_ini.errorString();
        return; // every value keeps its default
    }
    for (SettingBase* setting : registeredSettings())
        setting->reload(m_ini);
}

Settings::~Settings() = default;

void Settings::writeThrough(SettingBase& setting)
{
    setting.store(m_ini);
    persist();
}

void Settings::settingChanged(const SettingBase& setting)
{
    Q_EMIT changed(setting.section(), setting.key());
}

bool Settings::persist()
{
    if (m_ini.save()) {
        m_lastError.clear();
        return true;
    }
    m_lastError = m_ini.errorString();
    Q_EMIT saveFailed(m_ini.path(), m_lastError);
    return false;
}

void Settings::saveAll()
{
    for (SettingBase* setting : registeredSettings())
        setting->store(m_ini);
    persist();
}

void Settings::saveSection(const QString& section)
{
    bool any = false;
    for (SettingBase* setting : registeredSettings()) {
        if (setting->section().compare(section, Qt::CaseInsensitive) == 0) {
            setting->store(m_ini);
            any = true;
        }
    }
    if (any)
        persist();
}

void Settings::revertSection(const QString& section)
{
    // The in-memory contents mirror the file as last written, so reading them back is
    // reading the file, without losing what a failed save could not write.
    for (SettingBase* setting : registeredSettings()) {
        if (setting->section().compare(section, Qt::CaseInsensitive) == 0 && setting->reload(m_ini))
            settingChanged(*setting);
    }
}

void Settings::fillEmptyValues(const QString& documentsDir, const QString& programDataDir)
{
    if (fmConfig.Edit_AutoFolder_Text.value().trimmed().isEmpty() && !documentsDir.isEmpty()) {
        const QString folder = QDir::cleanPath(documentsDir + u"/Файлы Vantrel"_s);
        QDir().mkpath(folder);
        fmConfig.Edit_AutoFolder_Text.setValue(folder);
    }
    if (programDataDir.isEmpty())
        return;
    if (fmConfig.FilenameEdit_PlaySound_FileName.value().trimmed().isEmpty())
        fmConfig.FilenameEdit_PlaySound_FileName.setValue(
            QDir::cleanPath(programDataDir + u"/Sounds/message.wav"_s));
    if (fmConfig.JvFilenameEdit_Smiles_FileName.value().trimmed().isEmpty())
        fmConfig.JvFilenameEdit_Smiles_FileName.setValue(
            QDir::cleanPath(programDataDir + u"/Smiles/Default/Smiles.ini"_s));
}

WindowPlacement Settings::placement(const QString& section) const
{
    return m_ini.readPlacement(section).value_or(WindowPlacement{});
}

void Settings::setPlacement(const QString& section, const WindowPlacement& placement)
{
    if (m_ini.readPlacement(section) == placement)
        return;
    m_ini.writePlacement(section, placement);
    persist();
}

} // namespace vantrel
