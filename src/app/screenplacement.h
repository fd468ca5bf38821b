#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace zentari {

// One screen as the desktop reports it: its whole area and the part its
// panels leave free.
struct ScreenArea
{
    QRect geometry;
    QRect available;
};

// Where a window whose outer rectangle is `frame` goes so that the user can
// see and grab it. A window with a piece of at least kScreenGrip x kScreenGrip
// pixels (or the whole of a smaller one) on some screen stays where it is,
// even partly off the edge, as the user may have put it; one that is off every
// screen (a position saved on a bigger desktop, a monitor unplugged) moves,
// whole, into the free area of the screen nearest to it, as little as it can.
QPoint reachablePosition(const QRect& frame, const QList<ScreenArea>& screens);

inline constexpr int kScreenGrip = 20;

} // namespace zentari
