#include "bitmapbutton.h"

#include "platform/picture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace zentari {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent)
{
    setMouseTracking(true);
    // Reached with the mouse only unless the window offers it to Tab: a
    // window's first focusable control gets the focus when it opens.
    setFocusPolicy(Qt::NoFocus);
}

void BitmapButton::loadPicture(const QString& path)
{
    m_image = zentari::loadPicture(path);
    m_file = path;
    rebuild();
}

void BitmapButton::setPicture(const QImage& image)
{
    m_image = image;
    m_file.clear();
    rebuild();
}

void BitmapButton::setTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    rebuild();
}

void BitmapButton::setStretched(bool stretched)
{
    m_stretched = stretched;
    update();
}

void BitmapButton::rebuild()
{
    if (m_image.isNull())
        m_shown = QPixmap();
    else
        m_shown = QPixmap::fromImage(m_transparent ? withoutBackground(m_image) : m_image);
    update();
}

void BitmapButton::paintEvent(QPaintEvent*)
{
    if (m_shown.isNull())
        return;
    QPainter p(this);
    if (m_stretched)
        p.drawPixmap(rect(), m_shown);
    else
        p.drawPixmap(0, 0, m_shown);
    if (hasFocus()) {
        // Inside the picture's rounded face, clear of its shadow below.
        p.setPen(QPen(QColor(255, 255, 0), 1, Qt::DotLine));
        p.drawRoundedRect(QRectF(rect()).adjusted(6.5, 6.5, -6.5, -8.5), 6, 6);
    }
}

void BitmapButton::mouseMoveEvent(QMouseEvent* e)
{
    Q_EMIT mouseMoved();
    QAbstractButton::mouseMoveEvent(e);
    // Over a button is not over the window: the window's own mouse move puts
    // the pictures back to normal.
    e->accept();
}

void BitmapButton::mousePressEvent(QMouseEvent* e)
{
    Q_EMIT mouseDown(e->button());
    QAbstractButton::mousePressEvent(e);
    e->accept();
}

void BitmapButton::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
        // As a push button in a dialog: pressed at once, not left to the
        // dialog's default button.
        click();
        return;
    case Qt::Key_Space:
    case Qt::Key_Select:
    case Qt::Key_Escape:
        QAbstractButton::keyPressEvent(e);
        return;
    default:
        // Arrows do not move the focus from a picture as they would from a
        // button of a group.
        QWidget::keyPressEvent(e);
        return;
    }
}

} // namespace zentari
