// The favourites page and its dialogs on the offscreen platform, over a real contact-list
// file: the editor box, adding contacts and groups, deleting, dragging, the typing filter.

#include "common/modal.h"
#include "common/typing.h"
#include "contacts/ui/adduserdialog.h"
#include "contacts/ui/inputnamedialog.h"
#include "contacts/ui/ipaddressedit.h"
#include "dialogworld.h"
#include "presence/addresslookup.h"
#include "settings/dialog/contacteditorbox.h"
#include "settings/dialog/favouritespage.h"
#include "settings/dialog/favouritestree.h"

#include <QApplication>
#include <QCheckBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;
using vantrel::AddUserDialog;
using vantrel::ComputerBrowseDialog;
using vantrel::ContactEditorBox;
using vantrel::FavouritesPage;
using vantrel::FavouritesTree;
using vantrel::InputNameDialog;
using vantrel::IpAddressEdit;
using Page = vantrel::SettingsDialog::Page;
using Level = vantrel::ContactListHost::BalloonLevel;

namespace {

const QByteArray Bom = "\xEF\xBB\xBF"_ba;
const QString ForbiddenText = u"Имя не должно содержать специальных символов ; [ ]"_s;

QByteArray lines(const QStringList& nodes)
{
    QByteArray out = Bom;
    for (const QString& node : nodes)
        out += node.toUtf8() + "\r\n";
    return out;
}

// The favourites page of an open, active dialog.
struct Editor {
    explicit Editor(DialogWorld& world, int node = 0)
        : w(world)
        , dialog(world.open(Page::Favourites, node))
        , page(*dialog.favouritesPage())
        , box(*page.editorBox())
        , tree(*page.tree())
    {
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            qWarning("the dialog did not become active");
    }
    ~Editor() { dialog.cancelButton()->click(); }
    Q_DISABLE_COPY_MOVE(Editor)

    // Sends a drag of the selected node onto `target` to the tree, as a mouse drag would.
    bool drag(int target, bool ctrl, bool drop)
    {
        const QModelIndex from = tree.currentIndex();
        std::unique_ptr<QMimeData> mime(tree.model()->mimeData({from}));
        const QPoint at = tree.visualItemRect(tree.itemAt(target)).center();
        const Qt::KeyboardModifiers modifiers = ctrl ? Qt::ControlModifier : Qt::NoModifier;
        QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, mime.get(), Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(tree.viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction | Qt::CopyAction, mime.get(), Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(tree.viewport(), &move);
        if (!move.isAccepted() || !drop)
            return move.isAccepted();
        QDropEvent event(QPointF(at), Qt::MoveAction | Qt::CopyAction, mime.get(), Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(tree.viewport(), &event);
        return event.isAccepted();
    }

    DialogWorld& w;
    vantrel::SettingsDialog& dialog;
    FavouritesPage& page;
    ContactEditorBox& box;
    FavouritesTree& tree;
};

} // namespace

class TestContactEditor final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theEditorFollowsTheSelection()
    {
        DialogWorld w;
        Editor e(w, 0);
        QCOMPARE(e.box.title(), u" Редактирование пользователя "_s);
        QCOMPARE(e.box.netNameEdit()->text(), u"PC1"_s);
        QCOMPARE(e.box.nickEdit()->text(), u"Вася"_s);
        QCOMPARE(e.box.addressEdit()->text(), u"10.0.0.1"_s);
        QVERIFY(e.box.autoAddressBox()->isChecked());
        QVERIFY(e.box.resolveButton()->isEnabled() && e.box.findButton()->isEnabled());
        QCOMPARE(e.box.netNameEdit()->maxLength(), 64);
        QCOMPARE(e.box.nickEdit()->maxLength(), 255);

