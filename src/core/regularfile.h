#pragma once

#include <QByteArray>
#include <QString>

namespace zentari {

// Reads a file whose name comes from data the program does not control (a
// list line, a record left behind): at most `limit` bytes, and only from a
// regular file, since a device such as /dev/zero never ends and a pipe may
// never answer. fullSize, when given, receives the file's size. Throws Error
// when the file is missing, cannot be read or is not a regular file.
QByteArray readRegularFile(const QString& path, qint64 limit, qint64* fullSize = nullptr);

} // namespace zentari
