#include "paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace zentari::paths {

QString programDir()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString resolve(const QString& programDir, QStringView name)
{
    QString relative = name.toString();
    relative.replace(u'\\', u'/');
    if (relative.startsWith(u"data/Messages/", Qt::CaseInsensitive) ||
        relative.compare(u"data/Messages", Qt::CaseInsensitive) == 0)
        relative.replace(5, 8, QStringLiteral("messages"));
    if (QFileInfo(relative).isAbsolute())
        return relative;
    return programDir + relative;
}

QString confPath(const QString& programDir) { return programDir + QStringLiteral("conf.ini"); }

bool ensureConfigFile(const QString& confPath)
{
    if (!QFile::exists(confPath)) {
        QFile file(confPath);
        // Append mode creates the file without ever truncating one that a
        // concurrent writer has just made.
        (void)file.open(QIODevice::Append);
    }
    return QFile::exists(confPath);
}

} // namespace zentari::paths
