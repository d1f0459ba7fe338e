// "Сохранить список" and "Загрузить список" of the tree's menu, through the real file dialogs
// on the offscreen platform: a timer answers each modal dialog as the user would.

#include "choiceworld.h"
#include "contacts/ui/contacttreecontroller.h"
#include "contacts/ui/contacttreewidget.h"
#include "contacts/ui/recipientfield.h"
#include "platform/keyboardlayout.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using vantrel::ContactTreeCommands;
using vantrel::ContactTreeController;
using vantrel::ContactTreeWidget;
using vantrel::RecipientField;

namespace {

class NoCommands final : public ContactTreeCommands {
public:
    bool isAvailable(Command) const override { return false; }
    void run(Command, int, const QString&) override {}
    bool isPresenceBusy() const override { return false; }
};

class NoLayout final : public vantrel::KeyboardLayout {
public:
    bool isNonUSLayout() const override { return false; }
    bool activate(vantrel::LayoutId) override { return true; }
};

// The tree and the field wired to the sample list, node 0 selected.
struct TreeWorld {
    TreeWorld()
        : tree(new ContactTreeWidget(&window))
        , field(new RecipientField(&window))
        , controller(*tree, *field,
                     {data.choice, data.list, commands, layout,
                      [this](const QString& contact) { return data.dir.filePath(contact + u".log"_s); }})
    {}
    void trigger(const QString& action) { controller.action(action)->trigger(); }

    ChoiceWorld data;
    NoCommands commands;
    NoLayout layout;
    QWidget window;
    ContactTreeWidget* tree;
    RecipientField* field;
    ContactTreeController controller;
};

// What the file dialog looked like when it was answered.
struct Seen {
    bool shown = false;
    QString title;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QStringList filters;
    QString proposedName;
};

// Answers the next modal file dialog: puts `path` into its name box and presses Enter, or cancels
// when `path` is empty. Any other modal window is closed so that a fault cannot hang the test.
void answerFileDialog(const QString& path, Seen& seen)
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
        seen = {true, dialog->windowTitle(), dialog->acceptMode(), dialog->nameFilters(), edit->text()};
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        edit->setText(path);
        QTest::keyClick(edit, Qt::Key_Return);
        if (dialog->isVisible()) // not taken: the checks after the dialog fail
            dialog->reject();
    });
}

QStringList treeTexts(const ContactTreeWidget& tree)
{
    QStringList texts;
    for (int i = 0; i < tree.nodeCount(); ++i)
        texts << tree.itemAt(i)->text(0);
    return texts;
}

const QByteArray Bom = "\xEF\xBB\xBF";

} // namespace

class TestListDialogs final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The dialogs keep their state under the test-mode configuration folder.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void saveWritesTheListInUse()
    {
        TreeWorld w;
        const QByteArray inUse = readAll(w.data.personal);
        QTemporaryDir out;
        Seen seen;
        answerFileDialog(out.filePath(u"saved"_s), seen);
        w.trigger(u"PM_SaveCN"_s);
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, u"Сохранить список"_s);
        QCOMPARE(seen.mode, QFileDialog::AcceptSave);
        QCOMPARE(seen.filters, QStringList{u"Список пользователей VTL (*.vtl)"_s});
        QCOMPARE(seen.proposedName, u"Список пользователей VTL"_s);
        // The default extension is added; the file is the list in use, byte for byte.
        QCOMPARE(readAll(out.filePath(u"saved.vtl"_s)), inUse);
        QCOMPARE(inUse, Bom + ChoiceWorld::sample().toUtf8());
        QCOMPARE(readAll(w.data.personal), inUse);
    }

    void loadReplacesTheListInUse()
    {
        TreeWorld w;
        const QByteArray other = Bom + u"[СКЛАД]\r\n\tPC9;Гена;10.0.0.9;1\r\nPC8;Олег\r\n"_s.toUtf8();
        QTemporaryDir in;
        writeAll(in.filePath(u"other.vtl"_s), other);
        w.data.choice.selectNode(3);
        Seen seen;
        answerFileDialog(in.filePath(u"other.vtl"_s), seen);
        w.trigger(u"PM_LoadCN"_s);
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, u"Загрузить список"_s);
        QCOMPARE(seen.mode, QFileDialog::AcceptOpen);
        QCOMPARE(seen.filters, QStringList{u"Список пользователей VTL (*.vtl)"_s});

        QCOMPARE(treeTexts(*w.tree), QStringList({u"СКЛАД"_s, u"Гена"_s, u"Олег"_s}));
        QCOMPARE(w.tree->itemAt(1)->parent(), w.tree->itemAt(0));
        QCOMPARE(w.field->count(), 3);
        QCOMPARE(w.tree->selectedNode(), 0);
        QCOMPARE(w.data.list.snapshot()->ip(1), u"10.0.0.9"_s);
        // The list file in use now holds the loaded list; the loaded file is left as it was.
        QCOMPARE(readAll(w.data.personal), other);
        QCOMPARE(readAll(in.filePath(u"other.vtl"_s)), other);
        QVERIFY(w.data.host.balloons.isEmpty());
    }

    void cancellingChangesNothing()
    {
        TreeWorld w;
        const QByteArray inUse = readAll(w.data.personal);
        const QStringList shown = treeTexts(*w.tree);
        const QStringList filesBefore = QDir(w.data.dir.path()).entryList(QDir::Files);
        QTemporaryDir in;
        writeAll(in.filePath(u"other.vtl"_s), Bom + "PC8;Олег\r\n"_ba);

        Seen save, load;
        answerFileDialog({}, save);
        w.trigger(u"PM_SaveCN"_s);
        answerFileDialog({}, load);
        w.trigger(u"PM_LoadCN"_s);
        QVERIFY(save.shown && load.shown);
        QCOMPARE(QDir(w.data.dir.path()).entryList(QDir::Files), filesBefore);
        QCOMPARE(QDir(in.path()).entryList(QDir::Files), QStringList{u"other.vtl"_s});
        QCOMPARE(readAll(w.data.personal), inUse);
        QCOMPARE(treeTexts(*w.tree), shown);
        QVERIFY(w.data.host.balloons.isEmpty());
    }
};

QTEST_MAIN(TestListDialogs)
#include "test_listdialogs.moc"
