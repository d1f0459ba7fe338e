#include "contacts/ui/statusimages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vantrel {

namespace {

// One image drawn on a 16 x 16 grid, scaled to `size` pixels.
QPixmap paint(int image, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    const QRectF disc(2.0, 2.0, 12.0, 12.0);
    const auto ball = [&p, &disc](const QColor& light, const QColor& dark) {
        QRadialGradient gradient(QPointF(6.0, 6.0), 9.0);
        gradient.setColorAt(0.0, light);
        gradient.setColorAt(1.0, dark);
        p.setPen(QPen(dark.darker(130), 1.0));
        p.setBrush(gradient);
        p.drawEllipse(disc);
    };
    switch (image) {
    case 0:
        ball(QColor(0xA8, 0xF0, 0x9A), QColor(0x2E, 0x9B, 0x2A));
        break;
    case 1:
        ball(QColor(0xFF, 0xE6, 0x9A), QColor(0xE0, 0x9A, 0x10));
        p.setPen(QPen(QColor(0x5A, 0x3A, 0x00), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8.0, 8.0), QPointF(8.0, 4.5));
        p.drawLine(QPointF(8.0, 8.0), QPointF(10.5, 9.5));
        break;
    case 2:
        ball(QColor(0xFF, 0xA0, 0xA0), QColor(0xC8, 0x1E, 0x1E));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(4.5, 7.0, 7.0, 2.2), 0.8, 0.8);
        break;
    case 3:
        ball(QColor(0xE4, 0xE4, 0xE4), QColor(0x8C, 0x8C, 0x8C));
        p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        break;
    case 4: {
        const auto figure = [&p](qreal x, const QColor& colour) {
            p.setPen(QPen(colour.darker(150), 0.8));
            p.setBrush(colour);
            p.drawEllipse(QRectF(x + 1.5, 2.0, 4.0, 4.0));
            QPainterPath body;
            body.moveTo(x, 13.5);
            body.cubicTo(x, 7.0, x + 7.0, 7.0, x + 7.0, 13.5);
            body.closeSubpath();
            p.drawPath(body);
        };
        figure(7.5, QColor(0x7F, 0xA8, 0xE0));
        figure(1.0, QColor(0x3A, 0x6E, 0xC0));
        break;
    }
    default:
        break;
    }
    return pixmap;
}

} // namespace

StatusImages::StatusImages()
{
    for (int image = 0; image < Count; ++image) {
        QIcon icon;
        for (const int size : {16, 24, 32, 48})
            icon.addPixmap(paint(image, size));
        m_icons.append(icon);
    }
}

QIcon StatusImages::icon(int image) const
{
    return image >= 0 && image < Count ? m_icons.at(image) : QIcon();
}

} // namespace vantrel
