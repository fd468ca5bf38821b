#pragma once

#include <QByteArray>
#include <QString>

// On a Wayland desktop a window cannot keep itself above others, place itself
// or read other windows' titles, all of which the clock does. Through
// XWayland it can, so there the programs ask Qt for its X11 platform.
namespace zentari::session {

struct PlatformChoice
{
    QByteArray platform;      // for QT_QPA_PLATFORM; empty: leave Qt's own choice
    bool waylandOnly = false; // a Wayland session with no X server to fall back on
};

// From the environment's QT_QPA_PLATFORM, XDG_SESSION_TYPE, WAYLAND_DISPLAY
// and DISPLAY. A platform the user chose is always kept.
PlatformChoice choosePlatform(const QByteArray& qpaPlatform, const QByteArray& sessionType,
                              const QByteArray& waylandDisplay, const QByteArray& display);

// Applies the choice to this process before its application object exists.
// True when the clock's window features will be missing (Wayland only).
bool preferX11OnWayland();

// What the user is told once when preferX11OnWayland() returned true.
QString waylandLimitsNotice();

} // namespace zentari::session
