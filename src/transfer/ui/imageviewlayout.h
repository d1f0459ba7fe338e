#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace vantrel::ImageViewLayout {

// The arithmetic of the picture viewer's window. Rectangles are outer window rectangles in
// screen coordinates; `frame` is what the window system adds around the client area.

struct Placement {
    QRect window;
    // Whether the window still follows the picture's size (false once it fills the work area
    // in either direction and scroll bars take over).
    bool autoSize = true;
};

// Where a viewer first shows: a picture smaller than the work area gets a window centred in
// it by the picture's size (the margins of the screen edges that the work area leaves out are
// not added); in a direction where it does not fit the window starts at the work area's edge
// and fills it, with room for the scroll bar across it.
Placement initial(const QRect& screen, const QRect& workArea, const QSize& picture, const QMargins& frame,
                  int scrollBarExtent);

// "В размере окна": the picture scaled down proportionally (integer arithmetic) to fit the
// client area in both directions, and the client area shrunk to the picture.
struct Fit {
    QSize picture;
    QSize client;
};
Fit fit(const QSize& picture, const QSize& client);

// The top-left corner that centres a window of `size` on `remembered`.
QPoint centred(const QRect& remembered, const QSize& size);

} // namespace vantrel::ImageViewLayout
