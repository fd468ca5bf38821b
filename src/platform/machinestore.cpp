#include "machinestore.h"

#include <QFileInfo>

namespace zentari {

QString IniMachineStore::defaultPath()
{
    const QString fromEnv = qEnvironmentVariable("ZENTARI_MACHINE_STORE");
    return fromEnv.isEmpty() ? QStringLiteral("/etc/zentari/registry.ini") : fromEnv;
}

IniMachineStore::IniMachineStore(const QString& path)
    // A handle on a file that does not exist yet is fine: it reads as empty and
    // starts to count as soon as an administrator creates it.
    : m_file(path)
{
}

QString IniMachineStore::readString(const QString& name)
{
    // Exactly as stored, as a registry keeps its strings: the encoded password
    // ends with a space that belongs to it. The key path is written with or
    // without its leading backslash.
    QString value = m_file.readExactString(u"Software\\Zentari", name, QString());
    if (value.isEmpty())
        value = m_file.readExactString(u"\\Software\\Zentari", name, QString());
    return value;
}

} // namespace zentari
