#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

namespace zentari::conf {

// Exit statuses of the command line.
enum Status
{
    Ok = 0,
    ProblemsFound = 1, // --check found bad values
    BadUsage = 2,      // unknown verb or key, or a value refused; nothing written
    FileFailed = 3,    // conf.ini could not be read or written
};

// True when the arguments ask for the command line rather than the window.
bool wantsCommandLine(const QStringList& arguments);

// Runs `conf` with its arguments (without the program name) on the program
// folder `programDir` unless --dir names another; writes results to `out`
// and messages to `err`, and returns the exit status. `command` is the name
// it was started by ("conf", or "zentari-conf" from the PATH), for the help.
// After --set or --unset changed the file, optionsChanged is told the folder,
// so that a clock running from it can look at its options again.
int runCommandLine(const QStringList& arguments, const QString& programDir, QTextStream& out,
                   QTextStream& err, const QString& command = QStringLiteral("conf"),
                   const std::function<void(const QString& dir)>& optionsChanged = {});

} // namespace zentari::conf