        // A group: only its name.
        e.tree.selectNode(1);
        Q_EMIT e.tree.nodeSelected(1);
        QCOMPARE(e.box.nickEdit()->text(), u"ОТДЕЛ"_s);
        QCOMPARE(e.box.netNameEdit()->text(), u"[ОТДЕЛ]"_s);
        for (QWidget* off :
             std::initializer_list<QWidget*>{e.box.netNameEdit(), e.box.addressEdit(), e.box.autoAddressBox(),
                                             e.box.findButton(), e.box.resolveButton()})
            QVERIFY(!off->isEnabled());
        QVERIFY(e.box.nickEdit()->isEnabled() && e.box.applyButton()->isEnabled());

        // A contact without automatic address: "Определить IP-адрес" waits for the box.
        e.tree.selectNode(2);
        Q_EMIT e.tree.nodeSelected(2);
        QVERIFY(!e.box.autoAddressBox()->isChecked());
        QVERIFY(!e.box.resolveButton()->isEnabled());
        e.box.autoAddressBox()->click();
        QVERIFY(e.box.resolveButton()->isEnabled());
        QCOMPARE(
            e.tree.toolTip(),
            u"Для перемещения элементов избранного по списку используйте обычное перетаскивание мышью.\r\n"
            u"Если при перетаскивании удерживать клавишу Ctrl, то элементы не будут перемещаться в группу."_s);
    }

    void anEmptyListHidesTheEditor()
    {
        DialogWorld w{u""_s};
        Editor e(w, 0);
        QVERIFY(e.box.isHidden());
        QVERIFY(!e.page.deleteButton()->isEnabled() && !e.page.saveButton()->isEnabled());
        QVERIFY(e.page.addButton()->isEnabled() && e.page.loadButton()->isEnabled());
        onNextModal<InputNameDialog>([](InputNameDialog* box) {
            typeText(box->edit(), u"новая"_s);
            box->okButton()->click();
        });
        e.page.addGroupButton()->click();
        QVERIFY(!e.box.isHidden());
        QVERIFY(e.page.deleteButton()->isEnabled() && e.page.saveButton()->isEnabled());
        QCOMPARE(e.box.nickEdit()->text(), u"НОВАЯ"_s);
    }

    void typedSeparatorsAreSwallowedWithAnErrorBalloon()
    {
        DialogWorld w;
        Editor e(w, 0);
        QLineEdit* nick = e.box.nickEdit();
        nick->setFocus();
        nick->selectAll();
        typeText(nick, u"Ва;с[я]"_s);
        QCOMPARE(nick->text(), u"Вася"_s);
        QCOMPARE(w.balloons.size(), 3);
        QCOMPARE(w.balloons[0].text, ForbiddenText);
        QCOMPARE(w.balloons[0].level, Level::Error);
        // Pasted, a separator gets past the field, but not into the file.
        const QByteArray before = readAll(w.personal);
        nick->setText(u"Ва;ся"_s);
        e.box.applyButton()->click();
        QCOMPARE(readAll(w.personal), before);
        QCOMPARE(w.host.lastBalloon(), ForbiddenText);
    }

    void applyWritesTheEntryAndKeepsWhatWasTyped()
    {
        DialogWorld w;
        Editor e(w, 1);
        e.box.nickEdit()->setText(u"Отдел продаж"_s);
        e.box.applyButton()->click();
        QCOMPARE(w.list.snapshot()->lineText(1), u"[Отдел продаж]"_s);
        QCOMPARE(e.tree.selectedNode(), 1);
        QCOMPARE(e.tree.itemAt(1)->text(0), u"Отдел продаж"_s);
        QCOMPARE(e.box.nickEdit()->text(), u"Отдел продаж"_s);

        e.tree.selectNode(3);
        Q_EMIT e.tree.nodeSelected(3);
        e.box.nickEdit()->setText(u"Николай"_s);
        e.box.addressEdit()->setText(u"10.0.0.3"_s);
        e.box.autoAddressBox()->setChecked(false);
        e.box.applyButton()->click();
        QCOMPARE(readAll(w.personal),
                 lines({u"PC1;Вася;10.0.0.1;1"_s, u"[Отдел продаж]"_s, u"\tPC2;Петя;10.0.0.2;0"_s,
                        u"\tPC3;Николай;10.0.0.3;0"_s, u"[ПУСТАЯ]"_s}));
        // The main tree's list follows at once.
        QCOMPARE(w.list.MyGetNick(u"PC3"_s), u"Николай"_s);
    }

