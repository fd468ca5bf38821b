#include "editorpictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zentari::editorpictures {
namespace {

constexpr int kSize = 32; // drawn large, shown at 16..20 pixels: smooth slants

const QColor kInk(24, 44, 110);
const QColor kBlue(58, 96, 196);
const QColor kGreen(32, 150, 70);
const QColor kRed(196, 40, 40);
const QColor kAmber(230, 160, 30);

template <typename Draw> QIcon drawn(Draw draw)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QIcon(pixmap);
}

void soundIcon(QPainter& p)
{
    // A beamed pair of notes.
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(4, 20, 10, 8));
    p.drawEllipse(QRectF(18, 17, 10, 8));
    p.setPen(QPen(kInk, 2.5));
    p.drawLine(QPointF(13, 24), QPointF(13, 6));
    p.drawLine(QPointF(27, 21), QPointF(27, 3));
    p.setPen(QPen(kInk, 4.5));
    p.drawLine(QPointF(13, 7), QPointF(27, 4));
}

void fileIcon(QPainter& p)
{
    // A sheet with a folded corner and lines of text.
    QPainterPath sheet;
    sheet.moveTo(7, 3);
    sheet.lineTo(20, 3);
    sheet.lineTo(26, 9);
    sheet.lineTo(26, 29);
    sheet.lineTo(7, 29);
    sheet.closeSubpath();
    p.setPen(QPen(kInk, 1.8));
    p.setBrush(QColor(250, 250, 244));
    p.drawPath(sheet);
    p.setBrush(QColor(200, 210, 235));
    p.drawPolygon(QPolygonF({QPointF(20, 3), QPointF(20, 9), QPointF(26, 9)}));
    p.setPen(QPen(kBlue, 1.6));
    for (int y = 14; y <= 24; y += 5)
        p.drawLine(QPointF(11, y), QPointF(22, y));
}

void rebootIcon(QPainter& p)
{
    // A circular arrow.
    p.setPen(QPen(kGreen, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 5, 22, 22), 60 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({QPointF(17, 1), QPointF(26, 6), QPointF(17, 12)}));
}

void logOffIcon(QPainter& p)
{
    // A door with an arrow leaving it.
    p.setPen(QPen(kInk, 1.8));
    p.setBrush(QColor(170, 120, 70));
    p.drawRect(QRectF(4, 3, 14, 26));
    p.setBrush(kAmber);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(13, 15, 3, 3));
    p.setPen(QPen(kBlue, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 10), QPointF(27, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({QPointF(30, 10), QPointF(23, 4), QPointF(23, 16)}));
}

void powerIcon(QPainter& p)
{
    // The power symbol.
    p.setPen(QPen(kRed, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 6, 22, 22), 125 * 16, 290 * 16);
    p.drawLine(QPointF(16, 3), QPointF(16, 15));
}

} // namespace

QIcon typeIcon(int typeCode)
{
    switch (typeCode) {
    case 0:
        return drawn(soundIcon);
    case 1:
        return drawn(fileIcon);
    case 2:
        return drawn(rebootIcon);
    case 3:
        return drawn(logOffIcon);
    case 4:
        return drawn(powerIcon);
    default:
        return {};
    }
}

QIcon okIcon()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(kGreen, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)}));
    });
}

QIcon cancelIcon()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(kRed, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
    });
}

QIcon browseIcon()
{
    return drawn([](QPainter& p) {
        // An open folder.
        p.setPen(QPen(QColor(140, 90, 10), 1.6));
        p.setBrush(QColor(240, 190, 70));
        p.drawPolygon(QPolygonF({QPointF(3, 8), QPointF(12, 8), QPointF(15, 11), QPointF(27, 11),
                                 QPointF(27, 26), QPointF(3, 26)}));
        p.setBrush(QColor(252, 218, 120));
        p.drawPolygon(
            QPolygonF({QPointF(7, 15), QPointF(31, 15), QPointF(27, 26), QPointF(3, 26)}));
    });
}

QIcon periodicityIcon()
{
    return drawn([](QPainter& p) {
        // A calendar leaf with a ring binding.
        p.setPen(QPen(kInk, 1.8));
        p.setBrush(QColor(250, 250, 244));
        p.drawRoundedRect(QRectF(4, 6, 24, 23), 3, 3);
        p.setBrush(kRed);
        p.drawRect(QRectF(4, 6, 24, 6));
        p.setPen(QPen(kInk, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 3), QPointF(10, 9));
        p.drawLine(QPointF(22, 3), QPointF(22, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                p.drawRect(QRectF(7 + col * 5.2, 15 + row * 4.5, 3.2, 2.8));
    });
}

QImage background(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, size.height());
    // Light at the top where the controls are; from the middle down exactly the
    // colour the hover and pressed button pictures have in their corners.
    g.setColorAt(0.0, QColor(214, 240, 252));
    g.setColorAt(0.5, QColor(131, 226, 250));
    g.setColorAt(1.0, QColor(131, 226, 250));
    p.fillRect(image.rect(), g);
    return image;
}

} // namespace zentari::editorpictures
