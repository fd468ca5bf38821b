#include "picturebutton.h"

#include <QKeyEvent>
#include <QPainter>

namespace zentari {

PictureButton::PictureButton(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    // Reachable with Tab, so that the editor can be used without a mouse.
    setFocusPolicy(Qt::TabFocus);
}

void PictureButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        Q_EMIT keyPressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PictureButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void PictureButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
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
    if (hasFocus()) {
        p.setPen(QPen(QColor(255, 255, 0), 1, Qt::DotLine));
        p.drawRoundedRect(QRectF(rect()).adjusted(6.5, 6.5, -6.5, -8.5), 6, 6);
    }
}

} // namespace zentari
