#pragma once

#include "platform/services.h"
#include "windows/gatehost.h"

#include <QString>
#include <functional>

namespace zentari {

class ClockSession;
class ClockWindows;
class TForm1;

// The clock's password gate and close guard. With protection on, the
// protected commands (settings, configuration tool, exit, abort a shutdown)
// wait here for the password window, which carries them out through GateHost;
// a close without the permission to close restarts the program.
class CloseGuard : public GateHost
{
public:
    CloseGuard(TForm1& clock, ClockSession& session, ClockWindows& windows,
               const Services& services, QString programDir);

    // Whether the per-machine store asks for the password ("USE" = "1").
    bool protectionOn() const;
    // Notes the protected command and opens the password window (modal).
    void passwordGate(int command);
    // The clock is closing: without the permission to close, the program
    // says so and starts again.
    void closing();
    // The clock is being destroyed: the same, when protection is on and the
    // permission was never given.
    void destroying();
    // Run just before the restart: the closing clock stops answering later
    // starts, so that the new one waits for it to end instead of showing it.
    void setBeforeRestart(std::function<void()> hook) { m_beforeRestart = std::move(hook); }

    // --- GateHost
    int pendingCommand() const override { return m_pendingCommand; }
    QString programDir() const override { return m_programDir; }
    void showMainWindow() override;
    void closeClock() override;
    void showSettings() override;
    void abortShutdown() override;
    void setExitAllowed(int allowed) override;

private:
    void forbiddenCloseRestart();

    TForm1& m_clock;
    ClockSession& m_session;
    ClockWindows& m_windows;
    Services m_services;
    QString m_programDir;
    int m_pendingCommand = 0;
    std::function<void()> m_beforeRestart;
    // The close and then the destruction both refuse; one new clock is enough.
    bool m_restarted = false;
};

} // namespace zentari
