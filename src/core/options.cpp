#include "options.h"

#include "core/paths.h"
#include "core/conversions.h"

namespace zentari::options {

QString read(const IniFile& ini, const Key& key, const QString& programDir)
{
    const QString def = key.defaultIsDataFile ? paths::resolve(programDir, key.defaultValue)
                                              : key.defaultValue.toString();
    return ini.readString(key.section, key.name, def);
}

int readInt(const IniFile& ini, const Key& key, const QString& programDir)
{
    return conv::strToInt(read(ini, key, programDir));
}

void write(IniFile& ini, const Key& key, const QString& value)
{
    ini.writeString(key.section, key.name, value);
}

} // namespace zentari::options
