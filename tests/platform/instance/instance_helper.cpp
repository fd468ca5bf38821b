// A stand-in for the clock in the single-instance tests. Started with a
// program folder, and optionally "--take-over" and arguments, it either runs
// as that folder's clock, printing every request it receives, or hands its
// arguments to the one that runs and ends with its answer. Everything goes to
// standard output, one line each, for the test to read.
#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

using zentari::InstanceRequest;
using zentari::SingleInstance;

namespace {

QString shown(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return QStringLiteral("(show)");
    QString out = arguments.join(u'|');
    return out.replace(u'\n', QStringLiteral("\\n"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const QString programDir = arguments.takeFirst();
    const bool takeOver = arguments.value(0) == u"--take-over";
    if (takeOver)
        arguments.removeFirst();

    QTextStream out(stdout);
    SingleInstance instance(programDir);
    if (const int wait = qEnvironmentVariableIntValue("ZENTARI_TEST_TAKE_OVER_MS"); wait > 0)
        instance.setTakeOverWait(std::chrono::milliseconds(wait));
    const SingleInstance::Decision decision = instance.start(arguments, takeOver);
    switch (decision.kind) {
    case SingleInstance::Decision::HandedOver:
        out << "answer " << decision.answer.status << ' ' << decision.answer.message << Qt::endl;
        return decision.answer.status;
    case SingleInstance::Decision::NoAnswer:
        out << "no answer: " << decision.answer.message << Qt::endl;
        return 3;
    case SingleInstance::Decision::Unguarded:
        out << "unguarded: " << decision.answer.message << Qt::endl;
        return 4;
    case SingleInstance::Decision::Run:
        break;
    }

    QObject::connect(
        &instance, &SingleInstance::requestReceived, &app, [&](InstanceRequest* request) {
            const QStringList& a = request->arguments();
            out << "request " << shown(a) << Qt::endl;
            if (a == QStringList{QStringLiteral("quit")}) {
                // As the clock's Quit: answer, and end at once.
                request->answer(0, QStringLiteral("bye"));
                app.quit();
            } else if (a == QStringList{QStringLiteral("stop-listening")}) {
                // As a closing clock: no more answers, the lock
                // kept for a while yet.
                request->answer(0, QStringLiteral("closing"));
                instance.stopListening();
                QTimer::singleShot(1500, &app, &QCoreApplication::quit);
            } else {
                request->answer(request->isShow() ? 0 : 7, QStringLiteral("принято: ") + shown(a));
            }
        });
    out << "running " << QCoreApplication::applicationPid() << ' ' << instance.lockPath()
        << Qt::endl;
    const int status = app.exec();
    out << "ending" << Qt::endl;
    instance.release();
    return status;
}
