#include "settings/settings.h"
#include "shell/listeditdialog.h"
#include "shell/quickmessageeditmenu.h"
#include "shell/quickmessagemenu.h"
#include "shell/quickmessages.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using vantrel::ListEditDialog;
using vantrel::QuickMessageEditMenu;
using vantrel::QuickMessageMenu;
using vantrel::QuickMessages;
using vantrel::Settings;

namespace {

QStringList captions(const QMenu& menu)
{
    QStringList result;
    for (const QAction* action : menu.actions())
        result.append(action->text());
    return result;
}

// The enabled state of Удалить, Изменить, up and down.
QList<bool> entryButtons(const ListEditDialog& dialog)
{
    return {dialog.deleteButton()->isEnabled(), dialog.editButton()->isEnabled(),
            dialog.upButton()->isEnabled(), dialog.downButton()->isEnabled()};
}

void clickRow(ListEditDialog& dialog, int row)
{
    QListWidget* list = dialog.list();
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// Answers the input dialog with queued texts and records what it was asked.
struct ScriptedInput {
    QList<std::optional<QString>> answers;
    QStringList captions;
    QStringList labels;
    QStringList initialTexts;

    ListEditDialog::InputFunction function()
    {
        return [this](const QString& caption, const QString& label, const QString& text) {
            captions.append(caption);
            labels.append(label);
            initialTexts.append(text);
            return answers.isEmpty() ? std::nullopt : answers.takeFirst();
        };
    }
};

} // namespace

class TestQuickMessageWidgets final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuListsEntriesAndFillsReplyBox();
    void emptyMenuShowsDisabledPlaceholderAfterRestart();
    void editMenuAddsAndDeletesFirstLine();
    void editorOpensWithButtonsDisabled();
    void editorDeleteSelectsNeighbour();
    void editorArrowsMoveSelection();
    void editorAddAndEditUseInputDialog();
    void editorOkReplacesListCancelKeepsIt();
    void editorKeepsPlacement();

private:
    QString iniPath(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestQuickMessageWidgets::menuListsEntriesAndFillsReplyBox()
{
    Settings settings(iniPath(u"menu.ini"_s));
    QuickMessages messages(settings);
    QuickMessageMenu menu(messages);
    QCOMPARE(captions(menu), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));

    QPlainTextEdit reply;
    reply.setPlainText(u"старый текст\nв две строки"_s);
    menu.setTarget(&reply);
    QSignalSpy chosen(&menu, &QuickMessageMenu::messageChosen);
    menu.actions().at(1)->trigger();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).toString(), u"Да"_s);
    QCOMPARE(reply.toPlainText(), u"Да"_s);

    // A change of the list rebuilds the menu; an ampersand stays a literal character.
    messages.setItems({u"Tom & Jerry"_s});
    QCOMPARE(menu.actions().size(), 1);
    menu.actions().at(0)->trigger();
    QCOMPARE(reply.toPlainText(), u"Tom & Jerry"_s);
}

void TestQuickMessageWidgets::emptyMenuShowsDisabledPlaceholderAfterRestart()
{
    const QString path = iniPath(u"emptymenu.ini"_s);
    {
        Settings settings(path);
        QuickMessages messages(settings);
        QuickMessageMenu menu(messages);
        messages.setItems({});
        QCOMPARE(captions(menu), QStringList{u"(Пусто)"_s});
        QVERIFY(!menu.actions().at(0)->isEnabled());
    }
    Settings settings(path);
    QuickMessages messages(settings);
    QuickMessageMenu menu(messages);
    QCOMPARE(captions(menu), QStringList{u"(Пусто)"_s});
    QVERIFY(!menu.actions().at(0)->isEnabled());

    QPlainTextEdit reply;
    reply.setPlainText(u"Занят"_s);
    QuickMessageEditMenu editMenu(messages, settings, &reply);
    QVERIFY(editMenu.addFromReply());
    QCOMPARE(captions(menu), QStringList{u"Занят"_s});
    QVERIFY(menu.actions().at(0)->isEnabled());
}

