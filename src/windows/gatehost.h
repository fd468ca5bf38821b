#pragma once

#include <QString>

namespace zentari {

// What the password window may do to the main clock window once the right
// password has been typed.
class GateHost
{
public:
    virtual ~GateHost() = default;
    // The protected command waiting for the password: 1 settings, 2 configuration
    // tool, 3 exit, 4 abort a pending shutdown.
    virtual int pendingCommand() const = 0;
    virtual QString programDir() const = 0;
    virtual void showMainWindow() = 0;
    virtual void closeClock() = 0;
    virtual void showSettings() = 0;
    // Asks the system to abort a pending shutdown or log-off and makes
    // "Прекратить выход из системы" unavailable again.
    virtual void abortShutdown() = 0;
    // The program-wide permission to close: 1 lets the clock close without restarting.
    virtual void setExitAllowed(int allowed) = 0;
};

} // namespace zentari
