#pragma once

#include "contacts/ui/statusimages.h"

#include <QList>
#include <QTreeWidget>

namespace vantrel {

class ContactListSnapshot;

// The contact tree `TreeView_Users`: one row per node of the contact list, in list order, with
// a check box and the node's status image. Rows are addressed by the node's absolute index.
// It reports what the user does; what is ticked and selected is set from outside.
class ContactTreeWidget final : public QTreeWidget {
    Q_OBJECT
public:
    explicit ContactTreeWidget(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ContactTreeWidget)

    // Shows a list anew: every box clear, every node with its image index.
    void setList(const ContactListSnapshot& list);
    int nodeCount() const { return int(m_items.size()); }
    QTreeWidgetItem* itemAt(int index) const;
    int indexOf(const QTreeWidgetItem* item) const;
    // The selected node, -1 when none.
    int selectedNode() const;

    void setChecked(int index, bool checked);
    bool isChecked(int index) const;
    void setImageIndex(int index, int image);
    int imageIndex(int index) const;
    // Selects a node (-1 clears the selection) without reporting it.
    void selectNode(int index);

Q_SIGNALS:
    // The user changed a node's box.
    void checkToggled(int index, bool checked);
    // The user selected a node (-1: the selection was cleared).
    void nodeSelected(int index);
    void nodeDoubleClicked(int index);
    void enterPressed();
    // A right click selected this node (or none); the menu opens at `globalPos`.
    void menuRequested(int index, const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onItemChanged(QTreeWidgetItem* item, int column);
    void onSelectionChanged();

    StatusImages m_images;
    QList<QTreeWidgetItem*> m_items;
    int m_syncing = 0;
};

} // namespace vantrel
