#include "platform/sessionplatform.h"

#include <gtest/gtest.h>

using zentari::session::choosePlatform;

TEST(SessionPlatform, WaylandWithXWaylandRunsOnX11)
{
    EXPECT_EQ(choosePlatform("", "wayland", "wayland-0", ":0").platform, "xcb");
    // Some sessions set only the socket, some only the type.
    EXPECT_EQ(choosePlatform("", "", "wayland-0", ":1").platform, "xcb");
    EXPECT_EQ(choosePlatform("", "Wayland", "", ":0").platform, "xcb");
}

TEST(SessionPlatform, TheUsersChoiceAndX11SessionsAreLeftAlone)
{
    EXPECT_TRUE(choosePlatform("wayland", "wayland", "wayland-0", ":0").platform.isEmpty());
    EXPECT_TRUE(choosePlatform("offscreen", "", "", "").platform.isEmpty());
    const auto x11 = choosePlatform("", "x11", "", ":0");
    EXPECT_TRUE(x11.platform.isEmpty());
    EXPECT_FALSE(x11.waylandOnly);
    EXPECT_FALSE(choosePlatform("", "tty", "", "").waylandOnly);
}

TEST(SessionPlatform, WaylandWithoutXIsReported)
{
    const auto choice = choosePlatform("", "wayland", "wayland-0", "");
    EXPECT_TRUE(choice.platform.isEmpty());
    EXPECT_TRUE(choice.waylandOnly);
    // A platform the user chose is the user's business: no notice.
    EXPECT_FALSE(choosePlatform("wayland", "wayland", "wayland-0", "").waylandOnly);
}
