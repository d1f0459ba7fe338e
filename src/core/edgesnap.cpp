#include "core/edgesnap.h"

namespace vantrel {

QRect SnapToWorkArea(const QRect& window, const QRect& workArea, int threshold)
{
    QRect r = window;
    bool snapped = false;
    if (r.left() - workArea.left() < threshold) {
        r.moveLeft(workArea.left());
        snapped = true;
    }
    if (workArea.right() - r.right() < threshold) {
        r.moveRight(workArea.right());
        snapped = true;
    }
    if (r.top() - workArea.top() < threshold) {
        r.moveTop(workArea.top());
        snapped = true;
    }
    if (workArea.bottom() - r.bottom() < threshold) {
        r.moveBottom(workArea.bottom());
        snapped = true;
    }
    if (!snapped)
        return r;
    if (r.right() > workArea.right())
        r.moveRight(workArea.right());
    if (r.left() < workArea.left())
        r.moveLeft(workArea.left());
    if (r.bottom() > workArea.bottom())
        r.moveBottom(workArea.bottom());
    if (r.top() < workArea.top())
        r.moveTop(workArea.top());
    return r;
}

} // namespace vantrel
