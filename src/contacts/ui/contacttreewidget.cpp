#include "contacts/ui/contacttreewidget.h"

#include "contacts/contactlistsnapshot.h"
#include "contacts/ui/contacttreedelegate.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace vantrel {

ContactTreeWidget::ContactTreeWidget(QWidget* parent)
    : ContactTreeView(u"TreeView_Users"_s, parent)
{
    setExpandsOnDoubleClick(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setAccessibleName(u"Список пользователей"_s);
    connect(this, &QTreeWidget::itemChanged, this, &ContactTreeWidget::onItemChanged);
}

void ContactTreeWidget::setList(const ContactListSnapshot& list)
{
    buildRows(list, [this, &list](QTreeWidgetItem* item, int index) {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        setRowImage(item, list.imageIndex(index));
    });
}

void ContactTreeWidget::setChecked(int index, bool checked)
{
    if (QTreeWidgetItem* item = itemAt(index)) {
        const Syncing syncing(*this);
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }
}

bool ContactTreeWidget::isChecked(int index) const
{
    const QTreeWidgetItem* item = itemAt(index);
    return item && item->checkState(0) == Qt::Checked;
}

void ContactTreeWidget::setImageIndex(int index, int image)
{
    if (QTreeWidgetItem* item = itemAt(index))
        setRowImage(item, image);
}

int ContactTreeWidget::imageIndex(int index) const
{
    const QTreeWidgetItem* item = itemAt(index);
    return item ? item->data(0, ContactTreeDelegate::ImageRole).toInt() : -1;
}

void ContactTreeWidget::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (isSyncing() || column != 0)
        return;
    Q_EMIT checkToggled(indexOf(item), item->checkState(0) == Qt::Checked);
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