void TestQuickMessageWidgets::editMenuAddsAndDeletesFirstLine()
{
    const QString path = iniPath(u"editmenu.ini"_s);
    Settings settings(path);
    QuickMessages messages(settings);
    QuickMessageMenu menu(messages);
    QPlainTextEdit reply;
    QuickMessageEditMenu editMenu(messages, settings, &reply);
    QCOMPARE(captions(editMenu),
             (QStringList{u"Добавить"_s, u"Удалить"_s, QString(), u"Редактировать список..."_s}));

    reply.setPlainText(u"Скоро буду\nи ещё строка"_s);
    editMenu.addItemAction()->trigger();
    QCOMPARE(messages.items(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s, u"Скоро буду"_s}));
    QCOMPARE(menu.actions().size(), 4);

    reply.setPlainText(u"СКОРО БУДУ"_s);
    QVERIFY(!editMenu.addFromReply());
    QCOMPARE(messages.items().size(), 4);

    editMenu.deleteItemAction()->trigger();
    QCOMPARE(messages.items(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
    QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(), messages.items());
}

void TestQuickMessageWidgets::editorOpensWithButtonsDisabled()
{
    Settings settings(iniPath(u"open.ini"_s));
    ListEditDialog dialog({u"a"_s, u"b"_s, u"c"_s}, settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), u"Редактировать список"_s);
    QVERIFY(dialog.width() >= ListEditDialog::MinimumWidth &&
            dialog.height() >= ListEditDialog::MinimumHeight);
    QCOMPARE(entryButtons(dialog), (QList<bool>{false, false, false, false}));
    QVERIFY(dialog.addButton()->isEnabled());

    clickRow(dialog, 0);
    QCOMPARE(entryButtons(dialog), (QList<bool>{true, true, false, true}));
    clickRow(dialog, 1);
    QCOMPARE(entryButtons(dialog), (QList<bool>{true, true, true, true}));
    clickRow(dialog, 2);
    QCOMPARE(entryButtons(dialog), (QList<bool>{true, true, true, false}));

    ListEditDialog single({u"only"_s}, settings);
    single.show();
    QVERIFY(QTest::qWaitForWindowExposed(&single));
    clickRow(single, 0);
    QCOMPARE(entryButtons(single), (QList<bool>{true, true, false, false}));
}

void TestQuickMessageWidgets::editorDeleteSelectsNeighbour()
{
    Settings settings(iniPath(u"delete.ini"_s));
    ListEditDialog dialog({u"a"_s, u"b"_s, u"c"_s}, settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    clickRow(dialog, 1);
    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    QCOMPARE(dialog.items(), (QStringList{u"a"_s, u"c"_s}));
    QCOMPARE(dialog.list()->currentRow(), 1); // the entry now at the same place

    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    QCOMPARE(dialog.items(), QStringList{u"a"_s});
    QCOMPARE(dialog.list()->currentRow(), 0); // the last was deleted: the new last one
    QCOMPARE(entryButtons(dialog), (QList<bool>{true, true, false, false}));

    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    QVERIFY(dialog.items().isEmpty());
    QCOMPARE(entryButtons(dialog), (QList<bool>{false, false, false, false}));
    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton); // disabled: no effect, no crash
    QVERIFY(dialog.items().isEmpty());
}

