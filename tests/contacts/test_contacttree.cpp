#include "choiceworld.h"
#include "contacts/ui/contacttreecontroller.h"
#include "contacts/ui/contacttreewidget.h"
#include "contacts/ui/recipientfield.h"
#include "platform/keyboardlayout.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
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
    void run(Command command, int index, const QString& text) override
    {
        runs.append({command, index, text});
    }
    bool isPresenceBusy() const override { return false; }

    QList<Command> available{Command::SendBeep};
    struct Run {
        Command command;
        int index;
        QString text;
    };
    QList<Run> runs;
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
        QCOMPARE(w.item(Group)->childCount(), 2);
        QCOMPARE(w.item(Petya)->parent(), w.item(Group));
        QCOMPARE(w.field->count(), 4);
        QCOMPARE(w.field->itemText(Group), u"[ДРУЗЬЯ]"_s);
        QCOMPARE(w.field->lineEdit()->maxLength(), 255);
        QCOMPARE(w.tree->selectedNode(), Group);
        QCOMPARE(w.field->currentIndex(), Group);
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
        QCOMPARE(w.item(Vasya)->checkState(0), Qt::Checked);
        QCOMPARE(w.field->currentText(), u"Вася"_s);

        // "Снять все пометки" (Ctrl+Z) frees the field; "Пометить всех" (Ctrl+A) ticks all.
        QTest::keyClick(w.tree, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.item(Vasya)->checkState(0), Qt::Unchecked);
        QVERIFY(w.field->isEnabled());
        QCOMPARE(w.field->currentText(), u"Петя"_s);
        QTest::keyClick(w.tree, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.field->currentText(), u"Вася;Петя;Коля"_s);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(w.item(i)->checkState(0), Qt::Checked);
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
        QCOMPARE(w.field->currentIndex(), Kolya);
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

    void keysOfTheField()
    {
        TreeWorld w;
        QSignalSpy window(&w.controller, &ContactTreeController::messageWindowRequested);
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
    }

    void opensConversations()
    {
        TreeWorld w;
        QSignalSpy opened(&w.controller, &ContactTreeController::conversationRequested);
        const QPoint groupPos = w.tree->visualItemRect(w.item(Group)).center();
        QTest::mouseDClick(w.tree->viewport(), Qt::LeftButton, {}, groupPos);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.last().at(0).toString(), u"[ДРУЗЬЯ]"_s);
        w.tree->setFocus();
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
        QCOMPARE(w.field->currentText(), u"Коля"_s);
        QCOMPARE(w.controller.CurrentItemText(), u"Коля"_s);
        QCOMPARE(w.controller.CurrentItemIndex(), Kolya);
        for (const QString& name : contactOnly)
            QVERIFY2(w.visible(name), qPrintable(name));
        // Work of other parts is present but disabled until provided; the beep is provided.
        QVERIFY(!w.enabled(u"PM_Tree_Ping2"_s));
        QVERIFY(!w.enabled(u"PM_Tree_SendFile"_s));
        QVERIFY(!w.enabled(u"PM_Tree_Edit"_s));
        QVERIFY(w.enabled(u"PM_Tree_SendBeep"_s));
        QVERIFY(!w.enabled(u"PM_Tree_His"_s));
        menu->close();
        w.controller.action(u"PM_Tree_SendBeep"_s)->trigger();
        QCOMPARE(w.commands.runs.size(), 1);
        QCOMPARE(w.commands.runs[0].index, Kolya);

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
        QCOMPARE(w.commands.runs[1].command, ContactTreeCommands::Command::Check);

        // No node selected: everything disabled.
        w.data.choice.setItemIndex(-1);
        w.controller.updateActions();
        for (const QString& name :
             {u"PM_Tree_Msg"_s, u"PM_Tree_SelAll"_s, u"PM_Tree_DeSelAll"_s, u"PM_SaveCN"_s})
            QVERIFY2(!w.enabled(name), qPrintable(name));
    }

    void statusMarksReachTheTree()
    {
        TreeWorld w;
        w.data.list.setImageIndex(Kolya, vantrel::ContactListSnapshot::Unreachable);
        QCOMPARE(w.tree->imageIndex(Kolya), 3);
        QCOMPARE(w.tree->imageIndex(Group), 4);
        QVERIFY(!w.item(Kolya)->icon(0).isNull());
    }
};

QTEST_MAIN(TestContactTree)
#include "test_contacttree.moc"
