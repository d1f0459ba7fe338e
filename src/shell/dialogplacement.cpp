#include "shell/dialogplacement.h"

#include "settings/settings.h"

#include <QScreen>
#include <QWidget>

namespace vantrel {

void restoreDialogPlacement(QWidget& dialog, const Settings& settings, const QString& section, QSize minimum)
{
    const WindowPlacement placement = settings.placement(section);
    if (!placement.isValid())
        return;
    QRect rect(placement.left, placement.top, qMax(placement.width(), minimum.width()),
               qMax(placement.height(), minimum.height()));
    if (const QScreen* target = dialog.screen()) {
        const QRect area = target->availableGeometry();
        rect.setSize(rect.size().boundedTo(area.size()).expandedTo(minimum));
        rect.moveLeft(qBound(area.left(), rect.left(), qMax(area.left(), area.right() + 1 - rect.width())));
        rect.moveTop(qBound(area.top(), rect.top(), qMax(area.top(), area.bottom() + 1 - rect.height())));
    }
    dialog.setGeometry(rect);
}

void saveDialogPlacement(const QWidget& dialog, Settings& settings, const QString& section)
{
    const QRect rect = dialog.geometry();
    WindowPlacement placement = settings.placement(section);
    placement.left = rect.left();
    placement.top = rect.top();
    placement.right = rect.left() + rect.width();
    placement.bottom = rect.top() + rect.height();
    if (const QScreen* current = dialog.screen())
        placement.pixelsPerInch = qRound(current->logicalDotsPerInch());
    settings.setPlacement(section, placement);
}

} // namespace vantrel
