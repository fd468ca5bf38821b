#pragma once

#include "trayicon/trayservices.h"

#include <QHash>
#include <QIcon>
#include <QList>

namespace zentari {

// Icons travel through the tray component as opaque handles; this maps them
// back. A handle is the icon's cache key, so copies of one icon share it.
class IconTable
{
public:
    // 0 for a null icon.
    IconHandle handle(const QIcon& icon);
    // A null icon for 0 and for handles never given out.
    QIcon icon(IconHandle handle) const;

private:
    QHash<IconHandle, QIcon> m_icons;
};

// A small drawn clock face: the tray's icon when the application has none,
// because an icon without a picture is an invisible, unclickable gap.
QIcon drawnClockIcon();

// An image list over a fixed list of icons.
class QtImageList : public TrayImageList
{
public:
    QtImageList(IconTable& table, QList<QIcon> icons);
    int count() const override { return int(m_icons.size()); }
    IconHandle icon(int index) const override;

private:
    IconTable& m_table;
    QList<QIcon> m_icons;
};

} // namespace zentari
