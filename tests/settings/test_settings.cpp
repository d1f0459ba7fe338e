#include "settings/settings.h"

#include "common/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using vantrel::FontSpec;
using vantrel::IniFile;
using vantrel::Settings;
using vantrel::WindowPlacement;
using vantrel::WriteMode;

namespace {

// The file is rewritten by rename, so a new inode means a new save.
ino_t inodeOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_ino;
}

IniFile fileContents(const QString& path)
{
    IniFile ini(path);
    if (!ini.load())
        qWarning("cannot read %s", qPrintable(path));
    return ini;
}

} // namespace

class TestSettings final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartWritesEveryKey();
    void changesAreWrittenThrough();
    void deferredEditsRevert();
    void emptyListSurvivesRestart();
    void handEditedValuesAreReadAndClamped();
    void fillEmptyValuesKeepsUserChoices();
    void placementsPersist();
    void failedSaveIsReported();

private:
    QTemporaryDir m_dir;
};

void TestSettings::firstStartWritesEveryKey()
{
    const QString conf = m_dir.filePath(u"first/Conf"_s);
    const QString path = conf + u"/VantrelMsg.ini"_s;
    const QString docs = m_dir.filePath(u"first/Documents"_s);
    const QString data = m_dir.filePath(u"first/share/vantrel"_s);
    {
        Settings settings(path);
        QVERIFY(!settings.fileExistedAtStart());
        settings.fillEmptyValues(docs, data);
        settings.saveAll();
        QVERIFY(settings.lastError().isEmpty());
    }
    QVERIFY(QFileInfo(docs + u"/Файлы Vantrel"_s).isDir());

    const IniFile ini = fileContents(path);
    const QList<std::pair<QString, QString>> config{
        {u"dxCheckbox_RUS_Checked"_s, u"TRUE"_s},
        {u"dxCheckbox_IP_Checked"_s, u"TRUE"_s},
        {u"dxCheckbox_Notifications_Checked"_s, u"FALSE"_s},
        {u"dxCheckbox_Min_Checked"_s, u"FALSE"_s},
        {u"SpinEdit_Ref_Value"_s, u"5"_s},
        {u"SpinEdit_CBComp_Count_Value"_s, u"8"_s},
        {u"dxCheckbox_AutoAddUser_Checked"_s, u"FALSE"_s},
        {u"dxCheckbox_History_Checked"_s, u"TRUE"_s},
        {u"dxCheckbox_From_Checked"_s, u"FALSE"_s},
        {u"Edit_From_Text"_s, QString()},
        {u"dxCheckbox_Clear_Checked"_s, u"TRUE"_s},
        {u"dxCheckbox_AutoUnCheck_Checked"_s, u"TRUE"_s},
        {u"dxCheckbox_Hook_Checked"_s, u"TRUE"_s},
        {u"dxCheckbox_TCPMessage_Checked"_s, u"TRUE"_s},
        {u"JvApplicationHotKey_AA_HotKey"_s, u"49217"_s},
        {u"Checkbox_AutoFolder_Checked"_s, u"TRUE"_s},
        {u"Edit_AutoFolder_Text"_s, docs + u"/Файлы Vantrel"_s},
        {u"Checkbox_AutoContact_Checked"_s, u"FALSE"_s},
        {u"SpinEdit_AutoAnswering_Value"_s, u"10"_s},
        {u"SpeedBtn_AAText_Caption"_s, u"Меня нет"_s},
        {u"dxCheckbox_PlaySound_Checked"_s, u"TRUE"_s},
        {u"FilenameEdit_PlaySound_FileName"_s, data + u"/Sounds/message.wav"_s},
        {u"dxCheckbox_SpeakerSound_Checked"_s, u"FALSE"_s},
        {u"CheckBox_General_List_Checked"_s, u"FALSE"_s},
        {u"FilenameEdit_General_List_FileName"_s, QString()},
        {u"CheckBox_Smiles_Checked"_s, u"TRUE"_s},
        {u"JvFilenameEdit_Smiles_FileName"_s, data + u"/Smiles/Default/Smiles.ini"_s},
        {u"CheckBox_Popup_Checked"_s, u"FALSE"_s},
        {u"ComboBox_Comp_ItemIndex"_s, u"0"_s},
    };
    QStringList expectedKeys;
    for (const auto& [key, text] : config) {
        QCOMPARE(ini.value(u"fmConfig"_s, key), std::optional<QString>(text));
        expectedKeys.append(key);
    }
    QStringList keys = ini.keys(u"fmConfig"_s);
    keys.sort();
    expectedKeys.sort();
    QCOMPARE(keys, expectedKeys);
    QCOMPARE(ini.readStringList(u"fmConfig"_s, u"ListBox_BlackList_Items"_s, {u"x"_s}), QStringList());
    QCOMPARE(ini.value(u"fmConfig\\FontDialog_Popup_Font"_s, u"Name"_s), u"MS Sans Serif"_s);
    QCOMPARE(ini.value(u"fmConfig\\FontDialog_Popup_Font"_s, u"Height"_s), u"-13"_s);
    QCOMPARE(ini.value(u"fmConfig\\FontDialog_Popup_Font"_s, u"CharSet"_s), u"204"_s);

    const QList<std::pair<QString, QString>> main{
        {u"ComboBox_Comp_Text"_s, QString()},
        {u"ComboBox_Comp_DropDownCount"_s, u"8"_s},
        {u"Timer_Ping_Enabled"_s, u"TRUE"_s},
        {u"Timer_Ping_Interval"_s, u"300000"_s},
        {u"JvApplicationHotKey_Main_HotKey"_s, u"49234"_s},
        {u"Timer_AutoAnswering_Enabled"_s, u"TRUE"_s},
        {u"Timer_AAScreenSaver_Enabled"_s, u"TRUE"_s},
        {u"S_Answering"_s, u"Меня нет"_s},
        {u"NewVersion"_s, QString()},
    };
    for (const auto& [key, text] : main)
        QCOMPARE(ini.value(u"VTLForm"_s, key), std::optional<QString>(text));
    QCOMPARE(ini.readStringList(u"VTLForm"_s, u"ListBox_Answering_Items"_s, {}), QStringList{u"Меня нет"_s});
    QCOMPARE(ini.readStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, {}),
             (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));

    Settings again(path);
    QVERIFY(again.fileExistedAtStart());
}

