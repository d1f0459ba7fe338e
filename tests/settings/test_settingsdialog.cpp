// The settings dialog on the offscreen platform: its pages, their enabling rules, what OK
// writes and sets going, and that any other close leaves the settings file untouched.

#include "common/modal.h"
#include "dialogworld.h"
#include "settings/dialog/eventspage.h"
#include "settings/dialog/hotkeyedit.h"
#include "settings/hotkeycode.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using vantrel::HotKeyCode::Alt;
using vantrel::HotKeyCode::Ctrl;
using vantrel::HotKeyCode::Shift;
using Page = vantrel::SettingsDialog::Page;

namespace {

template <typename T>
T* control(vantrel::SettingsDialog& dialog, const QString& name)
{
    T* found = dialog.findChild<T*>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

} // namespace

class TestSettingsDialog final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pagesInOrder()
    {
        DialogWorld w;
        auto& dialog = w.open();
        QCOMPARE(dialog.windowTitle(), u"Параметры"_s);
        QStringList captions;
        for (int i = 0; i < dialog.tabs()->count(); ++i)
            captions.append(dialog.tabs()->tabText(i));
        QCOMPARE(captions, (QStringList{u"Основные"_s, u"Интерфейс"_s, u"Избранное"_s, u"Сообщения"_s,
                                        u"Чёрный список"_s, u"События"_s, u"Разное"_s, u"Смайлики"_s}));
        QCOMPARE(dialog.currentPage(), Page::General);
        // A fixed border: the dialog cannot be resized.
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        dialog.cancelButton()->click();
    }

    void cancelLeavesTheFileByteForByteAsItWas()
    {
        DialogWorld w;
        auto& first = w.open();
        first.okButton()->click(); // stores the dialog's placement once
        const QByteArray before = readAll(w.settingsPath);

        auto& dialog = w.open();
        control<QCheckBox>(dialog, u"dxCheckbox_RUS"_s)->click();
        control<QCheckBox>(dialog, u"dxCheckbox_Min"_s)->click();
        control<QCheckBox>(dialog, u"CheckBox_Popup"_s)->click();
        control<QSpinBox>(dialog, u"SpinEdit_Ref"_s)->setValue(0);
        control<QCheckBox>(dialog, u"dxCheckbox_From"_s)->click();
        control<QLineEdit>(dialog, u"Edit_From"_s)->setText(u"BOSS"_s);
        control<QCheckBox>(dialog, u"Checkbox_AutoFolder"_s)->click();
        control<QCheckBox>(dialog, u"CheckBox_Smiles"_s)->click();
        control<QCheckBox>(dialog, u"dxCheckbox_TCPMessage"_s)->click();
        dialog.cancelButton()->click();

        QCOMPARE(readAll(w.settingsPath), before);
        QVERIFY(w.settings.fmConfig.dxCheckbox_TCPMessage_Checked.value());
        QVERIFY(w.settings.fmConfig.dxCheckbox_RUS_Checked.value());
        QCOMPARE(w.settings.fmConfig.SpinEdit_Ref_Value.value(), 5);
        QVERIFY(w.settings.VTLForm.Timer_Ping_Enabled.value());
        // Reopened, the dialog shows the values of before.
        auto& again = w.open();
        QVERIFY(control<QCheckBox>(again, u"dxCheckbox_RUS"_s)->isChecked());
        QVERIFY(!control<QCheckBox>(again, u"dxCheckbox_Min"_s)->isChecked());
        QCOMPARE(control<QSpinBox>(again, u"SpinEdit_Ref"_s)->value(), 5);
        QVERIFY(!control<QCheckBox>(again, u"dxCheckbox_From"_s)->isChecked());
        QVERIFY(control<QLineEdit>(again, u"Edit_From"_s)->text().isEmpty());
        QVERIFY(control<QCheckBox>(again, u"Checkbox_AutoFolder"_s)->isChecked());
        QVERIFY(control<QCheckBox>(again, u"dxCheckbox_TCPMessage"_s)->isChecked());
        again.cancelButton()->click();
        QCOMPARE(readAll(w.settingsPath), before);
    }

