#include "paths.h"

#include "core/error.h"
#include "core/inifile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace zentari::paths {

namespace {

QString withSeparator(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

// A read-only conf.ini in a writable folder keeps the folder: that file is
// reported by the store, not silently replaced by another.
bool isWritableFolder(const QString& dir)
{
    return QFileInfo(dir).isWritable();
}

// True when the file exists afterwards.
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

} // namespace

QString executableDir()
{
    return withSeparator(QCoreApplication::applicationDirPath());
}

QString userProgramDir()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // The XDG rule: a relative value is invalid and ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return withSeparator(base + QStringLiteral("/zentari"));
}

QString programDir()
{
    return programDirFor(executableDir(), userProgramDir());
}

bool isInstalledProgramDir(const QString& dir)
{
    return QFileInfo(withSeparator(dir) + kInstalledMarker.toString()).isFile();
}

QString programDirFor(const QString& executableDir, const QString& userDir)
{
    if (isInstalledProgramDir(executableDir)) {
        try {
            seedUserProgramDir(executableDir, userDir);
        } catch (const Error&) {
            // No folder of the user's own (a read-only home): each write that
            // fails says so, and the package's files stay untouched.
        }
        return withSeparator(userDir);
    }
    try {
        return chooseProgramDir(executableDir, isWritableFolder(executableDir), userDir);
    } catch (const Error&) {
        // No folder of the user's own: the clock still runs from the
        // executable's folder, and each write that fails says so.
        return withSeparator(executableDir);
    }
}

QString chooseProgramDir(const QString& installedDir, bool installedWritable,
                         const QString& userDir)
{
    if (installedWritable)
        return withSeparator(installedDir);
    seedUserProgramDir(installedDir, userDir);
    return withSeparator(userDir);
}

void seedUserProgramDir(const QString& installedDir, const QString& userDir)
{
    const QString from = withSeparator(installedDir);
    const QString to = withSeparator(userDir);
    if (!QDir().mkpath(to + QStringLiteral("data/messages")))
        throw Error(QStringLiteral("Не удалось создать папку «%1».").arg(to));
    // Missing files only: an upgrade brings new pictures, but the user's lists,
    // reminders and any file the user replaced stay as they are.
    QDirIterator it(from + QStringLiteral("data"), QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (QFileInfo::exists(target))
            continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (QFile::copy(source, target))
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner |
                                              QFileDevice::WriteUser);
    }
    ensureConfigFile(confPath(to));
    for (const QString& name : {QStringLiteral("Zentari"), QStringLiteral("conf")}) {
        const QString link = to + name;
        const QString target = from + name;
        const QFileInfo info(link);
        if (info.isSymLink() && info.symLinkTarget() == target)
            continue;
        if (info.exists() && !info.isSymLink())
            continue; // a file of the user's own
        if (!QFileInfo::exists(target))
            continue;
        // A link into a program folder that moved (a reinstall elsewhere) is renewed.
        QFile::remove(link);
        QFile::link(target, link);
    }
}

QString fileName(QStringView path)
{
    // Paths typed in the editor may still use the old separator.
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1).toString();
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

QString confPath(const QString& programDir)
{
    return programDir + QStringLiteral("conf.ini");
}

bool openConfig(IniFile& holder, const QString& programDir)
{
    const QString path = confPath(programDir);
    if (!ensureConfigFile(path))
        return false;
    holder = IniFile(path);
    return true;
}

} // namespace zentari::paths