    void theResolveWorkerFillsOnlyABlankUnfocusedAutomaticAddress()
    {
        DialogWorld w{u"PC3;Коля\r\nPC4;Лена;10.0.0.4;1\r\n"_s};
        Editor e(w, 0);
        QLineEdit* name = e.box.netNameEdit();
        name->setFocus();
        name->setText(u" localhost "_s);
        e.box.nickEdit()->setFocus(); // leaving the name trims it and starts the worker
        QCOMPARE(name->text(), u"localhost"_s);
        QTRY_COMPARE(e.box.addressEdit()->text(), u"127.0.0.1"_s);

        // An address already there stays.
        e.tree.selectNode(1);
        Q_EMIT e.tree.nodeSelected(1);
        name->setFocus();
        name->setText(u"localhost"_s);
        e.box.nickEdit()->setFocus();
        QTRY_VERIFY(!e.box.resolveWorker().isRunning());
        QCOMPARE(e.box.addressEdit()->text(), u"10.0.0.4"_s);
        // "Определить IP-адрес" replaces it, and blanks it for a name without an address.
        e.box.resolveButton()->click();
        QTRY_COMPARE(e.box.addressEdit()->text(), u"127.0.0.1"_s);
        name->setText(u"vantrel-no-such-host.invalid"_s);
        e.box.resolveButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(e.box.addressEdit()->text(), u"0.0.0.0"_s, 15000);
    }

    void addingAContactThroughItsDialog()
    {
        DialogWorld w;
        Editor e(w, 1);
        // Without a computer name OK keeps the dialog open; then the name and no nickname.
        bool stayedOpen = false;
        onNextModal<AddUserDialog>([&stayedOpen](AddUserDialog* d) {
            QCOMPARE(d->windowTitle(), u"Добавить нового пользователя"_s);
            QCOMPARE(d->addressEdit()->text(), u"0.0.0.0"_s);
            QCOMPARE(d->findButton()->toolTip(), u"Найти компьютер в сети"_s);
            QCOMPARE(d->resolveButton()->toolTip(), u"Определить IP-адрес"_s);
            d->okButton()->click();
            stayedOpen = d->isVisible();
            QTest::keyClicks(d->netNameEdit(), u"PC9"_s);
            d->okButton()->click();
        });
        e.page.addButton()->click();
        QVERIFY(stayedOpen);
        // Into the selected group, last, with three fields; selected.
        QCOMPARE(readAll(w.personal),
                 lines({u"PC1;Вася;10.0.0.1;1"_s, u"[ОТДЕЛ]"_s, u"\tPC2;Петя;10.0.0.2;0"_s, u"\tPC3;Коля"_s,
                        u"\tPC9;PC9;"_s, u"[ПУСТАЯ]"_s}));
        QCOMPARE(e.tree.selectedNode(), 4);
        QCOMPARE(e.box.nickEdit()->text(), u"PC9"_s);

        // A computer name that is another contact's nickname: that contact is selected instead.
        const QByteArray before = readAll(w.personal);
        onNextModal<AddUserDialog>([](AddUserDialog* d) {
            typeText(d->netNameEdit(), u"петя"_s);
            d->okButton()->click();
        });
        e.page.addButton()->click();
        QCOMPARE(readAll(w.personal), before);
        QCOMPARE(e.tree.selectedNode(), 2);
        QCOMPARE(e.box.nickEdit()->text(), u"Петя"_s);
        // Typed separators are refused in this dialog too, with an error balloon.
        onNextModal<AddUserDialog>([](AddUserDialog* d) {
            QTest::keyClicks(d->nickEdit(), u"a;b"_s);
            QCOMPARE(d->nickEdit()->text(), u"ab"_s);
            d->reject();
        });
        e.page.addButton()->click();
        QCOMPARE(w.balloons.size(), 1);
        QCOMPARE(w.balloons[0].level, Level::Error);
    }

