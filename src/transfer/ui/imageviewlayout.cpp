#include "transfer/ui/imageviewlayout.h"

namespace vantrel::ImageViewLayout {

Placement initial(const QRect& screen, const QRect& workArea, const QSize& picture, const QMargins& frame,
                  int scrollBarExtent)
{
    const int leftMargin = workArea.left() - screen.left();
    const int topMargin = workArea.top() - screen.top();
    const int workWidth = workArea.width();
    const int workHeight = workArea.height();
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();

    Placement placement;
    int width = picture.width() + frameWidth;
    int height = picture.height() + frameHeight;
    int left = 0;
    int top = 0;
    if (width < workWidth) {
        left = (workWidth - picture.width()) / 2;
    } else {
        placement.autoSize = false;
        left = leftMargin;
        width = workWidth;
        height = picture.height() + frameHeight + scrollBarExtent;
    }
    if (height < workHeight) {
        top = (workHeight - picture.height()) / 2;
    } else {
        placement.autoSize = false;
        top = topMargin;
        height = workHeight;
        if (width < workWidth)
            width = qMin(workWidth, picture.width() + frameWidth + scrollBarExtent);
    }
    placement.window = QRect(screen.left() + left, screen.top() + top, width, height);
    return placement;
}

Fit fit(const QSize& picture, const QSize& client)
{
    const qint64 a = picture.width();
    const qint64 b = picture.height();
    qint64 width = a;
    qint64 height = b;
    // First to the client height, then, if still too wide, to the client width: the picture
    // always ends up inside the window it had.
    if (client.height() < b && b > 0) {
        height = client.height();
        width = height * a / b;
    }
    if (client.width() < width && a > 0) {
        width = client.width();
        height = b * width / a;
    }
    const QSize fitted(static_cast<int>(width), static_cast<int>(height));
    return {fitted, fitted};
}

QPoint centred(const QRect& remembered, const QSize& size)
{
    return QPoint(remembered.left() + remembered.width() / 2 - size.width() / 2,
                  remembered.top() + remembered.height() / 2 - size.height() / 2);
}

} // namespace vantrel::ImageViewLayout
