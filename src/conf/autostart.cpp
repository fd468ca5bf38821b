#include "autostart.h"

#include "platform/atomicfile.h"
#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zentari::conf::autostart {

QString entryPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart/zentari.desktop");
}

bool isEnabled()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A desktop may switch an entry off by adding Hidden=true rather than deleting it.
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.trimmed().replace(' ', "") == "Hidden=true")
            return false;
    }
    return true;
}

void setEnabled(bool enabled, const QString& executable)
{
    const QString path = entryPath();
    if (!enabled) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            throw Error(QStringLiteral("Не удалось удалить «%1».").arg(path));
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw Error(QStringLiteral("Не удалось создать папку для «%1».").arg(path));
    // Exec's quoting rules: double quotes around the path, with \, ", ` and $ escaped.
    QString quoted = executable;
    for (const QChar c : {u'\\', u'"', u'`', u'$'})
        quoted.replace(c, QStringLiteral("\\") + c);
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Zentari\n"
                                         "Name[ru]=Zentari\n"
                                         "Comment=Desktop clock with alarms\n"
                                         "Comment[ru]=Часы с будильниками на рабочем столе\n"
                                         "Exec=\"%1\"\n"
                                         "Icon=zentari\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(quoted);
    writeFileAtomically(path, entry.toUtf8());
}

} // namespace zentari::conf::autostart
