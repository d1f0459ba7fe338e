#include "contacts/ui/dialogplacement.h"

#include "settings/settings.h"

#include <QScreen>
#include <QWidget>

namespace vantrel {

void RestoreDialogPlacement(QWidget& window, const Settings& settings, const QString& section, QSize minimum)
{
    const WindowPlacement placement = settings.placement(section);
    if (!placement.isValid())
        return;
    QRect rect(placement.left, placement.top, qMax(placement.width(), minimum.width()),
               qMax(placement.height(), minimum.height()));
    if (const QScreen* target = window.screen()) {
        const QRect area = target->availableGeometry();
        rect.setSize(rect.size().boundedTo(area.size()).expandedTo(minimum));
        rect.moveLeft(qBound(area.left(), rect.left(), qMax(area.left(), area.right() + 1 - rect.width())));
        rect.moveTop(qBound(area.top(), rect.top(), qMax(area.top(), area.bottom() + 1 - rect.height())));
    }
    window.setGeometry(rect);
}

void SaveDialogPlacement(const QWidget& window, Settings& settings, const QString& section)
{
    const QRect rect = window.geometry();
    WindowPlacement placement = settings.placement(section);
    placement.left = rect.left();
    placement.top = rect.top();
    placement.right = rect.left() + rect.width();
    placement.bottom = rect.top() + rect.height();
    if (const QScreen* current = window.screen())
        placement.pixelsPerInch = qRound(current->logicalDotsPerInch());
    settings.setPlacement(section, placement);
}

} // namespace vantrel
