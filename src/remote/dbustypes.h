#pragma once

#include "remote/listing.h"

#include <QDBusArgument>
#include <QMetaType>
#include <QStringView>

// The clock's D-Bus service (org.zentari.Zentari1.xml beside this file): its
// names, its errors and the marshalling of the listed entries.
namespace zentari::remote {

inline constexpr QStringView kServiceName = u"org.zentari.Zentari";
inline constexpr QStringView kObjectPath = u"/org/zentari/Zentari";
inline constexpr QStringView kInterfaceName = u"org.zentari.Zentari1";

// The error a refused call returns, its message the Russian text for the
// user: `zentari` exits with BadArguments.
inline constexpr QStringView kRefusedError = u"org.zentari.Zentari1.Error.Refused";
// The lists could not be read or written: `zentari` exits with StoreFailed.
inline constexpr QStringView kStoreFailedError = u"org.zentari.Zentari1.Error.StoreFailed";

// The exit status of `zentari` for the error a call to the running clock
// returned: a refusal or a malformed call is the caller's to mend
// (BadArguments), anything else is not (StoreFailed).
int exitStatusForError(const QString& errorName);

// Registers the entries' D-Bus types; call once before the first call or
// reply that carries them.
void registerDBusTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const ActionEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, ActionEntry& entry);
QDBusArgument& operator<<(QDBusArgument& argument, const ReminderEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, ReminderEntry& entry);

} // namespace zentari::remote

Q_DECLARE_METATYPE(zentari::remote::ActionEntry)
Q_DECLARE_METATYPE(zentari::remote::ReminderEntry)
