#include "screenplacement.h"

#include <algorithm>
#include <limits>

namespace zentari {

namespace {

bool grippable(const QRect& frame, const QRect& screen)
{
    const QRect piece = frame.intersected(screen);
    return piece.width() >= std::min(kScreenGrip, frame.width()) &&
           piece.height() >= std::min(kScreenGrip, frame.height());
}

// Squared distance from a point to a rectangle; 0 inside it.
qint64 distance2(const QPoint& p, const QRect& r)
{
    const qint64 dx = p.x() < r.left()    ? r.left() - p.x()
                      : p.x() > r.right() ? p.x() - r.right()
                                          : 0;
    const qint64 dy = p.y() < r.top()      ? r.top() - p.y()
                      : p.y() > r.bottom() ? p.y() - r.bottom()
                                           : 0;
    return dx * dx + dy * dy;
}

// The nearest position at which the frame lies whole in the area; its top-left
// corner when the area is too small for it.
QPoint inside(const QRect& frame, const QRect& area)
{
    const int x = std::max(area.left(), std::min(frame.x(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.y(), area.bottom() + 1 - frame.height()));
    return QPoint(x, y);
}

} // namespace

QPoint reachablePosition(const QRect& frame, const QList<ScreenArea>& screens)
{
    if (screens.isEmpty())
        return frame.topLeft(); // nothing known yet to measure against
    for (const ScreenArea& s : screens)
        if (grippable(frame, s.geometry))
            return frame.topLeft();
    const ScreenArea* nearest = nullptr;
    qint64 best = std::numeric_limits<qint64>::max();
    for (const ScreenArea& s : screens) {
        const qint64 d = distance2(frame.center(), s.geometry);
        if (d < best) {
            best = d;
            nearest = &s;
        }
    }
    const QRect area = nearest->available.isValid() ? nearest->available : nearest->geometry;
    return inside(frame, area);
}

} // namespace zentari
