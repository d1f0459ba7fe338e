#pragma once

#include "contacts/ui/contacttreeview.h"

namespace vantrel {

// The contact tree `TreeView_Users`: every row with a check box and the node's status image.
// It reports what the user does; what is ticked and selected is set from outside.
class ContactTreeWidget final : public ContactTreeView {
    Q_OBJECT
public:
    explicit ContactTreeWidget(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ContactTreeWidget)

    // Shows a list anew: every box clear, every node with its image index.
    void setList(const ContactListSnapshot& list);
    void setChecked(int index, bool checked);
    bool isChecked(int index) const;
    void setImageIndex(int index, int image);
    int imageIndex(int index) const;

Q_SIGNALS:
    // The user changed a node's box.
    void checkToggled(int index, bool checked);
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
};

} // namespace vantrel
