#pragma once

#include <QString>
#include <QStringView>

namespace zentari::paths {

// The executable's folder with a trailing separator.
QString programDir();

// Resolves a name written as the program has always spelled it ("data\music.mp3",
// "data\Messages\x.zdt") against programDir. Backslashes become separators, and
// "Messages" and "messages" name one folder whatever the file system's case rules.
QString resolve(const QString& programDir, QStringView name);

// conf.ini in programDir.
QString confPath(const QString& programDir);

// Makes sure conf.ini exists (created empty when missing; never truncated).
// True when the file exists afterwards.
bool ensureConfigFile(const QString& confPath);

} // namespace zentari::paths
