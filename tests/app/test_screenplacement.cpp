#include "app/screenplacement.h"

#include <gtest/gtest.h>

using namespace zentari;

namespace {

// Two 1024 x 768 monitors side by side, each with a 30-pixel panel at the bottom.
const ScreenArea kLeft{QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 738)};
const ScreenArea kRight{QRect(1024, 0, 1024, 768), QRect(1024, 0, 1024, 738)};
const QSize kClock(127, 47);

QPoint placed(QPoint at, const QList<ScreenArea>& screens)
{
    return reachablePosition(QRect(at, kClock), screens);
}

} // namespace

TEST(ScreenPlacement, AClockOnAnyScreenStaysEvenPartlyOffItsEdge)
{
    EXPECT_EQ(placed(QPoint(1500, 300), {kLeft, kRight}), QPoint(1500, 300));
    // Across the two monitors, and with only a grip's width left on the screen.
    EXPECT_EQ(placed(QPoint(960, 300), {kLeft, kRight}), QPoint(960, 300));
    EXPECT_EQ(placed(QPoint(1024 - kScreenGrip, 300), {kLeft}), QPoint(1024 - kScreenGrip, 300));
}

TEST(ScreenPlacement, AClockOffEveryScreenComesWholeOntoTheNearest)
{
    // Its monitor unplugged: onto the right edge of the one left, at its height.
    EXPECT_EQ(placed(QPoint(1500, 300), {kLeft}), QPoint(1024 - 127, 300));
    // A sliver too narrow to grab counts as off.
    EXPECT_EQ(placed(QPoint(1024 - kScreenGrip + 1, 300), {kLeft}), QPoint(1024 - 127, 300));
    // Below the right monitor and above the desktop: into the free area, clear of the panel.
    EXPECT_EQ(placed(QPoint(1800, 2000), {kLeft, kRight}), QPoint(1800, 738 - 47));
    EXPECT_EQ(placed(QPoint(-400, -300), {kLeft, kRight}), QPoint(0, 0));
    // The monitor on the left unplugged: the other one starts at 1024.
    EXPECT_EQ(placed(QPoint(200, 100), {kRight}), QPoint(1024, 100));
}
