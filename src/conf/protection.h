#pragma once

#include "storewriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;

// Writing the per-machine password protection ("USE" and "PAS" under
// "Software\Zentari"), which the clock only ever reads.
namespace zentari::conf {

// Runs a program with administrator rights, feeding it `input` on its
// standard input. It returns at once: an administrator may take a while to
// type the password, and the window must not freeze meanwhile. `done` is
// called later from the event loop, with the reason in Russian when it did not
// succeed, or the empty text.
class PrivilegedRunner
{
public:
    using Done = std::function<void(const QString& error)>;
    virtual ~PrivilegedRunner() = default;
    virtual void start(const QString& program, const QStringList& arguments,
                       const QByteArray& input, Done done) = 0;
};

// Through polkit's pkexec, which asks for an administrator's password.
class PkexecRunner : public PrivilegedRunner
{
public:
    explicit PkexecRunner(QString pkexec = QStringLiteral("pkexec"));
    ~PkexecRunner() override;
    void start(const QString& program, const QStringList& arguments, const QByteArray& input,
               Done done) override;

private:
    QString m_pkexec;
    std::unique_ptr<QObject> m_processes; // parent of the running ones
};

// polkit's action for the writer, installed with the package.
inline constexpr const char* kPolkitAction = "org.zentari.conf.write-protection";
QString defaultPolicyFile();

// The `conf` that polkit's action names, when this program's folder holds it
// and only root can change it (the installed program); the empty text
// otherwise. A portable build never asks an administrator to run, as root, a
// binary its user could replace.
QString installedPrivilegedWriter(const QString& executableDir,
                                  const QString& policyFile = defaultPolicyFile());

struct ProtectionValues
{
    QString use;
    QString pas;
};

// The values to store when the user asks for protection `on` with the new
// password typed twice (both empty: keep `currentPas`). Throws Error with a
// Russian reason: the two differ, no password at all, a character the code
// page cannot hold.
ProtectionValues protectionValues(bool on, const QString& typed, const QString& typedAgain,
                                  const QString& currentPas);

// Whether this user may write the store file (or create it) without help.
bool canWriteStore(const QString& storePath);

// What to tell the user when the store needs an administrator and this is
// not the installed program.
QString administratorOnlyMessage(const QString& storePath);

// How a save went: written at once, started through the administrator's
// helper (`done` follows), or impossible here.
enum class SaveStart
{
    Written,
    Asking,
};

// Writes the values directly when the store is writable (returns Written;
// `done` is not called), else starts `privilegedWriter` (the installed conf)
// through `runner` with kWriteProtectionArgument: the store then is the
// machine's own, whatever ZENTARI_MACHINE_STORE says, as pkexec clears the
// environment (returns Asking; `done` tells the outcome). Throws Error with
// the reason when nothing could be started: a bad value, a failed direct
// write, or no privileged writer (a portable build).
SaveStart saveProtection(const QString& storePath, const ProtectionValues& values, bool writable,
                         PrivilegedRunner& runner, const QString& privilegedWriter,
                         PrivilegedRunner::Done done);

} // namespace zentari::conf
