#include "wakeplanner.h"

#include "core/options.h"
#include "platform/errorreport.h"
#include "platform/wakealarms.h"
#include "reminders/reminderstore.h"
#include "scheduler/actiondispatcher.h"
#include "scheduler/actionstore.h"
#include "session/upcoming.h"

namespace zentari {

WakePlanner::WakePlanner(WakeAlarms* wake, const DispatchSource& actions,
                         const ReminderStore& reminders, ErrorReport& report)
    : m_wake(wake), m_actions(actions), m_reminders(reminders), m_report(report)
{
    if (!m_wake)
        return;
    m_refusal = QObject::connect(m_wake, &WakeAlarms::refused, [this](const QString& reason) {
        m_report.reportOnce(
            QStringLiteral("Часы не смогут будить компьютер к будильникам и напоминаниям: %1")
                .arg(reason));
    });
}

WakePlanner::~WakePlanner()
{
    QObject::disconnect(m_refusal);
}

bool WakePlanner::inputsChanged() const
{
    return m_actions.configStore().revision() != m_revision ||
           m_reminders.revision() != m_reminderRevision || m_actions.actionCount() != m_count ||
           m_actions.actionIds() != m_ids;
}

void WakePlanner::tick(const QDateTime& now, bool alarmsOn)
{
    if (!m_wake)
        return;
    const qint64 minute = now.toSecsSinceEpoch() / 60;
    if (minute != m_minute || alarmsOn != m_alarmsOn || (m_next.isValid() && now >= m_next) ||
        inputsChanged())
        update(now, alarmsOn);
}

void WakePlanner::update(const QDateTime& now, bool alarmsOn)
{
    if (!m_wake)
        return;
    const IniFile& config = m_actions.configStore();
    m_minute = now.toSecsSinceEpoch() / 60;
    m_alarmsOn = alarmsOn;
    m_revision = config.revision();
    m_reminderRevision = m_reminders.revision();
    m_ids = m_actions.actionIds();
    m_count = m_actions.actionCount();

    // With alarms off nothing rings: there is nothing to wake for, and no
    // helper to start.
    if (!alarmsOn || !options::isOn(config, options::WakeForAlarms)) {
        m_next = QDateTime();
        if (m_armed)
            m_wake->stop();
        m_armed = false;
        return;
    }
    QDateTime next = upcoming::nextReminder(m_reminders, now);
    const qsizetype n = upcoming::dispatchedCount(m_actions);
    for (qsizetype i = 0; i < n; ++i) {
        const QDateTime due =
            upcoming::nextDue(config, ActionStore::sectionName(m_actions.actionIds()[i]), now);
        if (due.isValid() && (!next.isValid() || due < next))
            next = due;
    }
    m_next = next;
    QList<QDateTime> times;
    if (next.isValid()) {
        // Less than a minute ahead: waking at the second itself still rings,
        // if late.
        const QDateTime early = next.addSecs(-kLeadSeconds);
        times.append(early > now ? early : next);
    }
    m_armed = true;
    m_wake->setWakeTimes(times);
}

} // namespace zentari
