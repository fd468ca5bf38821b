#pragma once

#include "trayicon/trayservices.h"

#include <QMenu>
#include <QPointer>

namespace zentari {

// The tray's popup menu over a QMenu that someone else owns.
class QtPopupMenu : public TrayPopupMenu
{
public:
    explicit QtPopupMenu(QMenu* menu) : m_menu(menu) {}
    void popup(int x, int y) override
    {
        if (m_menu)
            m_menu->popup(QPoint(x, y));
    }
    QMenu* menu() const { return m_menu; }

private:
    QPointer<QMenu> m_menu;
};

} // namespace zentari
