#include "shell_linux.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace zentari {

namespace {

// "http:", "mailto:" and the like; a one-letter scheme would be a drive letter.
bool isUrl(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

} // namespace

void DesktopShell::open(const QString& file, const QString& parameters, const QString& directory)
{
    if (file.isEmpty())
        return;
    QFileInfo info(directory.isEmpty() ? file : QDir(directory).filePath(file));
    if (!info.exists()) {
        if (isUrl(file)) {
            QDesktopServices::openUrl(QUrl(file));
            return;
        }
        // A bare program name is looked up on PATH, as the shell would.
        const QString program = QStandardPaths::findExecutable(file);
        if (program.isEmpty())
            return;
        info.setFile(program);
    }
    // Files on Windows partitions are often all marked executable: one that
    // will not run as a program is a document after all.
    if (info.isExecutable() && !info.isDir() &&
        QProcess::startDetached(info.absoluteFilePath(), QProcess::splitCommand(parameters),
                                directory))
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

void DesktopShell::restart(const QString& executable)
{
    const QFileInfo info(executable);
    QProcess process;
    process.setProgram(info.absoluteFilePath());
    process.setWorkingDirectory(info.absolutePath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kTakeOverVariable), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.startDetached();
}

} // namespace zentari
