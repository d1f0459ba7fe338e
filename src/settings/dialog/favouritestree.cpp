#include "settings/dialog/favouritestree.h"

#include "contacts/contactlistsnapshot.h"
#include "contacts/ui/contacttreedelegate.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {
constexpr int IndexRole = Qt::UserRole;
}

FavouritesTree::FavouritesTree(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(u"TreeView_Fav"_s);
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new ContactTreeDelegate(this));
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setToolTip(
        u"Для перемещения элементов избранного по списку используйте обычное перетаскивание мышью.\r\n"
        u"Если при перетаскивании удерживать клавишу Ctrl, то элементы не будут перемещаться в группу."_s);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_syncing)
            Q_EMIT nodeSelected(selectedNode());
    });
}

void FavouritesTree::setList(const ContactListSnapshot& list)
{
    ++m_syncing;
    clear();
    m_items.clear();
    const ContactTree& tree = list.tree();
    m_items.reserve(list.count());
    for (int i = 0; i < list.count(); ++i) {
        const int parent = tree.node(i).parent;
        auto* item = parent >= 0 ? new QTreeWidgetItem(m_items.at(parent)) : new QTreeWidgetItem;
        item->setText(0, list.displayText(i));
        item->setData(0, IndexRole, i);
        // Marks are the main tree's business: here a contact is always drawn as reachable.
        const int image = list.IsGroup(i) ? ContactListSnapshot::Group : ContactListSnapshot::Online;
        item->setData(0, ContactTreeDelegate::ImageRole, image);
        item->setIcon(0, m_images.icon(image));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                       Qt::ItemIsDropEnabled);
        m_items.append(item);
        if (parent < 0)
            addTopLevelItem(item);
    }
    expandAll();
    --m_syncing;
}

QTreeWidgetItem* FavouritesTree::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

int FavouritesTree::indexOf(const QTreeWidgetItem* item) const
{
    return item ? item->data(0, IndexRole).toInt() : -1;
}

int FavouritesTree::selectedNode() const
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : indexOf(items.first());
}

void FavouritesTree::selectNode(int index)
{
    ++m_syncing;
    if (QTreeWidgetItem* item = itemAt(index)) {
        setCurrentItem(item);
        scrollToItem(item);
    } else {
        clearSelection();
        setCurrentItem(nullptr);
    }
    --m_syncing;
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
