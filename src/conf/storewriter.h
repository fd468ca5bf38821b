#pragma once

#include <QByteArray>
#include <QString>

// The writer of the per-machine protection store. It runs as root (through
// pkexec) on a file every user's clock trusts, so it trusts nothing it finds:
// not the umask it inherited, not a link or a foreign file at the store's
// path, not a folder others may write, not its input.
namespace zentari::conf {

// The argument that makes `conf` this writer: it reads the "USE" line and the
// "PAS" line from its standard input.
inline constexpr const char* kWriteProtectionArgument = "--write-protection";

// More than two short lines is not what `conf` sends.
inline constexpr qsizetype kMaxWriterInput = 4096;

// Why the two values are not what the window writes ("0" or "1", and a
// password in its encoded form), or the empty text.
QString protectionValuesProblem(const QString& use, const QString& pas);

// Replaces the store with exactly its section and the two keys: the store's
// folder is made (mode 755, in one step) when missing; the folder must be a
// real one owned by the caller and writable by nobody else, and the file, when
// there, a regular file owned by the caller. Written through a temporary file
// in the same folder, synced and renamed; mode 644. Throws Error (Russian),
// having written nothing, when anything is not so.
void writeProtectionFile(const QString& storePath, const QString& use, const QString& pas);

// The privileged side: reads the two lines from `input` and writes them to
// `storePath`. Returns the exit status (0; 2 bad input; 3 the store refused
// or not written); the reason of a failure goes to `error`.
int runWriteProtection(const QByteArray& input, const QString& storePath, QString* error);

} // namespace zentari::conf
