#pragma once

#include "core/inifile.h"
#include "core/options.h"
#include "platform/errorreport.h"
#include "platform/services.h"
#include "reminders/reminderfiring.h"
#include "reminders/reminderstore.h"
#include "scheduler/actiondispatcher.h"
#include "scheduler/actionstore.h"
#include "scheduler/secondstracker.h"
#include "session/alarmnotices.h"
#include "session/awakekeeper.h"
#include "session/dispatchmark.h"
#include "session/missedevent.h"
#include "session/snoozeledger.h"
#include "session/wakeplanner.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace zentari {

// What the tick asks of the windows: it shows, they draw.
class SessionHost
{
public:
    virtual ~SessionHost() = default;
    // The tick's first step: the time and date of this second on the clock.
    virtual void showTime(const QDateTime& now) = 0;
    // "Остановить звук" enabled or not, as a sound plays or has ended.
    virtual void stopSoundAvailable(bool available) = 0;
    // "Прекратить выход из системы" becomes available.
    virtual void cancelShutdownAvailable() = 0;
    // The system accepted a shutdown or reboot in `seconds`: the warning shows.
    virtual void shutdownScheduled(int seconds, const QString& message) = 0;
    // Shows a due reminder and returns once the user has closed it; the id
    // names it in the store (which its window may change).
    virtual void showReminder(const QString& title, const QString& text,
                              const QString& reminderId) = 0;
    // A reminder's window was closed.
    virtual void reminderClosed() = 0;
    // What fell due while the clock could not act and was not performed,
    // once per catch-up, in the order it fell due.
    virtual void missedEvents(const QList<MissedEvent>& events) { Q_UNUSED(events); }
    // The reminder's window open now, as its notification's buttons reach it:
    // put off by "SnoozeMinutes" as its menu's first item does, closed, raised.
    virtual void snoozeReminder() {}
    virtual void closeReminder() {}
    virtual void raiseReminder() {}
};

// The clock's session: what the program is, apart from how its windows look.
// It owns the conf.ini handle, the action and reminder stores, the alarm
// switch (shown and set by the settings window's CheckBox1), the permission to
// close (set by the password window and the exit commands) and the one-second
// tick: seconds tracker, action dispatch, reminder step and sound repeat, over
// the injected clock and services. No widget: the windows learn what happens
// through SessionHost.
class ClockSession : public DispatchSource, private ReminderHost
{
public:
    ClockSession(QString programDir, const Services& services, ErrorReport& report);
    ~ClockSession() override;

    void setHost(SessionHost* host) { m_host = host; }

    // For the remote control's signals: the tick performed an action (its id
    // and type code), or is about to show a reminder (its id and title).
    std::function<void(const QString& actionId, int type)> onActionPerformed;
    std::function<void(const QString& reminderId, const QString& title)> onReminderShown;
    // The machine is about to sleep: runs after the last dispatched second is
    // saved and the wake time armed, before the system is told the clock is ready.
    std::function<void()> beforeSleep;

    // conf.ini opened afresh (created when missing); a problem reading it is
    // reported once. Read again at every activation of the clock.
    void openConfigStore();
    const QString& confPath() const { return m_confPath; }
    IniFile& config() { return m_configStore; }
    // What start-up reads besides the clock window's own: the alarm switch as
    // conf.ini has it, and the reminders (a set-aside change told once; a list
    // that cannot be read leaves what came before it, see remindersLoaded()).
    // The clock then goes on from the second the last run dispatched
    // (data/lastsecond.txt): the first tick catches up what fell due since,
    // and sleep and the wall clock are watched from now on.
    void loadAtStart();
    // Writes the last dispatched second now (at exit; the destructor does too).
    void saveMark();

    // --- the alarm switch: alarms and reminders run only while it is on
    bool alarmEnabled() const { return m_alarmEnabled; }
    void setAlarmEnabled(bool on);

    // --- the permission to close: 1 lets the clock close without restarting
    int exitAllowed() const { return m_exitAllowed; }
    void setExitAllowed(int allowed) { m_exitAllowed = allowed; }

