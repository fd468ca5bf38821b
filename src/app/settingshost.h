#pragma once

#include "app/forms.h"
#include "windows/clockhost.h"

namespace zentari {

// The clock window as the settings window drives it.
class SettingsClockHost : public ClockHost
{
public:
    explicit SettingsClockHost(Forms& forms) : m_forms(forms) {}

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
    Forms& m_forms;
};

} // namespace zentari
