#include "startup.h"

#include "app/clockservice.h"
#include "app/clockwindow.h"
#include "app/clockwindows.h"
#include "app/qttranslations.h"
#include "app/remoteclient.h"
#include "core/paths.h"
#include "platform/autostart.h"
#include "platform/desktopservices.h"
#include "platform/errorreport.h"
#include "platform/programicon.h"
#include "platform/sessionplatform.h"
#include "platform/singleinstance.h"
#include "scheduler/actionstore.h"
#include "session/clocksession.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace zentari {

int runZentari(int argc, char** argv)
{
    // A command ("--list", "--remind …") needs no window and no display: the
    // running clock carries it out, or this process does on the lists.
    bool takeOverAsked = false;
    if (const std::optional<int> status = remote::runCommandLine(argc, argv, takeOverAsked))
        return *status;
    if (takeOverAsked)
        qputenv(kTakeOverVariable, "1");

    // The clock repaints a few hundred pixels once a second. Through shared
    // memory every repaint waits for the X server to confirm it (a round trip
    // and a thread hand-over); sent over the socket it costs less than that wait.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    const bool waylandOnly = session::preferX11OnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zentari"));
    // Every window, box and the tray icon carry it, not the desktop's generic one.
    QApplication::setWindowIcon(programIcon());
    // No display name: Qt would append it to every window title (" — Zentari"),
    // and the captions of the clock's boxes and windows are theirs alone.
    // The clock hides itself into the tray; only closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    installRussianQtTexts(app);

    DesktopServices desktop;
    const Services services = desktop.services();
    ErrorReport report(*services.messages);
    desktop.setNotice([&report](const QString& text) { report.reportOnce(text); });
    if (waylandOnly) // told once the clock is up, not instead of it
        QTimer::singleShot(3000, [&report] { report.reportOnce(session::waylandLimitsNotice()); });

    // One clock per program folder: a second one would perform every action
    // and reminder again. A later start shows the running clock and ends.
    const bool takeOver = qEnvironmentVariableIsSet(kTakeOverVariable);
    qunsetenv(kTakeOverVariable); // not for the programs the clock starts
    const QString programDir = paths::programDir();
    SingleInstance instance(programDir);
    // A plain start whatever its arguments: the clock takes none of its own.
    const SingleInstance::Decision decision = instance.start({}, takeOver);
    switch (decision.kind) {
    case SingleInstance::Decision::HandedOver:
        return decision.answer.status;
    case SingleInstance::Decision::NoAnswer:
        std::fputs((decision.answer.message + u'\n').toUtf8().constData(), stderr);
        return 1;
    case SingleInstance::Decision::Run:
    case SingleInstance::Decision::Unguarded:
        break;
    }
    if (!instance.problem().isEmpty()) {
        const QString problem = instance.problem();
        QTimer::singleShot(0, [&report, problem] { report.reportOnce(problem); });
    }

    std::unique_ptr<ClockSession> session;
    std::unique_ptr<ClockWindows> windows;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<ClockService> service;
    try {
        autostart::refreshIfStale(autostart::commandFor(paths::executableDir()));
        ActionStore::removeInterruptedWrites(programDir);
        session = std::make_unique<ClockSession>(programDir, services, report);
        // The other windows are made when first opened; the clock is the one shown at start.
        windows = std::make_unique<ClockWindows>(programDir, services, report, *session);
        form1 = std::make_unique<TForm1>(programDir, services, report, *session, *windows);
        // Before the stores are read: a notice they raise runs the event loop.
        form1->closeGuard().setBeforeRestart([&instance, &service] {
            instance.stopListening();
            service.reset(); // the new clock takes the bus name as soon as it can
        });
        service = std::make_unique<ClockService>(*form1, *session, services, report);
        QObject::connect(&instance, &SingleInstance::requestReceived, service.get(),
                         [&service](InstanceRequest* request) { service->answer(request); });
        session->loadAtStart();
        if (const QString problem = service->exportOnSessionBus(); !problem.isEmpty())
            std::fputs((problem + u'\n').toUtf8().constData(), stderr);

        form1->show();
        if (desktop.dryRun()) {
            // After the clock's own handler of its start-up timer: the pass
            // through the tray, the editors' clock, the exit permission. The
            // window system has seen the pass once sync() returns.
            QObject::connect(form1->Timer2, &QTimer::timeout, form1.get(), [&desktop] {
                QTimer::singleShot(0, [&desktop] {
                    QGuiApplication::sync();
                    desktop.recordReady();
                });
            });
        }
#ifdef __GLIBC__
        // Loading the stores leaves megabytes of freed buffers behind (large
        // ones with many actions and reminders); the clock then idles for hours.
        QTimer::singleShot(3000, [] { ::malloc_trim(0); });
#endif
        QApplication::exec();
        // Later starts wait for the lock now, which goes when this process ends.
        instance.stopListening();
        service.reset();
        form1->FormDestroy();
        // The other windows go before the clock they reach.
        windows.reset();
    } catch (const std::exception& e) {
        report.reportException(e);
    }
    return 0;
}

} // namespace zentari
