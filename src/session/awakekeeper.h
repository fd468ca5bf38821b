#pragma once

#include "core/inifile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zentari {

class DispatchSource;
class SleepService;

// Keeps the machine from sleeping while a power action is pending, so that a
// shutdown, reboot or log-off the user scheduled is not slept through: any
// once-only one still to come, and a daily or weekday one due within the
// next half hour (holding the machine awake every day and all day for them
// would be worse than the odd one missed). The lock names the earliest, e.g.
// "Выключение компьютера в 23:30:00"; it goes as soon as none is pending.
class AwakeKeeper
{
public:
    static constexpr int kRepeatedAheadMinutes = 30;

    // Without a sleep service (tests, a desktop without one) it does nothing.
    AwakeKeeper(SleepService* sleep, const DispatchSource& actions);

    // Looks at the actions again now: the lists changed, an action was
    // performed, a shutdown was aborted. With alarms off nothing will be
    // performed, so nothing is pending.
    void update(const QDateTime& now, bool alarmsOn);
    // The tick's share: looks again once a minute (a repeated action comes
    // into its half hour), when the held action's second has come, or when
    // conf.ini or the lists changed since the last look.
    void tick(const QDateTime& now, bool alarmsOn);

    // What the lock says for an action of this type due then, as seen on `today`.
    static QString reason(int type, const QDateTime& due, QDate today);

private:
    bool inputsChanged() const;

    SleepService* m_sleep;
    const DispatchSource& m_actions;
    QDateTime m_held;     // the second of the action the lock names; invalid when none
    qint64 m_minute = -1; // the minute of the last look, since the epoch
    bool m_alarmsOn = false;
    quint64 m_revision = 0;
    QStringList m_ids;
    qsizetype m_count = -1;
};

} // namespace zentari
