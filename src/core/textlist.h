#pragma once

#include <QString>
#include <QStringList>

// Text list files: one entry per line, Windows-1251, every line ended by CR LF.
namespace zentari::textlist {

// Accepts CR LF, CR or LF line ends. Throws Error when the file is missing or
// cannot be read.
QStringList load(const QString& path);
// Missing file reads as an empty list; other read failures still throw.
QStringList loadOrEmpty(const QString& path);
// The number of lines, without keeping them; a missing file has none. Throws
// Error when the file cannot be read.
qsizetype countLines(const QString& path);
// Writes the whole list atomically. Throws Error.
void save(const QString& path, const QStringList& lines);

QStringList split(const QByteArray& bytes);
QByteArray join(const QStringList& lines);

} // namespace zentari::textlist
