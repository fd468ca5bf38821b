#include "picturebox.h"

#include <QPainter>

namespace zentari {

void PictureBox::setPicture(const QImage& image)
{
    m_image = image;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

} // namespace zentari
