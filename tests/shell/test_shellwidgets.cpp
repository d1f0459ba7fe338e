// The away-text editor and menu, the tray menu and the About box on the offscreen platform.

#include "settings/settings.h"
#include "shell/aboutbox.h"
#include "shell/answeringdialog.h"
#include "shell/answeringmenu.h"
#include "shell/awaytexts.h"
#include "shell/statusmenu.h"
#include "shell/trayicon.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using vantrel::AboutBox;
using vantrel::AnsweringDialog;
using vantrel::AnsweringMenu;
using vantrel::AwayTexts;
using vantrel::Settings;
using vantrel::TrayIcon;

namespace {

QStringList captions(const QMenu& menu)
{
    QStringList result;
    for (const QAction* action : menu.actions())
        result.append(action->isSeparator() ? u"-"_s : action->text());
    return result;
}

// "OK", "Добавить", "Удалить" enabled?
QList<bool> buttons(const AnsweringDialog& dialog)
{
    return {dialog.okButton()->isEnabled(), dialog.addButton()->isEnabled(),
            dialog.deleteButton()->isEnabled()};
}

void type(AnsweringDialog& dialog, const QString& text)
{
    // Typed as a paste would: key events carry Latin-1 text only.
    QLineEdit* edit = dialog.comboBox()->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    edit->insert(text);
}

QStringList items(const QComboBox& box)
{
    QStringList result;
    for (int i = 0; i < box.count(); ++i)
        result.append(box.itemText(i));
    return result;
}

} // namespace

