#pragma once

#include <QIcon>
#include <QList>

namespace vantrel {

// The status images of contact nodes, painted at run time: 0 online (green), 1 away (amber,
// with clock hands), 2 do not disturb (red, with a bar), 3 unreachable (grey, crossed),
// 4 group (two figures).
class StatusImages final {
public:
    StatusImages();
    Q_DISABLE_COPY_MOVE(StatusImages)

    static constexpr int Count = 5;
    // The image of an index; an empty icon for an unknown index.
    QIcon icon(int image) const;

private:
    QList<QIcon> m_icons;
};

} // namespace vantrel
