#pragma once

#include "core/inifile.h"

#include <QDateTime>
#include <QString>

// When the tick will next perform an action or show a reminder, read from the
// same keys and texts it compares, so that what the clock plans for (staying
// awake, waking the machine) is what it will actually do.
namespace zentari {

class DispatchSource;
class ReminderStore;

namespace upcoming {

// An action's "Action" code as the dispatcher reads it ("0" when missing);
// -1 for a text that is no code.
int actionType(const IniFile& config, const QString& section);

// The first second after `after` at which the action of this section falls
// due by its once-only check ("Date" and "Time"), or an invalid date-time:
// not once-only, already past, or texts the dispatcher can never meet (a
// "Time" of "08:00:00" is never the clock's "8:00:00").
QDateTime nextOnce(const IniFile& config, const QString& section, const QDateTime& after);
// The same by its daily or weekday check.
QDateTime nextRepeated(const IniFile& config, const QString& section, const QDateTime& after);
// The earlier of the two.
QDateTime nextDue(const IniFile& config, const QString& section, const QDateTime& after);

// The listed actions the tick dispatches, by list position (as far as the
// dispatcher goes: the paths list's count bounds it).
qsizetype dispatchedCount(const DispatchSource& source);

// The first second after `after` at which a reminder falls due, or an invalid
// date-time when none will.
QDateTime nextReminder(const ReminderStore& store, const QDateTime& after);

} // namespace upcoming
} // namespace zentari
