#include "contacts/ui/contacttreewidget.h"

#include "contacts/contactlistsnapshot.h"
#include "contacts/ui/contacttreedelegate.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {
constexpr int IndexRole = Qt::UserRole;
}

ContactTreeWidget::ContactTreeWidget(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(u"TreeView_Users"_s);
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new ContactTreeDelegate(this));
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(false);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setAccessibleName(u"Список пользователей"_s);
    connect(this, &QTreeWidget::itemChanged, this, &ContactTreeWidget::onItemChanged);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &ContactTreeWidget::onSelectionChanged);
}

void ContactTreeWidget::setList(const ContactListSnapshot& list)
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
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        m_items.append(item);
        if (parent < 0)
            addTopLevelItem(item);
        setImageIndex(i, list.imageIndex(i));
    }
    expandAll();
    --m_syncing;
}

QTreeWidgetItem* ContactTreeWidget::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

int ContactTreeWidget::indexOf(const QTreeWidgetItem* item) const
{
    return item ? item->data(0, IndexRole).toInt() : -1;
}

int ContactTreeWidget::selectedNode() const
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : indexOf(items.first());
}

void ContactTreeWidget::setChecked(int index, bool checked)
{
    if (QTreeWidgetItem* item = itemAt(index)) {
        ++m_syncing;
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
        --m_syncing;
    }
}

bool ContactTreeWidget::isChecked(int index) const
{
    const QTreeWidgetItem* item = itemAt(index);
    return item && item->checkState(0) == Qt::Checked;
}

void ContactTreeWidget::setImageIndex(int index, int image)
{
    if (QTreeWidgetItem* item = itemAt(index)) {
        ++m_syncing;
        item->setData(0, ContactTreeDelegate::ImageRole, image);
        item->setIcon(0, m_images.icon(image));
        --m_syncing;
    }
}

int ContactTreeWidget::imageIndex(int index) const
{
    const QTreeWidgetItem* item = itemAt(index);
    return item ? item->data(0, ContactTreeDelegate::ImageRole).toInt() : -1;
}

void ContactTreeWidget::selectNode(int index)
{
    ++m_syncing;
    if (QTreeWidgetItem* item = itemAt(index)) {
        setCurrentItem(item);
        scrollToItem(item);
    } else {
        clearSelection();
    }
    --m_syncing;
}

void ContactTreeWidget::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (m_syncing || column != 0)
        return;
    Q_EMIT checkToggled(indexOf(item), item->checkState(0) == Qt::Checked);
}

void ContactTreeWidget::onSelectionChanged()
{
    if (!m_syncing)
        Q_EMIT nodeSelected(selectedNode());
}

void ContactTreeWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT enterPressed();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void ContactTreeWidget::mousePressEvent(QMouseEvent* event)
{
    // A click on empty space clears the selection, as the recipient field then names no node.
    if (!QTreeWidget::itemAt(event->position().toPoint()))
        clearSelection();
    QTreeWidget::mousePressEvent(event);
}

void ContactTreeWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidgetItem* item = QTreeWidget::itemAt(event->position().toPoint());
    QTreeWidget::mouseDoubleClickEvent(event);
    if (item && event->button() == Qt::LeftButton)
        Q_EMIT nodeDoubleClicked(indexOf(item));
}

void ContactTreeWidget::contextMenuEvent(QContextMenuEvent* event)
{
    int index = selectedNode();
    QPoint pos = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        // A right click selects the node under the mouse first.
        if (QTreeWidgetItem* item = QTreeWidget::itemAt(event->pos()); item && indexOf(item) != index) {
            setCurrentItem(item);
            index = selectedNode();
        }
    } else if (QTreeWidgetItem* item = itemAt(index)) {
        pos = viewport()->mapToGlobal(visualItemRect(item).center());
    }
    Q_EMIT menuRequested(index, pos);
    event->accept();
}

} // namespace vantrel
