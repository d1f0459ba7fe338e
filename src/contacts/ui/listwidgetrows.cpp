#include "contacts/ui/listwidgetrows.h"

#include <QListWidget>

namespace vantrel {

bool DeleteSelectedRow(QListWidget& list)
{
    const int row = list.currentRow();
    if (row < 0 || !list.currentItem()->isSelected())
        return false;
    delete list.takeItem(row);
    list.setCurrentRow(list.count() > 0 ? qMin(row, list.count() - 1) : -1);
    return true;
}

} // namespace vantrel
