#pragma once

#include "contacts/ui/statusimages.h"

#include <QList>
#include <QTreeWidget>

#include <functional>

namespace vantrel {

class ContactListSnapshot;

// `TreeView_Fav`, the tree of the favourites page: one row per node of the contact list, drawn
// like the main window's tree, rows addressed by the node's absolute index. Entries are
// reordered by dragging them inside the tree: a drop is offered only where `canDrop` allows
// it, and is reported (after the drag has ended) as dropRequested(); the tree itself moves
// nothing, the list is shown anew when it has changed.
class FavouritesTree final : public QTreeWidget {
    Q_OBJECT
public:
    using DropRule = std::function<bool(int dragged, int target)>;

    explicit FavouritesTree(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FavouritesTree)

    void setDropRule(DropRule rule) { m_canDrop = std::move(rule); }
    void setList(const ContactListSnapshot& list);
    int nodeCount() const { return int(m_items.size()); }
    QTreeWidgetItem* itemAt(int index) const;
    int indexOf(const QTreeWidgetItem* item) const;
    int selectedNode() const;
    // Selects a node (-1 clears the selection) without reporting it.
    void selectNode(int index);

Q_SIGNALS:
    // The user selected a node (-1: none).
    void nodeSelected(int index);
    // `dragged` was dropped onto `target`, with Ctrl held or not.
    void dropRequested(int dragged, int target, bool ctrlHeld);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The dragged and the target node of a drag over `pos`; false when no drop is allowed.
    bool dropTarget(const QDropEvent* event, int* dragged, int* target) const;

    StatusImages m_images;
    QList<QTreeWidgetItem*> m_items;
    DropRule m_canDrop;
    int m_syncing = 0;
};

} // namespace vantrel
