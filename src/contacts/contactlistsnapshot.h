#pragma once

#include "contacts/contacttree.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

namespace vantrel {

// One built contact list: the master tree and the tables made from it, all indexed by a
// node's absolute index (its position in pre-order, the row order of the display trees).
//
// Everything but the image indexes is fixed at construction, so any number of threads may
// read one snapshot while the list owner builds the next one. The image indexes (status
// marks) are atomics: a reader sees each mark either before or after a change.
//
// Names are compared without regard to letter case, IP address texts exactly; a lookup by
// index outside the tables finds nothing.
class ContactListSnapshot final {
public:
    // Image indexes of a node.
    enum Image : int {
        Online = 0,
        Away = 1,
        DoNotDisturb = 2,
        Unreachable = 3,
        Group = 4,
    };

    ContactListSnapshot() = default;
    // `generation` numbers the rebuilds of the list: snapshots of one generation have the same
    // nodes and differ only in their addresses (the IP refresh) and marks.
    explicit ContactListSnapshot(ContactTree tree, quint64 generation = 0);
    Q_DISABLE_COPY_MOVE(ContactListSnapshot)

    quint64 generation() const { return m_generation; }

    const ContactTree& tree() const { return m_tree; }
    int count() const { return int(m_compNames.size()); }

    // The four tables: field 1, field 2, field 3 and field 4 of every line (a group line's
    // first two are its bracketed text).
    const QStringList& CompName_List() const { return m_compNames; }
    const QStringList& DisplayName_List() const { return m_nicks; }
    const QStringList& IP_List() const { return m_ips; }
    const QStringList& RefIP_List() const { return m_refIps; }

    // Entries by index; empty outside the tables.
    QString compName(int index) const;
    QString displayName(int index) const;
    QString ip(int index) const;
    QString refIp(int index) const;
    // The text of the node in a display tree: the display name, or a group's bare name.
    QString displayText(int index) const;
    // The raw line text of the node.
    QString lineText(int index) const;

    // The computer name of the first contact whose display name is `nick`; else `nick`.
    QString MyGetComp(const QString& nick) const;
    // The display name of the first contact whose computer name is `name` or whose IP address
    // is exactly `name`; else `name`.
    QString MyGetNick(const QString& name) const;
    // The index of the first display name equal to `nick`; -1 when none.
    int MyGetIndex(const QString& nick) const;
    // The address the contact is sent to or probed at: its IP address when `sendByIp` and one
    // is stored, else its computer name; empty outside the tables.
    QString GetIPFromList(int index, bool sendByIp) const;
    // Whether the node is marked as a group (image index 4).
    bool IsGroup(int index) const;

    // The first index whose computer name or display name equals `name`; -1 when none.
    int indexOfNameOrNick(const QString& name) const;
    // The last index whose display name equals `nick`; -1 when none.
    int lastIndexOfNick(const QString& nick) const;

    // The image index of a node, -1 outside the tree; after building 0 for contacts and 4 for
    // groups.
    int imageIndex(int index) const;
    // Sets the image index of a node; false when the index is outside the tree or the image
    // is not one of 0-4. Thread-safe.
    bool setImageIndex(int index, int image) const;

private:
    bool inRange(int index) const { return index >= 0 && index < count(); }

    ContactTree m_tree;
    quint64 m_generation = 0;
    QStringList m_compNames;
    QStringList m_nicks;
    QStringList m_ips;
    QStringList m_refIps;
    // First index of each case-folded display name and computer name, and of each IP text.
    QHash<QString, int> m_nickIndex;
    QHash<QString, int> m_compIndex;
    QHash<QString, int> m_ipIndex;
    std::unique_ptr<std::atomic<int>[]> m_images;
};

} // namespace vantrel