    // --- the stores
    ActionStore& actions() { return m_actions; }
    // Reads the action lists the tick uses again (after an editor's change).
    void reloadActionLists();
    // After a change made through actions() (a template's append).
    void keepActionsForTick();
    // A shutdown template of the menu ("N13"...): the optional beep and the new
    // shutdown action, kept for the tick. menuCaption is what the menu item
    // reads (the table's caption when null); dateLabel and timeLabel are the
    // clock's current texts. Returns the new action's id, null for an unknown item.
    QString runTemplate(QStringView itemName, const QString& menuCaption, const QString& dateLabel,
                        const QString& timeLabel);
    ReminderStore& reminders() { return m_reminders; }
    ActionDispatcher& dispatcher() { return m_dispatcher; }
    const ReminderFiring& reminderFiring() const { return m_reminderFiring; }

    // --- the tick, once a second
    void tick();
    // "Остановить звук": whether it is enabled, and the command itself.
    bool stopSoundEnabled() const { return m_stopSoundEnabled; }
    void stopSound();
    // "Отложить сигнал": the playing alarm sound stops and comes back once, its
    // file at now + "SnoozeMinutes", as an action the editor could have made.
    // Returns the new action's id; null when no alarm sound plays.
    QString snoozeSound();
    int snoozeMinutes() const;
    // A reminder's window put its reminder off (from previousId, now newId).
    void reminderSnoozed(const QString& previousId, const QString& newId, const QString& title,
                         const QDateTime& due);
    // What is put off and yet to come, soonest first: what has come due or
    // left its store (deleted, or changed in an editor) is dropped first.
    QList<PendingSnooze> pendingSnoozes();
    // Takes a snooze back: the snoozed reminder (with its text file) or sound
    // action leaves its store, and the tick forgets it. False when the store
    // no longer holds it; either way it leaves the list. Throws Error when the
    // store cannot be written (nothing changes then).
    bool cancelSnooze(const PendingSnooze& snooze);
    // "Прекратить выход из системы": nothing may be holding the machine awake
    // for the shutdown that was stopped.
    void shutdownAborted() { lookAhead(); }
    // The machine is about to sleep: the wake time for the next alarm is set.
    void prepareWakeForSleep();

    // --- DispatchSource
    const IniFile& configStore() const override { return m_configStore; }
    QString programDir() const override { return m_programDir; }
    const QStringList& actionIds() const override { return m_actions.tickIds(); }
    qsizetype actionCount() const override { return m_actionCount; }

private:
    // --- ReminderHost
    void alertSound() override;
    void showReminder(const QString& title, const QString& text,
                      const QString& reminderId) override;
    void reminderClosed() override;

    void setStopSoundEnabled(bool enabled);
    // The awake lock and the wake time, looked at again now.
    void lookAhead();
    // The desktop notifications beside a reminder's window and a ringing alarm.
    AlarmNotices::Links noticeLinks();

    // What fell due after `lastSecond` (since the epoch) and before `now`:
    // late reminders queued, sounds and files within the grace performed, the
    // rest told to the host.
    void catchUp(qint64 lastSecond, const QDateTime& now);
    int missedGraceMinutes() const;
    // A number of minutes in its key's range; an unreadable value is reported
    // once and the default used.
    int minutesOption(const options::Key& key) const;
    // An action's or reminder's due second was performed or shown (CatchUp's keys).
    void noteDone(const QString& key, const QDateTime& due);
    void reminderShown(const QString& reminderId);
    void prepareForSleep();

    QString m_programDir;
    Services m_services;
    ErrorReport& m_report;
    SessionHost* m_host = nullptr;
    QString m_confPath;
    IniFile m_configStore;
    ActionStore m_actions;       // the tick's copy of the action ids (the templates load all five)
    qsizetype m_actionCount = 0; // lines of the paths list: all the tick needs of it
    ReminderStore m_reminders;
    ActionDispatcher m_dispatcher;
    SecondsTracker m_seconds;
    ReminderFiring m_reminderFiring;
    AwakeKeeper m_awake;
    WakePlanner m_wakePlanner;
    bool m_alarmEnabled = false;
    int m_exitAllowed = 0;
    bool m_stopSoundEnabled = false;
    DispatchMark m_mark;
    SnoozeLedger m_snoozes;
    // The due seconds performed or shown in the last days, so that no path
    // that brings a second back (a catch-up after the clock was set back and
    // forward) performs it twice. Key: CatchUp::actionKey/reminderKey.
    QHash<QString, qint64> m_done;
    std::optional<QDateTime> m_dispatching; // the due second being dispatched
    // Receives the sleep service's signals for as long as the session lives.
    std::unique_ptr<QObject> m_sleepWatch;
    AlarmNotices m_notices;
};

} // namespace zentari
