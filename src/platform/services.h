#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The operating system as the clock sees it: one small interface per service.
// Linux back ends live in platform_desktop; recording stand-ins (for tests and
// the dry-run mode) in recording.h.
namespace zentari {

// The time of day and the date, injected so that the one-second logic can be
// driven second by second in tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0; // local time
};

// Set for the clock the close guard restarts: it waits for the closing
// clock to let go of the folder's lock instead of handing itself over to it.
inline constexpr char kTakeOverVariable[] = "ZENTARI_TAKE_OVER";

// The shell's "open" verb: documents open in their default application,
// executables start themselves. Detached; the result is never examined.
class ShellLauncher
{
public:
    virtual ~ShellLauncher() = default;
    virtual void open(const QString& file, const QString& parameters, const QString& directory) = 0;
    // Starts a new instance of this program (the close guard's restart),
    // with kTakeOverVariable set: it waits for the closing one to end.
    virtual void restart(const QString& executable) = 0;
};

enum class MessageIcon
{
    None,
    Error,
    Warning,
    Information
};

// Modal message boxes; show() returns when the user has closed the box.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void show(const QString& text, const QString& caption, MessageIcon icon) = 0;
    // A question with the buttons Yes and No; true when the answer is Yes. A back
    // end that cannot ask answers No, so that nothing irreversible follows.
    virtual bool askYesNo(const QString& text, const QString& caption)
    {
        Q_UNUSED(text);
        Q_UNUSED(caption);
        return false;
    }
};

enum class PowerAction
{
    PowerOff,
    Reboot
};

// Shutting down, rebooting and logging off the session.
class PowerService
{
public:
    virtual ~PowerService() = default;
    // Asks the system to power off or reboot after delaySeconds with a warning
    // message. False when the system could not be reached or refused.
    virtual bool scheduleShutdown(PowerAction action, int delaySeconds, const QString& message) = 0;
    // Ends the user's graphical session at once.
    virtual void logOff() = 0;
    // Aborts a pending shutdown or reboot.
    virtual void cancelShutdown() = 0;
};

// A sine tone that sounds beside the caller: beep() starts it and returns at
// once, so a minute-long signal never holds up the clock's tick. A tone asked
// for while another sounds replaces it.
class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beep(int frequencyHz, int durationMs) = 0;
    // Silences the tone that sounds, if any.
    virtual void stop() {}
    // Whether a tone sounds now.
    virtual bool sounding() const { return false; }
};

// The one sound player of the program.
class MediaPlayer
{
public:
    enum class Mode
    {
        NotOpen,
        Stopped,
        Playing
    };
    virtual ~MediaPlayer() = default;
    // Replaces whatever was open or playing. Throws Error when the file cannot be opened.
    virtual void open(const QString& file) = 0;
    // Plays the open sound from its start. Throws Error when nothing is open or it cannot play.
    virtual void play() = 0;
    // As play(), the volume rising from silence to full over the first `seconds`.
    virtual void playFadingIn(int seconds) = 0;
    // Stops and forgets the sound; the mode is NotOpen afterwards.
    virtual void close() = 0;
    virtual Mode mode() const = 0;
};

// Other programs' windows, and the window manager's states of our own.
// Window ids are the windowing system's; 0 means none.
class WindowSystem
{
public:
    virtual ~WindowSystem() = default;
    virtual quint64 foregroundWindow() = 0;
    virtual QString windowTitle(quint64 window) = 0;
    virtual void setWindowTitle(quint64 window, const QString& title) = 0;
    // Keeps the window above others without re-creating or re-mapping it.
    virtual void keepAbove(quint64 window) = 0;
    // Keeps the window out of the taskbar and the pager.
    virtual void setSkipTaskbar(quint64 window, bool skip) = 0;
};

// The per-machine, read-only store of the protection values "USE" and "PAS".
class MachineStore
{
public:
    virtual ~MachineStore() = default;
    // The value's text, or the empty text when the store, key or value is missing.
    virtual QString readString(const QString& name) = 0;
};

class Notifications;
class SleepService;
class WakeAlarms;

// Everything the logic may ask of the system, handed down from start-up.
struct Services
{
    Clock* clock = nullptr;
    ShellLauncher* shell = nullptr;
    MessageBoxes* messages = nullptr;
    PowerService* power = nullptr;
    Beeper* beeper = nullptr;
    MediaPlayer* player = nullptr;
    WindowSystem* windows = nullptr;
    MachineStore* machine = nullptr;
    // Sleep, resume and the wall clock being set; staying awake (sleepservice.h).
    SleepService* sleep = nullptr;
    // Waking the machine for an alarm (wakealarms.h).
    WakeAlarms* wake = nullptr;
    // Messages in the desktop's notification area (notifications.h).
    Notifications* notifications = nullptr;
};

} // namespace zentari
