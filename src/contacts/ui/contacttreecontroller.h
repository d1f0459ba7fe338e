#pragma once

#include "contacts/ui/contacttreecommands.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QPoint;

namespace vantrel {

class ContactList;
class ContactTreeWidget;
class KeyboardLayout;
class RecipientChoice;
class RecipientField;

// Keeps the contact tree and the recipient field in step with the recipient choice and runs
// the tree's context menu `PopupMenu_Tree`. The menu's actions also live on the tree, so their
// shortcuts work while it has the focus.
class ContactTreeController final : public QObject {
    Q_OBJECT
public:
    struct Services {
        RecipientChoice& choice;
        ContactList& list;
        ContactTreeCommands& commands;
        KeyboardLayout& keyboardLayout;
        // The history log file of a contact name.
        std::function<QString(const QString&)> historyPath;
    };

    ContactTreeController(ContactTreeWidget& tree, RecipientField& field, Services services,
                          QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ContactTreeController)

    // The menu and its items by object name ("PM_Tree_Msg", ...).
    QMenu* menu() const { return m_menu; }
    QAction* action(const QString& name) const { return m_actions.value(name); }
    // Sets every item's visibility and enabled state for the selected node, as the menu does
    // when it opens.
    void updateActions();

    // The node the menu and its shortcuts act on.
    QString CurrentItemText() const { return m_currentText; }
    int CurrentItemIndex() const { return m_currentIndex; }

    // Opens the conversation for a node: "[" + group + "]" for a node with children.
    void openConversation(int index);
    // "Добавить", "Удалить": the recipient text added to or deleted from the list. `confirmed`
    // runs right after the user's first Yes to the deletion.
    bool PM_ADD_CompClick();
    bool PM_DEL_CompClick(const std::function<void()>& confirmed = {});
    RecipientChoice& choice() const { return m_services.choice; }
    // A recipient text chosen from the network menu or the computer browser: the field drops its
    // item, takes the text and is left, so that a contact's display name selects the contact.
    void chooseRecipient(const QString& text);

Q_SIGNALS:
    void conversationRequested(const QString& contact);
    // Enter in the tree or the field: the message window for the recipient text.
    void messageWindowRequested();

private:
    using Command = ContactTreeCommands::Command;

    QAction* addAction(const QString& name, const QString& caption, const QKeySequence& shortcut);
    void buildMenu();
    void showList();
    void showChecks();
    void showField();
    void onCheckToggled(int index, bool checked);
    void onMenuRequested(const QPoint& globalPos);
    void setCurrentItem();
    void runCommand(Command command);
    void openHistory();
    void saveList();
    void loadList();
    void retype();

    ContactTreeWidget& m_tree;
    RecipientField& m_field;
    Services m_services;
    QMenu* m_menu = nullptr;
    QHash<QString, QAction*> m_actions;
    QHash<QAction*, Command> m_commandOf;
    QString m_currentText;
    int m_currentIndex = -1;
};

} // namespace vantrel
