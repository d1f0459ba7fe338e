#pragma once

#include "shell/listeditdialog.h"

#include <QMenu>
#include <QPointer>

class QPlainTextEdit;

namespace vantrel {

class QuickMessages;
class Settings;

// PopupMenu_Mes, the drop-down of the conversation window's quick-message button:
// "Добавить" and "Удалить" take the first line of the reply box; "Редактировать список..."
// opens the list editor modally and replaces the list on OK. Every change is saved at once
// and rebuilds the quick-message menus (QuickMessages::listChanged).
class QuickMessageEditMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickMessageEditMenu)

public:
    QuickMessageEditMenu(QuickMessages& messages, Settings& settings, QPlainTextEdit* replyBox,
                         QWidget* parent = nullptr);

    QAction* addItemAction() const { return m_addAction; }
    QAction* deleteItemAction() const { return m_deleteAction; }
    QAction* editListAction() const { return m_editAction; }

    // The input dialog used by the list editor (tests replace it).
    void setInputFunction(ListEditDialog::InputFunction input) { m_input = std::move(input); }

    // "Добавить" / "Удалить": true when the list changed.
    bool addFromReply();
    bool deleteFromReply();
    // "Редактировать список...": true when the editor closed with OK.
    bool editList();

Q_SIGNALS:
    // The list editor is about to run modally (tests drive it from here).
    void listEditorOpened(vantrel::ListEditDialog* dialog);

private:
    void focusReply();

    QuickMessages& m_messages;
    Settings& m_settings;
    QPointer<QPlainTextEdit> m_reply;
    ListEditDialog::InputFunction m_input;
    QAction* m_addAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_editAction = nullptr;
};

} // namespace vantrel
