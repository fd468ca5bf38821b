#include "clocksession.h"

#include "core/options.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "scheduler/shutdowntemplates.h"

namespace zentari {

ClockSession::ClockSession(QString programDir, const Services& services, ErrorReport& report)
    : m_programDir(std::move(programDir)), m_services(services), m_report(report),
      m_actions(m_programDir), m_reminders(m_programDir), m_dispatcher(*this, services, report),
      m_reminderFiring(report), m_awake(services.sleep, *this),
      m_wakePlanner(services.wake, *this, m_reminders, report)
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
        if (onActionPerformed)
            onActionPerformed(id, type);
    };
    m_reminderFiring.onShown = [this](const QString& id, const QString& title) {
        if (onReminderShown)
            onReminderShown(id, title);
    };
}

ClockSession::~ClockSession() = default;

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
    m_alarmEnabled = options::isOn(m_configStore, options::On);
    m_reminders.loadAtStart(m_report);
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
    m_report.guard([this, &now] {
        if (m_host)
            m_host->showTime(now);
        setStopSoundEnabled(m_dispatcher.soundPlaying());
        m_dispatcher.repeatSound();
    });
    if (!m_alarmEnabled)
        return;
    // A failure in one second's dispatch is reported; the other seconds owed
    // are still dispatched.
    for (const QDateTime& at : owed) {
        m_report.guard([this, &at] {
            m_dispatcher.dispatchActions(timetext::timeToStr(at.time()),
                                         timetext::dateToStr(at.date()),
                                         timetext::weekdayText(at.date()));
        });
    }
    m_awake.tick(now, m_alarmEnabled);
    m_wakePlanner.tick(now, m_alarmEnabled);
    m_reminderFiring.step(m_reminders, *this, owed);
}

void ClockSession::stopSound()
{
    m_dispatcher.stopSound();
    setStopSoundEnabled(false);
}

void ClockSession::prepareWakeForSleep()
{
    m_wakePlanner.beforeSleep(m_services.clock->now(), m_alarmEnabled);
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

void ClockSession::showReminder(const QString& title, const QString& text)
{
    if (m_host)
        m_host->showReminder(title, text);
}

void ClockSession::reminderClosed()
{
    if (m_host)
        m_host->reminderClosed();
}

} // namespace zentari
