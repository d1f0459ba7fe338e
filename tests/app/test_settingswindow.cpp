// The settings dialog inside the windowed program: opened from "Параметры..." and from the
// tree's "Редактировать", the engine serving peers while it is open, what its OK sets going,
// and the network menu of the recipient field.

#include "app/commandline.h"
#include "app/engine.h"
#include "app/gui/mainwindow.h"
#include "app/gui/settingscontroller.h"
#include "app/gui/windowedmode.h"
#include "common/modal.h"
#include "common/privatefolders.h"
#include "common/testfiles.h"
#include "contacts/contactlist.h"
#include "contacts/recipientchoice.h"
#include "contacts/ui/contacttreecontroller.h"
#include "contacts/ui/contacttreewidget.h"
#include "contacts/ui/netbrowsemenu.h"
#include "messaging/historylog.h"
#include "messaging/messagingengine.h"
#include "messaging/protocolcodec.h"
#include "settings/dialog/settingsdialog.h"
#include "settings/settings.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::SettingsDialog;
using vantrel::WindowedMode;

namespace {

const QString Address = u"127.0.0.141"_s;
const QString PeerAddress = u"127.0.0.142"_s;

const PrivateFolders privateFolders;

// The windowed program bound to 127.0.0.141 with a list of a contact and a group of two, all
// on loopback addresses where nothing listens, so that the start-up check ends at once.
struct Program {
    Program()
        : paths(vantrel::AppPaths::forBase(dir.filePath(u"Vantrel"_s)))
        , written((QDir().mkpath(paths.baseDir),
                   writeAll(paths.contactsFile, "\xEF\xBB\xBFPC1;Вася;127.0.0.143\r\n[ОТДЕЛ]\r\n"
                                                "\tPC2;Петя;127.0.0.144\r\n\tPC3;Коля;127.0.0.145\r\n"),
                   true))
        , mode(commandLine(), paths)
    {
        mode.start();
    }
    static vantrel::CommandLine commandLine()
    {
        vantrel::CommandLine line;
        line.bindAddress = Address;
        return line;
    }
    vantrel::MainWindow& window() { return mode.mainWindow(); }

    QTemporaryDir dir;
    vantrel::AppPaths paths;
    bool written;
    WindowedMode mode;
};

// A message from another computer, as its sender writes it.
bool sendMessage(const QString& from, const QString& text)
{
    namespace Codec = vantrel::ProtocolCodec;
    QTcpSocket socket;
    if (!socket.bind(QHostAddress(PeerAddress)))
        return false;
    socket.connectToHost(QHostAddress(Address), Codec::DefaultPort);
    if (!socket.waitForConnected(10000))
        return false;
    socket.write(Codec::buildRequest(Codec::Header::Message, Codec::messageBody(from, text)));
    socket.disconnectFromHost();
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(10000);
}

} // namespace

class TestSettingsWindow final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theEngineGoesOnWhileTheDialogIsOpen()
    {
        Program p;
        vantrel::Engine& engine = p.mode.engine();
        QTRY_VERIFY_WITH_TIMEOUT(!engine.isPresenceBusy(), 30000);
        const QString log = engine.messaging().history().pathFor(u"PC9"_s);
        bool showing = false;
        bool received = false;
        onNextModal<SettingsDialog>([&](SettingsDialog* dialog) {
            showing = engine.isSettingsDialogShowing();
            // A peer's message is received and recorded while the dialog waits for the user.
            received = sendMessage(u"PC9"_s, u"пока открыт диалог"_s) &&
                       QTest::qWaitFor([&log] { return readAll(log).contains("пока открыт диалог"); }, 20000);
            dialog->findChild<QSpinBox*>(u"SpinEdit_CBComp_Count"_s)->setValue(15);
            dialog->okButton()->click();
        });
        auto* button = p.window().findChild<QPushButton*>(u"Button_Config"_s);
        QVERIFY(button && button->isEnabled());
        button->click();
        QVERIFY(showing);
        QVERIFY(received);
        QVERIFY(!engine.isSettingsDialogShowing());
        // What OK sets going: the recipient field's drop-down length, the stored values.
        QCOMPARE(p.window().recipientBox()->maxVisibleItems(), 15);
        QVERIFY(readAll(p.paths.settingsFile).contains("ComboBox_Comp_DropDownCount=15"));
    }

    void theTreesEditCommandOpensTheFavouritesOnItsNode()
    {
        Program p;
        vantrel::Engine& engine = p.mode.engine();
        QTRY_VERIFY_WITH_TIMEOUT(!engine.isPresenceBusy(), 30000);
        vantrel::ContactTreeController* tree = p.window().contactController();
        p.mode.recipientChoice()->selectNode(3);
        tree->updateActions();
        QAction* edit = tree->action(u"PM_Tree_Edit"_s);
        QVERIFY(edit && edit->isVisible() && edit->isEnabled());
        QString nick;
        SettingsDialog::Page page = SettingsDialog::Page::General;
        onNextModal<SettingsDialog>([&](SettingsDialog* dialog) {
            page = dialog->currentPage();
            nick = dialog->findChild<QLineEdit*>(u"Edit_Nick"_s)->text();
            dialog->cancelButton()->click();
        });
        edit->trigger();
        QCOMPARE(page, SettingsDialog::Page::Favourites);
        QCOMPARE(nick, u"Коля"_s);
    }

    void theNetworkMenuSetsTheRecipient()
    {
        Program p;
        vantrel::MainWindow& window = p.window();
        vantrel::NetBrowseMenu* menu = window.netBrowseMenu();
        vantrel::RecipientChoice* choice = p.mode.recipientChoice();
        choice->selectNode(0);
        // No work groups here: "ВСЯ СЕТЬ" and the separator only.
        QCOMPARE(menu->groupsMenu()->actions().size(), 2);
        window.popupNetBrowseMenu(window.mapToGlobal(QPoint(10, 10)));
        QVERIFY(menu->groupsItem()->isVisible() && menu->browseItem()->isVisible());
        menu->close();
        menu->allNetworkItem()->trigger();
        QCOMPARE(window.recipientBox()->currentText(), u"<ВСЯ СЕТЬ>"_s);
        QCOMPARE(choice->selectedNode(), -1);
        // A work group's item names the group with "*".
        menu->setNetworkGroups({u"WORKGROUP"_s});
        menu->groupsMenu()->actions().last()->trigger();
        QCOMPARE(window.recipientBox()->currentText(), u"WORKGROUP*"_s);
        // A browsed name equal to a contact's display name selects that contact.
        window.chooseRecipient(u"петя"_s);
        QCOMPARE(choice->selectedNode(), 2);
        QCOMPARE(window.recipientBox()->currentText(), u"Петя"_s);
        // With a box ticked the field is disabled and the menu offers neither.
        p.window().contactTree()->itemAt(0)->setCheckState(0, Qt::Checked);
        QVERIFY(!window.recipientBox()->isEnabled());
        window.popupNetBrowseMenu(window.mapToGlobal(QPoint(10, 10)));
        QVERIFY(!menu->groupsItem()->isVisible() && !menu->browseItem()->isVisible());
        menu->close();
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "test_settingswindow.moc"