    void okWritesEveryPageAndTheTimerValues()
    {
        DialogWorld w;
        auto& dialog = w.open();
        QSignalSpy applied(&dialog, &vantrel::SettingsDialog::applied);
        control<QCheckBox>(dialog, u"dxCheckbox_IP"_s)->click();
        control<QCheckBox>(dialog, u"dxCheckbox_Notifications"_s)->click();
        control<QSpinBox>(dialog, u"SpinEdit_Ref"_s)->setValue(0);
        control<QSpinBox>(dialog, u"SpinEdit_CBComp_Count"_s)->setValue(20);
        control<QCheckBox>(dialog, u"dxCheckbox_AutoUnCheck"_s)->click();
        control<QCheckBox>(dialog, u"dxCheckbox_PlaySound"_s)->click();
        control<QSpinBox>(dialog, u"SpinEdit_AutoAnswering"_s)->setValue(25);
        control<QCheckBox>(dialog, u"dxCheckbox_AAScreenSaver"_s)->click();
        dialog.okButton()->click();

        QCOMPARE(applied.size(), 1);
        QCOMPARE(applied[0].at(0).toBool(), false); // no hot key changed
        const QByteArray file = readAll(w.settingsPath);
        for (const char* line :
             {"dxCheckbox_IP_Checked=FALSE", "dxCheckbox_Notifications_Checked=TRUE", "SpinEdit_Ref_Value=0",
              "SpinEdit_CBComp_Count_Value=20", "ComboBox_Comp_DropDownCount=20", "Timer_Ping_Enabled=FALSE",
              "Timer_Ping_Interval=0", "dxCheckbox_AutoUnCheck_Checked=FALSE",
              "dxCheckbox_PlaySound_Checked=FALSE", "SpinEdit_AutoAnswering_Value=25",
              "Timer_AAScreenSaver_Enabled=FALSE", "dxCheckbox_TCPMessage_Checked=TRUE"})
            QVERIFY2(file.contains(line), line);
        // A spin value typed but not confirmed counts as typed.
        auto& again = w.open();
        auto* ref = control<QSpinBox>(again, u"SpinEdit_Ref"_s);
        ref->selectAll();
        QTest::keyClicks(ref, u"7"_s);
        again.okButton()->click();
        QCOMPARE(w.settings.VTLForm.Timer_Ping_Interval.value(), 7 * 60000);
        QVERIFY(w.settings.VTLForm.Timer_Ping_Enabled.value());
    }

    void enablingRulesOfThePages()
    {
        DialogWorld w;
        auto& dialog = w.open();
        // "Интерфейс": the shared list's file with its box.
        auto* general = control<QCheckBox>(dialog, u"CheckBox_General_List"_s);
        auto* generalFile = control<QWidget>(dialog, u"FilenameEdit_General_List"_s);
        QVERIFY(!general->isChecked() && !generalFile->isEnabled());
        general->click();
        QVERIFY(generalFile->isEnabled());
        // "Сообщения": the other name with its box; the transport choice; the hidden boxes.
        auto* from = control<QCheckBox>(dialog, u"dxCheckbox_From"_s);
        auto* fromName = control<QLineEdit>(dialog, u"Edit_From"_s);
        QVERIFY(!fromName->isEnabled());
        from->click();
        QVERIFY(fromName->isEnabled());
        QCOMPARE(fromName->maxLength(), 36);
        auto* tcp = control<QCheckBox>(dialog, u"dxCheckbox_TCPMessage"_s);
        QVERIFY(tcp->isChecked() && tcp->isEnabled());
        QVERIFY(control<QCheckBox>(dialog, u"dxCheckbox_Clear"_s)->isHidden());
        QVERIFY(control<QCheckBox>(dialog, u"dxCheckbox_Hook"_s)->isHidden());
        // "События": the folder, its button and the automatic accepting follow "Всегда
        // сохранять"; clearing it clears the automatic accepting.
        auto* autoFolder = control<QCheckBox>(dialog, u"Checkbox_AutoFolder"_s);
        auto* autoContact = control<QCheckBox>(dialog, u"Checkbox_AutoContact"_s);
        autoContact->click();
        QVERIFY(autoContact->isChecked());
        autoFolder->click();
        QVERIFY(!autoContact->isChecked() && !autoContact->isEnabled());
        QVERIFY(!control<QLineEdit>(dialog, u"Edit_AutoFolder"_s)->isEnabled());
        QVERIFY(!control<QToolButton>(dialog, u"Button_AutoFolder"_s)->isEnabled());
        autoFolder->click();
        QVERIFY(autoContact->isEnabled() && !autoContact->isChecked());
        // "Разное": the minutes with the away box, the file and the play button with the sound
        // box; the away-text controls stay hidden.
        auto* away = control<QCheckBox>(dialog, u"dxCheckbox_AutoAnswering"_s);
        auto* minutes = control<QSpinBox>(dialog, u"SpinEdit_AutoAnswering"_s);
        QVERIFY(away->isChecked() && minutes->isEnabled());
        QCOMPARE(minutes->minimum(), 1);
        QCOMPARE(minutes->maximum(), 60);
        away->click();
        QVERIFY(!minutes->isEnabled());
        auto* sound = control<QCheckBox>(dialog, u"dxCheckbox_PlaySound"_s);
        sound->click();
        QVERIFY(!control<QWidget>(dialog, u"FilenameEdit_PlaySound"_s)->isEnabled());
        QVERIFY(!control<QToolButton>(dialog, u"SpeedButton_PlaySound"_s)->isEnabled());
        QCOMPARE(control<QToolButton>(dialog, u"SpeedButton_PlaySound"_s)->toolTip(),
                 u"Проиграть звуковой файл"_s);
        QVERIFY(control<QPushButton>(dialog, u"SpeedBtn_AAText"_s)->isHidden());
        // "Смайлики".
        auto* smiles = control<QCheckBox>(dialog, u"CheckBox_Smiles"_s);
        QVERIFY(control<QWidget>(dialog, u"JvFilenameEdit_Smiles"_s)->isEnabled());
        smiles->click();
        QVERIFY(!control<QWidget>(dialog, u"JvFilenameEdit_Smiles"_s)->isEnabled());
        // The ranges of "Интерфейс".
        QCOMPARE(control<QSpinBox>(dialog, u"SpinEdit_Ref"_s)->maximum(), 720);
        QCOMPARE(control<QSpinBox>(dialog, u"SpinEdit_CBComp_Count"_s)->minimum(), 1);
        QCOMPARE(control<QSpinBox>(dialog, u"SpinEdit_CBComp_Count"_s)->maximum(), 100);
        dialog.cancelButton()->click();
    }

