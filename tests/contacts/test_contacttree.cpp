#include "choiceworld.h"
#include "contacts/ui/contacttreecontroller.h"
#include "contacts/ui/contacttreewidget.h"
#include "contacts/ui/recipientfield.h"
#include "platform/keyboardlayout.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using vantrel::ContactTreeCommands;
using vantrel::ContactTreeController;
using vantrel::ContactTreeWidget;
using vantrel::RecipientField;

namespace {

const QString Friends = u"[ДРУЗЬЯ]\r\n\tPC1;Вася\r\n\tPC2;Петя\r\nPC3;Коля;10.0.0.3\r\n"_s;
constexpr int Group = 0, Vasya = 1, Petya = 2, Kolya = 3;

class RecordingCommands final : public ContactTreeCommands {
public:
    bool isAvailable(Command command) const override { return available.contains(command); }
    void run(Command command, int index, const QString&) override { runs.append({command, index}); }
    bool isPresenceBusy() const override { return false; }

    QList<Command> available{Command::SendBeep};
    QList<std::pair<Command, int>> runs;
};

class UsLayout final : public vantrel::KeyboardLayout {
public:
    bool isNonUSLayout() const override { return false; }
    bool activate(vantrel::LayoutId) override { return true; }
};

// The tree and the field in a window, wired as in the main window.
struct TreeWorld {
    explicit TreeWorld(const QString& contents = Friends)
        : data(contents)
        , tree(new ContactTreeWidget(&window))
        , field(new RecipientField(&window))
        , other(new QPushButton(u"Параметры..."_s, &window))
        , controller(*tree, *field,
                     {data.choice, data.list, commands, layout, [this](const QString& contact) {
                          return data.dir.filePath(u"Logs/"_s + contact + u".log"_s);
                      }})
    {
        auto* box = new QVBoxLayout(&window);
        box->addWidget(tree);
        box->addWidget(field);
        box->addWidget(other);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    QTreeWidgetItem* item(int index) const { return tree->itemAt(index); }
    // Clicks the node's check box.
    void clickBox(int index) const
    {
        QStyleOptionViewItem option;
        option.initFrom(tree);
        option.rect = tree->visualItemRect(item(index));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        option.state |= QStyle::State_Enabled;
        const QRect box = tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, box.center());
    }
    QMenu* openMenuAt(int index) const
    {
        const QPoint pos = tree->visualItemRect(item(index)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(tree->viewport(), &event);
        return controller.menu();
    }
    bool visible(const QString& name) const { return controller.action(name)->isVisible(); }
    bool enabled(const QString& name) const { return controller.action(name)->isEnabled(); }
    void trigger(const QString& name) const { controller.action(name)->trigger(); }

    ChoiceWorld data;
    RecordingCommands commands;
    UsLayout layout;
    QWidget window;
    ContactTreeWidget* tree;
    RecipientField* field;
    QPushButton* other;
    ContactTreeController controller;
};

// Types text key by key, Cyrillic letters included.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Answers the next modal file dialog, recording its title, mode, name filters and proposed
// name: puts `path` into its name box and presses Enter, or cancels when `path` is empty. Any
// other modal window is closed so that a fault cannot hang the test.
void answerFileDialog(const QString& path, QStringList& seen)
{
    QTimer::singleShot(0, qApp, [path, &seen] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* edit = dialog ? dialog->findChild<QLineEdit*>(u"fileNameEdit"_s) : nullptr;
        if (!edit) {
            if (modal)
                modal->close();
            return;
        }
        seen = QStringList{dialog->windowTitle(),
                           dialog->acceptMode() == QFileDialog::AcceptSave ? u"save"_s : u"open"_s} +
               dialog->nameFilters() + QStringList{edit->text()};
        if (!path.isEmpty()) {
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        }
        if (dialog->isVisible()) // cancelled, or the name was not taken: the checks after it fail
            dialog->reject();
    });
}

} // namespace

