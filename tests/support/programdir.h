#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "printers.h"

namespace zentari::test {

// A throw-away program folder: conf.ini, data/ with its empty list files, and
// helpers to read and write them byte for byte.
class ProgramDir
{
public:
    ProgramDir();         // creates data/ and the ten empty list files
    QString path() const; // with a trailing separator
    QString file(const QString& relative) const;
    QString confPath() const { return file(QStringLiteral("conf.ini")); }

    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;
    // Writes conf.ini from UTF-8 text, encoded to Windows-1251 with CR LF line ends.
    void writeConf(const QString& text) const;
    QStringList readList(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

} // namespace zentari::test