    void opensOnTheLastPageAndTheEditCommandOnTheFavourites()
    {
        DialogWorld w;
        // Made after the list's first selection, the favourites page still shows an entry.
        auto& dialog = w.open(Page::Favourites);
        QCOMPARE(control<QLineEdit>(dialog, u"Edit_Nick"_s)->text(), u"Вася"_s);
        dialog.tabs()->setCurrentIndex(int(Page::Events));
        dialog.cancelButton()->click();
        w.open();
        QCOMPARE(dialog.currentPage(), Page::Events);
        dialog.cancelButton()->click();
        // The tree's "Редактировать": the favourites page with that node selected.
        w.open(Page::Favourites, 2);
        QCOMPARE(dialog.currentPage(), Page::Favourites);
        QCOMPARE(control<QLineEdit>(dialog, u"Edit_Nick"_s)->text(), u"Петя"_s);
        dialog.cancelButton()->click();

        // While the shared list is in use the favourites page is not there.
        const QString shared = w.dir.filePath(u"shared.vtl"_s);
        writeAll(shared, "S1;Общий\r\n");
        w.settings.fmConfig.FilenameEdit_General_List_FileName.setValue(shared);
        w.settings.fmConfig.CheckBox_General_List_Checked.setValue(true);
        w.list.CheckGeneralList();
        w.open(Page::Favourites, 0);
        QVERIFY(!dialog.tabs()->isTabVisible(int(Page::Favourites)));
        QVERIFY(dialog.currentPage() != Page::Favourites);
        dialog.cancelButton()->click();
    }

