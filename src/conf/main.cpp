#include "app/paths.h"
#include "commandline.h"
#include "confwindow.h"
#include "platform/error.h"
#include "platform/machinestore.h"
#include "protection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv)
{
    using namespace zentari;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    if (arguments == QStringList{QString::fromLatin1(conf::kWriteProtectionArgument)}) {
        // Run by pkexec as root: a small non-GUI writer of the machine's store.
        QFile in;
        (void)in.open(stdin, QIODevice::ReadOnly);
        QString error;
        const int status =
            conf::runWriteProtection(in.read(4096), IniMachineStore::defaultPath(), &error);
        if (status != 0)
            QTextStream(stderr) << error << u'\n';
        return status;
    }
    if (conf::wantsCommandLine(arguments)) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        try {
            return conf::runCommandLine(arguments, paths::programDir(), out, err);
        } catch (const Error& e) {
            err << e.message() << u'\n';
            return conf::FileFailed;
        }
    }
    return conf::runWindow(argc, argv);
}
