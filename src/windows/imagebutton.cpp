#include "imagebutton.h"

#include "platform/accessiblebutton.h"
#include "platform/picture.h"

#include <QMouseEvent>
#include <QPainter>

namespace zentari {

ImageButton::ImageButton(QWidget* parent) : QWidget(parent)
{
    // To a screen reader the picture is the button it looks like.
    registerAccessibleButton(staticMetaObject,
                             [](QWidget* w) { Q_EMIT static_cast<ImageButton*>(w)->clicked(); });
    setMouseTracking(true);
}

void ImageButton::loadPicture(const QString& path)
{
    m_image = zentari::loadPicture(path);
    m_file = path;
    rebuild();
}

void ImageButton::setTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    rebuild();
}

void ImageButton::rebuild()
{
    if (m_image.isNull()) {
        m_shown = QPixmap();
    } else if (!m_transparent) {
        m_shown = QPixmap::fromImage(m_image);
    } else {
        m_shown = QPixmap::fromImage(withoutBackground(m_image));
    }
    update();
}

void ImageButton::paintEvent(QPaintEvent*)
{
    if (m_shown.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, m_shown);
}

void ImageButton::mouseMoveEvent(QMouseEvent*)
{
    Q_EMIT mouseMoved();
}

void ImageButton::mousePressEvent(QMouseEvent*)
{
    Q_EMIT mouseDown();
}

void ImageButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace zentari