    void hotKeyFields()
    {
        DialogWorld w;
        auto& dialog = w.open(Page::Events);
        QSignalSpy applied(&dialog, &vantrel::SettingsDialog::applied);
        auto* mainKey = control<vantrel::HotKeyEdit>(dialog, u"JvHotKey_Main"_s);
        auto* awayKey = control<vantrel::HotKeyEdit>(dialog, u"JvHotKey_AA"_s);
        QCOMPARE(mainKey->text(), u"Ctrl+Alt+R"_s);
        QCOMPARE(awayKey->hotKey(), 49217);
        // A key alone, or with Shift alone, becomes Ctrl+Alt plus the key.
        QTest::keyClick(mainKey, Qt::Key_K);
        QCOMPARE(mainKey->hotKey(), Ctrl | Alt | 0x4B);
        QTest::keyClick(mainKey, Qt::Key_K, Qt::ShiftModifier);
        QCOMPARE(mainKey->hotKey(), Ctrl | Alt | 0x4B);
        QCOMPARE(mainKey->text(), u"Ctrl+Alt+K"_s);
        // Other combinations are taken as pressed; a modifier alone changes nothing.
        QTest::keyClick(mainKey, Qt::Key_F9, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(mainKey->hotKey(), Shift | Ctrl | 0x78);
        QTest::keyClick(mainKey, Qt::Key_Control, Qt::ControlModifier);
        QCOMPARE(mainKey->hotKey(), Shift | Ctrl | 0x78);
        // Backspace clears the away key.
        QTest::keyClick(awayKey, Qt::Key_Backspace);
        QCOMPARE(awayKey->hotKey(), 0);
        dialog.okButton()->click();
        QCOMPARE(applied.size(), 1);
        QCOMPARE(applied[0].at(0).toBool(), true);
        QCOMPARE(w.settings.VTLForm.JvApplicationHotKey_Main_HotKey.value(), Shift | Ctrl | 0x78);
        QCOMPARE(w.settings.fmConfig.JvApplicationHotKey_AA_HotKey.value(), 0);
        QVERIFY(readAll(w.settingsPath).contains("JvApplicationHotKey_AA_HotKey=0"));
    }

    void autostartIsTouchedOnlyWhenItsBoxChanges()
    {
        DialogWorld w;
        const QString entry = w.autostart.entryPath(u"VantrelMsg"_s);
        const QString command = w.autostart.makeCommand(u"/opt/vantrel/bin/vantrel"_s, u"m"_s);
        // An entry of another version, with another path: shown unticked and left alone.
        QVERIFY(w.autostart.addAutorun(u"VantrelMsg"_s, w.autostart.makeCommand(u"/old/vantrel"_s, u"m"_s)));
        const QByteArray old = readAll(entry);
        auto& dialog = w.open();
        auto* box = control<QCheckBox>(dialog, u"dxCheckbox_AutoRun"_s);
        QVERIFY(!box->isChecked());
        dialog.okButton()->click();
        QCOMPARE(readAll(entry), old);
        // Ticked: written with this program's path and "m".
        w.open();
        box->click();
        dialog.okButton()->click();
        QVERIFY(w.autostart.isAutorun(u"VantrelMsg"_s, command));
        w.open();
        QVERIFY(box->isChecked());
        // Unticked: removed.
        box->click();
        dialog.okButton()->click();
        QVERIFY(!QFile::exists(entry));
        QVERIFY(w.errorBoxes.isEmpty());
    }

    void logButtonsFollowTheEventLog()
    {
        DialogWorld w;
        auto& dialog = w.open(Page::History);
        auto* view = control<QPushButton>(dialog, u"Button_ViewLog"_s);
        auto* clear = control<QPushButton>(dialog, u"Button_ClearLog"_s);
        QVERIFY(!view->isEnabled() && !clear->isEnabled());
        dialog.cancelButton()->click();

        QDir().mkpath(QFileInfo(w.logFile).absolutePath());
        writeAll(w.logFile, "\xEF\xBB\xBFЛог начат: 01.01.2026 10:00:00\r\n\r\n");
        w.open(Page::History);
        QVERIFY(view->isEnabled() && clear->isEnabled());
        // "Нет" keeps the file.
        onNextModal<QMessageBox>([](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), u"Подтверждение"_s);
            QCOMPARE(box->text(), u"Вы действительно хотите очистить файл истории сообщений?"_s);
            box->button(QMessageBox::No)->click();
        });
        clear->click();
        QVERIFY(QFile::exists(w.logFile));
        QVERIFY(clear->isEnabled());
        // "Да" deletes it and disables both buttons.
        onNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        clear->click();
        QVERIFY(!QFile::exists(w.logFile));
        QVERIFY(!view->isEnabled() && !clear->isEnabled());
        dialog.cancelButton()->click();
    }

    void theMissingHookIsRefusedWithItsError()
    {
        DialogWorld w;
        auto& dialog = w.open(Page::History);
        auto* hook = control<QCheckBox>(dialog, u"dxCheckbox_Hook"_s);
        hook->setChecked(true);
        QVERIFY(!hook->isChecked());
        QCOMPARE(w.balloons.size(), 1);
        QCOMPARE(w.balloons[0].text, u"Динамическая библиотека \"vtl_hook.dll\" не найдена."_s);
        QCOMPARE(w.balloons[0].level, vantrel::ContactListHost::BalloonLevel::Error);
        dialog.okButton()->click();
        // The stored value is not the user's to change here.
        QVERIFY(w.settings.fmConfig.dxCheckbox_Hook_Checked.value());
    }

    void theOwnProtocolCanBeSwitchedOffAndStaysOff()
    {
        DialogWorld w;
        auto& dialog = w.open(Page::History);
        control<QCheckBox>(dialog, u"dxCheckbox_TCPMessage"_s)->click();
        dialog.okButton()->click();
        QVERIFY(!w.settings.fmConfig.dxCheckbox_TCPMessage_Checked.value());
        QVERIFY(readAll(w.settingsPath).contains("dxCheckbox_TCPMessage_Checked=FALSE"));
        // Reopened, the box shows the stored choice; ticked again, messages go over TCP again.
        auto& again = w.open(Page::History);
        auto* tcp = control<QCheckBox>(again, u"dxCheckbox_TCPMessage"_s);
        QVERIFY(!tcp->isChecked());
        tcp->click();
        again.okButton()->click();
        QVERIFY(w.settings.fmConfig.dxCheckbox_TCPMessage_Checked.value());
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "test_settingsdialog.moc"
