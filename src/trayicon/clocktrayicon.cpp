#include "clocktrayicon.h"

#include <QMenu>

namespace zentari {

ClockTrayIcon::ClockTrayIcon(QWidget* clockWindow, QMenu* popupMenu, WindowSystem* windows,
                             NotificationArea* area)
    : m_area(m_iconTable), m_application(clockWindow, windows, m_iconTable), m_menu(popupMenu),
      m_tray(area ? *area : m_area, m_application)
{
    if (!popupMenu)
        return;
    m_tray.SetPopupMenu(&m_menu);
    m_menuGone = QObject::connect(popupMenu, &QObject::destroyed,
                                  [this] { m_tray.Notification(&m_menu, TOperation::opRemove); });
}

ClockTrayIcon::~ClockTrayIcon()
{
    QObject::disconnect(m_menuGone);
}

void ClockTrayIcon::setIcons(const QList<QIcon>& icons)
{
    auto images = icons.isEmpty() ? nullptr : std::make_unique<QtImageList>(m_iconTable, icons);
    m_tray.SetIcons(images.get());
    m_images = std::move(images); // the old list only goes once the icon has let go of it
}

} // namespace zentari
