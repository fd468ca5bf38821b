#pragma once

#include "platform/services.h"

namespace zentari {

// The shell's "open" on a Linux desktop: an executable file starts itself, with
// no shell in between; a URL or any other file goes to the desktop's default
// application (QDesktopServices, i.e. xdg-open). Everything starts detached and
// nothing is waited for; what cannot be started is silently dropped.
class DesktopShell : public ShellLauncher
{
public:
    void open(const QString& file, const QString& parameters, const QString& directory) override;
    void restart(const QString& executable) override;
};

} // namespace zentari
