#include "settings/settings.h"
#include "shell/listeditdialog.h"
#include "shell/quickmessageeditmenu.h"
#include "shell/quickmessagemenu.h"
#include "shell/quickmessages.h"

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

// Answers the input dialog with queued texts and records each question as "caption|label|text".
struct ScriptedInput {
    QList<std::optional<QString>> answers;
    QStringList asked;

    ListEditDialog::InputFunction function()
    {
        return [this](const QString& caption, const QString& label, const QString& text) {
            asked.append(caption + u'|' + label + u'|' + text);
            return answers.isEmpty() ? std::nullopt : answers.takeFirst();
        };
    }
};

} // namespace

class TestQuickMessageWidgets final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menusFillTheReplyAndEditTheList()
    {
        const QString path = m_dir.filePath(u"menu.ini"_s);
        Settings settings(path);
        QuickMessages messages(settings);
        QuickMessageMenu menu(messages);
        QCOMPARE(captions(menu), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
        // Every item carries the quick-message picture.
        for (const QAction* action : menu.actions())
            QVERIFY(!action->icon().pixmap(16, 16).isNull());

        QPlainTextEdit reply;
        reply.setPlainText(u"старый текст\nв две строки"_s);
        menu.setTarget(&reply);
        QSignalSpy chosen(&menu, &QuickMessageMenu::messageChosen);
        menu.actions().at(1)->trigger();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toString(), u"Да"_s);
        QCOMPARE(reply.toPlainText(), u"Да"_s);

        // "Добавить" takes the reply's first line, "Удалить" removes it; the menu follows.
        QuickMessageEditMenu editMenu(messages, settings, &reply);
        QCOMPARE(captions(editMenu),
                 (QStringList{u"Добавить"_s, u"Удалить"_s, QString(), u"Редактировать список..."_s}));
        reply.setPlainText(u"Скоро буду\nи ещё строка"_s);
        editMenu.addItemAction()->trigger();
        QCOMPARE(captions(menu), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s, u"Скоро буду"_s}));
        reply.setPlainText(u"СКОРО БУДУ"_s);
        QVERIFY(!editMenu.addFromReply());
        editMenu.deleteItemAction()->trigger();
        QCOMPARE(messages.items(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
        QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(), messages.items());

        // An ampersand stays a literal character.
        messages.setItems({u"Tom & Jerry"_s});
        menu.actions().at(0)->trigger();
        QCOMPARE(reply.toPlainText(), u"Tom & Jerry"_s);

        // An empty list shows a disabled placeholder until something is added.
        messages.setItems({});
        QCOMPARE(captions(menu), QStringList{u"(Пусто)"_s});
        QVERIFY(!menu.actions().at(0)->isEnabled());
        reply.setPlainText(u"Занят"_s);
        QVERIFY(editMenu.addFromReply());
        QCOMPARE(captions(menu), QStringList{u"Занят"_s});
        QVERIFY(menu.actions().at(0)->isEnabled());
    }

    void editorButtonsFollowTheSelection()
    {
        const QString path = m_dir.filePath(u"buttons.ini"_s);
        Settings settings(path);
        auto dialog = std::make_unique<ListEditDialog>(QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}, settings);
        ListEditDialog& d = *dialog;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.windowTitle(), u"Редактировать список"_s);
        QVERIFY(d.width() >= ListEditDialog::MinimumWidth && d.height() >= ListEditDialog::MinimumHeight);
        QCOMPARE(entryButtons(d), (QList<bool>{false, false, false, false}));
        QVERIFY(d.addButton()->isEnabled());
        clickRow(d, 1);
        QCOMPARE(entryButtons(d), (QList<bool>{true, true, true, true}));

        // The arrows move the entry and keep it selected.
        clickRow(d, 0);
        QCOMPARE(entryButtons(d), (QList<bool>{true, true, false, true}));
        QTest::mouseClick(d.downButton(), Qt::LeftButton);
        QCOMPARE(d.items(), (QStringList{u"b"_s, u"a"_s, u"c"_s, u"d"_s}));
        QVERIFY(d.list()->currentItem()->isSelected());
        QTest::mouseClick(d.upButton(), Qt::LeftButton);
        QCOMPARE(d.items(), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        clickRow(d, 3);
        QCOMPARE(entryButtons(d), (QList<bool>{true, true, true, false}));
        QTest::mouseClick(d.upButton(), Qt::LeftButton);
        QCOMPARE(d.items(), (QStringList{u"a"_s, u"b"_s, u"d"_s, u"c"_s}));
        QCOMPARE(d.list()->currentItem()->text(), u"d"_s);

        // Deleting selects the entry now at the same place, or the new last one.
        QTest::mouseClick(d.deleteButton(), Qt::LeftButton);
        QCOMPARE(d.items(), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
        QCOMPARE(d.list()->currentRow(), 2);
        QTest::mouseClick(d.deleteButton(), Qt::LeftButton);
        QTest::mouseClick(d.deleteButton(), Qt::LeftButton);
        QCOMPARE(d.items(), QStringList{u"a"_s});
        QCOMPARE(entryButtons(d), (QList<bool>{true, true, false, false}));
        QTest::mouseClick(d.deleteButton(), Qt::LeftButton);
        QCOMPARE(entryButtons(d), (QList<bool>{false, false, false, false}));
        QTest::mouseClick(d.deleteButton(), Qt::LeftButton); // disabled: no effect, no crash
        QVERIFY(d.items().isEmpty());

        // Its place and size are kept for the next one, even when cancelled.
        d.setGeometry(40, 50, 420, 380);
        d.reject();
        dialog.reset();
        QCOMPARE(ListEditDialog({}, settings).geometry(), QRect(40, 50, 420, 380));
        QVERIFY(Settings(path).placement(ListEditDialog::PlacementSection).isValid());
    }

    void editorAddAndEditUseInputDialog()
    {
        Settings settings(m_dir.filePath(u"input.ini"_s));
        ScriptedInput input;
        ListEditDialog dialog({u"Да"_s}, settings, input.function());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        input.answers = {u" Перезвоню "_s};
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(input.asked.last(), u"Добавить быстрое сообщение|Сообщение:|"_s);
        QCOMPARE(dialog.items(), (QStringList{u"Да"_s, u" Перезвоню "_s})); // not trimmed
        QCOMPARE(dialog.list()->currentRow(), 1);

        // Cancelled and blank answers change nothing.
        input.answers = {std::nullopt, u"   "_s};
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(dialog.items().size(), 2);

        clickRow(dialog, 0);
        input.answers = {u"Да, конечно"_s};
        QTest::mouseClick(dialog.editButton(), Qt::LeftButton);
        QCOMPARE(input.asked.last(), u"Редактирование \"Да\"|Новое имя:|Да"_s);
        QCOMPARE(dialog.items(), (QStringList{u"Да, конечно"_s, u" Перезвоню "_s}));

        // A double click edits too.
        QListWidget* list = dialog.list();
        input.answers = {u"Нет"_s};
        const QPoint at = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(input.asked.last().endsWith(u"|Новое имя:| Перезвоню "_s));
        QCOMPARE(dialog.items(), (QStringList{u"Да, конечно"_s, u"Нет"_s}));
    }

    void editorOkReplacesListCancelKeepsIt()
    {
        const QString path = m_dir.filePath(u"okcancel.ini"_s);
        Settings settings(path);
        QuickMessages messages(settings);
        QPlainTextEdit reply;
        QuickMessageEditMenu editMenu(messages, settings, &reply);

        bool deleteFirst = false;
        connect(&editMenu, &QuickMessageEditMenu::listEditorOpened, this, [&](ListEditDialog* dialog) {
            QTimer::singleShot(0, dialog, [dialog, deleteFirst] {
                dialog->list()->setCurrentRow(0);
                QTest::mouseClick(dialog->deleteButton(), Qt::LeftButton);
                QTest::mouseClick(deleteFirst ? dialog->okButton() : dialog->cancelButton(), Qt::LeftButton);
            });
        });
        QVERIFY(!editMenu.editList());
        QCOMPARE(messages.items(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
        deleteFirst = true;
        QVERIFY(editMenu.editList());
        QCOMPARE(messages.items(), (QStringList{u"Да"_s, u"Нет"_s}));
        QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(), messages.items());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestQuickMessageWidgets)
#include "test_quickmessagewidgets.moc"
