#include "desktopservices.h"

#include "lazyaudio.h"
#include "machinestore.h"
#include "messageboxes_qt.h"
#include "notifications_freedesktop.h"
#include "notifications_recording.h"
#include "power_logind.h"
#include "recording.h"
#include "shell_linux.h"
#include "sleep_logind.h"
#include "sleeprecording.h"
#include "wakealarms_helper.h"
#include "windowsystem_x11.h"

namespace zentari {

namespace {

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace

DesktopServices::DesktopServices()
    : m_audio(std::make_unique<LazyAudio>()), m_clock(std::make_unique<SystemClock>()),
      m_messages(std::make_unique<QtMessageBoxes>()), m_windows(createWindowSystem()),
      m_machine(std::make_unique<IniMachineStore>()), m_soundPlayer(&m_audio->player()),
      m_soundBeeper(&m_audio->beeper())
{
    const QString dryRunFile = qEnvironmentVariable("ZENTARI_DRY_RUN");
    if (dryRunFile.isEmpty()) {
        m_shell = std::make_unique<DesktopShell>();
        m_power = std::make_unique<LogindPower>();
        m_wake = std::make_unique<HelperWakeAlarms>();
    } else {
        m_log = std::make_unique<ActionLog>(dryRunFile);
        m_shell = std::make_unique<RecordingShell>(*m_log);
        m_power = std::make_unique<RecordingPower>(*m_log);
        m_player = std::make_unique<RecordingPlayer>(*m_log, *m_soundPlayer);
        m_beeper = std::make_unique<RecordingBeeper>(*m_log, m_soundBeeper);
        // The dry run never wakes the machine.
        m_wake = std::make_unique<RecordingWakeAlarms>(*m_log);
    }
    // The dry run holds no lock on the machine's own logind: only on a system
    // bus named for it (the tests' stand-in), else it records what it would do.
    if (!m_log || qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS"))
        m_sleep = std::make_unique<LogindSleepService>();
    else
        m_sleep = std::make_unique<RecordingSleepService>(*m_log);
    if (m_log && qEnvironmentVariable("ZENTARI_REAL_NOTIFICATIONS") != QLatin1String("1"))
        m_notifications = std::make_unique<RecordingNotifications>(*m_log);
    else
        m_notifications = std::make_unique<FreedesktopNotifications>();
    m_services.clock = m_clock.get();
    m_services.shell = m_shell.get();
    m_services.messages = m_messages.get();
    m_services.power = m_power.get();
    m_services.beeper = m_beeper ? m_beeper.get() : m_soundBeeper;
    m_services.player = m_player ? m_player.get() : m_soundPlayer;
    m_services.windows = m_windows.get();
    m_services.machine = m_machine.get();
    m_services.sleep = m_sleep.get();
    m_services.wake = m_wake.get();
    m_services.notifications = m_notifications.get();
}

// Members go in reverse order: the recording wrappers before the sound they
// wrap, and that before the plug-in it comes from.
DesktopServices::~DesktopServices() = default;

void DesktopServices::setNotice(std::function<void(const QString&)> notice)
{
    m_audio->setNotice(std::move(notice));
}

void DesktopServices::recordReady()
{
    if (m_log)
        m_log->append({QStringLiteral("ready")});
}

} // namespace zentari
