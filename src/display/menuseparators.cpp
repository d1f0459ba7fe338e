#include "display/menuseparators.h"

#include <QAction>
#include <QMenu>

namespace vantrel {

void HideStraySeparators(QMenu& menu)
{
    // A separator is kept when a visible item stands before it (since the last kept one)
    // and another follows it.
    QAction* pending = nullptr;
    bool itemBefore = false;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            action->setVisible(false);
            if (itemBefore && !pending)
                pending = action;
            continue;
        }
        if (!action->isVisible())
            continue;
        if (pending) {
            pending->setVisible(true);
            pending = nullptr;
        }
        itemBefore = true;
    }
}

} // namespace vantrel