void TestSettings::changesAreWrittenThrough()
{
    const QString path = m_dir.filePath(u"through/VantrelMsg.ini"_s);
    Settings settings(path);
    QSignalSpy changed(&settings, &Settings::changed);

    settings.VTLForm.ComboBox_Comp_Text.setValue(u"pc-7"_s);
    QCOMPARE(fileContents(path).readString(u"VTLForm"_s, u"ComboBox_Comp_Text"_s, {}), u"pc-7"_s);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0), (QVariantList{u"VTLForm"_s, u"ComboBox_Comp_Text"_s}));

    settings.fmConfig.FontDialog_Popup_Font.setValue(FontSpec{u"Liberation Sans"_s, -16, 0xFFu, 204, 1});
    settings.VTLForm.ListBox_Answering_Items.setValue({u"Обед"_s, u"Совещание"_s});
    {
        Settings second(path); // another reader of the same file sees every change at once
        QCOMPARE(second.VTLForm.ComboBox_Comp_Text.value(), u"pc-7"_s);
        QCOMPARE(second.fmConfig.FontDialog_Popup_Font.value().name, u"Liberation Sans"_s);
        QCOMPARE(second.fmConfig.FontDialog_Popup_Font.value().color, 0xFFu);
        QCOMPARE(second.VTLForm.ListBox_Answering_Items.value(), (QStringList{u"Обед"_s, u"Совещание"_s}));
        QCOMPARE(second.VTLForm.S_Answering.value(), u"Меня нет"_s); // untouched: default
    }

    // Setting the same value again neither signals nor rewrites the file.
    const ino_t inode = inodeOf(path);
    const qsizetype signals = changed.size();
    settings.VTLForm.ComboBox_Comp_Text.setValue(u"pc-7"_s);
    QCOMPARE(changed.size(), signals);
    QCOMPARE(inodeOf(path), inode);
    settings.VTLForm.ComboBox_Comp_Text.setValue(u"pc-8"_s);
    QVERIFY(inodeOf(path) != inode);
}

