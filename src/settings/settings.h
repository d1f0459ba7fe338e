#pragma once

#include "settings/inifile.h"
#include "settings/setting.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace vantrel {

// The typed model of the settings file VantrelMsg.ini: every stored value of the main
// window (section VTLForm) and of the settings dialog (section fmConfig) with its key and
// built-in default, plus the window placements of every section.
//
// Every change is written through to the file at once (Setting::setValue); the dialog
// edits with WriteMode::Deferred and then either saves its section (OK) or reverts it
// (Cancel). The file is rewritten whole and atomically on each write.
//
// Reading: a missing value keeps its default; a value that cannot be read as its type
// keeps its default silently; a missing list subsection keeps the built-in list, Count=0
// gives an empty list. Values out of range are clamped on loading: SpinEdit_Ref_Value
// 0-720, SpinEdit_CBComp_Count_Value 1-100, SpinEdit_AutoAnswering_Value 1-60,
// Edit_From_Text at most 36 characters.
//
// Main thread only; a worker that needs a value (NewVersion) must go through the main
// thread.
class Settings final : public QObject, private SettingsHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Settings)

public:
    static constexpr QLatin1StringView MainWindowSectionName{"VTLForm"};
    static constexpr QLatin1StringView ConfigSectionName{"fmConfig"};

    // Loads the file if present.
    explicit Settings(QString iniPath, QObject* parent = nullptr);
    ~Settings() override;

    QString path() const { return m_ini.path(); }

    // Section "VTLForm": the main window.
    struct MainWindowSection {
        explicit MainWindowSection(SettingsHost& host);
        Q_DISABLE_COPY_MOVE(MainWindowSection)

        Setting<QString> ComboBox_Comp_Text;
        Setting<int> ComboBox_Comp_DropDownCount;
        Setting<bool> Timer_Ping_Enabled;
        Setting<int> Timer_Ping_Interval; // milliseconds
        Setting<int> JvApplicationHotKey_Main_HotKey;
        Setting<QStringList> ListBox_Answering_Items;
        Setting<QStringList> ListBox_SpeedMsg_Items;
        Setting<bool> Timer_AutoAnswering_Enabled;
        Setting<bool> Timer_AAScreenSaver_Enabled;
        // Extra values.
        Setting<QString> S_Answering;
        Setting<QString> NewVersion;
        // Base address of the update server ("https://host"); empty switches the check off.
        Setting<QString> UpdateServer;

    private:
        MainWindowSection(SettingsHost& host, const QString& section);
    } VTLForm;

    // Section "fmConfig": the settings dialog.
    struct ConfigSection {
        explicit ConfigSection(SettingsHost& host);
        Q_DISABLE_COPY_MOVE(ConfigSection)

        Setting<bool> dxCheckbox_RUS_Checked;
        Setting<bool> dxCheckbox_IP_Checked;
        Setting<bool> dxCheckbox_Notifications_Checked;
        Setting<bool> dxCheckbox_Min_Checked;
        Setting<int> SpinEdit_Ref_Value;          // minutes, 0-720
        Setting<int> SpinEdit_CBComp_Count_Value; // 1-100
        Setting<bool> dxCheckbox_AutoAddUser_Checked;
        Setting<bool> dxCheckbox_History_Checked;
        Setting<bool> dxCheckbox_From_Checked;
        Setting<QString> Edit_From_Text; // at most 36 characters
        Setting<bool> dxCheckbox_Clear_Checked;
        Setting<bool> dxCheckbox_AutoUnCheck_Checked;
        Setting<bool> dxCheckbox_Hook_Checked;
        Setting<bool> dxCheckbox_TCPMessage_Checked;
        Setting<QStringList> ListBox_BlackList_Items;
        Setting<int> JvApplicationHotKey_AA_HotKey;
        Setting<bool> Checkbox_AutoFolder_Checked;
        Setting<QString> Edit_AutoFolder_Text;
        Setting<bool> Checkbox_AutoContact_Checked;
        Setting<int> SpinEdit_AutoAnswering_Value; // minutes, 1-60
        Setting<QString> SpeedBtn_AAText_Caption;
        Setting<bool> dxCheckbox_PlaySound_Checked;
        Setting<QString> FilenameEdit_PlaySound_FileName;
        Setting<FontSpec> FontDialog_Popup_Font;
        Setting<bool> dxCheckbox_SpeakerSound_Checked;
        Setting<bool> CheckBox_General_List_Checked;
        Setting<QString> FilenameEdit_General_List_FileName;
        Setting<bool> CheckBox_Smiles_Checked;
        Setting<QString> JvFilenameEdit_Smiles_FileName;
        Setting<bool> CheckBox_Popup_Checked;
        // Extra value.
        Setting<int> ComboBox_Comp_ItemIndex;

    private:
        ConfigSection(SettingsHost& host, const QString& section);
    } fmConfig;

    // Whether the settings file existed when this object was made (first-run detection).
    bool fileExistedAtStart() const { return m_fileExistedAtStart; }

    // Writes every value of both sections, defaults and deferred edits included.
    void saveAll();
    // Writes every value of one section, deferred edits included.
    void saveSection(const QString& section);
    // Takes the section's values back from the file, dropping deferred edits. A value the
    // file lacks goes back to its last saved value. The placement is not touched.
    void revertSection(const QString& section);
    // Fills the empty file and folder names: Edit_AutoFolder_Text with documentsDir +
    // "/Файлы Vantrel" (and creates that folder), FilenameEdit_PlaySound_FileName with
    // programDataDir + "/Sounds/message.wav", JvFilenameEdit_Smiles_FileName with
    // programDataDir + "/Smiles/Default/Smiles.ini". An empty base folder fills nothing.
    void fillEmptyValues(const QString& documentsDir, const QString& programDataDir);

    // The stored placement of a window section; !isValid() when none is stored.
    WindowPlacement placement(const QString& section) const;
    // Stores a window placement and writes it through.
    void setPlacement(const QString& section, const WindowPlacement& placement);

    // The error of the last failed load or save; empty after a successful save.
    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    void changed(const QString& section, const QString& key);
    void saveFailed(const QString& path, const QString& error);

private:
    void writeThrough(SettingBase& setting) override;
    void settingChanged(const SettingBase& setting) override;
    bool persist();

    IniFile m_ini;
    QString m_lastError;
    bool m_fileExistedAtStart = false;
};

} // namespace vantrel