class TestShellWidgets final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"VantrelMsg.ini"_s);
    }

    void theEditorsButtonsFollowTheText()
    {
        Settings settings(m_path);
        AwayTexts texts(settings, {}, QLocale(QLocale::Russian));
        AnsweringDialog dialog(texts, settings);
        QCOMPARE(dialog.windowTitle(), u"Редактирование сообщений статуса \"Отсутствую\""_s);
        QCOMPARE(items(*dialog.comboBox()), QStringList{u"Меня нет"_s});
        QCOMPARE(dialog.comboBox()->currentText(), u"Меня нет"_s);
        QCOMPARE(buttons(dialog), (QList<bool>{true, true, true}));

        type(dialog, u"   "_s);
        QCOMPARE(buttons(dialog), (QList<bool>{false, false, false}));
        type(dialog, u"На обеде"_s);
        QCOMPARE(buttons(dialog), (QList<bool>{true, true, true}));
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(items(*dialog.comboBox()), (QStringList{u"Меня нет"_s, u"На обеде"_s}));
        QCOMPARE(dialog.comboBox()->currentText(), u"На обеде"_s);
        QCOMPARE(buttons(dialog), (QList<bool>{true, false, true}));

        // Another letter case is the same text: nothing is added.
        type(dialog, u"НА ОБЕДЕ"_s);
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(dialog.comboBox()->count(), 2);

        // "Удалить" deletes in any letter case, clears the text and disables all three.
        type(dialog, u"меня НЕТ"_s);
        QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
        QCOMPARE(items(*dialog.comboBox()), QStringList{u"На обеде"_s});
        QCOMPARE(dialog.comboBox()->currentText(), QString());
        QCOMPARE(buttons(dialog), (QList<bool>{false, false, false}));
        // The list is still the old one until the editor closes.
        QCOMPARE(texts.items(), QStringList{u"Меня нет"_s});

        // Closed without OK: the changed list is kept all the same, the text is not.
        dialog.reject();
        QCOMPARE(texts.items(), QStringList{u"На обеде"_s});
        QCOMPARE(texts.text(), u"Меня нет"_s);
        Settings reread(m_path);
        QCOMPARE(reread.VTLForm.ListBox_Answering_Items.value(), QStringList{u"На обеде"_s});
        QVERIFY(reread.placement(u"fmAnswering"_s).isValid());
    }

    void okTakesTheTextAsTypedAndAnUnchangedListStays()
    {
        Settings settings(m_path);
        AwayTexts texts(settings);
        QSignalSpy listChanged(&texts, &AwayTexts::listChanged);
        AnsweringDialog dialog(texts, settings);
        type(dialog, u" Скоро вернусь "_s);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(texts.text(), u" Скоро вернусь "_s);
        QCOMPARE(listChanged.size(), 0);
        QCOMPARE(texts.items(), QStringList{u"Меня нет"_s});
    }

    void theMenuListsTheTextsAndOpensTheEditor()
    {
        Settings settings(m_path);
        settings.VTLForm.ListBox_Answering_Items.setValue({u"Меня нет"_s, u"Обед & кофе"_s});
        bool dialogShowing = true;
        AwayTexts texts(settings, [&dialogShowing] { return dialogShowing; });
        AnsweringMenu menu(texts, settings);
        QCOMPARE(captions(menu),
                 (QStringList{u"Меня нет"_s, u"Обед && кофе"_s, u"-"_s, u"Редактировать список..."_s}));
        menu.actions().at(1)->trigger();
        QCOMPARE(texts.text(), u"Обед & кофе"_s);
        // The showing settings dialog's copy follows.
        QCOMPARE(settings.fmConfig.SpeedBtn_AAText_Caption.value(), u"Обед & кофе"_s);

        // The editor deletes both texts: the menu keeps only the separator and its last item.
        connect(&menu, &AnsweringMenu::editorOpened, this, [](QDialog* opened) {
            QTimer::singleShot(0, opened, [opened] {
                auto* dialog = static_cast<AnsweringDialog*>(opened);
                for (const QString& text : {u"меня нет"_s, u"обед & кофе"_s}) {
                    dialog->comboBox()->setEditText(text);
                    dialog->deleteButton()->click();
                }
                dialog->reject();
            });
        });
        QVERIFY(!menu.editList());
        QCOMPARE(captions(menu), (QStringList{u"-"_s, u"Редактировать список..."_s}));
        Settings reread(m_path);
        QVERIFY(reread.VTLForm.ListBox_Answering_Items.value().isEmpty());
        dialogShowing = false;
    }

    void theTrayMenuInOrder()
    {
        TrayIcon tray;
        QMenu* menu = tray.menu();
        QCOMPARE(captions(*menu),
                 (QStringList{u"О программе..."_s, u"Восстановить"_s, u"-"_s, u"Отправлять по IP"_s, u"-"_s,
                              u"Статус"_s, u"-"_s, u"Выход"_s}));
        // "Восстановить" is the default item, which the menu draws in bold.
        QCOMPARE(menu->defaultAction()->objectName(), u"PM_Restore"_s);
        QAction* ip = menu->findChild<QAction*>(u"PM_IP"_s);
        QVERIFY(ip && ip->isCheckable());
        QSignalSpy toggled(&tray, &TrayIcon::ipToggled);
        QSignalSpy opening(&tray, &TrayIcon::menuAboutToShow);
        tray.setIpChecked(true);
        ip->trigger();
        QCOMPARE(toggled.size(), 1);
        QCOMPARE(toggled.at(0).at(0).toBool(), false);
        QSignalSpy about(&tray, &TrayIcon::aboutRequested);
        menu->findChild<QAction*>(u"PM_About"_s)->trigger();
        QCOMPARE(about.size(), 1);
        menu->popup(QPoint(10, 10));
        QCOMPARE(opening.size(), 1);
        menu->close();
        // The status submenu holds the three statuses, the current one ticked.
        tray.setStatus(2);
        QCOMPARE(captions(*tray.statusMenu()),
                 (QStringList{u"В сети"_s, u"Отсутствую"_s, u"Не беспокоить"_s}));
        QVERIFY(tray.statusMenu()->actions().at(2)->isChecked());
        tray.setFlashing(true);
        tray.setToolTip(u"Сообщение от Вася"_s);
        QCOMPARE(tray.toolTip(), u"Сообщение от Вася"_s);
    }

    void theAboutBox()
    {
        QList<QUrl> opened;
        AboutBox box(u"1.2.3.4"_s, u"https://vantrel.example"_s,
                     [&opened](const QUrl& url) { opened.append(url); });
        QCOMPARE(box.windowTitle(), u"О программе"_s);
        QVERIFY(box.isModal());
        QCOMPARE(box.versionLabel()->text(), u"Версия 1.2.3.4"_s);
        QVERIFY(box.findChildren<QLabel*>().size() >= 3);
        bool named = false;
        for (const QLabel* label : box.findChildren<QLabel*>())
            named = named || label->text() == u"Vantrel"_s;
        QVERIFY(named);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.webLabel()->cursor().shape(), Qt::PointingHandCursor);
        // A click on the address opens it.
        const QRect text = box.webLabel()->contentsRect();
        QTest::mouseClick(box.webLabel(), Qt::LeftButton, {}, QPoint(text.left() + 10, text.center().y()));
        QTRY_COMPARE(opened, QList<QUrl>{QUrl(u"https://vantrel.example"_s)});
        // Centred on the screen.
        const QPoint centre = box.screen()->availableGeometry().center();
        QVERIFY2((box.frameGeometry().center() - centre).manhattanLength() <= 2,
                 qPrintable(
                     u"%1,%2"_s.arg(box.frameGeometry().center().x()).arg(box.frameGeometry().center().y())));
        QTest::mouseClick(box.okButton(), Qt::LeftButton);
        QVERIFY(!box.isVisible());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_MAIN(TestShellWidgets)
#include "test_shellwidgets.moc"
