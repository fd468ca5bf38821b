#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writing the per-machine password protection ("USE" and "PAS" under
// "Software\Zentari"), which the clock only ever reads.
namespace zentari::conf {

// Runs a program with administrator rights, feeding it `input` on its
// standard input; false (and the reason in Russian) when it did not succeed.
class PrivilegedRunner
{
public:
    virtual ~PrivilegedRunner() = default;
    virtual bool run(const QString& program, const QStringList& arguments, const QByteArray& input,
                     QString* error) = 0;
};

// Through polkit's pkexec, which asks for an administrator's password.
class PkexecRunner : public PrivilegedRunner
{
public:
    bool run(const QString& program, const QStringList& arguments, const QByteArray& input,
             QString* error) override;
};

// The argument that makes `conf` the small privileged writer: it reads the
// "USE" line and the "PAS" line from its standard input.
inline constexpr const char* kWriteProtectionArgument = "--write-protection";

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

// Writes both values into the store file, creating its folder. Throws Error.
void writeProtectionFile(const QString& storePath, const QString& use, const QString& pas);

// Whether this user may write the store file (or create it) without help.
bool canWriteStore(const QString& storePath);

// Writes the values directly when the file is writable, else through `runner`
// running `confExecutable` with kWriteProtectionArgument (the store then is
// the machine's own, whatever ZENTARI_MACHINE_STORE says: pkexec clears the
// environment). Throws Error with the reason when it could not be written.
void saveProtection(const QString& storePath, const QString& use, const QString& pas,
                    PrivilegedRunner& runner, const QString& confExecutable);
// The same with the writability decided by the caller.
void saveProtection(const QString& storePath, const QString& use, const QString& pas,
                    PrivilegedRunner& runner, const QString& confExecutable, bool writable);

// The privileged side: reads the two lines from `input` and writes them to
// `storePath`. Returns the exit status; the reason of a failure goes to `error`.
int runWriteProtection(const QByteArray& input, const QString& storePath, QString* error);

} // namespace zentari::conf
