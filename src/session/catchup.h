#pragma once

#include "session/missedevent.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace zentari {

class IniFile;
class ReminderStore;

// What fell due while the clock could not act: between the last second it
// dispatched and the second it dispatches now, both left out. Worked out from
// the stored texts of each action and reminder, not by replaying the seconds
// (the gap may be days long), with the rules of the one-second dispatch: an
// action's "Time" text and a once-only action's "Date" text must be the
// clock's texts of the second, a reminder's time compares as a value; a local
// time the clock skipped (the start of summer time) never falls due.
struct CatchUpPlan
{
    struct Reminder
    {
        QDateTime due;
        int position = 0; // in the reminder store
        QString id;
    };
    struct Action
    {
        QDateTime due;
        QString id;
        QString section; // "Action<id>"
    };
    QList<Reminder> reminders; // every one, in due order
    QList<Action> perform;     // sounds and files late by no more than the grace, in due order
    QList<MissedEvent> missed; // what is not performed, with its reason, in due order
    QList<Action> skipped;     // the actions of `missed`, in the same order
};

class CatchUp
{
public:
    // Sound (0) and open-file (1) actions are performed up to `graceMinutes`
    // late (0: never); power actions (2, 3, 4) never. A daily or weekday
    // action that fell due on several days counts once, at its latest due
    // second. `ids` are the listed actions (already cut to the paths list).
    static CatchUpPlan plan(const IniFile& config, const QString& programDir,
                            const QStringList& ids, const ReminderStore& reminders,
                            const QDateTime& after, const QDateTime& before, const QDateTime& now,
                            int graceMinutes, const std::function<bool(const QString&)>& done);

    // What `done` is asked: whether this action's or reminder's due second
    // was already performed or shown (the clock set back and forward again
    // brings seconds back that were dispatched once).
    static QString actionKey(const QString& actionId, const QDateTime& due);
    static QString reminderKey(const QString& reminderId, const QDateTime& due);

    // The first line above a late reminder's text: "Напоминание на 8:00:00 08.12.2026".
    static QString reminderHeading(const QDateTime& due);
    // How the missed list names an action: its file for a sound or a file to
    // open, else what it does.
    static QString describeAction(const IniFile& config, const QString& section,
                                  const QString& programDir);
};

} // namespace zentari
