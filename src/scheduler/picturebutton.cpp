#include "picturebutton.h"

#include <QBitmap>
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
    m_shown = QPixmap::fromImage(m_image);
    if (m_transparent && !m_image.isNull()) {
        const QRgb key = m_image.pixel(0, m_image.height() - 1);
        m_shown.setMask(QBitmap::fromImage(m_image.createMaskFromColor(key, Qt::MaskOutColor)
                                               .convertToFormat(QImage::Format_Mono)));
    }
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
