#pragma once

#include <QRect>

namespace vantrel {

// Snaps a window rectangle to the edges of the work area: an edge within `threshold`
// pixels of the matching work-area edge (or beyond it) is placed on that edge, and once
// any edge snapped the window is pushed fully inside the work area.
QRect SnapToWorkArea(const QRect& window, const QRect& workArea, int threshold = 20);

} // namespace vantrel
