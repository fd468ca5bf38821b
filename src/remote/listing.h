#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The actions and reminders as a remote caller sees them: plain values that
// the D-Bus service lists and `zentari --list` prints.
namespace zentari::remote {

// One scheduled action. Date and time are the clock's texts as stored.
struct ActionEntry
{
    QString id;
    int type = -1; // the editor's type code; -1 when none was chosen or it is unreadable
    QString path;  // the editor's list line
    QString date;
    QString time;
    int periodicity = 1;   // 1 once, 2 every day, 3 on the weekdays below
    QList<int> weekdays{}; // 1 = Monday … 7 = Sunday
    bool operator==(const ActionEntry&) const = default;
};

struct ReminderEntry
{
    QString id; // the title followed by the date text
    QString title;
    QString date;
    QString time;
    bool operator==(const ReminderEntry&) const = default;
};

// One line of `--list`, fields separated by tabs, without the line end:
//   action   id date time type path
//   reminder id date time title
// The free text comes last, so that a tab inside it cannot shift the columns
// before it; a tab anywhere else (a hand-edited title inside a reminder's id)
// is shown as a space.
QString listLine(const ActionEntry& action);
QString listLine(const ReminderEntry& reminder);
// Every action, then every reminder, in the lists' order, each line ended by "\n".
QString listing(const QList<ActionEntry>& actions, const QList<ReminderEntry>& reminders);

enum class EntryKind
{
    Action,
    Reminder
};

// What `--remove ID` removes: the action or the reminder listed with that
// id, or why neither (Russian). An id that both an action and a reminder
// carry (a reminder without a title and an action at midnight of its day) is
// refused rather than guessed.
struct Removal
{
    std::optional<EntryKind> kind;
    QString message;
};
Removal resolveRemoval(const QString& id, const QStringList& actionIds,
                       const QStringList& reminderIds);

} // namespace zentari::remote
