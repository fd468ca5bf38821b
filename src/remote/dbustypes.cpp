#include "dbustypes.h"

#include "commandline.h"

#include <QDBusMetaType>

namespace zentari::remote {

int exitStatusForError(const QString& errorName)
{
    if (errorName == kRefusedError || errorName == u"org.freedesktop.DBus.Error.InvalidArgs")
        return BadArguments;
    return StoreFailed;
}

void registerDBusTypes()
{
    qDBusRegisterMetaType<ActionEntry>();
    qDBusRegisterMetaType<QList<ActionEntry>>();
    qDBusRegisterMetaType<ReminderEntry>();
    qDBusRegisterMetaType<QList<ReminderEntry>>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const ActionEntry& e)
{
    argument.beginStructure();
    argument << e.id << e.type << e.path << e.date << e.time << e.periodicity << e.weekdays;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ActionEntry& e)
{
    argument.beginStructure();
    argument >> e.id >> e.type >> e.path >> e.date >> e.time >> e.periodicity >> e.weekdays;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const ReminderEntry& e)
{
    argument.beginStructure();
    argument << e.id << e.title << e.date << e.time;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ReminderEntry& e)
{
    argument.beginStructure();
    argument >> e.id >> e.title >> e.date >> e.time;
    argument.endStructure();
    return argument;
}

} // namespace zentari::remote
