#include "imagebutton.h"

#include "platform/picture.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

namespace zentari {
namespace {

// What a screen reader is told of the picture: a button, with its caption as
// its name and its hint as its description, that can be pressed.
class ImageButtonAccessible : public QAccessibleWidget
{
public:
    explicit ImageButtonAccessible(ImageButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            Q_EMIT static_cast<ImageButton*>(widget())->clicked();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* accessibleImageButton(const QString& className, QObject* object)
{
    if (className == QLatin1String(ImageButton::staticMetaObject.className()))
        return new ImageButtonAccessible(static_cast<ImageButton*>(object));
    return nullptr;
}

} // namespace

ImageButton::ImageButton(QWidget* parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleImageButton);
        return true;
    }();
    Q_UNUSED(installed);
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
