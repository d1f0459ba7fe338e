#pragma once

#include "contacts/contactlistsnapshot.h"
#include "messaging/messagesender.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace vantrel {

class ContactList;
class ContactListHost;
class Settings;

// The main window's recipient choice without its widgets: the check marks of the contact
// tree, the tree's selected node and the recipient field (its item index, text and whether it
// is enabled), kept in step with each other, and the addresses the choice stands for.
//
// The contact tree and the recipient field show this object and report the user's actions
// to it; the message sender reads it. Every node index is a node's absolute index in the
// contact list, which is also the field's item index. Main thread only.
class RecipientChoice final : public QObject, public MessageSender::RecipientSource {
    Q_OBJECT
public:
    // The most characters the recipient field holds.
    static constexpr int MaxTextLength = 255;

    RecipientChoice(ContactList& list, Settings& settings, ContactListHost& host, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RecipientChoice)

    // The list shown: the one in place at the last rebuild.
    const ContactListSnapshot& list() const { return *m_list; }
    int count() const { return m_list->count(); }
    // The text of a node in the tree (a group's name without brackets).
    QString nodeText(int index) const { return m_list->displayText(index); }

    // --- Check marks.
    bool isChecked(int index) const;
    // A box changed by the user; the check logic follows with R_TreeViewCheck().
    void setChecked(int index, bool checked);
    // At least one box was ticked when the check logic last ran.
    bool f_Checked() const { return m_fChecked; }
    // The check logic of the selected node: a group's members follow its box, a cleared member
    // clears its group's box; then the recipient text of the ticked leaves ("Вася;Петя") is
    // shown in the disabled field, or, with nothing ticked, the field shows the selected node.
    void R_TreeViewCheck();
    // "Пометить всех", "Снять все пометки".
    void selectAll();
    void deselectAll();

    // --- The tree's selection and the recipient field.
    int selectedNode() const { return m_selectedNode; }
    // The user selected a node (-1: none): the field follows while nothing is ticked.
    void selectNode(int index);
    int itemIndex() const { return m_itemIndex; }
    QString fieldText() const { return m_fieldText; }
    bool isFieldEnabled() const { return m_fieldEnabled; }
    // The field's item index changed: the matching node is selected; -1 clears the selection.
    void setItemIndex(int index);
    // The user typed into the field: no item is selected any more.
    void setTypedText(const QString& text);
    // The focus left the field: a typed display name (any letter case) selects its item, and
    // its node unless the tree has the focus; other texts clear the tree's selection.
    void leaveField(bool treeHasFocus);

    // --- Sending.
    // GetAdressList for a selected item: the ticked contacts, a group's reachable members or
    // the selected contact, with the balloons for nothing addressable.
    MessageSender::Recipients GetAdressList();

    // MessageSender::RecipientSource
    void R_Answer(const QString& name) override;
    bool hasSelectedItem() const override { return m_itemIndex >= 0; }
    QString recipientText() const override { return m_fieldText; }
    MessageSender::Recipients treeAddressList() override { return GetAdressList(); }
    void messageHandled() override;
    void focusRecipientField() override { Q_EMIT fieldFocusRequested(); }

    // --- Stored values.
    // The field's text to store: the selected node's text while boxes are ticked.
    QString storedText() const;
    // The item index to store: the field's, or that of the display name equal to its text, or -1.
    int storedItemIndex() const;
    // Restores the stored text, then selects the stored item (0 when it is -1 or past the end).
    void restore(const QString& text, int itemIndex);

Q_SIGNALS:
    // A new list is in place: every node, item and mark must be shown anew.
    void listChanged();
    void checksChanged();
    void selectionChanged(int index);
    // The field's text, item index or enabled state changed.
    void fieldChanged();
    void fieldFocusRequested();

private:
    void onRebuilt();
    void onSelectionRequested(int index);
    bool inRange(int index) const { return index >= 0 && index < count(); }
    void setSelection(int index);
    void setField(int itemIndex, const QString& text, bool enabled);
    void tickSubtree(int index, bool checked);
    // Shows the ticked leaves in the field (disabled), or the selected node when none is ticked.
    void showChecks();
    bool anyChecked() const;
    void error(const QString& text);

    ContactList& m_contactList;
    Settings& m_settings;
    ContactListHost& m_host;
    std::shared_ptr<const ContactListSnapshot> m_list;
    QList<bool> m_checked;
    bool m_fChecked = false;
    int m_selectedNode = -1;
    int m_itemIndex = -1;
    QString m_fieldText;
    bool m_fieldEnabled = true;
};

} // namespace vantrel
