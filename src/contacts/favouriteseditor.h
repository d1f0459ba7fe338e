#pragma once

#include <QString>
#include <QStringView>

namespace vantrel {

class ContactList;
class ContactListHost;

// The editing rules of the favourites page over the personal contact list: writing an entry
// back, adding contacts and groups, deleting, and moving entries by drag and drop. Every
// change goes through ContactList::replaceTree (saved at once, rebuilt, the new node selected
// in every view). Main thread only.
//
// Names that would break the list file are refused with an error balloon: the field
// separators ";", "[" and "]" (which a paste can bring past the typing filter) and line breaks.
class FavouritesEditor final {
public:
    // The refusal of a separator character, typed or pasted.
    static QString forbiddenCharsText();
    // Whether a name holds ";", "[", "]" or a line break.
    static bool hasForbiddenChars(QStringView text);
    // The characters the typing filter swallows.
    static bool isForbiddenChar(QChar c) { return c == u';' || c == u'[' || c == u']'; }

    // The editor box of the selected entry.
    struct Fields {
        QString netName;
        QString nick;
        QString ip; // dotted text; "0.0.0.0" or empty for none
        bool autoIp = true;
    };

    enum class Outcome {
        Added,     // the new node is in place and selected
        Duplicate, // an entry of that name exists: `index` is it, nothing was added
        Refused,   // nothing written (empty or unusable name, failed save)
    };
    struct Result {
        Outcome outcome = Outcome::Refused;
        int index = -1;
    };

    FavouritesEditor(ContactList& list, ContactListHost& host);
    Q_DISABLE_COPY_MOVE(FavouritesEditor)

    // "Применить": writes the fields back to the node `index` ("[" + nick + "]" for a group,
    // "name;nick;ip;flag" for a contact) and reselects it. False when nothing was written: an
    // empty computer name, a forbidden character, a failed save.
    bool apply(int index, const Fields& fields);
    // "Добавить пользователя" with the dialog's values: refused as a duplicate when a computer
    // name equals `netName` or a display text equals the nickname (ignoring case). The new
    // contact goes last into a selected group, last beside a selected member inside its group,
    // else last at the top level.
    Result addContact(int selected, const QString& netName, const QString& nick, const QString& ip);
    // "Добавить группу": "[" + NAME + "]" in upper case as the last top-level node, unless a
    // node's display text equals the name ignoring case (then that node is the duplicate).
    Result addGroup(const QString& name);
    // "Удалить пользователя": deletes the node with its members; a group with members only
    // after the user's Yes to the group question. Selects the node now at `index`, or the last.
    bool remove(int index);

    // Whether `dragged` may be dropped onto `target`: a different node, and not a group onto a
    // group member.
    bool canDrop(int dragged, int target) const;
    // Drops `dragged` onto `target`: a contact dropped onto a group without Ctrl becomes the
    // group's last member (the group is selected); anything else moves, with its members, to
    // just before the target at the target's level (and is selected).
    bool drop(int dragged, int target, bool ctrlHeld);

private:
    bool refuseName(const QString& text);

    ContactList& m_list;
    ContactListHost& m_host;
};

} // namespace vantrel