void TestSettings::deferredEditsRevert()
{
    const QString path = m_dir.filePath(u"revert/VantrelMsg.ini"_s);
    Settings settings(path);
    auto& cfg = settings.fmConfig;

    // Never saved: a reverted value goes back to its default.
    cfg.CheckBox_Popup_Checked.setValue(true, WriteMode::Deferred);
    settings.revertSection(u"fmConfig"_s);
    QCOMPARE(cfg.CheckBox_Popup_Checked.value(), false);
    QVERIFY(!QFile::exists(path));

    settings.saveAll(); // as at the end of the dialog's creation
    const QByteArray saved = readAll(path);
    QSignalSpy changed(&settings, &Settings::changed);

    cfg.dxCheckbox_Min_Checked.setValue(true, WriteMode::Deferred);
    cfg.SpinEdit_Ref_Value.setValue(0, WriteMode::Deferred);
    cfg.Edit_From_Text.setValue(u"Бухгалтерия"_s, WriteMode::Deferred);
    cfg.ListBox_BlackList_Items.setValue({u"SPAMMER"_s}, WriteMode::Deferred);
    settings.VTLForm.ComboBox_Comp_Text.setValue(u"other section"_s, WriteMode::Deferred);
    QCOMPARE(changed.size(), 5);
    QCOMPARE(readAll(path), saved); // nothing written yet
    QVERIFY(cfg.SpinEdit_Ref_Value.hasUnsavedChange());

    WindowPlacement placement;
    placement.left = 10;
    placement.top = 20;
    placement.right = 510;
    placement.bottom = 420;
    settings.setPlacement(u"fmConfig"_s, placement);

    changed.clear();
    settings.revertSection(u"fmConfig"_s); // dialog Cancel
    QCOMPARE(changed.size(), 4);
    QCOMPARE(cfg.dxCheckbox_Min_Checked.value(), false);
    QCOMPARE(cfg.SpinEdit_Ref_Value.value(), 5);
    QCOMPARE(cfg.Edit_From_Text.value(), QString());
    QCOMPARE(cfg.ListBox_BlackList_Items.value(), QStringList());
    QVERIFY(!cfg.SpinEdit_Ref_Value.hasUnsavedChange());
    QCOMPARE(settings.placement(u"fmConfig"_s), placement);                    // placement untouched
    QCOMPARE(settings.VTLForm.ComboBox_Comp_Text.value(), u"other section"_s); // other section untouched

    // OK: the edits reach the file with the section's save, and a later Cancel keeps them.
    cfg.SpinEdit_Ref_Value.setValue(30, WriteMode::Deferred);
    settings.saveSection(u"fmConfig"_s);
    QCOMPARE(fileContents(path).readInt(u"fmConfig"_s, u"SpinEdit_Ref_Value"_s, 0), 30);
    QCOMPARE(fileContents(path).readString(u"VTLForm"_s, u"ComboBox_Comp_Text"_s, {}), QString());
    settings.revertSection(u"fmConfig"_s);
    QCOMPARE(cfg.SpinEdit_Ref_Value.value(), 30);

    // An Immediate write of a deferred value writes it even though the value itself
    // does not change any more.
    settings.VTLForm.ComboBox_Comp_Text.setValue(u"other section"_s);
    QCOMPARE(fileContents(path).readString(u"VTLForm"_s, u"ComboBox_Comp_Text"_s, {}), u"other section"_s);
}

void TestSettings::emptyListSurvivesRestart()
{
    const QString path = m_dir.filePath(u"lists/VantrelMsg.ini"_s);
    {
        Settings settings(path);
        QCOMPARE(settings.VTLForm.ListBox_SpeedMsg_Items.value(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
        settings.VTLForm.ListBox_SpeedMsg_Items.setValue({});
        settings.VTLForm.ListBox_Answering_Items.setValue({u"Ушёл"_s});
    }
    Settings restarted(path);
    QCOMPARE(restarted.VTLForm.ListBox_SpeedMsg_Items.value(), QStringList());
    QCOMPARE(restarted.VTLForm.ListBox_Answering_Items.value(), QStringList{u"Ушёл"_s});
}

void TestSettings::handEditedValuesAreReadAndClamped()
{
    const QString path = m_dir.filePath(u"hand/VantrelMsg.ini"_s);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[VTLForm]\n"
                "Timer_Ping_Enabled = no\n"
                "Timer_Ping_Interval=five minutes\n"
                "[fmConfig]\n"
                "dxCheckbox_Min_Checked=yes\n"
                "SpinEdit_Ref_Value=1000\n"
                "SpinEdit_CBComp_Count_Value=0\n"
                "SpinEdit_AutoAnswering_Value=61\n"
                "Edit_From_Text=0123456789012345678901234567890123456789\n"
                "[fmConfig\\FontDialog_Popup_Font]\n"
                "Name=Liberation Sans\n"
                "[Mine]\n"
                "Keep=this\n");
    }
    Settings settings(path);
    const auto& cfg = settings.fmConfig;
    QCOMPARE(settings.VTLForm.Timer_Ping_Enabled.value(), false);
    QCOMPARE(settings.VTLForm.Timer_Ping_Interval.value(), 300000);
    QCOMPARE(cfg.dxCheckbox_Min_Checked.value(), true);
    QCOMPARE(cfg.SpinEdit_Ref_Value.value(), 720);
    QCOMPARE(cfg.SpinEdit_CBComp_Count_Value.value(), 1);
    QCOMPARE(cfg.SpinEdit_AutoAnswering_Value.value(), 60);
    QCOMPARE(cfg.Edit_From_Text.value(), u"012345678901234567890123456789012345"_s);
    QCOMPARE(cfg.FontDialog_Popup_Font.value().name, u"Liberation Sans"_s);
    QCOMPARE(cfg.FontDialog_Popup_Font.value().height, -13); // attribute missing: default

    // Values set in code are held to the same limits; a surrogate pair is never split.
    settings.fmConfig.SpinEdit_Ref_Value.setValue(-3);
    QCOMPARE(cfg.SpinEdit_Ref_Value.value(), 0);
    const QString emoji = QString(35, u'a') + u"😀"_s;
    settings.fmConfig.Edit_From_Text.setValue(emoji);
    QCOMPARE(cfg.Edit_From_Text.value(), QString(35, u'a'));

    settings.saveAll();
    const IniFile ini = fileContents(path);
    QCOMPARE(ini.readString(u"Mine"_s, u"Keep"_s, {}), u"this"_s);
    QCOMPARE(ini.readInt(u"fmConfig"_s, u"SpinEdit_CBComp_Count_Value"_s, 0), 1);
}

