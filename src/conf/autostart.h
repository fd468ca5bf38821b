#pragma once

#include <QString>

// The XDG autostart entry that starts the clock with the user's desktop.
namespace zentari::conf::autostart {

// $XDG_CONFIG_HOME/autostart/zentari.desktop (by default under ~/.config).
QString entryPath();
// True when the entry is there and not switched off (Hidden=true).
bool isEnabled();
// Writes the entry starting `executable`, or removes it. Throws Error.
void setEnabled(bool enabled, const QString& executable);

} // namespace zentari::conf::autostart
