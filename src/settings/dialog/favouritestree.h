#pragma once

#include "contacts/ui/contacttreeview.h"

#include <functional>

namespace vantrel {

// `TreeView_Fav`, the tree of the favourites page, drawn like the main window's tree. Entries
// are reordered by dragging them inside the tree: a drop is offered only where `canDrop` allows
// it, and is reported (after the drag has ended) as dropRequested(); the tree itself moves
// nothing, the list is shown anew when it has changed.
class FavouritesTree final : public ContactTreeView {
    Q_OBJECT
public:
    using DropRule = std::function<bool(int dragged, int target)>;

    explicit FavouritesTree(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FavouritesTree)

    void setDropRule(DropRule rule) { m_canDrop = std::move(rule); }
    void setList(const ContactListSnapshot& list);

Q_SIGNALS:
    // `dragged` was dropped onto `target`, with Ctrl held or not.
    void dropRequested(int dragged, int target, bool ctrlHeld);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The dragged and the target node of a drag over `pos`; false when no drop is allowed.
    bool dropTarget(const QDropEvent* event, int* dragged, int* target) const;

    DropRule m_canDrop;
};

} // namespace vantrel
