#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace zentari {

// Replaces the file's content through a temporary file in the same folder,
// flushed to disk and renamed over the old one, so that a crash or a full disk
// leaves either the old or the new content. Throws Error on failure.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Test seam: called with the temporary file's path after it is flushed and
// before it is renamed (a test can end the process there to play a crash).
void setAtomicWriteHookForTesting(std::function<void(const QString& tempPath)> hook);

} // namespace zentari
