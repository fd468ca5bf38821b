#pragma once

#include <QString>
#include <QStringView>

namespace zentari {
class IniFile;
}

namespace zentari::paths {

// The folder everything the program keeps is resolved against, with a
// trailing separator: programDirFor(executableDir(), userProgramDir()).
QString programDir();

// A file the install rules put into an installed program folder (by the
// package, or by `cmake --install`); a build folder never has it.
inline constexpr QStringView kInstalledMarker = u"zentari-installed";

// Whether `dir` is an installed program folder, whose files belong to the
// package manager or the administrator.
bool isInstalledProgramDir(const QString& dir);

// Where the program at `executableDir` keeps conf.ini and data/: the user's
// own folder, seeded on first use, when that is an installed program folder
// (whoever runs it, root included: its files are the package's) or one this
// user may not write; otherwise the executable's folder itself (the portable
// build folder).
QString programDirFor(const QString& executableDir, const QString& userDir);

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

// The file's own name in a path written with either separator ("wake.mp3"
// of "C:\Music\wake.mp3" or "/home/u/wake.mp3"), for showing it.
QString fileName(QStringView path);

// conf.ini in programDir.
QString confPath(const QString& programDir);

// Gives a holder of a handle on conf.ini in programDir a fresh one, making the
// file first (empty) when it is missing; an existing file is never truncated.
// When the file cannot be made the holder keeps the handle it had. True when
// conf.ini exists.
bool openConfig(IniFile& holder, const QString& programDir);

} // namespace zentari::paths
