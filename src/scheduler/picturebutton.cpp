#include "picturebutton.h"

#include <QPainter>

namespace zentari {

PictureButton::PictureButton(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::setPicture(const QImage& image)
{
    m_image = image;
    rebuild();
}

void PictureButton::setTransparent(bool transparent)
{
    if (m_transparent == transparent)
        return;
    m_transparent = transparent;
    rebuild();
}

void PictureButton::rebuild()
{
    if (!m_transparent || m_image.isNull()) {
        m_shown = QPixmap::fromImage(m_image);
        update();
        return;
    }
    QImage keyed = m_image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, keyed.height() - 1);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    m_shown = QPixmap::fromImage(keyed);
    update();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    if (m_shown.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(rect(), m_shown);
}

} // namespace zentari
