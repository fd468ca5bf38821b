#pragma once

#include <QDateTime>
#include <QMetaObject>
#include <QStringList>

namespace zentari {

class DispatchSource;
class ErrorReport;
class ReminderStore;
class WakeAlarms;

// With "WakeForAlarms" on, has the machine woken from sleep a minute before
// the next due action or reminder, so that a sleeping machine still rings; a
// machine that cannot be woken is reported once, with the reason. With it off
// no wake time is left behind.
class WakePlanner
{
public:
    static constexpr int kLeadSeconds = 60;

    // Without wake alarms (tests, the dry run's stand-in aside) it does nothing.
    WakePlanner(WakeAlarms* wake, const DispatchSource& actions, const ReminderStore& reminders,
                ErrorReport& report);
    ~WakePlanner();
    WakePlanner(const WakePlanner&) = delete;
    WakePlanner& operator=(const WakePlanner&) = delete;

    // Plans again now: the lists changed, the machine is about to sleep.
    void update(const QDateTime& now, bool alarmsOn);
    // The tick's share: plans again when the planned event's second has come,
    // once a minute, or when conf.ini or either list changed.
    void tick(const QDateTime& now, bool alarmsOn);
    // Just before the machine sleeps: the wake time must be right now.
    void beforeSleep(const QDateTime& now, bool alarmsOn) { update(now, alarmsOn); }

    // The event the wake time is set for; invalid when none (or the option is off).
    const QDateTime& planned() const { return m_next; }

private:
    bool inputsChanged() const;

    WakeAlarms* m_wake;
    const DispatchSource& m_actions;
    const ReminderStore& m_reminders;
    ErrorReport& m_report;
    QMetaObject::Connection m_refusal;
    bool m_armed = false; // wake times were given since the last stop()
    QDateTime m_next;
    qint64 m_minute = -1;
    bool m_alarmsOn = false;
    quint64 m_revision = 0;
    quint64 m_reminderRevision = 0;
    QStringList m_ids;
    qsizetype m_count = -1;
};

} // namespace zentari
