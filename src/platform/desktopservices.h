#pragma once

#include "platform/services.h"

#include <QString>
#include <functional>
#include <memory>

namespace zentari {

class ActionLog;
class LazyAudio;

// The real services for the program's run, made once at start-up after the
// QApplication. When ZENTARI_DRY_RUN names a file, the shell, power operations,
// beeps and sound starts are written to that file, one line each, instead of
// acting on the system; beeps and sounds are still heard, so that they last
// as long and the player's modes stay true; desktop notifications are
// written there too, unless ZENTARI_REAL_NOTIFICATIONS=1 asks for the real
// ones. Message boxes and the window system are real in both modes.
class DesktopServices
{
public:
    DesktopServices();
    ~DesktopServices();
    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    Services services() const { return m_services; }
    bool dryRun() const { return m_log != nullptr; }
    // Where the one-time notice goes when sounds cannot be heard (no audio
    // device); typically the application's error report.
    void setNotice(std::function<void(const QString&)> notice);
    // In the dry run, the line "ready" once the clock's start-up step has run:
    // what the real-window tests wait for instead of a guessed time.
    void recordReady();

private:
    std::unique_ptr<ActionLog> m_log;
    std::unique_ptr<LazyAudio> m_audio;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<MessageBoxes> m_messages;
    std::unique_ptr<WindowSystem> m_windows;
    std::unique_ptr<MachineStore> m_machine;
    MediaPlayer* m_soundPlayer; // owned by m_audio
    Beeper* m_soundBeeper;
    std::unique_ptr<ShellLauncher> m_shell;
    std::unique_ptr<PowerService> m_power;
    std::unique_ptr<MediaPlayer> m_player; // the recording wrapper in the dry run
    std::unique_ptr<Beeper> m_beeper;
    std::unique_ptr<SleepService> m_sleep;
    std::unique_ptr<WakeAlarms> m_wake;
    std::unique_ptr<Notifications> m_notifications;
    Services m_services;
};

} // namespace zentari
