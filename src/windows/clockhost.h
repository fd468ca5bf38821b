#pragma once

#include <QPoint>
#include <QRect>

namespace zentari {

// What the settings window may do to the main clock window when the user
// returns to it ("Сохранить") or leaves the program ("Выход").
class ClockHost
{
public:
    virtual ~ClockHost() = default;
    virtual void showClock() = 0;
    // The top-left corner of the clock's whole window, frame included.
    virtual QPoint clockPosition() const = 0;
    virtual void moveClock(QPoint topLeft) = 0;
    // Framed: 135 x 81 with a caption; otherwise 127 x 47 without one.
    virtual void setClockFramed(bool framed) = 0;
    // Translucency with alpha 0..255, or none at all (-1).
    virtual void setClockAlpha(int alpha) = 0;
    // The tray command of the clock's menu ("Свернуть в трей" / "Восстановить из трея").
    virtual void toggleTray() = 0;
    // Of the screen the clock is on: all of it, and what the desktop's panels leave.
    virtual QRect screenGeometry() const = 0;
    virtual QRect availableGeometry() const = 0;
    // Lets the clock close without restarting the program.
    virtual void allowExit() = 0;
    virtual void closeClock() = 0;
};

} // namespace zentari
