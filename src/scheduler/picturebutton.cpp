#include "picturebutton.h"

#include "platform/accessiblebutton.h"
#include "platform/picture.h"

#include <QKeyEvent>
#include <QPainter>

namespace zentari {

PictureButton::PictureButton(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    // Reachable with Tab, so that the editor can be used without a mouse, and
    // a button to a screen reader, pressed as Space presses it.
    setFocusPolicy(Qt::TabFocus);
    registerAccessibleButton(
        staticMetaObject, [](QWidget* w) { Q_EMIT static_cast<PictureButton*>(w)->keyPressed(); });
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
    m_shown = QPixmap::fromImage(withoutBackground(m_image));
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
