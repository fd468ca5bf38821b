#pragma once

#include "windows/settingssteps.h"

#include <optional>

namespace zentari {

// The program's windows that the settings window opens. Each is made the
// first time it is asked for and kept for the rest of the run.
class SettingsLinks
{
public:
    virtual ~SettingsLinks() = default;
    // The action editor and the reminder editor, modal.
    virtual void openActionEditor() = 0;
    virtual void openReminderEditor() = 0;
    // The about box, modal.
    virtual void openAboutBox() = 0;
    // The position chooser, beside the settings window.
    virtual void openPositionChooser() = 0;
    // The corner the position chooser shows checked; none while it was never made.
    virtual std::optional<Corner> chooserCorner() const = 0;
};

} // namespace zentari
