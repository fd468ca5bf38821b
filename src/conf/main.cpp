#include "clockstart.h"
#include "commandline.h"
#include "confwindow.h"
#include "core/error.h"
#include "core/paths.h"
#include "platform/machinestore.h"
#include "storewriter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Standard input up to one byte past the writer's limit, so that a longer
// input is seen as such rather than cut to something that looks valid.
QByteArray readWriterInput()
{
    QByteArray input;
    char buffer[1024];
    while (input.size() <= zentari::conf::kMaxWriterInput) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        input.append(buffer, n);
    }
    return input;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zentari;
    if (argc == 2 && qstrcmp(argv[1], conf::kWriteProtectionArgument) == 0) {
        // Run by pkexec as root: a small non-GUI writer of the machine's store,
        // whose files' modes never depend on the umask it was given.
        ::umask(022);
        QString error;
        const int status =
            conf::runWriteProtection(readWriterInput(), IniMachineStore::defaultPath(), &error);
        if (status != 0)
            QTextStream(stderr) << error << u'\n';
        return status;
    }
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (conf::wantsCommandLine(arguments)) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        try {
            // A clock running from the folder re-reads its options, as after the
            // window; none is started for it.
            const auto tellClock = [](const QString& dir) {
                conf::handOverTo(dir, std::chrono::milliseconds(500))(
                    {QStringLiteral("--reload-options")});
            };
            return conf::runCommandLine(arguments, paths::programDir(), out, err,
                                        QFileInfo(QString::fromLocal8Bit(argv[0])).fileName(),
                                        tellClock);
        } catch (const Error& e) {
            err << e.message() << u'\n';
            return conf::FileFailed;
        }
    }
    return conf::runWindow(argc, argv);
}