void TestSettings::fillEmptyValuesKeepsUserChoices()
{
    const QString path = m_dir.filePath(u"fill/VantrelMsg.ini"_s);
    const QString docs = m_dir.filePath(u"fill/docs/"_s);
    Settings settings(path);
    settings.fmConfig.FilenameEdit_PlaySound_FileName.setValue(u"/usr/share/sounds/ding.wav"_s);
    settings.fillEmptyValues(QString(), QString()); // nothing known: nothing filled
    QCOMPARE(settings.fmConfig.Edit_AutoFolder_Text.value(), QString());

    settings.fillEmptyValues(docs, u"/opt/vantrel/"_s);
    QCOMPARE(settings.fmConfig.Edit_AutoFolder_Text.value(), m_dir.filePath(u"fill/docs/Файлы Vantrel"_s));
    QVERIFY(QFileInfo(settings.fmConfig.Edit_AutoFolder_Text.value()).isDir());
    QCOMPARE(settings.fmConfig.FilenameEdit_PlaySound_FileName.value(), u"/usr/share/sounds/ding.wav"_s);
    QCOMPARE(settings.fmConfig.JvFilenameEdit_Smiles_FileName.value(),
             u"/opt/vantrel/Smiles/Default/Smiles.ini"_s);
    // Written back at once.
    QCOMPARE(fileContents(path).readString(u"fmConfig"_s, u"JvFilenameEdit_Smiles_FileName"_s, {}),
             u"/opt/vantrel/Smiles/Default/Smiles.ini"_s);
}

void TestSettings::placementsPersist()
{
    const QString path = m_dir.filePath(u"placement/VantrelMsg.ini"_s);
    WindowPlacement p;
    p.flags = 0;
    p.pixelsPerInch = 96;
    p.left = 1600;
    p.top = 168;
    p.right = 1920;
    p.bottom = 768;
    {
        Settings settings(path);
        QVERIFY(!settings.placement(u"VTLForm"_s).isValid());
        settings.setPlacement(u"VTLForm"_s, p);
        settings.setPlacement(u"fmProgress"_s, p);
        const ino_t inode = inodeOf(path);
        settings.setPlacement(u"VTLForm"_s, p); // unchanged: no rewrite
        QCOMPARE(inodeOf(path), inode);
    }
    QCOMPARE(fileContents(path).readString(u"VTLForm"_s, u"NormPos"_s, {}), u"1600,168,1920,768"_s);
    Settings restarted(path);
    QCOMPARE(restarted.placement(u"VTLForm"_s), p);
    QCOMPARE(restarted.placement(u"fmProgress"_s), p);
    QVERIFY(!restarted.placement(u"fmAnswering"_s).isValid());
}

void TestSettings::failedSaveIsReported()
{
    // The folder that should hold the file is a regular file: every save fails.
    const QString blocker = m_dir.filePath(u"blocker"_s);
    {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString path = blocker + u"/VantrelMsg.ini"_s;
    Settings settings(path);
    QSignalSpy failed(&settings, &Settings::saveFailed);
    settings.VTLForm.NewVersion.setValue(u"2.0.0.1"_s);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), path);
    QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    QVERIFY(!settings.lastError().isEmpty());
    QCOMPARE(settings.VTLForm.NewVersion.value(), u"2.0.0.1"_s); // the value itself is kept

    settings.saveAll();
    QCOMPARE(failed.size(), 2);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
