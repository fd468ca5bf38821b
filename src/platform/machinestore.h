#pragma once

#include "core/inifile.h"
#include "services.h"

namespace zentari {

// The per-machine store as an INI file whose section is the key path, e.g.
//   [Software\Zentari]
//   USE=1
// kept at /etc/zentari/registry.ini unless ZENTARI_MACHINE_STORE names another
// file. Only ever read.
class IniMachineStore : public MachineStore
{
public:
    static QString defaultPath(); // honours ZENTARI_MACHINE_STORE
    explicit IniMachineStore(const QString& path = defaultPath());
    QString readString(const QString& name) override;

private:
    IniFile m_file;
};

} // namespace zentari