    void theComputerBrowserFillsTheName()
    {
        // A peer listening on the port the browser scans.
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress(u"127.0.0.66"_s), 0));
        DialogWorld w;
        w.browsePort = peer.serverPort();
        w.browseTargets = {QHostAddress(u"127.0.0.65"_s).toIPv4Address(),
                           QHostAddress(u"127.0.0.66"_s).toIPv4Address(),
                           QHostAddress(u"127.0.0.67"_s).toIPv4Address()};
        Editor e(w, 0);
        QString picked;
        onNextModal<ComputerBrowseDialog>([&picked](ComputerBrowseDialog* d) {
            QCOMPARE(d->windowTitle(), u"Выберите имя компьютера"_s);
            if (!QTest::qWaitFor([d] { return !d->scan().isRunning() && d->scan().namesPending() == 0; },
                                 30000))
                return;
            if (d->list()->topLevelItemCount() != 1)
                return;
            QTreeWidgetItem* row = d->list()->topLevelItem(0);
            QCOMPARE(row->text(1), u"127.0.0.66"_s);
            picked = row->text(0).isEmpty() ? row->text(1) : row->text(0);
            d->list()->setCurrentItem(row);
            d->okButton()->click();
        });
        e.box.findButton()->click();
        QVERIFY(!picked.isEmpty());
        QCOMPARE(e.box.netNameEdit()->text(), picked);
        QCOMPARE(e.dialog.focusWidget(), e.box.nickEdit());
    }

    void groupsAreAddedThroughTheInputBox()
    {
        DialogWorld w;
        Editor e(w, 0);
        QString seen;
        onNextModal<InputNameDialog>([&seen](InputNameDialog* box) {
            seen = box->windowTitle() + u'|' + box->label()->text() + u'|' +
                   (box->okButton()->isEnabled() ? u"ok"_s : u"no ok"_s);
            QTest::keyClicks(box->edit(), u"  "_s);
            if (box->okButton()->isEnabled())
                seen += u"|blank accepted"_s;
            typeText(box->edit(), u"склад"_s);
            box->okButton()->click();
        });
        e.page.addGroupButton()->click();
        QCOMPARE(seen, u"Добавить группу|Имя группы:|no ok"_s);
        QCOMPARE(w.list.snapshot()->lineText(5), u"[СКЛАД]"_s);
        QCOMPARE(e.tree.selectedNode(), 5);
        // The same name again selects the group.
        e.tree.selectNode(0);
        onNextModal<InputNameDialog>([](InputNameDialog* box) {
            typeText(box->edit(), u"Склад"_s);
            box->okButton()->click();
        });
        e.page.addGroupButton()->click();
        QCOMPARE(w.list.count(), 6);
        QCOMPARE(e.tree.selectedNode(), 5);
    }

    void deletingAskedOnlyForAGroupWithMembers()
    {
        DialogWorld w;
        Editor e(w, 1);
        w.host.answers = {false};
        e.page.deleteButton()->click();
        QCOMPARE(w.list.count(), 5);
        QCOMPARE(w.host.questions.size(), 1);
        w.host.answers = {true};
        e.page.deleteButton()->click();
        QCOMPARE(readAll(w.personal), lines({u"PC1;Вася;10.0.0.1;1"_s, u"[ПУСТАЯ]"_s}));
        QCOMPARE(e.tree.selectedNode(), 1);
        e.page.deleteButton()->click();
        QCOMPARE(w.host.questions.size(), 2);
        QCOMPARE(e.tree.selectedNode(), 0);
    }

    void draggingInTheTree()
    {
        DialogWorld w;
        Editor e(w, 0);
        // Вася onto the empty group without Ctrl: its last member.
        e.tree.selectNode(0);
        QVERIFY(e.drag(4, false, true));
        QTRY_COMPARE(w.list.snapshot()->lineText(4), u"PC1;Вася;10.0.0.1;1"_s);
        QCOMPARE(readAll(w.personal), lines({u"[ОТДЕЛ]"_s, u"\tPC2;Петя;10.0.0.2;0"_s, u"\tPC3;Коля"_s,
                                             u"[ПУСТАЯ]"_s, u"\tPC1;Вася;10.0.0.1;1"_s}));
        QCOMPARE(e.tree.selectedNode(), 3);

        // Коля onto the group [ОТДЕЛ] with Ctrl: before the group, at the top level.
        e.tree.selectNode(2);
        QVERIFY(e.drag(0, true, true));
        QTRY_COMPARE(w.list.snapshot()->lineText(0), u"PC3;Коля"_s);
        QCOMPARE(w.list.snapshot()->tree().node(0).level, 0);
        QCOMPARE(e.tree.selectedNode(), 0);

        // A group onto a member of another group is refused while dragging.
        e.tree.selectNode(1); // [ОТДЕЛ]
        const QByteArray before = readAll(w.personal);
        QVERIFY(!e.drag(4, false, true)); // Вася, now in [ПУСТАЯ]
        QTest::qWait(50);
        QCOMPARE(readAll(w.personal), before);
    }

    void theInputBox()
    {
        DialogWorld w;
        int refused = 0;
        InputNameDialog box(&w.settings, [&refused] { ++refused; });
        QCOMPARE(box.windowTitle(), u"Добавить имя"_s);
        QCOMPARE(box.label()->text(), u"Новое имя:"_s);
        QCOMPARE(box.edit()->maxLength(), 255);
        box.setTexts(u"Редактирование"_s, u"Новое имя:"_s, u" текст "_s);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        // The caret at the end, nothing selected.
        QCOMPARE(box.edit()->cursorPosition(), 7);
        QVERIFY(!box.edit()->hasSelectedText());
        QTest::keyClicks(box.edit(), u"[x]"_s);
        QCOMPARE(refused, 2);
        QCOMPARE(box.edit()->text(), u" текст x"_s);
        box.edit()->setText(u"   "_s);
        QVERIFY(!box.okButton()->isEnabled());
        box.edit()->setText(u" a "_s);
        box.okButton()->click();
        // The text as typed, not trimmed.
        QCOMPARE(box.text(), u" a "_s);
        QCOMPARE(box.result(), int(QDialog::Accepted));
        // Its place is kept.
        QVERIFY(w.settings.placement(InputNameDialog::PlacementSection).isValid());
    }

    void theAddressField()
    {
        IpAddressEdit field;
        field.show();
        field.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&field));
        // Each key goes where the focus is, as typing does.
        const auto type = [](const QString& keys) {
            for (const QChar c : keys)
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        };
        QCOMPARE(field.text(), u"0.0.0.0"_s);
        QVERIFY(field.isBlank());
        field.box(0)->setFocus();
        type(u"192.168.7.25"_s);
        QCOMPARE(field.text(), u"192.168.7.25"_s);
        QVERIFY(!field.isBlank());
        // Three digits move on by themselves.
        field.setText({});
        field.box(0)->setFocus();
        type(u"10020030.40"_s);
        QCOMPARE(field.text(), u"100.200.30.40"_s);
        // Values past 255 cannot be typed; anything but an address blanks the field.
        field.setText({});
        field.box(0)->setFocus();
        type(u"256"_s);
        QVERIFY(field.box(0)->text().toInt() <= 255);
        field.setText(u"300.1.1.1"_s);
        QCOMPARE(field.text(), u"0.0.0.0"_s);
        field.setText(u"10.0.0.1"_s);
        QCOMPARE(field.text(), u"10.0.0.1"_s);
    }
};

QTEST_MAIN(TestContactEditor)
#include "test_contacteditor.moc"
