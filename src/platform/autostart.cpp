#include "autostart.h"

#include "core/atomicfile.h"
#include "core/error.h"
#include "core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStandardPaths>
#include <optional>

namespace zentari::autostart {

namespace {

const QString kGroup = QStringLiteral("[Desktop Entry]");

struct EntryLine
{
    QString key; // empty for a group header, a comment or a blank line
    QString value;
    bool inMainGroup = false;
};

QList<QByteArray> readLines(bool* exists)
{
    QFile file(entryPath());
    *exists = file.open(QIODevice::ReadOnly);
    if (!*exists)
        return {};
    // An entry is a few hundred bytes; anything far larger is not ours to read.
    return file.read(64 * 1024).split('\n');
}

EntryLine parse(const QByteArray& raw, bool* inMainGroup)
{
    const QString line = QString::fromUtf8(raw).trimmed();
    EntryLine e;
    if (line.startsWith(u'[')) {
        *inMainGroup = line == kGroup;
        return e;
    }
    e.inMainGroup = *inMainGroup;
    const qsizetype eq = line.indexOf(u'=');
    if (line.startsWith(u'#') || eq < 0)
        return e;
    e.key = line.left(eq).trimmed();
    e.value = line.mid(eq + 1).trimmed();
    return e;
}

// The value of `key` in the main group, as written.
std::optional<QString> mainValue(const QList<QByteArray>& lines, QStringView key)
{
    bool inMain = false;
    for (const QByteArray& raw : lines) {
        const EntryLine e = parse(raw, &inMain);
        if (e.inMainGroup && e.key == key)
            return e.value;
    }
    return std::nullopt;
}

bool programExists(const QString& program)
{
    if (program.isEmpty())
        return false;
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

} // namespace

QString entryPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart/zentari.desktop");
}

QString commandFor(const QString& executableDir)
{
    if (paths::isInstalledProgramDir(executableDir))
        return QStringLiteral("zentari");
    return QDir(executableDir).absoluteFilePath(QStringLiteral("Zentari"));
}

QString execValue(const QString& program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = program.isEmpty();
    for (const QChar c : program)
        quote = quote || reserved.contains(c);
    QString exec;
    if (quote) {
        exec += u'"';
        for (const QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                exec += u'\\';
            exec += c;
        }
        exec += u'"';
    } else {
        exec = program;
    }
    exec.replace(u'%', QStringLiteral("%%"));
    // The string escapes come last: they are undone first when it is read.
    QString value;
    for (const QChar c : exec) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QString execProgram(const QString& exec)
{
    QString unescaped;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c != u'\\' || i + 1 == exec.size()) {
            unescaped += c;
            continue;
        }
        const QChar next = exec[++i];
        unescaped += next == u's'   ? QChar(u' ')
                     : next == u'n' ? QChar(u'\n')
                     : next == u't' ? QChar(u'\t')
                     : next == u'r' ? QChar(u'\r')
                                    : next;
    }
    QString program;
    qsizetype i = 0;
    if (unescaped.startsWith(u'"')) {
        for (i = 1; i < unescaped.size() && unescaped[i] != u'"'; ++i) {
            if (unescaped[i] == u'\\' && i + 1 < unescaped.size())
                ++i;
            program += unescaped[i];
        }
    } else {
        for (; i < unescaped.size() && !unescaped[i].isSpace(); ++i)
            program += unescaped[i];
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool isEnabled()
{
    bool exists = false;
    const QList<QByteArray> lines = readLines(&exists);
    if (!exists)
        return false;
    return mainValue(lines, u"Hidden") != u"true" &&
           mainValue(lines, u"X-GNOME-Autostart-enabled") != u"false";
}

void setEnabled(bool enabled, const QString& program)
{
    const QString path = entryPath();
    if (!enabled) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            throw Error(QStringLiteral("Не удалось удалить «%1».").arg(path));
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw Error(QStringLiteral("Не удалось создать папку для «%1».").arg(path));
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Zentari\n"
                                         "Name[ru]=Zentari\n"
                                         "Comment=Desktop clock with alarms\n"
                                         "Comment[ru]=Часы с будильниками на рабочем столе\n"
                                         "Exec=%1\n"
                                         "Icon=zentari\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(program));
    writeFileAtomically(path, entry.toUtf8());
}

bool refreshIfStale(const QString& program)
{
    try {
        bool exists = false;
        QList<QByteArray> lines = readLines(&exists);
        if (!exists)
            return false;
        bool inMain = false;
        for (QByteArray& raw : lines) {
            const EntryLine e = parse(raw, &inMain);
            if (!e.inMainGroup || e.key != u"Exec")
                continue;
            const QString runs = execProgram(e.value);
            if (programExists(runs) || runs == program)
                return false;
            raw = "Exec=" + execValue(program).toUtf8();
            writeFileAtomically(entryPath(), lines.join('\n'));
            return true;
        }
    } catch (const Error&) {
    }
    return false;
}

} // namespace zentari::autostart