class TestContactTree final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void showsTheListInTreeAndField()
    {
        TreeWorld w;
        QCOMPARE(w.tree->topLevelItemCount(), 2);
        QCOMPARE(w.item(Group)->text(0), u"ДРУЗЬЯ"_s);
        QCOMPARE(w.item(Petya)->parent(), w.item(Group));
        QCOMPARE(w.field->count(), 4);
        QCOMPARE(w.field->itemText(Group), u"[ДРУЗЬЯ]"_s);
        QCOMPARE(w.field->lineEdit()->maxLength(), 255);
        QCOMPARE(w.tree->selectedNode(), Group);

        // Status marks reach the tree.
        w.data.list.setImageIndex(Kolya, vantrel::ContactListSnapshot::Unreachable);
        QCOMPARE(w.tree->imageIndex(Kolya), 3);
        QCOMPARE(w.tree->imageIndex(Group), 4);
        QVERIFY(!w.item(Kolya)->icon(0).isNull());
    }

    void tickingAGroupTicksItsMembers()
    {
        TreeWorld w;
        w.clickBox(Group);
        QCOMPARE(w.item(Vasya)->checkState(0), Qt::Checked);
        QCOMPARE(w.item(Petya)->checkState(0), Qt::Checked);
        QCOMPARE(w.item(Kolya)->checkState(0), Qt::Unchecked);
        QCOMPARE(w.field->currentText(), u"Вася;Петя"_s);
        QVERIFY(!w.field->isEnabled());

        // Space on a member clears its box, and its group's.
        w.tree->setFocus();
        w.tree->setCurrentItem(w.item(Petya));
        QTest::keyClick(w.tree, Qt::Key_Space);
        QCOMPARE(w.item(Petya)->checkState(0), Qt::Unchecked);
        QCOMPARE(w.item(Group)->checkState(0), Qt::Unchecked);
        QCOMPARE(w.field->currentText(), u"Вася"_s);

        // "Снять все пометки" (Ctrl+Z) frees the field; "Пометить всех" (Ctrl+A) ticks all.
        QTest::keyClick(w.tree, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.item(Vasya)->checkState(0), Qt::Unchecked);
        QVERIFY(w.field->isEnabled());
        QCOMPARE(w.field->currentText(), u"Петя"_s);
        QTest::keyClick(w.tree, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.field->currentText(), u"Вася;Петя;Коля"_s);
        QCOMPARE(w.item(Group)->checkState(0), Qt::Checked);
    }

    void typedNamesSelectTheirNodes()
    {
        TreeWorld w;
        w.field->setFocus();
        w.field->lineEdit()->selectAll();
        typeText(w.field, u"кОЛЯ"_s);
        QCOMPARE(w.tree->selectedNode(), -1);
        w.other->setFocus();
        QCOMPARE(w.tree->selectedNode(), Kolya);
        QCOMPARE(w.field->currentText(), u"Коля"_s);

        // Choosing from the list selects the node; item index -1 clears the selection.
        w.field->setCurrentIndex(Vasya);
        Q_EMIT w.field->activated(Vasya);
        QCOMPARE(w.tree->selectedNode(), Vasya);
        w.data.choice.setItemIndex(-1);
        QCOMPARE(w.tree->selectedNode(), -1);
        QCOMPARE(w.field->currentIndex(), -1);

        // Selecting a node shows it in the field.
        w.tree->setCurrentItem(w.item(Petya));
        QCOMPARE(w.field->currentText(), u"Петя"_s);
    }

    void keysOpenWindowsAndConversations()
    {
        TreeWorld w;
        QSignalSpy window(&w.controller, &ContactTreeController::messageWindowRequested);
        QSignalSpy opened(&w.controller, &ContactTreeController::conversationRequested);
        w.field->setFocus();
        w.field->lineEdit()->selectAll();
        QTest::keyClicks(w.field, u"ghbdtn"_s);
        QTest::keyClick(w.field, Qt::Key_F12);
        QCOMPARE(w.field->currentText(), u"привет"_s);
        QCOMPARE(w.field->lineEdit()->cursorPosition(), 6);
        QTest::keyClick(w.field, Qt::Key_Return);
        QCOMPARE(window.size(), 1);
        w.tree->setFocus();
        QTest::keyClick(w.tree, Qt::Key_Return);
        QCOMPARE(window.size(), 2);

        const QPoint groupPos = w.tree->visualItemRect(w.item(Group)).center();
        QTest::mouseDClick(w.tree->viewport(), Qt::LeftButton, {}, groupPos);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.last().at(0).toString(), u"[ДРУЗЬЯ]"_s);
        w.tree->setCurrentItem(w.item(Kolya));
        QTest::keyClick(w.tree, Qt::Key_Insert);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened.last().at(0).toString(), u"Коля"_s);
    }

    void menuFollowsTheNode()
    {
        TreeWorld w;
        const QStringList contactOnly{u"PM_Tree_Ping2"_s, u"PM_Tree_Ping1"_s, u"PM_Tree_Info"_s,
                                      u"PM_Tree_SendBeep"_s};
        QMenu* menu = w.openMenuAt(Group);
        QVERIFY(menu->isVisible());
        for (const QString& name : contactOnly)
            QVERIFY2(!w.visible(name), qPrintable(name));
        QVERIFY(w.visible(u"PM_Tree_Edit"_s) && w.visible(u"PM_SaveCN"_s) && w.visible(u"PM_LoadCN"_s));
        QVERIFY(w.enabled(u"PM_Tree_Msg"_s) && w.enabled(u"PM_Tree_SelAll"_s));
        menu->close();

        // A right click selects the node under the mouse; a contact shows every item.
        menu = w.openMenuAt(Kolya);
        QCOMPARE(w.tree->selectedNode(), Kolya);
        QCOMPARE(w.controller.CurrentItemText(), u"Коля"_s);
        for (const QString& name : contactOnly)
            QVERIFY2(w.visible(name), qPrintable(name));
        // Work of other parts is disabled until provided; the beep is provided.
        QVERIFY(!w.enabled(u"PM_Tree_Ping2"_s) && !w.enabled(u"PM_Tree_His"_s));
        QVERIFY(w.enabled(u"PM_Tree_SendBeep"_s));
        menu->close();
        w.controller.action(u"PM_Tree_SendBeep"_s)->trigger();
        QCOMPARE(w.commands.runs.size(), 1);
        QCOMPARE(w.commands.runs[0].second, Kolya);

        // The history item needs the contact's log.
        QDir().mkpath(w.data.dir.filePath(u"Logs"_s));
        writeAll(w.data.dir.filePath(u"Logs/Коля.log"_s), "x");
        w.openMenuAt(Kolya);
        QVERIFY(w.enabled(u"PM_Tree_His"_s));
        menu->close();

        // A command made available later is enabled, but its shortcut does nothing on a group.
        w.commands.available.append(ContactTreeCommands::Command::Check);
        w.tree->setFocus();
        w.tree->setCurrentItem(w.item(Group));
        QTest::keyClick(w.tree, Qt::Key_F5);
        QCOMPARE(w.commands.runs.size(), 1);
        w.tree->setCurrentItem(w.item(Kolya));
        QTest::keyClick(w.tree, Qt::Key_F5);
        QCOMPARE(w.commands.runs.size(), 2);
        QCOMPARE(w.commands.runs[1].first, ContactTreeCommands::Command::Check);

        // No node selected: everything disabled.
        w.data.choice.setItemIndex(-1);
        w.controller.updateActions();
        for (const QString& name : {u"PM_Tree_Msg"_s, u"PM_Tree_SelAll"_s, u"PM_SaveCN"_s})
            QVERIFY2(!w.enabled(name), qPrintable(name));
    }

    // "Сохранить список" and "Загрузить список" go through the real file dialogs; cancelling
    // either changes nothing.
    void saveAndLoadThroughFileDialogs()
    {
        TreeWorld w(ChoiceWorld::sample());
        const QByteArray inUse = readAll(w.data.personal);
        const QStringList filesBefore = QDir(w.data.dir.path()).entryList(QDir::Files);
        QTemporaryDir out;
        const QString other = out.filePath(u"other.vtl"_s);
        const QByteArray otherBytes =
            "\xEF\xBB\xBF"_ba + u"[СКЛАД]\r\n\tPC9;Гена;10.0.0.9;1\r\nPC8;Олег\r\n"_s.toUtf8();
        writeAll(other, otherBytes);

        QStringList save, load;
        answerFileDialog({}, save);
        w.trigger(u"PM_SaveCN"_s);
        answerFileDialog({}, load);
        w.trigger(u"PM_LoadCN"_s);
        const QString filter = u"Список пользователей VTL (*.vtl)"_s;
        QCOMPARE(save,
                 (QStringList{u"Сохранить список"_s, u"save"_s, filter, u"Список пользователей VTL"_s}));
        QCOMPARE(load.mid(0, 3), (QStringList{u"Загрузить список"_s, u"open"_s, filter}));
        QCOMPARE(QDir(w.data.dir.path()).entryList(QDir::Files), filesBefore);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{u"other.vtl"_s});
        QCOMPARE(readAll(w.data.personal), inUse);
        QCOMPARE(w.tree->nodeCount(), 8);

        // The default extension is added; the file is the list in use, byte for byte.
        answerFileDialog(out.filePath(u"saved"_s), save);
        w.trigger(u"PM_SaveCN"_s);
        QCOMPARE(readAll(out.filePath(u"saved.vtl"_s)), inUse);

        // Loading replaces the list in use and what is shown; the loaded file stays as it was.
        w.data.choice.selectNode(3);
        answerFileDialog(other, load);
        w.trigger(u"PM_LoadCN"_s);
        QCOMPARE(w.tree->nodeCount(), 3);
        QCOMPARE(w.tree->itemAt(1)->text(0), u"Гена"_s);
        QCOMPARE(w.tree->itemAt(1)->parent(), w.tree->itemAt(0));
        QCOMPARE(w.field->count(), 3);
        QCOMPARE(w.tree->selectedNode(), 0);
        QCOMPARE(readAll(w.data.personal), otherBytes);
        QCOMPARE(readAll(other), otherBytes);
        QVERIFY(w.data.host.balloons.isEmpty());
    }
};

QTEST_MAIN(TestContactTree)
#include "test_contacttree.moc"
