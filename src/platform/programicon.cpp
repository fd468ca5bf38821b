#include "programicon.h"

#include <QPainter>
#include <QPainterPath>

namespace zentari {

QImage drawProgramIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    // Small sizes get thicker strokes, or the face turns to mush.
    const double bold = size <= 24 ? 1.8 : size <= 48 ? 1.3 : 1.0;
    p.setPen(QPen(QColor(0x7a, 0x1d, 0x24), 6));
    p.setBrush(QColor(0xe6, 0x39, 0x46));
    QPainterPath left, right;
    left.moveTo(32.9, 77.1);
    left.arcTo(QRectF(20, 2, 88, 88), 225, -180);
    left.closeSubpath();
    right.moveTo(223.1, 77.1);
    right.arcTo(QRectF(148, 2, 88, 88), -45, 180);
    right.closeSubpath();
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(QColor(0x80, 0xff, 0xff), 14 * bold));
    p.setBrush(QColor(0x1d, 0x35, 0x57));
    p.drawEllipse(QPointF(128, 140), 104, 104);
    p.setPen(QPen(QColor(0x80, 0xff, 0xff), 10 * bold, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(128, 56, 128, 74));
    p.drawLine(QLineF(212, 140, 194, 140));
    p.drawLine(QLineF(128, 224, 128, 206));
    p.drawLine(QLineF(44, 140, 62, 140));
    p.setPen(QPen(Qt::white, 14 * bold, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(128, 140, 85, 115));
    p.setPen(QPen(Qt::white, 10 * bold, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(128, 140, 189, 105));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe6, 0x39, 0x46));
    p.drawEllipse(QPointF(128, 140), 10, 10);
    p.end();
    return image;
}

QIcon programIcon()
{
    // Each size drawn for itself rather than scaled: the strokes follow the size.
    // Every window hands these to the window manager, so the largest is 64.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(drawProgramIcon(size)));
    return icon;
}

} // namespace zentari
