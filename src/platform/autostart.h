#pragma once

#include <QString>

// The XDG autostart entry that starts the clock with the user's desktop.
namespace zentari::autostart {

// $XDG_CONFIG_HOME/autostart/zentari.desktop (by default under ~/.config).
QString entryPath();

// What the entry runs for the program in `executableDir`: the command
// "zentari" for the installed program, so that the entry outlives upgrades
// and moves of its folder; the absolute path of a portable build's clock.
QString commandFor(const QString& executableDir);

// The Exec value that runs `program` without arguments: quoted when it holds
// a character the Exec rules reserve, with "%" doubled and the quoting's and
// then the string's escapes applied, as the Desktop Entry rules order them.
QString execValue(const QString& program);
// The program an Exec value runs: its first argument with every escape undone.
QString execProgram(const QString& exec);

// True when the entry is there and not switched off, which desktops do by
// adding Hidden=true or X-GNOME-Autostart-enabled=false rather than deleting it.
bool isEnabled();

// Writes the entry running `program`, or removes it. Throws Error.
void setEnabled(bool enabled, const QString& program);

// When the entry runs a program that no longer exists (its folder moved, a
// package removed), points it at `program` and keeps every other line;
// returns whether it did. A start must not fail over this: it never throws.
bool refreshIfStale(const QString& program);

} // namespace zentari::autostart
