#pragma once

#include <QString>
#include <QStringView>

namespace zentari::paths {

// The folder everything the program keeps is resolved against, with a
// trailing separator: the executable's folder when this user may write it (the
// portable build folder), else the per-user folder, seeded on first use.
QString programDir();

// The executable's folder (where Zentari, conf and the installed data/ lie).
QString executableDir();

// $XDG_DATA_HOME/zentari/ (by default ~/.local/share/zentari/).
QString userProgramDir();

// An installed program folder is read-only for its users: every write of
// conf.ini and the lists would fail. Then the user's own folder takes its
// place. Returns installedDir when it is writable, else userDir after seeding it.
QString chooseProgramDir(const QString& installedDir, bool installedWritable,
                         const QString& userDir);

// Gives the user folder what it lacks of the installed one: the files of
// data/, an empty conf.ini, and links to the executables (so that "conf" and
// "Zentari" can be started from it by name). Never overwrites a file the
// user already has. Throws Error when the folder cannot be made.
void seedUserProgramDir(const QString& installedDir, const QString& userDir);

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