void TestQuickMessageWidgets::editorArrowsMoveSelection()
{
    Settings settings(iniPath(u"move.ini"_s));
    ListEditDialog dialog({u"a"_s, u"b"_s, u"c"_s}, settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    clickRow(dialog, 0);
    QTest::mouseClick(dialog.downButton(), Qt::LeftButton);
    QCOMPARE(dialog.items(), (QStringList{u"b"_s, u"a"_s, u"c"_s}));
    QCOMPARE(dialog.list()->currentItem()->text(), u"a"_s);
    QVERIFY(dialog.list()->currentItem()->isSelected());
    QTest::mouseClick(dialog.downButton(), Qt::LeftButton);
    QCOMPARE(dialog.items(), (QStringList{u"b"_s, u"c"_s, u"a"_s}));
    QCOMPARE(entryButtons(dialog), (QList<bool>{true, true, true, false}));

    QTest::mouseClick(dialog.upButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.upButton(), Qt::LeftButton);
    QCOMPARE(dialog.items(), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    QCOMPARE(entryButtons(dialog), (QList<bool>{true, true, false, true}));
}

void TestQuickMessageWidgets::editorAddAndEditUseInputDialog()
{
    Settings settings(iniPath(u"input.ini"_s));
    ScriptedInput input;
    ListEditDialog dialog({u"Да"_s}, settings, input.function());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    input.answers = {u" Перезвоню "_s};
    QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    QCOMPARE(input.captions.last(), u"Добавить быстрое сообщение"_s);
    QCOMPARE(input.labels.last(), u"Сообщение:"_s);
    QCOMPARE(input.initialTexts.last(), QString());
    QCOMPARE(dialog.items(), (QStringList{u"Да"_s, u" Перезвоню "_s})); // not trimmed
    QCOMPARE(dialog.list()->currentRow(), 1);
    QCOMPARE(entryButtons(dialog), (QList<bool>{true, true, true, false}));

    // Cancelled and blank answers change nothing.
    input.answers = {std::nullopt, u"   "_s};
    QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    QCOMPARE(dialog.items().size(), 2);

    clickRow(dialog, 0);
    input.answers = {u"Да, конечно"_s};
    QTest::mouseClick(dialog.editButton(), Qt::LeftButton);
    QCOMPARE(input.captions.last(), u"Редактирование \"Да\""_s);
    QCOMPARE(input.labels.last(), u"Новое имя:"_s);
    QCOMPARE(input.initialTexts.last(), u"Да"_s);
    QCOMPARE(dialog.items(), (QStringList{u"Да, конечно"_s, u" Перезвоню "_s}));

    // A double click edits too.
    QListWidget* list = dialog.list();
    input.answers = {u"Нет"_s};
    const QPoint at = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(input.initialTexts.last(), u" Перезвоню "_s);
    QCOMPARE(dialog.items(), (QStringList{u"Да, конечно"_s, u"Нет"_s}));
}

void TestQuickMessageWidgets::editorOkReplacesListCancelKeepsIt()
{
    const QString path = iniPath(u"okcancel.ini"_s);
    Settings settings(path);
    QuickMessages messages(settings);
    QuickMessageMenu menu(messages);
    QPlainTextEdit reply;
    QuickMessageEditMenu editMenu(messages, settings, &reply);

    bool deleteFirst = true;
    connect(&editMenu, &QuickMessageEditMenu::listEditorOpened, this, [&](ListEditDialog* dialog) {
        QTimer::singleShot(0, dialog, [dialog, deleteFirst] {
            dialog->list()->setCurrentRow(0);
            QTest::mouseClick(dialog->deleteButton(), Qt::LeftButton);
            QTest::mouseClick(deleteFirst ? dialog->okButton() : dialog->cancelButton(), Qt::LeftButton);
        });
    });

    deleteFirst = false;
    QVERIFY(!editMenu.editList());
    QCOMPARE(messages.items(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));

    deleteFirst = true;
    QVERIFY(editMenu.editList());
    QCOMPARE(messages.items(), (QStringList{u"Да"_s, u"Нет"_s}));
    QCOMPARE(captions(menu), (QStringList{u"Да"_s, u"Нет"_s}));
    QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(), messages.items());
}

void TestQuickMessageWidgets::editorKeepsPlacement()
{
    const QString path = iniPath(u"placement.ini"_s);
    {
        Settings settings(path);
        ListEditDialog dialog({}, settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.setGeometry(40, 50, 420, 380);
        dialog.reject();
    }
    Settings settings(path);
    const vantrel::WindowPlacement placement = settings.placement(ListEditDialog::PlacementSection);
    QVERIFY(placement.isValid());
    QCOMPARE(placement.width(), 420);
    QCOMPARE(placement.height(), 380);
    ListEditDialog dialog({}, settings);
    QCOMPARE(dialog.geometry().size(), QSize(420, 380));
    QCOMPARE(dialog.geometry().topLeft(), QPoint(40, 50));
}

QTEST_MAIN(TestQuickMessageWidgets)
#include "test_quickmessagewidgets.moc"
