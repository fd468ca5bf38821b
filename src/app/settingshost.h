#pragma once

#include "windows/clockhost.h"

#include <QTimer>

namespace zentari {

class ClockWindows;

// The clock window as the settings window drives it.
class SettingsClockHost : public ClockHost
{
public:
    explicit SettingsClockHost(ClockWindows& windows);

    void showClock() override;
    QPoint clockPosition() const override;
    void moveClock(QPoint topLeft) override;
    void setClockFramed(bool framed) override;
    void setClockAlpha(int alpha) override;
    void toggleTray() override;
    QRect screenGeometry() const override;
    QRect availableGeometry() const override;
    void allowExit() override;
    void closeClock() override;

private:
    void placeFramedClock();
    void checkClockMapped();

    ClockWindows& m_windows;
    // A framed clock is placed again once the window manager has framed it:
    // until then nobody knows how far the frame reaches beyond the window.
    QTimer m_framePlacement;
    QPoint m_framedTarget;
    int m_framePolls = 0;
    int m_settlePolls = 0;
    QTimer m_mapCheck;
};

} // namespace zentari
