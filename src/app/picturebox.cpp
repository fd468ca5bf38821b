#include "picturebox.h"

#include <QPaintEvent>
#include <QPainter>

namespace zentari {

void PictureBox::setPicture(const QImage& image)
{
    // A picture covers the whole box: nothing beneath it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent, !image.isNull() && !image.hasAlphaChannel());
    m_image = image;
    m_scaled = QPixmap();
    update();
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    m_scaled = QPixmap();
    QWidget::resizeEvent(event);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    if (m_image.isNull())
        return;
    if (m_scaled.size() != size())
        m_scaled = QPixmap::fromImage(
            m_image.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QPainter painter(this);
    painter.drawPixmap(event->rect(), m_scaled, event->rect());
}

} // namespace zentari
