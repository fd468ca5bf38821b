#pragma once

#include "clockwindowapplication.h"
#include "icontable.h"
#include "qtpopupmenu.h"
#include "systemtrayarea.h"
#include "trayicon/trayicon.h"

#include <QList>
#include <memory>

class QMenu;
class QWidget;

namespace zentari {

class WindowSystem;

// The main clock window's tray icon together with its desktop back ends, owned
// as one piece so that the window only sets properties and reacts to events.
class ClockTrayIcon
{
public:
    // popupMenu becomes the icon's PopupMenu; windows may be null (no taskbar changes).
    // area replaces the desktop's notification area (tests without a tray).
    ClockTrayIcon(QWidget* clockWindow, QMenu* popupMenu, WindowSystem* windows,
                  NotificationArea* area = nullptr);
    ~ClockTrayIcon();
    ClockTrayIcon(const ClockTrayIcon&) = delete;
    ClockTrayIcon& operator=(const ClockTrayIcon&) = delete;

    TTrayIcon& trayIcon() { return m_tray; }
    // The icons behind IconIndex and Animate; an empty list detaches them.
    void setIcons(const QList<QIcon>& icons);

    SystemTrayArea& notificationArea() { return m_area; }

private:
    IconTable m_iconTable;
    SystemTrayArea m_area;
    ClockWindowApplication m_application;
    QtPopupMenu m_menu;
    std::unique_ptr<QtImageList> m_images;
    TTrayIcon m_tray; // last: it still talks to the others while it is destroyed
    QMetaObject::Connection m_menuGone;
};

} // namespace zentari
