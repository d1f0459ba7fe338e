#include "settings/settings.h"

#include "common/testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Runs `attempt` as an ordinary user: directly when this process is one, else in a child
// process that has given up root (whom file permissions do not stop). 77 when that fails.
int asOrdinaryUser(const std::function<bool()>& attempt)
{
    if (::geteuid() != 0)
        return attempt() ? 0 : 1;
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(77);
        ::_exit(attempt() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 1;
    return WEXITSTATUS(status);
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
    void firstStartFillsAndWritesDefaults()
    {
        const QString path = m_dir.filePath(u"first/Conf/VantrelMsg.ini"_s);
        const QString docs = m_dir.filePath(u"first/Documents/"_s);
        Settings settings(path);
        QVERIFY(!settings.fileExistedAtStart());
        auto& cfg = settings.fmConfig;
        cfg.FilenameEdit_PlaySound_FileName.setValue(u"/usr/share/sounds/ding.wav"_s);
        settings.fillEmptyValues(QString(), QString()); // nothing known: nothing filled
        QCOMPARE(cfg.Edit_AutoFolder_Text.value(), QString());

        settings.fillEmptyValues(docs, u"/opt/vantrel/"_s);
        QCOMPARE(cfg.Edit_AutoFolder_Text.value(), docs + u"Файлы Vantrel"_s);
        QVERIFY(QFileInfo(cfg.Edit_AutoFolder_Text.value()).isDir());
        QCOMPARE(cfg.FilenameEdit_PlaySound_FileName.value(),
                 u"/usr/share/sounds/ding.wav"_s); // user's choice
        // Written back at once.
        QCOMPARE(fileContents(path).readString(u"fmConfig"_s, u"JvFilenameEdit_Smiles_FileName"_s, {}),
                 u"/opt/vantrel/Smiles/Default/Smiles.ini"_s);

        settings.saveAll();
        QVERIFY(settings.lastError().isEmpty());
        const IniFile ini = fileContents(path);
        QCOMPARE(ini.value(u"fmConfig"_s, u"SpinEdit_Ref_Value"_s), u"5"_s);
        QCOMPARE(ini.readStringList(u"fmConfig"_s, u"ListBox_BlackList_Items"_s, {u"x"_s}), QStringList());
        QCOMPARE(ini.value(u"fmConfig\\FontDialog_Popup_Font"_s, u"CharSet"_s), u"204"_s);
        QCOMPARE(ini.readStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, {}),
                 (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
        QVERIFY(Settings(path).fileExistedAtStart());
    }

    void changesAreWrittenThrough()
    {
        const QString path = m_dir.filePath(u"through/VantrelMsg.ini"_s);
        Settings settings(path);
        QSignalSpy changed(&settings, &Settings::changed);
        settings.VTLForm.ComboBox_Comp_Text.setValue(u"pc-7"_s);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0), (QVariantList{u"VTLForm"_s, u"ComboBox_Comp_Text"_s}));
        settings.fmConfig.FontDialog_Popup_Font.setValue(FontSpec{u"Liberation Sans"_s, -16, 0xFFu, 204, 1});
        settings.VTLForm.ListBox_Answering_Items.setValue({u"Обед"_s, u"Совещание"_s});
        {
            Settings second(path); // another reader of the same file sees every change at once
            QCOMPARE(second.VTLForm.ComboBox_Comp_Text.value(), u"pc-7"_s);
            QCOMPARE(second.fmConfig.FontDialog_Popup_Font.value().color, 0xFFu);
            QCOMPARE(second.VTLForm.ListBox_Answering_Items.value(),
                     (QStringList{u"Обед"_s, u"Совещание"_s}));
        }

        // Setting the same value again neither signals nor rewrites the file.
        const ino_t inode = inodeOf(path);
        settings.VTLForm.ComboBox_Comp_Text.setValue(u"pc-7"_s);
        QCOMPARE(changed.size(), 3);
        QCOMPARE(inodeOf(path), inode);
        settings.VTLForm.ComboBox_Comp_Text.setValue(u"pc-8"_s);
        QVERIFY(inodeOf(path) != inode);

        // An emptied list stays empty after a restart instead of coming back as the built-in one.
        settings.VTLForm.ListBox_SpeedMsg_Items.setValue({});
        QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(), QStringList());
    }

    void deferredEditsRevert()
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
        cfg.SpinEdit_Ref_Value.setValue(0, WriteMode::Deferred);
        cfg.ListBox_BlackList_Items.setValue({u"SPAMMER"_s}, WriteMode::Deferred);
        settings.VTLForm.ComboBox_Comp_Text.setValue(u"other section"_s, WriteMode::Deferred);
        QCOMPARE(changed.size(), 3);
        QCOMPARE(readAll(path), saved); // nothing written yet
        const WindowPlacement placement{.left = 10, .top = 20, .right = 510, .bottom = 420};
        settings.setPlacement(u"fmConfig"_s, placement);

        changed.clear();
        settings.revertSection(u"fmConfig"_s); // dialog Cancel
        QCOMPARE(changed.size(), 2);
        QCOMPARE(cfg.SpinEdit_Ref_Value.value(), 5);
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
        // An Immediate write of a deferred value writes it though the value itself does not change.
        settings.VTLForm.ComboBox_Comp_Text.setValue(u"other section"_s);
        QCOMPARE(fileContents(path).readString(u"VTLForm"_s, u"ComboBox_Comp_Text"_s, {}),
                 u"other section"_s);
    }

    void handEditedValuesAreReadAndClamped()
    {
        const QString path = m_dir.filePath(u"hand/VantrelMsg.ini"_s);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        writeAll(path, "[VTLForm]\n"
                       "Timer_Ping_Enabled = no\n"
                       "Timer_Ping_Interval=five minutes\n"
                       "[fmConfig]\n"
                       "SpinEdit_Ref_Value=1000\n"
                       "SpinEdit_CBComp_Count_Value=0\n"
                       "SpinEdit_AutoAnswering_Value=61\n"
                       "Edit_From_Text=0123456789012345678901234567890123456789\n"
                       "[fmConfig\\FontDialog_Popup_Font]\n"
                       "Name=Liberation Sans\n"
                       "[Mine]\n"
                       "Keep=this\n");
        Settings settings(path);
        const auto& cfg = settings.fmConfig;
        QCOMPARE(settings.VTLForm.Timer_Ping_Enabled.value(), false);
        QCOMPARE(settings.VTLForm.Timer_Ping_Interval.value(), 300000);
        QCOMPARE(cfg.SpinEdit_Ref_Value.value(), 720);
        QCOMPARE(cfg.SpinEdit_CBComp_Count_Value.value(), 1);
        QCOMPARE(cfg.SpinEdit_AutoAnswering_Value.value(), 60);
        QCOMPARE(cfg.Edit_From_Text.value(), u"012345678901234567890123456789012345"_s);
        QCOMPARE(cfg.FontDialog_Popup_Font.value().name, u"Liberation Sans"_s);
        QCOMPARE(cfg.FontDialog_Popup_Font.value().height, -13); // attribute missing: default

        // Values set in code are held to the same limits; a surrogate pair is never split.
        settings.fmConfig.SpinEdit_Ref_Value.setValue(-3);
        QCOMPARE(cfg.SpinEdit_Ref_Value.value(), 0);
        settings.fmConfig.Edit_From_Text.setValue(QString(35, u'a') + u"😀"_s);
        QCOMPARE(cfg.Edit_From_Text.value(), QString(35, u'a'));

        settings.saveAll();
        const IniFile ini = fileContents(path);
        QCOMPARE(ini.readString(u"Mine"_s, u"Keep"_s, {}), u"this"_s);
        QCOMPARE(ini.readInt(u"fmConfig"_s, u"SpinEdit_CBComp_Count_Value"_s, 0), 1);
    }

    void placementsPersist()
    {
        const QString path = m_dir.filePath(u"placement/VantrelMsg.ini"_s);
        const WindowPlacement p{.left = 1600, .top = 168, .right = 1920, .bottom = 768};
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

    void failedSaveIsReported()
    {
        // The folder that should hold the file is a regular file: every save fails.
        const QString blocker = m_dir.filePath(u"blocker"_s);
        writeAll(blocker, {});
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

    // Where no temporary file can be made beside it, a save fails and the file stays exactly
    // as it was: it is never rewritten in place, where a crash would leave half a file.
    void saveWithoutRoomForTemporaryFileKeepsOldFile()
    {
        const QString folder = m_dir.filePath(u"locked"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + u"/VantrelMsg.ini"_s;
        {
            Settings first(path);
            first.VTLForm.NewVersion.setValue(u"1.0.0.1"_s);
        }
        const QByteArray old = readAll(path);
        QVERIFY(old.contains("1.0.0.1"));
        // The file itself stays writable: only a new file beside it is refused.
        QVERIFY(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);

        const int result = asOrdinaryUser([&path, &folder, &old] {
            Settings settings(path);
            int failures = 0;
            QObject::connect(&settings, &Settings::saveFailed, &settings, [&failures] { ++failures; });
            settings.VTLForm.NewVersion.setValue(u"2.0.0.1"_s);
            settings.saveAll();
            return failures == 2 && readAll(path) == old &&
                   QDir(folder).entryList(QDir::Files | QDir::Hidden) == QStringList{u"VantrelMsg.ini"_s};
        });
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        if (result == 77)
            QSKIP("running as root and unable to switch to an ordinary user");
        QCOMPARE(result, 0);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
