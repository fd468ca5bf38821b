#pragma once

#include "core/error.h"
#include "remote/commandline.h"
#include "remote/listing.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace zentari {
class ActionStore;
class Beeper;
class IniFile;
class ReminderStore;
} // namespace zentari

namespace zentari::remote {

// A remote call that was not carried out; nothing was written. status is the
// command line's exit status (BadArguments for a refused value or an unknown
// id, StoreFailed for lists that cannot be read or written), message the
// Russian text for the caller.
class CommandError : public Error
{
public:
    CommandError(int status, const QString& message) : Error(message), m_status(status) {}
    int status() const { return m_status; }

private:
    int m_status;
};

// What a remote caller may do to the lists, done as the editors and the
// menu's templates do it: the same store operations, checks and refusals,
// all or nothing. The running clock serves its D-Bus service and later starts
// with it over its own stores; `zentari` uses it over fresh ones when no clock
// runs. Every call reads the lists afresh under the store's lock, so another
// writer's change is never lost; each throws CommandError.
class StoreCommands
{
public:
    StoreCommands(ActionStore& actions, ReminderStore& reminders);

    QList<ActionEntry> listActions();
    QList<ReminderEntry> listReminders();
    // `--list`: every action, then every reminder.
    QString listing();

    // Returns the id the store used (made unique as the editor makes it).
    QString addAction(const AddAction& request);
    // Returns the reminder's id. A reminder of that title on that day is
    // refused, as the editor refuses it.
    QString addReminder(const AddReminder& request);
    void removeAction(const QString& id);
    void removeReminder(const QString& id);
    // `--remove`: the action or the reminder listed with that id.
    void remove(const QString& id);

    // A shutdown template of that delay at `now`, as the menu schedules it
    // (with the confirmation beep "SchemeAck" asks for); returns the id.
    QString startTemplate(int minutes, const QDateTime& now, const IniFile& config, Beeper& beeper);

private:
    ActionStore& m_actions;
    ReminderStore& m_reminders;
};

// A D-Bus call's values read as the command line reads its arguments: the same
// checks, the same Russian refusals (ParseResult::message). The path of a file
// action must be absolute: a caller's folder means nothing to the clock.
ParseResult actionFromCall(int type, const QString& path, const QString& date, const QString& time,
                           int periodicity, const QList<int>& weekdays);
ParseResult reminderFromCall(const QString& title, const QString& text, const QString& date,
                             const QString& time);

} // namespace zentari::remote
