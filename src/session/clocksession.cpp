#include "clocksession.h"

#include "core/error.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "platform/sleepservice.h"
#include "scheduler/actionediting.h"
#include "scheduler/shutdowntemplates.h"
#include "session/catchup.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
#include <algorithm>

namespace zentari {

ClockSession::ClockSession(QString programDir, const Services& services, ErrorReport& report)
    : m_programDir(std::move(programDir)), m_services(services), m_report(report),
      m_actions(m_programDir), m_reminders(m_programDir), m_dispatcher(*this, services, report),
      m_reminderFiring(report), m_awake(services.sleep, *this),
      m_wakePlanner(services.wake, *this, m_reminders, report), m_mark(m_programDir),
      m_snoozes(m_programDir), m_notices(services.notifications, noticeLinks())
{
    m_dispatcher.onCancelShutdownAvailable = [this] {
        if (m_host)
            m_host->cancelShutdownAvailable();
    };
    m_dispatcher.onShutdownScheduled = [this](PowerAction, int seconds, const QString& message) {
        if (m_host)
            m_host->shutdownScheduled(seconds, message);
    };
    m_dispatcher.onActionPerformed = [this](const QString& id, int type) {
        if (m_dispatching)
            noteDone(CatchUp::actionKey(id, *m_dispatching), *m_dispatching);
        // Before anything else can end the clock (the shutdown it asked for):
        // a later start must not perform it again.
        m_mark.save(m_report);
        if (type == int(ActionType::SoundFile)) {
            if (const QString file = m_dispatcher.alarmSoundFile(); !file.isNull())
                m_notices.soundStarted(file);
        }
        if (onActionPerformed)
            onActionPerformed(id, type);
    };
    m_reminderFiring.onShown = [this](const QString& id, const QString& title) {
        reminderShown(id);
        m_mark.save(m_report);
        if (onReminderShown)
            onReminderShown(id, title);
    };
    if (m_services.sleep) {
        m_sleepWatch = std::make_unique<QObject>();
        SleepService* sleep = m_services.sleep;
        QObject::connect(sleep, &SleepService::aboutToSleep, m_sleepWatch.get(),
                         [this] { prepareForSleep(); });
        // The tick sees the jump and catches up; no need to wait for its timer.
        QObject::connect(sleep, &SleepService::resumed, m_sleepWatch.get(), [this] {
            m_seconds.sleeping();
            tick();
        });
        QObject::connect(sleep, &SleepService::clockSet, m_sleepWatch.get(), [this] { tick(); });
    }
}

ClockSession::~ClockSession()
{
    saveMark();
}

void ClockSession::saveMark()
{
    m_report.guard([this] { m_mark.save(m_report); });
}

void ClockSession::openConfigStore()
{
    m_confPath = paths::confPath(m_programDir);
    // The clock always holds a handle, even on a conf.ini that cannot be made yet.
    m_configStore = IniFile(m_confPath);
    paths::openConfig(m_configStore, m_programDir);
    m_actions.config() = m_configStore;
    if (const QString problem = m_configStore.readProblem(); !problem.isEmpty())
        m_report.reportOnce(problem);
}

void ClockSession::loadAtStart()
{
    // Ticks may run under a notice of the loads below: they must find the
    // last run's second already.
    if (const std::optional<QDateTime> last = m_mark.read(); last && !m_seconds.lastTaken())
        m_seconds.continueFrom(*last);
    m_alarmEnabled = options::isOn(m_configStore, options::On);
    m_reminders.loadAtStart(m_report);
    if (m_services.sleep)
        m_services.sleep->start();
    lookAhead();
}

void ClockSession::setAlarmEnabled(bool on)
{
    m_alarmEnabled = on;
    lookAhead();
}

void ClockSession::reloadActionLists()
{
    m_actionCount = m_actions.loadForTick(m_report);
    lookAhead();
}

void ClockSession::keepActionsForTick()
{
    m_actionCount = m_actions.keepForTick();
    lookAhead();
}

QString ClockSession::runTemplate(QStringView itemName, const QString& menuCaption,
                                  const QString& dateLabel, const QString& timeLabel)
{
    for (const ShutdownTemplate& t : kShutdownTemplates) {
        if (t.itemName != itemName)
            continue;
        const QString caption = menuCaption.isNull() ? t.caption.toString() : menuCaption;
        const QString id =
            runShutdownTemplate(t, caption, m_services.clock->now().time(), dateLabel, timeLabel,
                                m_configStore, m_actions, *m_services.beeper);
        keepActionsForTick();
        return id;
    }
    return {};
}

void ClockSession::tick()
{
    // One reading of the clock serves the whole tick, and its seconds are taken
    // before any step can open a box: the ticks that run under a box then find
    // them taken, and each second is dispatched once. They are taken even while
    // alarms are off, so that switching alarms on does not replay what came due
    // meanwhile.
    const QDateTime now = m_services.clock->now();
    const QList<QDateTime> owed = m_seconds.take(now);
    const std::optional<qint64> jumpedFrom = m_seconds.jumpedFrom();
    if (!owed.isEmpty())
        m_mark.note(owed.last());
    m_report.guard([this, &now] {
        if (m_host)
            m_host->showTime(now);
        setStopSoundEnabled(m_dispatcher.soundPlaying());
        m_dispatcher.repeatSound();
        // Heard out, cut by the ring limit or taken over by a reminder's sound.
        if (m_dispatcher.alarmSoundFile().isNull())
            m_notices.soundEnded();
    });
    m_report.guard([this] { m_mark.saveIfDue(m_report); });
    if (!m_alarmEnabled)
        return;
    // What the jump passed over comes before this second's own.
    if (jumpedFrom)
        m_report.guard([&] { catchUp(*jumpedFrom, now); });
    // A failure in one second's dispatch is reported; the other seconds owed
    // are still dispatched.
    {
        // A tick nested under a box of an action gives back the second it found.
        const QScopedValueRollback dispatching(m_dispatching);
        for (const QDateTime& at : owed) {
            m_dispatching = at;
            m_report.guard([this, &at] {
                m_dispatcher.dispatchActions(timetext::timeToStr(at.time()),
                                             timetext::dateToStr(at.date()),
                                             timetext::weekdayText(at.date()));
            });
        }
    }
    m_awake.tick(now, m_alarmEnabled);
    m_wakePlanner.tick(now, m_alarmEnabled);
    m_reminderFiring.step(m_reminders, *this, owed);
}

void ClockSession::catchUp(qint64 lastSecond, const QDateTime& now)
{
    // In the clock's own time representation, as the tracker's seconds are.
    const QDateTime after = now.addSecs(lastSecond - now.toSecsSinceEpoch());
    const QStringList ids = m_actions.tickIds().mid(0, m_actionCount);
    const CatchUpPlan plan = CatchUp::plan(
        m_configStore, m_programDir, ids, m_reminders, after, now, now, missedGraceMinutes(),
        [this](const QString& key) { return m_done.contains(key); });
    for (const CatchUpPlan::Reminder& r : plan.reminders) {
        // Taken now: a catch-up in a tick under its window must not queue it again.
        noteDone(CatchUp::reminderKey(r.id, r.due), r.due);
        m_reminderFiring.queueLate(m_reminders, r.position, CatchUp::reminderHeading(r.due));
    }
    for (const CatchUpPlan::Action& action : plan.skipped)
        noteDone(CatchUp::actionKey(action.id, action.due), action.due);
    {
        const QScopedValueRollback dispatching(m_dispatching);
        for (const CatchUpPlan::Action& action : plan.perform) {
            m_dispatching = action.due;
            m_report.guard([this, &action] { m_dispatcher.performAction(action.section); });
        }
    }
    if (!plan.missed.isEmpty() && m_host)
        m_report.guard([this, &plan] { m_host->missedEvents(plan.missed); });
}

int ClockSession::missedGraceMinutes() const
{
    return minutesOption(options::MissedGrace);
}

int ClockSession::minutesOption(const options::Key& key) const
{
    try {
        // A hand-edited value beyond the range would put an alarm off for good.
        return std::clamp(options::readInt(m_configStore, key, m_programDir), key.minimum,
                          key.maximum);
    } catch (const ConvertError&) {
        m_report.reportOnce(
            QStringLiteral("Значение «%1» ключа %2 не является числом; "
                           "используется %3.")
                .arg(options::read(m_configStore, key, m_programDir), key.name, key.defaultValue));
        return key.defaultValue.toInt();
    }
}

void ClockSession::noteDone(const QString& key, const QDateTime& due)
{
    const qint64 second = due.toSecsSinceEpoch();
    m_done.insert(key, second);
    // A catch-up looks back a week and a day at most (a weekday action's
    // latest occurrence); older entries only cost memory.
    constexpr qint64 kKeepSeconds = 9 * 86400;
    if (m_done.size() > 256)
        m_done.removeIf(
            [second](const auto& entry) { return entry.value() < second - kKeepSeconds; });
}

void ClockSession::reminderShown(const QString& reminderId)
{
    const RecordList<Reminder>& records = m_reminders.records();
    for (int i = 0; i < m_reminders.count(); ++i) {
        const Reminder& r = records[i];
        if (r.reminderId != reminderId)
            continue;
        try {
            const QDateTime due(timetext::strToDate(r.dateText), timetext::strToTime(r.timeText));
            noteDone(CatchUp::reminderKey(reminderId, due), due);
        } catch (const ConvertError&) {
        }
        return;
    }
}

void ClockSession::prepareForSleep()
{
    m_seconds.sleeping();
    saveMark();
    m_report.guard([this] { prepareWakeForSleep(); });
    if (beforeSleep)
        m_report.guard([this] { beforeSleep(); });
    m_services.sleep->sleepWorkDone();
}

void ClockSession::stopSound()
{
    m_dispatcher.stopSound();
    setStopSoundEnabled(false);
    m_notices.soundEnded();
}

QString ClockSession::snoozeSound()
{
    const QString file = m_dispatcher.alarmSoundFile();
    if (file.isNull())
        return {};
    stopSound();
    // To the second, as the editor's pickers keep it.
    QDateTime due = m_services.clock->now().addSecs(qint64(snoozeMinutes()) * 60);
    due.setTime(QTime(due.time().hour(), due.time().minute(), due.time().second()));
    const ActionFields fields{.typeCode = int(ActionType::SoundFile),
                              .pathText = file,
                              .time = due.time(),
                              .date = due.date()};
    const PeriodicityChoice once{.code = int(Periodicity::Once), .chosen = true};
    const QString id =
        m_actions.appendAction(actionediting::toScheduledAction(fields, once), once.chosen);
    keepActionsForTick();
    // The sound is put off already: a list that cannot be written costs only its line.
    m_report.guard([&] { m_snoozes.recordSound(id, file, due); });
    return id;
}

void ClockSession::reminderSnoozed(const QString& previousId, const QString& newId,
                                   const QString& title, const QDateTime& due)
{
    m_report.guard([&] { m_snoozes.recordReminder(previousId, newId, title, due); });
}

QList<PendingSnooze> ClockSession::pendingSnoozes()
{
    m_report.guard([this] {
        m_snoozes.prune(m_services.clock->now(), [this](const PendingSnooze& snooze) {
            if (snooze.kind == PendingSnooze::Kind::AlarmSound)
                return m_actions.tickIds().contains(snooze.id);
            // A reminder changed in the editor on its own day keeps its id:
            // its time says whether it is still the one put off.
            const RecordList<Reminder>& records = m_reminders.records();
            for (int i = 0; i < m_reminders.count(); ++i) {
                if (records[i].reminderId == snooze.id)
                    return records[i].timeText == timetext::timeToStr(snooze.due.time());
            }
            return false;
        });
    });
    return m_snoozes.entries();
}

bool ClockSession::cancelSnooze(const PendingSnooze& snooze)
{
    bool removed = false;
    if (snooze.kind == PendingSnooze::Kind::AlarmSound) {
        removed = m_actions.removeAt(-1, snooze.id);
        // The lists were read again under the lock, whatever was found.
        keepActionsForTick();
    } else {
        removed = m_reminders.removeReminderAt(-1, snooze.id);
        lookAhead();
    }
    m_snoozes.remove(snooze.kind, snooze.id);
    return removed;
}

int ClockSession::snoozeMinutes() const
{
    return minutesOption(options::SnoozeMinutes);
}

void ClockSession::prepareWakeForSleep()
{
    m_wakePlanner.beforeSleep(m_services.clock->now(), m_alarmEnabled);
}

AlarmNotices::Links ClockSession::noticeLinks()
{
    const auto toHost = [this](void (SessionHost::*step)()) {
        return [this, step] {
            if (m_host)
                m_report.guard([this, step] { (m_host->*step)(); });
        };
    };
    return {.enabled = [this] { return options::isOn(m_configStore, options::Notifications); },
            .snoozeReminder = toHost(&SessionHost::snoozeReminder),
            .closeReminder = toHost(&SessionHost::closeReminder),
            .raiseReminder = toHost(&SessionHost::raiseReminder),
            .snoozeSound = [this] { m_report.guard([this] { snoozeSound(); }); },
            .stopSound = [this] { m_report.guard([this] { stopSound(); }); }};
}

void ClockSession::lookAhead()
{
    const QDateTime now = m_services.clock->now();
    m_awake.update(now, m_alarmEnabled);
    m_wakePlanner.update(now, m_alarmEnabled);
}

void ClockSession::setStopSoundEnabled(bool enabled)
{
    m_stopSoundEnabled = enabled;
    if (m_host)
        m_host->stopSoundAvailable(enabled);
}

void ClockSession::alertSound()
{
    m_dispatcher.alertSound();
}

void ClockSession::showReminder(const QString& title, const QString& text,
                                const QString& reminderId)
{
    if (!m_host)
        return;
    m_notices.reminderShown(title, text);
    // However the window closes (its button, its menu, a notification's
    // button), or if it fails to open, its notification goes with it.
    const auto ended = qScopeGuard([this] { m_notices.reminderEnded(); });
    m_host->showReminder(title, text, reminderId);
}

void ClockSession::reminderClosed()
{
    if (m_host)
        m_host->reminderClosed();
}

} // namespace zentari
