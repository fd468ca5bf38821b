#include "programdir.h"

#include "core/cp1251.h"
#include "core/textlist.h"

#include <QDir>
#include <QFile>

namespace zentari::test {

ProgramDir::ProgramDir()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("data/messages"));
    for (const char* name : {"1Actions", "1Paths", "1Times", "1Dates", "1Ids", "Titles", "Messes",
                             "Times", "Dates", "IDs"})
        write(QStringLiteral("data/%1.zdt").arg(QLatin1String(name)), {});
}

QString ProgramDir::path() const
{
    return m_dir.path() + u'/';
}

QString ProgramDir::file(const QString& relative) const
{
    return path() + relative;
}

void ProgramDir::write(const QString& relative, const QByteArray& bytes) const
{
    QFile f(file(relative));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray ProgramDir::read(const QString& relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ProgramDir::writeConf(const QString& text) const
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\n', QStringLiteral("\r\n"));
    write(QStringLiteral("conf.ini"), cp1251::encode(crlf));
}

QStringList ProgramDir::readList(const QString& relative) const
{
    return textlist::split(read(relative));
}

} // namespace zentari::test
