#include "settings/dialog/favouritestree.h"

#include "contacts/contactlistsnapshot.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {

FavouritesTree::FavouritesTree(QWidget* parent)
    : ContactTreeView(u"TreeView_Fav"_s, parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setToolTip(
        u"Для перемещения элементов избранного по списку используйте обычное перетаскивание мышью.\r\n"
        u"Если при перетаскивании удерживать клавишу Ctrl, то элементы не будут перемещаться в группу."_s);
}

void FavouritesTree::setList(const ContactListSnapshot& list)
{
    buildRows(list, [this, &list](QTreeWidgetItem* item, int index) {
        // Marks are the main tree's business: here a contact is always drawn as reachable.
        setRowImage(item, list.IsGroup(index) ? ContactListSnapshot::Group : ContactListSnapshot::Online);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                       Qt::ItemIsDropEnabled);
    });
}

bool FavouritesTree::dropTarget(const QDropEvent* event, int* dragged, int* target) const
{
    // Only rows of this tree are dragged here: the drag starts from the selected row.
    if (!event->mimeData() || !event->mimeData()->hasFormat(u"application/x-qabstractitemmodeldatalist"_s))
        return false;
    if (event->source() && event->source() != this)
        return false;
    *dragged = selectedNode();
    *target = indexOf(QTreeWidget::itemAt(event->position().toPoint()));
    return *dragged >= 0 && *target >= 0 && (!m_canDrop || m_canDrop(*dragged, *target));
}

void FavouritesTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && event->mimeData()->hasFormat(u"application/x-qabstractitemmodeldatalist"_s)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

void FavouritesTree::dragMoveEvent(QDragMoveEvent* event)
{
    int dragged = -1;
    int target = -1;
    if (!dropTarget(event, &dragged, &target)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void FavouritesTree::dropEvent(QDropEvent* event)
{
    int dragged = -1;
    int target = -1;
    if (!dropTarget(event, &dragged, &target)) {
        event->ignore();
        return;
    }
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    // The tree moves nothing itself (IgnoreAction keeps the drag source from removing rows);
    // the list changes after the drag has ended, since that rebuilds every row.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    QTimer::singleShot(0, this,
                       [this, dragged, target, ctrl] { Q_EMIT dropRequested(dragged, target, ctrl); });
}

} // namespace vantrel
