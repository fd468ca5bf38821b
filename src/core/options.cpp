#include "options.h"

#include "core/conversions.h"
#include "core/paths.h"

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

unsigned int readColour(const IniFile& ini, const Key& key)
{
    Q_ASSERT(key.reading == Reading::Colour);
    return conv::stringToColor(read(ini, key, QString()));
}

void write(IniFile& ini, const Key& key, const QString& value)
{
    ini.writeString(key.section, key.name, value);
}

bool isOn(const Key& key, QStringView text)
{
    Q_ASSERT(isSwitch(key));
    return key.reading == Reading::OnUnlessOffText ? text != key.offText : text == key.onText;
}

bool isOn(const IniFile& ini, const Key& key)
{
    // A switch's default is never a file, so no program folder is needed.
    return isOn(key, read(ini, key, QString()));
}

void writeSwitch(IniFile& ini, const Key& key, bool on)
{
    Q_ASSERT(isSwitch(key));
    ini.writeString(key.section, key.name, on ? key.onText : key.offText);
}

} // namespace zentari::options
