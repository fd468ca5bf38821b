#pragma once

#include "platform/services.h"

#include <memory>

namespace zentari {

// Other programs' windows through the X server and the window manager's EWMH
// hints, on a connection of its own opened at the first call from $DISPLAY.
// Without a display every call does nothing.
class X11WindowSystem : public WindowSystem
{
public:
    X11WindowSystem();
    ~X11WindowSystem() override;

    // _NET_ACTIVE_WINDOW, or the top-level window with the input focus where
    // no window manager keeps that property.
    quint64 foregroundWindow() override;
    // _NET_WM_NAME, else WM_NAME.
    QString windowTitle(quint64 window) override;
    // _NET_WM_NAME as UTF-8 and WM_NAME as Latin-1 or COMPOUND_TEXT.
    void setWindowTitle(quint64 window, const QString& title) override;
    // Both ask the window manager with a _NET_WM_STATE message, and only when
    // the state is not already there, so calling them every second costs one
    // property read. Meant for mapped windows.
    void keepAbove(quint64 window) override;
    void setSkipTaskbar(quint64 window, bool skip) override;

private:
    struct Connection;
    Connection* connection();

    std::unique_ptr<Connection> m_x;
    bool m_tried = false;
};

// For platforms without X11 (Wayland, offscreen): does nothing, knows nothing.
class NullWindowSystem : public WindowSystem
{
public:
    quint64 foregroundWindow() override { return 0; }
    QString windowTitle(quint64) override { return {}; }
    void setWindowTitle(quint64, const QString&) override {}
    void keepAbove(quint64) override {}
    void setSkipTaskbar(quint64, bool) override {}
};

// The X11 back end when the application runs on Qt's xcb platform, else the
// null one. Needs the QGuiApplication to exist.
std::unique_ptr<WindowSystem> createWindowSystem();

} // namespace zentari
