#include "contacts/ui/contacttreeview.h"

#include "contacts/contactlistsnapshot.h"
#include "contacts/ui/contacttreedelegate.h"

namespace vantrel {

namespace {
constexpr int IndexRole = Qt::UserRole;
}

ContactTreeView::ContactTreeView(const QString& objectName, QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(objectName);
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new ContactTreeDelegate(this));
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!isSyncing())
            Q_EMIT nodeSelected(selectedNode());
    });
}

void ContactTreeView::buildRows(const ContactListSnapshot& list,
                                const std::function<void(QTreeWidgetItem*, int)>& decorate)
{
    const Syncing syncing(*this);
    clear();
    m_items.clear();
    const ContactTree& tree = list.tree();
    m_items.reserve(list.count());
    for (int i = 0; i < list.count(); ++i) {
        const int parent = tree.node(i).parent;
        auto* item = parent >= 0 ? new QTreeWidgetItem(m_items.at(parent)) : new QTreeWidgetItem;
        item->setText(0, list.displayText(i));
        item->setData(0, IndexRole, i);
        m_items.append(item);
        decorate(item, i);
        if (parent < 0)
            addTopLevelItem(item);
    }
    expandAll();
}

void ContactTreeView::setRowImage(QTreeWidgetItem* item, int image)
{
    const Syncing syncing(*this);
    item->setData(0, ContactTreeDelegate::ImageRole, image);
    item->setIcon(0, m_images.icon(image));
}

QTreeWidgetItem* ContactTreeView::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

int ContactTreeView::indexOf(const QTreeWidgetItem* item) const
{
    return item ? item->data(0, IndexRole).toInt() : -1;
}

int ContactTreeView::selectedNode() const
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : indexOf(items.first());
}

void ContactTreeView::selectNode(int index)
{
    const Syncing syncing(*this);
    if (QTreeWidgetItem* item = itemAt(index)) {
        setCurrentItem(item);
        scrollToItem(item);
    } else {
        clearSelection();
        setCurrentItem(nullptr);
    }
}

} // namespace vantrel
