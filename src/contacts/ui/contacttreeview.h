#pragma once

#include "contacts/ui/statusimages.h"

#include <QList>
#include <QTreeWidget>

#include <functional>

namespace vantrel {

class ContactListSnapshot;

// What the program's contact trees share: one row per node of the contact list, in list order,
// drawn by ContactTreeDelegate, rows addressed by the node's absolute index. Changes made from
// outside (rebuilding, selecting) are not reported back as the user's.
class ContactTreeView : public QTreeWidget {
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(ContactTreeView)

    int nodeCount() const { return int(m_items.size()); }
    QTreeWidgetItem* itemAt(int index) const;
    int indexOf(const QTreeWidgetItem* item) const;
    // The selected node, -1 when none.
    int selectedNode() const;
    // Selects a node (-1 clears the selection) without reporting it.
    void selectNode(int index);

Q_SIGNALS:
    // The user selected a node (-1: the selection was cleared).
    void nodeSelected(int index);

protected:
    ContactTreeView(const QString& objectName, QWidget* parent);

    // Builds every row anew; `decorate` gives a new row (node `index`) its flags and image.
    void buildRows(const ContactListSnapshot& list,
                   const std::function<void(QTreeWidgetItem*, int)>& decorate);
    // Shows an image index on a row, kept for the delegate as well.
    void setRowImage(QTreeWidgetItem* item, int image);
    bool isSyncing() const { return m_syncing > 0; }

    // Marks a change made from outside for as long as it exists.
    class Syncing {
    public:
        explicit Syncing(ContactTreeView& tree)
            : m_tree(tree)
        {
            ++m_tree.m_syncing;
        }
        ~Syncing() { --m_tree.m_syncing; }
        Q_DISABLE_COPY_MOVE(Syncing)

    private:
        ContactTreeView& m_tree;
    };

private:
    StatusImages m_images;
    QList<QTreeWidgetItem*> m_items;
    int m_syncing = 0;
};

} // namespace vantrel
