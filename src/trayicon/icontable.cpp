#include "icontable.h"

#include <QPainter>
#include <QPixmap>

namespace zentari {

IconHandle IconTable::handle(const QIcon& icon)
{
    if (icon.isNull())
        return 0;
    const auto key = IconHandle(icon.cacheKey());
    m_icons.insert(key, icon);
    return key;
}

QIcon IconTable::icon(IconHandle handle) const
{
    return m_icons.value(handle);
}

QIcon drawnClockIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal pen = qMax(1.0, size / 12.0);
        const QRectF face = QRectF(0, 0, size, size).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
        painter.setPen(QPen(QColor(40, 40, 40), pen));
        painter.setBrush(QColor(250, 250, 245));
        painter.drawEllipse(face);
        const QPointF centre = face.center();
        const qreal radius = face.width() / 2;
        painter.setPen(QPen(QColor(40, 40, 40), pen, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre, centre + QPointF(0, -radius * 0.7)); // minute hand at 12
        painter.drawLine(centre, centre + QPointF(radius * 0.45, 0)); // hour hand at 3
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QtImageList::QtImageList(IconTable& table, QList<QIcon> icons)
    : m_table(table), m_icons(std::move(icons))
{
}

IconHandle QtImageList::icon(int index) const
{
    if (index < 0 || index >= m_icons.size())
        return 0;
    return m_table.handle(m_icons.at(index));
}

} // namespace zentari
